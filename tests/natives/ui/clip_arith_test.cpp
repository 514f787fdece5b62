// The rectangle, clip and anchor arithmetic the Graphics and Rectangle natives share.
#include <gtest/gtest.h>

#include <string>

#include "natives/ui/font_natives.h"
#include "natives/ui/graphics_natives.h"

namespace {

std::string text(const GfxRect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

const int32_t MAX = 0x7FFFFFFF;

TEST(RectArithmetic, Intersects) {
    struct Case {
        const char* name;
        GfxRect a, b;
        bool expected;
    } cases[] = {
        {"overlapping", {0, 0, 10, 10}, {5, 5, 10, 10}, true},
        {"touching on the right", {0, 0, 10, 10}, {10, 0, 5, 5}, false},
        {"touching below", {0, 0, 10, 10}, {0, 10, 5, 5}, false},
        {"a point inside", {0, 0, 10, 10}, {3, 3, 0, 0}, true},
        {"a point on the left edge", {0, 0, 10, 10}, {0, 3, 0, 0}, true},
        {"a point on the far edge", {0, 0, 10, 10}, {10, 3, 0, 0}, false},
        {"a zero-width receiver on the other's edge", {5, 0, 0, 10}, {0, 0, 5, 5}, false},
        {"disjoint", {0, 0, 10, 10}, {20, 20, 1, 1}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(RectIntersects(c.a, c.b), c.expected) << c.name;
}

TEST(RectArithmetic, IntersectionUnionAndNarrowing) {
    enum Op { INTERSECTION, UNION, NARROW_20x10 };
    struct Case {
        const char* name;
        Op op;
        GfxRect a, b;
        const char* expected;
    } cases[] = {
        {"intersection of overlapping", INTERSECTION, {0, 0, 10, 10}, {5, -5, 10, 10}, "5,0 5x5"},
        {"intersection of disjoint has no size", INTERSECTION, {0, 0, 10, 10}, {20, 20, 5, 5}, "20,20 0x0"},
        {"intersection whose right edge overflows", INTERSECTION, {10, 0, MAX, 10}, {0, 0, 100, 5}, "10,0 90x5"},
        {"union grows to both", UNION, {0, 0, 10, 10}, {5, -5, 10, 10}, "0,-5 15x15"},
        {"union with a negative other is unchanged", UNION, {1, 2, 3, 4}, {0, 0, -1, 5}, "1,2 3x4"},
        {"union into a negative receiver takes the other", UNION, {1, 2, -3, 4}, {5, 6, 7, 8}, "5,6 7x8"},
        {"union whose right edge overflows", UNION, {0, 0, 10, 10}, {10, 0, MAX, 10}, "0,0 2147483647x10"},
        {"narrowed by a bound inside the surface", NARROW_20x10, {0, 0, 20, 10}, {2, 2, 5, 5}, "2,2 5x5"},
        {"narrowed by a bound beyond the surface", NARROW_20x10, {5, 5, 100, 100}, {-5, -5, 100, 100}, "5,5 15x5"},
        {"a bound outside the surface empties", NARROW_20x10, {0, 0, 20, 10}, {30, 0, 5, 5}, "0,0 0x0"},
        {"a clip outside the bound keeps the bound's corner", NARROW_20x10, {0, 0, 2, 2}, {10, 5, 5, 5}, "10,5 0x0"},
    };
    for (const Case& c : cases) {
        GfxRect a = c.a;
        switch (c.op) {
            case INTERSECTION:
                RectIntersection(&a, c.b);
                break;
            case UNION:
                RectUnion(&a, c.b);
                break;
            case NARROW_20x10:
                graphicsNarrowClip(&a, c.b, 20, 10);
                break;
        }
        EXPECT_EQ(text(a), c.expected) << c.name;
    }
}

TEST(AnchorRules, CheckAndOffsets) {
    const int32_t L = ANCHOR_LEFT, H = ANCHOR_HCENTER, R = ANCHOR_RIGHT, T = ANCHOR_TOP, V = ANCHOR_VCENTER,
                  B = ANCHOR_BOTTOM, BL = ANCHOR_BASELINE;
    struct Case {
        const char* name;
        int32_t anchor;
        bool text, image;
        int32_t dx, dy;  // offsets of a 5 x 7 image, for the image anchors
    } cases[] = {
        {"0 is TOP | LEFT", 0, true, true, 0, 0},
        {"LEFT | TOP", L | T, true, true, 0, 0},
        {"HCENTER | VCENTER", H | V, false, true, -2, -3},
        {"RIGHT | BOTTOM", R | B, true, true, -5, -7},
        {"LEFT | BASELINE", L | BL, true, false, 0, 0},
        {"LEFT | TOP | VCENTER", L | T | V, true, false, 0, 0},
        {"no horizontal part", T, false, false, 0, 0},
        {"two horizontal parts", L | R | T, false, false, 0, 0},
        {"negative", -1, false, false, 0, 0},
        {"128", 128 | L | T, false, false, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(graphicsCheckAnchor(c.anchor, false), c.text) << c.name;
        EXPECT_EQ(graphicsCheckAnchor(c.anchor, true), c.image) << c.name;
        if (c.image) {
            EXPECT_EQ(graphicsAnchorOffsetX(c.anchor, 5), c.dx) << c.name;
            EXPECT_EQ(graphicsImageAnchorOffsetY(c.anchor, 7), c.dy) << c.name;
        }
    }
    EXPECT_FALSE(graphicsCheckTransform(-1));
    EXPECT_FALSE(graphicsCheckTransform(8));
    EXPECT_TRUE(graphicsCheckTransform(7));
}

}  // namespace
