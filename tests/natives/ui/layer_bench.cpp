// Sprite draws and full-screen tiled-layer paints per second from Java: one run of
// LayerBench paints a fixed number of times into a 240 x 320 mutable image; and pixel-level
// collisions of a sprite with a map of 64 x 64 cells.
#include <string>

#include "support/java_bench.h"

namespace {

void runLayerBench(benchmark::State& state, const char* what, int paints) {
    javabench::runProgram(state, UI_TEST_JAR, {"LayerBench", what, std::to_string(paints)}, paints);
}

void BM_JavaSpriteDraws(benchmark::State& state) { runLayerBench(state, "sprite", 200000); }
void BM_JavaTiledLayerFullScreenPaints(benchmark::State& state) { runLayerBench(state, "tiled", 2000); }
void BM_JavaSpriteTiledLayerCollisions(benchmark::State& state) { runLayerBench(state, "collide", 2000); }
BENCHMARK(BM_JavaSpriteDraws)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaTiledLayerFullScreenPaints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JavaSpriteTiledLayerCollisions)->Unit(benchmark::kMillisecond);

}  // namespace
