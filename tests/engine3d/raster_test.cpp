// Blend modes and the selection of table entries.
#include <gtest/gtest.h>

#include <random>

#include "engine3d/m3d_color.h"
#include "engine3d/m3d_raster.h"

namespace {

TEST(Blend, ExactValues) {
    struct Case {
        uint32_t mode;
        uint16_t dst, src, result;
    };
    const Case cases[] = {
        {1, 0x0000, 0xFFDF, 0x7BCF}, {1, 0xFFDF, 0x0000, 0x7BCF}, {2, 0x8410, 0x8410, 0xFFDF},
        {2, 0x0841, 0x0841, 0x1082}, {3, 0x8410, 0xFFDF, 0x0000}, {3, 0xFFDF, 0x8410, 0x7BCF},
        {0, 0x1234, 0x4321, 0x4321}, {2, 0xF800, 0x0800, 0xF800}, {3, 0x07C0, 0x0040, 0x0780},
    };
    for (const Case& c : cases)
        EXPECT_EQ(m3d_blend(c.mode, c.dst, c.src), c.result)
            << "mode " << c.mode << std::hex << " " << c.dst << " " << c.src;
}

TEST(Blend, WordArithmeticIsPerChannel) {
    std::mt19937 rng(1234);
    for (int i = 0; i < 100000; i++) {
        uint16_t d = (uint16_t)(rng() & 0xFFDF), s = (uint16_t)(rng() & 0xFFDF);
        uint32_t half = 0, add = 0, sub = 0;
        for (int shift : {11, 6, 0}) {
            uint32_t a = (s >> shift) & 31, b = (d >> shift) & 31;
            half |= ((a + b) / 2) << shift;
            add |= std::min(a + b, 31u) << shift;
            sub |= (b > a ? b - a : 0) << shift;
        }
        ASSERT_EQ(m3d_blendHalf(d, s), half) << std::hex << d << " " << s;
        ASSERT_EQ(m3d_blendAdd(d, s), add) << std::hex << d << " " << s;
        ASSERT_EQ(m3d_blendSubtract(d, s), sub) << std::hex << d << " " << s;
    }
}

TEST(Raster, Selection) {
    auto at = [](int row, int column) { return &m3d_rasterizerTable[row * 8 + column]; };
    const uint32_t tex256 = 8u << 16, shaded256 = 136u << 16, env64 = 6u << 24;
    struct Case {
        const char* name;
        const m3d_RasterEntry* got;
        const m3d_RasterEntry* expected;
    };
    const Case cases[] = {
        {"flat, subtract", m3d_rasterFnByBlend(6), at(0, 3)},
        {"material, half", m3d_rasterFnMaterial(2), at(0, 5)},
        {"lit: bits 3-1 = 101 toon half", m3d_rasterFnLit(0xA), at(1, 5)},
        {"lit env, toon add", m3d_rasterFnLitEnv(0xC), at(2, 6)},
        {"16-bit texture", m3d_rasterFnForPrimitive(tex256 | 5), at(3, 5)},
        {"shaded texture", m3d_rasterFnForPrimitive(shaded256 | 1), at(4, 1)},
        {"128 x 128 texture", m3d_rasterFnForPrimitive((7u << 16) | 1), nullptr},
        {"shaded 128 x 128", m3d_rasterFnTexturedLit(135u << 16), nullptr},
        {"lit 16-bit texture drawn unlit", m3d_rasterFnTexturedLit(tex256 | 0xF), at(3, 7)},
        {"lit shaded, toon", m3d_rasterFnTexturedLit(shaded256 | 0xB), at(6, 3)},
        {"lit shaded env", m3d_rasterFnTexturedLitEnv(env64 | shaded256 | 4), at(7, 4)},
        {"lit shaded env, toon", m3d_rasterFnTexturedLitEnv(env64 | shaded256 | 0xD), at(8, 5)},
        {"env map with flags 136", m3d_rasterFnTexturedLitEnv((136u << 24) | shaded256 | 4), at(5, 4)},
        {"env map, 16-bit texture", m3d_rasterFnTexturedLitEnv(env64 | tex256 | 2), at(3, 2)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
}

}  // namespace
