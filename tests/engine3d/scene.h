// Textures and helpers shared by the rasterizer tests, the pictures and the benchmark:
// a shade-ramp image, a shaded 8-bit texture, a 16-bit texture and an environment map,
// all built from small formulas, and set-up vertices.
#pragma once

#include <vector>

#include "engine3d/m3d_light.h"
#include "engine3d/m3d_records.h"
#include "engine3d/m3d_texture.h"
#include "engine3d/m3d_triangle.h"

namespace e3t {

inline m3d_SetupVertex V(int32_t x, int32_t y, std::initializer_list<int32_t> a = {}) {
    m3d_SetupVertex v = {x, y, {0, 0, 0, 0, 0}};
    int i = 0;
    for (int32_t value : a) v.a[i++] = value;
    return v;
}

struct Textures {
    std::vector<uint16_t> ramp;    // 32 x 4: ramps of red, green, white, a blue-grey
    std::vector<uint8_t> indexes;  // 256 x 256 shaded texture
    std::vector<uint16_t> shade;   // 32 levels x 256 entries
    std::vector<uint16_t> colors;  // 256 x 256 16-bit texture
    std::vector<uint16_t> envmap;  // 64 x 64
    m3d_Texture rampTexture, shaded, direct, environment;

    Textures() : ramp(32 * 4), indexes(256 * 256), shade(32 * 256), colors(256 * 256), envmap(64 * 64) {
        const uint16_t rampColors[4] = {0xF800, 0x07C0, 0xFFDF, 0x421F};
        for (int r = 0; r < 4; r++)
            for (int i = 0; i < 32; i++) ramp[r * 32 + i] = m3d_rampEntry(rampColors[r], i);
        // 8 x 8 checks of indexes 1..4, with index 0 in a diagonal band
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 256; x++) {
                int check = ((x >> 3) + (y >> 3)) & 3;
                indexes[y * 256 + x] = (uint8_t)(((x + y) & 31) < 3 ? 0 : 1 + check);
                colors[y * 256 + x] = ((x + y) & 31) < 3 ? 0 : (uint16_t)((x >> 3) << 11 | (y >> 3) << 6 | 12);
            }
        const uint16_t palette[5] = {0xFFDF, 0xF800, 0x07C0, 0x001F, 0xFFC0};
        for (int level = 0; level < 32; level++)
            for (int i = 0; i < 256; i++)
                shade[level * 256 + i] = m3d_rampEntry(palette[i % 5], level + 1 > 31 ? 31 : level + 1);
        // environment: a bright spot in the middle fading out
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++) {
                int d = (x - 32) * (x - 32) + (y - 32) * (y - 32);
                int v = d >= 1024 ? 0 : 31 - d * 31 / 1024;
                envmap[y * 64 + x] = (uint16_t)((v >> 1) << 11 | (v >> 1) << 6 | v);
            }
        m3d_initTexture(&rampTexture, nullptr);
        m3d_wrapTexture(&rampTexture, ramp.data(), 32, 32, 4, M3D_FORMAT_COLOR16);
        m3d_initTexture(&shaded, nullptr);
        m3d_wrapTexture(&shaded, indexes.data(), 256, 256, 256, M3D_FORMAT_INDEX8);
        m3d_wrapImage(&shaded.shade, shade.data(), 8192, 8192, 1, M3D_FORMAT_COLOR16);
        shaded.renderFlags = m3d_computeRenderFlags(&shaded);
        m3d_initTexture(&direct, nullptr);
        m3d_wrapTexture(&direct, colors.data(), 256, 256, 256, M3D_FORMAT_COLOR16);
        m3d_initTexture(&environment, nullptr);
        m3d_wrapTexture(&environment, envmap.data(), 64, 64, 64, M3D_FORMAT_COLOR16);
    }

    // Binds what a table row reads: the ramp for rows 0-2, the texture for rows 3-8, the
    // environment map for rows 2, 7, 8.
    void bind(m3d_RenderTarget* t, int row) {
        t->texture0 = row <= 2 ? &rampTexture : row == 3 ? &direct : &shaded;
        t->texture1 = row == 2 || row >= 7 ? &environment : nullptr;
        t->rampRow = 2;
        t->flatColor = 0x7C1F;
    }
};

}  // namespace e3t
