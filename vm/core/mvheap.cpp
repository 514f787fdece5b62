// mvHeap block allocator. The free ring is kept sorted by size from its root, so a halving
// search over it finds the smallest block that fits; frees merge with both neighbours at
// once, so no two free blocks ever touch.

#include "vm/core/mvheap.h"

#include "platform/lowmem.h"

#include <stddef.h>

#include "vm/trace/tracelog.h"

namespace {

inline mvHeapBlock* nextBlock(const mvHeapBlock* b) {
    return reinterpret_cast<mvHeapBlock*>(b->next & ~uint32_t(MVHEAP_IN_USE));
}

inline bool inUse(const mvHeapBlock* b) { return (b->next & MVHEAP_IN_USE) != 0; }

inline mvHeapBlock* ringBlock(mvHeapRing* r) {
    return reinterpret_cast<mvHeapBlock*>(reinterpret_cast<char*>(r) - offsetof(mvHeapBlock, ring));
}

inline uintptr_t heapEnd(const mvHeapDescriptor* h) { return reinterpret_cast<uintptr_t>(h) + h->size; }

inline uintptr_t firstBlockAddress(const mvHeapDescriptor* h) {
    return reinterpret_cast<uintptr_t>(h) + sizeof(mvHeapDescriptor);
}

// Halving search over the sorted ring: the smallest block of at least n bytes, or, when
// none is that large, a block smaller than n (the caller checks the size).
mvHeapBlock* findFree(mvHeapDescriptor* h, uint32_t n) {
    mvHeapBlock* start = h->freeRoot;
    uint32_t count = h->freeCount;
    if (!start || !count) return nullptr;
    while (count > 1) {
        uint32_t index = (count + 1) / 2 - 1;
        mvHeapBlock* mid = start;
        for (uint32_t i = 0; i < index; i++) mid = ringBlock(mid->ring.next);
        if (mid->size == n) return mid;
        if (mid->size < n) {
            start = ringBlock(mid->ring.next);
        } else if (ringBlock(mid->ring.previous)->size < n) {
            return mid;
        }
        count -= index + 1;
    }
    return start;
}

void makeSoleRing(mvHeapDescriptor* h, mvHeapBlock* b) {
    b->ring.next = b->ring.previous = &b->ring;
    h->freeRoot = b;
}

// Takes b off the ring, moving the root on when b was it; the count is the caller's.
// Answers whether b was the only free block.
bool ringUnlink(mvHeapDescriptor* h, mvHeapBlock* b) {
    if (b->ring.next == &b->ring) {
        h->freeRoot = nullptr;
        return true;
    }
    if (h->freeRoot == b) h->freeRoot = ringBlock(b->ring.next);
    b->ring.previous->next = b->ring.next;
    b->ring.next->previous = b->ring.previous;
    return false;
}

// Puts a free block of b->size bytes into the ring at its place by size; count + 1.
void ringInsert(mvHeapDescriptor* h, mvHeapBlock* b) {
    mvHeapBlock* found = findFree(h, b->size);
    if (!found) {
        makeSoleRing(h, b);
    } else if (found->size >= b->size) {
        mvHeapRing* before = found->ring.previous;
        b->ring.next = &found->ring;
        b->ring.previous = before;
        before->next = &b->ring;
        found->ring.previous = &b->ring;
        if (b->size < ringBlock(before)->size) h->freeRoot = b;
    } else {
        mvHeapRing* after = found->ring.next;
        b->ring.previous = &found->ring;
        b->ring.next = after;
        after->previous = &b->ring;
        found->ring.next = &b->ring;
    }
    h->freeCount++;
}

bool validDescriptor(const mvHeapDescriptor* h) { return h && h->magic == MVHEAP_MAGIC && h->base == h; }

// A block header this heap could hold: aligned, inside the managed block, past the descriptor.
bool blockInHeap(const mvHeapDescriptor* h, uintptr_t b) {
    return (b & 3) == 0 && b >= firstBlockAddress(h) && b < heapEnd(h) && heapEnd(h) - b >= MVHEAP_HEADER;
}

// Whether b is an allocated block whose address-list neighbours point back at it.
bool allocatedBlock(mvHeapDescriptor* h, mvHeapBlock* b) {
    if (!inUse(b)) return false;
    mvHeapBlock* next = nextBlock(b);
    mvHeapBlock* previous = b->previous;
    if (next != &h->sentinel &&
        (!blockInHeap(h, reinterpret_cast<uintptr_t>(next)) || next <= b || next->previous != b))
        return false;
    if (previous != &h->sentinel &&
        (!blockInHeap(h, reinterpret_cast<uintptr_t>(previous)) || previous >= b || nextBlock(previous) != b))
        return false;
    if (previous == &h->sentinel && nextBlock(&h->sentinel) != b) return false;
    if (next == &h->sentinel && h->sentinel.previous != b) return false;
    return true;
}

}  // namespace

