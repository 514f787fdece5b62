// Time from a start request to the MIDlet's startApp (a MIDlet that ends itself in
// startApp: its destroyed notice), and from a stop request to the run's end report.
#include <benchmark/benchmark.h>

#include "glue_fixture.h"
#include "vm/services/glue/mwe_internal.h"

using namespace gluetest;

namespace {

struct Bench : GlueTest {
    void TestBody() override {}
};

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void BM_StartRequestToStartApp(benchmark::State& state) {
    Bench b;
    b.SetUp();
    int id =
        b.install("D", "suites.Destroyer", "", midlettest::suiteJar(manifestOf("MIDlet-1: D,,suites.Destroyer\n")));
    midlettest::StdoutCapture capture;
    for (auto _ : state) {
        auto at = Clock::now();
        mwe_requestStartBySuite(id, 0);
        bool reached = b.window_.waitFor(VM_NOTIFY_APPDESTORYED);
        state.SetIterationTime(seconds(at));
        if (!reached || !b.window_.waitFor(VM_NOTIFY_STOP_MIDLET)) state.SkipWithError("the run did not end");
        mwe_onRunEnded();
    }
    capture.finish();
    b.TearDown();
}
BENCHMARK(BM_StartRequestToStartApp)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_StopRequestToEndReport(benchmark::State& state) {
    Bench b;
    b.SetUp();
    int id = b.install("S", "suites.Sleeper", "", midlettest::suiteJar(manifestOf("MIDlet-1: S,,suites.Sleeper\n")));
    midlettest::StdoutCapture capture;
    for (auto _ : state) {
        mwe_requestStartBySuite(id, 0);
        if (!b.window_.waitFor(VM_NOTIFY_START_MIDLET)) state.SkipWithError("no start");
        // a stop is taken once the application's start has reached the control thread;
        // a stop refused before that would leave the run going for good
        for (int i = 0; i < 10000 && __atomic_load_n(&MweControlState.state, __ATOMIC_ACQUIRE) != MWE_RUNNING; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        auto at = Clock::now();
        mwe_requestStop();
        bool ended = b.window_.waitFor(VM_NOTIFY_STOP_MIDLET);
        state.SetIterationTime(seconds(at));
        if (!ended) {
            state.SkipWithError("the run did not end");
            b.window_.stopRun();
        }
        mwe_onRunEnded();
    }
    capture.finish();
    b.TearDown();
}
BENCHMARK(BM_StopRequestToEndReport)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
