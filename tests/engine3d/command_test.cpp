// The command list: results of good and bad lists, the state commands' effects, every
// primitive block kind drawn, the render word of a block, the direct and immediate entry
// points, and a fuzzed interpreter that must stop at the bad command and never crash.
#include <gtest/gtest.h>

#include <random>

#include "engine3d/command_builder.h"
#include "engine3d/demo_scene.h"
#include "engine3d/m3d_draw.h"
#include "engine3d/m3d_light.h"
#include "engine3d/m3d_project.h"

namespace {

using e3t::CommandBuilder;
using e3t::Frame;
using e3t::Layout;

const uint32_t kMagic = M3D_COMMAND_LIST_MAGIC;

TEST(CommandList, Results) {
    struct Case {
        const char* name;
        std::vector<uint32_t> words;
        int32_t result;
    };
    const uint32_t clip = M3D_CMD_CLIP << 24;
    const Case cases[] = {
        {"empty list", {}, 1},
        {"wrong first word", {0xFE000002}, 1},
        {"magic alone", {kMagic}, 0},
        {"magic again in the middle", {kMagic, 0x83000001, kMagic, 0x83000002}, 0},
        {"0xFE with operand 2 in the middle", {kMagic, 0x83000001, 0xFE000002}, 3},
        {"clip short of its arguments", {kMagic, clip, 1, 2, 3}, 2},
        {"end stops before garbage", {kMagic, 0x80000000, 0x00000000}, 0},
        {"skip over garbage", {kMagic, 0x81000002, 0x00000000, 0xFFFFFFFF, 0x83000001}, 0},
        {"skip to the end", {kMagic, 0x81000001, 0x00000000}, 0},
        {"skip past the end", {kMagic, 0x81FFFFFF}, 0},
        {"triangle block one word short", {kMagic, 0x03010000, 1, 2, 3, 4, 5, 6, 7, 8}, 2},
        {"point block without colours", {kMagic, 0x01010000, 1, 2, 3, 0x83000001}, 0},
        {"sprite block short of its parameter set", {kMagic, 0x05011000, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 2},
    };
    for (const Case& c : cases) {
        Frame f(16, 16);
        EXPECT_EQ(f.run(c.words), c.result) << c.name;
    }
    Frame f(16, 16);
    EXPECT_EQ(m3d_executeCommandList(f.get(), nullptr), 1) << "null list";
    m3d_CommandList noWords = {3, nullptr};
    EXPECT_EQ(m3d_executeCommandList(f.get(), &noWords), 1);
    // every opcode outside the table is an error at its own position
    for (uint32_t op = 0; op < 256; op++) {
        bool known = (op >= 1 && op <= 5) || (op >= 0x80 && op <= 0x87) || (op >= 0x90 && op <= 0x93) || op == 0xA0 ||
                     op == 0xA1 || op == 0xAF || op == 0xFE;
        if (known) continue;
        EXPECT_EQ(f.run({kMagic, 0x83000008, op << 24}), 3) << "opcode " << op;
    }
}

TEST(CommandList, StateCommands) {
    Frame f(176, 208);
    int32_t matrices[24];
    m3d_matIdentity(matrices);
    m3d_matSet(matrices + 12, 0, 4096, 0, 5, -4096, 0, 0, 6, 0, 0, 4096, 7);
    m3d_Figure figure = {0, 2, matrices};
    m3d_setFigure(f.get(), &figure);
    EXPECT_EQ(figure.refCount, 1);

    struct Case {
        const char* name;
        CommandBuilder list;
        std::function<void(const m3d_Context&)> check;
    };
    const m3d_Context& c = f.context;
    std::vector<Case> cases;
    cases.push_back({"attribute keeps 4 bits", CommandBuilder().attribute(0x1F),
                     [](const m3d_Context& x) { EXPECT_EQ(x.renderAttribute, 15u); }});
    cases.push_back(
        {"clip saturated and cut", CommandBuilder().clip(-40000, 5, 40000, 70000), [](const m3d_Context& x) {
             EXPECT_EQ(x.clipLeft, -32768);
             EXPECT_EQ(x.clipRight, 32767);
             EXPECT_EQ(x.clipBottom, 32767);
             EXPECT_EQ(x.target.clipLeft, 0);
             EXPECT_EQ(x.target.clipTop, 5);
             EXPECT_EQ(x.target.clipRight, 176);
             EXPECT_EQ(x.target.clipBottom, 208);
         }});
    cases.push_back({"origin kept in 16 bits", CommandBuilder().origin(70000, -3), [](const m3d_Context& x) {
                         EXPECT_EQ(x.originX, 4464);
                         EXPECT_EQ(x.originY, -3);
                         EXPECT_EQ(x.projMatrix[3], 4464) << "parallel: the projection follows";
                     }});
    cases.push_back({"texture index 16 is ignored", CommandBuilder().textureIndex(5).textureIndex(16),
                     [](const m3d_Context& x) { EXPECT_EQ(x.textureIndex, 5); }});
    cases.push_back({"stored matrix 1", CommandBuilder().storedMatrix(1), [&](const m3d_Context& x) {
                         EXPECT_EQ(memcmp(x.viewMatrix, matrices + 12, 48), 0);
                         EXPECT_EQ(x.combinedValid, 0);
                     }});
    cases.push_back({"stored matrix beyond the figure is ignored", CommandBuilder().storedMatrix(2),
                     [&](const m3d_Context& x) { EXPECT_EQ(memcmp(x.viewMatrix, matrices + 12, 48), 0); }});
    cases.push_back({"parallel scale", CommandBuilder().parallelScale(2048, 8192), [](const m3d_Context& x) {
                         EXPECT_EQ(x.projMatrix[0], 2048);
                         EXPECT_EQ(x.projMatrix[5], 8192);
                     }});
    cases.push_back({"parallel size", CommandBuilder().parallelSize(352, 104), [](const m3d_Context& x) {
                         EXPECT_EQ(x.projMatrix[0], 2048);
                         EXPECT_EQ(x.projMatrix[5], 8192);
                     }});
    cases.push_back({"perspective angle", CommandBuilder().perspectiveAngle(10, 1000, 1024), [](const m3d_Context& x) {
                         EXPECT_EQ(x.projectionMode, M3D_PROJ_PERSPECTIVE);
                         EXPECT_EQ(x.projNear, 10);
                         EXPECT_EQ(x.projFar, 1000);
                         EXPECT_NEAR(m3d_sfToInt(x.scaleX), 88, 1);
                     }});
    cases.push_back(
        {"perspective size", CommandBuilder().perspectiveSize(10, 1000, 20480, 40960), [](const m3d_Context& x) {
             EXPECT_EQ(m3d_sfToInt(x.scaleX), 10 * 176 / 5);
             EXPECT_EQ(m3d_sfToInt(x.scaleY), 10 * 208 / 10);
         }});
    cases.push_back(
        {"ambient below 0", CommandBuilder().ambient(-5), [](const m3d_Context& x) { EXPECT_EQ(x.ambient, 0); }});
    cases.push_back({"ambient above 4096", CommandBuilder().ambient(5000),
                     [](const m3d_Context& x) { EXPECT_EQ(x.ambient, 4096); }});
    cases.push_back({"directional light clamped", CommandBuilder().light(0, 0, -7, 20000), [](const m3d_Context& x) {
                         EXPECT_EQ(x.light[0], 0);
                         EXPECT_EQ(x.light[2], 16384);
                     }});
    cases.push_back({"toon table", CommandBuilder().toon(128, 255, 0), [](const m3d_Context& x) {
                         for (int i = 0; i < 32; i++) EXPECT_EQ(x.target.toonTable[i], i < 16 ? 0 : 31) << i;
                     }});
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        ASSERT_EQ(f.run(k.list.words), 0);
        k.check(c);
    }
    // a clip whose arguments run past the end leaves the clip as it was
    std::vector<uint32_t> cut = CommandBuilder().clip(1, 2, 3, 4).words;
    cut.pop_back();
    EXPECT_EQ(f.run(cut), 2);
    EXPECT_EQ(c.clipTop, 5);
    m3d_setFigure(f.get(), nullptr);
    EXPECT_EQ(figure.refCount, 0);
}

TEST(CommandList, RenderWordOfABlock) {
    struct Case {
        const char* name;
        uint32_t attribute, kind, flags;
        bool normals;
        uint32_t word;
    };
    using namespace e3t;
    const uint32_t flat = M3D_RW_POLYGON | M3D_RW_FLAT_COLOR | M3D_RW_DOUBLE_SIDED;
    const Case cases[] = {
        {"plain triangle", 8, 3, 0, false, flat},
        {"lit needs normals", 9, 3, kFlagLit, false, flat},
        {"lit", 9, 3, kFlagLit, true, flat | M3D_RW_LIT},
        {"lit needs the attribute", 8, 3, kFlagLit, true, flat},
        {"environment", 11, 3, kFlagLit | kFlagEnvironment, true, flat | M3D_RW_LIT | M3D_RW_ENVIRONMENT},
        {"toon with lighting", 13, 3, kFlagLit, true, flat | M3D_RW_LIT | M3D_RW_TOON},
        {"blend with the attribute", 8, 3, kFlagBlendAdd, false, flat | 2u << 1},
        {"blend without it", 0, 3, kFlagBlendSubtract, false, flat},
        {"transparent and depth bits", 0, 3, kFlagTransparent | kFlagFarthest | kFlagNearest, false,
         flat | M3D_RW_TRANSPARENT | M3D_RW_DEPTH_FARTHEST | M3D_RW_DEPTH_NEAREST},
        {"quad", 8, 4, 0, false, flat | M3D_RW_QUAD},
        {"points lose lighting and transparency", 15, 1, kFlagLit | kFlagTransparent | kFlagEnvironment, true,
         0x1000 | M3D_RW_TOON},
        {"lines", 8, 2, kFlagBlendHalf, false, 0x2000 | 1u << 1},
        {"sprites keep transparency", 9, 5, kFlagLit | kFlagTransparent, true, 0x3000 | M3D_RW_TRANSPARENT},
    };
    for (const Case& c : cases) {
        Frame f(32, 32);
        const int32_t p = c.kind == 4 ? 4 : c.kind == 3 ? 3 : c.kind == 2 ? 2 : 1;
        std::vector<int32_t> vertices;
        for (int k = 0; k < p; k++) vertices.insert(vertices.end(), {k * 5, k * 3 + (k == 3 ? 9 : 0), 0});
        Layout layout = {c.kind == 5 ? 1u : 0u, 1, c.normals ? 2u : 0u};
        std::vector<int32_t> normals = c.normals ? std::vector<int32_t>{0, 0, -4096} : std::vector<int32_t>{};
        std::vector<int32_t> tex = c.kind == 5 ? std::vector<int32_t>{4, 4, 0, 0, 0, 8, 8, 1} : std::vector<int32_t>{};
        ASSERT_EQ(f.run(CommandBuilder()
                            .attribute(c.attribute)
                            .block(c.kind, 1, layout, c.flags, vertices, normals, tex, {0x808080})
                            .words),
                  0)
            << c.name;
        ASSERT_EQ(f.context.depthCount, 1) << c.name;
        uint32_t word = *(const uint16_t*)f.context.depthEntries[0].record;
        EXPECT_EQ(word, c.word) << c.name;
    }
}

// One list with every primitive block kind and layout, drawn under a parallel projection.
TEST(CommandList, EveryBlockKind) {
    Frame f(96, 64, 0x2104);
    e3t::Textures tx;
    m3d_Texture* const list[] = {&tx.shaded, &tx.direct};
    m3d_TextureList textures = {2, list};
    ASSERT_EQ(m3d_setTextures(f.get(), &textures), 1);
    CommandBuilder b;
    b.attribute(M3D_ATTR_LIGHTING | M3D_ATTR_BLENDING).ambient(1024);
    // two flat triangles of one colour from one colour word
    b.block(3, 2, {0, 1, 0}, 0, {2, 2, 0, 20, 2, 0, 2, 20, 0, 22, 4, 0, 22, 22, 0, 4, 22, 0}, {}, {}, {0xFF0000});
    // textured triangle (16-bit texture in slot 1) and a textured quad from slot 0
    b.textureIndex(1).block(3, 1, {3, 0, 0}, 0, {26, 2, 0, 46, 2, 0, 26, 22, 0}, {}, {0, 0, 160, 0, 0, 160});
    b.textureIndex(0).block(4, 1, {3, 0, 0}, e3t::kFlagTransparent, {48, 2, 0, 70, 2, 0, 70, 22, 0, 48, 22, 0}, {},
                            {0, 0, 88, 0, 88, 88, 0, 88});
    // flat quads, a colour each, lit with one normal each: facing and turned away
    b.block(4, 2, {0, 2, 2}, e3t::kFlagLit,
            {72, 2, 0, 94, 2, 0, 94, 12, 0, 72, 12, 0, 72, 13, 0, 94, 13, 0, 94, 22, 0, 72, 22, 0},
            {0, 0, -4096, 0, 0, 4096}, {}, {0x00FF00, 0x00FF00});
    // Gouraud: a triangle lit per vertex
    b.block(3, 1, {0, 1, 3}, e3t::kFlagLit, {2, 26, 0, 30, 26, 0, 2, 54, 0}, {0, 0, -4096, 2896, 0, -2896, 0, 0, 4096},
            {}, {0xFFFFFF});
    // added and subtracted panes nearer than the first triangles, so drawn after them
    b.block(4, 1, {0, 1, 0}, e3t::kFlagBlendAdd, {4, 10, -5, 30, 10, -5, 30, 16, -5, 4, 16, -5}, {}, {}, {0x0000FF});
    b.block(4, 1, {0, 1, 0}, e3t::kFlagBlendSubtract, {4, 17, -5, 30, 17, -5, 30, 20, -5, 4, 20, -5}, {}, {},
            {0xFF0000});
    // lines with colours per vertex take one word a line, in array order; points with
    // one colour word for all
    b.block(2, 2, {0, 3, 0}, 0, {34, 26, 0, 60, 40, 0, 34, 40, 0, 60, 26, 0}, {}, {},
            {0xFFFF00, 0x00FFFF, 0xFF0000, 0xFF0000});
    b.block(1, 4, {0, 1, 0}, 0, {36, 50, 0, 40, 50, 0, 44, 50, 0, 48, 50, 0}, {}, {}, {0xFFFFFF});
    // sprites: one parameter set each, the second turned by an eighth of a turn
    b.block(5, 2, {2, 0, 0}, 0, {70, 42, 0, 86, 52, 0}, {}, {16, 8, 0, 0, 0, 63, 31, 1, 12, 12, 512, 0, 0, 31, 31, 1});
    b.draw();
    ASSERT_EQ(f.run(b.words), 0);
    const uint16_t bg = 0x2104;
    EXPECT_EQ(f.canvas.at(3, 3), 0xF800) << "first triangle";
    EXPECT_EQ(f.canvas.at(20, 20), 0xF800) << "second triangle of the same colour";
    EXPECT_EQ(f.canvas.at(26, 2), 0) << "texel (0, 0) is colour 0, drawn: the block is not transparent";
    // 8 texels a pixel, less the truncation of 0x10000 / 20: pixel (31, 4) shows (39, 15)
    EXPECT_EQ(f.canvas.at(31, 4), tx.colors[15 * 256 + 39]);
    EXPECT_EQ(f.canvas.at(48, 2), bg) << "slot 0's texel (0, 0) has index 0: transparent";
    EXPECT_EQ(f.canvas.at(53, 3), tx.shade[31 * 256 + tx.indexes[3 * 256 + 19]]) << "texel (19, 3) at full light";
    EXPECT_GT(f.canvas.at(80, 5) & 0x07C0, f.canvas.at(80, 18) & 0x07C0) << "the facing quad is brighter";
    EXPECT_EQ(f.canvas.at(80, 18), m3d_rampEntry(0x07C0, (1024 * 4080 >> 16) >> 3)) << "ambient alone";
    EXPECT_EQ(f.canvas.at(6, 12), 0xF81F) << "blue added to red";
    EXPECT_EQ(f.canvas.at(12, 12), 0x211F) << "blue added to the background";
    EXPECT_EQ(f.canvas.at(8, 18), 0x0000) << "red taken from red";
    EXPECT_EQ(f.canvas.at(5, 18), 0x0104) << "red taken from the background";
    EXPECT_EQ(f.canvas.at(34, 26), 0xFFC0) << "line start";
    EXPECT_EQ(f.canvas.at(34, 40), 0x07DF) << "the second line takes the second word";
    EXPECT_EQ(f.canvas.at(48, 50), 0xFFDF) << "the fourth point keeps the one colour";
    EXPECT_EQ(f.canvas.at(62, 38), tx.shade[31 * 256 + tx.indexes[0]])
        << "sprite top left: (70 - 8, 42 - 4) has u0, v0 of slot 0's texture";
    EXPECT_EQ(e3t::comparePicture(f.canvas, "command_blocks"), "");
}

TEST(CommandList, SpriteCorners) {
    Frame f(100, 100, 0x2104);
    e3t::Textures tx;
    ASSERT_EQ(m3d_setTexture(f.get(), &tx.direct), 1);
    ASSERT_EQ(
        f.run(CommandBuilder().block(5, 1, {1, 0, 0}, 0, {50, 50, 0}, {}, {16, 8, 0, 8, 16, 72, 48, 0}).draw().words),
        0);
    EXPECT_EQ(f.canvas.at(42, 46), tx.colors[16 * 256 + 8]) << "u0, v0 at the top left";
    EXPECT_NE(f.canvas.at(57, 53), 0x2104);
    EXPECT_EQ(f.canvas.at(58, 50), 0x2104);
    EXPECT_EQ(f.canvas.at(50, 54), 0x2104);
    EXPECT_EQ(f.canvas.at(41, 50), 0x2104);
    EXPECT_EQ(f.canvas.at(50, 45), 0x2104);
}

TEST(DirectBlocks, Checks) {
    Frame f(32, 32);
    const int32_t tri[9] = {0, 0, 0, 10, 0, 0, 0, 10, 0};
    const int32_t color[1] = {0xFF};
    m3d_WordArray vertices = {9, tri}, colors = {1, color}, shortVertices = {8, tri}, noColors = {0, nullptr};
    m3d_WordArray none = {0, tri};
    struct Case {
        const char* name;
        uint32_t word;
        const m3d_WordArray* vertices;
        const m3d_WordArray* colors;
        int32_t result;
        int32_t queued;
    };
    const Case cases[] = {
        {"flat triangle", 0x03010400, &vertices, &colors, 1, 1},
        {"null vertices", 0x03010400, nullptr, &colors, 0, 0},
        {"kind 0", 0x00010400, &vertices, &colors, 0, 0},
        {"kind 6", 0x06010400, &vertices, &colors, 0, 0},
        {"vertex array too short", 0x03010400, &shortVertices, &colors, 0, 0},
        {"colour array missing", 0x03010400, &vertices, nullptr, 0, 0},
        {"colour array empty", 0x03010400, &vertices, &noColors, 0, 0},
        {"no vertices", 0x03000400, &none, &colors, 1, 0},
        {"unused arrays are not needed", 0x03010000, &vertices, nullptr, 1, 0},
    };
    for (const Case& c : cases) {
        m3d_endFrame(f.get());
        EXPECT_EQ(m3d_drawPrimitives(f.get(), c.word, c.vertices, nullptr, nullptr, c.colors), c.result) << c.name;
        EXPECT_EQ(f.context.depthCount, c.queued) << c.name;
    }
    m3d_endFrame(f.get());
    EXPECT_EQ(m3d_drawPrimitivesSplit(f.get(), 0x03000000, 0x00010400, &vertices, nullptr, nullptr, &colors), 1);
    EXPECT_EQ(f.context.depthCount, 1) << "the split word";
    // a block that finds no room is not drawn, and 0 is the result
    Frame g(32, 32);
    g.allocator.failAt = 0;
    EXPECT_EQ(m3d_drawPrimitives(g.get(), 0x03010400, &vertices, nullptr, nullptr, &colors), 0);
}

TEST(Immediate, Primitives) {
    Frame f(32, 32, 0);
    m3d_Context* c = f.get();
    EXPECT_EQ(m3d_vertex(c, 1, 1, 1), 0) << "nothing open";
    // texture coordinates given once before the first vertex hold for all three
    e3t::Textures tx;
    ASSERT_EQ(m3d_setTexture(c, &tx.direct), 1);
    m3d_beginPrimitive(c, 0x03000000);
    m3d_beginPrimitive(c, 0x01000000);  // ignored while one is open
    EXPECT_EQ(f.context.immediate.kind, 3);
    m3d_texCoord(c, 0x105, 7);
    EXPECT_EQ(m3d_vertex(c, 0, 0, 0), 1);
    EXPECT_EQ(m3d_vertex(c, 70000, 0, 0), 1);
    EXPECT_EQ(f.context.immediate.vertex[1][0], 4464) << "cut to 16 bits";
    EXPECT_EQ(m3d_vertex(c, 0, 20, 0), 1);
    ASSERT_EQ(f.context.depthCount, 1);
    const auto* t = (const m3d_TexturedTriangleRecord*)f.context.depthEntries[0].record;
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(t->uv[2 * k], 5);
        EXPECT_EQ(t->uv[2 * k + 1], 7);
    }
    // the primitive stays open: three more vertices make a second triangle; a colour
    // replaces the texture coordinates
    m3d_color(c, 255, 0, 0);
    m3d_vertex(c, 0, 0, 0);
    m3d_vertex(c, 10, 0, 0);
    EXPECT_EQ(m3d_vertex(c, 0, 10, 0), 1);
    ASSERT_EQ(f.context.depthCount, 2);
    const auto* flat = (const m3d_FlatTriangleRecord*)f.context.depthEntries[1].record;
    EXPECT_EQ(flat->color, 0xF800);
    m3d_vertex(c, 5, 5, 0);
    m3d_texCoord(c, 9, 9);
    m3d_endPrimitive(c);
    EXPECT_EQ(f.context.immediate.kind, 0);
    EXPECT_EQ(f.context.immediate.texCoord[0][0], 9) << "the pending coordinates move to slot 0";
    EXPECT_EQ(f.context.immediate.vertexCount, 0);
    EXPECT_EQ(f.context.depthCount, 2) << "an incomplete primitive is not drawn";

