// The garbage collector.
//
// Invariants:
// - A collection runs only inside an allocation (or the explicit gc native), on the
//   interpreter's thread, never nested. The current thread's registers are saved into
//   its record before and reloaded after, so every frame is described by a record.
// - Marking sets bit 0 of the header. A block survives the sweep when bit 0 or a pin
//   bit is set; pinned blocks are scanned like marked ones, so nothing a pinned block
//   refers to is freed under it.
// - Only the referent slot of a weak reference and the entries of a cleanup list are
//   weak; everything else a live block refers to is marked.
// - Nothing moves unless the largest free chunk is too small for the request. Then a
//   compaction pass moves unpinned blocks from the cursor upward into free space below
//   them and records each change of distance in the break table; every pointer (roots,
//   frames, block contents, interior pointers) is then lowered by the distance of the
//   last entry at or below it. Pinned blocks and permanent space never move.
// - The passes of a full compaction cover one address range after the other and only
//   read block headers, so their entries are gathered outside the Java heap and every
//   pointer is relocated once at the end: the pause grows with the heap, not with its
//   square. Without memory for the gathered entries each pass relocates on its own.
// - After a collection, any object pointer held in a C local that is not a registered
//   root may be stale: callers re-read what they did not register. HeapMoves and
//   ChunkMoves count the moves, so that VM_ASSERT can catch a pointer kept too long.
// - Checked with VM_ASSERT: the mark queue is empty after marking, the break entries
//   (of a pass and gathered over passes) grow in address order, nothing is left to
//   relocate once compaction ends, and the free list is in address order and holds free
//   chunks of the dynamic heap only.
#include "vm/core/gc.h"

#include <stdlib.h>
#include <string.h>

#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/interp.h"
#include "vm/core/monitor.h"
#include "vm/core/romimage.h"
#include "vm/core/stackmap.h"
#include "vm/core/tables.h"
#include "vm/core/thread.h"

VMBSS int32_t CollectOnEveryAllocation;
VMBSS int32_t CollectorNesting;
VMBSS int32_t CollectorRunning;
VMBSS cell* CompactionCursor;
VMBSS int32_t CollectionCount;
VMBSS int32_t CompactionPassCount;
VMBSS uint32_t HeapMoves;
VMBSS uint32_t ChunkMoves;

// Slot of java/lang/Thread that holds its ThreadRecord as an int.
enum { THREAD_RECORD_FIELD = 1 };
// Slots of a weak reference: the referent, and the link of the chain built by marking.
enum { WEAK_REFERENT = 0, WEAK_LINK = 1 };
enum { HEADER_LIVE_BITS = HEADER_MARK | HEADER_PIN_MASK, LOW_HEADER_BITS = 0x1FF };

// Marking
VMBSS static cell* markQueue[MARK_QUEUE_SIZE];
VMBSS static int32_t markQueueCount;
VMBSS static int32_t markQueuePush;
VMBSS static int32_t markQueuePop;
VMBSS static int32_t markQueueOverflow;
VMBSS static cell* walkPosition;
VMBSS static cell* weakListChain;
VMBSS static Instance* weakReferenceChain;

// Compaction
struct BreakEntry {
    P32<cell> address;  // old address of a block header
    int32_t distance;   // bytes the blocks from here on were moved down
};
static_assert(sizeof(BreakEntry) == 8, "a break-table entry is two words");
VMBSS static BreakEntry breakTable[BREAK_TABLE_ENTRIES];
static_assert(sizeof(breakTable) == 200 * 4, "the break table takes the 200 words of the search fingers");
VMBSS static int32_t breakCount;
VMBSS static int32_t relocating;
VMBSS int32_t CompactionRelocatesEachPass;
// The entries of the passes of one full compaction so far (malloc'd, sorted by address).
VMBSS static BreakEntry* gatheredBreaks;
VMBSS static int32_t gatheredCount;
VMBSS static int32_t gatheredCapacity;
// The table relocation reads, and an index into it: for each slice of 1 << indexShift
// bytes from breakLow, the last entry at or below the slice's start (malloc'd; null
// when the table is short or no memory could be had).
VMBSS static const BreakEntry* relocationTable;
VMBSS static int32_t relocationCount;
VMBSS static int32_t* breakIndex;
VMBSS static uint32_t indexShift;
// Pointers outside [breakLow, breakHigh) keep their value: below the first entry, or at
// or above a last entry of distance 0.
VMBSS static cell* breakLow;
VMBSS static cell* breakHigh;
// Where the last pass of this collection stopped, and the free chunk ending there: the
// next pass resumes without walking up from the heap start.
VMBSS static cell* resumeBlock;
VMBSS static cell* resumeChunk;

static inline bool inDynamicHeap(const void* p) {
    uintptr_t a = (uintptr_t)p;
    return a > (uintptr_t)HeapStart && a < (uintptr_t)PermanentBoundary && (a & 3) == 0;
}

static inline void* asPointer(cell word) { return p32Address((uint32_t)word); }
static inline void* lockTarget(uint32_t word) { return (void*)(uintptr_t)(word & ~(uint32_t)LOCK_STATE_MASK); }

static inline bool isDead(const void* object) {
    return inDynamicHeap(object) && (*headerOf(object) & HEADER_LIVE_BITS) == 0;
}

static inline void markRoot(const void* object) {
    if (inDynamicHeap(object)) *headerOf(object) |= HEADER_MARK;
}

// Marking the heap

static void scanObject(cell* object, int depth);

static void pushMarkQueue(cell* object) {
    if (markQueueCount == MARK_QUEUE_SIZE) {
        markQueueOverflow = 1;
        return;
    }
    markQueue[markQueuePush] = object;
    markQueuePush = (markQueuePush + 1) % MARK_QUEUE_SIZE;
    markQueueCount++;
}

