#include "graphics/gfx2d.h"

#include "canvas.h"

#include <gtest/gtest.h>
#include <limits.h>

namespace {

const uint16_t kInk = 0xFFFF;
const MkClip kNoClip = {0, 0, 0, 0};  // a marker: the case passes no clip

bool hasClip(const MkClip& c) { return c.width != 0 || c.height != 0 || c.x != 0 || c.y != 0; }

struct LineCase {
    const char* name;
    int x1, y1, x2, y2;
    MkClip clip;
    bool dotted;
    Points expected;
};

TEST(Lines, EndPointsOctantsClipsAndDots) {
    const LineCase cases[] = {
        {"single point", 5, 5, 5, 5, kNoClip, false, {{5, 5}}},
        {"shallow down-right", 0, 0, 3, 1, kNoClip, false, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {"the same reversed", 3, 1, 0, 0, kNoClip, false, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {"steep down-right", 0, 0, 1, 3, kNoClip, false, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {"steep, reversed", 1, 3, 0, 0, kNoClip, false, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {"shallow up-right", 0, 3, 3, 2, kNoClip, false, {{0, 3}, {1, 3}, {2, 2}, {3, 2}}},
        {"steep up-right", 0, 3, 1, 0, kNoClip, false, {{0, 3}, {0, 2}, {1, 1}, {1, 0}}},
        {"diagonal up", 0, 3, 3, 0, kNoClip, false, {{0, 3}, {1, 2}, {2, 1}, {3, 0}}},
        {"vertical, reversed ends", 2, 3, 2, 1, kNoClip, false, {{2, 1}, {2, 2}, {2, 3}}},
        {"horizontal, reversed ends", 4, 0, 1, 0, kNoClip, false, {{1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        {"dotted horizontal", 0, 0, 5, 0, kNoClip, true, {{0, 0}, {2, 0}, {4, 0}}},
        {"dotted horizontal, phase restarts at the clip", 0, 0, 5, 0, {1, 0, 10, 10}, true, {{1, 0}, {3, 0}, {5, 0}}},
        {"dotted vertical", 1, 0, 1, 4, kNoClip, true, {{1, 0}, {1, 2}, {1, 4}}},
        {"dotted diagonal", 0, 0, 4, 4, kNoClip, true, {{0, 0}, {2, 2}, {4, 4}}},
        {"wholly left of the clip", 0, 0, 3, 7, {5, 0, 5, 10}, false, {}},
        {"crossing only outside a clip corner", 0, 3, 3, 0, {2, 2, 4, 4}, false, {}},
        {"cut on both sides", 0, 0, 5, 5, {1, 1, 3, 3}, false, {{1, 1}, {2, 2}, {3, 3}}},
        // both cut ends truncate to x = 1: (1*12 + 2*4) / 16 and (1*5 + 2*11) / 16
        {"cut at top and bottom",
         1,
         -4,
         2,
         12,
         {0, 0, 8, 8},
         false,
         {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}}},
        {"vertical beyond both ends",
         2,
         -5,
         2,
         100,
         kNoClip,
         false,
         {{2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {2, 6}, {2, 7}}},
        {"the whole int range, diagonal",
         INT_MIN,
         INT_MIN,
         INT_MAX,
         INT_MAX,
         {0, 0, 4, 4},
         false,
         {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"the whole int range, horizontal", INT_MIN, 2, INT_MAX, 2, {0, 0, 3, 8}, false, {{0, 2}, {1, 2}, {2, 2}}},
        {"the whole int range, steep", 0, INT_MIN, 1, INT_MAX, {0, 0, 8, 3}, false, {{0, 0}, {0, 1}, {0, 2}}},
        {"far outside", INT_MAX - 1, INT_MIN, INT_MAX, INT_MIN + 3, kNoClip, false, {}},
    };
    for (const LineCase& c : cases) {
        Canvas canvas(8, 8);
        const MkClip* clip = hasClip(c.clip) ? &c.clip : nullptr;
        auto draw = c.dotted ? gfx2d_drawLineDotted : gfx2d_drawLine;
        EXPECT_EQ(0, draw(&canvas.surface, clip, kInk, c.x1, c.y1, c.x2, c.y2)) << c.name;
        EXPECT_EQ(sortedByRow(c.expected), canvas.marked()) << c.name << "\n" << canvas.picture();
        EXPECT_TRUE(canvas.guardsIntact()) << c.name;
    }
}

struct RectCase {
    const char* name;
    int x, y, w, h;
    MkClip clip;
    Points expected;
};

TEST(Rects, OutlinesCoverTheBoxOfWidthPlusOne) {
    const RectCase cases[] = {
        {"w = h = 0 is one pixel", 2, 2, 0, 0, kNoClip, {{2, 2}}},
        {"3 x 2 draws the 4 x 3 outline",
         1,
         1,
         3,
         2,
         kNoClip,
         {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {1, 2}, {4, 2}, {1, 3}, {2, 3}, {3, 3}, {4, 3}}},
        {"h = 0 is a line", 0, 1, 3, 0, kNoClip, {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},
        {"negative width", 2, 2, -1, 3, kNoClip, {}},
        {"left side clipped away", 0, 0, 3, 2, {1, 0, 8, 8}, {{1, 0}, {2, 0}, {3, 0}, {3, 1}, {1, 2}, {2, 2}, {3, 2}}},
        {"only the top row and the sides inside",
         1,
         5,
         2,
         INT_MAX,
         kNoClip,
         {{1, 5}, {2, 5}, {3, 5}, {1, 6}, {3, 6}, {1, 7}, {3, 7}}},
        {"width near 2^31 from inside",
         2,
         1,
         INT_MAX,
         1,
         {0, 0, 6, 6},
         {{2, 1}, {3, 1}, {4, 1}, {5, 1}, {2, 2}, {3, 2}, {4, 2}, {5, 2}}},
        {"x near the top of the range", INT_MAX, 0, INT_MAX, 2, kNoClip, {}},
        {"box around the surface", INT_MIN, INT_MIN, INT_MAX, INT_MAX, kNoClip, {}},
    };
    for (const RectCase& c : cases) {
        Canvas canvas(8, 8);
        const MkClip* clip = hasClip(c.clip) ? &c.clip : nullptr;
        EXPECT_EQ(0, gfx2d_drawRect(&canvas.surface, clip, kInk, c.x, c.y, c.w, c.h)) << c.name;
        EXPECT_EQ(sortedByRow(c.expected), canvas.marked()) << c.name << "\n" << canvas.picture();
    }
}

TEST(Rects, DottedOutlinesRunClockwiseWithOneToggle) {
    const RectCase cases[] = {
        {"4 x 2 unclipped", 0, 0, 4, 2, kNoClip, {{0, 0}, {2, 0}, {4, 0}, {4, 2}, {2, 2}, {0, 2}}},
        // top 1..4, right 0..1, bottom 4..2: the top-right corner is visited twice
        {"left column clipped away", 0, 0, 4, 2, {1, 0, 10, 10}, {{1, 0}, {3, 0}, {4, 0}, {4, 2}, {2, 2}}},
        // every side stops one short of the corner the side before it started at
        {"w = h = 0 visits nothing", 3, 3, 0, 0, kNoClip, {}},
        {"w = 0", 3, 3, 0, 3, kNoClip, {{3, 3}, {3, 5}}},
        {"3 x 3", 0, 0, 3, 3, kNoClip, {{0, 0}, {2, 0}, {3, 1}, {3, 3}, {1, 3}, {0, 2}}},
    };
    for (const RectCase& c : cases) {
        Canvas canvas(8, 8);
        const MkClip* clip = hasClip(c.clip) ? &c.clip : nullptr;
        EXPECT_EQ(0, gfx2d_drawRectDotted(&canvas.surface, clip, kInk, c.x, c.y, c.w, c.h)) << c.name;
        EXPECT_EQ(sortedByRow(c.expected), canvas.marked()) << c.name << "\n" << canvas.picture();
    }
}

TEST(Rects, FillCoversWByHFromTheCorner) {
    struct Case {
        const char* name;
        int x, y, w, h;
        int expectedCount;  // the marked pixels form the rectangle [ex0, ex1] x [ey0, ey1]
        int ex0, ey0, ex1, ey1;
    } cases[] = {
        {"w = 0", 1, 1, 0, 3, 0, 0, 0, 0, 0},
        {"1 x 1", 2, 3, 1, 1, 1, 2, 3, 2, 3},
        {"3 x 2", 1, 1, 3, 2, 6, 1, 1, 3, 2},
        {"cut by the surface", -2, -3, 5, 5, 6, 0, 0, 2, 1},
        {"width near 2^31 from inside", 5, 0, INT_MAX, 1, 3, 5, 0, 7, 0},
        {"ending just left of the surface", INT_MIN, 0, INT_MAX, 8, 0, 0, 0, 0, 0},
        {"the whole int range", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 0, 0, 0},
        {"from far left across", -100, 0, INT_MAX, 8, 64, 0, 0, 7, 7},
    };
    for (const Case& c : cases) {
        Canvas canvas(8, 8);
        EXPECT_EQ(0, gfx2d_fillRect(&canvas.surface, nullptr, kInk, c.x, c.y, c.w, c.h)) << c.name;
        Points marked = canvas.marked();
        EXPECT_EQ((size_t)c.expectedCount, marked.size()) << c.name << "\n" << canvas.picture();
        for (auto& p : marked)
            EXPECT_TRUE(p.first >= c.ex0 && p.first <= c.ex1 && p.second >= c.ey0 && p.second <= c.ey1)
                << c.name << " (" << p.first << "," << p.second << ")";
        EXPECT_TRUE(canvas.guardsIntact()) << c.name;
    }
}

TEST(Rects, FillsOfWholeRowsWriteEveryPixelAndNoMore) {
    struct Case {
        int width, height, y, h;
    } cases[] = {{17, 31, 0, 31}, {33, 17, 1, 16}, {240, 320, 0, 320}, {7, 80, 3, 75}, {513, 2, 1, 1}};
    for (const auto& c : cases) {
        Canvas canvas(c.width, c.height);
        ASSERT_EQ(0, gfx2d_fillRect(&canvas.surface, nullptr, kInk, -3, c.y, c.width + 9, c.h));
        EXPECT_EQ((size_t)c.width * c.h, canvas.marked().size()) << c.width << " x " << c.height;
        for (int y = 0; y < c.height; y++)
            EXPECT_EQ(y >= c.y && y < c.y + c.h ? kInk : 0, canvas.at(c.width - 1, y)) << c.width << " row " << y;
        EXPECT_TRUE(canvas.guardsIntact()) << c.width << " x " << c.height;
    }
}

TEST(Rects, WideFillsWriteEveryPixelOfEveryRow) {
    for (int width : {7, 8, 63, 64, 65, 511, 512, 513, 1000, 1025, 1600}) {
        Canvas canvas(width + 3, 3);
        ASSERT_EQ(0, gfx2d_fillRect(&canvas.surface, nullptr, kInk, 1, 1, width, 1));
        EXPECT_EQ((size_t)width, canvas.marked().size()) << width;
        EXPECT_EQ(0, canvas.at(0, 1)) << width;
        EXPECT_EQ(kInk, canvas.at(1, 1)) << width;
        EXPECT_EQ(kInk, canvas.at(width, 1)) << width;
        EXPECT_EQ(0, canvas.at(width + 1, 1)) << width;
    }
}

struct PolygonCase {
    const char* name;
    std::vector<int32_t> xs, ys;
    MkClip clip;
    const char* picture;
};

TEST(Polygons, ScanLineFillCountsEdgesAndVerticesOnce) {
    const PolygonCase cases[] = {
        {"right triangle, both legs and the hypotenuse",
         {0, 4, 0},
         {0, 0, 4},
         kNoClip,
         "#####...\n"
         "####....\n"
         "###.....\n"
         "##......\n"
         "#.......\n"
         "........\n"},
        {"all vertices on one row",
         {0, 3, 6},
         {2, 2, 2},
         kNoClip,
         "........\n........\n........\n........\n........\n........\n"},
        {"steep and shallow edges",
         {1, 7, 3},
         {0, 2, 5},
         kNoClip,
         ".##.....\n"
         ".#####..\n"
         "..######\n"
         "..#####.\n"
         "...##...\n"
         "...#....\n"},
        {"cut at the clip top",
         {0, 4, 0},
         {-2, -2, 2},
         kNoClip,
         "###.....\n"
         "##......\n"
         "#.......\n"
         "........\n"
         "........\n"
         "........\n"},
        {"a square of four vertices",
         {1, 4, 4, 1},
         {1, 1, 3, 3},
         kNoClip,
         "........\n"
         ".####...\n"
         ".####...\n"
         ".####...\n"
         "........\n"
         "........\n"},
        // four crossings on the rows below the notch, taken in pairs; each bottom vertex
        // is counted twice, so row 5 fills only its two ends
        {"concave, notched from below",
         {0, 7, 7, 4, 0},
         {0, 0, 5, 2, 5},
         kNoClip,
         "########\n"
         "########\n"
         "########\n"
         "####.###\n"
         "##....##\n"
         "#......#\n"},
        {"a square over the whole int range",
         {INT_MIN, INT_MAX, INT_MAX, INT_MIN},
         {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
         kNoClip,
         "########\n"
         "########\n"
         "########\n"
         "########\n"
         "########\n"
         "########\n"},
        // the hypotenuse runs through (0, 0) and (1, 1), ...
        {"half of it, cut on its diagonal",
         {INT_MIN, INT_MAX, INT_MAX},
         {INT_MIN, INT_MIN, INT_MAX},
         kNoClip,
         "########\n"
         ".#######\n"
         "..######\n"
         "...#####\n"
         "....####\n"
         ".....###\n"},
        {"the other half: its hypotenuse passes just above (0, 0)",
         {INT_MIN, INT_MAX, INT_MIN},
         {INT_MIN, INT_MIN, INT_MAX},
         kNoClip,
         "........\n........\n........\n........\n........\n........\n"},
    };
    for (const PolygonCase& c : cases) {
        Canvas canvas(8, 6);
        const MkClip* clip = hasClip(c.clip) ? &c.clip : nullptr;
        EXPECT_EQ(0, gfx2d_fillTriangle(&canvas.surface, clip, kInk, c.xs.data(), c.ys.data(), (int32_t)c.xs.size()))
            << c.name;
        EXPECT_EQ(c.picture, canvas.picture()) << c.name;
        EXPECT_TRUE(canvas.guardsIntact()) << c.name;
    }
}

TEST(Polygons, VertexCountOutsideThreeToThirtyTwoIsRefused) {
    int32_t xs[33] = {0, 4, 0}, ys[33] = {0, 0, 4};
    Canvas canvas(8, 8);
    EXPECT_EQ(-1, gfx2d_fillTriangle(&canvas.surface, nullptr, kInk, xs, ys, 2));
    EXPECT_EQ(-1, gfx2d_fillTriangle(&canvas.surface, nullptr, kInk, xs, ys, 33));
    EXPECT_TRUE(canvas.marked().empty());
    canvas.surface.writable = 0;
    EXPECT_EQ(-1, gfx2d_fillTriangle(&canvas.surface, nullptr, kInk, xs, ys, 3));
    EXPECT_TRUE(canvas.marked().empty());
}

TEST(Polygons, TrianglesSharingAnEdgeLeaveNoGapAndMeetOnlyOnThatEdge) {
    struct Case {
        const char* name;
        int32_t ax, ay, bx, by;  // the shared edge
        int32_t cx, cy, dx, dy;  // the far vertex of each triangle
    } cases[] = {
        {"square split on its diagonal", 9, 0, 0, 9, 0, 0, 9, 9},
        {"shallow shared edge", 0, 2, 11, 5, 0, 9, 11, 0},
        {"steep shared edge", 3, 0, 6, 11, 0, 11, 11, 0},
    };
    for (const Case& c : cases) {
        Canvas first(12, 12), second(12, 12), edge(12, 12);
        int32_t xs1[] = {c.ax, c.bx, c.cx}, ys1[] = {c.ay, c.by, c.cy};
        int32_t xs2[] = {c.ax, c.bx, c.dx}, ys2[] = {c.ay, c.by, c.dy};
        gfx2d_fillTriangle(&first.surface, nullptr, kInk, xs1, ys1, 3);
        gfx2d_fillTriangle(&second.surface, nullptr, kInk, xs2, ys2, 3);
        gfx2d_drawLine(&edge.surface, nullptr, kInk, c.ax, c.ay, c.bx, c.by);
        // every pixel strictly on one side belongs to one triangle; the edge's own pixels
        // may be written by both
        for (int y = 0; y < 12; y++)
            for (int x = 0; x < 12; x++) {
                bool a = first.at(x, y) != 0, b = second.at(x, y) != 0;
                long side1 = (long)(c.bx - c.ax) * (y - c.ay) - (long)(c.by - c.ay) * (x - c.ax);
                bool inQuad = false;
                // inside the quadrilateral: inside one of the two triangles by the side tests
                auto inside = [&](int32_t px, int32_t py, int32_t qx, int32_t qy, int32_t rx, int32_t ry) {
                    long d1 = (long)(qx - px) * (y - py) - (long)(qy - py) * (x - px);
                    long d2 = (long)(rx - qx) * (y - qy) - (long)(ry - qy) * (x - qx);
                    long d3 = (long)(px - rx) * (y - ry) - (long)(py - ry) * (x - rx);
                    return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
                };
                inQuad = inside(c.ax, c.ay, c.bx, c.by, c.cx, c.cy) || inside(c.ax, c.ay, c.bx, c.by, c.dx, c.dy);
                if (a && b) {
                    EXPECT_TRUE(edge.at(x, y) != 0 || side1 == 0) << c.name << ": both wrote (" << x << "," << y << ")";
                }
                if (inQuad) {
                    EXPECT_TRUE(a || b) << c.name << ": gap at (" << x << "," << y << ")";
                }
            }
    }
}

}  // namespace