mvHeapDescriptor* mvHeap_initialize(void* block, int32_t size) {
    uintptr_t start = reinterpret_cast<uintptr_t>(block);
    // An unaligned block is refused: an odd sentinel address would carry the in-use bit,
    // and the first block would run past the block's end.
    // Its block links are words: the whole block must lie in the low window.
    if (!block || (start & 3) != 0 || size < MVHEAP_MIN_SIZE || !isLowAddress((const char*)block + size)) {
        mvTraceLog_error("[mvHeap_initialize] cannot init heap (%p,%d)\n", block, size);
        return nullptr;
    }
    mvHeapDescriptor* h = static_cast<mvHeapDescriptor*>(block);
    uintptr_t first = start + sizeof(mvHeapDescriptor);
    mvHeapBlock* b = reinterpret_cast<mvHeapBlock*>(first);
    h->base = h;
    h->size = uint32_t(size);
    h->sentinel.next = p32Word((const void*)first) | MVHEAP_IN_USE;
    h->sentinel.previous = b;
    h->sentinel.ring.next = nullptr;
    h->sentinel.ring.previous = nullptr;
    h->sentinel.size = 0;
    h->magic = MVHEAP_MAGIC;
    b->next = p32Word(&h->sentinel);
    b->previous = &h->sentinel;
    b->size = uint32_t(size) - uint32_t(sizeof(mvHeapDescriptor));
    makeSoleRing(h, b);
    h->freeCount = 1;
    return h;
}

void* mvHeap_alloc(mvHeapDescriptor* heap, int32_t size) {
    if (!validDescriptor(heap) || size <= 0) {
        mvTraceLog_error("[mvHeap_alloc] cannot allocate (%p,%d)\n", (void*)heap, size);
        return nullptr;
    }
    uint32_t n = ((uint32_t(size) + 3) & ~3u) + MVHEAP_HEADER;
    mvHeapBlock* b = findFree(heap, n);
    if (!b || b->size < n) return nullptr;
    ringUnlink(heap, b);
    heap->freeCount--;
    if (b->size - n > MVHEAP_MIN_FREE) {
        mvHeapBlock* rest = reinterpret_cast<mvHeapBlock*>(reinterpret_cast<char*>(b) + n);
        rest->size = b->size - n;
        rest->next = b->next;
        rest->previous = b;
        nextBlock(b)->previous = rest;
        b->next = p32Word(rest);
        ringInsert(heap, rest);
    }
    b->next |= MVHEAP_IN_USE;
    return reinterpret_cast<char*>(b) + MVHEAP_HEADER;
}

void mvHeap_free(mvHeapDescriptor* heap, void* address) {
    if (!validDescriptor(heap)) {
        mvTraceLog_error("[mvHeap_free] cannot free (%p,%p)\n", (void*)heap, (void*)address);
        return;
    }
    if (!address) return;
    uintptr_t at = (reinterpret_cast<uintptr_t>(address) - MVHEAP_HEADER) & ~uintptr_t(3);
    mvHeapBlock* b = reinterpret_cast<mvHeapBlock*>(at);
    // Freeing twice or freeing a foreign pointer would break the lists for good.
    if (reinterpret_cast<uintptr_t>(address) < MVHEAP_HEADER || !blockInHeap(heap, at) || !allocatedBlock(heap, b)) {
        mvTraceLog_error("[mvHeap_free] cannot free (%p,%p)\n", (void*)heap, (void*)address);
        return;
    }

    b->next &= ~uint32_t(MVHEAP_IN_USE);
    mvHeapBlock* next = nextBlock(b);
    b->size = next == &heap->sentinel ? uint32_t(heapEnd(heap) - at) : uint32_t(reinterpret_cast<uintptr_t>(next) - at);

    if (!inUse(next)) {
        b->size += next->size;
        bool alone = ringUnlink(heap, next);
        b->next = next->next;
        nextBlock(next)->previous = b;
        if (alone) {
            makeSoleRing(heap, b);
            return;
        }
        heap->freeCount--;
    }

    mvHeapBlock* previous = b->previous;
    if (!inUse(previous)) {
        previous->size += b->size;
        bool alone = ringUnlink(heap, previous);
        previous->next = b->next;
        nextBlock(b)->previous = previous;
        if (alone) {
            makeSoleRing(heap, previous);
            return;
        }
        heap->freeCount--;
        b = previous;
    }
    ringInsert(heap, b);
}
