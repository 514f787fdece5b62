// The test card: every primitive, text and every blit transform on one 240 x 320
// screen, compared pixel for pixel with the reviewed image in this folder. To renew the
// reference on purpose, run with MOVANE_RENEW_CARD=1 and look at the image before
// checking it in.
#include "graphics/gfx2d.h"
#include "graphics/mk_graphics.h"

#include "canvas.h"
#include "platform/bitmap_font.h"
#include "png_io.h"
#include "support/lowmem_fixture.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

const uint32_t kBlack = 0xFF000000, kRed = 0xFFE02020, kGreen = 0xFF20A040, kBlue = 0xFF2040E0, kGrey = 0xFF808080,
               kOrange = 0xFFF09020, kPurple = 0xFF9030C0, kTeal = 0xFF20A0A0;

void drawCard(MkSurface* screen) {
    MkGraphicsContext* g = MkGraphicsCreateContext(screen);
    auto colour = [&](uint32_t argb) { MkGraphicsSetColor(g, argb); };
    auto rect = [](int32_t x, int32_t y, int32_t w, int32_t h) { return std::vector<int32_t>{x, y, w, h}; };
    colour(0xFFFFFFFF);
    MkGraphicsFillRect(g, rect(0, 0, 240, 320).data());

    // Lines: a fan through every octant, solid and dotted
    const int fan[][2] = {{30, 0},  {30, 12},   {30, 30},   {12, 30},   {0, 30},  {-12, 30}, {-30, 30}, {-30, 12},
                          {-30, 0}, {-30, -12}, {-30, -30}, {-12, -30}, {0, -30}, {12, -30}, {30, -30}, {30, -12}};
    colour(kBlack);
    for (auto& d : fan) MkGraphicsDrawLine(g, 36, 36, 36 + d[0], 36 + d[1]);
    MkGraphicsSetStrokeStyle(g, 1);
    colour(kBlue);
    for (auto& d : fan) MkGraphicsDrawLine(g, 108, 36, 108 + d[0], 36 + d[1]);
    MkGraphicsSetStrokeStyle(g, 0);

    // Rectangles: outline, dotted, filled, and the off-by-one of outlines against fills
    colour(kRed);
    MkGraphicsDrawRect(g, rect(150, 6, 36, 24).data());
    MkGraphicsSetStrokeStyle(g, 1);
    MkGraphicsDrawRect(g, rect(194, 6, 38, 24).data());
    MkGraphicsSetStrokeStyle(g, 0);
    colour(kGreen);
    MkGraphicsFillRect(g, rect(150, 38, 36, 24).data());
    colour(kBlack);
    MkGraphicsDrawRect(g, rect(194, 38, 37, 23).data());
    colour(kOrange);
    MkGraphicsFillRect(g, rect(195, 39, 36, 22).data());

    // Rounded rectangles
    colour(kPurple);
    MkGraphicsDrawRoundRect(g, rect(4, 76, 52, 36).data(), 16, 12);
    MkGraphicsSetStrokeStyle(g, 1);
    MkGraphicsDrawRoundRect(g, rect(62, 76, 52, 36).data(), 24, 24);
    MkGraphicsSetStrokeStyle(g, 0);
    colour(kTeal);
    MkGraphicsFillRoundRect(g, rect(120, 76, 52, 36).data(), 20, 20);
    MkGraphicsDrawRoundRect(g, rect(178, 76, 56, 36).data(), 56, 36);

    // Arcs of every quadrant, a negative extent, and a pie of sectors
    const int arcs[][3] = {{0, 90, 0}, {90, 90, 1}, {180, 90, 2}, {270, 90, 3}, {45, -135, 4}, {200, 300, 5}};
    const uint32_t arcColours[] = {kRed, kGreen, kBlue, kOrange, kPurple, kBlack};
    for (auto& a : arcs) {
        colour(arcColours[a[2]]);
        int x = 4 + a[2] * 39;
        // the rasterizer's own call: the context's call turns a negative arc positive
        gfx2d_drawArc(screen, &g->clip, (uint16_t)g->pixel, x, 120, 34, 26, a[0], a[1]);
    }
    const int pie[][2] = {{0, 60}, {60, 150}, {150, 200}, {200, 290}, {290, 360}};
    for (int i = 0; i < 5; i++) {
        colour(arcColours[i]);
        MkGraphicsFillArc(g, rect(6, 154, 60, 48).data(), pie[i][0], pie[i][1]);
    }
    colour(kGrey);
    MkGraphicsFillArc(g, rect(74, 154, 48, 48).data(), 30, 300);
    colour(kBlue);
    MkGraphicsSetStrokeStyle(g, 1);
    MkGraphicsDrawArc(g, rect(128, 154, 48, 48).data(), 0, 360);
    MkGraphicsSetStrokeStyle(g, 0);

    // Triangles sharing edges
    const int32_t tx[][3] = {{184, 234, 184}, {234, 234, 184}, {184, 209, 234}};
    const int32_t ty[][3] = {{154, 154, 204}, {154, 204, 204}, {204, 176, 204}};
    const uint32_t triColours[] = {kRed, kGreen, kBlue};
    for (int i = 0; i < 3; i++) {
        colour(triColours[i]);
        MkGraphicsFillTriangle(g, tx[i], ty[i], 3);
    }

    // Blits: an asymmetric sprite with transparent pixels under all eight transforms
    LowVector<uint16_t> spritePixels(12 * 8, 0);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 12; x++) {
            bool flag = x < 2 || (y < 2 && x < 10) || (y >= 3 && y < 5 && x < 7);
            if (flag) spritePixels[x + y * 12] = gfx2d_argbToPixel(y < 2 ? kRed : kBlue, 0);
            if (x == 11 && y == 7) spritePixels[x + y * 12] = gfx2d_argbToPixel(kGreen, 0);
        }
    MkSurface sprite = {spritePixels.data(), 12, 8, 1, 0};
    for (int t = 0; t < 8; t++) gfx2d_drawImageRegion(screen, &g->clip, 6 + t * 29, 212, &sprite, 0, 0, 12, 8, t);
    sprite.alphaMode = 0;
    gfx2d_drawImage(screen, &g->clip, 6, 228, &sprite);

    // ARGB blending: a ramp of alpha over stripes
    colour(kBlack);
    for (int i = 0; i < 6; i++) MkGraphicsFillRect(g, rect(30 + i * 12, 226, 6, 16).data());
    std::vector<uint32_t> ramp(72 * 12);
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 72; x++) ramp[x + y * 72] = ((uint32_t)(x * 255 / 71) << 24) | 0x00F0C000;
    Gfx2dArgbSource src = {ramp.data(), 72, 12, 2};
    gfx2d_drawArgbRegion(screen, &g->clip, 30, 228, &src, 0, 0, 72, 12, 0);

    // Text in the default font, wide characters through the renderer, and the clip
    colour(kBlack);
    const uint16_t latin[] = {'M', 'o', 'v', 'a', 'n', 'e', ' ', 't', 'e', 's',
                              't', ' ', 'c', 'a', 'r', 'd', ' ', '0', '1', '2'};
    MkGraphicsDrawChars(g, latin, 20, 110, 226);
    const uint16_t wide[] = {0x30C6, 0x30B9, 0x30C8, 0x3042};
    MkGraphicsSetFont(g, FontLookup(0, 4, 3));
    colour(kRed);
    MkGraphicsDrawChars(g, wide, 4, 110, 244);

    // Everything again inside a clip that cuts each shape at every edge
    const int32_t clip[4] = {20, 266, 200, 40};
    colour(kGrey);
    MkGraphicsDrawRect(g, rect(19, 265, 201, 41).data());
    MkGraphicsSetClip(g, clip);
    colour(kGreen);
    MkGraphicsFillArc(g, rect(0, 250, 70, 70).data(), 0, 360);
    colour(kBlue);
    MkGraphicsFillRoundRect(g, rect(60, 256, 60, 60).data(), 30, 30);
    colour(kRed);
    for (int i = 0; i < 10; i++) MkGraphicsDrawLine(g, 100 + i * 12, 250, 140 + i * 8, 320);
    colour(kPurple);
    const int32_t bx[] = {180, 260, 200}, by[] = {250, 290, 330};
    MkGraphicsFillTriangle(g, bx, by, 3);
    colour(kBlack);
    MkGraphicsSetFont(g, FontLookup(0, 0, 0));
    MkGraphicsDrawChars(g, latin, 20, 12, 280);
    gfx2d_drawImageRegion(screen, &g->clip, 214, 300, &sprite, 0, 0, 12, 8, 5);

    MkGraphicsDestroyContext(g);
}

