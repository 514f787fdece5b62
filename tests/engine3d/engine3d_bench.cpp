// Triangles per second of the set-up and fillers for each shading mode on a 240 x 320
// target: a fan of 64 triangles of about 600 pixels each, redrawn every iteration. Then
// frames per second of whole frames: a textured mesh through the command list, and a
// posed, animated model through the model path.
#include <benchmark/benchmark.h>

#include "engine3d/demo_scene.h"
#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_command.h"
#include "engine3d/m3d_draw.h"
#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_light.h"
#include "engine3d/m3d_matrix.h"
#include "engine3d/m3d_model.h"
#include "engine3d/m3d_modelframe.h"
#include "engine3d/m3d_motion.h"
#include "engine3d/m3d_project.h"
#include "engine3d/m3d_raster.h"
#include "engine3d/m3d_triangle.h"
#include "engine3d/model_builder.h"
#include "engine3d/scene.h"

namespace {

enum Mode { kFlat, kGouraud, kTextured, kLitTextured, kEnvironment, kToon, kFlatAdd };

void drawFan(benchmark::State& state, Mode mode) {
    e3t::Canvas canvas(240, 320);
    e3t::Textures tx;
    const int row = mode == kFlat || mode == kFlatAdd   ? 0
                    : mode == kGouraud || mode == kToon ? 1
                    : mode == kTextured                 ? 4
                    : mode == kLitTextured              ? 5
                                                        : 7;
    tx.bind(&canvas.target, row);
    const m3d_RasterEntry* entry = mode == kFlat          ? m3d_rasterFnByBlend(0)
                                   : mode == kFlatAdd     ? m3d_rasterFnByBlend(M3D_BLEND_ADD << 1)
                                   : mode == kGouraud     ? m3d_rasterFnLit(0)
                                   : mode == kToon        ? m3d_rasterFnLit(M3D_RW_TOON)
                                   : mode == kTextured    ? m3d_rasterFnForPrimitive(136u << 16)
                                   : mode == kLitTextured ? m3d_rasterFnTexturedLit(136u << 16)
                                                          : m3d_rasterFnTexturedLitEnv((6u << 24) | (136u << 16));
    std::vector<m3d_SetupVertex> rim;
    for (int i = 0; i <= 64; i++) {
        int32_t a = i * 64;
        rim.push_back(e3t::V(120 + (m3d_cos(a) * 110 >> 12), 160 + (m3d_sin(a) * 150 >> 12),
                             {i * 4, 200 - i, 64 + i * 2, i, 63 - i}));
    }
    const m3d_SetupVertex centre = e3t::V(120, 160, {128, 128, 255, 32, 32});
    for (auto _ : state) {
        for (int i = 0; i < 64; i++) {
            const m3d_SetupVertex *a = &centre, *b = &rim[i], *c = &rim[i + 1];
            switch (mode) {
                case kFlat:
                case kFlatAdd:
                    m3d_drawTriangleFlat(&canvas.target, entry, a, b, c);
                    break;
                case kGouraud:
                case kToon: {
                    m3d_SetupVertex la = *a, lb = *b, lc = *c;
                    la.a[0] = a->a[2], lb.a[0] = b->a[2], lc.a[0] = c->a[2];
                    m3d_drawTriangleLight(&canvas.target, entry, &la, &lb, &lc);
                    break;
                }
                case kTextured:
                    m3d_drawTriangleTextured(&canvas.target, entry, a, b, c);
                    break;
                case kLitTextured:
                    m3d_drawTriangle3(&canvas.target, entry, a, b, c);
                    break;
                case kEnvironment:
                    m3d_drawTriangle5(&canvas.target, entry, a, b, c);
                    break;
            }
        }
        benchmark::DoNotOptimize(canvas.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * 64);
}

void BM_Flat(benchmark::State& s) { drawFan(s, kFlat); }
void BM_FlatAdd(benchmark::State& s) { drawFan(s, kFlatAdd); }
void BM_Gouraud(benchmark::State& s) { drawFan(s, kGouraud); }
void BM_Toon(benchmark::State& s) { drawFan(s, kToon); }
void BM_Textured(benchmark::State& s) { drawFan(s, kTextured); }
void BM_LitTextured(benchmark::State& s) { drawFan(s, kLitTextured); }
void BM_EnvironmentMapped(benchmark::State& s) { drawFan(s, kEnvironment); }

// Frames per second of a 500-triangle textured mesh through the command list on a
// 240 x 320 target under perspective: transform, records, sort and fill, every frame.
void BM_CommandListMesh500(benchmark::State& state) {
    e3t::Frame frame(240, 320);
    e3t::Textures tx;
    m3d_setTexture(frame.get(), &tx.shaded);
    int32_t view[12];
    m3d_matIdentity(view);
    view[11] = 120;
    m3d_Figure figure = {0, 1, view};
    m3d_setFigure(frame.get(), &figure);
    e3t::CommandBuilder b;
    b.perspectiveAngle(10, 1000, 1024).origin(120, 160).storedMatrix(0);
    e3t::meshBlocks(b, 10, 25, 220, 300, 0);
    b.draw();
    m3d_CommandList list = {(int32_t)b.words.size(), b.words.data()};
    for (auto _ : state) {
        if (m3d_executeCommandList(frame.get(), &list) != 0) state.SkipWithError("the list failed");
        benchmark::DoNotOptimize(frame.canvas.pixels.data());
    }
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * 500);
    m3d_setFigure(frame.get(), nullptr);
    m3d_setTexture(frame.get(), nullptr);
}

// Frames per second of the jointed tube of 8 bones and 16 sides (289 triangles, lit)
// under perspective on a 240 x 320 target, the way a MIDlet animates a model: each frame
// sets the next motion frame, adds the model, draws and clears the screen.
void BM_PosedModelFrame(benchmark::State& state) {
    const int32_t kBones = 8, kSides = 16;
    const uint16_t kBackground = 0x1084;
    e3t::Frame frame(240, 320, kBackground);
    m3d_Model model;
    m3d_initModel(&model, frame.allocator.get());
    m3d_Motion motion;
    m3d_initMotion(&motion, frame.allocator.get());
    e3t::ByteStream modelFile(e3t::tubeModel(kBones, kSides).bytes()), motionFile(e3t::tubeMotion(kBones).bytes());
    if (m3d_loadModel(&model, modelFile.get()) != 1 || m3d_loadMotion(&motion, motionFile.get()) != 1) {
        state.SkipWithError("the tube did not load");
        return;
    }
    m3d_motionSetModel(&motion, &model);
    // seen from the front and a little from above; bent, the tube reaches past the edges
    int32_t view[12];
    m3d_matIdentity(view);
    m3d_matRotateX(view, 1150);
    view[7] = 150, view[11] = 640;
    m3d_Figure figure = {0, 1, view};
    m3d_setFigure(frame.get(), &figure);
    m3d_applyStoredMatrix(frame.get(), 0);
    m3d_setPerspectiveAngle(frame.get(), 50, 2000, 640);
    m3d_setOrigin(frame.get(), 120, 200);
    m3d_setAmbientLight(frame.get(), 1024);
    const int32_t light[3] = {2048, 2048, 3000};
    m3d_setDirectionalLight(frame.get(), light, 3600);
    m3d_setAttribute(frame.get(), M3D_ATTR_LIGHTING);
    const int32_t frames = m3d_motionFrameCount(&motion, 0);
    int32_t time = 0;
    int64_t covered = 0;
    for (auto _ : state) {
        m3d_motionApplyToModel(&motion, 0, time);
        time = (time + 0x4000) % frames;  // a quarter of a motion frame per frame
        if (m3d_addModel(frame.get(), &model) != 1 || m3d_drawFigure(frame.get()) != 1) {
            state.SkipWithError("the frame failed");
            break;
        }
        benchmark::DoNotOptimize(frame.canvas.pixels.data());
        if (covered == 0)
            for (uint16_t p : frame.canvas.pixels) covered += p != kBackground;
        frame.clear(kBackground);
    }
    // standing straight in the first frame it covers some 3600 pixels
    if (covered < 3000) state.SkipWithError("the tube covers too little of the screen");
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["pixels"] = (double)covered;
    state.SetItemsProcessed(state.iterations() * (2 * kBones * kSides + 2 * kSides + 1));
    m3d_motionSetModel(&motion, nullptr);
    m3d_releaseMotion(&motion);
    m3d_setFigure(frame.get(), nullptr);
    m3d_releaseModel(&model);
}

BENCHMARK(BM_Flat);
BENCHMARK(BM_FlatAdd);
BENCHMARK(BM_Gouraud);
BENCHMARK(BM_Toon);
BENCHMARK(BM_Textured);
BENCHMARK(BM_LitTextured);
BENCHMARK(BM_EnvironmentMapped);
BENCHMARK(BM_CommandListMesh500);
BENCHMARK(BM_PosedModelFrame);

}  // namespace

BENCHMARK_MAIN();
