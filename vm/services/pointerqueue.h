// A small doubly linked list of 32-bit values whose nodes are pointer blocks of the
// memory interface; the caller owns the two-word header.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

// Values, like the nodes, lie in the low window: each is held in a word.
struct PointerQueueNode {
    P32<void> value;
    P32<PointerQueueNode> previous;
    P32<PointerQueueNode> next;
};
static_assert(sizeof(PointerQueueNode) == 12, "a node is three words");

struct PointerQueue {
    P32<PointerQueueNode> head;
    P32<PointerQueueNode> tail;
};
static_assert(sizeof(PointerQueue) == 8, "the header is two words");

// Empties the header; nodes still linked are not released.
void queueInit(PointerQueue* queue);
// 0, or -1 when no node could be had (the list is unchanged).
int32_t queueAppend(PointerQueue* queue, void* value);
// The value of the tail node, which is released; null when empty.
void* queuePop(PointerQueue* queue);
// Unlinks the first node from the head holding value; the value, or null when none does.
void* queueRemove(PointerQueue* queue, void* value);
