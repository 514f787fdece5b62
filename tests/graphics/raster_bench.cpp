// Raster speed against the memory bound in the same run, on a 240 x 320 screen: a full
// fill against memset, an opaque full blit against memcpy, a transparent 32 x 32 sprite
// against memcpy of its bytes, 10,000 short lines against storing their pixels through
// precomputed offsets, and a 20-character line of text (FreeType glyphs, cached) against
// memcpy of its box.
#include <benchmark/benchmark.h>
#include <string.h>

#include <stdlib.h>

#include <algorithm>
#include <random>
#include <vector>

#include "graphics/gfx2d.h"
#include "platform/font.h"
#include "platform/font_freetype.h"
#include "support/lowmem_fixture.h"

namespace {

const int W = 240, H = 320;

// Pixels in low memory, as a surface keeps them.
struct Screen {
    LowVector<uint16_t> pixels = LowVector<uint16_t>(W * H);
    MkSurface surface = {pixels.data(), W, H, 0, 1};
};

void fillRect(benchmark::State& state) {
    Screen s;
    uint16_t pixel = 0x1234;
    for (auto _ : state) {
        gfx2d_fillRect(&s.surface, nullptr, pixel++, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * W * H * 2);
}
BENCHMARK(fillRect);

void memsetBound(benchmark::State& state) {
    Screen s;
    int value = 0;
    for (auto _ : state) {
        memset(s.pixels.data(), value++ & 0xFF, W * H * 2);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * W * H * 2);
}
BENCHMARK(memsetBound);

void opaqueBlit(benchmark::State& state) {
    Screen s, image;
    image.surface.writable = 0;
    for (auto _ : state) {
        gfx2d_drawImage(&s.surface, nullptr, 0, 0, &image.surface);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * W * H * 2);
}
BENCHMARK(opaqueBlit);

void memcpyBound(benchmark::State& state) {
    Screen s, image;
    for (auto _ : state) {
        memcpy(s.pixels.data(), image.pixels.data(), W * H * 2);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * W * H * 2);
}
BENCHMARK(memcpyBound);

// A 32 x 32 sprite whose pixels are opaque in a checkered third.
LowVector<uint16_t> spritePixels() {
    LowVector<uint16_t> p(32 * 32);
    for (int i = 0; i < 32 * 32; i++) p[i] = (uint16_t)((i * 2654435761u >> 7) % 3 == 0 ? 0xF820 : 0x07C0);
    return p;
}

void transparentSprite(benchmark::State& state) {
    Screen s;
    LowVector<uint16_t> pixels = spritePixels();
    MkSurface sprite = {pixels.data(), 32, 32, 1, 0};
    int x = 0;
    for (auto _ : state) {
        gfx2d_drawImageRegion(&s.surface, nullptr, x, 100, &sprite, 0, 0, 32, 32, GFX2D_TRANS_MIRROR);
        x = (x + 7) % (W - 32);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 32 * 32 * 2);
}
BENCHMARK(transparentSprite);

void spriteMemcpyBound(benchmark::State& state) {
    Screen s;
    LowVector<uint16_t> pixels = spritePixels();
    int x = 0;
    for (auto _ : state) {
        for (int row = 0; row < 32; row++) memcpy(&s.pixels[(100 + row) * W + x], &pixels[row * 32], 64);
        x = (x + 7) % (W - 32);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 32 * 32 * 2);
}
BENCHMARK(spriteMemcpyBound);

struct Segment {
    int32_t x1, y1, x2, y2;
};

std::vector<Segment> shortLines() {
    std::mt19937 rng(7);
    std::vector<Segment> lines(10000);
    for (Segment& l : lines) {
        l.x1 = (int32_t)(rng() % W);
        l.y1 = (int32_t)(rng() % H);
        l.x2 = l.x1 + (int32_t)(rng() % 17) - 8;
        l.y2 = l.y1 + (int32_t)(rng() % 17) - 8;
    }
    return lines;
}

void tenThousandShortLines(benchmark::State& state) {
    Screen s;
    std::vector<Segment> lines = shortLines();
    for (auto _ : state) {
        for (const Segment& l : lines) gfx2d_drawLine(&s.surface, nullptr, 0xFFFF, l.x1, l.y1, l.x2, l.y2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(tenThousandShortLines);

void shortLinePixelsBound(benchmark::State& state) {
    // the pixels those lines write, as offsets: the least any line drawer has to store
    Screen s;
    for (const Segment& l : shortLines()) gfx2d_drawLine(&s.surface, nullptr, 0xFFFF, l.x1, l.y1, l.x2, l.y2);
    std::vector<int32_t> offsets;
    for (int i = 0; i < W * H; i++)
        if (s.pixels[i] != 0) offsets.push_back(i);
    // lines overlap: repeat offsets up to the lines' own pixel count
    size_t total = 0;
    for (const Segment& l : shortLines()) total += 1 + std::max(abs(l.x2 - l.x1), abs(l.y2 - l.y1));
    std::vector<int32_t> writes;
    for (size_t i = 0; i < total; i++) writes.push_back(offsets[i % offsets.size()]);
    for (auto _ : state) {
        uint16_t* p = s.pixels.data();
        for (int32_t o : writes) p[o] = 0x1234;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(shortLinePixelsBound);

const uint16_t kText[20] = {'M', 'o', 'v', 'a', 'n', 'e', ' ', 'd', 'r', 'a',
                            'w', 's', ' ', 't', 'e', 'x', 't', ' ', '4', '2'};

void twentyCharacters(benchmark::State& state) {
    const FontRenderer* r = FontFreeTypeRenderer();
    if (r == nullptr || FontLayerStart(r) != 0) {
        state.SkipWithError("no FreeType faces");
        return;
    }
    Screen s;
    MkFont* font = FontGetDefaultRecord(0, 0, 0, 0);
    for (auto _ : state) {
        FontDrawChars(&s.surface, nullptr, font, kText, 20, 4, 100, 0x0020);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 20);
    FontLayerStop();
}
BENCHMARK(twentyCharacters);

void textBoxMemcpyBound(benchmark::State& state) {
    const FontRenderer* r = FontFreeTypeRenderer();
    if (r == nullptr || FontLayerStart(r) != 0) {
        state.SkipWithError("no FreeType faces");
        return;
    }
    MkFont* font = FontGetDefaultRecord(0, 0, 0, 0);
    int32_t width = FontMeasureChars(font, kText, 20), height = font->height;
    FontLayerStop();
    Screen s, image;
    for (auto _ : state) {
        for (int row = 0; row < height; row++)
            memcpy(&s.pixels[(100 + row) * W + 4], &image.pixels[row * W], width * 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(textBoxMemcpyBound);

}  // namespace