static cell* popMarkQueue() {
    if (markQueueCount == 0) return nullptr;
    cell* object = markQueue[markQueuePop];
    markQueuePop = (markQueuePop + 1) % MARK_QUEUE_SIZE;
    markQueueCount--;
    return object;
}

// Marks a child. One below the walk must be scanned now: the first becomes the next
// block of the caller's loop, further ones recurse while depth lasts, then queue.
static inline void visitChild(const void* child, cell** next, int depth) {
    if (!inDynamicHeap(child)) return;
    uint32_t* header = headerOf(child);
    if (*header & HEADER_MARK) return;
    *header |= HEADER_MARK;
    if ((uintptr_t)header > (uintptr_t)walkPosition) return;
    if (*next == nullptr)
        *next = (cell*)child;
    else if (depth > 0)
        scanObject((cell*)child, depth - 1);
    else
        pushMarkQueue((cell*)child);
}

static inline void visitLock(uint32_t word, cell** next, int depth) {
    if (word & LOCK_STATE_MASK) visitChild(lockTarget(word), next, depth);
}

// The slots marking follows and compaction updates must be the same: both ask these.
static inline bool isFollowedInstanceField(const FieldRecord* f, bool weak) {
    if ((f->accessFlags & (ACC_POINTER | ACC_STATIC)) != ACC_POINTER) return false;
    return !(weak && f->u.offset <= WEAK_LINK);
}

static inline bool isStaticReference(const FieldRecord* f) {
    return (f->accessFlags & (ACC_STATIC | ACC_POINTER)) == (ACC_STATIC | ACC_POINTER);
}

static void scanInstance(Instance* object, bool weak, cell** next, int depth) {
    visitLock(object->monitor, next, depth);
    for (ClassRecord* c = object->clazz; c != nullptr; c = c->superClass) {
        FieldTable* fields = c->fieldTable;
        if (fields != nullptr) {
            for (uint32_t i = 0; i < fields->length; i++) {
                const FieldRecord* f = &fields->fields[i];
                if (!isFollowedInstanceField(f, weak)) continue;
                visitChild(asPointer(object->data[f->u.offset]), next, depth);
            }
        }
        // The record of a thread that has ended is still read through its Thread object.
        if (c == JavaLangThread) visitChild(asPointer(object->data[THREAD_RECORD_FIELD]), next, depth);
    }
}

static void scanObject(cell* object, int depth) {
    for (;;) {
        cell* next = nullptr;
        uint32_t header = *headerOf(object);
        switch (headerType(header)) {
            case GCT_INSTANCE:
                scanInstance((Instance*)object, false, &next, depth);
                break;
            case GCT_WEAKREFERENCE: {
                Instance* reference = (Instance*)object;
                scanInstance(reference, true, &next, depth);
                reference->data[WEAK_LINK] = p32Cell(weakReferenceChain);
                weakReferenceChain = reference;
                break;
            }
            case GCT_ARRAY:
                visitLock(((ArrayObject*)object)->monitor, &next, depth);
                break;
            case GCT_OBJECTARRAY: {
                ArrayObject* array = (ArrayObject*)object;
                visitLock(array->monitor, &next, depth);
                for (uint32_t i = 0; i < array->length; i++) visitChild(array->u.odata[i], &next, depth);
                break;
            }
            case GCT_METHODTABLE: {
                MethodTable* table = (MethodTable*)object;
                for (uint32_t i = 0; i < table->length; i++) {
                    MethodRecord* m = &table->methods[i];
                    if (m->accessFlags & ACC_NATIVE) continue;
                    markRoot(m->u.code);
                    markRoot(m->handlers);
                }
                break;
            }
            case GCT_POINTERLIST: {
                int32_t count = object[0];
                for (int32_t i = 1; i <= count; i++) visitChild(asPointer(object[i]), &next, depth);
                break;
            }
            case GCT_WEAKPOINTERLIST:
                object[1] = p32Cell(weakListChain);
                weakListChain = object;
                break;
            case GCT_NOPOINTERS:
            case GCT_EXECSTACK:
            case GCT_THREAD:
            case GCT_MONITOR:
            case GCT_PERMANENT:
            case GCT_MEMBLOCK:
                break;
            default:
                fatalVMError("Bad dynamic heap objects found");
        }
        if (next == nullptr) return;
        object = next;
    }
}

static void traceHeapObjects() {
    do {
        weakListChain = nullptr;
        weakReferenceChain = nullptr;
        markQueueCount = markQueuePush = markQueuePop = 0;
        markQueueOverflow = 0;
        for (cell* p = HeapStart; p < PermanentBoundary; p += blockWords(p)) {
            if (!(*p & HEADER_LIVE_BITS)) continue;
            // a pinned block is scanned once, like a marked one
            *p |= HEADER_MARK;
            walkPosition = p;
            scanObject(p + 1, MARK_DEPTH);
            for (cell* queued = popMarkQueue(); queued != nullptr; queued = popMarkQueue())
                scanObject(queued, MARK_DEPTH);
        }
    } while (markQueueOverflow);
}

// Frames

// Fills the reference bits of one frame and returns the operand-stack entries to scan.
static int frameMap(bool currentThread, FrameRecord* fp, const uint8_t* ip, cell* sp, bool top, uint8_t* vector) {
    MethodRecord* m = fp->thisMethod;
    int depth = (int)(sp - (cell*)&fp->syncObject);
    if (depth < 0) depth = 0;
    if (m == RunCustomCodeMethod) {
        // native work on the Java stack: every word of it may be an object
        memset(vector, 0xFF, GC_VECTOR_BYTES);
        return depth > GC_VECTOR_SLOTS - m->frameSize ? GC_VECTOR_SLOTS - m->frameSize : depth;
    }
    int nativeFlag = top && currentThread && CurrentNativeMethod != nullptr;
    int live = getGCRegisterMask(m, ip, vector, nativeFlag);
    return live < depth ? live : depth;
}

