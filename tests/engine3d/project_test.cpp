// Projection: the small floating-point type, parallel and perspective set-up, points
// projected, vertex runs with their clip codes, and lines cut at the near and far planes.
#include <gtest/gtest.h>

#include "engine3d/command_builder.h"
#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_frame.h"
#include "engine3d/m3d_project.h"

namespace {

using e3t::CommandBuilder;
using e3t::Frame;

TEST(SoftFloat, Arithmetic) {
    struct Case {
        const char* name;
        m3d_SoftFloat value;
        int32_t expected;
    };
    const Case cases[] = {
        {"zero", m3d_sfFromInt(0), 0},
        {"one", m3d_sfFromInt(1), 1},
        {"minus one", m3d_sfFromInt(-1), -1},
        {"15 significant bits survive", m3d_sfFromInt(32767), 32767},
        {"low bits of a wide value are dropped", m3d_sfFromInt(100003), 100000},
        {"negative wide value", m3d_sfFromInt(-123456), -123456},
        {"half as fixed point truncates", m3d_sfFromFixed(2048), 0},
        {"half times ten", m3d_sfMul(m3d_sfFromFixed(2048), m3d_sfFromInt(10)), 5},
        {"6 x 7", m3d_sfMul(m3d_sfFromInt(6), m3d_sfFromInt(7)), 42},
        {"32767 / 99", m3d_sfDiv(m3d_sfFromInt(32767), m3d_sfFromInt(99)), 330},
        {"-1000 / 8", m3d_sfDiv(m3d_sfFromInt(-1000), m3d_sfFromInt(8)), -125},
        {"3 + 4", m3d_sfAdd(m3d_sfFromInt(3), m3d_sfFromInt(4)), 7},
        {"3 - 4", m3d_sfSub(m3d_sfFromInt(3), m3d_sfFromInt(4)), -1},
        {"large + small aligns the small one", m3d_sfAdd(m3d_sfFromInt(1 << 20), m3d_sfFromInt(3)), 1 << 20},
        {"division by zero gives 0", m3d_sfDiv(m3d_sfFromInt(5), m3d_sfFromInt(0)), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(m3d_sfToInt(c.value), c.expected) << c.name;
    EXPECT_EQ(m3d_sfMantissa(m3d_sfFromInt(1)), 16384) << "a normalised mantissa has 15 significant bits";
    EXPECT_EQ(m3d_sfExponent(m3d_sfFromInt(1)), -14);
}

TEST(Projection, DepthRange) {
    Frame f(176, 208);
    ASSERT_EQ(m3d_setDepthRange(f.get(), 1, 100), 1);
    const int32_t a = f.context.depthA, b = f.context.depthB;
    struct Case {
        int32_t near, far;
    };
    for (Case c : {Case{0, 100}, Case{100, 100}, Case{50, 10}, Case{-5, 10}, Case{1, 65537}}) {
        EXPECT_EQ(m3d_setDepthRange(f.get(), c.near, c.far), 0) << c.near << ".." << c.far;
        EXPECT_EQ(f.context.depthA, a) << "a refused range leaves the constants";
        EXPECT_EQ(f.context.depthB, b);
        EXPECT_EQ(f.context.projNear, 1);
    }
    // depth A - B / z runs from about 0 at near to about 32767 at far
    EXPECT_NEAR(a - b / 1, 0, 8);
    EXPECT_NEAR(a - b / 100, 32767, 8);
}

TEST(Projection, ParallelPointAndSize) {
    Frame f(176, 208);
    m3d_setParallelScale(f.get(), 4096, 4096);
    m3d_setOrigin(f.get(), 88, 104);
    const int32_t point[3] = {10, 20, 30};
    int32_t out[3];
    ASSERT_EQ(m3d_projectPoint(f.get(), out, point), 1);
    EXPECT_EQ(out[0], 98);
    EXPECT_EQ(out[1], 124);
    EXPECT_EQ(out[2], 30);

    m3d_setParallelSize(f.get(), 88, 104);  // the surface shows 88 x 104 units: scale 2
    EXPECT_EQ(f.context.projMatrix[0], 8192);
    EXPECT_EQ(f.context.projMatrix[5], 8192);
    ASSERT_EQ(m3d_projectPoint(f.get(), out, point), 1);
    EXPECT_EQ(out[0], 108);
    EXPECT_EQ(out[1], 144);
    m3d_setParallelSize(f.get(), 0, 104);
    EXPECT_EQ(f.context.projMatrix[0], 8192) << "a size of 0 is ignored";
    m3d_setParallelSizeUniform(f.get(), 44);
    EXPECT_EQ(f.context.projMatrix[0], 16384);
    EXPECT_EQ(f.context.projMatrix[5], 16384);
}

TEST(Projection, PerspectiveAngleIsClamped) {
    Frame f(240, 320);
    struct Case {
        int32_t angle, same;
    };
    for (Case c : {Case{4000, 2046}, Case{0, 2}, Case{-7, 2}}) {
        m3d_setPerspectiveAngle(f.get(), 10, 1000, c.angle);
        const m3d_SoftFloat clamped = f.context.scaleX;
        m3d_setPerspectiveAngle(f.get(), 10, 1000, c.same);
        EXPECT_EQ(clamped, f.context.scaleX) << "angle " << c.angle;
    }
    // a right angle: a point at x = z lands on the surface's edge
    m3d_setPerspectiveAngle(f.get(), 10, 1000, 1024);
    m3d_setOrigin(f.get(), 120, 160);
    EXPECT_EQ(f.context.projectionMode, M3D_PROJ_PERSPECTIVE);
    int32_t out[3];
    const int32_t edge[3] = {100, 0, 100};
    ASSERT_EQ(m3d_projectPoint(f.get(), out, edge), 1);
    EXPECT_NEAR(out[0], 240, 1);
    EXPECT_EQ(out[1], 160);
    const int32_t behind[3] = {0, 0, 5};
    EXPECT_EQ(m3d_projectPoint(f.get(), out, behind), 0) << "nearer than near";
    // a failed depth range changes nothing
    m3d_setPerspectiveAngle(f.get(), 0, 1000, 512);
    EXPECT_EQ(f.context.projNear, 10);
}

TEST(Projection, ClipCodes) {
    Frame f(240, 320);
    m3d_setPerspectiveAngle(f.get(), 10, 100, 1024);
    m3d_updateCombinedMatrix(f.get());
    const int32_t vertices[] = {0, 0, 10, 0, 0, 100, 0, 0, 9, 0, 0, 101, 40000, 0, 10, 0, -40000, 11, 5, 5, 50};
    const uint8_t expected[] = {0, 0, M3D_CLIP_NEAR, M3D_CLIP_FAR, M3D_CLIP_RANGE, M3D_CLIP_RANGE, 0};
    ASSERT_EQ(m3d_reserveVertices(f.get(), 7), 1);
    m3d_transformRun32(f.get(), f.context.combinedMatrix, vertices, 7, 0);
    for (int i = 0; i < 7; i++) EXPECT_EQ(f.context.clipCodes[i], expected[i]) << "vertex " << i;
    EXPECT_NEAR(f.context.vertices[0].depth, 0, 8) << "the near plane is depth 0";
    EXPECT_NEAR(f.context.vertices[1].depth, 32767, 8);
}

// A line with one end nearer than near is shortened to the near plane; one with both
// ends beyond far is dropped.
TEST(Projection, LinesAreCutAtTheDepthPlanes) {
    Frame f(240, 320);
    const int32_t kNear = 10, kFar = 100;
    std::vector<uint32_t> list =
        CommandBuilder()
            .perspectiveAngle(kNear, kFar, 1024)
            .block(2, 2, {0, 1, 0}, 0, {0, 0, 5, 20, 0, 50, 0, 0, 200, 0, 10, 150}, {}, {}, {0xFFFFFF})
            .words;
    ASSERT_EQ(f.run(list), 0);
    ASSERT_EQ(f.context.depthCount, 1) << "the line beyond far is dropped";
    const auto* line = (const m3d_LineRecord*)f.context.depthEntries[0].record;
    EXPECT_EQ(line->vertex[0], 4) << "the near end is a new vertex after the block's four";
    EXPECT_EQ(line->vertex[1], 1);
    EXPECT_EQ(f.context.clipEye[4][2], kNear);
    EXPECT_EQ(f.context.clipCodes[4], 0);
    // the near point lies 5/45 of the way to (20, 0, 50): eye x = 2048 + 3840 x 20 / 9 in
    // the combined matrix's units (scale 120 is 3840 >> 9 with a shift of 9), so
    // x = ((10581 << 4) / 10) >> 9 = 33; the 2048 of rounding alone is 6 pixels at z = 10
    EXPECT_EQ(f.context.vertices[4].x, 33);
    EXPECT_EQ(f.context.vertices[4].y, 6);
    EXPECT_EQ(f.context.verticesUsed, 5);
}

}  // namespace
