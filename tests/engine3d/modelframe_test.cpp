// Models in a frame: bone world matrices and poses, motions, the pattern mask, batches,
// back-face culling, refusals, clipping at the near plane, and drawn models, a posed and
// animated one among them.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine3d/command_builder.h"
#include "engine3d/m3d_draw.h"
#include "engine3d/m3d_light.h"
#include "engine3d/m3d_matrix.h"
#include "engine3d/m3d_modelframe.h"
#include "engine3d/m3d_project.h"
#include "engine3d/model_builder.h"
#include "engine3d/scene.h"

namespace {

using e3t::Frame;
using e3t::ModelFile;

// A model loaded from a description with the frame's allocator.
struct LoadedModel {
    m3d_Model model;
    explicit LoadedModel(const ModelFile& f, m3d_Allocator* allocator) {
        m3d_initModel(&model, allocator);
        e3t::ByteStream s(f.bytes());
        loaded = m3d_loadModel(&model, s.get());
    }
    ~LoadedModel() { m3d_releaseModel(&model); }
    int32_t loaded;
};

// The builder's cube, naming as many texture slots as asked.
ModelFile cube(uint32_t textures) {
    ModelFile f = e3t::cubeModel();
    f.textureCount = textures;
    return f;
}

// Three triangles over four vertices: turned one way, the other way, and flat.
ModelFile windings(uint32_t flags) {
    ModelFile f;
    f.textureCount = 0;
    f.vertices = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {20, 0, 0}};
    f.materials = {{255, 255, 255}};
    f.groups[e3t::kFlatTriangles] = {{flags, {0, 1, 2}, {0}}, {flags, {0, 2, 1}, {0}}, {flags, {0, 1, 3}, {0}}};
    f.bones = {{4, -1, e3t::boneMatrix(0, 0, 0)}};
    return f;
}

void setView(m3d_Context* c, const int32_t* view) {
    static int32_t matrices[12];
    memcpy(matrices, view, sizeof matrices);
    static m3d_Figure figure = {0, 1, matrices};
    m3d_setFigure(c, &figure);
    m3d_applyStoredMatrix(c, 0);
    m3d_setFigure(c, nullptr);
}

TEST(ModelFrame, Refusals) {
    Frame f(64, 64);
    LoadedModel cubeModel(cube(0), f.allocator.get());
    ASSERT_EQ(cubeModel.loaded, 1);
    EXPECT_EQ(m3d_addModel(f.get(), nullptr), 0) << "null model";
    m3d_Model empty;
    m3d_initModel(&empty, f.allocator.get());
    EXPECT_EQ(m3d_addModel(f.get(), &empty), 0) << "not loaded";
    // a polygon total beyond the depth-list limit is not drawn
    const int32_t total = cubeModel.model.polygonTotal;
    cubeModel.model.polygonTotal = 65536 - 255;
    EXPECT_EQ(m3d_addModel(f.get(), &cubeModel.model), 0);
    cubeModel.model.polygonTotal = total;
    EXPECT_EQ(f.context.batchCount, 0);

    e3t::TestAllocator allocator;
    m3d_Context noTarget;
    m3d_initContext(&noTarget, allocator.get());
    EXPECT_EQ(m3d_addModel(&noTarget, &cubeModel.model), 0) << "no target surface";
    m3d_releaseContext(&noTarget);
}

TEST(ModelFrame, BatchesAndReferences) {
    Frame f(64, 64);
    e3t::Textures tx;
    ASSERT_EQ(m3d_setTexture(f.get(), &tx.shaded), 1);
    struct Case {
        uint32_t textures;
        int32_t batches;
    };
    for (Case c : {Case{0, 1}, Case{1, 2}, Case{3, 4}}) {
        LoadedModel m(cube(c.textures), f.allocator.get());
        ASSERT_EQ(m.loaded, 1);
        ASSERT_EQ(m3d_addModel(f.get(), &m.model), 1);
        EXPECT_EQ(f.context.batchCount, c.batches) << c.textures << " textures";
        EXPECT_EQ(f.context.batches[0].texture, &m.model.materialRamps);
        EXPECT_EQ(m.model.refCount, c.batches) << "every batch holds the model";
        EXPECT_EQ(f.context.verticesUsed, 8);
        m3d_endFrame(f.get());
        EXPECT_EQ(m.model.refCount, 0);
    }
    EXPECT_EQ(tx.shaded.refCount, 1) << "only the slot holds the texture after the frames";
}

