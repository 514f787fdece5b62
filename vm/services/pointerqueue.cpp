// The pointer queue: append at the tail, pop from the tail, remove by value.
#include "vm/services/pointerqueue.h"

#include "vm/services/memory.h"

void queueInit(PointerQueue* queue) {
    queue->head = nullptr;
    queue->tail = nullptr;
}

int32_t queueAppend(PointerQueue* queue, void* value) {
    PointerQueueNode* node = (PointerQueueNode*)mvMemory_allocPointer(sizeof(PointerQueueNode));
    if (node == nullptr) return -1;
    node->value = value;
    node->previous = queue->tail;
    if (queue->tail != nullptr)
        queue->tail->next = node;
    else
        queue->head = node;
    queue->tail = node;
    return 0;
}

static void unlink(PointerQueue* queue, PointerQueueNode* node) {
    if (node->previous != nullptr)
        node->previous->next = node->next;
    else
        queue->head = node->next;
    if (node->next != nullptr)
        node->next->previous = node->previous;
    else
        queue->tail = node->previous;
    mvMemory_freePointer(node);
}

void* queuePop(PointerQueue* queue) {
    PointerQueueNode* node = queue->tail;
    if (node == nullptr) return nullptr;
    void* value = node->value;
    unlink(queue, node);
    return value;
}

void* queueRemove(PointerQueue* queue, void* value) {
    for (PointerQueueNode* node = queue->head; node != nullptr; node = node->next) {
        if (node->value == value) {
            unlink(queue, node);
            return value;
        }
    }
    return nullptr;
}
