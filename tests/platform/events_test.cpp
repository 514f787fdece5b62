#include "platform/events.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

int64_t nowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

// Each test starts with the timing services set up and the event clear.
class WakeEvent : public ::testing::Test {
protected:
    void SetUp() override {
        SysTimerInit();
        SysWakeEventReset();
    }
    void TearDown() override { SysTimerTerm(); }
};

TEST_F(WakeEvent, WaitsAndTimeouts) {
    const struct {
        const char* name;
        bool setBefore;
        uint32_t timeout;
        int32_t result;
        int64_t minMs;
        int64_t maxMs;
    } cases[] = {
        {"not set, zero timeout", false, 0, -1, 0, 50},
        {"not set, times out", false, 60, -1, 55, 1000},
        {"set before, returns at once", true, 5000, 0, 0, 50},
        {"set before, zero timeout", true, 0, 0, 0, 50},
    };
    for (const auto& c : cases) {
        SysWakeEventReset();
        if (c.setBefore) {
            SysWakeEventSet();
        }
        int64_t t0 = nowMs();
        EXPECT_EQ(c.result, MkEventWait(c.timeout)) << c.name;
        int64_t took = nowMs() - t0;
        EXPECT_GE(took, c.minMs) << c.name;
        EXPECT_LE(took, c.maxMs) << c.name;
    }
}

TEST_F(WakeEvent, MkEventWaitResetsButSysWaitDoesNot) {
    SysWakeEventSet();
    EXPECT_EQ(0, SysWaitWakeEvent(0));
    EXPECT_EQ(0, SysWaitWakeEvent(0)) << "manual reset: stays signalled";
    EXPECT_EQ(0, MkEventWait(0));
    EXPECT_EQ(-1, MkEventWait(0)) << "MkEventWait consumed the event";
    SysWakeEventSet();
    SysWakeEventReset();
    EXPECT_EQ(-1, SysWaitWakeEvent(10)) << "reset clears it";
}

TEST_F(WakeEvent, SetFromAnotherThreadWakesWaiter) {
    std::thread setter([] {
        usleep(40 * 1000);
        SysWakeEventSet();
    });
    int64_t t0 = nowMs();
    int32_t rc = MkEventWait(0x7FFFFFFF);
    int64_t took = nowMs() - t0;
    setter.join();
    EXPECT_EQ(0, rc);
    EXPECT_GE(took, 30);
    EXPECT_LT(took, 3000);
}

TEST_F(WakeEvent, TermReleasesWaiterAndEventNoLongerExists) {
    std::atomic<int32_t> rc{99};
    std::thread waiter([&] { rc = MkEventWait(0x7FFFFFFF); });
    usleep(30 * 1000);
    SysTimerTerm();
    waiter.join();
    EXPECT_EQ(0, rc.load());
    // Without the event every wait answers 0 at once and set/reset do nothing.
    SysWakeEventSet();
    SysWakeEventReset();
    int64_t t0 = nowMs();
    EXPECT_EQ(0, MkEventWait(1000));
    EXPECT_EQ(0, SysWaitWakeEvent(1000));
    EXPECT_LT(nowMs() - t0, 500);
    // Made again, not signalled.
    SysTimerInit();
    EXPECT_EQ(-1, MkEventWait(0));
}

TEST_F(WakeEvent, EventLockExcludesAnotherThread) {
    MkLockEvents();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        MkLockEvents();
        entered = true;
        MkUnlockEvents();
    });
    usleep(50 * 1000);
    EXPECT_FALSE(entered.load()) << "second locker got in while the lock was held";
    MkUnlockEvents();
    other.join();
    EXPECT_TRUE(entered.load());
}

TEST_F(WakeEvent, SemaphoreCountNeverExceedsOne) {
    // Two releases leave one free slot: the second wait must block.
    SysSemaphoreRelease(2);
    SysSemaphoreRelease(2);
    SysSemaphoreWait(2);
    std::atomic<bool> got{false};
    std::thread other([&] {
        SysSemaphoreWait(2);
        got = true;
    });
    usleep(50 * 1000);
    EXPECT_FALSE(got.load());
    SysSemaphoreRelease(2);
    other.join();
    EXPECT_TRUE(got.load());
    SysSemaphoreRelease(2);
    // Other numbers are ignored rather than touching memory.
    SysSemaphoreWait(0);
    SysSemaphoreWait(3);
    SysSemaphoreRelease(-1);
}

TEST(EventLock, DoesNothingBeforeSetUp) {
    // Run in a fresh process: nothing in it has set up the timing services.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            MkLockEvents();
            MkLockEvents();  // would deadlock if the lock existed
            MkUnlockEvents();
            _exit(MkEventWait(5000) == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