TEST(ModelFrame, BackFacesAreCulled) {
    struct Case {
        const char* name;
        uint32_t flags;
        int32_t queued;
    };
    // flat flag bit 3 makes a polygon double-sided
    for (Case c : {Case{"single-sided keeps the one facing", 0, 1}, Case{"double-sided keeps all", 0x08, 3}}) {
        Frame f(64, 64);
        LoadedModel m(windings(c.flags), f.allocator.get());
        ASSERT_EQ(m.loaded, 1) << c.name;
        ASSERT_EQ(m3d_addModel(f.get(), &m.model), 1) << c.name;
        EXPECT_EQ(f.context.depthCount, c.queued) << c.name;
        if (c.queued == 1) {
            const uint16_t* kept = (const uint16_t*)f.context.depthEntries[0].record;
            EXPECT_EQ(kept[2], 1) << "(0, 0), (10, 0), (0, 10) has area 100";
        }
    }
}

// Turned any way, the cube shows exactly the faces whose outward normals point at the
// viewer (negative view z): every face is wound the same way, and culling keeps the
// clockwise ones.
TEST(ModelFrame, CubeShowsTheFacesTurnedToTheViewer) {
    const int32_t normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
    struct Case {
        int32_t spin, tilt;  // about y, then about x
    };
    for (Case c : {Case{300, 400}, Case{-300, 400}, Case{300, -400}, Case{1300, 200}, Case{2348, -700},
                   Case{3500, 1500}, Case{2148, 2348}, Case{700, 3000}}) {
        Frame f(64, 64);
        LoadedModel cubeModel(cube(0), f.allocator.get());
        ASSERT_EQ(cubeModel.loaded, 1);
        int32_t spin[12], tilt[12], view[12];
        m3d_matIdentity(spin);
        m3d_matIdentity(tilt);
        m3d_matRotateY(spin, c.spin);
        m3d_matRotateX(tilt, c.tilt);
        m3d_matMul(view, tilt, spin);
        setView(f.get(), view);
        m3d_setParallelScale(f.get(), 512, 512);
        m3d_setOrigin(f.get(), 32, 32);
        ASSERT_EQ(m3d_addModel(f.get(), &cubeModel.model), 1);
        std::vector<int> shown, expected;
        const m3d_PolygonGroup& quads = cubeModel.model.groups[M3D_GROUP_FLAT_QUADS];
        for (int32_t i = 0; i < f.context.depthCount; i++)
            shown.push_back((int)(((const uint8_t*)f.context.depthEntries[i].record - (const uint8_t*)quads.records) /
                                  quads.recordSize));
        std::sort(shown.begin(), shown.end());
        for (int face = 0; face < 6; face++) {
            int32_t z = view[8] * normals[face][0] + view[9] * normals[face][1] + view[10] * normals[face][2];
            if (z < 0) expected.push_back(face);
        }
        EXPECT_EQ(shown, expected) << "spin " << c.spin << ", tilt " << c.tilt;
        EXPECT_EQ(shown.size(), 3u) << "spin " << c.spin << ", tilt " << c.tilt;
    }
}

TEST(ModelFrame, PatternMaskSelectsPatterns) {
    ModelFile file;
    file.textureCount = 0;
    file.patternCount = 3;
    file.vertices = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}};
    file.materials = {{255, 0, 0}};
    for (int i = 0; i < 4; i++) file.groups[e3t::kFlatTriangles].push_back({0x08, {0, 1, 2}, {0}});
    file.runCounts = {{1, 0}, {2, 0}, {1, 0}};  // pattern 0: one, pattern 1: two, pattern 2: one
    file.bones = {{3, -1, e3t::boneMatrix(0, 0, 0)}};
    struct Case {
        uint32_t mask;
        int32_t queued;
    };
    for (Case c : {Case{0, 1}, Case{1, 3}, Case{2, 2}, Case{3, 4}, Case{0xFFFFFFFC, 1}}) {
        Frame f(64, 64);
        LoadedModel m(file, f.allocator.get());
        ASSERT_EQ(m.loaded, 1);
        EXPECT_EQ(m3d_patternCount(&m.model), 3);
        m3d_setPatternMask(&m.model, c.mask);
        EXPECT_EQ(m3d_getPatternMask(&m.model), c.mask);
        ASSERT_EQ(m3d_addModel(f.get(), &m.model), 1);
        EXPECT_EQ(f.context.depthCount, c.queued) << "mask " << c.mask;
    }
}