// The words from a chunk's start up to sp: the arguments of a thread's first frame
// while that frame is being pushed (the push may need a new chunk and collect).
static inline cell* firstArguments(StackChunk* chunk, cell* sp, cell** end) {
    if (chunk == nullptr || sp == nullptr || sp < chunk->data || sp >= chunk->data + (int16_t)chunk->size) {
        *end = nullptr;
        return nullptr;
    }
    *end = sp + 1;
    return chunk->data;
}

static void markThreadStack(ThreadRecord* thread) {
    markRoot(thread->stack);
    FrameRecord* fp = thread->fpStore;
    if (fp == nullptr) {
        cell* end;
        for (cell* w = firstArguments(thread->stack, thread->spStore, &end); w != nullptr && w < end; w++)
            markRoot(asPointer(*w));
        return;
    }
    fp->stack->next = nullptr;  // chunks above the top frame are not needed
    const uint8_t* ip = thread->ipStore;
    cell* sp = thread->spStore;
    uint8_t vector[GC_VECTOR_BYTES];
    for (bool top = true; fp != nullptr; top = false) {
        markRoot(fp->stack);
        markRoot(fp->syncObject);
        int frameSize = fp->thisMethod->frameSize;
        int entries = frameMap(thread == CurrentThread, fp, ip, sp, top, vector);
        cell* locals = (cell*)fp - frameSize;
        cell* stack = (cell*)(fp + 1);
        for (int i = 0; i < frameSize; i++) {
            if (testVectorBit(vector, i)) markRoot(asPointer(locals[i]));
        }
        for (int j = 0; j < entries; j++) {
            if (testVectorBit(vector, frameSize + j)) markRoot(asPointer(stack[j]));
        }
        ip = fp->previousIp;
        sp = fp->previousSp;
        fp = fp->previousFp;
    }
}

// Roots

static void traceRootObjects() {
    for (int32_t i = 0; i < GlobalRootsLength; i++) markRoot(rootValue(GlobalRoots[i]));
    // the lock words of read-only objects point at thread and monitor records
    for (int32_t i = 0; i < ROM_LOCK_WORDS; i++) {
        if (RomLockWords[i].word & LOCK_STATE_MASK) markRoot(lockTarget(RomLockWords[i].word));
    }
    for (int32_t i = 0; i < TemporaryRootsLength; i += temporaryRootEntries(i)) {
        if (isInteriorRoot(i))
            markRoot(interiorRootAt(i)->object);
        else
            markRoot(rootValue(temporaryRootVariable(i)));
    }
    if (CurrentRomImage != nullptr && CurrentRomImage->staticArea != nullptr) {
        cell* area = CurrentRomImage->staticArea;
        for (int32_t i = 1; i <= area[0]; i++) markRoot(asPointer(area[i]));
    }
    if (InternStringTable != nullptr) {
        for (uint32_t b = 0; b < InternStringTable->bucketCount; b++) {
            for (StringInstance* s = (StringInstance*)InternStringTable->buckets[b]; s != nullptr; s = s->next) {
                if (s->monitor & LOCK_STATE_MASK) markRoot(lockTarget(s->monitor));
            }
        }
    }
    if (ClassTable != nullptr) {
        for (uint32_t b = 0; b < ClassTable->bucketCount; b++) {
            for (ClassRecord* c = (ClassRecord*)ClassTable->buckets[b]; c != nullptr; c = c->next) {
                if (c->monitor & LOCK_STATE_MASK) markRoot(lockTarget(c->monitor));
                if (isArrayClass(c)) continue;
                markRoot(c->initThread);
                if (c->accessFlags & ACC_ROM_CLASS) continue;
                if (c->staticFields != nullptr && c->fieldTable != nullptr) {
                    for (uint32_t i = 0; i < c->fieldTable->length; i++) {
                        FieldRecord* f = &c->fieldTable->fields[i];
                        if (isStaticReference(f)) markRoot(asPointer(*f->u.staticAddress));
                    }
                }
                // Stack maps of methods not yet verified still lie in the dynamic heap.
                if (c->methodTable != nullptr) {
                    for (uint32_t i = 0; i < c->methodTable->length; i++) {
                        MethodRecord* m = &c->methodTable->methods[i];
                        if (!(m->accessFlags & ACC_NATIVE)) markRoot(m->stackMaps);
                    }
                }
            }
        }
    }
    for (ThreadRecord* t = AllThreads; t != nullptr; t = t->nextAliveThread) {
        markRoot(t);
        markRoot(t->javaThread);
        markThreadStack(t);
    }
}

// Weak references and cleanups

// Runs a cleanup function under a scratch thread and frame, so that it neither sees nor
// disturbs the thread the collection interrupted.
// The scratch records are the program's own (their addresses enter words); a cleanup
// runs only inside a collection, and a collection never nests.
VMBSS static ThreadRecord cleanupThread;
VMBSS static FrameRecord cleanupFrame;
VMBSS static cell cleanupArgument;