    // an immediate quad draws what the same block draws
    Frame g(32, 32, 0), h(32, 32, 0);
    m3d_beginPrimitive(g.get(), 0x04000000 | e3t::kFlagBlendHalf);
    m3d_color(g.get(), 0, 255, 0);
    for (auto v : {std::array<int, 2>{2, 2}, {28, 4}, {26, 30}, {4, 24}}) m3d_vertex(g.get(), v[0], v[1], 0);
    m3d_drawFigure(g.get());
    ASSERT_EQ(h.run(CommandBuilder()
                        .block(4, 1, {0, 1, 0}, e3t::kFlagBlendHalf, {2, 2, 0, 28, 4, 0, 26, 30, 0, 4, 24, 0}, {}, {},
                               {0x00FF00})
                        .draw()
                        .words),
              0);
    EXPECT_EQ(g.canvas.pixels, h.canvas.pixels);
    EXPECT_EQ(g.canvas.at(14, 14), 0x03C0) << "half of green over black";

    // sprites complete with every vertex
    Frame s(32, 32, 0);
    ASSERT_EQ(m3d_setTexture(s.get(), &tx.direct), 1);
    const int32_t params[8] = {8, 8, 0, 40, 40, 47, 47, 1};
    m3d_spriteParameters(s.get(), params);
    m3d_beginPrimitive(s.get(), 0x05000000);
    EXPECT_EQ(m3d_vertex(s.get(), 10, 10, 0), 1);
    EXPECT_EQ(m3d_vertex(s.get(), 20, 20, 0), 1);
    EXPECT_EQ(s.context.depthCount, 2);
}

