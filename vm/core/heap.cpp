// Heap layout and allocation. The dynamic heap is walkable: every block, free or not,
// starts with its header, and blocks follow each other without gaps. Free chunks are
// chained in address order; the lower region (below RegionBoundary) serves the memory
// interface first, the upper region ordinary objects first, which keeps long-lived
// host blocks away from the objects the collector compacts.
#include "vm/core/heap.h"

#include <stdlib.h>
#include <string.h>

#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/gc.h"
#include "vm/core/romimage.h"
#include "vm/core/thread.h"
#include "vm/services/tracelog.h"

VMBSS int32_t HeapSize;
VMBSS cell* HeapStart;
VMBSS cell* HeapTop;
VMBSS cell* PermanentBoundary;
VMBSS cell* PermanentPointer;
VMBSS cell* RegionBoundary;
VMBSS cell* FirstFreeChunk;
VMBSS int32_t AllocationMode;

VMBSS cell TemporaryRoots[MAX_TEMPORARY_ROOTS];
VMBSS int32_t TemporaryRootsLength;
VMBSS cell* GlobalRoots[MAX_GLOBAL_ROOTS];
VMBSS int32_t GlobalRootsLength;
VMBSS cell* CleanupTable;

VMBSS int32_t CollectionSuppressed;
VMBSS int32_t ForcedCollectionCounter;

// A free chunk: header, then the next chunk (0 ends the list).
static inline cell* chunkNext(cell* chunk) { return (cell*)(uintptr_t)chunk[1]; }
static inline void setChunkNext(cell* chunk, cell* next) { chunk[1] = (cell)(uintptr_t)next; }
static inline uint32_t chunkWords(cell* chunk) { return headerSize((uint32_t)chunk[0]) + 1; }
static inline void setFreeHeader(cell* chunk, uint32_t words) { chunk[0] = (cell)((words - 1) << HEADER_SIZE_SHIFT); }

void fatalTemporaryRootOverflow() {
    fatalVMError("Temporary root overflow: more than 50 temporary roots");
}

void makeTemporaryInteriorRoot(void* address, void* object) {
    if (TemporaryRootsLength + 3 > MAX_TEMPORARY_ROOTS) fatalTemporaryRootOverflow();
    TemporaryRoots[TemporaryRootsLength++] = -1;
    TemporaryRoots[TemporaryRootsLength++] = (cell)(uintptr_t)address;
    TemporaryRoots[TemporaryRootsLength++] = (cell)(uintptr_t)object;
}

void makeGlobalRoot(void* address) {
    if (GlobalRootsLength >= MAX_GLOBAL_ROOTS) fatalVMError("Global root overflow");
    GlobalRoots[GlobalRootsLength++] = (cell*)address;
}

void InitializeMemoryManagement() {
    CollectorNesting = 0;
    const char* stress = getenv("MOVANE_GC_STRESS");
    CollectOnEveryAllocation = stress != nullptr ? atoi(stress) : 0;
    InitializeHeap();
    GlobalRoots[0] = (cell*)&AllThreads;
    GlobalRoots[1] = (cell*)&CleanupTable;
    GlobalRootsLength = 2;
    TemporaryRootsLength = 0;
    CleanupTable = callocObject(CLEANUP_TABLE_SLOTS + 1, GCT_POINTERLIST);
}

// Links every free block of the dynamic heap in address order.
static void rebuildFreeList() {
    cell* last = nullptr;
    FirstFreeChunk = nullptr;
    for (cell* p = HeapStart; p < PermanentBoundary; p += headerSize((uint32_t)*p) + 1) {
        if (headerType((uint32_t)*p) != GCT_FREE) continue;
        setChunkNext(p, nullptr);
        if (last) setChunkNext(last, p);
        else FirstFreeChunk = p;
        last = p;
    }
}

