// The model and motion loaders against every truncation and thousands of corruptions of
// the builder's files. A truncated file is refused; a corrupted one is refused or loads
// into an object that keeps every promise the frame code relies on. No block is left
// behind either way. Meant to run under AddressSanitizer as well.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_model.h"
#include "engine3d/m3d_motion.h"
#include "engine3d/model_builder.h"

namespace {

using e3t::ByteStream;
using e3t::ModelFile;
using e3t::MotionFile;
using e3t::TestAllocator;

struct Sample {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<Sample> modelSamples() {
    ModelFile cube4 = e3t::cubeModel();
    cube4.version = 4;
    ModelFile packedArm = e3t::armModel();
    packedArm.polygonFormat = 2;
    packedArm.vertexFormat = 2;
    ModelFile runs = e3t::cubeModel();
    runs.patternCount = 2;
    runs.textureCount = 2;
    runs.groups[e3t::kFlatTriangles] = {{0x1FB, {0, 1, 2}, {1}}};
    runs.groups[e3t::kTexturedTriangles] = {{0x3F7, {5, 6, 7}, {1, 2, 3, 4, 5, 6}}};
    runs.runCounts = {{0, 4, 0, 0, 1, 0}, {1, 2, 0, 0, 0, 0}};
    return {{"cube", e3t::cubeModel().bytes()},
            {"cube, version 4", cube4.bytes()},
            {"textured quad", e3t::texturedQuadModel().bytes()},
            {"arm", e3t::armModel().bytes()},
            {"packed arm", packedArm.bytes()},
            {"patterns and textures", runs.bytes()}};
}

std::vector<Sample> motionSamples() {
    MotionFile v4 = e3t::armMotion();
    v4.version = 4;
    MotionFile kinds;
    e3t::MotionAction a;
    a.frames = 6;
    e3t::MotionTrack fixed, rest, direction3, roll4, swing5;
    fixed.kind = 0;
    fixed.matrix = {4096, 0, 0, 1, 0, 4096, 0, 2, 0, 0, 4096, 3};
    direction3.kind = 3;
    direction3.directionKeys = {{0, 0, 4096, 0}, {6, 4096, 0, 0}};
    roll4.kind = 4;
    roll4.directionKeys = {{0, 0, 0, 4096}};
    roll4.rollKeys = {{0, 0}, {2, 300}, {6, -300}};
    swing5.kind = 5;
    swing5.directionKeys = {{0, 0, 0, 4096}, {3, 0, -4096, 0}};
    a.tracks = {fixed, rest, direction3, roll4, swing5};
    a.pattern = {{0, 1}, {3, 0xFFFF0000}};
    kinds.actions = {a, a};
    kinds.actions[1].frames = 20;
    return {
        {"arm motion", e3t::armMotion().bytes()}, {"arm motion, version 4", v4.bytes()}, {"every kind", kinds.bytes()}};
}

// What a loaded model promises; empty when all holds.
std::string modelBroken(const m3d_Model& m) {
    std::ostringstream o;
    uint32_t v = (uint32_t)m.vertexCount;
    static const int corners[4] = {3, 4, 3, 4};
    for (int g = 0; g < M3D_GROUPS; g++) {
        const m3d_PolygonGroup& group = m.groups[g];
        uint32_t entries = g < 2 ? m.patternCount + 1 : m.patternCount * m.textureCount + 1;
        if (group.runs[0] != 0) o << "group " << g << " run table starts at " << group.runs[0] << "; ";
        for (uint32_t k = 1; k < entries; k++)
            if (group.runs[k] < group.runs[k - 1] || group.runs[k] > (uint32_t)group.count)
                o << "group " << g << " run " << k << " leaves its group; ";
        for (int32_t i = 0; i < group.count; i++) {
            const uint8_t* r = (const uint8_t*)group.records + i * group.recordSize;
            for (int c = 0; c < corners[g]; c++)
                if ((uint32_t)(r[2 + 2 * c] | r[3 + 2 * c] << 8) >= v)
                    o << "group " << g << " polygon " << i << " vertex out of range; ";
            if (g < 2 && r[2 + 2 * corners[g]] >= m.materialCount)
                o << "group " << g << " polygon " << i << " material out of range; ";
        }
    }
    uint32_t covered = 0;
    for (int32_t b = 0; b < m.boneCount; b++) {
        if (m.bones[b].firstVertex != covered) o << "bone " << b << " does not follow on; ";
        if (m.bones[b].parent < -1 || m.bones[b].parent >= m.boneCount) o << "bone " << b << " parent; ";
        covered += m.bones[b].vertexCount;
    }
    if (covered != v) o << "bones cover " << covered << " of " << v << " vertices; ";
    if ((m.materialCount > 0) != (m.materialRamps.texels.pixels != nullptr)) o << "material ramps; ";
    return o.str();
}

// Every pose and pattern value of every action at times around its keys; the sanitizer
// catches any read outside the arena.
int64_t exerciseMotion(const m3d_Motion& m) {
    int64_t sum = 0;
    const int32_t rest[12] = {4096, 0, 0, 5, 0, 4096, 0, 6, 0, 0, 4096, 7};
    for (int32_t a = 0; a < m3d_motionActionCount(&m); a++) {
        int32_t length = m3d_motionFrameCount(&m, a);
        const int32_t times[] = {-1, 0, length / 3, length / 2, length, length + 0x10000, 0x7FFFFFFF};
        for (int32_t t : times) {
            for (int32_t b = 0; b < m.boneCount; b++) {
                int32_t pose[12];
                m3d_evaluateTrack(&m, a, b, t, pose, rest);
                for (int32_t x : pose) sum += x;
            }
            sum += m3d_motionPatternValue(&m, a, t);
        }
    }
    return sum;
}

std::vector<uint8_t> corrupt(std::vector<uint8_t> bytes, std::mt19937& random) {
    int changes = 1 + (int)(random() % 4);
    for (int i = 0; i < changes; i++) {
        size_t at = random() % bytes.size();
        switch (random() % 4) {
            case 0:
                bytes[at] = (uint8_t)random();
                break;
            case 1:
                bytes[at] ^= (uint8_t)(1u << (random() % 8));
                break;
            case 2:
                bytes[at] = 0xFF;
                break;
            default:
                bytes[at] = 0;
                break;
        }
    }
    return bytes;
}

const int kCorruptionsPerFile = 3000;

// A corrupted count can ask for an arena of up to 2 GB. The fuzz runs with the counting
// allocator limited as a device's heap is, so such loads take the allocation-failure
// path instead of mapping gigabytes under the sanitizer.
struct DeviceAllocator : TestAllocator {
    static const uint32_t kLargestBlock = 64u << 20;
    DeviceAllocator() { base.ops = &kDeviceOps; }
    static void* allocateLimited(m3d_Allocator* self, uint32_t bytes) {
        if (bytes > kLargestBlock) {
            ((TestAllocator*)self)->calls++;
            return nullptr;
        }
        return allocate(self, bytes);
    }
    static constexpr m3d_AllocatorOps kDeviceOps = {&allocateLimited, &unused, &release};
};

TEST(LoaderFuzz, TruncatedModelsAreRefused) {
    for (const Sample& s : modelSamples()) {
        for (size_t n = 0; n < s.bytes.size(); n++) {
            TestAllocator allocator;
            m3d_Model m;
            m3d_initModel(&m, allocator.get());
            ByteStream stream(std::vector<uint8_t>(s.bytes.begin(), s.bytes.begin() + n));
            ASSERT_EQ(m3d_loadModel(&m, stream.get()), 0) << s.name << " cut to " << n;
            ASSERT_EQ(m.arena, nullptr) << s.name << " cut to " << n;
            ASSERT_EQ(allocator.live, 0) << s.name << " cut to " << n;
        }
    }
}

TEST(LoaderFuzz, CorruptedModels) {
    std::mt19937 random(7);
    for (const Sample& s : modelSamples()) {
        int loaded = 0;
        for (int i = 0; i < kCorruptionsPerFile; i++) {
            TestAllocator allocator;
            m3d_Model m;
            m3d_initModel(&m, allocator.get());
            ByteStream stream(corrupt(s.bytes, random));
            int32_t result = m3d_loadModel(&m, stream.get());
            if (result == 1) {
                loaded++;
                ASSERT_EQ(modelBroken(m), "") << s.name << " corruption " << i;
                ASSERT_EQ(allocator.live, 1) << s.name << " corruption " << i;
            } else {
                ASSERT_EQ(result, 0) << s.name << " corruption " << i;
                ASSERT_EQ(m.arena, nullptr) << s.name << " corruption " << i;
            }
            m3d_releaseModel(&m);
            ASSERT_EQ(allocator.live, 0) << s.name << " corruption " << i;
        }
        // both outcomes occur, or the corruption does not reach the checks
        EXPECT_GT(loaded, 0) << s.name;
        EXPECT_LT(loaded, kCorruptionsPerFile) << s.name;
    }
}

TEST(LoaderFuzz, TruncatedMotionsAreRefused) {
    for (const Sample& s : motionSamples()) {
        for (size_t n = 0; n < s.bytes.size(); n++) {
            TestAllocator allocator;
            m3d_Motion m;
            m3d_initMotion(&m, allocator.get());
            ByteStream stream(std::vector<uint8_t>(s.bytes.begin(), s.bytes.begin() + n));
            ASSERT_EQ(m3d_loadMotion(&m, stream.get()), 0) << s.name << " cut to " << n;
            ASSERT_EQ(m.arena, nullptr) << s.name << " cut to " << n;
            ASSERT_EQ(allocator.live, 0) << s.name << " cut to " << n;
        }
    }
}

TEST(LoaderFuzz, CorruptedMotions) {
    std::mt19937 random(11);
    for (const Sample& s : motionSamples()) {
        int loaded = 0;
        for (int i = 0; i < kCorruptionsPerFile; i++) {
            DeviceAllocator allocator;
            m3d_Motion m;
            m3d_initMotion(&m, allocator.get());
            ByteStream stream(corrupt(s.bytes, random));
            int32_t result = m3d_loadMotion(&m, stream.get());
            if (result == 1) {
                loaded++;
                exerciseMotion(m);
                ASSERT_EQ(allocator.live, 1) << s.name << " corruption " << i;
            } else {
                ASSERT_EQ(result, 0) << s.name << " corruption " << i;
                ASSERT_EQ(m.arena, nullptr) << s.name << " corruption " << i;
                ASSERT_EQ(m.actionCount, 0) << s.name << " corruption " << i;
            }
            m3d_releaseMotion(&m);
            ASSERT_EQ(allocator.live, 0) << s.name << " corruption " << i;
        }
        EXPECT_GT(loaded, 0) << s.name;
        EXPECT_LT(loaded, kCorruptionsPerFile) << s.name;
    }
}

}  // namespace
