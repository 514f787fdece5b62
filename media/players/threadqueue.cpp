// Thread message queue: a list under one mutex, with a condition for the reader.
#include "media/players/threadqueue.h"

#include <stdlib.h>

struct MediaThreadMessage {
    MediaThreadMessage* next;
    uint32_t message;
    void* parameter;
};

void mediaQueueInit(MediaThreadQueue* q) {
    pthread_mutex_init(&q->lock, nullptr);
    pthread_cond_init(&q->ready, nullptr);
    q->head = q->tail = nullptr;
    q->closed = 0;
}

void mediaQueueDestroy(MediaThreadQueue* q, void (*release)(void* parameter)) {
    for (MediaThreadMessage* m = q->head; m;) {
        MediaThreadMessage* next = m->next;
        if (release && m->parameter) release(m->parameter);
        free(m);
        m = next;
    }
    q->head = q->tail = nullptr;
    pthread_cond_destroy(&q->ready);
    pthread_mutex_destroy(&q->lock);
}

int32_t mediaQueuePost(MediaThreadQueue* q, uint32_t message, void* parameter) {
    MediaThreadMessage* m = (MediaThreadMessage*)malloc(sizeof *m);
    if (m == nullptr) return 0;
    m->next = nullptr;
    m->message = message;
    m->parameter = parameter;
    pthread_mutex_lock(&q->lock);
    if (q->closed) {
        pthread_mutex_unlock(&q->lock);
        free(m);
        return 0;
    }
    if (q->tail)
        q->tail->next = m;
    else
        q->head = m;
    q->tail = m;
    pthread_cond_signal(&q->ready);
    pthread_mutex_unlock(&q->lock);
    return 1;
}

int32_t mediaQueueGet(MediaThreadQueue* q, uint32_t* message, void** parameter) {
    pthread_mutex_lock(&q->lock);
    while (q->head == nullptr && !q->closed) pthread_cond_wait(&q->ready, &q->lock);
    MediaThreadMessage* m = q->head;
    if (m) {
        q->head = m->next;
        if (q->head == nullptr) q->tail = nullptr;
    }
    pthread_mutex_unlock(&q->lock);
    if (m == nullptr) return 0;
    *message = m->message;
    *parameter = m->parameter;
    free(m);
    return 1;
}

void mediaQueueClose(MediaThreadQueue* q) {
    pthread_mutex_lock(&q->lock);
    q->closed = 1;
    pthread_cond_broadcast(&q->ready);
    pthread_mutex_unlock(&q->lock);
}
