// Game layers: sprite frames and the eight transforms painted, the records' fields,
// collisions by rectangle and by pixel between sprites, images and tiled layers, tiled
// layers with animated tiles painted within a clip.
#include "graphics/mk_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "graphics/gfx2d.h"
#include "graphics/mk_graphics.h"
#include "graphics/mk_host.h"
#include "graphics/mk_image.h"
#include "support/lowmem_fixture.h"

namespace {

int32_t word(const void* p) { return p32Cell(p); }

// Images and targets in low memory: layers and contexts keep their addresses in words.
struct Picture {
    LowVector<uint16_t> pixels;
    LowRecord<MkSurface> record;
    MkSurface& surface;
    Picture(int32_t w, int32_t h, std::vector<uint16_t> p) : pixels(p.begin(), p.end()), surface(*record) {
        surface = {pixels.data(), w, h, 1, 0};
    }
};

struct Target {
    LowVector<uint16_t> pixels;
    LowRecord<MkSurface> record;
    MkSurface& surface;
    Target(int32_t w, int32_t h) : pixels((size_t)w * h, 0xFFFF), surface(*record) {
        surface = {pixels.data(), w, h, 0, 1};
    }
};

MkSprite* newSprite(const MkSurface* image, int32_t frameW, int32_t frameH) {
    const int32_t params[4] = {word(image), 0, frameW, frameH};
    return reinterpret_cast<MkSprite*>(MkLayerCreate(MK_LAYER_SPRITE, params));
}

void set(MkLayer* layer, int32_t code, std::vector<int32_t> values) {
    MkLayerSetAttribute(0, layer, code, values.data());
}
MkLayer* L(void* record) { return static_cast<MkLayer*>(record); }

// opaque pixels a..h, transparent T
const uint16_t a = 0x0821, b = 0x1063, c = 0x18A5, d = 0x20E7, e = 0x2929, f = 0x316B, T = 0x4000;
const uint16_t W = 0xFFFF;

TEST(MkLayerTest, SpriteFrameUnderEachTransform) {
    // two 3 x 2 frames side by side; the second one holds a b c / d T f
    Picture sheet(6, 2, {W, W, W, a, b, c, W, W, W, d, T, f});
    MkSprite* s = newSprite(&sheet.surface, 3, 2);
    set(L(s), 2, {3, 0});
    struct Case {
        const char* name;
        int32_t transform;  // MIDP
        int32_t code;
        std::vector<uint16_t> want;  // a 3 x 3 target painted at 0, 0
    } cases[] = {
        {"none", 0, 0, {a, b, c, d, W, f, W, W, W}},          {"mirror rot180", 1, 6, {d, W, f, a, b, c, W, W, W}},
        {"mirror", 2, 4, {c, b, a, f, W, d, W, W, W}},        {"rot180", 3, 2, {f, W, d, c, b, a, W, W, W}},
        {"mirror rot270", 4, 7, {a, d, W, b, W, W, c, f, W}}, {"rot90", 5, 1, {d, a, W, W, b, W, f, c, W}},
        {"rot270", 6, 3, {c, f, W, b, W, W, a, d, W}},        {"mirror rot90", 7, 5, {f, c, W, W, b, W, d, a, W}},
    };
    for (const Case& t : cases) {
        EXPECT_EQ(kMkLayerCodeOfTransform[t.transform], t.code) << t.name;
        EXPECT_EQ(kMkLayerTransformOfCode[t.code], t.transform) << t.name;
        set(L(s), 5, {t.code});
        Target target(3, 3);
        EXPECT_EQ(mk_layerPaint(&target.surface, nullptr, L(s), 0, 0), 0) << t.name;
        EXPECT_EQ(plain(target.pixels), t.want) << t.name;
    }
    MkLayerDestroy(MK_LAYER_SPRITE, L(s));
}

TEST(MkLayerTest, SpriteRecord) {
    Picture one(2, 2, {a, b, c, d});
    Picture other(4, 4, std::vector<uint16_t>(16, a));
    MkSprite* s = newSprite(&one.surface, 2, 1);
    ASSERT_NE(L(s), MK_LAYER_FAILED);
    EXPECT_EQ(s->kind, MK_LAYER_SPRITE);
    EXPECT_EQ(s->image, &one.surface);
    EXPECT_EQ(s->frameWidth, 2);
    EXPECT_EQ(s->frameHeight, 1);
    EXPECT_EQ(s->collisionWidth, 2) << "the collision rectangle starts as the frame";
    EXPECT_EQ(s->collisionHeight, 1);
    EXPECT_EQ(s->refX + s->refY + s->frameX + s->frameY + s->transform, 0u);
    set(L(s), 4, {1, 0x10001});
    EXPECT_EQ(s->refX, 1);
    EXPECT_EQ(s->refY, 1) << "16-bit field";
    set(L(s), 3, {1, 2, 3, 4});
    EXPECT_EQ(s->collisionX + s->collisionY * 10 + s->collisionWidth * 100 + s->collisionHeight * 1000, 4321);
    set(L(s), 1, {word(&other.surface), 1, 4, 2});
    EXPECT_EQ(s->image, &other.surface);
    EXPECT_EQ(s->frameWidth, 4);
    EXPECT_EQ(s->frameHeight, 2);
    EXPECT_EQ(s->imageFlag, 0u) << "the flag of a new image is not stored";
    set(L(s), 0, {0, 0, 1, 1, 5});
    set(L(s), 6, {-1, 5});
    int32_t in[2] = {0, 0}, out = 0;
    EXPECT_EQ(MkLayerGetAttribute(MK_LAYER_SPRITE, L(s), 0, in, &out), 0) << "sprites answer no cells";
    EXPECT_EQ(MkLayerCreate(3, in), MK_LAYER_FAILED);
    MkLayerDestroy(MK_LAYER_SPRITE, L(s));
    MkLayerDestroy(MK_LAYER_SPRITE, MK_LAYER_FAILED);
    MkLayerDestroy(MK_LAYER_SPRITE, nullptr);
}

std::vector<uint32_t> sizesTaken;
void* recordingAlloc(uint32_t size) {
    sizesTaken.push_back(size);
    return lowCalloc(1, size);
}

TEST(MkLayerTest, TiledLayerCellsAndAnimatedTiles) {
    MkHostHooks saved = *mk_getHostHooks(), hooks = saved;
    hooks.memAllocPointer = recordingAlloc;
    hooks.memFreePointer = lowFree;
    mk_setHostHooks(&hooks);
    sizesTaken.clear();
    Picture tiles(4, 1, {a, b, c, d});
    const int32_t params[6] = {word(&tiles.surface), 0, 1, 1, 3, 2};
    MkTiledLayer* t = reinterpret_cast<MkTiledLayer*>(MkLayerCreate(MK_LAYER_TILED, params));
    ASSERT_EQ(sizesTaken, std::vector<uint32_t>{24 * 2}) << "3 x 2 cells and the 18-unit record";
    EXPECT_EQ(t->cells, reinterpret_cast<int16_t*>(t + 1));
    for (int32_t i = 0; i < 6; i++) {
        int32_t in[2] = {i % 3, i / 3}, out = 99;
        EXPECT_EQ(MkLayerGetAttribute(MK_LAYER_TILED, L(t), 0, in, &out), 1);
        EXPECT_EQ(out, 0) << "cell " << i;
    }
    set(L(t), 0, {1, 0, 2, 2, 3});
    set(L(t), 0, {2, 1, 5, 5, -2});  // reaches past the layer: cut
    const int16_t cells[6] = {0, 3, 3, 0, 3, -2};
    for (int32_t i = 0; i < 6; i++) EXPECT_EQ(t->cells[i], cells[i]) << "cell " << i;
    set(L(t), 6, {-1, 4});
    set(L(t), 6, {-2, 2});
    set(L(t), 6, {-3, 1});
    ASSERT_NE(t->animated, nullptr);
    ASSERT_NE(t->animated->next, nullptr);
    EXPECT_EQ(t->animated->tiles[0], 4);
    EXPECT_EQ(t->animated->tiles[1], 2);
    EXPECT_EQ(t->animated->next->tiles[0], 1) << "tile -3: second node, first slot";
    EXPECT_EQ(t->animated->next->tiles[1], 0);
    set(L(t), 6, {-7, 1});  // three nodes short: dropped
    EXPECT_EQ(t->animated->next->next, nullptr);
    EXPECT_EQ(t->storeCount, 4u);
    struct Query {
        int32_t code, in0;
        int32_t result, out;
    } queries[] = {{1, -1, 1, 4}, {1, -2, 1, 2}, {1, -3, 1, 1}, {1, -4, 1, 0},
                   {1, -7, 0, 0}, {1, 1, 0, 0},  {2, 0, 0, 0}};
    for (const Query& q : queries) {
        int32_t in[2] = {q.in0, 0}, out = 0;
        EXPECT_EQ(MkLayerGetAttribute(MK_LAYER_TILED, L(t), q.code, in, &out), q.result) << q.in0;
        EXPECT_EQ(out, q.out) << q.in0;
    }
    int32_t in[2] = {0, 0}, out = 0;
    EXPECT_EQ(MkLayerGetAttribute(MK_LAYER_SPRITE, L(t), 0, in, &out), 0) << "the kind must be 2";
    MkLayerDestroy(MK_LAYER_TILED, L(t));
    mk_setHostHooks(&saved);
}

TEST(MkLayerTest, TiledLayerPaintsWithinTheClip) {
    // four 2 x 1 tiles in a 4 x 2 image: 1 = p q, 2 = r s, 3 = u v, 4 = w x
    const uint16_t p = 0x0821, q = 0x0822, r = 0x0823, s = 0x0824, u = 0x0825, v = 0x0826, w = 0x0827, x = 0x0828;
    Picture image(4, 2, {p, q, r, s, u, v, w, x});
    const int32_t params[6] = {word(&image.surface), 0, 2, 1, 3, 2};
    MkLayer* t = MkLayerCreate(MK_LAYER_TILED, params);
    set(t, 0, {0, 0, 1, 1, 1});
    set(t, 0, {1, 0, 1, 1, -1});
    set(t, 0, {0, 1, 1, 1, 4});
    set(t, 0, {1, 1, 1, 1, 3});
    set(t, 0, {2, 1, 1, 1, 2});
    set(t, 6, {-1, 2});
    struct Case {
        const char* name;
        MkClip clip;
        std::vector<uint16_t> want;  // 8 x 3, the layer at 1, 0
    } cases[] = {
        {"whole target", {0, 0, 8, 3}, {W, p, q, r, s, W, W, W, W, w, x, u, v, r, s, W, W, W, W, W, W, W, W, W}},
        {"clip of columns 4 and 5", {4, 0, 2, 3}, {W, W, W, W, s, W, W, W, W, W, W, W,
                                                   v, r, W, W, W, W, W, W, W, W, W, W}},
        {"clip left of the layer", {0, 0, 1, 3}, std::vector<uint16_t>(24, W)},
        {"clip below the layer", {0, 2, 8, 1}, std::vector<uint16_t>(24, W)},
    };
    for (const Case& test : cases) {
        Target target(8, 3);
        EXPECT_EQ(mk_layerPaint(&target.surface, &test.clip, t, 1, 0), 0) << test.name;
        EXPECT_EQ(plain(target.pixels), test.want) << test.name;
    }
    set(t, 6, {-1, 0});  // the animated tile now shows nothing
    Target target(8, 3);
    mk_layerPaint(&target.surface, nullptr, t, 1, 0);
    EXPECT_EQ(target.pixels[3], W);
    MkGraphicsContext* ctx = MkGraphicsCreateContext(&target.surface);
    const int32_t clip[4] = {4, 0, 2, 3};
    MkGraphicsSetClip(ctx, clip);
    set(t, 6, {-1, 2});
    std::fill(target.pixels.begin(), target.pixels.end(), W);
    EXPECT_EQ(MkLayerPaint(ctx, MK_LAYER_TILED, t, 1, 0), 0);
    EXPECT_EQ(plain(target.pixels), cases[1].want) << "through a context: its clip";
    MkGraphicsDestroyContext(ctx);
    MkSurface readOnly = target.surface;
    readOnly.writable = 0;
    EXPECT_EQ(mk_layerPaint(&readOnly, nullptr, t, 1, 0), -1) << "an image refuses painting";
    MkLayerDestroy(MK_LAYER_TILED, t);
}

TEST(MkLayerTest, Collisions) {
    Picture opaque(4, 4, std::vector<uint16_t>(16, a));
    std::vector<uint16_t> half(16, T);  // columns 0 and 1 opaque
    for (int i = 0; i < 16; i++)
        if (i % 4 < 2) half[i] = a;
    Picture leftHalf(4, 4, half);
    Picture wide(4, 2, std::vector<uint16_t>(8, a));
    Picture dot(1, 1, {a});
    std::vector<uint16_t> one(16, T);  // only (0, 2) opaque
    one[8] = a;
    Picture lone(4, 4, one);
    // a tiled layer of three 4 x 4 cells: empty, tile 1, animated tile -1 (tile 1)
    const int32_t tparams[6] = {word(&opaque.surface), 0, 4, 4, 3, 1};
    MkLayer* tiles = MkLayerCreate(MK_LAYER_TILED, tparams);
    set(tiles, 0, {1, 0, 1, 1, 1});
    set(tiles, 0, {2, 0, 1, 1, -1});
    set(tiles, 6, {-1, 1});

    struct Party {
        const MkSurface* image;
        int32_t frameW, frameH, code;
        std::vector<int32_t> collision;  // empty: the whole frame
    };
    struct Case {
        const char* name;
        bool pixel;
        Party A;
        int32_t ax, ay;
        int32_t kindB;  // 0 sprite, 1 the tiled layer, 2 and 3 image
        Party B;
        int32_t bx, by;
        int32_t want;
    } cases[] = {
        {"frames apart", false, {&opaque.surface, 4, 4, 0, {}}, 0, 0, 0, {&opaque.surface, 4, 4, 0, {}}, 4, 0, 0},
        {"one column shared", false, {&opaque.surface, 4, 4, 0, {}}, 0, 0, 0, {&opaque.surface, 4, 4, 0, {}}, 3, 0, 1},
        {"width 0 at x meets x - 1 and x",
         false,
         {&opaque.surface, 4, 4, 0, {0, 0, 0, 4}},
         5,
         0,
         0,
         {&opaque.surface, 4, 4, 0, {}},
         2,
         0,
         1},
        {"width 0 at x misses what ends at x - 1",
         false,
         {&opaque.surface, 4, 4, 0, {0, 0, 0, 4}},
         5,
         0,
         0,
         {&opaque.surface, 4, 4, 0, {}},
         1,
         0,
         0},
        {"overlap only where A is transparent: rectangles",
         false,
         {&leftHalf.surface, 4, 4, 0, {}},
         0,
         0,
         0,
         {&leftHalf.surface, 4, 4, 0, {}},
         2,
         0,
         1},
        {"overlap only where A is transparent: pixels",
         true,
         {&leftHalf.surface, 4, 4, 0, {}},
         0,
         0,
         0,
         {&leftHalf.surface, 4, 4, 0, {}},
         2,
         0,
         0},
        {"A mirrored brings its opaque half over B's",
         true,
         {&leftHalf.surface, 4, 4, 4, {}},
         0,
         0,
         0,
         {&leftHalf.surface, 4, 4, 0, {}},
         2,
         0,
         1},
        {"A rotated 180 likewise",
         true,
         {&leftHalf.surface, 4, 4, 2, {}},
         0,
         0,
         0,
         {&leftHalf.surface, 4, 4, 0, {}},
         2,
         0,
         1},
        {"mirror rot90: the left column becomes the bottom row",
         false,
         {&wide.surface, 4, 2, 5, {0, 0, 1, 2}},
         0,
         0,
         0,
         {&dot.surface, 1, 1, 0, {}},
         1,
         3,
         1},
        {"mirror rot90: nothing of it on the top row",
         false,
         {&wide.surface, 4, 2, 5, {0, 0, 1, 2}},
         0,
         0,
         0,
         {&dot.surface, 1, 1, 0, {}},
         0,
         0,
         0},
        {"mirror rot90 pixels on the bottom row",
         true,
         {&wide.surface, 4, 2, 5, {0, 0, 1, 2}},
         0,
         0,
         0,
         {&dot.surface, 1, 1, 0, {}},
         0,
         3,
         1},
        {"rot90: source (0, 2) shows at (1, 0)",
         true,
         {&lone.surface, 4, 4, 1, {}},
         0,
         0,
         0,
         {&dot.surface, 1, 1, 0, {}},
         1,
         0,
         1},
        {"rot90: and not at (2, 0)", true, {&lone.surface, 4, 4, 1, {}}, 0, 0, 0, {&dot.surface, 1, 1, 0, {}}, 2, 0, 0},
        {"rot270: source (0, 2) shows at (2, 3)",
         true,
         {&lone.surface, 4, 4, 3, {}},
         0,
         0,
         0,
         {&dot.surface, 1, 1, 0, {}},
         2,
         3,
         1},
        {"mirror rot270: source (0, 2) shows at (2, 0)",
         true,
         {&lone.surface, 4, 4, 7, {}},
         0,
         0,
         0,
         {&dot.surface, 1, 1, 0, {}},
         2,
         0,
         1},
        {"mirror rot180: source (0, 2) shows at (0, 1)",
         true,
         {&lone.surface, 4, 4, 6, {}},
         0,
         0,
         0,
         {&dot.surface, 1, 1, 0, {}},
         0,
         1,
         1},
        {"collision rectangle leaves out what B covers: pixels",
         true,
         {&opaque.surface, 4, 4, 0, {2, 0, 2, 4}},
         0,
         0,
         0,
         {&opaque.surface, 4, 4, 0, {}},
         -2,
         0,
         0},
        {"collision rectangle reaches B: pixels",
         true,
         {&opaque.surface, 4, 4, 0, {2, 0, 2, 4}},
         0,
         0,
         0,
         {&opaque.surface, 4, 4, 0, {}},
         -1,
         0,
         1},
        {"collision rectangle starting left of the frame",
         false,
         {&opaque.surface, 4, 4, 0, {-2, 0, 6, 4}},
         0,
         0,
         0,
         {&opaque.surface, 4, 4, 0, {}},
         -4,
         0,
         1},
        {"the same mirrored reaches right of the frame",
         false,
         {&opaque.surface, 4, 4, 4, {-2, 0, 3, 4}},
         0,
         0,
         0,
         {&opaque.surface, 4, 4, 0, {}},
         5,
         0,
         1},
        {"image, opaque over opaque",
         true,
         {&leftHalf.surface, 4, 4, 0, {}},
         0,
         0,
         2,
         {&leftHalf.surface, 4, 4, 0, {}},
         1,
         0,
         1},
        {"image, transparent over opaque",
         true,
         {&leftHalf.surface, 4, 4, 0, {}},
         0,
         0,
         3,
         {&leftHalf.surface, 4, 4, 0, {}},
         2,
         0,
         0},
        {"tiled layer: only the empty cell", false, {&opaque.surface, 4, 4, 0, {}}, 0, 0, 1, {}, 0, 0, 0},
        {"tiled layer: the empty cell and tile 1", false, {&opaque.surface, 4, 4, 0, {}}, 2, 0, 1, {}, 0, 0, 1},
        {"tiled layer: the animated cell", true, {&opaque.surface, 4, 4, 0, {}}, 9, 1, 1, {}, 0, 0, 1},
        {"tiled layer moved: A over its tile 1 only", true, {&opaque.surface, 4, 4, 0, {}}, -5, -1, 1, {}, -9, -2, 1},
        {"tiled layer moved: A just below it", false, {&opaque.surface, 4, 4, 0, {}}, -5, -1, 1, {}, -9, -5, 0},
        {"tiled layer moved: A's last row on its first", true, {&opaque.surface, 4, 4, 0, {}}, -4, -3, 1, {}, -9, 0, 1},
        {"tiled layer moved: A left of it", false, {&opaque.surface, 4, 4, 0, {}}, -14, 0, 1, {}, -9, 0, 0},
        {"tiled layer: A's collision rectangle beyond its frame reaches the last cell",
         false,
         {&opaque.surface, 4, 4, 0, {5, 0, 4, 1}},
         2,
         0,
         1,
         {},
         -1,
         0,
         1},
        {"kind 4", false, {&opaque.surface, 4, 4, 0, {}}, 0, 0, 4, {&opaque.surface, 4, 4, 0, {}}, 0, 0, 0},
    };
    for (const Case& test : cases) {
        MkSprite* sa = newSprite(test.A.image, test.A.frameW, test.A.frameH);
        set(L(sa), 5, {test.A.code});
        if (!test.A.collision.empty()) set(L(sa), 3, test.A.collision);
        MkSprite* sb = nullptr;
        int32_t bWord = 0;
        if (test.kindB == 0) {
            sb = newSprite(test.B.image, test.B.frameW, test.B.frameH);
            set(L(sb), 5, {test.B.code});
            bWord = word(sb);
        } else if (test.kindB == 1) {
            bWord = word(tiles);
        } else {
            bWord = word(test.B.image);
        }
        const int32_t request[8] = {test.pixel, word(sa), test.ax, test.ay, test.kindB, bWord, test.bx, test.by};
        EXPECT_EQ(MkLayerCollidesWith(request), test.want) << test.name;
        MkLayerDestroy(MK_LAYER_SPRITE, L(sa));
        if (sb != nullptr) MkLayerDestroy(MK_LAYER_SPRITE, L(sb));
    }
    set(tiles, 6, {-1, 0});
    MkSprite* s = newSprite(&opaque.surface, 4, 4);
    const int32_t request[8] = {0, word(s), 9, 1, 1, word(tiles), 0, 0};
    EXPECT_EQ(MkLayerCollidesWith(request), 0) << "the animated cell now empty";
    MkLayerDestroy(MK_LAYER_SPRITE, L(s));
    MkLayerDestroy(MK_LAYER_TILED, tiles);
}

}  // namespace
