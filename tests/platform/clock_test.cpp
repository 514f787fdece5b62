#include "platform/clock.h"

#include <gtest/gtest.h>

#include <time.h>
#include <unistd.h>

#include "platform/events.h"

namespace {

int64_t joined(uint32_t high, uint32_t low) { return (int64_t)(((uint64_t)high << 32) | low); }

TEST(Clock, CurrentTimeMillisIsUtcSinceEpochInTwoWords) {
    uint32_t high = 0xDEAD, low = 0xBEEF;
    int64_t before = (int64_t)time(nullptr) * 1000;
    int64_t ms = SysGetCurrentTimeMillis(&high, &low);
    int64_t after = (int64_t)time(nullptr) * 1000 + 1000;
    EXPECT_EQ(ms, joined(high, low));
    EXPECT_GE(ms, before);
    EXPECT_LT(ms, after);
    EXPECT_NE(0u, high) << "a 2020s time does not fit in 32 bits";
}

TEST(Clock, ElapsedTimeIsZeroBeforeSetUp) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            uint32_t high = 1;
            uint32_t low = 1;
            SysGetElapsedTime(&high, &low);
            _exit(high == 0 && low == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Clock, ElapsedTimeCountsFromFirstSetUpOnly) {
    SysTimerInit();
    uint32_t high, low;
    SysGetElapsedTime(&high, &low);
    int64_t first = joined(high, low);
    usleep(60 * 1000);
    SysTimerTerm();
    SysTimerInit();  // a later run keeps the process's origin
    SysGetElapsedTime(&high, &low);
    int64_t second = joined(high, low);
    SysTimerTerm();
    EXPECT_GE(first, 0);
    EXPECT_GE(second - first, 55);
    EXPECT_LT(second - first, 2000);
}

}  // namespace
