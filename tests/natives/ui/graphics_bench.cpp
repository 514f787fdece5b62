// Graphics calls per second from Java, into a mutable 240 x 320 image: one run of
// GraphicsBench makes a fixed number of calls of one kind; the bare loop (a setColor a
// turn) shows what the loop and a trivial native cost.
#include <string>

#include "platform/font.h"
#include "platform/font_freetype.h"
#include "support/java_bench.h"

namespace {

const int Calls = 100000;

void runGraphicsBench(benchmark::State& state, const char* kind) {
    if (FontLayerStart(FontFreeTypeRenderer()) != 0) {
        state.SkipWithError("no fonts");
        return;
    }
    javabench::runProgram(state, UI_TEST_JAR, {"GraphicsBench", kind, std::to_string(Calls)}, Calls);
}

void BM_JavaFillRect(benchmark::State& state) { runGraphicsBench(state, "fillRect"); }
void BM_JavaDrawLine(benchmark::State& state) { runGraphicsBench(state, "drawLine"); }
void BM_JavaDrawImage(benchmark::State& state) { runGraphicsBench(state, "drawImage"); }
void BM_JavaDrawString(benchmark::State& state) { runGraphicsBench(state, "drawString"); }
void BM_JavaSetColorLoop(benchmark::State& state) { runGraphicsBench(state, "loop"); }
BENCHMARK(BM_JavaFillRect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaDrawLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaDrawImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaDrawString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaSetColorLoop)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
