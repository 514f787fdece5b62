#include "graphics/gfx2d.h"

#include "canvas.h"

#include <gtest/gtest.h>
#include <limits.h>

namespace {

// Six opaque pixels A..F, three wide and two tall, so that every transform differs.
const uint16_t A = 0x0821, B = 0x1022, C = 0x1823, D = 0x2024, E = 0x2825, F = 0x3026;

// Pixels in low memory, as a surface keeps them.
struct Image {
    LowVector<uint16_t> pixels;
    MkSurface surface;
    Image(int w, int h, const std::vector<uint16_t>& p, uint32_t alphaMode = 0) : pixels(p.begin(), p.end()) {
        surface = {pixels.data(), w, h, alphaMode, 0};
    }
};

std::vector<uint16_t> block(const Canvas& c, int x, int y, int w, int h) {
    std::vector<uint16_t> out;
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) out.push_back(c.at(x + i, y + j));
    return out;
}

TEST(Blits, EachTransformOfAThreeByTwoImage) {
    Image image(3, 2, {A, B, C, D, E, F});
    struct Case {
        const char* name;
        int transform, w, h;
        std::vector<uint16_t> expected;
    } cases[] = {
        {"none", GFX2D_TRANS_NONE, 3, 2, {A, B, C, D, E, F}},
        {"mirror, rotate 180", GFX2D_TRANS_MIRROR_ROT180, 3, 2, {D, E, F, A, B, C}},
        {"mirror", GFX2D_TRANS_MIRROR, 3, 2, {C, B, A, F, E, D}},
        {"rotate 180", GFX2D_TRANS_ROT180, 3, 2, {F, E, D, C, B, A}},
        {"mirror, rotate 270", GFX2D_TRANS_MIRROR_ROT270, 2, 3, {A, D, B, E, C, F}},
        {"rotate 90", GFX2D_TRANS_ROT90, 2, 3, {D, A, E, B, F, C}},
        {"rotate 270", GFX2D_TRANS_ROT270, 2, 3, {C, F, B, E, A, D}},
        {"mirror, rotate 90", GFX2D_TRANS_MIRROR_ROT90, 2, 3, {F, C, E, B, D, A}},
    };
    for (const auto& c : cases) {
        Canvas canvas(6, 6);
        EXPECT_EQ(0, gfx2d_drawImageRegion(&canvas.surface, nullptr, 1, 2, &image.surface, 0, 0, 3, 2, c.transform))
            << c.name;
        EXPECT_EQ(c.expected, block(canvas, 1, 2, c.w, c.h)) << c.name;
        EXPECT_EQ((size_t)6, canvas.marked().size()) << c.name << "\n" << canvas.picture();

        // the same through an ARGB source
        std::vector<uint32_t> argb;
        for (uint16_t p : image.pixels) {
            uint32_t v = 0;
            gfx2d_surfaceToArgb(&v, 1, &image.surface, (int)argb.size() % 3, (int)argb.size() / 3, 1, 1);
            (void)p;
            argb.push_back(v);
        }
        Gfx2dArgbSource src = {argb.data(), 3, 2, 0};
        Canvas viaArgb(6, 6);
        EXPECT_EQ(0, gfx2d_drawArgbRegion(&viaArgb.surface, nullptr, 1, 2, &src, 0, 0, 3, 2, c.transform)) << c.name;
        EXPECT_EQ(c.expected, block(viaArgb, 1, 2, c.w, c.h)) << c.name << " from ARGB";
    }
}

TEST(Blits, ClippedTransformsCutTheDestinationNotTheWalk) {
    // a 4 x 3 image drawn rotated with its top-left corner cut away: the visible pixels are
    // those of the uncut drawing
    std::vector<uint16_t> pixels;
    for (int i = 0; i < 12; i++) pixels.push_back((uint16_t)(MK_PIXEL_OPAQUE | (i + 1) << 6));
    Image image(4, 3, pixels);
    for (int transform = 0; transform < 8; transform++) {
        Canvas whole(8, 8), cut(8, 8);
        MkClip clip = {3, 2, 3, 3};
        gfx2d_drawImageRegion(&whole.surface, nullptr, 2, 1, &image.surface, 0, 0, 4, 3, transform);
        gfx2d_drawImageRegion(&cut.surface, &clip, 2, 1, &image.surface, 0, 0, 4, 3, transform);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++) {
                bool inside = x >= 3 && x < 6 && y >= 2 && y < 5;
                EXPECT_EQ(inside ? whole.at(x, y) : 0, cut.at(x, y))
                    << "transform " << transform << " at " << x << "," << y;
            }
    }
}

