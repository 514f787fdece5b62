#include "graphics/gfx2d.h"
#include "graphics/mk_host.h"

#include "canvas.h"

#include <gtest/gtest.h>
#include <limits.h>

namespace {

TEST(PixelConversion, ArgbToPixelTakesTheTopFiveBitsAndTheOpaqueBitByMode) {
    struct Case {
        const char* name;
        uint32_t argb, mode;
        uint16_t pixel;
    } cases[] = {
        {"opaque white, mode 0", 0xFFFFFFFF, 0, 0xFFFF},
        {"white with alpha 0, mode 1", 0x00FFFFFF, 1, 0xFFDF},
        {"black with alpha bit 3 only, mode 1", 0x08000000, 1, 0x0020},
        {"black with alpha 0xF7, mode 1", 0xF7000000, 1, 0x0000},
        {"alpha 0 in mode 0 is still opaque", 0x00000000, 0, 0x0020},
        {"mode 2 counts as mode 0", 0x00000000, 2, 0x0020},
        {"low three bits dropped", 0x00123456, 0, 0x11AA},
        {"red only", 0xFFF80000, 0, 0xF820},
        {"green only", 0xFF00F800, 0, 0x07E0},
        {"blue only", 0xFF0000F8, 0, 0x003F},
    };
    for (const Case& c : cases) EXPECT_EQ(c.pixel, gfx2d_argbToPixel(c.argb, c.mode)) << c.name;
}

TEST(PixelConversion, SurfaceToArgbReadsBackWithoutBitReplication) {
    Canvas canvas(3, 1);
    canvas.set(0, 0, 0xFFFF);
    canvas.set(1, 0, 0xFFDF);
    canvas.set(2, 0, 0x11AA);
    uint32_t out[3] = {};
    ASSERT_EQ(0, gfx2d_surfaceToArgb(out, 3, &canvas.surface, 0, 0, 3, 1));
    EXPECT_EQ(0xFFF8F8F8u, out[0]);
    EXPECT_EQ(0x00F8F8F8u, out[1]);
    EXPECT_EQ(0xFF103050u, out[2]);
    for (int i = 0; i < 3; i++) EXPECT_EQ(canvas.at(i, 0), gfx2d_argbToPixel(out[i], 1)) << "round trip of pixel " << i;
}

TEST(PixelConversion, SurfaceToArgbRefusalsAndCuts) {
    Canvas canvas(4, 10);
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 4; x++) canvas.set(x, y, (uint16_t)(MK_PIXEL_OPAQUE | (y << 11) | x));
    uint32_t out[64];
    EXPECT_EQ(-1, gfx2d_surfaceToArgb(out, 3, &canvas.surface, 0, 0, 4, 1)) << "scan below width";
    EXPECT_EQ(-1, gfx2d_surfaceToArgb(out, 4, nullptr, 0, 0, 4, 1)) << "no surface";
    EXPECT_EQ(-1, gfx2d_surfaceToArgb(out, 4, &canvas.surface, 0, 0, -1, 1)) << "negative width";
    EXPECT_EQ(-1, gfx2d_surfaceToArgb(out, 4, &canvas.surface, 0, 0, 1, -1)) << "negative height";

    std::fill(out, out + 64, 0xDEADBEEF);
    ASSERT_EQ(0, gfx2d_surfaceToArgb(out, 5, &canvas.surface, -1, -2, 3, 5));
    // rows 0..2 and columns 0..1 of the surface land at the start of the buffer
    for (int row = 0; row < 3; row++)
        for (int col = 0; col < 2; col++)
            EXPECT_EQ(0xFF000000u | ((uint32_t)row << 19) | ((uint32_t)col << 3), out[row * 5 + col])
                << "row " << row << " column " << col;
    EXPECT_EQ(0xDEADBEEFu, out[2]) << "nothing beyond the kept columns";
    EXPECT_EQ(0xDEADBEEFu, out[15]) << "nothing beyond the kept rows";

    std::fill(out, out + 64, 0xDEADBEEF);
    EXPECT_EQ(0, gfx2d_surfaceToArgb(out, INT_MAX, &canvas.surface, INT_MAX, INT_MAX, INT_MAX, INT_MAX));
    EXPECT_EQ(0, gfx2d_surfaceToArgb(out, INT_MAX, &canvas.surface, INT_MIN, INT_MIN, 0, INT_MAX));
    EXPECT_EQ(0xDEADBEEFu, out[0]) << "a rectangle outside reads nothing";
}

