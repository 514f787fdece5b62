// Heap layout and allocation. The dynamic heap is walkable: every block, free or not,
// starts with its header, and blocks follow each other without gaps. Free chunks are
// chained in address order; the lower region (below RegionBoundary) serves the memory
// interface first, the upper region ordinary objects first, which keeps long-lived
// host blocks away from the objects the collector compacts.
#include "vm/core/heap.h"

#include "platform/lowmem.h"

#include <stdlib.h>
#include <string.h>

#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/gc.h"
#include "vm/core/romimage.h"
#include "vm/core/thread.h"
#include "vm/trace/tracelog.h"

VMBSS int32_t HeapSize;
VMBSS cell* HeapStart;
VMBSS cell* HeapTop;
VMBSS cell* PermanentBoundary;
VMBSS cell* PermanentPointer;
VMBSS cell* RegionBoundary;
VMBSS cell* FirstFreeChunk;
VMBSS int32_t AllocationMode;

VMBSS RootEntry TemporaryRoots[MAX_TEMPORARY_ROOTS];
VMBSS int32_t TemporaryRootsLength;
VMBSS RootEntry GlobalRoots[MAX_GLOBAL_ROOTS];
VMBSS int32_t GlobalRootsLength;
VMBSS cell* CleanupTable;

VMBSS int32_t CollectionSuppressed;
VMBSS int32_t ForcedCollectionCounter;

void fatalTemporaryRootOverflow() { fatalVMError("Temporary root overflow: more than 50 temporary roots"); }

void pushTemporaryInteriorRoot(RootEntry interior, void* object) {
    if (TemporaryRootsLength + INTERIOR_ROOT_ENTRIES > MAX_TEMPORARY_ROOTS) fatalTemporaryRootOverflow();
    *interiorRootAt(TemporaryRootsLength) = {INTERIOR_ROOT_MARK, interior, object};
    TemporaryRootsLength += INTERIOR_ROOT_ENTRIES;
}

void pushGlobalRoot(RootEntry entry) {
    if (GlobalRootsLength >= MAX_GLOBAL_ROOTS) fatalVMError("Global root overflow");
    GlobalRoots[GlobalRootsLength++] = entry;
}

void InitializeMemoryManagement() {
    CollectorNesting = 0;
    const char* stress = getenv("MOVANE_GC_STRESS");
    CollectOnEveryAllocation = stress != nullptr ? atoi(stress) : 0;
    InitializeHeap();
    GlobalRoots[0] = rootEntry(&AllThreads);
    GlobalRoots[1] = rootEntry(&CleanupTable);
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
        setFreeChunkNext(p, nullptr);
        if (last)
            setFreeChunkNext(last, p);
        else
            FirstFreeChunk = p;
        last = p;
    }
}

void InitializeHeap() {
    int32_t size = 0;
    void* start = nullptr;
    allocateHeapBlock(&size, &start);
    size &= ~3;
    if ((uint32_t)size > MAXIMUM_HEAP_SIZE) {
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "too large memory %d. memory size must be less than %d.", size,
                  MAXIMUM_HEAP_SIZE);
        fatalVMError(MessageBuffer);
    }
    if (start == nullptr || size < 16) fatalVMError("Not enough memory to initialize the system");
    // object references are words
    if (!isLowAddress((char*)start + size - 1)) fatalVMError("The Java heap must lie in the low memory window");
    HeapSize = size;
    HeapStart = (cell*)start;
    HeapTop = (cell*)((char*)start + size);
    PermanentBoundary = HeapTop;
    PermanentPointer = HeapTop;
    AllocationMode = 0;
    ForcedCollectionCounter = 0;
    int32_t words = size / 4;
    setFreeHeader(HeapStart, words);
    setFreeChunkNext(HeapStart, nullptr);
    FirstFreeChunk = HeapStart;
    // one eighth of the dynamic heap: (bytes >> 5) words
    RegionBoundary = HeapStart + (((char*)PermanentBoundary - (char*)HeapStart) >> 5);
    // A lower chunk needs room for its header and its link.
    if ((char*)PermanentBoundary - (char*)HeapStart >= 32 && RegionBoundary - HeapStart >= 2) {
        cell* upper = RegionBoundary;
        setFreeHeader(HeapStart, upper - HeapStart);
        setFreeHeader(upper, words - (upper - HeapStart));
        setFreeChunkNext(HeapStart, upper);
        setFreeChunkNext(upper, nullptr);
    }
    setupSearchFingers();
}