TEST(Blits, TransparencyModesAndRefusals) {
    const uint16_t clear = (uint16_t)(A & ~MK_PIXEL_OPAQUE);
    Image sprite(3, 1, {A, clear, C}, 1);
    Canvas canvas(4, 2, 0x7777);
    EXPECT_EQ(0, gfx2d_drawImage(&canvas.surface, nullptr, 0, 0, &sprite.surface));
    EXPECT_EQ((std::vector<uint16_t>{A, 0x7777, C, 0x7777}), block(canvas, 0, 0, 4, 1))
        << "alpha mode 1 skips bit-5-clear pixels";
    EXPECT_EQ(0,
              gfx2d_drawImageRegion(&canvas.surface, nullptr, 0, 1, &sprite.surface, 0, 0, 3, 1, GFX2D_TRANS_MIRROR));
    EXPECT_EQ((std::vector<uint16_t>{C, 0x7777, A, 0x7777}), block(canvas, 0, 1, 4, 1));

    sprite.surface.alphaMode = 0;
    EXPECT_EQ(0, gfx2d_drawImage(&canvas.surface, nullptr, 1, 0, &sprite.surface));
    EXPECT_EQ((std::vector<uint16_t>{A, A, clear, C}), block(canvas, 0, 0, 4, 1)) << "alpha mode 0 copies every pixel";

    Canvas untouched(4, 2);
    struct Refusal {
        const char* name;
        int sx, sy, sw, sh, transform;
    } refusals[] = {
        {"one column beyond", 1, 0, 3, 1, 0}, {"one row beyond", 0, 0, 3, 2, 0},      {"negative sx", -1, 0, 2, 1, 0},
        {"negative sy", 0, -1, 2, 1, 0},      {"sx + sw wraps", 2, 0, INT_MAX, 1, 0}, {"transform 8", 0, 0, 3, 1, 8},
    };
    for (const auto& r : refusals)
        EXPECT_EQ(-1, gfx2d_drawImageRegion(&untouched.surface, nullptr, 0, 0, &sprite.surface, r.sx, r.sy, r.sw, r.sh,
                                            r.transform))
            << r.name;
    EXPECT_EQ(-1, gfx2d_drawImage(&untouched.surface, nullptr, 0, 0, nullptr));
    EXPECT_EQ(-1, gfx2d_drawImageRegion(&untouched.surface, nullptr, 0, 0, nullptr, 0, 0, 1, 1, 0));
    EXPECT_EQ(0, gfx2d_drawImageRegion(&untouched.surface, nullptr, 0, 0, &sprite.surface, 0, 0, -2, 1, 0))
        << "an empty region draws nothing";
    untouched.surface.writable = 0;
    EXPECT_EQ(-1, gfx2d_drawImage(&untouched.surface, nullptr, 0, 0, &sprite.surface));
    EXPECT_TRUE(untouched.marked().empty()) << untouched.picture();
}