TEST(PixelConversion, ArgbToSurfaceTakesOpacityFromTheAlphaByteAndCutsToTheClip) {
    const uint32_t argb[] = {0x80FFFFFF, 0x7FFFFFFF, 0x00000000, 0xFF0000F8,  //
                             0x11111111, 0x22222222, 0x33333333, 0x44444444};
    Canvas canvas(4, 2);
    ASSERT_EQ(0, gfx2d_argbToSurface(&canvas.surface, nullptr, 0, 0, argb, 4, 2, 1));
    EXPECT_EQ(0xFFFF, canvas.at(0, 0)) << "alpha 0x80 is opaque";
    EXPECT_EQ(0xFFDF, canvas.at(1, 0)) << "alpha 0x7F is transparent";
    EXPECT_EQ(0x003F, canvas.at(3, 0));
    ASSERT_EQ(0, gfx2d_argbToSurface(&canvas.surface, nullptr, 0, 0, argb, 4, 2, 0));
    EXPECT_EQ(0xFFFF, canvas.at(1, 0)) << "without the alpha flag every value is opaque";
    EXPECT_EQ(0x0020, canvas.at(2, 0));

    Canvas clipped(4, 2);
    MkClip clip = {1, 1, 2, 5};
    ASSERT_EQ(0, gfx2d_argbToSurface(&clipped.surface, &clip, -1, 0, argb, 4, 2, 0));
    // the block starts one column left: its columns 2 and 3 of row 1 land on (1,1), (2,1)
    EXPECT_EQ((Points{{1, 1}, {2, 1}}), clipped.marked()) << clipped.picture();
    EXPECT_EQ(gfx2d_argbToPixel(0x33333333, 0), clipped.at(1, 1));
    EXPECT_EQ(gfx2d_argbToPixel(0x44444444, 0), clipped.at(2, 1));

    EXPECT_EQ(-1, gfx2d_argbToSurface(&canvas.surface, nullptr, 0, 0, nullptr, 4, 2, 0)) << "no data";
    Canvas far(4, 2);
    EXPECT_EQ(0, gfx2d_argbToSurface(&far.surface, nullptr, INT_MAX, 0, argb, INT_MAX, 1, 0));
    EXPECT_EQ(0, gfx2d_argbToSurface(&far.surface, nullptr, INT_MIN, 0, argb, INT_MAX, 1, 0));
    EXPECT_TRUE(far.marked().empty()) << far.picture();
}

TEST(PixelConversion, GetPixelIsZeroOutsideTheSurface) {
    Canvas canvas(5, 4);
    canvas.set(4, 3, 0x1234);
    canvas.set(0, 0, 0x4321);
    struct Case {
        const char* name;
        int x, y;
        uint16_t pixel;
    } cases[] = {
        {"last pixel", 4, 3, 0x1234}, {"first pixel", 0, 0, 0x4321}, {"x = width", 5, 0, 0},
        {"x = -1", -1, 0, 0},         {"y = height", 0, 4, 0},       {"far away", INT_MIN, INT_MAX, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.pixel, gfx2d_getPixel(&canvas.surface, c.x, c.y)) << c.name;
}

// A test's screen: the host hook table points at a canvas while the fixture lives.
class ScreenTest : public ::testing::Test {
protected:
    static MkSurface* screen;
    static MkSurface* getScreen() { return screen; }
    void SetUp() override {
        saved = *mk_getHostHooks();
        MkHostHooks hooks = saved;
        hooks.screenGetSurface = getScreen;
        mk_setHostHooks(&hooks);
        screen = &canvas.surface;
    }
    void TearDown() override {
        mk_setHostHooks(&saved);
        screen = nullptr;
    }
    MkHostHooks saved;
    Canvas canvas{6, 4};
};
MkSurface* ScreenTest::screen;

TEST_F(ScreenTest, ANullTargetIsTheScreenAndAReadOnlyTargetIsRefused) {
    EXPECT_EQ(&canvas.surface, gfx2d_getScreenSurface());
    EXPECT_EQ(0, gfx2d_fillRect(nullptr, nullptr, 0x1111, 1, 1, 2, 1));
    EXPECT_EQ((Points{{1, 1}, {2, 1}}), canvas.marked());
    EXPECT_EQ(0x1111, gfx2d_getPixel(nullptr, 1, 1));

    Canvas image(6, 4);
    image.surface.writable = 0;
    EXPECT_EQ(-1, gfx2d_fillRect(&image.surface, nullptr, 0x1111, 0, 0, 6, 4));
    EXPECT_TRUE(image.marked().empty());
}

TEST(Screen, WithoutAHostTheScreenIsEmptyAndTakesEveryCall) {
    MkHostHooks saved = *mk_getHostHooks();
    mk_setHostHooks(nullptr);
    MkSurface* screen = gfx2d_getScreenSurface();
    EXPECT_EQ(0, screen->width);
    EXPECT_EQ(0, gfx2d_fillRect(nullptr, nullptr, 0x1111, 0, 0, 10, 10));
    EXPECT_EQ(0, gfx2d_drawLine(nullptr, nullptr, 0x1111, 0, 0, 10, 10));
    EXPECT_EQ(0, gfx2d_getPixel(nullptr, 0, 0));
    mk_setHostHooks(&saved);
}

TEST(Clip, AnEmptyOrOutsideClipDrawsNothing) {
    struct Case {
        const char* name;
        MkClip clip;
    } cases[] = {
        {"width 0", {0, 0, 0, 4}},
        {"height 0", {0, 0, 6, 0}},
        {"negative width", {3, 0, -2, 4}},
        {"right of the surface", {6, 0, 10, 4}},
        {"below the surface", {0, 4, 6, 10}},
        {"left of the surface", {-10, 0, 10, 4}},
    };
    for (const Case& c : cases) {
        Canvas canvas(6, 4);
        EXPECT_EQ(0, gfx2d_fillRect(&canvas.surface, &c.clip, 0x1111, 0, 0, 6, 4)) << c.name;
        EXPECT_TRUE(canvas.marked().empty()) << c.name << "\n" << canvas.picture();
    }
}

}  // namespace