void InitializeHeap() {
    int32_t size = 0;
    void* start = nullptr;
    allocateHeapBlock(&size, &start);
    size &= ~3;
    if ((uint32_t)size > MAXIMUM_HEAP_SIZE) {
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "too large memory %d. memory size must be less than %d.",
                  size, MAXIMUM_HEAP_SIZE);
        fatalVMError(MessageBuffer);
    }
    if (start == nullptr || size < 16) fatalVMError("Not enough memory to initialize the system");
    HeapSize = size;
    HeapStart = (cell*)start;
    HeapTop = (cell*)((char*)start + size);
    PermanentBoundary = HeapTop;
    PermanentPointer = HeapTop;
    AllocationMode = 0;
    ForcedCollectionCounter = 0;
    int32_t words = size / 4;
    setFreeHeader(HeapStart, words);
    setChunkNext(HeapStart, nullptr);
    FirstFreeChunk = HeapStart;
    RegionBoundary = HeapStart + ((PermanentBoundary - HeapStart) >> 5);
    // A lower chunk needs room for its header and its link.
    if ((char*)PermanentBoundary - (char*)HeapStart >= 32 && RegionBoundary - HeapStart >= 2) {
        cell* upper = RegionBoundary;
        setFreeHeader(HeapStart, upper - HeapStart);
        setFreeHeader(upper, words - (upper - HeapStart));
        setChunkNext(HeapStart, upper);
        setChunkNext(upper, nullptr);
    }
}

// Takes `words` (header included) from the chunk behind prev (prev null: the list head).
static cell* takeChunk(cell* prev, cell* chunk, uint32_t words, int type) {
    uint32_t have = chunkWords(chunk);
    if (have <= words + 1) {
        cell* next = chunkNext(chunk);
        if (prev) setChunkNext(prev, next);
        else FirstFreeChunk = next;
        chunk[0] = (cell)(((have - 1) << HEADER_SIZE_SHIFT) | (type << HEADER_TYPE_SHIFT));
    } else {
        cell* rest = chunk + words;
        setFreeHeader(rest, have - words);
        setChunkNext(rest, chunkNext(chunk));
        if (prev) setChunkNext(prev, rest);
        else FirstFreeChunk = rest;
        chunk[0] = (cell)(((words - 1) << HEADER_SIZE_SHIFT) | (type << HEADER_TYPE_SHIFT));
    }
    return chunk + 1;
}

// First fit among the chunks that start below the region boundary.
static cell* allocateLower(uint32_t words, int type) {
    cell* prev = nullptr;
    for (cell* c = FirstFreeChunk; c != nullptr && c < RegionBoundary; prev = c, c = chunkNext(c)) {
        if (chunkWords(c) >= words) return takeChunk(prev, c, words, type);
    }
    return nullptr;
}

// First fit among the chunks at or above the region boundary.
static cell* allocateUpper(uint32_t words, int type) {
    cell* prev = nullptr;
    cell* c = FirstFreeChunk;
    while (c != nullptr && c < RegionBoundary) {
        prev = c;
        c = chunkNext(c);
    }
    for (; c != nullptr; prev = c, c = chunkNext(c)) {
        if (chunkWords(c) >= words) return takeChunk(prev, c, words, type);
    }
    return nullptr;
}

static cell* allocateFromRegions(uint32_t words, int type) {
    if (AllocationMode == 0) {
        cell* p = allocateUpper(words, type);
        return p ? p : allocateLower(words, type);
    }
    cell* p = allocateLower(words, type);
    return p ? p : allocateUpper(words, type);
}

cell* mallocHeapObject(int32_t words, int type) {
    if (words < 1) words = 1;
    uint32_t total = (uint32_t)words + 1;
    if (CollectOnEveryAllocation != 0 && CollectorNesting == 0)
        garbageCollect(CollectOnEveryAllocation > 1 ? HeapSize / 4 : (int32_t)total);
    cell* p = allocateFromRegions(total, type);
    if (p == nullptr) {
        garbageCollect(total);
        p = allocateFromRegions(total, type);
    }
    return p;
}

cell* callocObject(int32_t words, int type) {
    cell* p = mallocHeapObject(words, type);
    if (p == nullptr) throwObject(OutOfMemoryObject);
    memset(p, 0, (size_t)(words < 1 ? 1 : words) * 4);
    return p;
}

char* mallocBytes(int32_t bytes) {
    cell* p = mallocHeapObject((bytes + 3) / 4, GCT_NOPOINTERS);
    if (p == nullptr) throwObject(OutOfMemoryObject);
    return (char*)p;
}

// The last free chunk of the dynamic heap, when it ends at the permanent boundary.
static cell* lastChunkAtBoundary() {
    cell* last = nullptr;
    for (cell* c = FirstFreeChunk; c != nullptr; c = chunkNext(c)) last = c;
    if (last && last + chunkWords(last) == PermanentBoundary) return last;
    return nullptr;
}

