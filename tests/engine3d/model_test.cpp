// The model loader: files of every version and format read back, and the refusals.
#include <gtest/gtest.h>
#include <string.h>

#include <array>
#include <string>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_context.h"
#include "engine3d/m3d_model.h"
#include "engine3d/model_builder.h"

namespace {

using e3t::ByteStream;
using e3t::ModelFile;
using e3t::ModelPolygon;
using e3t::PackedNormal;
using e3t::TestAllocator;

struct Loaded {
    TestAllocator allocator;
    m3d_Model model;
    int32_t result;
    explicit Loaded(const ModelFile& f) : Loaded(f.bytes()) {}
    explicit Loaded(std::vector<uint8_t> bytes) {
        m3d_initModel(&model, allocator.get());
        ByteStream s(std::move(bytes));
        result = m3d_loadModel(&model, s.get());
    }
    ~Loaded() { m3d_releaseModel(&model); }
    const uint8_t* record(int32_t group, int32_t i) const {
        return (const uint8_t*)model.groups[group].records + i * model.groups[group].recordSize;
    }
    uint16_t word(int32_t group, int32_t i, int32_t at) const {
        const uint8_t* r = record(group, i) + at;
        return (uint16_t)(r[0] | r[1] << 8);
    }
    uint16_t renderWord(int32_t group, int32_t i) const { return word(group, i, 0); }
    std::vector<uint32_t> runs(int32_t group) const {
        int32_t n =
            group < M3D_GROUP_TEXTURED_TRIANGLES ? model.patternCount + 1 : model.patternCount * model.textureCount + 1;
        return std::vector<uint32_t>(model.groups[group].runs, model.groups[group].runs + n);
    }
    std::array<int32_t, 3> normal(int32_t v) const {
        return {model.normals[3 * v], model.normals[3 * v + 1], model.normals[3 * v + 2]};
    }
};

void expectEmpty(const Loaded& l, const std::string& name) {
    EXPECT_EQ(l.result, 0) << name;
    EXPECT_EQ(l.model.arena, nullptr) << name;
    EXPECT_EQ(l.model.vertexCount, 0) << name;
    EXPECT_EQ(l.model.boneCount, 0) << name;
    EXPECT_EQ(l.model.polygonTotal, 0) << name;
    EXPECT_EQ(l.model.materialRamps.texels.pixels, nullptr) << name;
    EXPECT_EQ(l.allocator.live, 0) << name << ": the arena went back";
    EXPECT_EQ(l.model.allocator, &l.allocator.base) << name << ": the allocator is kept";
}

TEST(ModelLoad, CubeReadsBack) {
    Loaded l(e3t::cubeModel());
    ASSERT_EQ(l.result, 1);
    const m3d_Model& m = l.model;
    EXPECT_EQ(l.allocator.live, 1) << "one block";
    // vertices 48, normals 27 -> 28, six quads 72, four run tables of 2 entries 4 x 12,
    // one bone 56, chain 4, world 48, local 48, two ramps 128
    EXPECT_EQ(l.allocator.lastSize, 48u + 28 + 72 + 48 + 56 + 4 + 48 + 48 + 128);
    ASSERT_EQ(m.vertexCount, 8);
    for (int i = 0; i < 8; i++) {
        int16_t x = i & 1 ? 100 : -100, y = i & 2 ? 100 : -100, z = i & 4 ? 100 : -100;
        EXPECT_EQ(m.vertices[3 * i], x) << "vertex " << i;
        EXPECT_EQ(m.vertices[3 * i + 1], y) << "vertex " << i;
        EXPECT_EQ(m.vertices[3 * i + 2], z) << "vertex " << i;
        // z = isqrt(4096 - 2 x 37^2) = isqrt(1358) = 37
        std::array<int32_t, 3> n{x > 0 ? 37 : -37, y > 0 ? 37 : -37, z > 0 ? 37 : -37};
        EXPECT_EQ(l.normal(i), n) << "normal " << i;
    }
    EXPECT_EQ(m.textureCount, 1);
    EXPECT_EQ(m.patternCount, 1);
    EXPECT_EQ(m.materialCount, 2);
    EXPECT_EQ(m.polygonTotal, 6);
    EXPECT_EQ(m.patternMask, 0u);
    EXPECT_EQ(m.groups[M3D_GROUP_FLAT_QUADS].count, 6);
    EXPECT_EQ(m.groups[M3D_GROUP_FLAT_QUADS].recordSize, 12);
    EXPECT_EQ(m.groups[M3D_GROUP_FLAT_TRIANGLES].recordSize, 10);
    EXPECT_EQ(m.groups[M3D_GROUP_TEXTURED_TRIANGLES].recordSize, 14);
    EXPECT_EQ(m.groups[M3D_GROUP_TEXTURED_QUADS].recordSize, 18);
    const uint32_t(&faces)[6][4] = e3t::cubeFaces();
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(l.renderWord(M3D_GROUP_FLAT_QUADS, i), 0xE000 | M3D_RW_LIT) << "face " << i;
        for (int k = 0; k < 4; k++) EXPECT_EQ(l.word(M3D_GROUP_FLAT_QUADS, i, 2 + 2 * k), faces[i][k]) << "face " << i;
        EXPECT_EQ(l.record(M3D_GROUP_FLAT_QUADS, i)[10], i == 2 || i == 3 ? 1 : 0) << "material of face " << i;
    }
    EXPECT_EQ(l.runs(M3D_GROUP_FLAT_QUADS), (std::vector<uint32_t>{0, 6}));
    EXPECT_EQ(l.runs(M3D_GROUP_FLAT_TRIANGLES), (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(l.runs(M3D_GROUP_TEXTURED_QUADS), (std::vector<uint32_t>{0, 0}));

    const m3d_Image& ramps = m.materialRamps.texels;
    EXPECT_EQ(ramps.width, 32);
    EXPECT_EQ(ramps.height, 2);
    EXPECT_EQ(ramps.pitch, 32);
    EXPECT_EQ(ramps.format, M3D_FORMAT_COLOR16);
    EXPECT_GE((const uint8_t*)ramps.pixels, (const uint8_t*)m.arena) << "the ramps live in the arena";
    const uint16_t* ramp = (const uint16_t*)ramps.pixels;
    for (int i = 0; i < 32; i++) {
        EXPECT_EQ(ramp[i], i << 11) << "red step " << i;
        uint32_t g = (uint32_t)i * 128 / 255;
        EXPECT_EQ(ramp[32 + i], g << 11 | g << 6 | g) << "grey step " << i;
    }

    ASSERT_EQ(m.boneCount, 1);
    EXPECT_EQ(m.bones[0].vertexCount, 8);
    EXPECT_EQ(m.bones[0].firstVertex, 0);
    EXPECT_EQ(m.bones[0].parent, -1);
    EXPECT_EQ(m.bones[0].poseChanged, 1);
    const int32_t identity[12] = {4096, 0, 0, 0, 0, 4096, 0, 0, 0, 0, 4096, 0};
    EXPECT_EQ(memcmp(m.bones[0].rest, identity, sizeof identity), 0);
    EXPECT_EQ(memcmp(m.local[0], identity, sizeof identity), 0);
}

TEST(ModelLoad, TexturedQuadOfVersion3) {
    Loaded l(e3t::texturedQuadModel());
    ASSERT_EQ(l.result, 1);
    const m3d_Model& m = l.model;
    EXPECT_EQ(m.normals, nullptr) << "version 3 has no normals";
    EXPECT_EQ(m.vertexCount, 4);
    EXPECT_EQ(m.vertices[3 * 3], 100);
    EXPECT_EQ(m.vertices[3 * 3 + 1], 100);
    EXPECT_EQ(m.materialCount, 0);
    EXPECT_EQ(m.materialRamps.texels.pixels, nullptr) << "no ramps without materials";
    EXPECT_EQ(m.polygonTotal, 1);
    EXPECT_EQ(l.renderWord(M3D_GROUP_TEXTURED_QUADS, 0), 0xC000);
    const uint8_t* r = l.record(M3D_GROUP_TEXTURED_QUADS, 0);
    const uint8_t uv[8] = {0, 0, 255, 0, 0, 255, 255, 255};
    EXPECT_EQ(memcmp(r + 10, uv, 8), 0);
    EXPECT_EQ(l.word(M3D_GROUP_TEXTURED_QUADS, 0, 8), 3);
    EXPECT_EQ(l.runs(M3D_GROUP_TEXTURED_QUADS), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(l.runs(M3D_GROUP_TEXTURED_TRIANGLES), (std::vector<uint32_t>{0, 0}));
}

TEST(ModelLoad, ArmBonesAndPlainNormals) {
    Loaded l(e3t::armModel());
    ASSERT_EQ(l.result, 1);
    const m3d_Model& m = l.model;
    for (int v = 0; v < 8; v++) EXPECT_EQ(l.normal(v), (std::array<int32_t, 3>{0, 0, 64})) << "(4096 + 32) >> 6";
    EXPECT_EQ(l.renderWord(M3D_GROUP_TEXTURED_QUADS, 1), 0xC000 | M3D_RW_DOUBLE_SIDED);
    EXPECT_EQ(l.word(M3D_GROUP_TEXTURED_QUADS, 1, 2), 4);
    ASSERT_EQ(m.boneCount, 2);
    EXPECT_EQ(m.bones[1].firstVertex, 4) << "after the upper arm's four";
    EXPECT_EQ(m.bones[1].parent, 0);
    EXPECT_EQ(m.bones[0].rest[3], 10);
    EXPECT_EQ(m.bones[0].rest[7], 20);
    EXPECT_EQ(m.local[1][11], 50);
}

// Plain normals: 16-bit values with 4096 = 1.0 kept in 8 bits with 64 = 1.0.
TEST(ModelLoad, PlainNormalsRound) {
    ModelFile f = e3t::armModel();
    const int32_t values[8][3] = {{4096, 0, 0}, {-4096, 0, 0},   {31, 32, -32}, {-33, 95, 96},
                                  {0, 0, 0},    {2048, 2048, 0}, {100, 0, 0},   {0, 0, -4096}};
    for (int v = 0; v < 8; v++) f.normals[v] = {values[v][0], values[v][1], values[v][2]};
    Loaded l(f);
    ASSERT_EQ(l.result, 1);
    for (int v = 0; v < 8; v++)
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(l.model.normals[3 * v + k], (values[v][k] + 32) >> 6) << "normal " << v << "." << k;
}

// A packed normal names an axis or gives x and y; z completes the unit length. x and y
// may together be longer than 64: z is then 0, not the root of a negative number.
TEST(ModelLoad, PackedNormals) {
    struct Case {
        const char* name;
        PackedNormal packed;
        std::array<int32_t, 3> expected;
    };
    const Case cases[] = {
        {"+X", {true, 0, 0, 0, false}, {64, 0, 0}},
        {"+Y", {true, 1, 0, 0, false}, {0, 64, 0}},
        {"+Z", {true, 2, 0, 0, false}, {0, 0, 64}},
        {"-X", {true, 3, 0, 0, false}, {-64, 0, 0}},
        {"-Y", {true, 4, 0, 0, false}, {0, -64, 0}},
        {"-Z", {true, 5, 0, 0, false}, {0, 0, -64}},
        {"straight up", {false, 0, 0, 0, false}, {0, 0, 64}},
        {"straight down", {false, 0, 0, 0, true}, {0, 0, -64}},
        {"x half", {false, 0, 32, 0, false}, {32, 0, 55}},                  // isqrt(3072) = 55
        {"negative x and y", {false, 0, -20, -30, true}, {-20, -30, -53}},  // isqrt(2796)
        {"y of -64", {false, 0, 0, -64, false}, {0, -64, 0}},
        {"x and y longer than unit", {false, 0, 63, 63, false}, {63, 63, 0}},
        {"longest, negative z", {false, 0, -63, -64, true}, {-63, -64, 0}},
        {"just past unit", {false, 0, 46, 46, false}, {46, 46, 0}},
    };
    for (const Case& c : cases) {
        ModelFile f = e3t::cubeModel();
        f.packedNormals[5] = c.packed;
        Loaded l(f);
        ASSERT_EQ(l.result, 1) << c.name;
        EXPECT_EQ(l.normal(5), c.expected) << c.name;
        EXPECT_EQ(l.normal(6), (std::array<int32_t, 3>{-37, 37, 37})) << c.name << ": the next one still in step";
    }
}

// Flag fields of each polygon format become render words.
TEST(ModelLoad, RenderWordsFromFlags) {
    struct Case {
        const char* name;
        uint32_t version, format;
        int group;
        uint32_t flags;
        uint16_t expected;
    };
    const Case cases[] = {
        {"plain triangle", 4, 1, e3t::kTexturedTriangles, 0, 0x4000},
        {"plain triangle, transparent", 4, 1, e3t::kTexturedTriangles, 2, 0x4001},
        {"plain triangle, double-sided", 4, 1, e3t::kTexturedTriangles, 4, 0x4010},
        {"plain quad, all flags", 4, 1, e3t::kTexturedQuads, 7, 0xC011},
        {"packed triangle, all flags", 5, 2, e3t::kTexturedTriangles, 0x77, 0x4837},
        {"packed quad, blend add", 5, 2, e3t::kTexturedQuads, 0x04, 0xC004},
        {"flat triangle, all but the nearest", 5, 3, e3t::kFlatTriangles, 0x1FB, 0x68F6},
        {"flat quad, nearest", 5, 3, e3t::kFlatQuads, 0x80, 0xE100},
        {"flat quad, blend subtract", 5, 3, e3t::kFlatQuads, 0x03, 0xE006},
        {"textured quad, all but the nearest", 5, 3, e3t::kTexturedQuads, 0x3F7, 0xC8F7},
        {"textured triangle, nearest and flat shading", 5, 3, e3t::kTexturedTriangles, 0x180, 0x4140},
    };
    for (const Case& c : cases) {
        ModelFile f = e3t::armModel();
        f.version = c.version;
        f.polygonFormat = c.format;
        f.groups[e3t::kTexturedQuads].clear();
        bool quad = c.group == e3t::kFlatQuads || c.group == e3t::kTexturedQuads;
        std::vector<uint32_t> corners = quad ? std::vector<uint32_t>{0, 1, 2, 3} : std::vector<uint32_t>{0, 1, 2};
        bool flat = c.group < e3t::kTexturedTriangles;
        f.groups[c.group].push_back(
            {c.flags, corners, flat ? std::vector<uint32_t>{0} : std::vector<uint32_t>(2 * corners.size(), 9)});
        if (flat) f.materials = {{1, 2, 3}};
        Loaded l(f);
        ASSERT_EQ(l.result, 1) << c.name;
        EXPECT_EQ(l.renderWord(c.group, 0), c.expected) << c.name;
        EXPECT_EQ(l.record(c.group, 0)[2 + 2 * corners.size()], flat ? 0 : 9) << c.name;
    }
}

TEST(ModelLoad, PackedVertexBlocks) {
    struct Case {
        const char* name;
        std::vector<std::array<uint32_t, 2>> blocks;  // {count, width class}
        bool loads;
    };
    const Case cases[] = {
        {"one block of 8-bit coordinates", {{8, 0}}, true},
        {"blocks of every width ending exactly at V", {{1, 0}, {2, 1}, {3, 2}, {2, 3}}, true},
        {"a block passing V", {{9, 1}}, false},
        {"a second block passing V", {{5, 2}, {4, 2}}, false},
    };
    for (const Case& c : cases) {
        ModelFile f = e3t::cubeModel();
        f.vertexBlocks = c.blocks;
        Loaded l(f);
        if (!c.loads) {
            expectEmpty(l, c.name);
            continue;
        }
        ASSERT_EQ(l.result, 1) << c.name;
        for (int i = 0; i < 8; i++)
            EXPECT_EQ(l.model.vertices[3 * i], i & 1 ? 100 : -100) << c.name << ": vertex " << i;
    }
    // A negative 13-bit coordinate is sign-extended; a 16-bit one is taken as it is.
    ModelFile f = e3t::cubeModel();
    f.vertices[0] = {-4096, 4095, -1};
    f.vertices[1] = {-32768, 32767, 0};
    f.vertexBlocks = {{1, 2}, {7, 3}};
    Loaded l(f);
    ASSERT_EQ(l.result, 1);
    const int16_t expected[6] = {-4096, 4095, -1, -32768, 32767, 0};
    EXPECT_EQ(memcmp(l.model.vertices, expected, sizeof expected), 0);
}

// Version 5 splits the groups by pattern and texture; older files put everything in
// run 0 and leave the other runs empty. Flat polygons of version 4 are reachable too.
TEST(ModelLoad, RunTables) {
    ModelFile f = e3t::cubeModel();
    f.patternCount = 2;
    f.textureCount = 2;
    f.vertices.resize(8);
    f.groups[e3t::kFlatTriangles] = {{0, {0, 1, 2}, {0}}, {0, {1, 2, 3}, {1}}};
    f.groups[e3t::kTexturedTriangles] = {
        {0, {0, 1, 2}, {1, 2, 3, 4, 5, 6}}, {0, {4, 5, 6}, {1, 2, 3, 4, 5, 6}}, {0, {5, 6, 7}, {1, 2, 3, 4, 5, 6}}};
    // pattern 0: flat {1, 4}, texture 0 {1, 0}, texture 1 {1, 0}; pattern 1: flat {1, 2},
    // texture 0 {0, 0}, texture 1 {1, 0}
    f.runCounts = {{1, 4, 1, 0, 1, 0}, {1, 2, 0, 0, 1, 0}};
    Loaded v5(f);
    ASSERT_EQ(v5.result, 1);
    EXPECT_EQ(v5.runs(M3D_GROUP_FLAT_TRIANGLES), (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(v5.runs(M3D_GROUP_FLAT_QUADS), (std::vector<uint32_t>{0, 4, 6}));
    EXPECT_EQ(v5.runs(M3D_GROUP_TEXTURED_TRIANGLES), (std::vector<uint32_t>{0, 1, 2, 2, 3}));
    EXPECT_EQ(v5.runs(M3D_GROUP_TEXTURED_QUADS), (std::vector<uint32_t>{0, 0, 0, 0, 0}));
    EXPECT_EQ(v5.model.polygonTotal, 11);

    f.version = 4;
    Loaded v4(f);
    ASSERT_EQ(v4.result, 1);
    EXPECT_EQ(v4.runs(M3D_GROUP_FLAT_TRIANGLES), (std::vector<uint32_t>{0, 2, 2})) << "flat polygons are queued";
    EXPECT_EQ(v4.runs(M3D_GROUP_FLAT_QUADS), (std::vector<uint32_t>{0, 6, 6}));
    EXPECT_EQ(v4.runs(M3D_GROUP_TEXTURED_TRIANGLES), (std::vector<uint32_t>{0, 3, 3, 3, 3}));
    EXPECT_EQ(v4.runs(M3D_GROUP_TEXTURED_QUADS), (std::vector<uint32_t>{0, 0, 0, 0, 0}));
    EXPECT_EQ(v4.renderWord(M3D_GROUP_FLAT_TRIANGLES, 1), 0x6000);
    EXPECT_EQ(v4.record(M3D_GROUP_FLAT_TRIANGLES, 1)[8], 1) << "material";

    ModelFile cube = e3t::cubeModel();
    cube.version = 4;
    Loaded flat4(cube);
    ASSERT_EQ(flat4.result, 1);
    EXPECT_EQ(flat4.runs(M3D_GROUP_FLAT_QUADS), (std::vector<uint32_t>{0, 6})) << "a version-4 cube draws";
}

// Each edit turns a good file into one the loader must refuse.
TEST(ModelLoad, RefusedFiles) {
    using Edit = void (*)(ModelFile&);
    struct Case {
        const char* name;
        ModelFile (*base)();
        Edit edit;
        size_t cut = 0;  // bytes taken off the end
    };
    const auto arm = e3t::armModel;
    const auto cube = e3t::cubeModel;
    const auto quad = e3t::texturedQuadModel;
    const Case cases[] = {
        {"version 2", arm, [](ModelFile& f) { f.version = 2; }},
        {"version 6", arm, [](ModelFile& f) { f.version = 6; }},
        {"magic", arm, [](ModelFile& f) { f.magic = 0x4D42; }},
        {"21846 vertices", arm, [](ModelFile& f) { f.vertexCount = 21846; }},
        {"17 textures", arm, [](ModelFile& f) { f.textureCount = 17; }},
        {"34 patterns", arm, [](ModelFile& f) { f.patternCount = 34; }},
        {"no pattern", arm, [](ModelFile& f) { f.patternCount = 0; }},
        {"257 materials", cube, [](ModelFile& f) { f.materialCount = 257; }},
        {"textured polygons without a texture", arm, [](ModelFile& f) { f.version = 4, f.textureCount = 0; }},
        {"vertex format 0", arm, [](ModelFile& f) { f.vertexFormat = 0; }},
        {"vertex format 3", arm, [](ModelFile& f) { f.vertexFormat = 3; }},
        {"normal format 3", arm, [](ModelFile& f) { f.normalFormat = 3; }},
        {"polygon format 0", arm, [](ModelFile& f) { f.polygonFormat = 0; }},
        {"polygon format 4", arm, [](ModelFile& f) { f.polygonFormat = 4; }},
        {"bone format 2", arm, [](ModelFile& f) { f.boneFormat = 2; }},
        {"run counts short of the header", arm,
         [](ModelFile& f) {
             f.runCounts = {{0, 0, 0, 1}};
         }},
        {"run counts past the header", arm,
         [](ModelFile& f) {
             f.runCounts = {{0, 0, 0, 3}};
         }},
        {"normal axis 6", cube,
         [](ModelFile& f) {
             f.packedNormals[3] = {true, 6, 0, 0, false};
         }},
        {"normal axis 7", cube,
         [](ModelFile& f) {
             f.packedNormals[7] = {true, 7, 0, 0, false};
         }},
        {"plain quad without bit 0", quad, [](ModelFile& f) { f.groups[e3t::kTexturedQuads][0].flags = 6; }},
        {"plain quad flags 8", quad, [](ModelFile& f) { f.groups[e3t::kTexturedQuads][0].flags = 9; }},
        {"plain triangle with bit 0", quad,
         [](ModelFile& f) {
             f.groups[e3t::kTexturedTriangles].push_back({1, {0, 1, 2}, {0, 0, 0, 0, 0, 0}});
         }},
        {"plain quad vertex V", quad, [](ModelFile& f) { f.groups[e3t::kTexturedQuads][0].vertex[3] = 4; }},
        {"packed flags bit 3", arm,
         [](ModelFile& f) { f.polygonFormat = 2, f.groups[e3t::kTexturedQuads][1].flags = 8; }},
        {"packed flags bit 7", arm,
         [](ModelFile& f) { f.polygonFormat = 2, f.groups[e3t::kTexturedQuads][1].flags = 0x80; }},
        {"packed vertex V", arm,
         [](ModelFile& f) { f.polygonFormat = 2, f.groups[e3t::kTexturedQuads][1].vertex[0] = 8; }},
        {"flat flags bit 2", cube, [](ModelFile& f) { f.groups[e3t::kFlatQuads][5].flags = 4; }},
        {"flat flags bit 9", cube, [](ModelFile& f) { f.groups[e3t::kFlatQuads][5].flags = 0x200; }},
        {"flat flags bit 14", cube,
         [](ModelFile& f) { f.flatFlagWidth = 15, f.groups[e3t::kFlatQuads][0].flags = 0x4000; }},
        {"flat vertex V", cube, [](ModelFile& f) { f.groups[e3t::kFlatQuads][2].vertex[1] = 8; }},
        {"material C", cube, [](ModelFile& f) { f.groups[e3t::kFlatQuads][4].extra[0] = 2; }},
        {"flat polygons without materials", cube, [](ModelFile& f) { f.materials.clear(); }},
        {"textured flags bit 3", arm, [](ModelFile& f) { f.groups[e3t::kTexturedQuads][0].flags = 8; }},
        {"textured flags bit 10", arm,
         [](ModelFile& f) { f.flagWidth = 11, f.groups[e3t::kTexturedQuads][0].flags = 0x400; }},
        {"textured vertex V", arm, [](ModelFile& f) { f.groups[e3t::kTexturedQuads][0].vertex[2] = 8; }},
        {"flat flag width 0", cube, [](ModelFile& f) { f.flatFlagWidth = 0; }},
        {"flat index width 0", cube, [](ModelFile& f) { f.flatIndexWidth = 0; }},
        {"channel width 0", cube, [](ModelFile& f) { f.channelWidth = 0; }},
        {"material width 0", cube, [](ModelFile& f) { f.materialWidth = 0; }},
        // widths come from the file: a field wider than a word is refused
        {"flat flag width 33", cube, [](ModelFile& f) { f.flatFlagWidth = 33; }},
        {"flat index width 33", cube, [](ModelFile& f) { f.flatIndexWidth = 33; }},
        {"channel width 33", cube, [](ModelFile& f) { f.channelWidth = 33; }},
        {"material width 200", cube, [](ModelFile& f) { f.materialWidth = 200; }},
        {"textured flag width 33", arm, [](ModelFile& f) { f.flagWidth = 33; }},
        {"textured index width 255", arm, [](ModelFile& f) { f.indexWidth = 255; }},
        {"texture coordinate width 40", arm, [](ModelFile& f) { f.texCoordWidth = 40; }},
        {"packed flag width 33", arm, [](ModelFile& f) { f.polygonFormat = 2, f.flagWidth = 33; }},
        {"packed index width 64", arm, [](ModelFile& f) { f.polygonFormat = 2, f.indexWidth = 64; }},
        {"bone parent B", arm, [](ModelFile& f) { f.bones[1].parent = 2; }},
        {"bone parent -2", arm, [](ModelFile& f) { f.bones[1].parent = -2; }},
        {"bone its own parent", arm, [](ModelFile& f) { f.bones[1].parent = 1; }},
        {"bone parent its descendant", arm, [](ModelFile& f) { f.bones[0].parent = 1; }},
        {"bone runs past V", arm, [](ModelFile& f) { f.bones[1].vertexCount = 5; }},
        // a vertex no bone owns is never transformed, yet a polygon names it
        {"bone runs short of V", arm, [](ModelFile& f) { f.bones[1].vertexCount = 3; }},
        {"vertices but no bones", arm, [](ModelFile& f) { f.bones.clear(); }},
        {"last byte missing", arm, [](ModelFile&) {}, 1},
        {"first 16 bytes only", arm, [](ModelFile&) {}, 200},
    };
    for (const Case& c : cases) {
        ModelFile f = c.base();
        c.edit(f);
        std::vector<uint8_t> bytes = f.bytes();
        bytes.resize(bytes.size() > c.cut + 16 ? bytes.size() - c.cut : 16);
        Loaded l(bytes);
        expectEmpty(l, c.name);
    }
}

TEST(ModelLoad, LimitsThatLoad) {
    struct Case {
        const char* name;
        ModelFile (*build)();
    };
    const Case cases[] = {
        {"21845 vertices",
         [] {
             ModelFile f = e3t::texturedQuadModel();
             f.vertices.resize(21845, {1, 2, 3});
             f.bones = {{21845, -1, e3t::boneMatrix(0, 0, 0)}};
             return f;
         }},
        {"16 textures, 33 patterns, 256 materials",
         [] {
             ModelFile f = e3t::cubeModel();
             f.textureCount = 16;
             f.patternCount = 33;
             f.materials.resize(256, {255, 255, 255});
             return f;
         }},
        {"32-bit fields",
         [] {
             ModelFile f = e3t::cubeModel();
             f.flatFlagWidth = f.flatIndexWidth = f.channelWidth = f.materialWidth = 32;
             f.materials = {{0xFFFFFFFF, 0x80000000, 0}, {1, 2, 3}};
             return f;
         }},
        {"32-bit packed fields",
         [] {
             ModelFile f = e3t::armModel();
             f.polygonFormat = 2;
             f.flagWidth = f.indexWidth = 32;
             return f;
         }},
        {"bones in any order with roots anywhere",
         [] {
             ModelFile f = e3t::armModel();
             f.bones = {{2, 2, e3t::boneMatrix(0, 0, 0)},
                        {2, -1, e3t::boneMatrix(0, 0, 0)},
                        {2, 1, e3t::boneMatrix(0, 0, 0)},
                        {2, -1, e3t::boneMatrix(0, 0, 0)}};
             return f;
         }},
        {"no vertices, no bones",
         [] {
             ModelFile f = e3t::armModel();
             f.vertices.clear();
             f.normals.clear();
             f.bones.clear();
             f.groups[e3t::kTexturedQuads].clear();
             return f;
         }},
    };
    for (const Case& c : cases) {
        Loaded l(c.build());
        EXPECT_EQ(l.result, 1) << c.name;
        EXPECT_EQ(l.allocator.live, 1) << c.name;
    }
    Loaded wide(cases[2].build());
    const uint16_t* ramp = (const uint16_t*)wide.model.materialRamps.texels.pixels;
    EXPECT_EQ(ramp[31], 31 << 11 | 15 << 6) << "channels scaled from 32 bits";
    EXPECT_EQ(ramp[1], 1 << 11) << "red 1 x (2^32 - 1) / (2^32 - 1), green and blue below 1";
}

TEST(ModelLoad, InUseFailedAndReleased) {
    TestAllocator allocator;
    m3d_Model m;
    m3d_initModel(&m, allocator.get());
    EXPECT_FALSE(m3d_isModelInUse(&m));
    EXPECT_EQ(m3d_loadModel(&m, nullptr), 0) << "no stream";
    ByteStream cube(e3t::cubeModel().bytes());
    ASSERT_EQ(m3d_loadModel(&m, cube.get()), 1);

    m3d_takeRef(&m);
    EXPECT_TRUE(m3d_isModelInUse(&m));
    void* arena = m.arena;
    ByteStream quad(e3t::texturedQuadModel().bytes());
    EXPECT_EQ(m3d_loadModel(&m, quad.get()), 0) << "a pending frame still draws it";
    EXPECT_EQ(m.arena, arena) << "untouched";
    EXPECT_EQ(m.vertexCount, 8);
    EXPECT_EQ(quad.at, 0u) << "not even read";
    m3d_dropRef(&m);

    ByteStream again(e3t::texturedQuadModel().bytes());
    ASSERT_EQ(m3d_loadModel(&m, again.get()), 1) << "loading replaces";
    EXPECT_EQ(allocator.live, 1);
    EXPECT_EQ(m.vertexCount, 4);
    EXPECT_EQ(m.materialCount, 0);
    EXPECT_EQ(m.materialRamps.texels.pixels, nullptr) << "the old ramps are gone";

    ModelFile bad = e3t::armModel();
    bad.bones[0].parent = 1;
    ByteStream refused(bad.bytes());
    EXPECT_EQ(m3d_loadModel(&m, refused.get()), 0);
    EXPECT_EQ(m.arena, nullptr) << "nothing of the old model is kept";
    EXPECT_EQ(allocator.live, 0);

    allocator.failAt = allocator.calls;
    ByteStream starved(e3t::cubeModel().bytes());
    EXPECT_EQ(m3d_loadModel(&m, starved.get()), 0) << "allocation fails";
    EXPECT_EQ(m.arena, nullptr);

    ByteStream last(e3t::cubeModel().bytes());
    ASSERT_EQ(m3d_loadModel(&m, last.get()), 1);
    m3d_releaseModel(&m);
    EXPECT_EQ(allocator.live, 0);
    EXPECT_EQ(m.arena, nullptr);
    EXPECT_EQ(m.allocator, allocator.get()) << "release keeps the allocator";

    m3d_Model orphan;
    m3d_initModel(&orphan, nullptr);
    ByteStream s(e3t::cubeModel().bytes());
    EXPECT_EQ(m3d_loadModel(&orphan, s.get()), 0) << "no allocator";
}

}  // namespace