static void runCleanup(CleanupFunction function, OBJECT object) {
    OBJECT cleaned = object;
    ThreadRecord* scratch = &cleanupThread;
    FrameRecord* frame = &cleanupFrame;
    memset(scratch, 0, sizeof *scratch);
    memset(frame, 0, sizeof *frame);
    cleanupArgument = p32Cell(object);
    frame->thisMethod = RunCustomCodeMethod;
    scratch->nativeLp = &cleanupArgument;
    scratch->state = THREAD_ACTIVE;
    scratch->fpStore = frame;
    scratch->spStore = (cell*)&frame->syncObject;
    ThreadRecord* savedThread = CurrentThread;
    MethodRecord* savedNative = CurrentNativeMethod;
    InterpRegisters savedRegisters = Regs;
    CurrentThread = scratch;
    CurrentNativeMethod = nullptr;
    Regs.fp = frame;
    Regs.sp = (cell*)&frame->syncObject;
    Regs.locals = (cell*)frame;
    function(&cleaned);
    Regs = savedRegisters;
    CurrentThread = savedThread;
    CurrentNativeMethod = savedNative;
}

static void processWeakPointerLists() {
    cell* list = weakListChain;
    weakListChain = nullptr;
    while (list != nullptr) {
        cell* next = (cell*)asPointer(list[1]);
        list[1] = 0;
        CleanupFunction function = (CleanupFunction)asPointer(list[2]);
        for (int32_t i = 0; i < list[0]; i++) {
            OBJECT object = (OBJECT)asPointer(list[CLEANUP_LIST_HEADER_WORDS + i]);
            if (object == nullptr || !isDead(object)) continue;
            list[CLEANUP_LIST_HEADER_WORDS + i] = 0;
            if (function != nullptr) runCleanup(function, object);
        }
        list = next;
    }
}

static void processWeakReferences() {
    Instance* reference = weakReferenceChain;
    weakReferenceChain = nullptr;
    while (reference != nullptr) {
        Instance* next = (Instance*)asPointer(reference->data[WEAK_LINK]);
        reference->data[WEAK_LINK] = 0;
        if (isDead(asPointer(reference->data[WEAK_REFERENT]))) reference->data[WEAK_REFERENT] = 0;
        reference = next;
    }
}

// Sweeping

// Links the free runs of the dynamic heap in address order; returns the largest size field.
static uint32_t sweepTheHeap() {
    cell* head = nullptr;
    cell* tail = nullptr;
    cell* run = nullptr;
    uint32_t largest = 0;
    for (cell* p = HeapStart;;) {
        bool end = p >= PermanentBoundary;
        bool live = false;
        uint32_t words = 0;
        if (!end) {
            uint32_t header = (uint32_t)*p;
            words = headerSize(header) + 1;
            live = (header & HEADER_LIVE_BITS) != 0;
            // A dead instance whose native finalizer fails stays for the next collection.
            if (!live && headerType(header) == GCT_INSTANCE) {
                OBJECT object = (OBJECT)(p + 1);
                live = CoreHooks.runNativeFinalizer(object, object->clazz) != 0;
            }
            if (live) *p = (cell)(header & ~(uint32_t)HEADER_MARK);
        }
        if ((end || live) && run != nullptr) {
            uint32_t runWords = (uint32_t)(p - run);
            setFreeChunk(run, runWords, nullptr);
            if (tail)
                setFreeChunkNext(tail, run);
            else
                head = run;
            tail = run;
            if (runWords - 1 > largest) largest = runWords - 1;
            run = nullptr;
        }
        if (end) break;
        if (!live && run == nullptr) run = p;
        p += words;
    }
    FirstFreeChunk = head;
    setupSearchFingers();
    return largest;
}

// Links every free block of the dynamic heap in address order, merging neighbours.
static void rebuildFreeList() {
    cell* head = nullptr;
    cell* tail = nullptr;
    for (cell* p = HeapStart; p < PermanentBoundary;) {
        uint32_t words = blockWords(p);
        if (headerType((uint32_t)*p) != GCT_FREE) {
            p += words;
            continue;
        }
        cell* end = p + words;
        while (end < PermanentBoundary && headerType((uint32_t)*end) == GCT_FREE) end += blockWords(end);
        setFreeChunk(p, (uint32_t)(end - p), nullptr);
        if (tail)
            setFreeChunkNext(tail, p);
        else
            head = p;
        tail = p;
        p = end;
    }
    FirstFreeChunk = head;
    setupSearchFingers();
}

// Compaction

static inline void* relocated(const void* p) {
    uintptr_t a = (uintptr_t)p;
    if (a < (uintptr_t)breakLow || a >= (uintptr_t)breakHigh) return (void*)p;
    int low = 0, high = relocationCount - 1;
    if (breakIndex != nullptr) {
        uint32_t slice = (uint32_t)(a - (uintptr_t)breakLow) >> indexShift;
        low = breakIndex[slice];
        high = breakIndex[slice + 1];
    }
    const BreakEntry* table = relocationTable;
    while (low < high) {
        int mid = (low + high + 1) >> 1;
        if ((uintptr_t)table[mid].address <= a)
            low = mid;
        else
            high = mid - 1;
    }
    return (char*)p - table[low].distance;
}

const void* gcCurrentAddress(const void* address) { return relocating ? relocated(address) : address; }

static inline void relocateWord(cell* word) { *word = p32Cell(relocated(asPointer(*word))); }
static inline void relocateRoot(RootEntry entry) { setRootValue(entry, relocated(rootValue(entry))); }

static inline void relocateLock(uint32_t* word) {
    uint32_t state = *word & LOCK_STATE_MASK;
    if (state != 0) *word = p32Word(relocated(lockTarget(*word))) | state;
}

static void addBreak(cell* address, int32_t distance) {
    VM_ASSERT(breakCount < BREAK_TABLE_ENTRIES);
    VM_ASSERT(breakCount == 0 || breakTable[breakCount - 1].address < address);
    breakTable[breakCount].address = address;
    breakTable[breakCount].distance = distance;
    breakCount++;
}

