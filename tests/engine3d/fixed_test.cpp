// Integer numerics and colour conversions against exact values.
#include <gtest/gtest.h>
#include <math.h>

#include "engine3d/m3d_color.h"
#include "engine3d/m3d_fixed.h"

namespace {

TEST(Fixed, LeadingZerosAndLog2) {
    struct Case {
        uint32_t value;
        int32_t clz, log2Ceil;
    };
    const Case cases[] = {
        {0, 32, -1},         {1, 31, 0},          {2, 30, 1},          {3, 30, 2},        {4, 29, 2},
        {5, 29, 3},          {0xFFFF, 16, 16},    {0x10000, 15, 16},   {0x10001, 15, 17}, {0x00F00000, 8, 24},
        {0x80000000, 0, 31}, {0x80000001, 0, 32}, {0xFFFFFFFF, 0, 32}, {0x0800, 20, 11},  {0x1000, 19, 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(m3d_clz(c.value), c.clz) << std::hex << c.value;
        EXPECT_EQ(m3d_log2Ceil(c.value), c.log2Ceil) << std::hex << c.value;
    }
    for (int k = 0; k < 32; k++) EXPECT_EQ(m3d_clz(1u << k), 31 - k) << k;
}

TEST(Fixed, SquareRootRoundsToNearest) {
    struct Case {
        uint32_t value;
        int32_t root;
    };
    const Case cases[] = {{0, 0},
                          {1, 1},
                          {2, 1},
                          {3, 2},
                          {15, 4},
                          {17, 4},
                          {20, 4},
                          {21, 5},
                          {4096, 64},
                          {65535u * 65535u, 65535},
                          {0xFFFE0001 + 65535, 65535},
                          {0xFFFFFFFF, 65535},
                          {1u << 30, 32768}};
    for (const Case& c : cases) EXPECT_EQ(m3d_isqrt(c.value), c.root) << c.value;
    // floor(sqrt(x) + 0.5) around every square and every midpoint n^2 + n of a range
    for (uint32_t n = 1; n < 3000; n += 7) {
        EXPECT_EQ(m3d_isqrt(n * n), (int32_t)n);
        EXPECT_EQ(m3d_isqrt(n * n + n), (int32_t)n) << n;
        EXPECT_EQ(m3d_isqrt(n * n + n + 1), (int32_t)n + 1) << n;
        EXPECT_EQ(m3d_isqrt(n * n - n + 1), (int32_t)n) << n;
        EXPECT_EQ(m3d_isqrt(n * n - n), (int32_t)n - 1) << n;
    }
}

TEST(Fixed, SineMatchesRoundedSineAtEveryAngle) {
    for (int32_t a = 0; a < 4096; a++) {
        int32_t expected = (int32_t)lround(4096.0 * sin(2.0 * M_PI * a / 4096.0));
        ASSERT_EQ(m3d_sin(a), expected) << "angle " << a;
        ASSERT_EQ(m3d_cos(a), m3d_sin(a + 1024)) << "angle " << a;
    }
    struct Case {
        int32_t angle, sine, cosine;
    };
    const Case cases[] = {{0, 0, 4096},      {1, 6, 4096},         {512, 2896, 2896}, {1024, 4096, 0},
                          {2048, 0, -4096},  {3072, -4096, 0},     {4095, -6, 4096},  {4096 + 1024, 4096, 0},
                          {-1024, -4096, 0}, {0x7FFFF400, 4096, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(m3d_sin(c.angle), c.sine) << c.angle;
        EXPECT_EQ(m3d_cos(c.angle), c.cosine) << c.angle;
    }
}

TEST(Fixed, VectorProducts) {
    const int32_t a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
    EXPECT_EQ(m3d_dot3(a, b), 32);
    const int32_t big[3] = {0x10000, 0, 0};
    EXPECT_EQ(m3d_dot3(big, big), 0) << "wraps in 32 bits";
    int32_t out[3];
    m3d_cross3(out, a, b);
    EXPECT_EQ(out[0], -3);
    EXPECT_EQ(out[1], 6);
    EXPECT_EQ(out[2], -3);
    int32_t v[3] = {1, 2, 3};
    m3d_cross3InPlace(v, b);
    EXPECT_EQ(v[0], -3) << "the in-place form reads a before writing";
    EXPECT_EQ(v[1], 6);
    EXPECT_EQ(v[2], -3);
}

TEST(Fixed, Normalize) {
    struct Case {
        int32_t in[3], out[3];
    };
    const Case cases[] = {
        {{3, 0, 4}, {2457, 0, 3276}},  // truncated quotients
        {{0, 0, 0}, {0, 0, 4096}},     // a zero vector points at the viewer
        {{0, 0, -5}, {0, 0, -4096}},
        {{100000, 0, 0}, {4096, 0, 0}},                // shifted right before squaring
        {{(int32_t)0x80000000, 0, 0}, {-4096, 0, 0}},  // the most negative value
        {{1, 1, 1}, {2364, 2364, 2364}},
    };
    for (const Case& c : cases) {
        int32_t out[3];
        m3d_normalize(out, c.in);
        for (int i = 0; i < 3; i++) EXPECT_EQ(out[i], c.out[i]) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        m3d_normalizeEntry(c.in, out);
        EXPECT_EQ(out[2], c.out[2]);
    }
    EXPECT_EQ(m3d_identity(-7), -7);
    EXPECT_EQ(M3D_VERSION, 770);
}

TEST(Color, Conversions) {
    struct Case {
        uint32_t rgb;
        uint16_t pixel;
    };
    const Case cases[] = {{0xFFFFFF, 0xFFDF}, {0x808080, 0x8410}, {0x000000, 0x0000},
                          {0xFF0000, 0xF800}, {0x00FF00, 0x07C0}, {0x0000FF, 0x001F}};
    for (const Case& c : cases) {
        EXPECT_EQ(m3d_colorFrom24(c.rgb), c.pixel) << std::hex << c.rgb;
        EXPECT_EQ(m3d_colorFromRgb(c.rgb >> 16, (c.rgb >> 8) & 255, c.rgb & 255), c.pixel) << std::hex << c.rgb;
    }
    EXPECT_EQ(m3d_colorTo24(0xFFDF), 0xFFFFFFu);
    EXPECT_EQ(m3d_colorTo24(0x8410), 0x848484u);  // 16 * 255 / 31 = 131.6
    // every channel value rounds as c * 31 / 255 and back as q * 255 / 31
    for (uint32_t c = 0; c < 256; c++) {
        uint32_t q = (uint32_t)lround(c * 31.0 / 255.0);
        ASSERT_EQ(m3d_colorFromRgb(c, 0, 0) >> 11, q) << c;
        ASSERT_EQ((m3d_colorFromRgb(0, c, 0) >> 6) & 31, q) << c;
        ASSERT_EQ(m3d_colorFromRgb(0, 0, c), q) << c;
        ASSERT_EQ(m3d_colorFromRgb(c, c, c) & 0x20, 0) << "bit 5 stays clear";
    }
    for (uint32_t q = 0; q < 32; q++) EXPECT_EQ(m3d_colorTo24(q), (uint32_t)lround(q * 255.0 / 31.0)) << q;
}

}  // namespace
