// The window system's functions that run with its lock held check that they do.
#include <gtest/gtest.h>

#include <mutex>

#include "platform/window_internal.h"

namespace {

using namespace window_internal;

TEST(WindowLockDeathTest, SentMessagesAndWaitsRefuseALockNotHeld) {
#if defined(MOVANE_VM_ASSERTS) && MOVANE_VM_ASSERTS
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* name;
        void (*call)();
    } cases[] = {
        {"processSentLocked",
         [] {
             std::unique_lock<std::mutex> g(lock, std::defer_lock);
             processSentLocked(g, myQueue());
         }},
        {"waitPending",
         [] {
             std::unique_lock<std::mutex> g(lock, std::defer_lock);
             Pending p{};
             waitPending(g, &p);
         }},
    };
    for (const auto& c : cases) EXPECT_DEATH(c.call(), "platform invariant failed: g.owns_lock") << c.name;
#else
    GTEST_SKIP() << "invariant checks are off in this build";
#endif
}

}  // namespace
