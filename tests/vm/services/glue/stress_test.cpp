// Start and stop cycles of one suite in one process while another thread posts pause
// and resume requests at random moments: every run ends, the arena is handed back
// empty and the process's heap does not grow from cycle to cycle.
#include <malloc.h>

#include <atomic>
#include <random>
#include <thread>

#include "glue_fixture.h"
#include "vm/services/glue/mwe_internal.h"

using namespace gluetest;

namespace {

using GlueStress = GlueTest;

TEST_F(GlueStress, StartStopCyclesWithRandomPauses) {
    enum { CYCLES = 200, WARM_UP = 10 };
    int id =
        install("Sleeper", "suites.Sleeper", "", midlettest::suiteJar(manifestOf("MIDlet-1: S,,suites.Sleeper\n")));
    std::atomic<bool> done{false};
    std::thread noise([&] {
        std::mt19937 random(18);
        while (!done) {
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
            if (random() % 2) {
                mwe_requestPause(random() % 3 == 0 ? 0 : 20 + random() % 200);
            } else {
                mwe_requestResume();
            }
        }
    });
    midlettest::StdoutCapture capture;
    size_t heapAfterWarmUp = 0;
    for (int cycle = 0; cycle < CYCLES; cycle++) {
        ASSERT_EQ(0, mwe_requestStartBySuite(id, 0)) << "cycle " << cycle;
        ASSERT_TRUE(window_.stopRun()) << "cycle " << cycle << " never ended";
        ASSERT_EQ(2, mwe_onRunEnded()) << "cycle " << cycle;
        ASSERT_EQ(0, mwe_lastArenaLeft()) << "cycle " << cycle << ": the arena kept blocks";
        if (cycle == WARM_UP) heapAfterWarmUp = mallinfo2().uordblks;
    }
    done = true;
    noise.join();
    capture.finish();
    size_t heapAtEnd = mallinfo2().uordblks;
    EXPECT_LT(heapAtEnd, heapAfterWarmUp + 64 * 1024) << "the heap grew by " << heapAtEnd - heapAfterWarmUp;
    EXPECT_FALSE(mwe_isRunInProgress());
}

}  // namespace
