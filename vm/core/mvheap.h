// mvHeap: a block allocator inside one caller-supplied memory block, apart from the Java
// heap and its collector. Blocks are freed explicitly and merge with free neighbours at
// once; the descriptor sits at the start of the managed block, so it needs no memory of its own.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

// Links of the free ring; a block's ring words point at the ring words of other blocks.
struct mvHeapRing {
    P32<mvHeapRing> next;
    P32<mvHeapRing> previous;
};

// Block header. All blocks form one address-ordered circular list closed by the
// descriptor's sentinel; free blocks also form a ring sorted by ascending size.
struct mvHeapBlock {
    uint32_t next;              // next block in address order; MVHEAP_IN_USE while allocated
    P32<mvHeapBlock> previous;  // previous block in address order
    mvHeapRing ring;            // free blocks only
    uint32_t size;              // bytes, header included; free blocks only (data starts here)
};
static_assert(sizeof(mvHeapBlock) == 20, "block header is five words");
static_assert(sizeof(mvHeapRing) == 8, "ring links are two words");

struct mvHeapDescriptor {
    P32<mvHeapDescriptor> base;  // the descriptor's own address
    uint32_t size;               // bytes of the managed block
    mvHeapBlock sentinel;        // always in use, size 0
    P32<mvHeapBlock> freeRoot;   // smallest free block (its header), or null
    uint32_t freeCount;
    uint32_t magic;
};
static_assert(sizeof(mvHeapDescriptor) == 40, "descriptor is ten words");

enum {
    MVHEAP_IN_USE = 1,
    MVHEAP_MAGIC = 0x12132623,
    MVHEAP_HEADER = 16,    // bytes an allocation costs beyond its data
    MVHEAP_MIN_FREE = 20,  // smallest free block
    MVHEAP_MIN_SIZE = 60,  // descriptor and one free block
};

// Makes a heap over [block, block + size); null (logged) for a null block, a block not
// aligned to four bytes, or one too small to hold the descriptor and one free block.
mvHeapDescriptor* mvHeap_initialize(void* block, int32_t size);
// The smallest free block that fits; null when none fits. A null or damaged descriptor and
// sizes of 0 or less are logged.
void* mvHeap_alloc(mvHeapDescriptor* heap, int32_t size);
// Frees and merges with free neighbours. A null address does nothing; a null or damaged
// descriptor, or an address that is not an allocated block of this heap (a double free,
// a foreign pointer, a damaged header), is logged and ignored.
void mvHeap_free(mvHeapDescriptor* heap, void* address);
