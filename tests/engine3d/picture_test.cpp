// Rendered scenes compared pixel for pixel with reviewed pictures in data/. Each scene
// also asserts a few pixels worked out by hand, so that a picture wrong from the start
// cannot pass.
#include <gtest/gtest.h>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_color.h"
#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_raster.h"
#include "engine3d/m3d_triangle.h"
#include "engine3d/scene.h"

namespace {

using e3t::Canvas;
using e3t::Textures;
using e3t::V;

const uint16_t kBackground = 0x2104;  // dark grey (4, 4, 4)

TEST(Pictures, Flat) {
    Canvas c(64, 48, kBackground);
    struct Tri {
        uint16_t color;
        m3d_SetupVertex a, b, c;
    };
    const Tri tris[] = {{0xF800, V(2, 2), V(30, 2), V(2, 30)},
                        {0x07C0, V(62, 4), V(40, 44), V(20, 10)},
                        {0x001F, V(10, 46), V(60, 30), V(61, 47)},
                        {0xFFC0, V(33, 20), V(34, 20), V(33, 45)}};
    for (const Tri& t : tris) {
        c.target.flatColor = t.color;
        m3d_drawTriangleFlat(&c.target, m3d_rasterFnByBlend(0), &t.a, &t.b, &t.c);
    }
    EXPECT_EQ(c.at(2, 2), 0xF800) << "the top-left vertex is drawn";
    EXPECT_EQ(c.at(29, 2), 0xF800);
    EXPECT_EQ(c.at(30, 2), kBackground) << "the right end is not";
    EXPECT_EQ(c.at(2, 30), kBackground) << "the bottom row is not";
    EXPECT_EQ(c.at(40, 20), 0x07C0);
    EXPECT_EQ(e3t::comparePicture(c, "flat"), "");
}

TEST(Pictures, Gouraud) {
    Canvas c(64, 48, kBackground);
    Textures tx;
    tx.bind(&c.target, 1);
    c.target.rampRow = 2;  // white
    m3d_SetupVertex a = V(2, 2, {0}), b = V(60, 6, {255}), d = V(8, 44, {128});
    m3d_drawTriangleLight(&c.target, m3d_rasterFnLit(0), &a, &b, &d);
    m3d_SetupVertex r = V(63, 20, {255, 0, 0}), g = V(30, 47, {0, 255, 0}), bl = V(63, 47, {0, 0, 255});
    m3d_drawTriangleRgb(&c.target, m3d_rgbGouraudSpans[0], &r, &g, &bl);
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 30; x++) {
            uint16_t p = c.at(x, y);
            if (p == kBackground) continue;
            int step = 0;
            while (step < 32 && tx.ramp[2 * 32 + step] != p) step++;
            ASSERT_LT(step, 32) << "every lit pixel is a step of the white ramp, at " << x << "," << y;
        }
    EXPECT_LT(c.at(6, 6), c.at(50, 6)) << "brighter towards the vertex of level 255";
    // row 21, one row below the red vertex: red 255 less one step of 255 x 0x10000 / 27
    // (2427 per level) along the left edge gives 0xF5....; bits 23-19 hold 30
    EXPECT_EQ(c.at(62, 21) >> 11, 30);
    EXPECT_EQ(c.at(62, 21) & 31, 0) << "blue has grown by one 7.7-level step: still 0 in five bits";
    EXPECT_EQ(e3t::comparePicture(c, "gouraud"), "");
}

TEST(Pictures, Textured) {
    Canvas c(64, 48, kBackground);
    Textures tx;
    // left: shaded texture, transparent where the index is 0; right: 16-bit texture, opaque
    tx.bind(&c.target, 4);
    m3d_SetupVertex a = V(1, 1, {0, 0}), b = V(31, 1, {64, 0}), d = V(1, 46, {0, 96});
    m3d_drawTriangleTextured(&c.target, m3d_rasterFnForPrimitive((136u << 16) | 1), &a, &b, &d);
    tx.bind(&c.target, 3);
    m3d_SetupVertex e = V(62, 2, {64, 0}), f = V(62, 46, {64, 64}), g = V(33, 46, {0, 64});
    m3d_drawTriangleTextured(&c.target, m3d_rasterFnForPrimitive(8u << 16), &e, &f, &g);
    EXPECT_EQ(c.at(1, 1), kBackground) << "texel (0, 0) has index 0: transparent";
    EXPECT_EQ(c.at(4, 1), tx.shade[31 * 256 + 1]) << "texel (4, 0): index 1 at full light";
    EXPECT_EQ(c.at(61, 45), tx.colors[63 * 256 + 62]);
    EXPECT_EQ(e3t::comparePicture(c, "textured"), "");
}

