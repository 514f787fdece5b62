// Frame building and drawing: the stores' growth limits and failures, the polygon pool,
// batch sharing, polygon records and depth keys, the depth sort, and drawn frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine3d/command_builder.h"
#include "engine3d/m3d_draw.h"
#include "engine3d/m3d_frame.h"
#include "engine3d/m3d_project.h"
#include "engine3d/scene.h"

namespace {

using e3t::CommandBuilder;
using e3t::Frame;
using e3t::Layout;

const Layout kOneColor = {0, 1, 0};
const Layout kColorEach = {0, 2, 0};
const Layout kTexCoords = {3, 0, 0};

TEST(FrameStores, BatchGrowthStopsAt4096) {
    Frame f(16, 16);
    ASSERT_EQ(m3d_reserveBatches(f.get(), 1), 1);
    EXPECT_EQ(f.context.batchCapacity, 512);
    EXPECT_EQ(m3d_reserveBatches(f.get(), 3841), 0) << "3841 + 256 = 4097 passes the limit";
    EXPECT_EQ(f.context.batchCapacity, 512);
    EXPECT_EQ(m3d_reserveBatches(f.get(), 3840), 1);
    EXPECT_EQ(f.context.batchCapacity, 4096);

    // a failed allocation keeps the array that holds batches
    Frame g(16, 16);
    ASSERT_NE(m3d_selectBatch(g.get(), 0, false), M3D_NO_BATCH);
    g.allocator.failAt = g.allocator.calls;
    EXPECT_EQ(m3d_reserveBatches(g.get(), 600), 0);
    EXPECT_EQ(g.context.batchCount, 1);
    EXPECT_EQ(g.context.batchCapacity, 512);
}

TEST(FrameStores, DepthListGrowthAndFailure) {
    Frame f(16, 16);
    EXPECT_EQ(m3d_reserveDepth(f.get(), 65281), 0) << "65281 + 256 passes 65536";
    EXPECT_EQ(m3d_reserveDepth(f.get(), 65280), 1);
    EXPECT_EQ(f.context.depthCapacity, 65536);

    // without memory for a larger list the frame is ended and the list dropped
    Frame g(64, 64);
    ASSERT_EQ(g.run(CommandBuilder().block(1, 1, kOneColor, 0, {1, 1, 0}, {}, {}, {0xFF0000}).words), 0);
    ASSERT_EQ(g.context.depthCount, 1);
    g.allocator.failAt = g.allocator.calls;
    EXPECT_EQ(m3d_reserveDepth(g.get(), 1000), 0);
    EXPECT_EQ(g.context.depthCount, 0);
    EXPECT_EQ(g.context.depthCapacity, 0);
    EXPECT_EQ(g.context.verticesUsed, 0) << "the frame was ended";
    EXPECT_EQ(g.context.batchCount, 0);
}

TEST(FrameStores, VertexGrowthLimit) {
    Frame f(64, 64);
    ASSERT_EQ(f.run(CommandBuilder().block(1, 1, kOneColor, 0, {1, 1, 0}, {}, {}, {0xFF0000}).words), 0);
    ASSERT_EQ(f.context.verticesUsed, 1);
    const int32_t capacity = f.context.vertexCapacity;
    EXPECT_EQ(m3d_reserveVertices(f.get(), 261632), 0) << "1 + 261632 + 512 passes 262144";
    EXPECT_EQ(f.context.vertexCapacity, capacity);
    EXPECT_EQ(f.context.depthCount, 1) << "what was queued stays";
    EXPECT_EQ(m3d_reserveVertices(f.get(), 261631), 1);
    EXPECT_EQ(f.context.vertexCapacity, 262144);
    EXPECT_EQ(f.context.vertices[0].x, 1) << "growing keeps the queued vertices";

    // without memory for a larger buffer the frame is ended and the buffer dropped
    Frame g(64, 64);
    ASSERT_EQ(g.run(CommandBuilder().block(1, 1, kOneColor, 0, {1, 1, 0}, {}, {}, {0xFF0000}).words), 0);
    g.allocator.failAt = g.allocator.calls;
    EXPECT_EQ(m3d_reserveVertices(g.get(), 5000), 0);
    EXPECT_EQ(g.context.vertices, nullptr);
    EXPECT_EQ(g.context.depthCount, 0);
}

TEST(FrameStores, PoolRecordsAndBlocks) {
    Frame f(16, 16);
    uint8_t* first = (uint8_t*)m3d_poolAllocate(f.get(), 14);
    uint8_t* second = (uint8_t*)m3d_poolAllocate(f.get(), 14);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(second - first, 16) << "a 14-byte record takes 16 bytes";
    EXPECT_EQ(first - (uint8_t*)f.context.poolFirst, (ptrdiff_t)M3D_POOL_LINK_BYTES);
    EXPECT_EQ(m3d_poolAllocate(f.get(), M3D_POOL_BLOCK_BYTES), nullptr) << "larger than a block";

    // fill the first block to the byte, then the next record opens a second block
    const uint32_t room = M3D_POOL_BLOCK_BYTES - M3D_POOL_LINK_BYTES - 32;
    uint8_t* last = (uint8_t*)m3d_poolAllocate(f.get(), room);
    ASSERT_EQ(last, second + 16);
    EXPECT_EQ(f.context.poolUsed, M3D_POOL_BLOCK_BYTES);
    const int32_t live = f.allocator.live;
    uint8_t* next = (uint8_t*)m3d_poolAllocate(f.get(), 4);
    EXPECT_EQ(f.allocator.live, live + 1);
    EXPECT_EQ(*(void**)f.context.poolFirst, f.context.poolCurrent) << "linked at the end of the chain";
    EXPECT_EQ(next, (uint8_t*)f.context.poolCurrent + M3D_POOL_LINK_BYTES);

    // the end of the frame rewinds the chain; the blocks are reused in order
    m3d_endFrame(f.get());
    EXPECT_EQ(m3d_poolAllocate(f.get(), 8), first);
    m3d_poolAllocate(f.get(), M3D_POOL_BLOCK_BYTES - M3D_POOL_LINK_BYTES - 8);
    EXPECT_EQ(m3d_poolAllocate(f.get(), 4), next);
    EXPECT_EQ(f.allocator.live, live + 1) << "no block allocated in a steady frame";
}

TEST(FrameBatches, SharedWhileTheTextureStays) {
    Frame f(64, 64);
    e3t::Textures tx;
    m3d_Texture* const list[] = {&tx.shaded, &tx.direct};
    m3d_TextureList textures = {2, list};
    ASSERT_EQ(m3d_setTextures(f.get(), &textures), 1);
    const std::vector<int32_t> tri = {0, 0, 0, 10, 0, 0, 0, 10, 0};
    const std::vector<int32_t> uv = {0, 0, 255, 0, 0, 255};
    CommandBuilder b;
    b.block(3, 1, kTexCoords, 0, tri, {}, uv).block(3, 1, kTexCoords, 0, tri, {}, uv);
    b.block(3, 1, kOneColor, 0, tri, {}, {}, {0xFF}).textureIndex(1);
    b.block(3, 1, kTexCoords, 0, tri, {}, uv).block(3, 1, kOneColor, 0, tri, {}, {}, {0xFF00});
    ASSERT_EQ(f.run(b.words), 0);
    ASSERT_EQ(f.context.batchCount, 3) << "textured slot 0, untextured, textured slot 1";
    EXPECT_EQ(f.context.batches[0].texture, &tx.shaded);
    EXPECT_EQ(f.context.batches[1].texture, nullptr);
    EXPECT_EQ(f.context.batches[2].texture, &tx.direct);
    EXPECT_EQ(tx.shaded.refCount, 2) << "the slot and the batch";
    const uint32_t ids[] = {0u << 20 | 0, 0u << 20 | 3, 1u << 20 | 6, 2u << 20 | 9, 1u << 20 | 12};
    for (int i = 0; i < 5; i++) EXPECT_EQ(f.context.depthEntries[i].polygonId, ids[i]) << "block " << i;
    m3d_endFrame(f.get());
    EXPECT_EQ(tx.shaded.refCount, 1) << "the end of the frame drops the batches' references";
    EXPECT_EQ(f.context.openBatchTextured, -1);
}

TEST(FrameRecords, QuadIsStoredInStripOrder) {
    Frame f(16, 16, 0);
    ASSERT_EQ(f.run(CommandBuilder()
                        .block(4, 1, kOneColor, 0, {0, 0, 0, 10, 0, 0, 10, 10, 0, 0, 10, 0}, {}, {}, {0xFFFFFF})
                        .words),
              0);
    ASSERT_EQ(f.context.depthCount, 1);
    const auto* q = (const m3d_FlatQuadRecord*)f.context.depthEntries[0].record;
    EXPECT_EQ(q->renderWord, M3D_RW_QUAD | M3D_RW_POLYGON | M3D_RW_FLAT_COLOR | M3D_RW_DOUBLE_SIDED);
    const uint16_t strip[4] = {0, 1, 3, 2};
    for (int k = 0; k < 4; k++) EXPECT_EQ(q->vertex[k], strip[k]);
    EXPECT_EQ(q->color, 0xFFDF);
    ASSERT_EQ(m3d_drawFigure(f.get()), 1);
    // (0,0)-(10,0)-(0,10) and (10,0)-(0,10)-(10,10) cover the square exactly
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) ASSERT_EQ(f.canvas.at(x, y), x < 10 && y < 10 ? 0xFFDF : 0) << x << "," << y;
}