// Search fingers. Each region keeps a list of records ordered by size, from a base
// record of size 1 up to a sentinel; a record's position is a free chunk (null: the
// list head) up to which no chunk of the region can hold a request of its size, so a
// search for that size may start behind it.
struct SearchFinger {
    int32_t size;  // words requested, header included
    P32<cell> position;
    P32<SearchFinger> next;      // the next smaller size
    P32<SearchFinger> previous;  // the next larger size
};
static_assert(sizeof(SearchFinger) == 16, "a finger record is four words");

enum { LOWER_LIST = 0, UPPER_LIST = 1, FINGER_POOL_RECORDS = 48, SENTINEL_SIZE = 0x7fffffff };

// The two base records, then the pool both lists draw from.
VMBSS static SearchFinger FingerRecords[2 + FINGER_POOL_RECORDS];
VMBSS static SearchFinger FingerSentinels[2];
VMBSS static SearchFinger* FingerPool;

static_assert(sizeof(FingerRecords) == 200 * 4, "the fingers take 200 words");

// The last free chunk that starts below the region boundary, or null.
static cell* lastChunkBelowBoundary() {
    cell* last = nullptr;
    for (cell* c = FirstFreeChunk; c != nullptr && c < RegionBoundary; c = freeChunkNext(c)) last = c;
    return last;
}

void setupSearchFingers() {
    FingerPool = nullptr;
    for (int i = 2 + FINGER_POOL_RECORDS - 1; i >= 2; i--) {
        FingerRecords[i].next = FingerPool;
        FingerPool = &FingerRecords[i];
    }
    for (int list = LOWER_LIST; list <= UPPER_LIST; list++) {
        SearchFinger* base = &FingerRecords[list];
        SearchFinger* sentinel = &FingerSentinels[list];
        *base = {1, nullptr, nullptr, sentinel};
        *sentinel = {SENTINEL_SIZE, nullptr, base, nullptr};
    }
    FingerRecords[UPPER_LIST].position = lastChunkBelowBoundary();
}

static inline void unlinkFinger(SearchFinger* f) {
    f->next->previous = f->previous;
    f->previous->next = f->next;
}

// Links f in directly above below.
static inline void linkFingerAbove(SearchFinger* f, SearchFinger* below) {
    f->next = below;
    f->previous = below->previous;
    below->previous->next = f;
    below->previous = f;
}

// A search for `words` that started from f and stopped at chunk (null: nothing fitted)
// walked every chunk up to prev: remember that for later searches of this size.
static void learnFromSearch(int list, SearchFinger* f, uint32_t words, cell* chunk, cell* prev) {
    SearchFinger* sentinel = &FingerSentinels[list];
    if ((uint32_t)f->size == words || prev == f->position) {
        f->position = prev;
        return;
    }
    // Larger fingers that stop at or before the chunk taken know less than this search:
    // the smallest serves the requested size, the others go back to the pool.
    SearchFinger* made = nullptr;
    for (SearchFinger* g = f->previous; g != sentinel;) {
        SearchFinger* above = g->previous;
        if (chunk == nullptr || g->position == nullptr || g->position <= chunk) {
            unlinkFinger(g);
            if (made == nullptr) {
                made = g;
                linkFingerAbove(made, f);
            } else {
                g->next = FingerPool;
                FingerPool = g;
            }
        }
        g = above;
    }
    if (made == nullptr && FingerPool != nullptr) {
        made = FingerPool;
        FingerPool = made->next;
        linkFingerAbove(made, f);
    } else if (made == nullptr) {
        if (f->size == 1) return;  // a base record keeps its size and place
        made = f;
    }
    made->size = (int32_t)words;
    made->position = prev;
}

