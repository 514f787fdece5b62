// Motions: the arena layout, the loader's refusals, and poses of every track kind.
#include <gtest/gtest.h>
#include <string.h>

#include <array>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_context.h"
#include "engine3d/m3d_model.h"
#include "engine3d/m3d_motion.h"
#include "engine3d/model_builder.h"

namespace {

using e3t::ByteStream;
using e3t::MotionAction;
using e3t::MotionFile;
using e3t::MotionTrack;
using e3t::TestAllocator;
using Mat = std::array<int32_t, 12>;

Mat rows(std::array<int32_t, 3> r0, std::array<int32_t, 3> r1, std::array<int32_t, 3> r2, std::array<int32_t, 3> t) {
    return {r0[0], r0[1], r0[2], t[0], r1[0], r1[1], r1[2], t[1], r2[0], r2[1], r2[2], t[2]};
}

struct Loaded {
    TestAllocator allocator;
    m3d_Motion motion;
    int32_t result;
    explicit Loaded(const MotionFile& f) : Loaded(f.bytes()) {}
    explicit Loaded(std::vector<uint8_t> bytes) {
        m3d_initMotion(&motion, allocator.get());
        ByteStream s(std::move(bytes));
        result = m3d_loadMotion(&motion, s.get());
    }
    ~Loaded() { m3d_releaseMotion(&motion); }
    Mat pose(int32_t action, int32_t bone, int32_t time, const Mat& rest) const {
        Mat out;
        m3d_evaluateTrack(&motion, action, bone, time, out.data(), rest.data());
        return out;
    }
};

void expectEmpty(const Loaded& l, const char* name) {
    EXPECT_EQ(l.result, 0) << name;
    EXPECT_EQ(l.motion.arena, nullptr) << name;
    EXPECT_EQ(l.motion.actionCount, 0) << name;
    EXPECT_EQ(l.motion.boneCount, 0) << name;
    EXPECT_EQ(l.motion.frameTable, nullptr) << name;
    EXPECT_EQ(l.allocator.live, 0) << name << ": the arena went back";
    EXPECT_EQ(l.motion.allocator, &l.allocator.base) << name << ": the allocator is kept";
}

TEST(MotionArena, Layout) {
    struct Case {
        const char* name;
        uint16_t actions, bones;
        std::array<uint16_t, 8> kinds;
        uint32_t keyWords;
        m3d_MotionLayout expected;
    };
    const Case cases[] = {
        {"two actions of three tracks", 2, 3, {0, 0, 3, 0, 0, 2, 0, 0}, 44, {240, 0, 8, 40, 48, 152, 0}},
        {"odd key words round up", 1, 0, {}, 3, {4 + 4 + 4 + 8 + 8, 0, 4, 8, 12, 20, 0}},
        {"every kind's record size", 1, 7, {1, 5, 1, 1, 1, 1, 1, 0}, 0, {4 + 32 + 4 + 112, 0, 4, 36, 40, 152, 0}},
        {"no actions", 0, 9, {}, 0, {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        m3d_Motion m;
        m3d_initMotion(&m, nullptr);
        m.actionCount = c.actions;
        m.boneCount = c.bones;
        m3d_MotionLayout l;
        ASSERT_EQ(m3d_layoutMotionArena(&m, c.kinds.data(), c.keyWords, &l), 1) << c.name;
        EXPECT_EQ(l.total, c.expected.total) << c.name;
        EXPECT_EQ(l.trackRows, c.expected.trackRows) << c.name;
        EXPECT_EQ(l.frameTable, c.expected.frameTable) << c.name;
        EXPECT_EQ(l.nextRecord, c.expected.nextRecord) << c.name;
        EXPECT_EQ(l.nextKeys, c.expected.nextKeys) << c.name;
        EXPECT_EQ(l.actionTable, 0u) << c.name;
        EXPECT_EQ(l.keyWords, 0u) << c.name;
    }
}

// Sizes that wrap in 32 bits are refused before anything is allocated.
TEST(MotionArena, OversizedArenasAreRefused) {
    struct Case {
        const char* name;
        uint16_t actions, bones, c0;
        uint32_t keyWords;
    };
    const Case cases[] = {
        {"track rows of exactly 2^32 bytes", 0x8000, 0x7FFF, 0, 0},
        {"track rows past 2^32", 0xFFFF, 0xFFFF, 0, 0},
        {"key data of 2^33 bytes", 1, 1, 0, 0xFFFFFFFF},
        {"key data just past 2^31", 1, 1, 0, 0x40000000},
        {"rows past 2^31", 0x8000, 0x4000, 0, 0},
    };
    for (const Case& c : cases) {
        m3d_Motion m;
        m3d_initMotion(&m, nullptr);
        m.actionCount = c.actions;
        m.boneCount = c.bones;
        std::array<uint16_t, 8> kinds{c.c0};
        m3d_MotionLayout l;
        EXPECT_EQ(m3d_layoutMotionArena(&m, kinds.data(), c.keyWords, &l), 0) << c.name;
        EXPECT_EQ(l.total, 0u) << c.name;

        MotionFile f;
        f.actionCount = c.actions;
        f.boneCount = c.bones;
        f.keyWords = c.keyWords;
        Loaded loaded(f);
        expectEmpty(loaded, c.name);
        EXPECT_EQ(loaded.allocator.calls, 0) << c.name << ": nothing was allocated";
    }
}

TEST(MotionArena, ObjectLifeCycle) {
    TestAllocator allocator;
    m3d_Motion m;
    m3d_initMotion(&m, allocator.get());
    EXPECT_EQ(m.allocator, allocator.get());
    EXPECT_EQ(m3d_motionActionCount(&m), 0);
    EXPECT_EQ(m3d_motionFrameCount(&m, 0), 0) << "no frame table";
    m3d_releaseMotion(&m);
    EXPECT_EQ(allocator.calls, 0);
    EXPECT_EQ(m.allocator, nullptr) << "released: no allocator";
    EXPECT_EQ(m.arena, nullptr);

    EXPECT_FALSE(m3d_isMotionInUse(&m));
    m3d_takeRef(&m);
    EXPECT_TRUE(m3d_isMotionInUse(&m));
    m3d_dropRef(&m);
    m3d_dropRef(&m);
    EXPECT_EQ(m.refCount, 0) << "never below 0";
}

TEST(MotionLoad, ArmReadsBack) {
    for (uint32_t version : {4u, 5u}) {
        MotionFile f = e3t::armMotion();
        f.version = version;
        MotionAction second;  // a still action of kind-1 tracks and a constant pattern
        second.frames = 0;
        second.tracks = {MotionTrack{}, MotionTrack{}};
        second.pattern = {{0, 0x12345678}};
        f.actions.push_back(second);
        Loaded l(f);
        ASSERT_EQ(l.result, 1) << "version " << version;
        EXPECT_EQ(l.allocator.live, 1) << "one block";
        EXPECT_EQ(m3d_motionActionCount(&l.motion), 2);
        EXPECT_EQ(l.motion.boneCount, 2);
        EXPECT_EQ(m3d_motionFrameCount(&l.motion, 0), 10 << 16);
        EXPECT_EQ(m3d_motionFrameCount(&l.motion, 1), 0);
        EXPECT_EQ(m3d_motionFrameCount(&l.motion, -1), 0);
        EXPECT_EQ(m3d_motionFrameCount(&l.motion, 2), 0);
        EXPECT_EQ(m3d_motionActionCountEntry(&l.motion), 2);
        EXPECT_EQ(m3d_motionFrameCountEntry(&l.motion, 0), 10 << 16);

        // The arena is exactly what the header announced.
        const std::array<uint16_t, 8> kinds{0, 2, 1, 0, 0, 0, 1, 0};
        uint32_t keyWords = 4 * (1 + 2 + 2) + 2 + 4 * (2 + 1) + 2 * 2 + (version == 5 ? 3 * 3 : 0);
        m3d_MotionLayout layout;
        ASSERT_EQ(m3d_layoutMotionArena(&l.motion, kinds.data(), keyWords, &layout), 1);
        EXPECT_EQ(l.allocator.lastSize, layout.total);
        const uint8_t* base = (const uint8_t*)l.motion.arena;
        EXPECT_EQ(l.motion.actionTable[0], layout.trackRows);
        EXPECT_EQ(l.motion.actionTable[1], layout.trackRows + 12);
        const uint32_t* row0 = (const uint32_t*)(base + l.motion.actionTable[0]);
        const uint32_t* row1 = (const uint32_t*)(base + l.motion.actionTable[1]);
        EXPECT_EQ(row0[0], layout.nextRecord | 2u << 24) << "the first record";
        EXPECT_EQ(row0[1], (layout.nextRecord + 24) | 6u << 24) << "after the 24-byte kind-2 record";
        EXPECT_EQ(row1[0], 1u << 24) << "kind 1 has no record";
        EXPECT_EQ(row1[1], 1u << 24);
        if (version == 4) {
            EXPECT_EQ(row0[2], 0u) << "no pattern track";
            EXPECT_EQ(row1[2], 0u);
            EXPECT_EQ(m3d_motionPatternValue(&l.motion, 0, 0), 0u);
        } else {
            EXPECT_EQ(row0[2], layout.nextRecord + 24 + 20);
            EXPECT_EQ(m3d_motionPatternValue(&l.motion, 1, 0x50000), 0x12345678u);
        }
        const m3d_TrackKeyed* upper = (const m3d_TrackKeyed*)(base + (row0[0] & 0xFFFFFF));
        EXPECT_EQ(upper->translationCount, 1);
        EXPECT_EQ(upper->scaleCount, 2);
        EXPECT_EQ(upper->directionCount, 2);
        EXPECT_EQ(upper->rollCount, 1);
        EXPECT_EQ(upper->translationKeys, layout.nextKeys);
        const uint16_t* scale = (const uint16_t*)(base + upper->scaleKeys);
        EXPECT_EQ(upper->scaleKeys, layout.nextKeys + 8);
        EXPECT_EQ(scale[4], 10) << "second key's frame";
        EXPECT_EQ(scale[5], 8192);
    }
}

// Builds on the arm motion; each edit makes the file one the loader must refuse.
TEST(MotionLoad, RefusedFiles) {
    struct Case {
        const char* name;
        void (*edit)(MotionFile&);
        size_t cut = 0;  // bytes taken off the end
    };
    const Case cases[] = {
        {"version 1", [](MotionFile& f) { f.version = 1; }},
        {"version 2", [](MotionFile& f) { f.version = 2; }},
        {"version 3", [](MotionFile& f) { f.version = 3; }},
        {"version 6", [](MotionFile& f) { f.version = 6; }},
        {"magic", [](MotionFile& f) { f.magic = 0x4D54; }},
        {"kind byte 7", [](MotionFile& f) { f.actions[0].tracks[1].kind = 7; }},
        {"kind byte 0xFF", [](MotionFile& f) { f.actions[0].tracks[1].kind = 0xFF; }},
        {"frame count 0x8000", [](MotionFile& f) { f.actions[0].frames = 0x8000; }},
        {"first key at frame 1", [](MotionFile& f) { f.actions[0].tracks[0].scaleKeys[0].frame = 1; }},
        {"repeated frame", [](MotionFile& f) { f.actions[0].tracks[0].scaleKeys[1].frame = 0; }},
        {"falling frames",
         [](MotionFile& f) {
             f.actions[0].tracks[1].rollKeys = {{0, 0}, {6, 1}, {5, 2}};
         }},
        {"last frame past the action", [](MotionFile& f) { f.actions[0].tracks[1].rollKeys[1].frame = 11; }},
        {"empty key array", [](MotionFile& f) { f.actions[0].tracks[0].translationKeys.clear(); }},
        {"empty pattern track", [](MotionFile& f) { f.actions[0].pattern.clear(); }},
        {"pattern key past the action", [](MotionFile& f) { f.actions[0].pattern[1].frame = 12; }},
        {"kind counts below the tracks found", [](MotionFile& f) { f.kindCounts[2] = 0; }},
        {"kind counts above the tracks found", [](MotionFile& f) { f.kindCounts[6] = 2; }},
        {"an eighth kind announced", [](MotionFile& f) { f.kindCounts[7] = 1; }},
        {"key words above those found", [](MotionFile& f) { f.keyWords = 1000; }},
        {"key words below those found", [](MotionFile& f) { f.keyWords = 4; }},
        {"more actions than written", [](MotionFile& f) { f.actionCount = 2; }},
        {"more bones than written", [](MotionFile& f) { f.boneCount = 3; }},
        {"last byte missing", [](MotionFile&) {}, 1},
        {"header only",
         [](MotionFile& f) {
             f.actions.clear();
             f.actionCount = 1;
             f.boneCount = 2;
         }},
    };
    for (const Case& c : cases) {
        MotionFile f = e3t::armMotion();
        c.edit(f);
        std::vector<uint8_t> bytes = f.bytes();
        bytes.resize(bytes.size() - c.cut);
        Loaded l(bytes);
        expectEmpty(l, c.name);
    }
}

TEST(MotionLoad, RefusedHeaderCountsMatchedByTheBody) {
    // c2 = 1 while the body holds two kind-2 tracks: refused only after the whole body.
    MotionFile f;
    MotionAction a;
    a.frames = 0;
    MotionTrack t;
    t.kind = 2;
    t.translationKeys = t.scaleKeys = t.directionKeys = {{0, 0, 0, 0}};
    t.rollKeys = {{0, 0}};
    a.tracks = {t, t};
    f.actions = {a};
    f.version = 4;
    Loaded good(f);
    EXPECT_EQ(good.result, 1) << "a single key at frame 0 of a 0-frame action";
    f.kindCounts[2] = 1;
    f.kindCounts[0] = 1;  // room for the second record, counted under another kind
    Loaded bad(f);
    expectEmpty(bad, "c2 = 1 with two kind-2 tracks");
}

TEST(MotionLoad, FailuresEmptyTheMotion) {
    TestAllocator allocator;
    m3d_Motion m;
    m3d_initMotion(&m, allocator.get());
    EXPECT_EQ(m3d_loadMotion(&m, nullptr), 0) << "no stream";
    ByteStream good(e3t::armMotion().bytes());
    ASSERT_EQ(m3d_loadMotion(&m, good.get()), 1);
    ByteStream again(e3t::armMotion().bytes());
    ASSERT_EQ(m3d_loadMotion(&m, again.get()), 1) << "a reload frees the old arena first";
    EXPECT_EQ(allocator.live, 1);

    MotionFile broken = e3t::armMotion();
    broken.actions[0].tracks[1].kind = 9;
    ByteStream bad(broken.bytes());
    EXPECT_EQ(m3d_loadMotion(&m, bad.get()), 0);
    EXPECT_EQ(m.arena, nullptr) << "nothing of the old content is kept";
    EXPECT_EQ(m3d_motionActionCount(&m), 0);
    EXPECT_EQ(m3d_motionFrameCount(&m, 0), 0);
    EXPECT_EQ(allocator.live, 0);
    EXPECT_EQ(m.allocator, allocator.get());

    allocator.failAt = allocator.calls;
    ByteStream starved(e3t::armMotion().bytes());
    EXPECT_EQ(m3d_loadMotion(&m, starved.get()), 0) << "allocation fails";
    EXPECT_EQ(m.arena, nullptr);
    m3d_releaseMotion(&m);

    m3d_Motion orphan;
    m3d_initMotion(&orphan, nullptr);
    ByteStream s(e3t::armMotion().bytes());
    EXPECT_EQ(m3d_loadMotion(&orphan, s.get()), 0) << "no allocator";
}

TEST(MotionLoad, HeldModelReference) {
    TestAllocator allocator;
    m3d_Motion m;
    m3d_initMotion(&m, allocator.get());
    int32_t first[4] = {0}, second[4] = {0};  // stand-ins that begin with a count
    m3d_motionSetModel(&m, (m3d_Model*)first);
    EXPECT_EQ(first[0], 1);
    m3d_motionSetModel(&m, (m3d_Model*)first);
    EXPECT_EQ(first[0], 1) << "replacing by the same object keeps one reference";
    m3d_motionSetModel(&m, (m3d_Model*)second);
    EXPECT_EQ(first[0], 0);
    EXPECT_EQ(second[0], 1);
    MotionFile broken = e3t::armMotion();
    broken.version = 7;
    ByteStream bad(broken.bytes());
    EXPECT_EQ(m3d_loadMotion(&m, bad.get()), 0);
    EXPECT_EQ(m.model, (m3d_Model*)second) << "a failed load keeps the held reference, counted once";
    m3d_releaseMotion(&m);
    EXPECT_EQ(second[0], 0) << "release drops it";
    EXPECT_EQ(m.model, nullptr);
}

// The public entry poses the model the motion holds, and does nothing without one.
TEST(MotionLoad, ApplyToHeldModel) {
    Loaded l(e3t::armMotion());
    ASSERT_EQ(l.result, 1);
    TestAllocator allocator;
    m3d_Model model;
    m3d_initModel(&model, allocator.get());
    ByteStream s(e3t::armModel().bytes());
    ASSERT_EQ(m3d_loadModel(&model, s.get()), 1);
    m3d_motionApplyToModel(&l.motion, 0, 0xA0000);
    EXPECT_EQ(model.patternMask, 0u) << "no model held yet";
    m3d_motionSetModel(&l.motion, &model);
    m3d_motionApplyToModel(&l.motion, 0, 0xA0000);
    Mat upper;
    memcpy(upper.data(), model.local[0], sizeof model.local[0]);
    EXPECT_EQ(upper, rows({0, 0, 4096}, {0, 4096, 0}, {-8192, 0, 0}, {10, 20, 30}));
    EXPECT_EQ(model.patternMask, 9u);
    m3d_motionSetModel(&l.motion, nullptr);
    EXPECT_EQ(model.refCount, 0);
    m3d_releaseModel(&model);
    EXPECT_EQ(allocator.live, 0);
}

// The arm of the builder: exact poses at three frames and outside the motion.
TEST(MotionPose, ArmAtThreeFrames) {
    Loaded l(e3t::armMotion());
    ASSERT_EQ(l.result, 1);
    const Mat upperRest = rows({4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {10, 20, 30});
    const Mat foreRest = rows({4096, 0, 0}, {0, 0, -4096}, {0, 4096, 0}, {0, 0, 50});
    struct Case {
        const char* name;
        int32_t time;
        Mat upper, fore;
    };
    const Case cases[] = {
        // frame 0: the first keys; an identity track leaves the rest pose
        {"frame 0", 0, upperRest, foreRest},
        // frame 5: direction (2048, 0, 2048) normalises to (2896, 0, 2896); scale x is
        // 6144, so column 0 becomes r(2896 x 6144) = 4344. The forearm slides 50 and
        // rolls 512 (an eighth turn), both seen through its rest rotation about x.
        {"frame 5", 0x50000, rows({4344, 0, 2896}, {0, 4095, 0}, {-4344, 0, 2896}, {10, 20, 30}),
         rows({2896, -2896, 0}, {0, 0, -4096}, {2896, 2896, 0}, {0, -50, 50})},
        // frame 10: the upper arm points along x, stretched to 8192 in its own x
        {"frame 10", 0xA0000, rows({0, 0, 4096}, {0, 4096, 0}, {-8192, 0, 0}, {10, 20, 30}),
         rows({0, -4096, 0}, {0, 0, -4096}, {4096, 0, 0}, {0, -100, 50})},
        {"past the last key", 0x140000, rows({0, 0, 4096}, {0, 4096, 0}, {-8192, 0, 0}, {10, 20, 30}),
         rows({0, -4096, 0}, {0, 0, -4096}, {4096, 0, 0}, {0, -100, 50})},
        {"negative time", -0x50000, upperRest, foreRest},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(l.pose(0, 0, c.time, upperRest), c.upper) << c.name << ": upper arm";
        EXPECT_EQ(l.pose(0, 1, c.time, foreRest), c.fore) << c.name << ": forearm";
    }
    Mat inPlace = foreRest;
    m3d_evaluateTrack(&l.motion, 0, 1, 0x50000, inPlace.data(), inPlace.data());
    EXPECT_EQ(inPlace, cases[1].fore) << "the pose may overwrite the rest matrix";
}

TEST(MotionPose, EveryTrackKind) {
    MotionFile f;
    MotionAction a;
    a.frames = 10;
    MotionTrack fixed, rest, direction3, roll4, swing5, slide6;
    fixed.kind = 0;
    fixed.matrix = {100, 200, 300, 1, -100, 4096, 0, 2, 0, 0, 4096, 3};
    rest.kind = 1;
    direction3.kind = 3;
    direction3.translation = {1, 2, 3};
    direction3.directionKeys = {{0, 4096, 0, 0}};
    roll4.kind = 4;
    roll4.directionKeys = {{0, 0, 0, 4096}};
    roll4.rollKeys = {{0, 0}, {4, 1024}};
    swing5.kind = 5;
    swing5.directionKeys = {{0, 0, 0, 4096}, {10, 4096, 0, 0}};
    slide6.kind = 6;
    slide6.translationKeys = {{0, 0, 0, 0}, {3, 100, 0, 0}};
    slide6.directionKeys = {{0, 0, 0, 4096}};
    slide6.rollKeys = {{0, 0}};
    a.tracks = {fixed, rest, direction3, roll4, swing5, slide6};
    a.pattern = {{0, 5}, {4, 9}};
    f.actions = {a};
    Loaded l(f);
    ASSERT_EQ(l.result, 1);

    const Mat restPose = rows({4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {7, 8, 9});
    const Mat turned = rows({0, -4096, 0}, {4096, 0, 0}, {0, 0, 4096}, {1, 1, 1});
    struct Case {
        const char* name;
        int32_t bone, time;
        Mat rest, expected;
    };
    const Case cases[] = {
        {"fixed matrix", 0, 0x30000, restPose, rows({100, 200, 300}, {-100, 4096, 0}, {0, 0, 4096}, {8, 10, 12})},
        {"fixed matrix after a turned rest", 0, 0, turned,
         rows({100, -4096, 0}, {100, 200, 300}, {0, 0, 4096}, {-1, 2, 4})},
        {"rest pose", 1, 0x30000, turned, turned},
        {"direction along x with fixed translation", 2, 0, restPose,
         rows({0, 0, 4096}, {0, 4096, 0}, {-4096, 0, 0}, {8, 10, 12})},
        {"roll halfway to a quarter turn", 3, 0x20000, restPose,
         rows({2896, -2896, 0}, {2896, 2896, 0}, {0, 0, 4096}, {7, 8, 9})},
        {"direction halfway from z to x", 4, 0x50000, restPose,
         rows({2896, 0, 2896}, {0, 4095, 0}, {-2896, 0, 2896}, {7, 8, 9})},
        // scalar-like step: 100 over 3 frames at frame 1, u = 21845, 33
        {"translation a third of the way", 5, 0x10000, restPose,
         rows({4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}, {7 + 33, 8, 9})},
    };
    for (const Case& c : cases) EXPECT_EQ(l.pose(0, c.bone, c.time, c.rest), c.expected) << c.name;

    struct PatternCase {
        int32_t time;
        uint32_t value;
    };
    const PatternCase patterns[] = {{0, 5}, {0x3FFFF, 5}, {0x40000, 9}, {0xA0000, 9}, {0x7FFFFFFF, 9}, {-1, 5}};
    for (const PatternCase& p : patterns)
        EXPECT_EQ(m3d_motionPatternValue(&l.motion, 0, p.time), p.value) << "time " << p.time;
}

}  // namespace