static cell* passStart() {
    cell* cursor = CompactionCursor;
    if (cursor >= RegionBoundary && cursor >= HeapStart && cursor < PermanentBoundary) return cursor;
    if (RegionBoundary >= HeapStart && RegionBoundary < PermanentBoundary) return RegionBoundary;
    uintptr_t span = ((uintptr_t)((char*)PermanentBoundary - (char*)HeapStart) / 8) & ~(uintptr_t)3;
    RegionBoundary =
        RegionBoundary < HeapStart ? (cell*)((char*)HeapStart + span) : (cell*)((char*)PermanentBoundary - span);
    return RegionBoundary;
}

// Moves unpinned blocks from the pass start upward down into free space below them,
// first fit in address order or sliding into the space right below; the break table
// records each change of distance. Stops at the permanent boundary or a full table.
static void compactionPass() {
    CompactionPassCount++;
    cell* start = passStart();
    cell* previous = nullptr;
    cell* p = HeapStart;
    if (start == resumeBlock) {
        p = start;
        previous = resumeChunk;
    } else {
        while (p < start) {
            previous = p;
            p += blockWords(p);
        }
    }
    // Targets: free chunks below the block at hand, in address order, linked through word 1.
    cell* head = nullptr;
    cell* tail = nullptr;
    // Free space that ends at the start (left by the previous pass) receives blocks too.
    if (previous != nullptr && previous >= RegionBoundary && headerType((uint32_t)*previous) == GCT_FREE) {
        head = tail = previous;
        setFreeChunkNext(previous, nullptr);
    }
    breakCount = 0;
    int32_t lastDistance = 0;
    while (p < PermanentBoundary) {
        uint32_t header = (uint32_t)*p;
        uint32_t words = headerSize(header) + 1;
        cell* next = p + words;
        if (headerType(header) == GCT_FREE) {
            if (tail != nullptr && tail + blockWords(tail) == p) {
                setFreeChunk(tail, blockWords(tail) + words, nullptr);
            } else {
                setFreeChunk(p, words, nullptr);
                if (tail)
                    setFreeChunkNext(tail, p);
                else
                    head = p;
                tail = p;
            }
            p = next;
            continue;
        }
        if (breakCount >= BREAK_TABLE_ENTRIES - 1) break;
        cell* moved = p;
        if (!(header & HEADER_PIN_MASK)) {
            while (head != nullptr) {
                uint32_t have = blockWords(head);
                cell* after = freeChunkNext(head);
                if (head + have == p) {
                    // slide: the free space moves up behind the block
                    memmove(head, p, (size_t)words * 4);
                    moved = head;
                    cell* space = head + words;
                    setFreeChunk(space, have, nullptr);
                    head = tail = space;
                    break;
                }
                if (have >= words) {
                    memcpy(head, p, (size_t)words * 4);
                    moved = head;
                    uint32_t spare = have - words;
                    if (spare < 2) {
                        *moved = (cell)((uint32_t)*moved + (spare << HEADER_SIZE_SHIFT));
                        if (tail == head) tail = nullptr;
                        head = after;
                    } else {
                        cell* rest = head + words;
                        setFreeChunk(rest, spare, after);
                        if (tail == head) tail = rest;
                        head = rest;
                    }
                    // the place the block left is free space for the blocks above it
                    if (tail != nullptr && tail + blockWords(tail) == p) {
                        setFreeChunk(tail, blockWords(tail) + words, nullptr);
                    } else {
                        setFreeChunk(p, words, nullptr);
                        if (tail)
                            setFreeChunkNext(tail, p);
                        else
                            head = p;
                        tail = p;
                    }
                    break;
                }
                // too small: left free and not offered again in this pass
                if (tail == head) tail = nullptr;
                head = after;
            }
        }
        int32_t distance = (int32_t)((char*)p - (char*)moved);
#if VM_ASSERTS_ON
        if (distance != 0 && headerType(header) == GCT_EXECSTACK) ChunkMoves++;
#endif
        if (distance != lastDistance) {
            addBreak(p, distance);
            lastDistance = distance;
        }
        p = next;
    }
    if (p < PermanentBoundary && lastDistance != 0) addBreak(p, 0);
    CompactionCursor = p;
    if (breakCount > 0) HeapMoves++;
    resumeBlock = p;
    resumeChunk = tail != nullptr && tail + blockWords(tail) == p ? tail : nullptr;
}

// Pointers of one frame after its chunk moved: the frame lies at its new address, its
// words still hold old pointers.
static void relocateThreadStack(ThreadRecord* thread) {
    if (thread->fpStore == nullptr) {
        cell* end;
        StackChunk* chunk = (StackChunk*)relocated(thread->stack);
        for (cell* w = firstArguments(chunk, (cell*)relocated(thread->spStore), &end); w != nullptr && w < end; w++)
            relocateWord(w);
        return;
    }
    FrameRecord* fp = (FrameRecord*)relocated(thread->fpStore);
    cell* sp = (cell*)relocated(thread->spStore);
    const uint8_t* ip = (const uint8_t*)relocated(thread->ipStore);
    uint8_t vector[GC_VECTOR_BYTES];
    for (bool top = true; fp != nullptr; top = false) {
        int frameSize = fp->thisMethod->frameSize;
        int entries = frameMap(thread == relocated(CurrentThread), fp, ip, sp, top, vector);
        cell* locals = (cell*)fp - frameSize;
        cell* stack = (cell*)(fp + 1);
        for (int i = 0; i < frameSize; i++) {
            if (testVectorBit(vector, i)) relocateWord(&locals[i]);
        }
        for (int j = 0; j < entries; j++) {
            if (testVectorBit(vector, frameSize + j)) relocateWord(&stack[j]);
        }
        fp->syncObject = (OBJECT)relocated(fp->syncObject);
        fp->stack = (StackChunk*)relocated(fp->stack);
        fp->previousIp = (uint8_t*)relocated(fp->previousIp);
        fp->previousSp = (cell*)relocated(fp->previousSp);
        fp->previousFp = (FrameRecord*)relocated(fp->previousFp);
        ip = fp->previousIp;
        sp = fp->previousSp;
        fp = fp->previousFp;
    }
}

