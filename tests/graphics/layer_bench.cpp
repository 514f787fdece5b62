// Sprite and tiled-layer painting speed: 32 x 32 frames of a 128 x 128 sheet with
// transparent pixels, under each transform, onto a 240 x 320 off-screen; and a screen
// of 16 x 16 tiles.
#include <benchmark/benchmark.h>

#include <vector>

#include "graphics/mk_image.h"
#include "graphics/mk_layer.h"
#include "support/lowmem_fixture.h"

namespace {

// The sheet in low memory: a layer keeps its address, a surface its pixels, in words.
struct Scene {
    LowVector<uint16_t> sheetPixels;
    LowRecord<MkSurface> record;
    MkSurface& sheet;
    MkSurface* screen;
    Scene() : sheetPixels(128 * 128), sheet(*record) {
        for (int i = 0; i < 128 * 128; i++) {
            // a disc in each 32 x 32 frame; the corners are transparent
            int x = i % 32 - 16, y = i / 128 % 32 - 16;
            sheetPixels[i] = (uint16_t)(x * x + y * y < 225 ? 0x0020 | (i * 37 & 0xFFDF) : 0);
        }
        sheet = {sheetPixels.data(), 128, 128, 1, 0};
        screen = MkOffScreenCreate(240, 320);
    }
    ~Scene() { MkImageDestroy(screen); }
};

void spriteDraws(benchmark::State& state) {
    Scene scene;
    const int32_t params[4] = {p32Cell(&scene.sheet), 0, 32, 32};
    MkLayer* sprite = MkLayerCreate(MK_LAYER_SPRITE, params);
    int32_t n = 0;
    for (auto _ : state) {
        const int32_t frame[2] = {n % 4 * 32, n / 4 % 4 * 32};
        const int32_t code[1] = {n % 8};
        MkLayerSetAttribute(MK_LAYER_SPRITE, sprite, 2, frame);
        MkLayerSetAttribute(MK_LAYER_SPRITE, sprite, 5, code);
        mk_layerPaint(scene.screen, nullptr, sprite, n * 7 % 220 - 4, n * 13 % 300 - 4);
        n++;
    }
    state.SetItemsProcessed(state.iterations());
    MkLayerDestroy(MK_LAYER_SPRITE, sprite);
}

void tiledScreens(benchmark::State& state) {
    Scene scene;
    const int32_t params[6] = {p32Cell(&scene.sheet), 0, 16, 16, 16, 21};
    MkLayer* layer = MkLayerCreate(MK_LAYER_TILED, params);
    for (int r = 0; r < 21; r++)
        for (int c = 0; c < 16; c++) {
            const int32_t fill[5] = {c, r, 1, 1, (c * 5 + r * 3) % 64 + 1};
            MkLayerSetAttribute(MK_LAYER_TILED, layer, 0, fill);
        }
    for (auto _ : state) mk_layerPaint(scene.screen, nullptr, layer, -3, -5);
    state.SetItemsProcessed(state.iterations());
    MkLayerDestroy(MK_LAYER_TILED, layer);
}

BENCHMARK(spriteDraws);
BENCHMARK(tiledScreens);

}  // namespace
