// The engine context: initial state, targets and their clip, the texture set, reference
// counts, release.
#include <gtest/gtest.h>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_context.h"
#include "engine3d/m3d_light.h"
#include "engine3d/m3d_raster.h"
#include "engine3d/m3d_texture.h"

namespace {

using e3t::TestAllocator;

struct Engine {
    TestAllocator allocator;
    m3d_Context context;
    Engine() { m3d_initContext(&context, allocator.get()); }
    ~Engine() { m3d_releaseContext(&context); }
};

// A 256 x 256 16-bit texture over the test's own texels.
struct WrappedTexture {
    std::vector<uint16_t> texels;
    m3d_Texture texture;
    WrappedTexture(int32_t size, m3d_Allocator* a = nullptr) : texels((size_t)size * size) {
        m3d_initTexture(&texture, a);
        m3d_wrapTexture(&texture, texels.data(), size, size, size, M3D_FORMAT_COLOR16);
    }
};

TEST(Context, InitialState) {
    Engine e;
    const m3d_Context& c = e.context;
    EXPECT_EQ(c.clipLeft, 0);
    EXPECT_EQ(c.clipRight, 4096);
    EXPECT_EQ(c.clipBottom, 4096);
    EXPECT_EQ(c.target.clipRight, 0) << "no target yet";
    EXPECT_EQ(m3d_getAttribute(&c), M3D_ATTR_BLENDING);
    EXPECT_EQ(c.target.surface, nullptr);
    EXPECT_EQ(c.openBatchTextured, -1);
    EXPECT_EQ(c.openBatchUntextured, -1);
    EXPECT_EQ(c.ambient, 0);
    EXPECT_EQ(c.light[2], -4096);
    EXPECT_EQ(c.combinedValid, 1);
    EXPECT_EQ(c.viewMatrix[0], 4096);
    EXPECT_EQ(c.viewMatrix[5], 4096);
    EXPECT_EQ(c.viewMatrix[3], 0);
    for (int i = 0; i < 32; i++) EXPECT_EQ(c.target.toonTable[i], i < 16 ? 15 : 31) << i;
    EXPECT_EQ(e.allocator.live, 0) << "initialisation allocates nothing";
}

TEST(Context, TargetSurfaceAndClip) {
    struct Case {
        const char* name;
        int32_t l, t, r, b;      // requested
        int32_t cl, ct, cr, cb;  // derived on a 176 x 208 surface
    };
    const Case cases[] = {
        {"default", 0, 0, 4096, 4096, 0, 0, 176, 208},
        {"negative left and top", -5, -9, 100, 100, 0, 0, 100, 100},
        {"right beyond width", 10, 10, 500, 50, 10, 10, 176, 50},
        {"right below left kept", 50, 10, 20, 40, 50, 10, 20, 40},
        {"left beyond width", 300, 300, 400, 400, 176, 208, 176, 208},
        {"saturated", -100000, -100000, 100000, 100000, 0, 0, 176, 208},
    };
    std::vector<uint16_t> pixels(176 * 208);
    for (const Case& c : cases) {
        Engine e;
        m3d_setClipRect(&e.context, c.l, c.t, c.r, c.b);
        m3d_setTargetSurface(&e.context, 176, 208, 176, pixels.data());
        const m3d_RenderTarget& t = e.context.target;
        EXPECT_EQ(t.surface, &e.context.targetView) << c.name;
        EXPECT_EQ(t.clipLeft, c.cl) << c.name;
        EXPECT_EQ(t.clipTop, c.ct) << c.name;
        EXPECT_EQ(t.clipRight, c.cr) << c.name;
        EXPECT_EQ(t.clipBottom, c.cb) << c.name;
    }
    Engine e;
    m3d_setClipRect(&e.context, -100000, 0, 100000, 70000);
    EXPECT_EQ(e.context.clipLeft, -32768);
    EXPECT_EQ(e.context.clipRight, 32767);
    m3d_setTargetSurface(&e.context, 10, 10, 10, nullptr);
    EXPECT_EQ(e.context.target.surface, nullptr) << "a null surface is ignored";
    m3d_setTargetSurface(&e.context, 10, 10, 5, pixels.data());
    EXPECT_EQ(e.context.target.surface, nullptr) << "a pitch below the width is ignored";
}

TEST(Context, TargetTexture) {
    Engine e;
    EXPECT_EQ(m3d_setTargetTexture(&e.context, nullptr), 0);
    m3d_Texture texture;
    m3d_initTexture(&texture, e.allocator.get());
    ASSERT_EQ(m3d_setTargetTexture(&e.context, &texture), 1) << "made into a blank render texture";
    EXPECT_EQ(texture.renderFlags, 8);
    EXPECT_EQ(texture.refCount, 1);
    EXPECT_EQ(e.context.target.clipRight, 256);
    EXPECT_EQ(e.context.targetView.pixels, texture.texels.pixels);

    // a texture in use elsewhere cannot be made a render texture
    m3d_Texture busy;
    m3d_initTexture(&busy, e.allocator.get());
    busy.refCount = 1;
    EXPECT_EQ(m3d_setTargetTexture(&e.context, &busy), 0);
    EXPECT_EQ(e.context.targetTexture, &texture) << "the old target stays";

    // the caller's surface replaces the texture and drops its reference
    std::vector<uint16_t> pixels(64);
    m3d_setTargetSurface(&e.context, 8, 8, 8, pixels.data());
    EXPECT_EQ(texture.refCount, 0);
    EXPECT_EQ(e.context.targetTexture, nullptr);
    m3d_releaseTexture(&texture);
}

TEST(Context, TextureSet) {
    Engine e;
    WrappedTexture big(256), small(64), other(256);
    EXPECT_EQ(m3d_setTexture(&e.context, &small.texture), 0);
    EXPECT_EQ(e.context.textures[0], nullptr);
    EXPECT_EQ(m3d_setTexture(&e.context, &big.texture), 1);
    EXPECT_EQ(big.texture.refCount, 1);

    m3d_Texture* list3[] = {&other.texture, &small.texture, &big.texture};
    m3d_TextureList three = {3, list3};
    EXPECT_EQ(m3d_setTextures(&e.context, &three), 0) << "slot 1 refuses the 64 x 64 texture";
    EXPECT_EQ(e.context.textures[0], &other.texture);
    EXPECT_EQ(e.context.textures[1], nullptr);
    EXPECT_EQ(e.context.textures[2], &big.texture);
    EXPECT_EQ(big.texture.refCount, 1) << "dropped from slot 0, taken in slot 2";
    EXPECT_EQ(small.texture.refCount, 0);

    m3d_Texture* list17[17] = {};
    m3d_TextureList tooMany = {17, list17};
    EXPECT_EQ(m3d_setTextures(&e.context, &tooMany), 0);
    EXPECT_EQ(e.context.textures[0], &other.texture) << "a count above 16 changes nothing";
    EXPECT_EQ(m3d_setTextures(&e.context, nullptr), 1);
    EXPECT_EQ(e.context.textures[0], nullptr);
    EXPECT_EQ(other.texture.refCount, 0);
    EXPECT_EQ(big.texture.refCount, 0);

    EXPECT_EQ(m3d_setExtraTexture(&e.context, &small.texture), 1);
    EXPECT_EQ(small.texture.refCount, 1);
    EXPECT_EQ(m3d_setExtraTexture(&e.context, &big.texture), 0);
    EXPECT_EQ(e.context.extraTexture, nullptr);
    EXPECT_EQ(small.texture.refCount, 0);
}

TEST(Context, ReferenceCountsStopAtZero) {
    int32_t object[2] = {0, 99};
    m3d_dropRef(object);
    EXPECT_EQ(object[0], 0);
    m3d_takeRef(object);
    m3d_takeRef(object);
    m3d_dropRef(object);
    EXPECT_EQ(object[0], 1);
    m3d_takeRef(nullptr);
    m3d_dropRef(nullptr);
    EXPECT_EQ(object[1], 99);
}

TEST(Context, AttributeSwitchesAnswerThePreviousWord) {
    Engine e;
    EXPECT_EQ(m3d_setLightingAllowed(&e.context, 0x101), 8u);
    EXPECT_EQ(m3d_setEnvironmentAllowed(&e.context, 1), 9u);
    EXPECT_EQ(m3d_setBlendingAllowed(&e.context, 0x100), 11u) << "only the low byte counts";
    EXPECT_EQ(m3d_getAttribute(&e.context), 3u);
}

TEST(Context, ReleaseFreesEverything) {
    Engine* e = new Engine;
    std::vector<uint16_t> pixels(64);
    m3d_setTargetSurface(&e->context, 8, 8, 8, pixels.data());
    ASSERT_GE(m3d_findShadeRamp(&e->context, 0xF800), 0);
    EXPECT_EQ(e->allocator.live, 1);
    WrappedTexture big(256);
    m3d_setTexture(&e->context, &big.texture);
    m3d_releaseContext(&e->context);
    EXPECT_EQ(e->allocator.live, 0);
    EXPECT_EQ(big.texture.refCount, 0);
    EXPECT_EQ(e->context.allocator, nullptr);
    m3d_initContext(&e->context, e->allocator.get());
    delete e;
}

}  // namespace
