// What one run of an empty main costs through the runner: from the built-in class image,
// and with the library loaded, verified and linked from its JAR.
#include <benchmark/benchmark.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "host/vm/kvm/runner.h"
#include "kvm_fixture.h"
#include "platform/events.h"

namespace {

using kvmtest::readFile;

void runEmptyMain(benchmark::State& state, bool fromJar) {
    SysTimerInit();
    std::vector<uint8_t> library = readFile(MOVANE_SYSTEM_JAR);
    std::vector<uint8_t> programs = readFile(KVM_TEST_JAR);
    if (library.empty() || programs.empty()) {
        state.SkipWithError("the library or the test programs are missing");
        return;
    }
    KvmRunFiles files = {fromJar ? library.data() : nullptr, fromJar ? (int32_t)library.size() : 0, programs.data(),
                         (int32_t)programs.size()};
    for (auto _ : state) {
        std::string words[] = {"kvm", "-classpath", "/app.jar", "EmptyMain"};
        char* argv[4];
        for (int i = 0; i < 4; i++) argv[i] = &words[i][0];
        if (runKvmOnce(4, argv, &files) != 0) {
            state.SkipWithError("the run failed");
            return;
        }
    }
}

void BM_EmptyMainFromImage(benchmark::State& state) { runEmptyMain(state, false); }
void BM_EmptyMainFromJar(benchmark::State& state) { runEmptyMain(state, true); }
BENCHMARK(BM_EmptyMainFromImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EmptyMainFromJar)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
