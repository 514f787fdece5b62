// PNG decoding speed against libpng on the same files in the same run: a 240x320 RGBA
// picture and a 240x320 palette picture, both decoded to 8-bit ARGB. Bytes are the
// decoded pixels (width x height x 4).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <vector>

#include "graphics/png_corpus.h"
#include "graphics/png_decode.h"
#include "graphics/png_inflate.h"
#include "storage/qmmm.h"

namespace {

// A picture that compresses as real ones do: smooth areas with some texture.
std::vector<uint8_t> picture(int colourType) {
    pngc::PngShape s{};
    s.width = 240;
    s.height = 320;
    s.colourType = colourType;
    s.depth = 8;
    s.paletteSize = colourType == 3 ? 256 : 0;
    std::vector<std::vector<uint8_t>> rows = pngc::rowsOf(s);
    const int ch = pngc::channelsOf(colourType);
    for (uint32_t y = 0; y < s.height; y++) {
        for (uint32_t x = 0; x < s.width; x++) {
            uint32_t noise = pngc::mix(x * 977 + y) % 9;
            for (int c = 0; c < ch; c++) {
                uint32_t v =
                    colourType == 3 ? ((x / 6 + y / 5) % 64) * 4 + noise % 3 : (x * (c + 1) + y * (3 - c)) / 3 + noise;
                rows[y][x * ch + c] = (uint8_t)(c == 3 ? 255 - (x + y) % 256 : v);
            }
        }
    }
    std::vector<uint8_t> out;
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, pngc::appendBytes, pngc::noFlush);
    png_set_IHDR(png, info, s.width, s.height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (int i = 0; i < 256; i++) palette.push_back(png_color{(png_byte)i, (png_byte)(255 - i), (png_byte)(i * 3)});
    if (colourType == 3) png_set_PLTE(png, info, palette.data(), 256);
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

void ours(benchmark::State& state, int colourType) {
    static void* arena = malloc(16 << 20);
    qmmm_init(arena, 16 << 20);
    PngStreamPoolReset();
    std::vector<uint8_t> file = picture(colourType);
    std::vector<uint8_t> buffer(PngGetDecodeBufferSize(file.data(), (uint32_t)file.size()));
    for (auto _ : state) {
        int32_t n = PngDecodeToARGB(file.data(), (uint32_t)file.size(), buffer.data());
        if (n != 240 * 320 * 4) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(state.iterations() * 240 * 320 * 4);
    qmmm_fini();
}

// libpng with the transforms that give the same 8-bit ARGB.
void libpng(benchmark::State& state, int colourType) {
    std::vector<uint8_t> file = picture(colourType);
    std::vector<uint8_t> pixels(240 * 320 * 4);
    std::vector<png_bytep> rows;
    for (int y = 0; y < 320; y++) rows.push_back(pixels.data() + y * 240 * 4);
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        pngc::MemoryReader reader = {&file, 0};
        if (setjmp(png_jmpbuf(png))) {
            state.SkipWithError("libpng failed");
            png_destroy_read_struct(&png, &info, nullptr);
            break;
        }
        png_set_read_fn(png, &reader, pngc::readBytes);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_bgr(png);  // B, G, R, A bytes: the little-endian ARGB word
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * 240 * 320 * 4);
}

BENCHMARK_CAPTURE(ours, rgba_240x320, 6);
BENCHMARK_CAPTURE(libpng, rgba_240x320, 6);
BENCHMARK_CAPTURE(ours, palette_240x320, 3);
BENCHMARK_CAPTURE(libpng, palette_240x320, 3);

}  // namespace

BENCHMARK_MAIN();