// A variable registered twice must move once.
static bool rootSeenBefore(RootEntry address, int32_t globalsBefore, int32_t temporariesBefore) {
    for (int32_t i = 0; i < globalsBefore; i++) {
        if (GlobalRoots[i] == address) return true;
    }
    for (int32_t i = 0; i < temporariesBefore; i += temporaryRootEntries(i)) {
        if (!isInteriorRoot(i) && temporaryRootVariable(i) == address) return true;
    }
    return false;
}

static void relocateRoots() {
    for (int32_t i = 0; i < ROM_LOCK_WORDS; i++) relocateLock(&RomLockWords[i].word);
    for (int32_t i = 0; i < GlobalRootsLength; i++) {
        if (!rootSeenBefore(GlobalRoots[i], i, 0)) relocateRoot(GlobalRoots[i]);
    }
    for (int32_t i = 0; i < TemporaryRootsLength; i += temporaryRootEntries(i)) {
        if (isInteriorRoot(i)) {
            InteriorRoot* root = interiorRootAt(i);
            char* object = (char*)root->object;
            char* moved = (char*)relocated(object);
            setRootValue(root->interior, (char*)rootValue(root->interior) + (moved - object));
            root->object = moved;
            continue;
        }
        RootEntry variable = temporaryRootVariable(i);
        if (!rootSeenBefore(variable, GlobalRootsLength, i)) relocateRoot(variable);
    }
    if (CurrentRomImage != nullptr && CurrentRomImage->staticArea != nullptr) {
        cell* area = CurrentRomImage->staticArea;
        for (int32_t i = 1; i <= area[0]; i++) relocateWord(&area[i]);
    }
    if (InternStringTable != nullptr) {
        for (uint32_t b = 0; b < InternStringTable->bucketCount; b++) {
            for (StringInstance* s = (StringInstance*)InternStringTable->buckets[b]; s != nullptr; s = s->next)
                relocateLock(&s->monitor);
        }
    }
    if (ClassTable != nullptr) {
        for (uint32_t b = 0; b < ClassTable->bucketCount; b++) {
            for (ClassRecord* c = (ClassRecord*)ClassTable->buckets[b]; c != nullptr; c = c->next) {
                relocateLock(&c->monitor);
                if (isArrayClass(c)) continue;
                c->initThread = (ThreadRecord*)relocated(c->initThread);
                if (c->accessFlags & ACC_ROM_CLASS) continue;
                if (c->staticFields != nullptr && c->fieldTable != nullptr) {
                    for (uint32_t i = 0; i < c->fieldTable->length; i++) {
                        FieldRecord* f = &c->fieldTable->fields[i];
                        if (isStaticReference(f)) relocateWord(f->u.staticAddress);
                    }
                }
                if (c->methodTable != nullptr) {
                    for (uint32_t i = 0; i < c->methodTable->length; i++) {
                        MethodRecord* m = &c->methodTable->methods[i];
                        if (!(m->accessFlags & ACC_NATIVE)) m->stackMaps = relocated(m->stackMaps);
                    }
                }
            }
        }
    }
}

static void relocateInstance(Instance* object, bool weak) {
    relocateWord((cell*)&object->clazz);
    relocateLock(&object->monitor);
    for (ClassRecord* c = object->clazz; c != nullptr; c = c->superClass) {
        FieldTable* fields = c->fieldTable;
        if (fields != nullptr) {
            for (uint32_t i = 0; i < fields->length; i++) {
                const FieldRecord* f = &fields->fields[i];
                if (!isFollowedInstanceField(f, weak)) continue;
                relocateWord(&object->data[f->u.offset]);
            }
        }
        if (c == JavaLangThread) relocateWord(&object->data[THREAD_RECORD_FIELD]);
    }
    if (weak) relocateWord(&object->data[WEAK_REFERENT]);
}

