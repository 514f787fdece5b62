// Heap layout, allocation from the two regions, permanent space, pins and root tables.
#include <gtest/gtest.h>

#include "platform/lowmem.h"

#include "support/vmasm.h"

using namespace vmasm;

namespace {

// Puts a small heap of its own in place for the time of a check, inside a run.
class ScratchHeap {
public:
    explicit ScratchHeap(int32_t bytes) : block_(lowAlloc((size_t)bytes + 8)) {
        saved_ = {HeapSize, HeapStart, HeapTop, PermanentBoundary, PermanentPointer, RegionBoundary, FirstFreeChunk};
        savedRecord_ = mvVm_getStartRecord();
        record_.heapSize = bytes;
        record_.heapStart = (void*)(((uintptr_t)block_ + 3) & ~(uintptr_t)3);
        mvVm_keepStartRecord(&record_);
        InitializeHeap();
    }
    ~ScratchHeap() {
        HeapSize = saved_.size;
        HeapStart = saved_.start;
        HeapTop = saved_.top;
        PermanentBoundary = saved_.boundary;
        PermanentPointer = saved_.pointer;
        RegionBoundary = saved_.region;
        FirstFreeChunk = saved_.free;
        setupSearchFingers();
        mvVm_keepStartRecord(savedRecord_);
        lowFree(block_);
    }

private:
    struct {
        int32_t size;
        cell *start, *top, *boundary, *pointer, *region, *free;
    } saved_;
    void* block_;
    KvmStartRecord record_{};
    KvmStartRecord* savedRecord_;
};

uint32_t sizeField(void* object) { return headerSize(*headerOf(object)); }
cell* chunkAfter(cell* chunk) { return freeChunkNext(chunk); }
uint32_t chunkWords(cell* chunk) { return blockWords(chunk); }

// Where plain first fit in address order puts a block of `words` (header included):
// in mode 0 the upper region (behind the last chunk below the boundary) first, then the
// lower one; in mode 1 the other way round.
cell* firstFitPlace(uint32_t words, int mode) {
    cell* upperStart = FirstFreeChunk;
    for (cell* c = FirstFreeChunk; c != nullptr && c < RegionBoundary; c = chunkAfter(c)) upperStart = chunkAfter(c);
    cell* upper = nullptr;
    for (cell* c = upperStart; c != nullptr && upper == nullptr; c = chunkAfter(c)) {
        if (chunkWords(c) >= words) upper = c;
    }
    cell* lower = nullptr;
    for (cell* c = FirstFreeChunk; c != nullptr && c < RegionBoundary && lower == nullptr; c = chunkAfter(c)) {
        if (chunkWords(c) >= words) lower = c;
    }
    if (mode == 0) return upper != nullptr ? upper : lower;
    return lower != nullptr ? lower : upper;
}

// The search fingers only shorten searches: over a heap riddled with holes of many
// sizes, every allocation lands where plain first fit would put it.
TEST(Heap, FingersKeepFirstFit) {
    struct Case {
        const char* name;
        uint32_t seed;
        int holeSpread, requestSpread;  // sizes in words are 1 + a pseudo-random value below these
        int mode;                       // the allocation mode: 1 serves the lower region first
    };
    const Case cases[] = {
        {"small holes, small requests", 1, 6, 6, 0},
        {"small holes, requests larger than any hole", 2, 6, 40, 0},
        {"mixed holes and requests", 3, 30, 30, 0},
        {"memory-interface order", 4, 30, 30, 1},
    };
    for (const Case& k : cases) {
        Vm vm;
        vm.heapBytes = 192 * 1024;
        int mismatches = 0, allocations = 0;
        RunResult r = vm.inside([&] {
            uint32_t state = k.seed;
            auto next = [&](int spread) {
                state = state * 1103515245u + 12345u;
                return 1 + (int)((state >> 16) % (uint32_t)spread);
            };
            cell* keep = nullptr;
            makeTemporaryRoot(&keep);
            for (int round = 0; round < 4; round++) {
                // live blocks with dead ones between them, then a sweep that moves nothing
                keep = nullptr;
                garbageCollect(HeapSize / 4);
                keep = mallocHeapObject(1201, GCT_POINTERLIST);
                keep[0] = 1200;
                for (int i = 1; i <= 1200; i++) {
                    mallocHeapObject(next(k.holeSpread), GCT_NOPOINTERS);
                    keep[i] = p32Cell(mallocHeapObject(next(k.holeSpread), GCT_NOPOINTERS));
                }
                garbageCollect(0);
                // holes on both sides of the boundary
                RegionBoundary = HeapStart + (PermanentBoundary - HeapStart) / 3;
                setupSearchFingers();
                AllocationMode = k.mode;
                for (int i = 0; i < 3000; i++) {
                    int32_t words = next(k.requestSpread);
                    cell* expected = firstFitPlace((uint32_t)words + 1, k.mode);
                    if (expected == nullptr) break;
                    cell* got = mallocHeapObject(words, GCT_NOPOINTERS);
                    allocations++;
                    if (got != expected + 1) mismatches++;
                }
                AllocationMode = 0;
            }
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        EXPECT_GT(allocations, 1000) << k.name;
        EXPECT_EQ(mismatches, 0) << k.name;
    }
}

TEST(Heap, AllocationFromTheRegions) {
    Vm vm;
    struct Result {
        bool eighth = false, wholeChunk = false, notCut = false, smallNotCut = false, modeOrder = false,
             zeroWords = false, nullWhenFull = false;
    } got;
    RunResult r = vm.inside([&] {
        {
            ScratchHeap heap(256);  // 64 words: a lower chunk of one eighth (8 words), an upper one of 56
            got.eighth = RegionBoundary == HeapStart + 8 && FirstFreeChunk == HeapStart &&
                         chunkAfter(HeapStart) == HeapStart + 8;
            cell* p = mallocHeapObject(54, GCT_NOPOINTERS);
            got.wholeChunk = p == HeapStart + 9 && sizeField(p) == 55 && headerType(*headerOf(p)) == GCT_NOPOINTERS;
        }
        {
            ScratchHeap heap(28);
            got.notCut = FirstFreeChunk == HeapStart && chunkAfter(FirstFreeChunk) == nullptr &&
                         headerSize((uint32_t)HeapStart[0]) == 6;
        }
        {
            // a lower region of one word could not hold a free chunk's link
            ScratchHeap heap(48);
            cell* p = mallocHeapObject(2, GCT_NOPOINTERS);
            got.smallNotCut =
                FirstFreeChunk == HeapStart + 3 && chunkAfter(FirstFreeChunk) == nullptr && p == HeapStart + 1;
        }
        {
            ScratchHeap heap(4096);
            cell* forHost = allocHeapObjectForPointer(4, GCT_MEMBLOCK);
            cell* object = mallocHeapObject(4, GCT_INSTANCE);
            got.modeOrder = forHost < RegionBoundary && object >= RegionBoundary && AllocationMode == 0;
            cell* zero = mallocHeapObject(0, GCT_NOPOINTERS);
            got.zeroWords = sizeField(zero) == 1;
            got.nullWhenFull = mallocHeapObject(4096, GCT_NOPOINTERS) == nullptr;
        }
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(got.eighth) << "the lower region is the first eighth of the heap";
    EXPECT_TRUE(got.wholeChunk) << "a chunk one word larger than needed is taken whole";
    EXPECT_TRUE(got.notCut) << "a dynamic heap below 32 bytes stays one chunk";
    EXPECT_TRUE(got.smallNotCut) << "a 48-byte heap is not cut into a chunk too small for its link";
    EXPECT_TRUE(got.modeOrder) << "memory-interface blocks come from the lower region first";
    EXPECT_TRUE(got.zeroWords) << "0 words reserve one word";
    EXPECT_TRUE(got.nullWhenFull);
}

TEST(Heap, PermanentSpaceGrowsInSteps) {
    Vm vm;
    ptrdiff_t moved = 0, freeLost = 0;
    int pointerBelowTop = 0, boundaryCheck = 0, insideCheck = 1, misaligned = 0;
    RunResult r = vm.inside([&] {
        ScratchHeap heap(8192);
        int32_t freeBefore = memoryFree();
        cell* boundary = PermanentBoundary;
        cell* p = callocPermanentObject(1);
        moved = (char*)boundary - (char*)PermanentBoundary;
        freeLost = freeBefore - memoryFree();
        pointerBelowTop = (int)((char*)HeapTop - (char*)p);
        boundaryCheck = checkHeapAddress(PermanentBoundary);
        insideCheck = checkHeapAddress(HeapStart);
        misaligned = checkHeapAddress((char*)HeapStart + 2);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(moved, 2048);
    EXPECT_EQ(freeLost, 2048);
    EXPECT_EQ(pointerBelowTop, 4);
    EXPECT_EQ(boundaryCheck, -4);
    EXPECT_EQ(insideCheck, 0);
    EXPECT_EQ(misaligned, -2);
}

TEST(Heap, PinCounts) {
    Vm vm;
    int permanentLock = 1, fourteen = -1, fifteenth = 0, unlockUnpinned = 0;
    uint32_t permanentHeader = 0, permanentHeaderAfter = 1;
    int spaceLock = -1;
    cell neighbourAfter = 0;
    RunResult r = vm.inside([&] {
        cell* object = callocObject(2, GCT_INSTANCE);
        for (int i = 0; i < 14; i++) fourteen = lockObjectMemory(object);
        fifteenth = lockObjectMemory(object);
        cell* other = callocObject(2, GCT_INSTANCE);
        unlockUnpinned = unlockObjectMemory(other);
        cell* permanent = callocObject(2, GCT_PERMANENT);
        permanentHeader = *headerOf(permanent);
        permanentLock = lockObjectMemory(permanent);
        permanentHeaderAfter = *headerOf(permanent);
        // permanent space has no header: the word in front belongs to its neighbour
        cell* first = callocPermanentObject(1);
        cell* below = callocPermanentObject(1);  // the space grows down
        ASSERT_EQ(below + 1, first);
        below[0] = 0x12345678;
        spaceLock = lockObjectMemory(first);
        neighbourAfter = below[0];
        spaceLock |= unlockObjectMemory(first);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(fourteen, 0);
    EXPECT_EQ(fifteenth, -1);
    EXPECT_EQ(unlockUnpinned, -1);
    EXPECT_EQ(permanentLock, 0);
    EXPECT_EQ(permanentHeader, permanentHeaderAfter);
    EXPECT_EQ(spaceLock, 0);
    EXPECT_EQ(neighbourAfter, (cell)0x12345678);
}

TEST(Heap, MemoryInterfaceForcesACollectionEvery101Calls) {
    Vm vm;
    int32_t after101 = 0, after102 = 0;
    RunResult r = vm.inside([&] {
        ScratchHeap heap(64 * 1024);
        ForcedCollectionCounter = 0;
        for (int i = 0; i < 101; i++) allocHeapObjectForPointer(1, GCT_MEMBLOCK);
        after101 = ForcedCollectionCounter;
        allocHeapObjectForPointer(1, GCT_MEMBLOCK);
        after102 = ForcedCollectionCounter;
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(after101, 101);
    EXPECT_EQ(after102, 1);
}

TEST(Heap, FailedAllocationThrowsThePreallocatedError) {
    Vm vm;
    bool caught = false;
    RunResult r = vm.inside([&] {
        VM_TRY
        callocObject(HeapSize, GCT_NOPOINTERS);
        VM_CATCH(e)
        caught = e == OutOfMemoryObject;
        VM_END_TRY
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(caught);
}

TEST(Heap, RootTableOverflowIsFatal) {
    struct Case {
        const char* name;
        std::function<void()> overflow;
        const char* alert;
    };
    static cell holder;
    const Case cases[] = {
        {"51st temporary root",
         [] {
             for (int i = 0; i < 51; i++) makeTemporaryRoot(&holder);
         },
         "ALERT: Temporary root overflow: more than 50 temporary roots\n"},
        {"temporary interior root without room",
         [] {
             while (TemporaryRootsLength < MAX_TEMPORARY_ROOTS - 2) makeTemporaryRoot(&holder);
             makeTemporaryInteriorRoot(&holder, &holder);
         },
         "ALERT: Temporary root overflow: more than 50 temporary roots\n"},
        {"51st global root",
         [] {
             for (int i = 0; i < 51; i++) makeGlobalRoot(&holder);
         },
         "ALERT: Global root overflow\n"},
    };
    for (const Case& k : cases) {
        Vm vm;
        int32_t globalsBefore = -1;
        vm.afterRun = [&] { globalsBefore = GlobalRootsLength; };
        RunResult r = vm.inside([&] { k.overflow(); });
        EXPECT_EQ(r.exitCode, 127) << k.name;
        EXPECT_NE(r.trace.find(k.alert), std::string::npos) << k.name << ": trace was\n" << r.trace;
        EXPECT_LE(TemporaryRootsLength, MAX_TEMPORARY_ROOTS) << k.name;
        EXPECT_LE(globalsBefore, MAX_GLOBAL_ROOTS) << k.name;
    }
}

// Plain and interior entries mixed: a walk by entry kind meets each registration once,
// and an interior entry keeps its variable and its object.
TEST(Heap, TemporaryRootEntriesWalkByKind) {
    struct Case {
        const char* name;
        const char* kinds;  // p: a plain root, i: an interior root, in registration order
    };
    const Case cases[] = {{"plain only", "ppp"}, {"interior only", "ii"}, {"mixed", "piipp"}, {"interior last", "ppi"}};
    for (const Case& k : cases) {
        Vm vm;
        std::string walked;
        bool fieldsKept = true;
        RunResult r = vm.inside([&] {
            static cell variables[8];
            static cell objects[8];
            int32_t saved = TemporaryRootsLength;
            for (int n = 0; k.kinds[n]; n++) {
                if (k.kinds[n] == 'p')
                    makeTemporaryRoot(&variables[n]);
                else
                    makeTemporaryInteriorRoot(&variables[n], &objects[n]);
            }
            int n = 0;
            for (int32_t i = saved; i < TemporaryRootsLength; i += temporaryRootEntries(i), n++) {
                walked += isInteriorRoot(i) ? 'i' : 'p';
                if (isInteriorRoot(i))
                    fieldsKept &= interiorRootAt(i)->interior == rootEntry(&variables[n]) &&
                                  interiorRootAt(i)->object == &objects[n];
                else
                    fieldsKept &= temporaryRootVariable(i) == rootEntry(&variables[n]);
            }
            TemporaryRootsLength = saved;
        });
        ASSERT_EQ(r.exitCode, 0) << k.name << r.trace;
        EXPECT_EQ(walked, k.kinds) << k.name;
        EXPECT_TRUE(fieldsKept) << k.name;
    }
}

}  // namespace