TEST(FrameRecords, DepthKeys) {
    struct Case {
        const char* name;
        uint32_t kind, flags;
        std::vector<int32_t> depths;
        int16_t key;
    };
    const Case cases[] = {
        {"triangle mean", 3, 0, {10, 20, 40}, 70 * 21845 >> 16},
        {"triangle nearest", 3, e3t::kFlagNearest, {10, 20, 40}, 10},
        {"triangle farthest", 3, e3t::kFlagFarthest, {10, 20, 40}, 40},
        {"nearest wins over farthest", 3, e3t::kFlagNearest | e3t::kFlagFarthest, {10, 20, 40}, 10},
        {"negative mean", 3, 0, {-10, -20, -40}, (int16_t)((-70 * 21845) >> 16)},
        {"quad mean", 4, 0, {10, 20, 30, 41}, 101 >> 2},
        {"line mean", 2, 0, {7, 12}, 9},
        {"line farthest", 2, e3t::kFlagFarthest, {7, 12}, 12},
        {"point", 1, e3t::kFlagNearest, {33}, 33},
    };
    for (const Case& c : cases) {
        Frame f(16, 16);
        std::vector<int32_t> vertices;
        for (int32_t d : c.depths) vertices.insert(vertices.end(), {1, 1, d});
        ASSERT_EQ(f.run(CommandBuilder().block(c.kind, 1, kOneColor, c.flags, vertices, {}, {}, {0xFF}).words), 0);
        ASSERT_EQ(f.context.depthCount, 1) << c.name;
        EXPECT_EQ(f.context.depthKeys[0], c.key) << c.name;
    }
}