static bool chunkQualifies(cell* newBoundary) {
    cell* last = lastChunkAtBoundary();
    return last && (char*)last + 8 <= (char*)newBoundary;
}

cell* callocPermanentObject(int32_t words) {
    // Stress runs also compact before permanent allocations, which may collect too.
    if (CollectOnEveryAllocation != 0 && CollectorNesting == 0) garbageCollect(HeapSize / 4);
    cell* newPointer = PermanentPointer - words;
    if (newPointer >= PermanentBoundary) {
        PermanentPointer = newPointer;
        return newPointer;
    }
    cell* newBoundary = PermanentBoundary;
    while (newBoundary > newPointer) newBoundary = (cell*)((char*)newBoundary - 2048);
    if ((uintptr_t)newBoundary < (uintptr_t)HeapStart) newBoundary = HeapStart;
    if (!chunkQualifies(newBoundary)) {
        garbageCollect(HeapSize / 4);
        if (!chunkQualifies(newBoundary)) newBoundary = PermanentBoundary - words;
    }
    if (chunkQualifies(newBoundary)) {
        cell* last = lastChunkAtBoundary();
        int32_t taken = (char*)PermanentBoundary - (char*)newBoundary;
        memset(newBoundary, 0, taken);
        uintptr_t lowered = (uintptr_t)RegionBoundary - 4 * (uintptr_t)taken;
        RegionBoundary = lowered < (uintptr_t)HeapStart || lowered > (uintptr_t)RegionBoundary ? HeapStart : (cell*)lowered;
        setFreeHeader(last, newBoundary - last);
        PermanentBoundary = newBoundary;
        PermanentPointer = newPointer;
        rebuildFreeList();
        return newPointer;
    }
    cell* p = mallocHeapObject(words, GCT_PERMANENT);
    if (p == nullptr) fatalVMError("Unable to expand permanent memory");
    memset(p, 0, (size_t)(words < 1 ? 1 : words) * 4);
    *headerOf(p) |= PIN_FOREVER << HEADER_PIN_SHIFT;
    return p;
}

cell* allocHeapObjectForPointer(int32_t words, int type) {
    if (ForcedCollectionCounter > 100) {
        garbageCollect((words < 1 ? 1 : words) + 1);
        ForcedCollectionCounter = 0;
    }
    ForcedCollectionCounter++;
    AllocationMode = 1;
    cell* p = mallocHeapObject(words, type);
    AllocationMode = 0;
    return p;
}


int lockObjectMemory(void* object) {
    // permanent space and the image never move, and their objects have no header word
    if (isStaticMemoryAddress(object)) return 0;
    uint32_t* h = headerOf(object);
    if (headerType(*h) == GCT_PERMANENT) return 0;
    uint32_t pins = headerPins(*h);
    if (pins >= PIN_COUNT_MAX) return -1;
    *h = (*h & ~(uint32_t)HEADER_PIN_MASK) | ((pins + 1) << HEADER_PIN_SHIFT);
    return 0;
}

int unlockObjectMemory(void* object) {
    // permanent space and the image never move, and their objects have no header word
    if (isStaticMemoryAddress(object)) return 0;
    uint32_t* h = headerOf(object);
    if (headerType(*h) == GCT_PERMANENT) return 0;
    uint32_t pins = headerPins(*h);
    if (pins == 0) return -1;
    *h = (*h & ~(uint32_t)HEADER_PIN_MASK) | ((pins - 1) << HEADER_PIN_SHIFT);
    return 0;
}

int isStaticMemoryAddress(const void* address) {
    uintptr_t a = (uintptr_t)address;
    if (address == MessageBuffer) return 1;
    if (isRomClassAddress(address) || isInRomCodeRange(address) || isInRomTableRange(address)) return 1;
    return a >= (uintptr_t)PermanentBoundary && a < (uintptr_t)HeapTop;
}

int checkHeapAddress(const void* address) {
    uintptr_t a = (uintptr_t)address;
    if (a < (uintptr_t)HeapStart || a >= (uintptr_t)PermanentBoundary) return -4;
    return (a & 3) ? -2 : 0;
}

int32_t getHeapSize() { return HeapSize; }

int32_t memoryFree() {
    int32_t total = 0;
    for (cell* c = FirstFreeChunk; c != nullptr; c = chunkNext(c)) total += (int32_t)chunkWords(c) * 4;
    return total;
}