TEST(Blits, PlacementOverTheIntRange) {
    Image image(3, 2, {A, B, C, D, E, F});
    struct Case {
        const char* name;
        int x, y;
        std::vector<uint16_t> row0;  // row 0 of a 4-wide canvas
    } cases[] = {
        {"cut at the left", -1, 0, {B, C, 0, 0}},
        {"cut at the right", 2, 0, {0, 0, A, B}},
        {"far left", INT_MIN, 0, {0, 0, 0, 0}},
        {"far right", INT_MAX, 0, {0, 0, 0, 0}},
        {"x + width just past the left edge", -2, 0, {C, 0, 0, 0}},
        {"far down", 0, INT_MAX - 1, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        Canvas canvas(4, 2);
        EXPECT_EQ(0, gfx2d_drawImage(&canvas.surface, nullptr, c.x, c.y, &image.surface)) << c.name;
        EXPECT_EQ(c.row0, block(canvas, 0, 0, 4, 1)) << c.name;
        Canvas region(4, 2);
        EXPECT_EQ(0, gfx2d_drawImageRegion(&region.surface, nullptr, c.x, c.y, &image.surface, 0, 0, 3, 2, 0))
            << c.name;
        EXPECT_EQ(c.row0, block(region, 0, 0, 4, 1)) << c.name << " as a region";
        EXPECT_TRUE(canvas.guardsIntact() && region.guardsIntact()) << c.name;
    }
    Canvas wide(12, 1);
    MkClip clip = {0, 0, 12, 1};
    EXPECT_EQ(0, gfx2d_drawImage(&wide.surface, &clip, -5, 0, &image.surface));
    EXPECT_TRUE(wide.marked().empty()) << "an image five columns left shows nothing of its three";
}

TEST(Blits, AnImageDrawnOntoItselfMovesWithoutSmearing) {
    struct Case {
        const char* name;
        int dx, dy;
    } cases[] = {{"right", 1, 0}, {"left", -1, 0},      {"down", 0, 1},
                 {"up", 0, -1},   {"down-right", 2, 1}, {"up-left", -1, -2}};
    for (const auto& c : cases) {
        Canvas canvas(6, 5);
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 6; x++) canvas.set(x, y, (uint16_t)(1 + x + 10 * y));
        std::vector<uint16_t> before = block(canvas, 0, 0, 6, 5);
        canvas.surface.alphaMode = 1;  // not looked at onto itself
        EXPECT_EQ(0, gfx2d_drawImage(&canvas.surface, nullptr, c.dx, c.dy, &canvas.surface)) << c.name;
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 6; x++) {
                int sx = x - c.dx, sy = y - c.dy;
                uint16_t want = sx >= 0 && sx < 6 && sy >= 0 && sy < 5 ? before[sx + sy * 6] : before[x + y * 6];
                EXPECT_EQ(want, canvas.at(x, y)) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(Blits, ArgbBlendingAndOpacity) {
    struct Case {
        const char* name;
        uint32_t argb, mode;
        uint16_t under, expected;
    } cases[] = {
        {"black at 0x80 over white", 0x80000000, 2, 0xFFFF, 0x7BEF},
        {"black at 0x00 leaves white", 0x00000000, 2, 0xFFFF, 0xFFFF},
        {"black at 0xFF", 0xFF000000, 2, 0xFFFF, 0x0020},
        {"white at 0x40 over black", 0x40FFFFFF, 2, 0x0000, 0x39E7},
        {"blended over a transparent pixel is opaque", 0x80F80000, 2, 0x0000, 0x7820},
        {"mode 0 takes bit 5 from bit 27", 0x08F80000, 0, 0xFFFF, 0xF820},
        {"mode 0 with bit 27 clear", 0xF7F80000, 0, 0xFFFF, 0xF800},
    };
    for (const auto& c : cases) {
        Canvas canvas(1, 1, c.under);
        Gfx2dArgbSource src = {&c.argb, 1, 1, c.mode};
        EXPECT_EQ(0, gfx2d_drawArgbRegion(&canvas.surface, nullptr, 0, 0, &src, 0, 0, 1, 1, 0)) << c.name;
        EXPECT_EQ(c.expected, canvas.at(0, 0)) << c.name;
    }
}

}  // namespace

namespace {

TEST(Blits, WideTransparentRowsKeepTheDestinationWhereBitFiveIsClear) {
    // rows long enough for the eight-pixel steps, cut at the left so that they start
    // unaligned; every destination pixel is checked against the walk of its transform
    const int w = 21, h = 3;
    std::vector<uint16_t> pixels(w * h);
    for (int i = 0; i < w * h; i++) pixels[i] = (uint16_t)((i * 0x0841) | ((i * 7 % 3) != 0 ? MK_PIXEL_OPAQUE : 0));
    Image image(w, h, pixels, 1);
    for (int transform = 0; transform < 8; transform++) {
        Canvas canvas(30, 30, 0x5555);
        MkClip clip = {3, 0, 30, 30};
        ASSERT_EQ(0, gfx2d_drawImageRegion(&canvas.surface, &clip, 1, 2, &image.surface, 0, 0, w, h, transform));
        bool swaps = transform >= 4;
        int dw = swaps ? h : w, dh = swaps ? w : h;
        for (int j = 0; j < dh; j++)
            for (int i = 0; i < dw; i++) {
                // source column and row of destination (i, j) by the transform table
                int sx, sy;
                switch (transform) {
                    case 0:
                        sx = i, sy = j;
                        break;
                    case 1:
                        sx = i, sy = h - 1 - j;
                        break;
                    case 2:
                        sx = w - 1 - i, sy = j;
                        break;
                    case 3:
                        sx = w - 1 - i, sy = h - 1 - j;
                        break;
                    case 4:
                        sx = j, sy = i;
                        break;
                    case 5:
                        sx = j, sy = h - 1 - i;
                        break;
                    case 6:
                        sx = w - 1 - j, sy = i;
                        break;
                    default:
                        sx = w - 1 - j, sy = h - 1 - i;
                        break;
                }
                uint16_t src = pixels[sx + sy * w];
                uint16_t want = 1 + i < 3 || !(src & MK_PIXEL_OPAQUE) ? 0x5555 : src;
                ASSERT_EQ(want, canvas.at(1 + i, 2 + j)) << "transform " << transform << " at " << i << "," << j;
            }
    }
    // a whole transparent image onto another surface takes the same rule
    Canvas canvas(30, 5, 0x5555);
    ASSERT_EQ(0, gfx2d_drawImage(&canvas.surface, nullptr, 2, 1, &image.surface));
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            uint16_t src = pixels[i + j * w];
            EXPECT_EQ(src & MK_PIXEL_OPAQUE ? src : 0x5555, canvas.at(2 + i, 1 + j)) << i << "," << j;
        }
}

}  // namespace