// Fingers that stopped at a chunk now taken stop at what is left of it in the list.
static void moveFingersOffChunk(cell* taken, cell* replacement) {
    for (int list = LOWER_LIST; list <= UPPER_LIST; list++) {
        for (SearchFinger* f = &FingerRecords[list]; f != &FingerSentinels[list]; f = f->previous) {
            if (f->position == taken) f->position = replacement;
        }
    }
}

// Takes `words` (header included) from the chunk behind prev (prev null: the list head).
static cell* takeChunk(cell* prev, cell* chunk, uint32_t words, int type) {
    uint32_t have = blockWords(chunk);
    if (have <= words + 1) {
        cell* next = freeChunkNext(chunk);
        if (prev)
            setFreeChunkNext(prev, next);
        else
            FirstFreeChunk = next;
        chunk[0] = (cell)(((have - 1) << HEADER_SIZE_SHIFT) | (type << HEADER_TYPE_SHIFT));
        moveFingersOffChunk(chunk, prev);
    } else {
        cell* rest = chunk + words;
        setFreeHeader(rest, have - words);
        setFreeChunkNext(rest, freeChunkNext(chunk));
        if (prev)
            setFreeChunkNext(prev, rest);
        else
            FirstFreeChunk = rest;
        chunk[0] = (cell)(((words - 1) << HEADER_SIZE_SHIFT) | (type << HEADER_TYPE_SHIFT));
        moveFingersOffChunk(chunk, rest);
        // the upper list starts behind the last chunk below the boundary
        SearchFinger* upperBase = &FingerRecords[UPPER_LIST];
        if (upperBase->position == rest && rest >= RegionBoundary) upperBase->position = prev;
    }
    return chunk + 1;
}

// First fit in address order within a region, starting behind the finger of the
// largest size not above the request. The lower region ends at the first chunk at or
// above the boundary, the upper one at the end of the list.
static cell* allocateFromRegion(int list, uint32_t words, int type) {
    SearchFinger* f = &FingerRecords[list];
    while ((uint32_t)f->previous->size <= words) f = f->previous;
    cell* prev = f->position;
    cell* c = prev != nullptr ? freeChunkNext(prev) : FirstFreeChunk;
    for (; c != nullptr; prev = c, c = freeChunkNext(c)) {
        if (list == LOWER_LIST && c >= RegionBoundary) {
            c = nullptr;
            break;
        }
        if (blockWords(c) >= words) break;
    }
    learnFromSearch(list, f, words, c, prev);
    return c != nullptr ? takeChunk(prev, c, words, type) : nullptr;
}

static inline cell* allocateLower(uint32_t words, int type) { return allocateFromRegion(LOWER_LIST, words, type); }
static inline cell* allocateUpper(uint32_t words, int type) { return allocateFromRegion(UPPER_LIST, words, type); }

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
    for (cell* c = FirstFreeChunk; c != nullptr; c = freeChunkNext(c)) last = c;
    if (last && last + blockWords(last) == PermanentBoundary) return last;
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
        RegionBoundary =
            lowered < (uintptr_t)HeapStart || lowered > (uintptr_t)RegionBoundary ? HeapStart : (cell*)lowered;
        setFreeHeader(last, newBoundary - last);
        PermanentBoundary = newBoundary;
        PermanentPointer = newPointer;
        rebuildFreeList();
        setupSearchFingers();
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
    for (cell* c = FirstFreeChunk; c != nullptr; c = freeChunkNext(c)) total += (int32_t)blockWords(c) * 4;
    return total;
}
