// The Java heap: one block taken from the VM run, a dynamic part managed by an
// address-ordered free list split into a lower and an upper region, and a permanent
// space growing down from the top. Also the temporary and global root tables and pins.
#pragma once

#include "platform/vmsections.h"
#include "vm/core/records.h"

// ObjectHeader: size in words behind the header (bits 9-31), collector type (5-8),
// pin count (1-4, 15 = never moves) and the live mark (bit 0).
enum {
    HEADER_SIZE_SHIFT = 9,
    HEADER_TYPE_SHIFT = 5,
    HEADER_TYPE_MASK = 0x1E0,
    HEADER_PIN_SHIFT = 1,
    HEADER_PIN_MASK = 0x1E,
    HEADER_MARK = 1,
    PIN_COUNT_MAX = 14,
    PIN_FOREVER = 15,
};

enum {
    GCT_FREE = 0,
    GCT_NOPOINTERS = 1,
    GCT_INSTANCE = 2,
    GCT_ARRAY = 3,
    GCT_OBJECTARRAY = 4,
    GCT_METHODTABLE = 5,
    GCT_POINTERLIST = 6,
    GCT_EXECSTACK = 7,
    GCT_THREAD = 8,
    GCT_MONITOR = 9,
    GCT_WEAKPOINTERLIST = 10,
    GCT_WEAKREFERENCE = 11,
    GCT_PERMANENT = 12,
    GCT_MEMBLOCK = 13,
};

enum {
    MAXIMUM_HEAP_SIZE = 0x1fffffc,
    MAX_TEMPORARY_ROOTS = 50,
    MAX_GLOBAL_ROOTS = 50,
    CLEANUP_TABLE_SLOTS = 64,
};

inline uint32_t* headerOf(const void* object) { return (uint32_t*)object - 1; }
inline uint32_t headerSize(uint32_t header) { return header >> HEADER_SIZE_SHIFT; }
inline uint32_t headerType(uint32_t header) { return (header & HEADER_TYPE_MASK) >> HEADER_TYPE_SHIFT; }
inline uint32_t headerPins(uint32_t header) { return (header & HEADER_PIN_MASK) >> HEADER_PIN_SHIFT; }
// Words of the block that starts at its header, the header included.
inline uint32_t blockWords(const cell* block) { return headerSize((uint32_t)*block) + 1; }

// A free chunk: a header of type GCT_FREE, then the next chunk of the free list (null
// ends it); what follows is undefined. The smallest chunk that can be linked is two words.
struct FreeChunk {
    uint32_t header;
    P32<cell> next;
};
static_assert(sizeof(FreeChunk) == 8, "a free chunk starts with two words");
enum { FREE_CHUNK_MIN_WORDS = sizeof(FreeChunk) / 4 };

inline FreeChunk* asFreeChunk(cell* block) { return (FreeChunk*)block; }
inline cell* freeChunkNext(cell* chunk) { return asFreeChunk(chunk)->next; }
inline void setFreeChunkNext(cell* chunk, cell* next) { asFreeChunk(chunk)->next = next; }
inline void setFreeHeader(cell* chunk, uint32_t words) {
    asFreeChunk(chunk)->header = (words - 1) << HEADER_SIZE_SHIFT;
}
inline void setFreeChunk(cell* chunk, uint32_t words, cell* next) {
    setFreeHeader(chunk, words);
    setFreeChunkNext(chunk, next);
}

// Heap bounds
extern VMBSS int32_t HeapSize;
extern VMBSS cell* HeapStart;
extern VMBSS cell* HeapTop;
extern VMBSS cell* PermanentBoundary;
extern VMBSS cell* PermanentPointer;
extern VMBSS cell* RegionBoundary;
extern VMBSS cell* FirstFreeChunk;
extern VMBSS int32_t AllocationMode;

