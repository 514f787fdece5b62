// The geometry of a sprite frame under each MIDP transform: collision rectangle, layer
// size and reference pixel as the screen shows them.
#include <gtest/gtest.h>

#include "natives/ui/sprite_natives.h"

namespace {

TEST(SpriteGeometry, EachTransformOfAnAsymmetricFrame) {
    // a 16 x 24 frame, collision rectangle (2, 3, 5, 7), reference pixel (4, 6)
    const int32_t collision[4] = {2, 3, 5, 7};
    struct Case {
        const char* name;
        uint32_t transform;
        SpriteGeometry want;
    } cases[] = {
        {"none", 0, {2, 3, 5, 7, 16, 24, 4, 6}},
        {"mirror rot180 flips rows", 1, {2, 14, 5, 7, 16, 24, 4, 17}},
        {"mirror flips columns", 2, {9, 3, 5, 7, 16, 24, 11, 6}},
        {"rot180 flips both", 3, {9, 14, 5, 7, 16, 24, 11, 17}},
        {"mirror rot270 swaps the axes", 4, {3, 2, 7, 5, 24, 16, 6, 4}},
        {"rot90", 5, {14, 2, 7, 5, 24, 16, 17, 4}},
        {"rot270", 6, {3, 9, 7, 5, 24, 16, 6, 11}},
        {"mirror rot90", 7, {14, 9, 7, 5, 24, 16, 17, 11}},
    };
    for (const Case& c : cases) {
        SpriteGeometry g;
        ASSERT_TRUE(spriteTransformGeometry(c.transform, 16, 24, collision, 4, 6, &g)) << c.name;
        const SpriteGeometry& w = c.want;
        EXPECT_EQ(g.collisionX, w.collisionX) << c.name;
        EXPECT_EQ(g.collisionY, w.collisionY) << c.name;
        EXPECT_EQ(g.collisionW, w.collisionW) << c.name;
        EXPECT_EQ(g.collisionH, w.collisionH) << c.name;
        EXPECT_EQ(g.width, w.width) << c.name;
        EXPECT_EQ(g.height, w.height) << c.name;
        EXPECT_EQ(g.refX, w.refX) << c.name;
        EXPECT_EQ(g.refY, w.refY) << c.name;
    }
}

TEST(SpriteGeometry, RotatedReferenceAtTheOrigin) {
    const int32_t collision[4] = {0, 0, 16, 24};
    SpriteGeometry g;
    ASSERT_TRUE(spriteTransformGeometry(5, 16, 24, collision, 0, 0, &g));
    EXPECT_EQ(g.width, 24);
    EXPECT_EQ(g.height, 16);
    EXPECT_EQ(g.refX, 23);
    EXPECT_EQ(g.refY, 0);
}

TEST(SpriteGeometry, TransformsOutsideTheEightAreRefused) {
    const int32_t collision[4] = {0, 0, 1, 1};
    SpriteGeometry g = {1, 2, 3, 4, 5, 6, 7, 8};
    for (uint32_t t : {8u, 0xFFFFFFFFu, 0x80000000u}) {
        EXPECT_FALSE(spriteTransformGeometry(t, 4, 4, collision, 0, 0, &g)) << t;
        EXPECT_EQ(g.collisionX, 1) << "left as it was for " << t;
    }
}

}  // namespace
