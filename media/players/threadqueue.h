// A thread's message queue, as the play thread reads it: messages of a number and a
// parameter, posted from any thread, taken in order by the one reading thread.
#pragma once

#include <pthread.h>
#include <stdint.h>

struct MediaThreadMessage;

struct MediaThreadQueue {
    pthread_mutex_t lock;
    pthread_cond_t ready;
    MediaThreadMessage* head;
    MediaThreadMessage* tail;
    int32_t closed;
};

void mediaQueueInit(MediaThreadQueue* q);
// Frees the messages still queued through release (when given) and the queue's own.
void mediaQueueDestroy(MediaThreadQueue* q, void (*release)(void* parameter));
// 1 posted, 0 when the queue is closed or out of memory.
int32_t mediaQueuePost(MediaThreadQueue* q, uint32_t message, void* parameter);
// Waits for a message: 1 with one, 0 once the queue is closed and empty.
int32_t mediaQueueGet(MediaThreadQueue* q, uint32_t* message, void** parameter);
// Refuses further posts and wakes the reader.
void mediaQueueClose(MediaThreadQueue* q);