TEST(ModelFrame, BoneWorldMatricesRefreshLazily) {
    Frame f(64, 64);
    LoadedModel arm(e3t::armModel(), f.allocator.get());
    ASSERT_EQ(arm.loaded, 1);
    m3d_Model* m = &arm.model;
    int32_t world[12];
    m3d_boneWorldMatrix(m, 1, world);
    EXPECT_EQ(world[3], 10);
    EXPECT_EQ(world[7], 20);
    EXPECT_EQ(world[11], 80) << "the forearm lies 50 beyond the upper arm";
    EXPECT_EQ(m->bones[0].poseChanged, 0);
    EXPECT_EQ(m->bones[1].poseChanged, 0);

    // a pose of the forearm alone recomputes it from its parent's stored world matrix
    m->world[0][3] = 1000;
    int32_t pose[12];
    m3d_matIdentity(pose);
    pose[11] = 7;
    m3d_setBonePose(m, 1, pose);
    EXPECT_EQ(m->bones[1].poseChanged, 1);
    m3d_boneWorldMatrix(m, 1, world);
    EXPECT_EQ(world[3], 1000) << "the parent was not recomputed";
    EXPECT_EQ(world[11], 37);
    // a pose of the upper arm refreshes the forearm evaluated after it
    m3d_matIdentity(pose);
    m3d_setBonePose(m, 0, pose);
    m3d_boneWorldMatrix(m, 1, world);
    EXPECT_EQ(world[3], 0);
    EXPECT_EQ(world[11], 7);
    int32_t untouched[12] = {42};
    m3d_boneWorldMatrix(m, 2, untouched);
    EXPECT_EQ(untouched[0], 42) << "a bone out of range";
}

TEST(ModelFrame, MotionSetsPosesAndPattern) {
    Frame f(64, 64);
    LoadedModel arm(e3t::armModel(), f.allocator.get());
    ASSERT_EQ(arm.loaded, 1);
    m3d_Motion motion;
    m3d_initMotion(&motion, f.allocator.get());
    e3t::ByteStream s(e3t::armMotion().bytes());
    ASSERT_EQ(m3d_loadMotion(&motion, s.get()), 1);
    m3d_applyMotion(&arm.model, &motion, 0, 0);
    EXPECT_EQ(m3d_getPatternMask(&arm.model), 5u);
    EXPECT_EQ(arm.model.bones[0].poseChanged, 1);
    m3d_applyMotion(&arm.model, &motion, 0, 4 << 16);
    EXPECT_EQ(m3d_getPatternMask(&arm.model), 9u);
    int32_t world[12];
    m3d_applyMotion(&arm.model, &motion, 0, 10 << 16);
    m3d_boneWorldMatrix(&arm.model, 1, world);
    // at the last frame the forearm has slid 100 along its parent's z, which now points
    // along x: it lies beyond the upper arm on the x side
    EXPECT_GT(world[3], 10 + 50);
    m3d_setPatternMask(&arm.model, 0);
    m3d_applyMotion(&arm.model, &motion, 1, 0);
    EXPECT_EQ(m3d_getPatternMask(&arm.model), 0u) << "an action out of range is ignored";
    m3d_applyMotion(&arm.model, &motion, -1, 0);
    EXPECT_EQ(m3d_getPatternMask(&arm.model), 0u);
    m3d_releaseMotion(&motion);
}