// The demo scene: perspective, a lit textured cube turned by a stored matrix, a floor
// cut at the near plane, a lit and environment-mapped pyramid, sprites, a blended pane,
// lines and points.
TEST(CommandList, DemoScene) {
    Frame f(120, 160, 0x1084);
    e3t::DemoScene demo;
    demo.setUp(f.get(), 400);
    ASSERT_EQ(f.run(e3t::DemoScene::commands(120, 160)), 0);
    demo.tearDown(f.get());
    EXPECT_EQ(f.context.depthCount, 0) << "the draw ended the frame";
    EXPECT_NE(f.canvas.at(60, 150), 0x1084) << "the floor reaches the bottom row";
    EXPECT_NE(f.canvas.at(60, 70), 0x1084) << "the cube in the middle";
    EXPECT_EQ(f.canvas.at(60, 5), 0x1084);
    EXPECT_EQ(e3t::comparePicture(f.canvas, "command_demo"), "");
}

// Lists built by the builder, cut at every length and corrupted at random: the result
// names the command that broke (or is 0), and nothing reads outside the list.
TEST(CommandListFuzz, TruncatedAndCorrupted) {
    e3t::Textures tx;
    std::mt19937 random(12345);
    std::vector<size_t> starts;  // first word of each command
    CommandBuilder b;
    auto mark = [&] { starts.push_back(b.words.size()); };
    mark(), b.clip(1, 2, 60, 40);
    mark(), b.origin(30, 20);
    mark(), b.parallelScale(4096, 4096);
    mark(), b.ambient(2000);
    mark(), b.light(1, 2, 3, 4096);
    mark(), b.toon(100, 200, 50);
    mark(), b.attribute(15);
    mark(), b.block(3, 2, {3, 0, 3}, e3t::kFlagLit, {0, 0, 0, 9, 0, 0, 0, 9, 0, 5, 5, 0, 15, 5, 0, 5, 15, 0},
                    std::vector<int32_t>(18, 4096), std::vector<int32_t>(12, 7));
    mark(), b.block(5, 2, {2, 0, 0}, 0, {1, 1, 0, 5, 5, 0}, {}, std::vector<int32_t>(16, 3));
    mark(), b.block(2, 1, {0, 3, 0}, 0, {0, 0, 0, 10, 10, 0}, {}, {}, {0xFF, 0xFF00});
    mark(), b.perspectiveAngle(5, 100, 800);
    mark(), b.block(4, 1, {0, 1, 2}, 1, {0, 0, 1, 9, 0, 50, 9, 9, 200, 0, 9, 20}, {0, 0, 4096}, {}, {0xFF});
    mark(), b.perspectiveSize(5, 100, 4096, 4096);
    mark(), b.parallelSize(64, 48);
    mark(), b.draw();
    starts.push_back(b.words.size());
    const std::vector<uint32_t> good = b.words;

    for (size_t length = 1; length <= good.size(); length++) {
        Frame f(64, 48);
        m3d_setTexture(f.get(), &tx.shaded);
        std::vector<uint32_t> cut(good.begin(), good.begin() + length);
        int32_t expected = 0;
        for (size_t k = 0; k + 1 < starts.size(); k++)
            if (starts[k] < length && length < starts[k + 1]) expected = (int32_t)starts[k] + 1;
        ASSERT_EQ(f.run(cut), expected) << "cut at " << length;
    }
    for (int round = 0; round < 3000; round++) {
        Frame f(64, 48);
        m3d_setTexture(f.get(), &tx.shaded);
        std::vector<uint32_t> list = good;
        int flips = 1 + (int)(random() % 4);
        for (int k = 0; k < flips && list.size() > 1; k++) {
            size_t at = 1 + random() % (list.size() - 1);
            switch (random() % 4) {
                case 0:
                    list[at] = (uint32_t)random();
                    break;
                case 1:
                    list[at] ^= 1u << (random() % 32);
                    break;
                case 2:
                    list[at] = (list[at] & 0xFF000000u) | (uint32_t)(random() & 0xFFFFFF);
                    break;
                default:
                    list.resize(at);
                    break;
            }
        }
        // the copy ends exactly where the list does, so a read past it is caught
        std::unique_ptr<uint32_t[]> exact(new uint32_t[list.size()]);
        std::copy(list.begin(), list.end(), exact.get());
        m3d_CommandList l = {(int32_t)list.size(), exact.get()};
        int32_t result = m3d_executeCommandList(f.get(), &l);
        ASSERT_GE(result, 0);
        ASSERT_LE(result, (int32_t)list.size()) << "round " << round;
        m3d_drawFigure(f.get());
    }
}

}  // namespace