TEST(FrameSort, FarthestFirstAndStableForEqualKeys) {
    Frame f(16, 16);
    std::mt19937 random(7);
    for (int32_t n : {0, 1, 2, 11, 12, 100, 5000}) {
        ASSERT_EQ(m3d_reserveDepth(f.get(), n), 1);
        f.context.depthCount = n;
        std::vector<int16_t> keys(n);
        for (int32_t i = 0; i < n; i++) {
            // many repeats, and runs already in order, as a frame has them
            keys[i] = (int16_t)(i % 3 == 0 ? (int32_t)(random() % 64) - 32 : i % 3 == 1 ? 1000 - i : 7);
            f.context.depthKeys[i] = keys[i];
        }
        ASSERT_EQ(m3d_sortDepthList(f.get()), 1);
        std::vector<int32_t> expected(n);
        for (int32_t i = 0; i < n; i++) expected[i] = i;
        std::stable_sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) { return keys[a] > keys[b]; });
        for (int32_t i = 0; i < n; i++)
            ASSERT_EQ(keys[f.context.sortOrder[i]], keys[expected[i]]) << "n " << n << " at " << i;
        std::vector<int32_t> seen(f.context.sortOrder, f.context.sortOrder + n);
        std::sort(seen.begin(), seen.end());
        for (int32_t i = 0; i < n; i++) ASSERT_EQ(seen[i], i) << "a permutation, n " << n;
        f.context.depthCount = 0;
    }
}

