// Math.sin and Math.sqrt calls per second from Java: one run of MathBench makes a fixed
// number of calls; the bare loop shows what the loop itself costs.
#include <string>

#include "support/java_bench.h"

namespace {

const int Calls = 500000;

void runMathBench(benchmark::State& state, const char* function) {
    javabench::runProgram(state, KVM_TEST_JAR, {"MathBench", function, std::to_string(Calls)}, Calls);
}

void BM_JavaMathSin(benchmark::State& state) { runMathBench(state, "sin"); }
void BM_JavaMathSqrt(benchmark::State& state) { runMathBench(state, "sqrt"); }
void BM_JavaBareLoop(benchmark::State& state) { runMathBench(state, "loop"); }
BENCHMARK(BM_JavaMathSin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaMathSqrt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaBareLoop)->Unit(benchmark::kMillisecond);

}  // namespace
