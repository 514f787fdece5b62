// Lights, light levels, environment coordinates, the toon table and the ramp cache.
#include <gtest/gtest.h>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_context.h"
#include "engine3d/m3d_light.h"
#include "engine3d/m3d_matrix.h"

namespace {

struct Engine {
    e3t::TestAllocator allocator;
    m3d_Context context;
    Engine() { m3d_initContext(&context, allocator.get()); }
    ~Engine() { m3d_releaseContext(&context); }
};

TEST(Light, Levels) {
    struct Case {
        const char* name;
        int32_t ambient, intensity;
        int32_t direction[3];
        int32_t normal[3];
        uint8_t level;
    };
    const Case cases[] = {
        {"ambient only", 4096, 0, {0, 0, -1}, {0, 0, 64}, 255},
        {"facing away", 0, 4096, {0, 0, -1}, {0, 0, -64}, 0},
        {"facing the light", 0, 4096, {0, 0, -1}, {0, 0, 64}, 255},
        {"half ambient", 2048, 0, {0, 0, -1}, {0, 0, 64}, 127},
        {"sideways", 0, 4096, {0, 0, -1}, {64, 0, 0}, 0},
        {"a quarter light", 0, 1024, {0, 0, -1}, {0, 0, 64}, 63},
        {"overexposed", 4096, 16384, {0, 0, -1}, {0, 0, 64}, 255},
        {"45 degrees", 0, 4096, {0, -1, -1}, {0, 0, 64}, 180},
    };
    for (const Case& c : cases) {
        Engine e;
        m3d_setAmbientLight(&e.context, c.ambient);
        m3d_setDirectionalLight(&e.context, c.direction, c.intensity);
        int32_t view[12];
        m3d_matIdentity(view);
        m3d_LightSetup setup;
        m3d_prepareLighting(&e.context, view, &setup);
        EXPECT_EQ(m3d_lightLevel(&setup, c.normal[0], c.normal[1], c.normal[2]), c.level) << c.name;
    }
    Engine e;
    m3d_setAmbientLight(&e.context, 9000);
    EXPECT_EQ(e.context.ambient, 4096);
    m3d_setAmbientLight(&e.context, -1);
    EXPECT_EQ(e.context.ambient, 0);
    const int32_t down[3] = {0, 0, -1};
    m3d_setDirectionalLight(&e.context, down, 20000);
    EXPECT_EQ(e.context.light[2], 16384) << "intensity clamped to 16384";
    m3d_setDirectionalLight(&e.context, nullptr, 1);
    EXPECT_EQ(e.context.light[2], 16384) << "null does nothing";
}

TEST(Light, ModelSpaceLightAndEnvironment) {
    Engine e;
    const int32_t fromLeft[3] = {1, 0, 0};  // light travelling +x: lit faces point -x
    m3d_setDirectionalLight(&e.context, fromLeft, 4096);
    int32_t modelToView[12];
    m3d_matIdentity(modelToView);
    m3d_matRotateY(modelToView, 1024);  // model +z lies along view +x
    m3d_LightSetup setup;
    m3d_prepareLighting(&e.context, modelToView, &setup);
    EXPECT_EQ(m3d_lightLevel(&setup, 0, 0, -64), 255) << "model -z faces view -x";
    EXPECT_EQ(m3d_lightLevel(&setup, 0, 0, 64), 0);
    uint8_t u, v;
    m3d_environmentCoords(&setup, 0, 0, 64, &u, &v);
    EXPECT_EQ(u, 64) << "a normal along view +x reaches the map's right edge";
    EXPECT_EQ(v, 32);
    m3d_environmentCoords(&setup, 0, 64, 0, &u, &v);
    EXPECT_EQ(u, 32);
    EXPECT_EQ(v, 64);
    m3d_ScreenVertex out[2] = {};
    const int32_t normals32[6] = {0, 0, -4096, 0, 4096, 0};
    m3d_lightVertices32(&setup, normals32, 2, out, true);
    EXPECT_EQ(out[0].light, 255);
    EXPECT_EQ(out[0].envU, 0);
    EXPECT_EQ(out[1].envV, 64);
}

TEST(Light, ToonTable) {
    struct Case {
        int32_t threshold, high, low;
        int lowUpTo;  // entries 0..lowUpTo are low
        uint8_t h, l;
    };
    const Case cases[] = {{128, 255, 0, 15, 31, 0},
                          {0, 200, 100, 0, 24, 12},
                          {255, 255, 0, 31, 31, 0},
                          {-9, 255, 0, -1, 31, 0},
                          {1000, 999, -5, 31, 31, 0}};
    for (const Case& c : cases) {
        Engine e;
        m3d_setToonTable(&e.context, c.threshold, c.high, c.low);
        for (int i = 0; i < 32; i++)
            EXPECT_EQ(e.context.target.toonTable[i], i <= c.lowUpTo ? c.l : c.h) << c.threshold << " entry " << i;
    }
}

TEST(Light, ShadeRampCache) {
    Engine e;
    int32_t row = m3d_findShadeRamp(&e.context, 0xF800);
    ASSERT_GE(row, 0);
    EXPECT_EQ(row, 31) << "red5 31, green5 0, blue5 0 starts at slot 31";
    EXPECT_EQ(e.context.rampAges[row], 16u);
    EXPECT_EQ(m3d_findShadeRamp(&e.context, 0xF800), row);
    EXPECT_EQ(e.context.rampAges[row], 19u) << "a hit adds 3";
    const uint16_t* ramp = (const uint16_t*)e.context.rampTexture.texels.pixels + row * 32;
    EXPECT_EQ(ramp[0], 0);
    EXPECT_EQ(ramp[31], 30 << 11) << "31 x 31 >> 5";
    EXPECT_EQ(ramp[16], 15 << 11);
    EXPECT_EQ(e.context.rampTexture.texels.width, 32);
    EXPECT_EQ(e.context.rampTexture.texels.height, 256);

    // every row in use with its own colour: a new colour takes the row of smallest age
    for (int s = 0; s < 256; s++) {
        e.context.rampKeys[s] = 0x8000u + (uint32_t)s;
        e.context.rampAges[s] = 20 + (uint32_t)s % 7;
    }
    e.context.rampAges[77] = 2;
    e.context.rampAges[200] = 2;  // probing starts at slot 193 for this colour and meets 200 first
    uint32_t fresh = 0x0001;
    for (int s = 0; s < 256; s++) ASSERT_NE(e.context.rampKeys[s], fresh);
    EXPECT_EQ(m3d_findShadeRamp(&e.context, fresh), 200);
    m3d_ageShadeRamps(&e.context);
    EXPECT_EQ(e.context.rampAges[200], 15u);
    EXPECT_EQ(e.context.rampAges[77], 1u);

    e3t::TestAllocator none;
    none.failAt = 0;
    m3d_Context c;
    m3d_initContext(&c, none.get());
    EXPECT_EQ(m3d_findShadeRamp(&c, 0xF800), -1) << "no block, no ramp";
    m3d_releaseContext(&c);
}

}  // namespace