TEST(TestCard, MatchesTheReviewedImage) {
    ASSERT_EQ(0, FontLayerStart(bitmap_font::renderer()));
    Canvas screen(240, 320);
    drawCard(&screen.surface);
    FontLayerStop();
    ASSERT_TRUE(screen.guardsIntact());
    ASSERT_TRUE(writeSurfacePng(MOVANE_CARD_OUTPUT, screen.surface)) << MOVANE_CARD_OUTPUT;
    const char* renew = getenv("MOVANE_RENEW_CARD");
    if (renew != nullptr && renew[0] == '1') {
        ASSERT_TRUE(writeSurfacePng(MOVANE_CARD_REFERENCE, screen.surface));
        GTEST_SKIP() << "reference renewed: look at " << MOVANE_CARD_REFERENCE << " before checking it in";
    }
    int w = 0, h = 0;
    std::vector<uint16_t> reference;
    ASSERT_TRUE(readPngPixels(MOVANE_CARD_REFERENCE, &w, &h, &reference)) << MOVANE_CARD_REFERENCE;
    ASSERT_EQ(240, w);
    ASSERT_EQ(320, h);
    int differences = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < 320; y++)
        for (int x = 0; x < 240; x++)
            if ((screen.at(x, y) & ~MK_PIXEL_OPAQUE) != reference[x + y * 240]) {
                if (differences++ == 0) firstX = x, firstY = y;
            }
    EXPECT_EQ(0, differences) << "first at (" << firstX << "," << firstY << "); the drawn card is "
                              << MOVANE_CARD_OUTPUT;
}

}  // namespace
