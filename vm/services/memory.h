// The memory interface: pinned pointer blocks and movable handle blocks in the Java heap
// for natives, the event system and the host glue, and object locks against moves.
#pragma once

#include <stdint.h>

#include "vm/core/records.h"

// A handle block; 0 is none.
typedef uint32_t MemHandle;

enum {
    MEMORY_BLOCK_LIMIT = 0x2000000,
    SMALL_HANDLE_COUNT = 255,
    LARGE_HANDLE_BASE = 0x10000000,
    HANDLE_SEGMENTS = 32,
    HANDLE_SUBSEGMENTS = 252,
    HANDLE_SLOTS = 255,
};

// Pinned, zero-filled; null for a size outside 1..0x2000000, while the collector runs
// or when the heap has no room.
void* mvMemory_allocPointer(int32_t size);
// 0, or -1 for a null address or a failed unlock.
int32_t mvMemory_freePointer(void* address);
// Pin and unpin an object: 0, -1 for a null object or a pin count at its limit, or the
// heap check's -4 (not in the dynamic heap) or -2 (misaligned).
int32_t mvMemory_objectLock(void* object);
int32_t mvMemory_objectUnlock(void* object);

// A movable block reached through its handle; 0 when none could be had.
MemHandle mvMemory_allocHandle(int32_t size);
// Enters an allocated block into the handle table.
MemHandle AllocHandle(void* block);
int32_t freeHandle(MemHandle handle);
// The block's address, pinned until the matching unlock; 0 for a bad handle or a block
// locked at its limit.
void* handleLock(MemHandle handle);
int32_t handleUnlock(MemHandle handle);
// handleLock of a block that must carry the growable-array tag "ARRY" in its first word.
void* lockTaggedArrayBlock(MemHandle handle);
