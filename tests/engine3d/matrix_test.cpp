// Matrix operations against exact values.
#include <gtest/gtest.h>

#include <array>

#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_matrix.h"

namespace {

using Mat = std::array<int32_t, 12>;

Mat identity() {
    Mat m;
    m3d_matIdentity(m.data());
    return m;
}

Mat rows(std::array<int32_t, 3> r0, std::array<int32_t, 3> r1, std::array<int32_t, 3> r2, std::array<int32_t, 3> t) {
    return {r0[0], r0[1], r0[2], t[0], r1[0], r1[1], r1[2], t[1], r2[0], r2[1], r2[2], t[2]};
}

TEST(Matrix, SetIdentityAndProducts) {
    Mat m;
    m3d_matSet(m.data(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
    EXPECT_EQ(m, (Mat{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(identity(), rows({4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {0, 0, 0}));

    Mat any = rows({123, -456, 789}, {1000, 2000, -3000}, {-7, 8, 4095}, {11, -22, 33});
    Mat out;
    Mat id = identity();
    m3d_matMul(out.data(), id.data(), any.data());
    EXPECT_EQ(out, any) << "identity x m";
    m3d_matMul(out.data(), any.data(), id.data());
    EXPECT_EQ(out, any) << "m x identity";

    // a x b applies b first: rotate a quarter turn about z, then translate
    Mat rotate = identity(), translate = identity();
    m3d_matRotateZ(rotate.data(), 1024);
    translate[3] = 10;
    m3d_matMul(out.data(), translate.data(), rotate.data());
    const int32_t p[3] = {100, 0, 0};
    int32_t q[3];
    m3d_matTransformPoint(out.data(), p, q);
    EXPECT_EQ(q[0], 10);
    EXPECT_EQ(q[1], 100);
    Mat inPlace = translate;
    m3d_matMulInPlace(inPlace.data(), rotate.data());
    EXPECT_EQ(inPlace, out);
    // translation of the product: a's own plus a's rotation of b's, rounded
    Mat half = rows({2048, 0, 0}, {0, 2048, 0}, {0, 0, 2048}, {1, 2, 3});
    Mat shift = rows({4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {3, -3, 5});
    m3d_matMul(out.data(), half.data(), shift.data());
    EXPECT_EQ(out, rows({2048, 0, 0}, {0, 2048, 0}, {0, 0, 2048}, {1 + 2, 2 - 1, 3 + 3}));
}

TEST(Matrix, TransformRoundsToNearest) {
    Mat m = rows({2048, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {0, 0, 0});
    struct Case {
        int32_t x, expected;
    };
    const Case cases[] = {{1, 1}, {-1, 0}, {2, 1}, {3, 2}, {-3, -1}};
    for (const Case& c : cases) {
        const int32_t p[3] = {c.x, 0, 0};
        int32_t q[3];
        m3d_matTransformPoint(m.data(), p, q);
        EXPECT_EQ(q[0], c.expected) << c.x;
    }
    Mat moved = identity();
    moved[3] = 50, moved[7] = -5, moved[11] = 7;
    const int32_t v[3] = {1, 2, 3};
    int32_t out[3];
    m3d_matRotateVector(moved.data(), v, out);
    EXPECT_EQ(out[0], 1) << "no translation";
    m3d_matTransformPoint(moved.data(), v, out);
    EXPECT_EQ(out[0], 51);
    EXPECT_EQ(out[1], -3);
    EXPECT_EQ(out[2], 10);
}

TEST(Matrix, AxisRotations) {
    struct Case {
        const char* name;
        void (*rotate)(int32_t*, int32_t);
        int32_t angle;
        Mat expected;
    };
    const Case cases[] = {
        {"z 1024", m3d_matRotateZ, 1024, rows({0, -4096, 0}, {4096, 0, 0}, {0, 0, 4096}, {7, 8, 9})},
        {"x 1024", m3d_matRotateX, 1024, rows({4096, 0, 0}, {0, 0, -4096}, {0, 4096, 0}, {7, 8, 9})},
        {"y 1024", m3d_matRotateY, 1024, rows({0, 0, 4096}, {0, 4096, 0}, {-4096, 0, 0}, {7, 8, 9})},
        {"z 512", m3d_matRotateZ, 512, rows({2896, -2896, 0}, {2896, 2896, 0}, {0, 0, 4096}, {7, 8, 9})},
        {"y 2048", m3d_matRotateY, 2048, rows({-4096, 0, 0}, {0, 4096, 0}, {0, 0, -4096}, {7, 8, 9})},
    };
    for (const Case& c : cases) {
        Mat m = rows({1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {7, 8, 9});
        c.rotate(m.data(), c.angle);
        EXPECT_EQ(m, c.expected) << c.name;
    }
    Mat z = identity();
    m3d_matRotateZ(z.data(), 1024);
    const int32_t p[3] = {100, 0, 0};
    int32_t q[3];
    m3d_matTransformPoint(z.data(), p, q);
    EXPECT_EQ(q[0], 0);
    EXPECT_EQ(q[1], 100);
    EXPECT_EQ(q[2], 0);

    // about a unit axis: the z axis gives the z rotation, the x axis the x rotation
    const int32_t zAxis[3] = {0, 0, 4096}, xAxis[3] = {4096, 0, 0};
    Mat a = identity(), b = identity();
    m3d_matRotateAxis(a.data(), zAxis, 1024);
    m3d_matRotateZ(b.data(), 1024);
    EXPECT_EQ(a, b);
    m3d_matRotateAxis(a.data(), xAxis, 300);
    m3d_matRotateX(b.data(), 300);
    EXPECT_EQ(a, b);
}

TEST(Matrix, DirectionRoll) {
    struct Case {
        const char* name;
        std::array<int32_t, 3> direction;
        int32_t roll;
        Mat expected;
    };
    const Case cases[] = {
        {"+z", {0, 0, 4096}, 0, rows({4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {5, 5, 5})},
        {"-z", {0, 0, -4096}, 0, rows({4096, 0, 0}, {0, -4096, 0}, {0, 0, -4096}, {5, 5, 5})},
        {"+x", {4096, 0, 0}, 0, rows({0, 0, 4096}, {0, 4096, 0}, {-4096, 0, 0}, {5, 5, 5})},
        {"+z rolled", {0, 0, 4096}, 1024, rows({0, -4096, 0}, {4096, 0, 0}, {0, 0, 4096}, {5, 5, 5})},
    };
    for (const Case& c : cases) {
        Mat m = rows({9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {5, 5, 5});
        m3d_matDirectionRoll(m.data(), c.direction.data(), c.roll);
        EXPECT_EQ(m, c.expected) << c.name;
    }
    Mat m = identity();
    const int32_t scale[3] = {8192, 2048, 4096}, x[3] = {4096, 0, 0};
    m3d_matDirectionRollScale(m.data(), scale, x, 0);
    EXPECT_EQ(m, rows({0, 0, 4096}, {0, 2048, 0}, {-8192, 0, 0}, {0, 0, 0}));
}

TEST(Matrix, InvertLookAtOrthonormalize) {
    Mat m = identity(), out;
    m[3] = 100;
    m3d_matInvertRigid(out.data(), m.data());
    EXPECT_EQ(out, rows({4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {-100, 0, 0}));
    // a rotated and moved frame: the inverse carries its points back
    Mat r = identity();
    m3d_matRotateZ(r.data(), 1024);
    r[3] = 10, r[7] = 20, r[11] = 30;
    m3d_matInvertRigid(out.data(), r.data());
    const int32_t p[3] = {3, 4, 5};
    int32_t q[3], back[3];
    m3d_matTransformPoint(r.data(), p, q);
    m3d_matTransformPoint(out.data(), q, back);
    EXPECT_EQ(back[0], 3);
    EXPECT_EQ(back[1], 4);
    EXPECT_EQ(back[2], 5);

    // looking down -z from (0, 0, 100) with y up
    const int32_t eye[3] = {0, 0, 100}, dir[3] = {0, 0, -10}, up[3] = {0, 10, 0};
    m3d_matLookAt(out.data(), eye, dir, up);
    EXPECT_EQ(out, rows({4096, 0, 0}, {0, -4096, 0}, {0, 0, -4096}, {0, 0, 100}));

    Mat skew = rows({8192, 0, 0}, {0, 3000, 0}, {0, 0, 77}, {1, 2, 3});
    m3d_matOrthonormalize(skew.data());
    EXPECT_EQ(skew, rows({4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {1, 2, 3}));
    int32_t v[3] = {1, 2, 3};
    m3d_vecZero(v);
    EXPECT_EQ(v[0] | v[1] | v[2], 0);
}

}  // namespace
