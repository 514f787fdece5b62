// The collector: what each kind of root keeps alive, compaction and the relocation of
// every reference, exact frame maps, weak references, cleanups, native finalizers, the
// free-space policy, heap exhaustion, and a churning program run with and without the
// collect-on-every-allocation switch.
#include <gtest/gtest.h>

#include <string.h>
#include <map>
#include <utility>

#include "gcmaps.h"
#include "platform/sections.h"
#include "support/hookscope.h"
#include "support/vmasm.h"
#include "vm/core/gc.h"
#include "vm/core/hooks.h"
#include "vm/core/monitor.h"
#include "vm/core/stackmap.h"
#include "vm/core/thread.h"
#include "vm/core/vmassert.h"

using namespace vmasm;

namespace {

// The native finalizer registry, replaced by a recorder in the test that needs it:
// classes listed in finalizerResults get their finalizer called and answer the result
// given.
std::map<ClassRecord*, int32_t> finalizerResults;
std::vector<OBJECT> finalizerCalls;
int32_t recordNativeFinalizer(OBJECT instance, ClassRecord* clazz) {
    auto it = finalizerResults.find(clazz);
    if (it == finalizerResults.end()) return 0;
    finalizerCalls.push_back(instance);
    return it->second;
}

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

// Whether the block of an object now lies inside a free chunk.
bool freed(const void* object) {
    for (cell* c = FirstFreeChunk; c != nullptr; c = freeChunkNext(c)) {
        cell* end = c + blockWords(c);
        if ((const cell*)object > c && (const cell*)object < end) return true;
    }
    return false;
}

void addNodeClass(Vm& vm) {
    vm.cls("Node").field("next", "Ljava/lang/Object;").field("value", "I");
    vm.cls("Holder").field("held", "Ljava/lang/Object;", ACC_STATIC).field("count", "I", ACC_STATIC);
    vm.cls("java/lang/ref/WeakReference").field("referent", "Ljava/lang/Object;").field("link", "I");
    vm.cls("Tracked", "java/lang/ref/WeakReference").field("extra", "Ljava/lang/Object;");
    vm.cls("Peer").field("handle", "I");
    vm.cls("PeerChild", "Peer");
}

OBJECT newNode(Vm& vm, OBJECT next, int value) {
    int32_t saved = TemporaryRootsLength;
    makeTemporaryRoot(&next);
    OBJECT n = instantiate(vm.classRecord("Node"));
    TemporaryRootsLength = saved;
    n->data[0] = p32Cell(next);
    n->data[1] = value;
    return n;
}

OBJECT node(cell word) { return (OBJECT)(uintptr_t)word; }

void setType(void* object, int type) {
    uint32_t* h = headerOf(object);
    *h = (*h & ~(uint32_t)HEADER_TYPE_MASK) | (uint32_t)type << HEADER_TYPE_SHIFT;
}

// Largest size field on the free list.
uint32_t largestFree() {
    uint32_t largest = 0;
    for (cell* c = FirstFreeChunk; c != nullptr; c = freeChunkNext(c)) largest = std::max(largest, blockWords(c) - 1);
    return largest;
}

TEST(Collector, EachKindOfRootKeepsItsObjectsAndNothingElse) {
    Vm vm;
    addNodeClass(vm);
    struct Case {
        const char* root;
        bool kept = false;
    };
    std::vector<Case> cases = {{"global root"},
                               {"temporary root"},
                               {"interior temporary root"},
                               {"static field"},
                               {"field of a kept object"},
                               {"element of a kept array"},
                               {"monitor of a kept object"},
                               {"thread record on the thread list"},
                               {"Thread object of a listed thread"},
                               {"pinned block"},
                               {"child of a pinned block"},
                               {"record of an ended thread"}};
    bool garbageFreed = false, pinnedStayed = false;
    RunResult r = vm.inside([&] {
        static OBJECT global;
        OBJECT temporary = nullptr, interiorBase = nullptr, kept = nullptr, array = nullptr, locked = nullptr;
        OBJECT threadObject = nullptr, endedThread = nullptr;
        cell* interior = nullptr;
        makeGlobalRoot(&global);
        makeTemporaryRoot(&temporary);
        makeTemporaryRoot(&kept);
        makeTemporaryRoot(&array);
        makeTemporaryRoot(&locked);
        makeTemporaryRoot(&threadObject);
        makeTemporaryRoot(&endedThread);
        global = newNode(vm, nullptr, 1);
        temporary = newNode(vm, nullptr, 2);
        interiorBase = newNode(vm, nullptr, 3);
        interior = &interiorBase->data[1];
        makeTemporaryInteriorRoot(&interior, interiorBase);
        *vm.staticAddress("Holder", "held") = p32Cell(newNode(vm, nullptr, 4));
        kept = newNode(vm, nullptr, 0);
        kept->data[0] = p32Cell(newNode(vm, nullptr, 5));
        array = (OBJECT)instantiateArray(getObjectArrayClass(JavaLangObject), 3);
        ((ArrayObject*)array)->u.odata[1] = newNode(vm, nullptr, 6);
        locked = newNode(vm, nullptr, 0);
        MonitorRecord* monitor = (MonitorRecord*)callocObject(5, GCT_MONITOR);
        locked->monitor = p32Word(monitor) + LOCK_INFLATED;
        threadObject = instantiate(JavaLangThread);
        ThreadRecord* thread = BuildThread(&threadObject);
        // an ended thread is off the list; its Thread object still names its record
        endedThread = instantiate(JavaLangThread);
        ThreadRecord* ended = BuildThread(&endedThread);
        dismantleThread(ended);
        ArrayObject* pinned = instantiateArray(getObjectArrayClass(JavaLangObject), 1);
        lockObjectMemory(pinned);
        pinned->u.odata[0] = newNode(vm, nullptr, 7);
        OBJECT garbage = newNode(vm, nullptr, 99);
        OBJECT watched[] = {global,
                            temporary,
                            interiorBase,
                            node(*vm.staticAddress("Holder", "held")),
                            node(kept->data[0]),
                            ((ArrayObject*)array)->u.odata[1],
                            (OBJECT)monitor,
                            (OBJECT)thread,
                            threadObject,
                            (OBJECT)pinned,
                            pinned->u.odata[0],
                            (OBJECT)ended};
        garbageCollect(0);
        for (size_t i = 0; i < sizeof watched / sizeof watched[0]; i++) cases[i].kept = !freed(watched[i]);
        garbageFreed = freed(garbage);
        pinnedStayed = !freed(pinned) && headerPins(*headerOf(pinned)) == 1;
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    for (const Case& c : cases) EXPECT_TRUE(c.kept) << c.root;
    EXPECT_TRUE(garbageFreed) << "an object no root reaches is freed";
    EXPECT_TRUE(pinnedStayed);
}

TEST(Collector, MapsOfLoadedMethodsSurviveAndMove) {
    Vm vm;
    addNodeClass(vm);
    ClassSpec& c = vm.cls("Loaded");
    MethodSpec& m = c.method("f", "(Ljava/lang/Object;I)I", ACC_STATIC);
    m.code.iload(1).op(OP_IRETURN);
    bool kept = false, moved = false, readable = false;
    RunResult r = vm.inside([&] {
        OBJECT garbage = instantiate(JavaLangObject);
        (void)garbage;
        MethodRecord* method = gcmaps::attach(vm, "Loaded", m, {{"", "AI", "", 0}}, false);
        void* before = method->stackMaps;
        garbageCollect(0);
        kept = !freed(method->stackMaps);
        garbageCollect(HeapSize / 4);
        moved = method->stackMaps != before;
        uint8_t vector[GC_VECTOR_BYTES];
        uint32_t offset = 0;
        getStackMapEntry(method, &offset, vector, 0);
        readable = vector[0] == 1;
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(kept) << "the StackMapTable of an unverified method is a root";
    EXPECT_TRUE(moved) << "and moves with compaction";
    EXPECT_TRUE(readable) << "its frames are still read after the move";
}

TEST(Collector, CompactionMovesObjectsAndUpdatesEveryReference) {
    Vm vm;
    addNodeClass(vm);
    struct Check {
        const char* what;
        bool ok = false;
    };
    std::vector<Check> checks = {{"objects moved"},
                                 {"root variable follows its object"},
                                 {"field follows the object it names"},
                                 {"array element follows its object"},
                                 {"interior pointer keeps its distance"},
                                 {"static field follows its object"},
                                 {"lock word follows its monitor record"},
                                 {"pinned block stays put"},
                                 {"permanent space untouched"},
                                 {"hash code kept in the lock word"},
                                 {"free list covers the space left"},
                                 {"a Thread object names its moved record"}};
    RunResult r = vm.inside([&] {
        OBJECT a = nullptr, arr = nullptr, locked = nullptr, hashed = nullptr, threadObject = nullptr;
        cell* interior = nullptr;
        makeTemporaryRoot(&threadObject);
        makeTemporaryRoot(&a);
        makeTemporaryRoot(&arr);
        makeTemporaryRoot(&locked);
        makeTemporaryRoot(&hashed);
        cell* perm = callocPermanentObject(4);
        perm[0] = 0x12345678;
        cell* boundary = PermanentBoundary;
        // garbage first, so that everything behind it can move down
        for (int i = 0; i < 200; i++) newNode(vm, nullptr, i);
        a = newNode(vm, newNode(vm, nullptr, 22), 11);
        arr = (OBJECT)instantiateArray(getObjectArrayClass(JavaLangObject), 4);
        ((ArrayObject*)arr)->u.odata[2] = newNode(vm, nullptr, 33);
        interior = &((ArrayObject*)arr)->u.cdata[3];
        makeTemporaryInteriorRoot(&interior, arr);
        *vm.staticAddress("Holder", "held") = p32Cell(newNode(vm, nullptr, 44));
        locked = newNode(vm, nullptr, 55);
        MonitorRecord* monitor = (MonitorRecord*)callocObject(5, GCT_MONITOR);
        monitor->hashCode = 0x1230;
        locked->monitor = p32Word(monitor) + LOCK_INFLATED;
        for (int i = 0; i < 50; i++) newNode(vm, nullptr, i);
        ArrayObject* pinned = instantiateArray(PrimitiveArrayClasses[T_INT], 2);
        pinned->u.cdata[0] = 66;
        lockObjectMemory(pinned);
        for (int i = 0; i < 50; i++) newNode(vm, nullptr, i);
        hashed = newNode(vm, nullptr, 77);
        int32_t hash = objectHashCode(hashed);
        threadObject = instantiate(JavaLangThread);
        ThreadRecord* record = BuildThread(&threadObject);
        OBJECT aBefore = a;
        garbageCollect(HeapSize / 4);
        checks[0].ok = a != aBefore;
        checks[1].ok = a->data[1] == 11 && headerType(*headerOf(a)) == GCT_INSTANCE;
        checks[2].ok = node(a->data[0])->data[1] == 22 && !freed(node(a->data[0]));
        checks[3].ok = ((ArrayObject*)arr)->u.odata[2]->data[1] == 33;
        checks[4].ok = interior == &((ArrayObject*)arr)->u.cdata[3];
        checks[5].ok = node(*vm.staticAddress("Holder", "held"))->data[1] == 44;
        MonitorRecord* now = (MonitorRecord*)(uintptr_t)(locked->monitor & ~3u);
        checks[6].ok =
            (locked->monitor & 3) == LOCK_INFLATED && !freed(now) && now->hashCode == 0x1230 && locked->data[1] == 55;
        checks[7].ok = pinned->u.cdata[0] == 66 && !freed(pinned);
        checks[8].ok = perm[0] == 0x12345678 && PermanentBoundary == boundary;
        checks[9].ok = objectHashCode(hashed) == hash && hashed->data[1] == 77;
        int32_t used = 0;
        for (cell* p = HeapStart; p < PermanentBoundary; p += headerSize((uint32_t)*p) + 1) {
            if (headerType((uint32_t)*p) != GCT_FREE) used += (int32_t)(headerSize((uint32_t)*p) + 1) * 4;
        }
        checks[10].ok = used + memoryFree() == (int32_t)((char*)PermanentBoundary - (char*)HeapStart);
        checks[11].ok = AllThreads != record && threadObject->data[1] == p32Cell(AllThreads) &&
                        AllThreads->javaThread == threadObject;
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    for (const Check& c : checks) EXPECT_TRUE(c.ok) << c.what;
}

// Frames: a reference in a local and one on the operand stack survive and move with a
// compaction inside a native called two frames up; the thread record, its stack chunk,
// its saved registers and the frame links move too; an int that happens to hold an
// object's address keeps nothing alive.
int32_t garbageAddress;
bool garbageWasFreed;
OBJECT seenBefore, seenAfter;
void makeGarbage() {
    OBJECT o = instantiate(getClass("Node"));
    garbageAddress = p32Cell(o);
    *++Regs.sp = garbageAddress;
}
void before() { seenBefore = (OBJECT)(uintptr_t)*Regs.sp--; }
FrameRecord* frameBefore;
ThreadRecord* threadBefore;
bool frameMoved, threadMoved;
void compact() {
    frameBefore = Regs.fp;
    MethodRecord* method = Regs.fp->thisMethod;
    threadBefore = CurrentThread;
    garbageCollect(0);
    garbageWasFreed = freed((void*)(uintptr_t)garbageAddress);
    garbageCollect(HeapSize / 4);
    frameMoved = Regs.fp != frameBefore && Regs.fp->thisMethod == method;
    threadMoved = CurrentThread != threadBefore;
}
void after() { seenAfter = (OBJECT)(uintptr_t)*Regs.sp--; }

TEST(Collector, FramesKeepExactlyTheirReferencesAndFollowThem) {
    Vm vm;
    addNodeClass(vm);
    ClassSpec& t = vm.cls("Frames");
    t.field("r", "I", ACC_STATIC);
    t.nativeMethod("garbage", "()I", ACC_STATIC, makeGarbage)
        .nativeMethod("before", "(Ljava/lang/Object;)V", ACC_STATIC, before)
        .nativeMethod("compact", "()V", ACC_STATIC, compact)
        .nativeMethod("after", "(Ljava/lang/Object;)V", ACC_STATIC, after);
    t.method("deep", "(Ljava/lang/Object;)I", ACC_STATIC)
        .code.invokestatic("Frames", "compact", "()V")
        .aload(0)
        .getfield("Node", "value", "I")
        .op(OP_IRETURN);
    // local 1: a node; local 2: an int holding a dead object's address; the stack
    // keeps a second node under the call; afterwards both are read through.
    t.method("main", MAIN_SIG, MAIN_FLAGS)
        .locals(3)
        .stack(6)
        .code.iconst(50)
        .newarray(T_INT)
        .op(OP_POP)
        .newObject("Node")
        .op(OP_DUP)
        .bipush(7)
        .putfield("Node", "value", "I")
        .astore(1)
        .invokestatic("Frames", "garbage", "()I")
        .istore(2)
        .newObject("Node")
        .op(OP_DUP)
        .bipush(35)
        .putfield("Node", "value", "I")
        .aload(1)
        .invokestatic("Frames", "before", "(Ljava/lang/Object;)V")
        .aload(1)
        .invokestatic("Frames", "deep", "(Ljava/lang/Object;)I")
        .op(OP_SWAP)
        .getfield("Node", "value", "I")
        .op(OP_IADD)
        .aload(1)
        .invokestatic("Frames", "after", "(Ljava/lang/Object;)V")
        .putstatic("Frames", "r", "I")
        .op(OP_RETURN);
    // garbage below the thread record and its stack chunk, so that they move too
    vm.beforeStart = [] { instantiateArray(PrimitiveArrayClasses[T_INT], 1000); };
    int32_t result = 0;
    vm.afterRun = [&] { result = *vm.staticAddress("Frames", "r"); };
    RunResult r = vm.run("Frames");
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(result, 42) << "both nodes read through after the move";
    EXPECT_NE(seenBefore, seenAfter) << "the node in the local moved";
    EXPECT_TRUE(garbageWasFreed) << "an int slot keeps nothing alive";
    EXPECT_TRUE(threadMoved) << "the thread record moved";
    EXPECT_TRUE(frameMoved) << "the saved frame pointer follows its stack chunk";
}

TEST(Collector, WeakReferencesHoldOnlyTheirReferent) {
    Vm vm;
    addNodeClass(vm);
    struct Case {
        const char* name;
        bool strongElsewhere, pinned, subclass;
        bool expectCleared;
        bool cleared = false, extraKept = true;
    };
    std::vector<Case> cases = {
        {"dead referent is cleared", false, false, false, true},
        {"referent held elsewhere stays", true, false, false, false},
        {"pinned referent stays", false, true, false, false},
        {"subclass: referent cleared, further field marked", false, false, true, true},
    };
    RunResult r = vm.inside([&] {
        for (Case& c : cases) {
            OBJECT ref = nullptr, strong = nullptr;
            int32_t saved = TemporaryRootsLength;
            makeTemporaryRoot(&ref);
            makeTemporaryRoot(&strong);
            ref = instantiate(vm.classRecord(c.subclass ? "Tracked" : "java/lang/ref/WeakReference"));
            setType(ref, GCT_WEAKREFERENCE);
            OBJECT referent = newNode(vm, nullptr, 1);
            ref->data[0] = p32Cell(referent);
            if (c.strongElsewhere) strong = referent;
            if (c.pinned) lockObjectMemory(referent);
            if (c.subclass) ref->data[2] = p32Cell(newNode(vm, nullptr, 9));
            garbageCollect(0);
            c.cleared = ref->data[0] == 0;
            if (c.subclass)
                c.extraKept = ref->data[2] != 0 && !freed(node(ref->data[2])) && node(ref->data[2])->data[1] == 9;
            if (c.pinned) unlockObjectMemory(referent);
            TemporaryRootsLength = saved;
        }
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    for (const Case& c : cases) {
        EXPECT_EQ(c.cleared, c.expectCleared) << c.name;
        EXPECT_TRUE(c.extraKept) << c.name;
    }
}

TEST(Collector, WeakReferenceFollowsItsReferentThroughCompaction) {
    Vm vm;
    addNodeClass(vm);
    bool followed = false;
    RunResult r = vm.inside([&] {
        OBJECT ref = nullptr, strong = nullptr;
        makeTemporaryRoot(&ref);
        makeTemporaryRoot(&strong);
        for (int i = 0; i < 100; i++) newNode(vm, nullptr, i);
        strong = newNode(vm, nullptr, 5);
        ref = instantiate(vm.classRecord("java/lang/ref/WeakReference"));
        setType(ref, GCT_WEAKREFERENCE);
        ref->data[0] = p32Cell(strong);
        OBJECT before = strong;
        garbageCollect(HeapSize / 4);
        followed = strong != before && node(ref->data[0]) == strong && ref->data[1] == 0;
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(followed);
}

std::vector<OBJECT> cleaned;
ThreadRecord* cleanupThread;
void recordCleanup(Instance** cell) {
    cleaned.push_back(*cell);
    cleanupThread = CurrentThread;
}

TEST(Collector, CleanupRunsOnceForEachDeadRegisteredObject) {
    Vm vm;
    addNodeClass(vm);
    size_t afterFirst = 0, afterSecond = 0, atEnd = 0;
    bool ranUnderScratchThread = false, liveNotCleaned = false, argumentCell = false;
    RunResult r = vm.inside([&] {
        cleaned.clear();
        OBJECT live = nullptr;
        makeTemporaryRoot(&live);
        // five registrations of one function: the list of three grows
        for (int i = 0; i < 5; i++) {
            OBJECT o = newNode(vm, nullptr, i);
            int32_t saved = TemporaryRootsLength;
            makeTemporaryRoot(&o);
            registerCleanup(&o, recordCleanup);
            TemporaryRootsLength = saved;
        }
        live = newNode(vm, nullptr, 100);
        registerCleanup(&live, recordCleanup);
        garbageCollect(0);
        afterFirst = cleaned.size();
        ranUnderScratchThread = cleanupThread != nullptr && cleanupThread != CurrentThread;
        argumentCell = cleanupThread != nullptr;
        garbageCollect(0);
        afterSecond = cleaned.size();
        liveNotCleaned = std::find(cleaned.begin(), cleaned.end(), live) == cleaned.end();
        FinalizeMemoryManagement();
        atEnd = cleaned.size();
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(afterFirst, 5u);
    EXPECT_EQ(afterSecond, 5u) << "a cleared entry does not run again";
    EXPECT_TRUE(liveNotCleaned);
    EXPECT_TRUE(ranUnderScratchThread && argumentCell);
    EXPECT_EQ(atEnd, 6u) << "the end of the run cleans what is still registered";
}

TEST(Collector, FailingNativeFinalizerIsRetriedAtTheNextCollection) {
    Vm vm;
    addNodeClass(vm);
    struct Case {
        const char* name;
        int32_t result;
        bool freedAfterFirst, calledAgain;
        bool gotFreed = false, gotCalledAgain = false;
    };
    std::vector<Case> cases = {{"finalizer succeeds: instance freed", 0, true, false},
                               {"finalizer fails: instance kept and retried", 3, false, true}};
    bool sawTheInstance = false;
    HookScope<int32_t (*)(OBJECT, ClassRecord*)> hook(CoreHooks.runNativeFinalizer, recordNativeFinalizer);
    RunResult r = vm.inside([&] {
        for (Case& c : cases) {
            finalizerResults.clear();
            finalizerCalls.clear();
            finalizerResults[vm.classRecord("PeerChild")] = c.result;
            OBJECT peer = instantiate(vm.classRecord("PeerChild"));
            garbageCollect(0);
            sawTheInstance = finalizerCalls.size() == 1 && finalizerCalls[0] == peer;
            c.gotFreed = freed(peer);
            size_t calls = finalizerCalls.size();
            finalizerResults[vm.classRecord("PeerChild")] = 0;
            garbageCollect(0);
            c.gotCalledAgain = finalizerCalls.size() > calls;
        }
        finalizerResults.clear();
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(sawTheInstance);
    for (const Case& c : cases) {
        EXPECT_EQ(c.gotFreed, c.freedAfterFirst) << c.name;
        EXPECT_EQ(c.gotCalledAgain, c.calledAgain) << c.name;
    }
}

TEST(Collector, FreeSpacePolicyDecidesHowMuchToCompact) {
    Vm vm;
    addNodeClass(vm);
    struct Case {
        const char* name;
        int quarterSteps;  // request: largest >> 2, plus one, or the largest itself
        int passesAtLeast, passesAtMost;
        int passes = 0;
    };
    std::vector<Case> cases = {{"request of a quarter of the largest chunk: no compaction", 0, 0, 0},
                               {"just above a quarter: one pass", 1, 1, 1},
                               {"three quarters or more: passes up to the permanent boundary", 2, 1, 1000}};
    bool fullReachedTop = false;
    RunResult r = vm.inside([&] {
        OBJECT keep = nullptr;
        makeTemporaryRoot(&keep);
        for (Case& c : cases) {
            // alternate live and dead nodes, so that the free space is cut in pieces
            keep = nullptr;
            garbageCollect(0);
            for (int i = 0; i < 400; i++) {
                OBJECT n = newNode(vm, keep, i);
                if (i % 2 == 0) keep = n;
            }
            garbageCollect(0);
            uint32_t largest = largestFree();
            int32_t request = c.quarterSteps == 0   ? (int32_t)(largest >> 2)
                              : c.quarterSteps == 1 ? (int32_t)(largest >> 2) + 1
                                                    : (int32_t)largest;
            int32_t before = CompactionPassCount;
            garbageCollect(request);
            c.passes = CompactionPassCount - before;
            if (c.quarterSteps == 2) fullReachedTop = CompactionCursor == PermanentBoundary;
        }
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    for (const Case& c : cases) {
        EXPECT_GE(c.passes, c.passesAtLeast) << c.name;
        EXPECT_LE(c.passes, c.passesAtMost) << c.name;
    }
    EXPECT_TRUE(fullReachedTop);
}

// A full compaction relocates every pointer once, after all its passes; relocating after
// each pass, as when no memory outside the heap can be had, must leave the very same
// heap and VM variables behind. Each case builds a heap that takes several passes, then
// compacts it both ways from the same snapshot of heap and variables. What free chunks
// hold behind their header and link is left over from the blocks that moved away, and
// not compared.
struct SavedState {
    std::vector<uint8_t> heap, data, bss;
};

SavedState saveState(const MKT_Section_Info* s) {
    SavedState st;
    st.heap.assign((uint8_t*)HeapStart, (uint8_t*)HeapTop);
    for (cell* p = HeapStart; p < PermanentBoundary; p += headerSize((uint32_t)*p) + 1) {
        if (headerType((uint32_t)*p) != GCT_FREE) continue;
        size_t at = (size_t)((char*)p - (char*)HeapStart);
        size_t words = headerSize((uint32_t)*p) + 1;
        if (words > 2) memset(&st.heap[at + 8], 0, (words - 2) * 4);
    }
    st.data.assign((uint8_t*)s->dataAddress, (uint8_t*)s->dataAddress + s->dataSize);
    st.bss.assign((uint8_t*)s->bssAddress, (uint8_t*)s->bssAddress + s->bssSize);
    return st;
}

void restoreState(const MKT_Section_Info* s, const SavedState& st) {
    memcpy(s->dataAddress, st.data.data(), st.data.size());
    memcpy(s->bssAddress, st.bss.data(), st.bss.size());
    memcpy(HeapStart, st.heap.data(), st.heap.size());
}

// The values along a chain of nodes (through the first element of an array link), and
// how many there are, in one number.
uint64_t chainSum(OBJECT o) {
    uint64_t sum = 0;
    while (o != nullptr) {
        if (headerType(*headerOf(o)) == GCT_OBJECTARRAY) {
            ArrayObject* a = (ArrayObject*)o;
            sum += 1000003u * (uint64_t)node(a->u.cdata[1])->data[1];
            o = a->u.odata[0];
            continue;
        }
        sum = sum * 31 + (uint64_t)o->data[1] + 1;
        o = node(o->data[0]);
    }
    return sum;
}

TEST(Collector, FullCompactionRelocatingOnceLeavesWhatRelocatingEachPassLeaves) {
    struct Case {
        const char* name;
        int nodes;  // nodes allocated, every keepEvery-th one kept on a chain
        int keepEvery;
        int arrayEvery;   // 0, or an object array of the chain so far every this many nodes
        bool pinAndHash;  // a pinned array and an object with a hash code among them
    };
    const std::vector<Case> cases = {
        {"alternating live and dead nodes", 3000, 2, 0, false},
        {"one live node in three, arrays pointing back", 2400, 3, 97, false},
        {"pinned block and a hash code in the middle", 2000, 2, 150, true},
    };
    for (const Case& c : cases) {
        Vm vm;
        vm.heapBytes = 512 * 1024;
        addNodeClass(vm);
        bool identical = false, sameRoots = false;
        int passes = 0;
        uint64_t sumBefore = 0, sumAfter = 1;
        int32_t hashBefore = 0, hashAfter = -1;
        RunResult r = vm.inside([&] {
            int count = 0;
            MKT_Section_Info* sections = MkSectionGetInfoR2(&count);
            ASSERT_NE(sections, nullptr);
            // the roots live here, so that they can be put back with the rest
            OBJECT roots[3] = {nullptr, nullptr, nullptr};
            OBJECT& chain = roots[0];
            OBJECT& hashed = roots[1];
            OBJECT& array = roots[2];
            for (OBJECT& root : roots) makeTemporaryRoot(&root);
            for (int i = 0; i < c.nodes; i++) {
                OBJECT n = newNode(vm, chain, i);
                if (i % c.keepEvery == 0) chain = n;
                if (c.arrayEvery && i % c.arrayEvery == 0) {
                    array = (OBJECT)instantiateArray(getObjectArrayClass(JavaLangObject), 2);
                    ((ArrayObject*)array)->u.odata[0] = chain;
                    chain = (OBJECT)array;
                    OBJECT element = newNode(vm, nullptr, i);
                    ((ArrayObject*)array)->u.odata[1] = element;
                    array = nullptr;
                }
                if (c.pinAndHash && i == c.nodes / 2) {
                    lockObjectMemory(instantiateArray(PrimitiveArrayClasses[T_INT], 3));
                    hashed = newNode(vm, nullptr, 99);
                    hashBefore = objectHashCode(hashed);
                }
            }
            garbageCollect(0);
            sumBefore = chainSum(chain);
            SavedState start = saveState(sections);
            OBJECT startRoots[3] = {roots[0], roots[1], roots[2]};
            int32_t passesBefore = CompactionPassCount;
            CompactionRelocatesEachPass = 1;
            garbageCollect(HeapSize / 4);
            CompactionRelocatesEachPass = 0;
            passes = CompactionPassCount - passesBefore;
            SavedState eachPass = saveState(sections);
            OBJECT eachPassRoots[3] = {roots[0], roots[1], roots[2]};
            restoreState(sections, start);
            for (int i = 0; i < 3; i++) roots[i] = startRoots[i];
            garbageCollect(HeapSize / 4);
            SavedState once = saveState(sections);
            identical = once.heap == eachPass.heap && once.data == eachPass.data && once.bss == eachPass.bss;
            sameRoots = roots[0] == eachPassRoots[0] && roots[1] == eachPassRoots[1] && roots[2] == eachPassRoots[2];
            sumAfter = chainSum(chain);
            if (hashed != nullptr) hashAfter = objectHashCode(hashed);
        });
        ASSERT_EQ(r.exitCode, 0) << c.name << "\n" << r.trace;
        EXPECT_GT(passes, 2) << c.name << ": the heap should take several passes";
        EXPECT_TRUE(identical) << c.name;
        EXPECT_TRUE(sameRoots) << c.name;
        EXPECT_EQ(sumAfter, sumBefore) << c.name;
        if (c.pinAndHash) {
            EXPECT_EQ(hashAfter, hashBefore) << c.name;
        }
    }
}

TEST(Collector, ExhaustedHeapThrowsThePreallocatedErrorAndRecovers) {
    Vm vm;
    vm.heapBytes = 128 * 1024;
    addNodeClass(vm);
    bool threwPreallocated = false, recovered = false;
    RunResult r = vm.inside([&] {
        OBJECT chain = nullptr;
        makeTemporaryRoot(&chain);
        VM_TRY
        for (;;) {
            ArrayObject* a = instantiateArray(getObjectArrayClass(JavaLangObject), 64);
            a->u.odata[0] = chain;
            chain = (OBJECT)a;
        }
        VM_CATCH(e)
        threwPreallocated = e == OutOfMemoryObject;
        VM_END_TRY
        chain = nullptr;
        VM_TRY
        instantiateArray(PrimitiveArrayClasses[T_INT], 4096);
        recovered = true;
        VM_CATCH(e)
        (void)e;
        VM_END_TRY
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(threwPreallocated);
    EXPECT_TRUE(recovered) << "dropping the chain makes room again";
}

TEST(Collector, CollectionInsideACollectionIsFatal) {
    Vm vm;
    addNodeClass(vm);
    RunResult r = vm.inside([&] {
        OBJECT o = newNode(vm, nullptr, 1);
        registerCleanup(&o, [](Instance**) { garbageCollect(0); });
        o = nullptr;
        garbageCollect(0);
    });
    EXPECT_EQ(r.exitCode, FATAL_EXIT_CODE);
    EXPECT_NE(r.trace.find("Circular GC invocation!"), std::string::npos) << r.trace;
}

// A first frame too large for the thread's first chunk is pushed on a new one; the
// collection that allocation may run still sees the arguments at the chunk start.
bool argumentsIntact;
void checkArguments() {
    ArrayObject* a = (ArrayObject*)(uintptr_t)*Regs.sp--;
    argumentsIntact = headerType(*headerOf(a)) == GCT_OBJECTARRAY && a->length == 0 &&
                      asArrayClass(a->clazz)->u.elemClass == JavaLangString;
}

TEST(Collector, ArgumentsOfAThreadsFirstFrameSurviveItsPush) {
    Vm vm;
    ClassSpec& t = vm.cls("Big");
    t.field("r", "I", ACC_STATIC);
    t.nativeMethod("check", "(Ljava/lang/Object;)V", ACC_STATIC, checkArguments);
    t.method("main", MAIN_SIG, MAIN_FLAGS)
        .locals(400)
        .code.aload(0)
        .invokestatic("Big", "check", "(Ljava/lang/Object;)V")
        .aload(0)
        .op(OP_ARRAYLENGTH)
        .iconst(7)
        .op(OP_IADD)
        .putstatic("Big", "r", "I")
        .op(OP_RETURN);
    vm.beforeStart = [] { CollectOnEveryAllocation = 2; };
    argumentsIntact = false;
    int32_t r = 0;
    vm.afterRun = [&] {
        r = *vm.staticAddress("Big", "r");
        CollectOnEveryAllocation = 0;
    };
    RunResult result = vm.run("Big");
    ASSERT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 7);
    EXPECT_TRUE(argumentsIntact);
}

// A frame that needs a new stack chunk is pushed while a collection moves the chunk
// holding its arguments: they must be taken from where the chunk lies afterwards.
TEST(Collector, ArgumentsFollowTheirChunkWhenTheCalleeNeedsANewOne) {
    Vm vm;
    addNodeClass(vm);
    ClassSpec& t = vm.cls("Push");
    t.field("r", "I", ACC_STATIC);
    t.method("big", "(Ljava/lang/Object;)I", ACC_STATIC)
        .locals(400)
        .code.aload(0)
        .getfield("Node", "value", "I")
        .op(OP_IRETURN);
    // the held array dies right before the call, below the thread's stack chunk
    t.method("main", MAIN_SIG, MAIN_FLAGS)
        .stack(4)
        .code.newObject("Node")
        .op(OP_DUP)
        .bipush(42)
        .putfield("Node", "value", "I")
        .op(OP_ACONST_NULL)
        .putstatic("Holder", "held", "Ljava/lang/Object;")
        .invokestatic("Push", "big", "(Ljava/lang/Object;)I")
        .putstatic("Push", "r", "I")
        .op(OP_RETURN);
    vm.beforeStart = [&] {
        *vm.staticAddress("Holder", "held") = p32Cell(instantiateArray(PrimitiveArrayClasses[T_INT], 200));
        CollectOnEveryAllocation = 2;
    };
    int32_t r = 0;
    vm.afterRun = [&] {
        r = *vm.staticAddress("Push", "r");
        CollectOnEveryAllocation = 0;
    };
    RunResult result = vm.run("Push");
    ASSERT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 42);
}

// The debug check of pointers into a stack chunk: a frame pointer kept across an
// allocation whose compaction moves the chunk is caught; one taken afterwards is not.
bool stampAfterAllocation;
void allocateKeepingTheFrame() {
    FrameRecord* frame = Regs.fp;
    uint32_t moves = ChunkMoves;
    instantiateArray(PrimitiveArrayClasses[T_INT], 4);
    if (stampAfterAllocation) {
        frame = Regs.fp;
        moves = ChunkMoves;
    }
    VM_ASSERT_CHUNKS_UNMOVED(moves);
    (void)frame;
}

TEST(Collector, FramePointerKeptAcrossAMoveOfItsChunkIsCaught) {
    if (!VM_ASSERTS_ON) GTEST_SKIP() << "built without VM_ASSERT";
    struct Case {
        const char* name;
        bool stampAfter;
        int32_t exitCode;
    };
    const Case cases[] = {{"kept across the allocation", false, FATAL_EXIT_CODE}, {"taken afterwards", true, 0}};
    for (const Case& k : cases) {
        Vm vm;
        addNodeClass(vm);
        ClassSpec& t = vm.cls("Keep");
        t.nativeMethod("allocate", "()V", ACC_STATIC, allocateKeepingTheFrame);
        // the held array dies below the thread's chunk, so the compaction slides the chunk
        t.method("main", MAIN_SIG, MAIN_FLAGS)
            .stack(2)
            .code.op(OP_ACONST_NULL)
            .putstatic("Holder", "held", "Ljava/lang/Object;")
            .invokestatic("Keep", "allocate", "()V")
            .op(OP_RETURN);
        vm.beforeStart = [&] {
            *vm.staticAddress("Holder", "held") = p32Cell(instantiateArray(PrimitiveArrayClasses[T_INT], 200));
            CollectOnEveryAllocation = 2;
        };
        vm.afterRun = [] { CollectOnEveryAllocation = 0; };
        stampAfterAllocation = k.stampAfter;
        RunResult r = vm.run("Keep");
        EXPECT_EQ(r.exitCode, k.exitCode) << k.name << r.trace;
        bool reported =
            r.trace.find("ALERT: VM_ASSERT failed: ChunkMoves == (moves) (gc_test.cpp:") != std::string::npos;
        EXPECT_EQ(reported, k.exitCode != 0) << k.name << r.trace;
    }
}

TEST(Collector, StressSwitchComesFromTheEnvironment) {
    struct Case {
        const char* value;
        int32_t expect;
    };
    const Case cases[] = {{nullptr, 0}, {"1", 1}, {"2", 2}};
    for (const Case& c : cases) {
        if (c.value)
            setenv("MOVANE_GC_STRESS", c.value, 1);
        else
            unsetenv("MOVANE_GC_STRESS");
        Vm vm;
        int32_t mode = -1, collections = 0;
        RunResult r = vm.inside([&] {
            mode = CollectOnEveryAllocation;
            int32_t before = CollectionCount;
            instantiate(JavaLangObject);
            collections = CollectionCount - before;
            CollectOnEveryAllocation = 0;
        });
        unsetenv("MOVANE_GC_STRESS");
        ASSERT_EQ(r.exitCode, 0) << r.trace;
        EXPECT_EQ(mode, c.expect) << (c.value ? c.value : "unset");
        EXPECT_EQ(collections, c.expect ? 1 : 0) << (c.value ? c.value : "unset");
    }
}

// A tree whose children all lie below their parents makes the marking scan below the
// heap walk: past the recursion depth the mark queue fills and the walk is repeated.
TEST(Collector, WideTreesBelowTheWalkSurviveMarkQueueOverflow) {
    Vm vm;
    vm.heapBytes = 1024 * 1024;
    int32_t built = 0, survived = 0, collectionsKeptAll = 0;
    RunResult r = vm.inside([&] {
        ArrayClassRecord* arrayClass = getObjectArrayClass(JavaLangObject);
        // level by level from the leaves up: each node an Object[3] of its children
        OBJECT level = nullptr, next = nullptr;
        makeTemporaryRoot(&level);
        makeTemporaryRoot(&next);
        level = (OBJECT)instantiateArray(arrayClass, 729);
        for (int i = 0; i < 729; i++) {
            ArrayObject* leaf = instantiateArray(arrayClass, 3);
            ((ArrayObject*)level)->u.odata[i] = (OBJECT)leaf;
            built++;
        }
        for (int width = 243; width >= 1; width /= 3) {
            next = (OBJECT)instantiateArray(arrayClass, width);
            for (int i = 0; i < width; i++) {
                ArrayObject* n = instantiateArray(arrayClass, 3);
                for (int k = 0; k < 3; k++) n->u.odata[k] = ((ArrayObject*)level)->u.odata[3 * i + k];
                ((ArrayObject*)next)->u.odata[i] = (OBJECT)n;
                built++;
            }
            level = next;
        }
        OBJECT root = ((ArrayObject*)level)->u.odata[0];
        level = root;
        next = nullptr;
        for (int round = 0; round < 2; round++) {
            garbageCollect(0);
            // count what is still reachable and intact
            int32_t count = 0;
            std::vector<ArrayObject*> work = {(ArrayObject*)level};
            while (!work.empty()) {
                ArrayObject* n = work.back();
                work.pop_back();
                if (freed(n) || headerType(*headerOf(n)) != GCT_OBJECTARRAY) continue;
                count++;
                for (int k = 0; k < 3; k++) {
                    if (n->u.odata[k] != nullptr) work.push_back((ArrayObject*)n->u.odata[k]);
                }
            }
            survived = count;
            collectionsKeptAll += count == built;
        }
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(built, 1093);
    EXPECT_EQ(survived, built);
    EXPECT_EQ(collectionsKeptAll, 2);
}

template <int N>
void numberedCleanup(Instance**) {}

template <int... N>
std::vector<CleanupFunction> cleanupFunctions(std::integer_sequence<int, N...>) {
    return {&numberedCleanup<N>...};
}

TEST(Collector, SixtyFiveCleanupFunctionsAreTooMany) {
    Vm vm;
    addNodeClass(vm);
    int32_t registered = 0;
    // Made out here: the fatal exit leaves the run by longjmp and runs no destructor.
    const std::vector<CleanupFunction> functions = cleanupFunctions(std::make_integer_sequence<int, 65>());
    RunResult r = vm.inside([&] {
        OBJECT o = nullptr;
        makeTemporaryRoot(&o);
        for (CleanupFunction f : functions) {
            o = newNode(vm, nullptr, 0);
            registerCleanup(&o, f);
            registered++;
        }
    });
    EXPECT_EQ(r.exitCode, FATAL_EXIT_CODE);
    EXPECT_EQ(registered, 64);
    EXPECT_NE(r.trace.find("Error, too many cleanup registrations"), std::string::npos) << r.trace;
}

// The churning program: a list of 2,000 nodes is kept while short lists are built and
// dropped; its checksum and the identity hashes of its first and last node must come
// out the same whatever the collector does.
struct ChurnResult {
    int exitCode;
    int32_t checksum, hashesKept, collections;
    std::string trace;
};

void hashNative() {
    OBJECT o = (OBJECT)(uintptr_t)*Regs.sp;
    *Regs.sp = objectHashCode(o);
}

ChurnResult churn(int stress, int rounds) {
    Vm vm;
    vm.heapBytes = 512 * 1024;
    addNodeClass(vm);
    ClassSpec& c = vm.cls("Churn");
    c.field("keep", "Ljava/lang/Object;", ACC_STATIC).field("sum", "I", ACC_STATIC).field("hashes", "I", ACC_STATIC);
    c.nativeMethod("hash", "(Ljava/lang/Object;)I", ACC_STATIC, hashNative);
    // build(n): a list of n nodes, values 0..n-1, head last
    MethodSpec& build = c.method("build", "(I)Ljava/lang/Object;", ACC_STATIC).locals(3).stack(4);
    build.code.op(OP_ACONST_NULL)
        .astore(1)
        .iconst(0)
        .istore(2)
        .label("loop")
        .iload(2)
        .iload(0)
        .branch(OP_IF_ICMPGE, "done")
        .newObject("Node")
        .op(OP_DUP)
        .aload(1)
        .putfield("Node", "next", "Ljava/lang/Object;")
        .op(OP_DUP)
        .iload(2)
        .putfield("Node", "value", "I")
        .astore(1)
        .iinc(2, 1)
        .branch(OP_GOTO, "loop")
        .label("done")
        .aload(1)
        .op(OP_ARETURN);
    // sum(list): s = s * 31 + value over the list
    MethodSpec& sum = c.method("sum", "(Ljava/lang/Object;)I", ACC_STATIC).locals(2).stack(4);
    sum.code.iconst(0)
        .istore(1)
        .label("loop")
        .aload(0)
        .branch(OP_IFNULL, "done")
        .iload(1)
        .bipush(31)
        .op(OP_IMUL)
        .aload(0)
        .checkcast("Node")
        .getfield("Node", "value", "I")
        .op(OP_IADD)
        .istore(1)
        .aload(0)
        .checkcast("Node")
        .getfield("Node", "next", "Ljava/lang/Object;")
        .astore(0)
        .branch(OP_GOTO, "loop")
        .label("done")
        .iload(1)
        .op(OP_IRETURN);
    // last(list): the last node
    MethodSpec& last = c.method("last", "(Ljava/lang/Object;)Ljava/lang/Object;", ACC_STATIC).stack(2);
    last.code.label("loop")
        .aload(0)
        .checkcast("Node")
        .getfield("Node", "next", "Ljava/lang/Object;")
        .branch(OP_IFNULL, "done")
        .aload(0)
        .checkcast("Node")
        .getfield("Node", "next", "Ljava/lang/Object;")
        .astore(0)
        .branch(OP_GOTO, "loop")
        .label("done")
        .aload(0)
        .op(OP_ARETURN);
    // main: keep = build(2000); h = hash(keep) ^ hash(last(keep)); churn; compare hashes
    MethodSpec& main = c.method("main", MAIN_SIG, MAIN_FLAGS).locals(3).stack(4);
    main.code.sipush(2000)
        .invokestatic("Churn", "build", "(I)Ljava/lang/Object;")
        .putstatic("Churn", "keep", "Ljava/lang/Object;")
        .getstatic("Churn", "keep", "Ljava/lang/Object;")
        .invokestatic("Churn", "hash", "(Ljava/lang/Object;)I")
        .getstatic("Churn", "keep", "Ljava/lang/Object;")
        .invokestatic("Churn", "last", "(Ljava/lang/Object;)Ljava/lang/Object;")
        .invokestatic("Churn", "hash", "(Ljava/lang/Object;)I")
        .op(OP_IXOR)
        .istore(2)
        .iconst(0)
        .istore(1)
        .label("loop")
        .iload(1)
        .ldcInt(rounds)
        .branch(OP_IF_ICMPGE, "done")
        .bipush(50)
        .invokestatic("Churn", "build", "(I)Ljava/lang/Object;")
        .op(OP_POP)
        .iinc(1, 1)
        .branch(OP_GOTO, "loop")
        .label("done")
        .getstatic("Churn", "keep", "Ljava/lang/Object;")
        .invokestatic("Churn", "sum", "(Ljava/lang/Object;)I")
        .putstatic("Churn", "sum", "I")
        .getstatic("Churn", "keep", "Ljava/lang/Object;")
        .invokestatic("Churn", "hash", "(Ljava/lang/Object;)I")
        .getstatic("Churn", "keep", "Ljava/lang/Object;")
        .invokestatic("Churn", "last", "(Ljava/lang/Object;)Ljava/lang/Object;")
        .invokestatic("Churn", "hash", "(Ljava/lang/Object;)I")
        .op(OP_IXOR)
        .iload(2)
        .op(OP_ISUB)
        .putstatic("Churn", "hashes", "I")
        .op(OP_RETURN);
    vm.beforeStart = [&] {
        gcmaps::attach(vm, "Churn", build, {{"loop", "IAI", ""}, {"done", "IAI", ""}});
        gcmaps::attach(vm, "Churn", sum, {{"loop", "AI", ""}, {"done", "AI", ""}});
        gcmaps::attach(vm, "Churn", last, {{"loop", "A", ""}, {"done", "A", ""}});
        gcmaps::attach(vm, "Churn", main, {{"loop", "AII", ""}, {"done", "AII", ""}});
        CollectOnEveryAllocation = stress;
    };
    ChurnResult out{};
    int32_t collectionsBefore = 0;
    vm.afterRun = [&] {
        out.checksum = *vm.staticAddress("Churn", "sum");
        out.hashesKept = *vm.staticAddress("Churn", "hashes") == 0;
        out.collections = CollectionCount - collectionsBefore;
        CollectOnEveryAllocation = 0;
    };
    RunResult r = vm.run("Churn");
    out.exitCode = r.exitCode;
    out.trace = r.trace;
    return out;
}

int32_t expectedChecksum() {
    int32_t s = 0;
    for (int v = 1999; v >= 0; v--) s = s * 31 + v;  // the head is the node built last
    return s;
}

TEST(Collector, ChurnKeepsTheGraphWithAndWithoutStress) {
    struct Case {
        const char* name;
        int stress, rounds, minCollections;
    };
    const Case cases[] = {
        {"megabytes of churn through 512 KB", 0, 4000, 5},
        {"collect on every allocation: a megabyte of churn", 1, 1100, 55000},
        {"full compaction on every allocation", 2, 40, 4000},
    };
    for (const Case& c : cases) {
        ChurnResult r = churn(c.stress, c.rounds);
        ASSERT_EQ(r.exitCode, 0) << c.name << "\n" << r.trace;
        EXPECT_EQ(r.checksum, expectedChecksum()) << c.name;
        EXPECT_TRUE(r.hashesKept) << c.name;
        EXPECT_GE(r.collections, c.minCollections) << c.name;
    }
}

}  // namespace