// Root tables. A root entry is the address of a variable that holds an object: a
// native pointer variable, or a word (a cell, a record's pointer field), marked by the
// entry's low bit, so that the collector reads and moves each at its own width. The
// value -1 opens a three-entry interior root {-1, entry of the variable holding a
// pointer into the object, the object}.
typedef uintptr_t RootEntry;
enum : uintptr_t { ROOT_WORD_TAG = 1 };
template <typename T>
inline RootEntry rootEntry(T** variable) {
    return (RootEntry)variable;
}
template <typename T>
inline RootEntry rootEntry(T* volatile* variable) {
    return (RootEntry)variable;
}
inline RootEntry rootEntry(cell* word) { return (RootEntry)word | ROOT_WORD_TAG; }
template <typename T>
inline RootEntry rootEntry(P32<T>* word) {
    return (RootEntry)word | ROOT_WORD_TAG;
}
inline bool isWordRoot(RootEntry entry) { return (entry & ROOT_WORD_TAG) != 0; }
inline void* rootVariable(RootEntry entry) { return (void*)(entry & ~ROOT_WORD_TAG); }
inline void* rootValue(RootEntry entry) {
    if (isWordRoot(entry)) return p32Address(*(uint32_t*)rootVariable(entry));
    return *(void**)entry;
}
inline void setRootValue(RootEntry entry, void* value) {
    if (isWordRoot(entry))
        *(uint32_t*)rootVariable(entry) = p32Word(value);
    else
        *(void**)entry = value;
}

extern VMBSS RootEntry TemporaryRoots[MAX_TEMPORARY_ROOTS];
extern VMBSS int32_t TemporaryRootsLength;

struct InteriorRoot {
    RootEntry mark;      // INTERIOR_ROOT_MARK
    RootEntry interior;  // the variable holding a pointer into the object
    void* object;        // the object it points into
};
static_assert(sizeof(InteriorRoot) == 3 * sizeof(RootEntry), "an interior root takes three entries");
enum : RootEntry { INTERIOR_ROOT_MARK = ~(RootEntry)0 };
enum { INTERIOR_ROOT_ENTRIES = sizeof(InteriorRoot) / sizeof(RootEntry) };

// The entry at index i of the temporary roots: an interior root, or a variable.
// temporaryRootEntries gives the entries it takes.
inline bool isInteriorRoot(int32_t i) { return TemporaryRoots[i] == INTERIOR_ROOT_MARK; }
inline InteriorRoot* interiorRootAt(int32_t i) { return (InteriorRoot*)&TemporaryRoots[i]; }
inline RootEntry temporaryRootVariable(int32_t i) { return TemporaryRoots[i]; }
inline int32_t temporaryRootEntries(int32_t i) { return isInteriorRoot(i) ? INTERIOR_ROOT_ENTRIES : 1; }
extern VMBSS RootEntry GlobalRoots[MAX_GLOBAL_ROOTS];
extern VMBSS int32_t GlobalRootsLength;
extern VMBSS cell* CleanupTable;

[[noreturn]] void fatalTemporaryRootOverflow();

inline void pushTemporaryRoot(RootEntry entry) {
    if (TemporaryRootsLength >= MAX_TEMPORARY_ROOTS) fatalTemporaryRootOverflow();
    TemporaryRoots[TemporaryRootsLength++] = entry;
}
// Registers the variable as a temporary root until the count is restored.
template <typename V>
inline void makeTemporaryRoot(V* variable) {
    pushTemporaryRoot(rootEntry(variable));
}
void pushTemporaryInteriorRoot(RootEntry interior, void* object);
// Keeps object alive and moves the interior pointer held by variable with it.
template <typename V>
inline void makeTemporaryInteriorRoot(V* variable, void* object) {
    pushTemporaryInteriorRoot(rootEntry(variable), object);
}
void pushGlobalRoot(RootEntry entry);
template <typename V>
inline void makeGlobalRoot(V* variable) {
    pushGlobalRoot(rootEntry(variable));
}

void InitializeMemoryManagement();
void InitializeHeap();
// Sets the search fingers up afresh for the free list as it is: at start and whenever
// the list was rebuilt (a collection, a grown permanent space).
void setupSearchFingers();

// words + 1 (words 0 counts as 1) with the header; null when even a collection does
// not help. The body is not cleared.
cell* mallocHeapObject(int32_t words, int type);
// The same, cleared; throws the preallocated OutOfMemoryError on failure.
cell* callocObject(int32_t words, int type);
// bytes in a block of type 1, not cleared; throws OutOfMemoryError on failure.
char* mallocBytes(int32_t bytes);
cell* callocPermanentObject(int32_t words);
cell* allocHeapObjectForPointer(int32_t words, int type);

bool memoryIsGarbageCollecting();
int lockObjectMemory(void* object);
int unlockObjectMemory(void* object);
int isStaticMemoryAddress(const void* address);
int checkHeapAddress(const void* address);
int32_t getHeapSize();
int32_t memoryFree();

// The entry into the collector (its work comes with the collector itself).
void garbageCollect(int32_t requestedWords);
bool isGarbageCollecting();
extern VMBSS int32_t CollectionSuppressed;
extern VMBSS int32_t ForcedCollectionCounter;
