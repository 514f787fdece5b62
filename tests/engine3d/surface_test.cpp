// The engine's pixels on the system's surfaces: bit 5 is the surface's opaque flag and
// is always clear in the engine, so it is cleared on the way in and set on the way out.
#include <gtest/gtest.h>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_color.h"
#include "engine3d/m3d_raster.h"
#include "engine3d/m3d_surface.h"
#include "engine3d/m3d_triangle.h"
#include "platform/surface.h"

namespace {

static_assert((int)M3D_SURFACE_OPAQUE == (int)MK_PIXEL_OPAQUE, "the engine marks pixels opaque as surfaces do");

uint16_t channelAdd(uint16_t d, uint16_t s) {
    uint32_t out = 0;
    for (int shift : {11, 6, 0}) out |= std::min(((d >> shift) & 31u) + ((s >> shift) & 31u), 31u) << shift;
    return (uint16_t)out;
}

TEST(Surface, BlendOverASurfaceAndBack) {
    // a surface of opaque pixels whose blue channels are about to overflow into bit 5
    const int w = 12, h = 10;
    std::vector<uint16_t> surface((size_t)w * h);
    for (int i = 0; i < w * h; i++) surface[i] = (uint16_t)(((i * 0x0843) & 0xFFDF) | 0x001C | MK_PIXEL_OPAQUE);
    const std::vector<uint16_t> original = surface;

    e3t::Canvas engine(w, h);
    ASSERT_EQ(m3d_copyFromSurface(&engine.view, 0, 0, surface.data(), w, w, h, 0, 0, w, h), w * h);
    for (uint16_t p : engine.pixels) ASSERT_EQ(p & 0x20, 0) << "bit 5 cleared on the way in";
    engine.target.flatColor = 0x0846;  // adds 1 to red and green, 6 to blue
    m3d_SetupVertex a = {0, 0, {}}, b = {w, 0, {}}, c = {0, h, {}};
    m3d_drawTriangleFlat(&engine.target, m3d_rasterFnByBlend(M3D_BLEND_ADD << 1), &a, &b, &c);
    ASSERT_EQ(m3d_copyToSurface(surface.data(), w, w, h, 0, 0, &engine.view, 0, 0, w, h), w * h);
    int blended = 0;
    for (int i = 0; i < w * h; i++) {
        uint16_t before = original[i] & ~MK_PIXEL_OPAQUE;
        ASSERT_TRUE(surface[i] & MK_PIXEL_OPAQUE) << i;
        uint16_t colour = surface[i] & ~MK_PIXEL_OPAQUE;
        bool drawn = engine.pixels[i] != before;
        if (drawn) {
            ASSERT_EQ(colour, channelAdd(before, 0x0846)) << i << ": green untouched by blue's carry";
            blended++;
        } else {
            ASSERT_EQ(colour, before) << i;
        }
    }
    EXPECT_GT(blended, 40);
    // drawn straight onto a surface, the engine's pixels would read as transparent
    EXPECT_EQ(engine.at(1, 1) & MK_PIXEL_OPAQUE, 0);
}

TEST(Surface, CopiesAreCutToBothSides) {
    e3t::Canvas engine(8, 8, 0x1234 & 0xFFDF);
    std::vector<uint16_t> surface(6 * 5, 0);
    struct Case {
        const char* name;
        int32_t dx, dy, sx, sy, w, h, written;
    };
    const Case cases[] = {
        {"whole", 0, 0, 0, 0, 6, 5, 30},
        {"off the surface left", -2, 0, 0, 0, 4, 1, 2},
        {"source off the image", 0, 0, 6, 6, 5, 5, 4},
        {"width -2^31", 0, 0, 0, 0, INT32_MIN, 1, 0},
        {"far right", INT32_MAX, 0, 0, 0, 4, 4, 0},
        {"far left", 0, 0, INT32_MIN, 0, INT32_MAX, 2, 0},
    };
    for (const Case& c : cases) {
        std::fill(surface.begin(), surface.end(), 0);
        EXPECT_EQ(m3d_copyToSurface(surface.data(), 6, 6, 5, c.dx, c.dy, &engine.view, c.sx, c.sy, c.w, c.h), c.written)
            << c.name;
        int marked = 0;
        for (uint16_t p : surface) marked += p != 0;
        EXPECT_EQ(marked, c.written) << c.name;
    }
}

}  // namespace