// Two cubes turned by the view: unlit material colours on the left, lit on the right.
TEST(ModelFrame, CubesPicture) {
    Frame f(96, 48, 0x2104);
    LoadedModel cubeModel(cube(0), f.allocator.get());
    ASSERT_EQ(cubeModel.loaded, 1);
    // the rotations set only the rotation part
    int32_t spin[12], tilt[12], view[12];
    m3d_matIdentity(spin);
    m3d_matIdentity(tilt);
    m3d_matRotateY(spin, 300);
    m3d_matRotateX(tilt, 400);
    m3d_matMul(view, tilt, spin);
    setView(f.get(), view);
    m3d_setParallelScale(f.get(), 512, 512);
    m3d_setAmbientLight(f.get(), 1024);
    m3d_setOrigin(f.get(), 24, 24);
    m3d_setAttribute(f.get(), M3D_ATTR_BLENDING);
    ASSERT_EQ(m3d_addModel(f.get(), &cubeModel.model), 1);
    m3d_setOrigin(f.get(), 72, 24);
    m3d_setAttribute(f.get(), M3D_ATTR_BLENDING | M3D_ATTR_LIGHTING);
    ASSERT_EQ(m3d_addModel(f.get(), &cubeModel.model), 1);
    EXPECT_EQ(f.context.depthCount, 6) << "three faces of each cube face the viewer";
    ASSERT_EQ(m3d_drawFigure(f.get()), 1);
    EXPECT_EQ(cubeModel.model.refCount, 0);
    const uint16_t* ramps = (const uint16_t*)cubeModel.model.materialRamps.texels.pixels;
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 48; x++) {
            uint16_t p = f.canvas.at(x, y);
            ASSERT_TRUE(p == 0x2104 || p == ramps[31] || p == ramps[32 + 31]) << "unlit: full-light ramp colours";
        }
    EXPECT_NE(f.canvas.at(24, 24), 0x2104);
    EXPECT_NE(f.canvas.at(72, 24), 0x2104);
    EXPECT_EQ(f.canvas.at(24, 2), 0x2104);
    EXPECT_EQ(e3t::comparePicture(f.canvas, "model_cubes"), "");
}

// A cube that the near plane cuts: its front face is clipped, not dropped whole.
TEST(ModelFrame, ClippedAtTheNearPlane) {
    Frame f(64, 64, 0x2104);
    LoadedModel cubeModel(cube(0), f.allocator.get());
    ASSERT_EQ(cubeModel.loaded, 1);
    int32_t view[12];
    m3d_matIdentity(view);
    m3d_matRotateY(view, 200);
    view[11] = 190;  // the turned cube's front corners lie at z 65..125; near is 100
    setView(f.get(), view);
    m3d_setPerspectiveAngle(f.get(), 100, 1000, 1024);
    m3d_setOrigin(f.get(), 32, 32);
    ASSERT_EQ(m3d_addModel(f.get(), &cubeModel.model), 1);
    EXPECT_GT(f.context.verticesUsed, 8) << "the clipper added vertices";
    EXPECT_GT(f.context.depthCount, 0);
    ASSERT_EQ(m3d_drawFigure(f.get()), 1);
    // the front face shows where it lies beyond z 100: left of a vertical cut, since the
    // near plane meets the upright face in a vertical line; right of it the eye would see
    // the cube's inside, whose faces are culled
    const uint16_t red = ((const uint16_t*)cubeModel.model.materialRamps.texels.pixels)[31];
    for (int y = 8; y < 56; y++) {
        EXPECT_EQ(f.canvas.at(2, y), red) << y;
        EXPECT_EQ(f.canvas.at(40, y), 0x2104) << y;
    }
    int cut = 0;
    while (cut < 64 && f.canvas.at(cut, 32) == red) cut++;
    for (int y = 8; y < 56; y++) EXPECT_EQ(f.canvas.at(cut, y), 0x2104) << "the cut is vertical, row " << y;
    EXPECT_EQ(e3t::comparePicture(f.canvas, "model_near"), "");
}