static void relocateHeapBlocks() {
    for (cell* p = HeapStart; p < PermanentBoundary; p += blockWords(p)) {
        cell* object = p + 1;
        switch (headerType((uint32_t)*p)) {
            case GCT_FREE:
            case GCT_NOPOINTERS:
            case GCT_PERMANENT:
            case GCT_MEMBLOCK:
                break;
            case GCT_INSTANCE:
                relocateInstance((Instance*)object, false);
                break;
            case GCT_WEAKREFERENCE:
                relocateInstance((Instance*)object, true);
                break;
            case GCT_ARRAY:
                relocateWord(&object[0]);
                relocateLock((uint32_t*)&object[1]);
                break;
            case GCT_OBJECTARRAY: {
                ArrayObject* array = (ArrayObject*)object;
                relocateWord(&object[0]);
                relocateLock(&array->monitor);
                for (uint32_t i = 0; i < array->length; i++) relocateWord(&array->u.cdata[i]);
                break;
            }
            case GCT_METHODTABLE: {
                MethodTable* table = (MethodTable*)object;
                for (uint32_t i = 0; i < table->length; i++) {
                    MethodRecord* m = &table->methods[i];
                    if (m->accessFlags & ACC_NATIVE) continue;
                    m->u.code = (uint8_t*)relocated(m->u.code);
                    m->handlers = (HandlerTable*)relocated(m->handlers);
                }
                break;
            }
            case GCT_POINTERLIST:
                for (int32_t i = 1; i <= object[0]; i++) relocateWord(&object[i]);
                break;
            case GCT_EXECSTACK:
                relocateWord(&object[0]);
                break;
            case GCT_THREAD: {
                ThreadRecord* t = (ThreadRecord*)object;
                t->nextAliveThread = (ThreadRecord*)relocated(t->nextAliveThread);
                t->nextThread = (ThreadRecord*)relocated(t->nextThread);
                t->javaThread = (Instance*)relocated(t->javaThread);
                t->stack = (StackChunk*)relocated(t->stack);
                t->ipStore = (uint8_t*)relocated(t->ipStore);
                t->fpStore = (FrameRecord*)relocated(t->fpStore);
                t->spStore = (cell*)relocated(t->spStore);
                t->nativeLp = (cell*)relocated(t->nativeLp);
                t->monitor = (MonitorRecord*)relocated(t->monitor);
                t->nextAlarmThread = (ThreadRecord*)relocated(t->nextAlarmThread);
                break;
            }
            case GCT_MONITOR: {
                MonitorRecord* m = (MonitorRecord*)object;
                m->owner = (ThreadRecord*)relocated(m->owner);
                m->monitorWaitQ = (ThreadRecord*)relocated(m->monitorWaitQ);
                m->condvarWaitQ = (ThreadRecord*)relocated(m->condvarWaitQ);
                break;
            }
            case GCT_WEAKPOINTERLIST:
                relocateWord(&object[1]);
                for (int32_t i = 0; i < object[0]; i++) relocateWord(&object[CLEANUP_LIST_HEADER_WORDS + i]);
                break;
            default:
                fatalVMError("Bad dynamic heap objects found");
        }
    }
}

enum { INDEXED_BREAKS = 256 };

// Builds breakIndex over [breakLow, breakHigh) with about one slice per entry.
static void indexBreaks() {
    breakIndex = nullptr;
    if (relocationCount < INDEXED_BREAKS) return;
    uint32_t range = (uint32_t)((uintptr_t)breakHigh - (uintptr_t)breakLow);
    uint32_t shift = 2;
    while ((range >> shift) > (uint32_t)relocationCount) shift++;
    uint32_t slices = (range >> shift) + 2;
    int32_t* index = (int32_t*)malloc(slices * sizeof(int32_t));
    if (index == nullptr) return;
    const BreakEntry* table = relocationTable;
    int32_t j = 0;
    for (uint32_t s = 0; s < slices; s++) {
        uintptr_t start = (uintptr_t)breakLow + ((uintptr_t)s << shift);
        while (j + 1 < relocationCount && (uintptr_t)table[j + 1].address <= start) j++;
        index[s] = j;
    }
    indexShift = shift;
    breakIndex = index;
}

static void relocateEverything(const BreakEntry* table, int32_t count) {
    relocationTable = table;
    relocationCount = count;
    breakLow = table[0].address;
    const BreakEntry* last = &table[count - 1];
    breakHigh = last->distance == 0 ? last->address.get() : PermanentBoundary;
    indexBreaks();
    relocating = 1;
    // Stacks first: their maps may read blocks whose own pointers are not yet updated.
    for (ThreadRecord* t = (ThreadRecord*)relocated(AllThreads); t != nullptr;
         t = (ThreadRecord*)relocated(t->nextAliveThread))
        relocateThreadStack(t);
    relocateRoots();
    relocateHeapBlocks();
    relocating = 0;
    free(breakIndex);
    breakIndex = nullptr;
    indexShift = 0;
    relocationTable = nullptr;
    relocationCount = 0;
    breakLow = breakHigh = nullptr;
}

[[maybe_unused]] static bool freeListInOrder() {
    for (cell* c = FirstFreeChunk; c != nullptr; c = freeChunkNext(c)) {
        if (c < HeapStart || c + blockWords(c) > PermanentBoundary || headerType((uint32_t)*c) != GCT_FREE)
            return false;
        cell* next = freeChunkNext(c);
        if (next != nullptr && next <= c + blockWords(c) - 1) return false;
    }
    return true;
}

static void compactOnce() {
    compactionPass();
    if (breakCount > 0) relocateEverything(breakTable, breakCount);
}

// Room for one more pass's entries among the gathered ones; false without memory.
static bool reserveGatheredBreaks() {
    if (gatheredCount + BREAK_TABLE_ENTRIES <= gatheredCapacity) return true;
    int32_t capacity = gatheredCapacity > 0 ? 2 * gatheredCapacity : 16 * BREAK_TABLE_ENTRIES;
    BreakEntry* grown = (BreakEntry*)realloc(gatheredBreaks, (size_t)capacity * sizeof(BreakEntry));
    if (grown == nullptr) return false;
    gatheredBreaks = grown;
    gatheredCapacity = capacity;
    return true;
}

static void relocateGatheredBreaks() {
    if (gatheredCount > 0) relocateEverything(gatheredBreaks, gatheredCount);
    gatheredCount = 0;
}