// Two overlapping triangles drawn in either submission order give the same picture,
// the nearer (smaller key) on top.
TEST(FrameSort, OverlapsDrawnBackToFront) {
    auto render = [](bool nearFirst) {
        auto f = std::make_unique<Frame>(48, 32, 0x2104);
        CommandBuilder b;
        b.origin(0, 0);
        auto nearer = [&] { b.block(3, 1, kOneColor, 0, {4, 4, 100, 40, 8, 100, 10, 28, 100}, {}, {}, {0xFF0000}); };
        auto farther = [&] { b.block(3, 1, kOneColor, 0, {44, 2, 200, 44, 30, 200, 6, 16, 200}, {}, {}, {0x0000FF}); };
        // a quad straddling both, its key the mean of 50 and 250
        auto middle = [&] {
            b.block(4, 1, kOneColor, 0, {20, 0, 50, 28, 0, 50, 28, 32, 250, 20, 32, 250}, {}, {}, {0x00FF00});
        };
        if (nearFirst) {
            nearer();
            middle();
            farther();
        } else {
            farther();
            middle();
            nearer();
        }
        b.draw();
        EXPECT_EQ(f->run(b.words), 0);
        return f;
    };
    auto a = render(true), b = render(false);
    EXPECT_EQ(a->canvas.pixels, b->canvas.pixels);
    EXPECT_EQ(a->canvas.at(22, 12), 0xF800) << "red (key 100) over green (key 150)";
    EXPECT_EQ(a->canvas.at(24, 24), 0x07C0) << "green over blue (key 200)";
    EXPECT_EQ(a->canvas.at(40, 20), 0x001F);
    EXPECT_EQ(e3t::comparePicture(a->canvas, "frame_sorted"), "");
}

TEST(FrameDraw, Results) {
    {
        // no vertices: 1, and the frame stays as it is
        Frame f(16, 16);
        ASSERT_NE(m3d_selectBatch(f.get(), 0, false), M3D_NO_BATCH);
        EXPECT_EQ(m3d_drawFigure(f.get()), 1);
        EXPECT_EQ(f.context.batchCount, 1);
    }
    {
        // no target: the frame is ended
        e3t::TestAllocator allocator;
        m3d_Context c;
        m3d_initContext(&c, allocator.get());
        ASSERT_NE(m3d_selectBatch(&c, 0, false), M3D_NO_BATCH);
        EXPECT_EQ(m3d_drawFigure(&c), 0);
        EXPECT_EQ(c.batchCount, 0);
        m3d_releaseContext(&c);
        EXPECT_EQ(allocator.live, 0) << "release frees every store";
    }
    {
        // the sort's order array cannot be had: the frame is ended and nothing drawn
        Frame f(16, 16, 0);
        ASSERT_EQ(f.run(CommandBuilder().block(1, 1, kOneColor, 0, {1, 1, 0}, {}, {}, {0xFFFFFF}).words), 0);
        f.allocator.failAt = f.allocator.calls;
        EXPECT_EQ(m3d_drawFigure(f.get()), 0);
        EXPECT_EQ(f.context.depthCount, 0);
        EXPECT_EQ(f.canvas.at(1, 1), 0);
    }
}

TEST(FrameDraw, EnvironmentNeedsAnEnvironmentTexture) {
    Frame f(32, 32);
    e3t::Textures tx;
    m3d_Texture wrong;  // 64 x 64 but shaded: flags 134
    m3d_initTexture(&wrong, nullptr);
    m3d_wrapTexture(&wrong, tx.envmap.data(), 64, 64, 64, M3D_FORMAT_COLOR16);
    wrong.renderFlags = M3D_TEXFLAGS_64 | M3D_TEXFLAGS_SHADED;
    f.context.extraTexture = &wrong;
    ASSERT_NE(m3d_selectBatch(f.get(), M3D_RW_ENVIRONMENT, false), M3D_NO_BATCH);
    f.context.extraTexture = &tx.environment;
    ASSERT_NE(m3d_selectBatch(f.get(), M3D_RW_ENVIRONMENT, false), M3D_NO_BATCH) << "another extra texture";
    ASSERT_EQ(f.context.batchCount, 2);
    m3d_renderFigure(f.get());
    EXPECT_EQ(f.context.batches[0].renderMask & M3D_RW_ENVIRONMENT, 0u);
    EXPECT_EQ(f.context.batches[0].renderFlags >> 24, 134u);
    EXPECT_EQ(f.context.batches[1].renderMask & M3D_RW_ENVIRONMENT, (uint32_t)M3D_RW_ENVIRONMENT);
    EXPECT_EQ(f.context.batches[1].renderFlags >> 24, 6u);
    f.context.extraTexture = nullptr;
    m3d_endFrame(f.get());
}