TEST(Pictures, EnvironmentAndToon) {
    Canvas c(64, 48, kBackground);
    Textures tx;
    // left: lit shaded texture with the environment map; right: lit ramp through the
    // toon table (two bands)
    tx.bind(&c.target, 7);
    m3d_SetupVertex a = V(1, 1, {0, 0, 200, 0, 0}), b = V(33, 1, {64, 0, 200, 64, 0}), d = V(1, 46, {0, 64, 60, 0, 64});
    m3d_drawTriangle5(&c.target, m3d_rasterFnTexturedLitEnv((6u << 24) | (136u << 16)), &a, &b, &d);
    tx.bind(&c.target, 1);
    for (int i = 0; i < 32; i++) c.target.toonTable[i] = (uint8_t)(i < 16 ? 8 : 31);
    m3d_SetupVertex e = V(62, 2, {255}), f = V(62, 46, {0}), g = V(34, 46, {128});
    m3d_drawTriangleLight(&c.target, m3d_rasterFnLit(M3D_RW_TOON), &e, &f, &g);
    EXPECT_EQ(c.at(61, 3), tx.ramp[2 * 32 + 31]) << "bright band";
    EXPECT_EQ(c.at(61, 44), tx.ramp[2 * 32 + 8]) << "dark band";
    EXPECT_EQ(e3t::comparePicture(c, "environment_toon"), "");
}

TEST(Pictures, BlendModes) {
    Canvas c(64, 48, 0);
    // four panels over a horizontal ramp of grey, each with a triangle in one blend mode
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) {
            uint16_t q = (uint16_t)(x / 2);
            c.at(x, y) = (uint16_t)(q << 11 | q << 6 | q);
        }
    for (uint32_t mode = 0; mode < 4; mode++) {
        int32_t top = (int32_t)mode * 12;
        c.target.flatColor = 0x8410 | 0x0006;
        m3d_SetupVertex a = V(0, top), b = V(64, top), d = V(0, top + 12);
        m3d_drawTriangleFlat(&c.target, m3d_rasterFnByBlend(mode << 1), &a, &b, &d);
    }
    EXPECT_EQ(c.at(0, 0), 0x8416) << "replace";
    EXPECT_EQ(c.at(20, 12), m3d_blendHalf(0x528A, 0x8416));
    EXPECT_EQ(c.at(40, 24), 0xFFDF & (0xF800 | 0x07C0 | 31)) << "add saturates: 16 + 20";
    EXPECT_EQ(c.at(40, 36), (4 << 11 | 4 << 6 | 0)) << "subtract: 20 - 16, 20 - 22 stops at 0";
    EXPECT_EQ(e3t::comparePicture(c, "blend"), "");
}

TEST(Pictures, PointsAndLines) {
    Canvas c(64, 48, kBackground);
    c.clip(4, 4, 60, 44);
    for (int i = 0; i < 16; i++) {
        int32_t angle = i * 256;
        int32_t x = 32 + (m3d_sin(angle + 1024) * 40 >> 12), y = 24 + (m3d_sin(angle) * 40 >> 12);
        m3d_drawLine(&c.target, 0, 32, 24, x, y, i & 1 ? 0xFFC0 : 0x07DF);
    }
    for (int i = 0; i < 20; i++) m3d_drawPoint(&c.target, 4, 5 + i * 3, 5, 0x8410);
    m3d_drawLine(&c.target, 2, 0, 46, 63, 46, 0xF800);  // outside the clip
    EXPECT_EQ(c.at(32, 24), 0xFFC0) << "the last line drawn (i = 15) covers the centre";
    EXPECT_EQ(c.at(3, 24), kBackground) << "left of the clip";
    EXPECT_EQ(c.at(59, 24), 0x07DF) << "the horizontal ray up to the clip's right edge";
    EXPECT_EQ(c.at(5, 5), m3d_blendAdd(kBackground, 0x8410));
    EXPECT_EQ(e3t::comparePicture(c, "lines"), "");
}

}  // namespace