// The jointed tube at three frames of its motion, through the path a MIDlet's natives
// take: load the model and the motion, give the motion its model, set the frame, add the
// model, draw. Besides the reviewed pictures, each frame is checked against where the
// motion puts the tube by hand: the root segment stands upright at the root's x, the
// upper segments lean right at frame 5.5 and left at frame 13, and the flag of pattern 1
// shows from frame 10 on.
TEST(ModelFrame, PosedTubePictures) {
    const uint16_t kBackground = 0x2104;
    Frame f(128, 96, kBackground);
    LoadedModel tube(e3t::tubeModel(4, 8), f.allocator.get());
    ASSERT_EQ(tube.loaded, 1);
    m3d_Motion motion;
    m3d_initMotion(&motion, f.allocator.get());
    e3t::ByteStream stream(e3t::tubeMotion(4).bytes());
    ASSERT_EQ(m3d_loadMotion(&motion, stream.get()), 1);
    m3d_motionSetModel(&motion, &tube.model);

    // seen from the front and a little from above: model z points up the screen
    int32_t view[12];
    m3d_matIdentity(view);
    m3d_matRotateX(view, 1150);
    setView(f.get(), view);
    m3d_setParallelScale(f.get(), 1280, 1280);  // 0.3125 pixels a unit
    m3d_setOrigin(f.get(), 64, 84);
    m3d_setAmbientLight(f.get(), 1024);
    const int32_t light[3] = {2048, 2048, 3000};  // from the upper left, in front
    m3d_setDirectionalLight(f.get(), light, 3600);
    m3d_setAttribute(f.get(), M3D_ATTR_LIGHTING);
    const uint16_t flag = ((const uint16_t*)tube.model.materialRamps.texels.pixels)[3 * 32 + 31];

    struct Case {
        const char* picture;
        int32_t time;                 // 16.16 frames
        int32_t rootX;                // the root's screen x: 64 + (-40 + 4 x frame) x 0.3125
        int32_t leanRight, leanLeft;  // how far the tube reaches past the root at least
        bool flagShown;
    };
    const Case cases[] = {
        {"posed_tube_1", 0, 52, 0, 0, false},
        {"posed_tube_2", 0x58000, 58, 30, 0, false},
        {"posed_tube_3", 13 << 16, 68, 0, 20, true},
    };
    std::vector<std::vector<uint16_t>> drawn;
    for (const Case& c : cases) {
        f.clear(kBackground);
        m3d_motionApplyToModel(&motion, 0, c.time);
        ASSERT_EQ(m3d_addModel(f.get(), &tube.model), 1) << c.picture;
        ASSERT_EQ(m3d_drawFigure(f.get()), 1) << c.picture;
        EXPECT_EQ(tube.model.refCount, 1) << c.picture << ": only the motion holds the model after the frame";
        // row 75 crosses the root segment halfway up (z 30 is 9 pixels above the origin)
        EXPECT_NE(f.canvas.at(c.rootX, 75), kBackground) << c.picture << ": the root segment";
        EXPECT_EQ(f.canvas.at(c.rootX - 12, 75), kBackground) << c.picture << ": left of the root segment";
        EXPECT_EQ(f.canvas.at(c.rootX + 12, 75), kBackground) << c.picture << ": right of the root segment";
        int32_t left = 128, right = -1, flagPixels = 0;
        for (int32_t y = 0; y < 96; y++)
            for (int32_t x = 0; x < 128; x++) {
                uint16_t p = f.canvas.at(x, y);
                if (p == kBackground) continue;
                left = std::min(left, x), right = std::max(right, x);
                flagPixels += p == flag;
            }
        if (c.leanRight > 0) {
            EXPECT_GE(right, c.rootX + c.leanRight) << c.picture << ": bent towards +x";
        } else if (c.leanLeft > 0) {
            EXPECT_LE(left, c.rootX - c.leanLeft) << c.picture << ": bent towards -x";
        } else {
            EXPECT_TRUE(left > c.rootX - 10 && right < c.rootX + 10) << c.picture << ": standing straight";
        }
        EXPECT_EQ(flagPixels > 0, c.flagShown) << c.picture << ": the flag";
        EXPECT_EQ(e3t::comparePicture(f.canvas, c.picture), "") << c.picture;
        drawn.push_back(f.canvas.pixels);
    }
    EXPECT_NE(drawn[0], drawn[1]);
    EXPECT_NE(drawn[1], drawn[2]);
    m3d_motionSetModel(&motion, nullptr);
    EXPECT_EQ(tube.model.refCount, 0);
    m3d_releaseMotion(&motion);
}

}  // namespace
