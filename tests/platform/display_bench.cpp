// Presenting the 240 x 320 screen image: 16-bit pixels into the SDL texture, drawn at
// twice the size, on the offscreen (or dummy) driver. Frames per second is the figure.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "platform/display.h"

namespace {

void BM_PresentFrame(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    int32_t count = 0;
    const DisplayKeyBinding* keys = DisplayDefaultKeys(&count);
    if (!DisplayOpen(240, 320, (int32_t)state.range(0), "bench", keys, count)) {
        state.SkipWithError("no display");
        return;
    }
    uint16_t* pixels = DisplayPixels();
    uint16_t v = 0;
    for (auto _ : state) {
        // a changed frame each time, as a game draws one
        for (int i = 0; i < 240 * 320; i += 61) pixels[i] = v++;
        DisplayPresent();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    DisplayClose();
}
BENCHMARK(BM_PresentFrame)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