// Shapes crossing each edge of the surface, drawn through the parallel projection; the
// same scene again inside a clip rectangle set by command.
TEST(FramePictures, ScreenEdges) {
    auto scene = [](CommandBuilder& b) {
        b.origin(32, 24);
        b.block(3, 4, kColorEach, 0, {-40, -10, 0, -20, 0,   0, -40, 10,  0,   // off the left edge
                                      40,  -14, 0, 20,  -4,  0, 45,  12,  0,   // off the right edge
                                      -12, -30, 0, 12,  -30, 0, 0,   -14, 0,   // off the top
                                      -20, 16,  0, 20,  40,  0, -8,  60,  0},  // off the bottom
                {}, {}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00});
        b.block(2, 2, kOneColor, 0, {-40, -30, 0, 40, 30, 0, -10, 30, 0, 50, -2, 0}, {}, {}, {0xFFFFFF});
        b.block(1, 3, kOneColor, 0, {-32, -24, 0, 31, 23, 0, 32, 0, 0}, {}, {}, {0x00FFFF});
        b.draw();
    };
    Frame full(64, 48, 0x2104);
    CommandBuilder b;
    scene(b);
    ASSERT_EQ(full.run(b.words), 0);
    EXPECT_EQ(full.canvas.at(0, 24), 0xF800) << "the left triangle reaches x 0";
    EXPECT_EQ(full.canvas.at(63, 20), 0x07C0) << "the right triangle, between its edges at x 63";
    EXPECT_EQ(full.canvas.at(32, 0), 0x001F);
    EXPECT_EQ(full.canvas.at(20, 47), 0xFFC0) << "row 47 of the bottom triangle spans x 14 to 23";
    EXPECT_EQ(full.canvas.at(0, 0), 0x07DF) << "the point at the corner";
    EXPECT_EQ(full.canvas.at(63, 47), 0x07DF);
    EXPECT_EQ(e3t::comparePicture(full.canvas, "frame_edges"), "");

    Frame clipped(64, 48, 0x2104);
    CommandBuilder c;
    c.clip(-5, 8, 54, 40);
    scene(c);
    ASSERT_EQ(clipped.run(c.words), 0);
    EXPECT_EQ(clipped.context.target.clipLeft, 0) << "a negative left is cut to the surface";
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) {
            bool inside = x < 54 && y >= 8 && y < 40;
            ASSERT_EQ(clipped.canvas.at(x, y), inside ? full.canvas.at(x, y) : 0x2104) << x << "," << y;
        }
}

// A textured floor running from behind the eye into the distance, cut at the near
// plane, and a flat triangle cut at the far plane.
TEST(FramePictures, NearAndFarPlanes) {
    Frame f(96, 72, 0x2104);
    e3t::Textures tx;
    ASSERT_EQ(m3d_setTexture(f.get(), &tx.direct), 1);
    CommandBuilder b;
    b.perspectiveAngle(10, 500, 1024).origin(48, 36);
    b.block(4, 1, kTexCoords, 0, {-100, 30, -20, 100, 30, -20, 100, 30, 400, -100, 30, 400}, {},
            {0, 255, 255, 255, 255, 0, 0, 0});
    b.block(3, 1, kOneColor, 0, {-60, -20, 300, 20, -30, 900, 10, 10, 300}, {}, {}, {0xFF8000});
    b.draw();
    ASSERT_EQ(f.run(b.words), 0);
    // the floor's far edge at z 400 lies 48 x 30 / 400 = 3.6 rows below the centre
    EXPECT_EQ(f.canvas.at(48, 38), 0x2104);
    EXPECT_NE(f.canvas.at(48, 41), 0x2104);
    // every pixel of the bottom row shows the floor: at row 71 the floor is at z = 41
    for (int x = 0; x < 96; x++) ASSERT_NE(f.canvas.at(x, 71), 0x2104) << x;
    EXPECT_EQ(f.canvas.at(0, 71) & 0x20, 0);
    // the triangle is cut at z 500 to a sliver from (38, 33) to (49, 37); its tip toward
    // (20, -30, 900) would have reached row 32 at x 50
    EXPECT_EQ(f.canvas.at(41, 33), 0xFC00);
    EXPECT_EQ(f.canvas.at(50, 32), 0x2104);
    EXPECT_EQ(e3t::comparePicture(f.canvas, "frame_planes"), "");
}

}  // namespace
