// The synchronous requests of the service interface: the queue holds one request at a
// time, and a request that finds it taken is coalesced with the pending one. Posters on
// host threads race the VM thread, which takes and completes what is queued; every
// request must be completed exactly once, by the coalescing or by the VM thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/events.h"
#include "support/vmasm.h"
#include "vm/services/amservice.h"
#include "vm/services/events.h"
#include "vm/services/vmstate.h"

using namespace vmasm;

namespace {

enum { POSTERS = 3, EACH = 400, REQUESTS = POSTERS * EACH };

std::atomic<int32_t> completions[REQUESTS];
std::atomic<int32_t> strangers;

// The id of a request travels in its b word, the fourth word of the completion block.
void counted(int32_t* block) {
    int32_t id = block[3];
    if (id >= 0 && id < REQUESTS) {
        completions[id]++;
    } else {
        strangers++;
    }
}

void post(int32_t id) {
    // a repaint now and then; otherwise requests for three targets
    int32_t type = id % 5 == 0 ? AM_REQUEST_REPAINT : AM_REQUEST_SYNC;
    AmPostRequest(id % 3, 0, type, id, 0, 0, 0, 0, counted);
}

// What the VM thread does with a queued request: its callback with its block.
void completeTaken(const int32_t* r, int32_t n) {
    if (n != 10) return;
    int32_t block[7] = {r[8], r[1], r[3], r[4], r[5], r[6], r[7]};
    AmRequestCallback callback = (AmRequestCallback)p32Ptr(r[9]);
    if (callback != nullptr) callback(block);
}

TEST(AmRequests, CoalescingLosesAndDoublesNothing) {
    for (auto& c : completions) c = 0;
    strangers = 0;
    std::atomic<int32_t> ready{0}, finished{0};
    std::vector<std::thread> posters;
    for (int32_t p = 0; p < POSTERS; p++) {
        posters.emplace_back([&, p] {
            while (!ready) std::this_thread::yield();
            for (int32_t i = 0; i < EACH; i++) {
                post(p * EACH + i);
                if (i % 7 == 0) std::this_thread::yield();
            }
            finished++;
        });
    }
    SysTimerInit();
    Vm vm;
    RunResult r = vm.inside([&] {
        mvK6Event_resetForRun();
        mvK6Event_initialize();
        mvVm_setInKvm(1);
        int32_t thread = mvK6Event_initUiQueues();
        ready = 1;
        for (;;) {
            bool done = finished == POSTERS;
            int32_t n = 0;
            int32_t* words = mvK6Event_getNextEvent(thread, &n);
            if (words != nullptr) {
                completeTaken(words, n);
            } else if (done) {
                break;
            } else {
                std::this_thread::yield();
            }
        }
        mvVm_setInKvm(0);
    });
    ready = 1;
    for (std::thread& t : posters) t.join();
    ASSERT_EQ(0, r.exitCode) << r.trace;
    int32_t lost = 0, doubled = 0;
    for (int32_t id = 0; id < REQUESTS; id++) {
        if (completions[id] == 0) lost++;
        if (completions[id] > 1) doubled++;
    }
    EXPECT_EQ(0, lost) << "requests never completed";
    EXPECT_EQ(0, doubled) << "requests completed twice";
    EXPECT_EQ(0, strangers) << "completions of requests nobody posted";
}

// Word 9 of a request carries its callback: the program's function comes back whole
// from the word, and a request without one carries 0.
TEST(AmRequests, CallbackTravelsInWordNine) {
    SysTimerInit();
    Vm vm;
    std::vector<int32_t> withCallback, without;
    RunResult r = vm.inside([&] {
        mvK6Event_resetForRun();
        mvK6Event_initialize();
        mvVm_setInKvm(1);
        mvK6Event_initUiQueues();
        int32_t queue = mvK6Event_getUiQueueId(UI_QUEUE_REQUEST);
        int32_t words[16], n = 0;
        AmPostRequest(1, 2, 7, 3, 4, 5, 6, 8, counted);
        mvK6Event_takeQueue(queue, words, &n);
        withCallback.assign(words, words + n);
        AmPostRequest(1, 2, 7, 3, 4, 5, 6, 8, nullptr);
        mvK6Event_takeQueue(queue, words, &n);
        without.assign(words, words + n);
        mvVm_setInKvm(0);
    });
    ASSERT_EQ(0, r.exitCode) << r.trace;
    ASSERT_EQ(10u, withCallback.size());
    EXPECT_EQ((std::vector<int32_t>{2, 1, 2, 7, 3, 4, 5, 6, 8}),
              std::vector<int32_t>(withCallback.begin(), withCallback.begin() + 9));
    EXPECT_EQ((void*)counted, p32Ptr(withCallback[9]));
    ASSERT_EQ(10u, without.size());
    EXPECT_EQ(0, without[9]);
}

// With the queues made but no VM running, every synchronous post is refused at once: it
// must neither spin holding the request lock nor block the next poster.
TEST(AmRequests, SynchronousPostsWithoutAVmAreRefused) {
    SysTimerInit();
    Vm vm;
    std::atomic<int32_t> finished{0};
    bool spun = false;
    int32_t results[3] = {-7, -7, -7};
    RunResult r = vm.inside([&] {
        mvK6Event_resetForRun();
        mvK6Event_initialize();
        mvVm_setInKvm(1);
        mvK6Event_initUiQueues();
        mvVm_setInKvm(0);
        std::thread poster([&] {
            results[0] = AmPostRequest(1, 0, AM_REQUEST_SYNC, 0, 0, 0, 0, 0, counted);
            results[1] = AmPostRequest(-1, 0, AM_REQUEST_REPAINT, 0, 0, 0, 0, 0, counted);
            results[2] = AmPostRepaintRequest();
            finished = 1;
        });
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!finished && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        // a spinning poster is let go by a VM that takes its posts, so the test can end
        spun = !finished;
        if (spun) mvVm_setInKvm(1);
        poster.join();
        mvVm_setInKvm(0);
    });
    ASSERT_EQ(0, r.exitCode) << r.trace;
    ASSERT_FALSE(spun) << "a synchronous post spun without a VM";
    EXPECT_EQ(0, results[0]) << "request 0x10000";
    EXPECT_EQ(0, results[1]) << "request 0x10002";
    EXPECT_EQ(0, results[2]) << "AmPostRepaintRequest";
}

}  // namespace