// Passes from the cursor to the permanent boundary, each moving what it always moved;
// the pointers follow once, at the end.
static void compactFully() {
    do {
        // without room the passes so far relocate now, while their moves are all known
        if (!CompactionRelocatesEachPass && !reserveGatheredBreaks()) relocateGatheredBreaks();
        compactionPass();
        if (breakCount == 0) continue;
        if (CompactionRelocatesEachPass || gatheredCount + breakCount > gatheredCapacity) {
            relocateEverything(breakTable, breakCount);
        } else {
            // the gathered entries stay in address order: each pass starts where the last ended
            VM_ASSERT(gatheredCount == 0 || gatheredBreaks[gatheredCount - 1].address <= breakTable[0].address);
            memcpy(gatheredBreaks + gatheredCount, breakTable, (size_t)breakCount * sizeof(BreakEntry));
            gatheredCount += breakCount;
        }
    } while (CompactionCursor < PermanentBoundary);
    relocateGatheredBreaks();
    free(gatheredBreaks);
    gatheredBreaks = nullptr;
    gatheredCapacity = 0;
}

void collectGarbage(int32_t requestedWords) {
    CollectionCount++;
    // the sweep may merge free space across where an earlier collection's pass stopped
    resumeBlock = nullptr;
    traceRootObjects();
    traceHeapObjects();
    VM_ASSERT(markQueueCount == 0 && !markQueueOverflow);
    processWeakPointerLists();
    processWeakReferences();
    uint32_t largest = sweepTheHeap();
    VM_ASSERT(freeListInOrder());
    uint32_t request = requestedWords < 0 ? 0 : (uint32_t)requestedWords;
    if (request <= (largest >> 2)) return;
    if (request < (largest >> 1) + (largest >> 2)) {
        compactOnce();
    } else {
        CompactionCursor = HeapStart;
        uintptr_t lowered = (uintptr_t)RegionBoundary - (uintptr_t)request * 4;
        RegionBoundary =
            lowered < (uintptr_t)HeapStart || lowered > (uintptr_t)RegionBoundary ? HeapStart : (cell*)lowered;
        compactFully();
    }
    VM_ASSERT(!relocating && relocationTable == nullptr && gatheredCount == 0);
    rebuildFreeList();
    VM_ASSERT(freeListInOrder());
}

void garbageCollect(int32_t requestedWords) {
    if (CollectorNesting != 0) fatalVMError("Circular GC invocation!");
    CollectorRunning = 1;
    CollectorNesting = 1;
    FreeMonitorList = nullptr;
    if (CurrentThread) storeExecutionEnvironment(CurrentThread);
    int32_t roots = TemporaryRootsLength;
    if (!CollectionSuppressed) collectGarbage(requestedWords);
    VM_ASSERT(TemporaryRootsLength == roots);
    if (CurrentThread) loadExecutionEnvironment(CurrentThread);
    CollectorNesting = 0;
    CollectorRunning = 0;
}

bool memoryIsGarbageCollecting() { return CollectorRunning != 0; }
bool isGarbageCollecting() { return CollectorRunning != 0; }

// Cleanup registrations

int registerCleanup(OBJECT* cellAddress, CleanupFunction function) {
    cell* table = CleanupTable;
    int32_t lists = table[0];
    for (int32_t i = lists; i >= 1; i--) {
        cell* list = (cell*)asPointer(table[i]);
        if ((CleanupFunction)asPointer(list[2]) != function) continue;
        int32_t entries = list[0];
        for (int32_t j = 0; j < entries; j++) {
            if (list[CLEANUP_LIST_HEADER_WORDS + j] == 0) {
                list[CLEANUP_LIST_HEADER_WORDS + j] = p32Cell(*cellAddress);
                return 1;
            }
        }
        cell* grown = callocObject(CLEANUP_LIST_HEADER_WORDS + entries + CLEANUP_LIST_GROWTH, GCT_WEAKPOINTERLIST);
        // the allocation may have moved the table and the list
        table = CleanupTable;
        list = (cell*)asPointer(table[i]);
        grown[0] = entries + CLEANUP_LIST_GROWTH;
        grown[2] = list[2];
        memcpy(grown + CLEANUP_LIST_HEADER_WORDS, list + CLEANUP_LIST_HEADER_WORDS, (size_t)entries * 4);
        grown[CLEANUP_LIST_HEADER_WORDS + entries] = p32Cell(*cellAddress);
        table[i] = p32Cell(grown);
        return 1;
    }
    if (lists >= CLEANUP_TABLE_SLOTS) fatalVMError("Error, too many cleanup registrations");
    cell* list = callocObject(CLEANUP_LIST_HEADER_WORDS + CLEANUP_LIST_GROWTH, GCT_WEAKPOINTERLIST);
    table = CleanupTable;
    list[0] = CLEANUP_LIST_GROWTH;
    list[2] = (cell)p32Function((const void*)function);
    list[CLEANUP_LIST_HEADER_WORDS] = p32Cell(*cellAddress);
    table[++table[0]] = p32Cell(list);
    return 1;
}

void FinalizeMemoryManagement() {
    CollectorRunning = 1;
    cell* table = CleanupTable;
    if (table != nullptr) {
        for (int32_t i = table[0]; i >= 1; i--) {
            cell* list = (cell*)asPointer(table[i]);
            CleanupFunction function = (CleanupFunction)asPointer(list[2]);
            for (int32_t j = 0; j < list[0]; j++) {
                OBJECT object = (OBJECT)asPointer(list[CLEANUP_LIST_HEADER_WORDS + j]);
                if (object == nullptr) continue;
                list[CLEANUP_LIST_HEADER_WORDS + j] = 0;
                if (function != nullptr) runCleanup(function, object);
            }
        }
    }
    FinalizeHeap();
    CollectorRunning = 0;
}

void FinalizeHeap() {
    for (cell* p = HeapStart; p != nullptr && p < PermanentBoundary; p += blockWords(p)) {
        if (headerType((uint32_t)*p) != GCT_INSTANCE) continue;
        OBJECT object = (OBJECT)(p + 1);
        CoreHooks.runNativeFinalizer(object, object->clazz);
    }
}
