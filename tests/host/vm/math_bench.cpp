// Math.sin and Math.sqrt calls per second from Java: one run of MathBench makes a fixed
// number of calls; the bare loop shows what the loop itself costs.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "host/vm/kvm/runner.h"
#include "kvm_fixture.h"
#include "platform/events.h"

namespace {

using kvmtest::readFile;

const int Calls = 500000;

void runMathBench(benchmark::State& state, const char* function) {
    SysTimerInit();
    std::vector<uint8_t> programs = readFile(KVM_TEST_JAR);
    if (programs.empty()) {
        state.SkipWithError("the test programs are missing");
        return;
    }
    KvmRunFiles files = {nullptr, 0, programs.data(), (int32_t)programs.size()};
    for (auto _ : state) {
        std::string words[] = {"kvm", "-classpath", "/app.jar", "MathBench", function, std::to_string(Calls)};
        char* argv[6];
        for (int i = 0; i < 6; i++) argv[i] = &words[i][0];
        if (runKvmOnce(6, argv, &files) != 0) {
            state.SkipWithError("the run failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * Calls);
}

void BM_JavaMathSin(benchmark::State& state) { runMathBench(state, "sin"); }
void BM_JavaMathSqrt(benchmark::State& state) { runMathBench(state, "sqrt"); }
void BM_JavaBareLoop(benchmark::State& state) { runMathBench(state, "loop"); }
BENCHMARK(BM_JavaMathSin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaMathSqrt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaBareLoop)->Unit(benchmark::kMillisecond);

}  // namespace
