// Motions: skeletal animation held in one arena block per motion, the motion file loader,
// and the evaluation of a bone's pose and of the pattern value at a frame position.
//
// The arena's tables hold 32-bit offsets from the arena start where a 32-bit address would
// not fit: the action table, the track words and the key-array "pointers" of the track
// records are all offsets, so the layout keeps its byte sizes on a 64-bit host.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

struct m3d_Motion {
    int32_t refCount;
    m3d_Allocator* allocator;  // kept, never freed by the motion
    void* arena;
    uint16_t actionCount;
    uint16_t boneCount;     // tracks per action
    uint32_t* actionTable;  // per action: the offset of its track row
    int32_t* frameTable;    // per action: its length in frames, 16.16
    m3d_Model* model;       // held reference, dropped at release
};

enum : uint32_t {
    M3D_MOTION_MAGIC = 0x544D,
    M3D_TRACK_KINDS = 8,  // kinds 0..6 exist; the header counts an eighth that must be 0
    M3D_TRACK_OFFSET_MASK = 0xFFFFFF,
    M3D_TRACK_KIND_SHIFT = 24,
};

// Where the pieces of an arena go, and how far loading has placed records and keys.
struct m3d_MotionLayout {
    uint32_t total;
    uint32_t actionTable;
    uint32_t trackRows;
    uint32_t frameTable;
    uint32_t nextRecord;
    uint32_t nextKeys;
    uint32_t keyWords;
};
static_assert(sizeof(m3d_MotionLayout) == 28, "seven words");

// Track records as they lie in the arena; key offsets count from the arena start.
struct m3d_TrackFixed {  // kind 0
    int16_t m[12];
};
struct m3d_TrackKeyed {  // kind 2
    uint16_t translationCount, scaleCount, directionCount, rollCount;
    uint32_t translationKeys, scaleKeys, directionKeys, rollKeys;
};
struct m3d_TrackDirectionFixed {  // kind 3
    int16_t tx, ty, tz, roll;
    uint16_t directionCount;
    uint16_t unused;
    uint32_t directionKeys;
};
struct m3d_TrackDirectionRoll {  // kind 4
    uint16_t directionCount, rollCount;
    uint32_t directionKeys, rollKeys;
};
struct m3d_TrackDirection {  // kind 5, and the pattern track with pattern keys
    uint16_t count;
    uint16_t unused;
    uint32_t keys;
};
struct m3d_TrackMoving {  // kind 6
    uint16_t translationCount, directionCount, rollCount;
    uint16_t unused;
    uint32_t translationKeys, directionKeys, rollKeys;
};
static_assert(sizeof(m3d_TrackFixed) == 24 && sizeof(m3d_TrackKeyed) == 24, "track records");
static_assert(sizeof(m3d_TrackDirectionFixed) == 16 && offsetof(m3d_TrackDirectionFixed, directionKeys) == 12,
              "track records");
static_assert(sizeof(m3d_TrackDirectionRoll) == 12 && sizeof(m3d_TrackDirection) == 8, "track records");
static_assert(sizeof(m3d_TrackMoving) == 20 && offsetof(m3d_TrackMoving, translationKeys) == 8, "track records");

// Key forms, in 16-bit words: vector {frame, x, y, z}, scalar {frame, value},
// pattern {frame, low half, high half}.
enum : uint32_t { M3D_VECTOR_KEY_WORDS = 4, M3D_SCALAR_KEY_WORDS = 2, M3D_PATTERN_KEY_WORDS = 3 };

void m3d_initMotion(m3d_Motion* motion, m3d_Allocator* allocator);
void m3d_releaseMotion(m3d_Motion* motion);
void m3d_freeMotionArena(m3d_Motion* motion);
// Fills the layout from the motion's action and bone counts. Returns 0, and leaves the
// layout zero, when the arena would not fit in a 31-bit size.
int32_t m3d_layoutMotionArena(const m3d_Motion* motion, const uint16_t* kindCounts, uint32_t keyWords,
                              m3d_MotionLayout* out);
int32_t m3d_motionActionCount(const m3d_Motion* motion);
int32_t m3d_motionFrameCount(const m3d_Motion* motion, int32_t action);
bool m3d_isMotionInUse(const m3d_Motion* motion);

int32_t m3d_loadMotion(m3d_Motion* motion, m3d_InputStream* stream);

// The caller guarantees a loaded motion, action < action count and bone < bone count.
// pose may be rest.
void m3d_evaluateTrack(const m3d_Motion* motion, int32_t action, int32_t bone, int32_t time, int32_t* pose,
                       const int32_t* rest);
uint32_t m3d_motionPatternValue(const m3d_Motion* motion, int32_t action, int32_t time);

// Public entries: the two queries, and the model the motion holds.
int32_t m3d_motionActionCountEntry(const m3d_Motion* motion);
int32_t m3d_motionFrameCountEntry(const m3d_Motion* motion, int32_t action);
void m3d_motionSetModel(m3d_Motion* motion, m3d_Model* model);
// Poses the held model, when there is one, for the action at the time (16.16 frames).
void m3d_motionApplyToModel(m3d_Motion* motion, int32_t action, int32_t time);
