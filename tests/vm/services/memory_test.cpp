// Pointer blocks, object locks, the handle table and the pointer queue, inside a run.
#include <gtest/gtest.h>

#include <string.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sink_capture.h"
#include "support/vmasm.h"
#include "vm/core/gc.h"
#include "vm/services/amservice.h"
#include "vm/services/memory.h"
#include "vm/services/pointerqueue.h"

using namespace vmasm;

namespace {

// Runs fn inside a started run; fails the test when the run did not end normally.
void insideRun(const std::function<void()>& fn, int32_t heapBytes = 256 * 1024) {
    Vm vm;
    vm.heapBytes = heapBytes;
    RunResult r = vm.inside(fn);
    ASSERT_EQ(0, r.exitCode) << r.trace;
}

TEST(MemoryPointer, SizesAndRefusals) {
    struct Case {
        const char* name;
        int32_t size;
        bool collecting;
        bool granted;
        const char* trace;
    };
    const Case cases[] = {
        {"zero", 0, false, false, "mvMemory_allocPointer: Illegal size 0\n"},
        {"negative", -5, false, false, "mvMemory_allocPointer: Illegal size -5\n"},
        {"five bytes", 5, false, true, ""},
        {"above the limit", 0x2000001, false, false, ""},
        {"while collecting", 8, true, false, "GC is running. Counld not allocate memory. size:8\n"},
    };
    for (const Case& c : cases) {
        void* block = nullptr;
        uint32_t header = 0;
        bool zeroed = false;
        std::string trace;
        insideRun([&] {
            SinkCapture sink;
            CollectorRunning = c.collecting ? 1 : 0;
            block = mvMemory_allocPointer(c.size);
            CollectorRunning = 0;
            trace = sink.text;
            if (block != nullptr) {
                header = *headerOf(block);
                zeroed = memcmp(block, "\0\0\0\0\0", 5) == 0;
            }
        });
        EXPECT_EQ(c.granted, block != nullptr) << c.name;
        EXPECT_EQ(c.trace, trace) << c.name;
        if (c.granted) {
            EXPECT_EQ(2u, headerSize(header)) << c.name;
            EXPECT_EQ((uint32_t)GCT_MEMBLOCK, headerType(header)) << c.name;
            EXPECT_EQ(1u, headerPins(header)) << c.name;
            EXPECT_TRUE(zeroed) << c.name;
        }
    }
}

TEST(MemoryPointer, FreedBlockIsReclaimedAndKeptBlockStays) {
    insideRun([] {
        char* kept = (char*)mvMemory_allocPointer(64);
        char* freed = (char*)mvMemory_allocPointer(64);
        ASSERT_TRUE(kept && freed);
        strcpy(kept, "still here");
        EXPECT_EQ(0, mvMemory_freePointer(freed));
        garbageCollect(0);
        EXPECT_STREQ("still here", kept);
        EXPECT_EQ(GCT_FREE, (int)headerType(*headerOf(freed))) << "a freed block is reclaimed";
        EXPECT_EQ(-1, mvMemory_freePointer(nullptr));
    });
}

TEST(MemoryObjectLock, RefusesWhatIsNoObjectAndCountsPins) {
    static int32_t cVariable;
    insideRun([] {
        cell* object = mallocHeapObject(2, GCT_NOPOINTERS);
        *headerOf(object) &= ~(uint32_t)HEADER_PIN_MASK;
        struct Case {
            const char* name;
            void* object;
            int32_t result;
            const char* trace;
        };
        char misaligned[64];
        mvSprintf(misaligned, sizeof misaligned, "objectLock/Unlock: invalid object %p\n", (char*)object + 1);
        std::string misalignedTrace = std::string(misaligned) + "  not four-byte aligned\n";
        char outside[64];
        mvSprintf(outside, sizeof outside, "objectLock/Unlock: invalid object %p\n", (void*)&cVariable);
        std::string outsideTrace = std::string(outside) + "  not object but C variable\n";
        const Case cases[] = {
            {"null", nullptr, -1, "objectLock/Unlock: invalid object 00000000\n"},
            {"C variable", &cVariable, -4, outsideTrace.c_str()},
            {"misaligned", (char*)object + 1, -2, misalignedTrace.c_str()},
            {"message buffer", MessageBuffer, 0, ""},
            {"heap object", object, 0, ""},
        };
        for (const Case& c : cases) {
            SinkCapture sink;
            EXPECT_EQ(c.result, mvMemory_objectLock(c.object)) << c.name;
            EXPECT_EQ(c.trace, sink.text) << c.name;
        }
        EXPECT_EQ(1u, headerPins(*headerOf(object)));
        for (int i = 1; i < PIN_COUNT_MAX; i++) mvMemory_objectLock(object);
        SinkCapture sink;
        EXPECT_EQ(-1, mvMemory_objectLock(object)) << "a fifteenth pin";
        char line[64];
        mvSprintf(line, sizeof line, "Warning: mvMemory_objectLock(%p) is illegal.\n", (void*)object);
        EXPECT_EQ(line, sink.text);
        for (int i = 0; i < PIN_COUNT_MAX; i++) EXPECT_EQ(0, mvMemory_objectUnlock(object));
        EXPECT_EQ(-1, mvMemory_objectUnlock(object)) << "unlock of an unpinned object";
    });
}

TEST(MemoryHandle, SmallThenLargeHandlesInOrder) {
    insideRun(
        [] {
            std::vector<MemHandle> handles;
            for (int i = 0; i < 255; i++) handles.push_back(mvMemory_allocHandle(4));
            EXPECT_EQ(1u, handles[0]);
            EXPECT_EQ(2u, handles[1]);
            EXPECT_EQ(255u, handles[254]);
            EXPECT_EQ(0x10000000u, mvMemory_allocHandle(4)) << "segment 0, subsegment 0, slot 0";
            EXPECT_EQ(0x10000001u, mvMemory_allocHandle(4));
            EXPECT_EQ(0, freeHandle(7));
            EXPECT_EQ(7u, mvMemory_allocHandle(4)) << "a freed small handle comes back first";
            for (int slot = 2; slot < 255; slot++) ASSERT_EQ(0x10000000u + slot, mvMemory_allocHandle(4));
            EXPECT_EQ(0x10000100u, mvMemory_allocHandle(4)) << "subsegment 1 after a full subsegment 0";
            EXPECT_EQ(0, freeHandle(0x10000005));
            EXPECT_EQ(0x10000005u, mvMemory_allocHandle(4)) << "the freed large handle is the hint";
        },
        1024 * 1024);
}

TEST(MemoryHandle, BlocksMoveWithTheTableAndKeepTheirContents) {
    insideRun([] {
        // garbage between the blocks, so that compaction moves them
        std::vector<MemHandle> handles;
        for (int i = 0; i < 300; i++) {
            mallocHeapObject(8, GCT_NOPOINTERS);
            MemHandle h = mvMemory_allocHandle(16);
            ASSERT_NE(0u, h);
            int32_t* p = (int32_t*)handleLock(h);
            p[0] = i;
            p[3] = -i;
            handleUnlock(h);
            handles.push_back(h);
        }
        void* before = handleLock(handles[299]);
        handleUnlock(handles[299]);
        garbageCollect(0x1000000);  // more than the heap has: a full compaction
        void* after = handleLock(handles[299]);
        handleUnlock(handles[299]);
        EXPECT_NE(before, after) << "an unlocked block moves when the heap is compacted";
        for (int i = 0; i < 300; i++) {
            int32_t* p = (int32_t*)handleLock(handles[i]);
            ASSERT_NE(nullptr, p);
            EXPECT_EQ(i, p[0]);
            EXPECT_EQ(-i, p[3]);
            handleUnlock(handles[i]);
        }
    });
}

TEST(MemoryHandle, BadLockedAndFreedHandles) {
    insideRun([] {
        {
            SinkCapture sink;
            EXPECT_EQ(-1, freeHandle(3));
            EXPECT_EQ("freeHandle: already freed memory handle 0x00000003\n", sink.text) << "no table yet";
        }
        MemHandle h = mvMemory_allocHandle(8);
        struct Case {
            const char* name;
            MemHandle handle;
            const char* trace;
        };
        const Case cases[] = {
            {"zero", 0, "freeHandle: invalid memory handle 0x00000000\n"},
            {"segment 32", 0x10200000, "freeHandle: invalid memory handle 0x10200000\n"},
            {"subsegment 252", 0x1000FC00, "freeHandle: invalid memory handle 0x1000fc00\n"},
            {"slot 255", 0x100000FF, "freeHandle: invalid memory handle 0x100000ff\n"},
            {"between the forms", 0x00000100, "freeHandle: invalid memory handle 0x00000100\n"},
            {"never given", 9, "freeHandle: already freed memory handle 0x00000009\n"},
            {"missing segment", 0x10050000, "freeHandle: already freed memory handle 0x10050000\n"},
        };
        for (const Case& c : cases) {
            SinkCapture sink;
            EXPECT_EQ(-1, freeHandle(c.handle)) << c.name;
            EXPECT_EQ(c.trace, sink.text) << c.name;
        }
        ASSERT_NE(nullptr, handleLock(h));
        {
            SinkCapture sink;
            EXPECT_EQ(-1, freeHandle(h));
            EXPECT_EQ("freeHandle: still locked handle 0x00000001\n", sink.text);
        }
        for (int i = 1; i < PIN_COUNT_MAX; i++) ASSERT_NE(nullptr, handleLock(h));
        {
            SinkCapture sink;
            EXPECT_EQ(nullptr, handleLock(h));
            EXPECT_EQ("handleLock: too much locked handle 0x00000001\n", sink.text);
        }
        for (int i = 0; i < PIN_COUNT_MAX; i++) EXPECT_EQ(0, handleUnlock(h));
        {
            SinkCapture sink;
            EXPECT_EQ(-1, handleUnlock(h));
            EXPECT_EQ("handleUnlock: too much unlocked handle 0x00000001\n", sink.text);
        }
        EXPECT_EQ(0, freeHandle(h));
        SinkCapture sink;
        EXPECT_EQ(-1, freeHandle(h));
        EXPECT_EQ(nullptr, handleLock(h));
        EXPECT_EQ(-1, handleUnlock(h));
        EXPECT_EQ(
            "freeHandle: already freed memory handle 0x00000001\n"
            "handleLock: invalid memory handle 0x00000001\n"
            "handleUnlock: invalid memory handle 0x00000001\n",
            sink.text);
    });
}

TEST(MemoryHandle, RefusalsOfTheAllocation) {
    insideRun([] {
        EXPECT_EQ(0u, mvMemory_allocHandle(-1));
        EXPECT_EQ(0u, mvMemory_allocHandle(0x2000001));
        EXPECT_EQ((MemHandle)-1, AmMemAllocHandle(-1)) << "the service interface's variant";
        SinkCapture sink;
        CollectorRunning = 1;
        EXPECT_EQ(0u, mvMemory_allocHandle(8));
        CollectorRunning = 0;
        EXPECT_EQ("Warning: GC is running. Counld not allocate memory. size:8\n", sink.text);
    });
}

// Host threads share the handle table through the service interface, each call under
// its lock: every handle is distinct and every block keeps what its thread wrote.
TEST(MemoryHandle, HostThreadsAllocateLockAndFreeAtOnce) {
    insideRun(
        [] {
            enum { THREADS = 4, EACH = 150 };
            std::vector<MemHandle> made[THREADS];
            std::vector<std::thread> threads;
            for (int t = 0; t < THREADS; t++) {
                threads.emplace_back([t, &made] {
                    for (int i = 0; i < EACH; i++) {
                        MemHandle h = AmMemAllocHandle(16);
                        if (h == (MemHandle)-1) continue;
                        int32_t* p = (int32_t*)AmMemLockHandle(h);
                        if (p != nullptr) p[0] = t * 1000 + i;
                        AmMemUnlockHandle(h);
                        made[t].push_back(h);
                        if (i % 3 == 0) {
                            AmMemFreeHandle(made[t].back());
                            made[t].pop_back();
                        }
                    }
                });
            }
            for (std::thread& th : threads) th.join();
            std::set<MemHandle> seen;
            for (int t = 0; t < THREADS; t++) {
                EXPECT_EQ((size_t)(EACH - EACH / 3), made[t].size());
                for (size_t k = 0; k < made[t].size(); k++) {
                    EXPECT_TRUE(seen.insert(made[t][k]).second) << "handle given twice: " << made[t][k];
                    int32_t* p = (int32_t*)AmMemLockHandle(made[t][k]);
                    ASSERT_NE(nullptr, p);
                    EXPECT_EQ(t, p[0] / 1000);
                    AmMemUnlockHandle(made[t][k]);
                    EXPECT_EQ(0, AmMemFreeHandle(made[t][k]));
                }
            }
        },
        1024 * 1024);
}

TEST(MemoryHandle, TaggedArrayBlock) {
    insideRun([] {
        MemHandle tagged = mvMemory_allocHandle(16);
        MemHandle plain = mvMemory_allocHandle(16);
        memcpy(handleLock(tagged), "ARRY", 4);
        handleUnlock(tagged);
        memcpy(handleLock(plain), "ARRX", 4);
        handleUnlock(plain);
        EXPECT_NE(nullptr, lockTaggedArrayBlock(tagged));
        EXPECT_EQ(nullptr, lockTaggedArrayBlock(plain));
        EXPECT_EQ(nullptr, lockTaggedArrayBlock(77));
    });
}

TEST(PointerQueue, OrderRemovalAndFailedAppend) {
    insideRun([] {
        // the values go into the nodes' words: pinned blocks of the run, not the stack
        int* a = (int*)mvMemory_allocPointer(4);
        int* b = (int*)mvMemory_allocPointer(4);
        int* c = (int*)mvMemory_allocPointer(4);
        ASSERT_TRUE(a && b && c);
        PointerQueue q;
        queueInit(&q);
        ASSERT_EQ(0, queueAppend(&q, a));
        ASSERT_EQ(0, queueAppend(&q, b));
        ASSERT_EQ(0, queueAppend(&q, c));
        garbageCollect(0);  // the nodes are pinned: the collector keeps them
        EXPECT_EQ(c, queuePop(&q));
        EXPECT_EQ(b, queuePop(&q));
        EXPECT_EQ(a, queuePop(&q));
        EXPECT_EQ(nullptr, queuePop(&q)) << "a fourth pop";
        EXPECT_TRUE(q.head == nullptr && q.tail == nullptr);

        queueAppend(&q, a);
        queueAppend(&q, b);
        queueAppend(&q, a);
        PointerQueueNode* nearHead = q.head;
        PointerQueueNode* nearTail = q.tail;
        EXPECT_EQ(a, queueRemove(&q, a));
        EXPECT_EQ(q.head->value.get(), (void*)b) << "the occurrence nearer the head goes";
        EXPECT_EQ(q.tail.get(), nearTail);
        EXPECT_NE(q.head.get(), nearHead);
        EXPECT_EQ(nullptr, queueRemove(&q, c)) << "a value not held";
        EXPECT_EQ(b, queueRemove(&q, b));
        EXPECT_EQ(a, queueRemove(&q, a));
        EXPECT_TRUE(q.head == nullptr && q.tail == nullptr) << "removing the only node empties the header";

        queueAppend(&q, a);
        PointerQueue before = q;
        CollectorRunning = 1;  // every allocation is refused
        EXPECT_EQ(-1, queueAppend(&q, b));
        CollectorRunning = 0;
        EXPECT_TRUE(q.head == before.head && q.tail == before.tail && q.head->next == nullptr);
    });
}

}  // namespace
