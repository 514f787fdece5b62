// Motion objects, the motion file loader and pose evaluation.
//
// The loader trusts no count of the file: the arena is sized from the header in 64-bit
// arithmetic and refused when it would not fit, every record and key array is placed at
// the next free place only after its end was checked against its part of the arena, and
// every key array is checked against its action's length before a pose can read it. So
// evaluation can follow the offsets of a loaded motion without checking them again.
#include "engine3d/m3d_motion.h"

#include <string.h>

#include "engine3d/m3d_context.h"
#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_matrix.h"
#include "engine3d/m3d_modelframe.h"

namespace {

// Offsets and sizes live in 32-bit words; keep them clear of the sign bit too.
const uint64_t kMaxArena = 0x7FFFFFFF;

// Record bytes per track kind (kind 1 has none) and of a pattern track.
const uint32_t kRecordBytes[7] = {24, 0, 24, 16, 12, 8, 20};
const uint32_t kPatternRecordBytes = 8;

uint64_t roundUp4(uint64_t v) { return (v + 3) & ~(uint64_t)3; }

// Keeps allocator, reference count and held model: only the loaded content goes.
void emptyMotion(m3d_Motion* motion) {
    m3d_freeMotionArena(motion);
    motion->arena = nullptr;
    motion->actionCount = 0;
    motion->boneCount = 0;
    motion->actionTable = nullptr;
    motion->frameTable = nullptr;
}

// A key array to check once the record it belongs to has been read.
struct KeyArray {
    uint16_t count;
    uint32_t offset;
    uint32_t words;
};

struct MotionLoader {
    m3d_Motion* motion;
    m3d_InputStream* stream;
    m3d_MotionLayout layout;
    uint8_t* base;
    uint32_t recordsEnd;  // where the key data begins
    uint32_t frames;      // length of the action being read
    KeyArray pending[4];
    int32_t pendingCount;

    uint32_t u8() { return stream->ops->readU8(stream); }
    uint32_t u16() { return stream->ops->readU16(stream); }
    int16_t s16() { return (int16_t)stream->ops->readU16(stream); }
    bool streamFailed() { return (stream->ops->error(stream) & 0xFF) != 0; }

    bool takeRecord(uint32_t bytes, uint32_t* offset) {
        uint64_t end = (uint64_t)layout.nextRecord + bytes;
        if (end > recordsEnd) return false;
        *offset = layout.nextRecord;
        layout.nextRecord = (uint32_t)end;
        memset(base + *offset, 0, bytes);
        return true;
    }

    // Reads a counted key array into the next key place.
    bool readKeys(uint32_t words, uint16_t* count, uint32_t* offset) {
        uint32_t n = u16();
        uint64_t end = (uint64_t)layout.nextKeys + 2ull * n * words;
        if (end > layout.total) return false;
        uint16_t* keys = (uint16_t*)(base + layout.nextKeys);
        for (uint32_t i = 0; i < n * words; i++) keys[i] = (uint16_t)u16();
        *count = (uint16_t)n;
        *offset = layout.nextKeys;
        layout.nextKeys = (uint32_t)end;
        layout.keyWords += n * words;
        pending[pendingCount++] = {(uint16_t)n, *offset, words};
        return true;
    }

    // At least one key, the first at frame 0, frames rising strictly, none past the end.
    bool keysValid(const KeyArray& a) const {
        const uint16_t* keys = (const uint16_t*)(base + a.offset);
        if (a.count == 0 || keys[0] != 0) return false;
        for (uint32_t k = 1; k < a.count; k++)
            if (keys[k * a.words] <= keys[(k - 1) * a.words]) return false;
        return keys[(a.count - 1) * a.words] <= frames;
    }

    bool finishRecord() {
        if (streamFailed()) return false;
        for (int32_t i = 0; i < pendingCount; i++)
            if (!keysValid(pending[i])) return false;
        return true;
    }

    bool readTrack(uint32_t kind, uint32_t* offset) {
        *offset = 0;
        if (kind == 1) return true;
        if (!takeRecord(kRecordBytes[kind], offset)) return false;
        void* record = base + *offset;
        pendingCount = 0;
        bool placed = true;
        switch (kind) {
            case 0: {
                m3d_TrackFixed* t = (m3d_TrackFixed*)record;
                for (int i = 0; i < 12; i++) t->m[i] = s16();
                break;
            }
            case 2: {
                m3d_TrackKeyed* t = (m3d_TrackKeyed*)record;
                placed = readKeys(M3D_VECTOR_KEY_WORDS, &t->translationCount, &t->translationKeys) &&
                         readKeys(M3D_VECTOR_KEY_WORDS, &t->scaleCount, &t->scaleKeys) &&
                         readKeys(M3D_VECTOR_KEY_WORDS, &t->directionCount, &t->directionKeys) &&
                         readKeys(M3D_SCALAR_KEY_WORDS, &t->rollCount, &t->rollKeys);
                break;
            }
            case 3: {
                m3d_TrackDirectionFixed* t = (m3d_TrackDirectionFixed*)record;
                t->tx = s16();
                t->ty = s16();
                t->tz = s16();
                placed = readKeys(M3D_VECTOR_KEY_WORDS, &t->directionCount, &t->directionKeys);
                t->roll = s16();
                break;
            }
            case 4: {
                m3d_TrackDirectionRoll* t = (m3d_TrackDirectionRoll*)record;
                placed = readKeys(M3D_VECTOR_KEY_WORDS, &t->directionCount, &t->directionKeys) &&
                         readKeys(M3D_SCALAR_KEY_WORDS, &t->rollCount, &t->rollKeys);
                break;
            }
            case 5: {
                m3d_TrackDirection* t = (m3d_TrackDirection*)record;
                placed = readKeys(M3D_VECTOR_KEY_WORDS, &t->count, &t->keys);
                break;
            }
            default: {  // 6
                m3d_TrackMoving* t = (m3d_TrackMoving*)record;
                placed = readKeys(M3D_VECTOR_KEY_WORDS, &t->translationCount, &t->translationKeys) &&
                         readKeys(M3D_VECTOR_KEY_WORDS, &t->directionCount, &t->directionKeys) &&
                         readKeys(M3D_SCALAR_KEY_WORDS, &t->rollCount, &t->rollKeys);
                break;
            }
        }
        return placed && finishRecord();
    }

    bool readPatternTrack(uint32_t* offset) {
        if (!takeRecord(kPatternRecordBytes, offset)) return false;
        m3d_TrackDirection* t = (m3d_TrackDirection*)(base + *offset);
        pendingCount = 0;
        return readKeys(M3D_PATTERN_KEY_WORDS, &t->count, &t->keys) && finishRecord();
    }

    bool readBody(uint32_t version, const uint16_t* announced, uint32_t keyWords) {
        uint32_t actions = motion->actionCount, bones = motion->boneCount;
        uint32_t found[M3D_TRACK_KINDS] = {};
        for (uint32_t a = 0; a < actions; a++) {
            uint32_t rowOffset = layout.trackRows + 4 * (bones + 1) * a;
            motion->actionTable[a] = rowOffset;
            uint32_t* row = (uint32_t*)(base + rowOffset);
            frames = u16();
            if (streamFailed() || frames >= 0x8000) return false;
            motion->frameTable[a] = (int32_t)(frames << 16);
            for (uint32_t b = 0; b < bones; b++) {
                uint32_t kind = u8();
                uint32_t offset;
                if (streamFailed() || kind > 6 || !readTrack(kind, &offset)) return false;
                found[kind]++;
                if (offset > M3D_TRACK_OFFSET_MASK) return false;
                row[b] = offset | kind << M3D_TRACK_KIND_SHIFT;
            }
            uint32_t pattern = 0;
            if (version == 5 && !readPatternTrack(&pattern)) return false;
            row[bones] = pattern;
        }
        if (streamFailed()) return false;
        for (uint32_t k = 0; k < M3D_TRACK_KINDS; k++)
            if (found[k] != announced[k]) return false;
        return layout.keyWords == keyWords;
    }
};

// Bounds rule for a piece [start, start + bytes) of an arena of total bytes.
bool pieceFits(uint32_t start, uint64_t bytes, uint32_t total) { return start + bytes <= total; }

// Key search and interpolation of n components of keys `words` words long.
void interpolateKeys(const uint16_t* keys, uint32_t count, uint32_t words, int32_t time, int32_t* out, int n) {
    uint32_t t = (uint32_t)time;
    uint32_t f = t >> 16;
    uint32_t k = 1;
    while (k < count && keys[k * words] <= f) k++;
    if (k >= count) {
        const uint16_t* last = keys + (count - 1) * words;
        for (int i = 0; i < n; i++) out[i] = (int16_t)last[1 + i];
        return;
    }
    const uint16_t* k0 = keys + (k - 1) * words;
    const uint16_t* k1 = keys + k * words;
    uint32_t u = (t - ((uint32_t)k0[0] << 16)) / (uint32_t)(k1[0] - k0[0]);
    for (int i = 0; i < n; i++) {
        int32_t v0 = (int16_t)k0[1 + i], v1 = (int16_t)k1[1 + i];
        int32_t step = (int32_t)((uint32_t)(v1 - v0) * u + 32768u);
        out[i] = v0 + (step >> 16);
    }
}

const uint16_t* keysAt(const m3d_Motion* motion, uint32_t offset) {
    return (const uint16_t*)((const uint8_t*)motion->arena + offset);
}

void vectorAt(const m3d_Motion* m, uint16_t count, uint32_t offset, int32_t time, int32_t* out) {
    interpolateKeys(keysAt(m, offset), count, M3D_VECTOR_KEY_WORDS, time, out, 3);
}

void directionAt(const m3d_Motion* m, uint16_t count, uint32_t offset, int32_t time, int32_t* out) {
    int32_t d[3];
    vectorAt(m, count, offset, time, d);
    m3d_normalize(out, d);
}

int32_t scalarAt(const m3d_Motion* m, uint16_t count, uint32_t offset, int32_t time) {
    int32_t v;
    interpolateKeys(keysAt(m, offset), count, M3D_SCALAR_KEY_WORDS, time, &v, 1);
    return v;
}

void setTranslation(int32_t* m, int32_t x, int32_t y, int32_t z) {
    m[3] = x;
    m[7] = y;
    m[11] = z;
}

}  // namespace

void m3d_initMotion(m3d_Motion* motion, m3d_Allocator* allocator) {
    memset(motion, 0, sizeof *motion);
    motion->allocator = allocator;
}

void m3d_releaseMotion(m3d_Motion* motion) {
    m3d_dropRef(motion->model);
    motion->model = nullptr;
    m3d_freeMotionArena(motion);
    m3d_initMotion(motion, nullptr);
}

void m3d_freeMotionArena(m3d_Motion* motion) {
    if (motion->arena != nullptr && motion->allocator != nullptr)
        motion->allocator->ops->free(motion->allocator, motion->arena);
}

int32_t m3d_layoutMotionArena(const m3d_Motion* motion, const uint16_t* c, uint32_t keyWords, m3d_MotionLayout* out) {
    uint64_t actions = motion->actionCount, bones = motion->boneCount;
    uint64_t rows = 4 * actions;
    uint64_t frameTable = rows + 4 * (bones + 1) * actions;
    uint64_t records = frameTable + 4 * actions;
    uint64_t recordBytes = 12 * (2 * (uint64_t)c[0] + 2 * (uint64_t)c[2] + c[4]) +
                           8 * (2 * (uint64_t)c[3] + c[5] + actions) + 20 * (uint64_t)c[6];
    uint64_t keys = records + recordBytes;
    uint64_t total = keys + roundUp4(2 * (uint64_t)keyWords);
    memset(out, 0, sizeof *out);
    if (total > kMaxArena) return M3D_FAILURE;
    out->total = (uint32_t)total;
    out->actionTable = 0;
    out->trackRows = (uint32_t)rows;
    out->frameTable = (uint32_t)frameTable;
    out->nextRecord = (uint32_t)records;
    out->nextKeys = (uint32_t)keys;
    out->keyWords = 0;
    return M3D_SUCCESS;
}

int32_t m3d_motionActionCount(const m3d_Motion* motion) { return motion->actionCount; }

int32_t m3d_motionFrameCount(const m3d_Motion* motion, int32_t action) {
    if (motion->frameTable == nullptr || action < 0 || action >= motion->actionCount) return 0;
    return motion->frameTable[action];
}

bool m3d_isMotionInUse(const m3d_Motion* motion) { return motion->refCount != 0; }

int32_t m3d_loadMotion(m3d_Motion* motion, m3d_InputStream* stream) {
    emptyMotion(motion);
    if (stream == nullptr || motion->allocator == nullptr) return M3D_FAILURE;
    MotionLoader l{};
    l.motion = motion;
    l.stream = stream;
    uint32_t magic = l.u16();
    uint32_t version = l.u16();
    uint16_t actions = (uint16_t)l.u16();
    uint16_t bones = (uint16_t)l.u16();
    uint16_t announced[M3D_TRACK_KINDS];
    for (uint16_t& c : announced) c = (uint16_t)l.u16();
    uint32_t keyWords = stream->ops->readU32(stream);
    if (l.streamFailed() || magic != M3D_MOTION_MAGIC || (version != 4 && version != 5)) return M3D_FAILURE;

    motion->actionCount = actions;
    motion->boneCount = bones;
    if (!m3d_layoutMotionArena(motion, announced, keyWords, &l.layout)) {
        emptyMotion(motion);
        return M3D_FAILURE;
    }
    m3d_MotionLayout& layout = l.layout;
    motion->arena = motion->allocator->ops->allocate(motion->allocator, layout.total);
    if (motion->arena == nullptr) {
        emptyMotion(motion);
        return M3D_FAILURE;
    }
    // Not cleared as a whole: every byte a loaded motion reads is written while placing it.
    l.base = (uint8_t*)motion->arena;
    l.recordsEnd = layout.nextKeys;
    if (!pieceFits(layout.actionTable, 4ull * actions, layout.total) ||
        !pieceFits(layout.trackRows, 4ull * (bones + 1) * actions, layout.total) ||
        !pieceFits(layout.frameTable, 4ull * actions, layout.total)) {
        emptyMotion(motion);
        return M3D_FAILURE;
    }
    motion->actionTable = (uint32_t*)(l.base + layout.actionTable);
    motion->frameTable = (int32_t*)(l.base + layout.frameTable);
    if (!l.readBody(version, announced, keyWords)) {
        emptyMotion(motion);
        return M3D_FAILURE;
    }
    return M3D_SUCCESS;
}

void m3d_evaluateTrack(const m3d_Motion* motion, int32_t action, int32_t bone, int32_t time, int32_t* pose,
                       const int32_t* rest) {
    if (time < 0) time = 0;
    const uint8_t* base = (const uint8_t*)motion->arena;
    const uint32_t* row = (const uint32_t*)(base + motion->actionTable[action]);
    uint32_t word = row[bone];
    const void* record = base + (word & M3D_TRACK_OFFSET_MASK);
    int32_t m[12] = {};
    int32_t d[3];
    switch (word >> M3D_TRACK_KIND_SHIFT) {
        case 0: {
            const m3d_TrackFixed* t = (const m3d_TrackFixed*)record;
            for (int i = 0; i < 12; i++) m[i] = t->m[i];
            break;
        }
        case 1:
            memmove(pose, rest, 12 * sizeof(int32_t));
            return;
        case 2: {
            const m3d_TrackKeyed* t = (const m3d_TrackKeyed*)record;
            int32_t translation[3], scale[3];
            vectorAt(motion, t->translationCount, t->translationKeys, time, translation);
            vectorAt(motion, t->scaleCount, t->scaleKeys, time, scale);
            directionAt(motion, t->directionCount, t->directionKeys, time, d);
            m3d_matDirectionRollScale(m, scale, d, scalarAt(motion, t->rollCount, t->rollKeys, time));
            setTranslation(m, translation[0], translation[1], translation[2]);
            break;
        }
        case 3: {
            const m3d_TrackDirectionFixed* t = (const m3d_TrackDirectionFixed*)record;
            directionAt(motion, t->directionCount, t->directionKeys, time, d);
            m3d_matDirectionRoll(m, d, t->roll);
            setTranslation(m, t->tx, t->ty, t->tz);
            break;
        }
        case 4: {
            const m3d_TrackDirectionRoll* t = (const m3d_TrackDirectionRoll*)record;
            directionAt(motion, t->directionCount, t->directionKeys, time, d);
            m3d_matDirectionRoll(m, d, scalarAt(motion, t->rollCount, t->rollKeys, time));
            break;
        }
        case 5: {
            const m3d_TrackDirection* t = (const m3d_TrackDirection*)record;
            directionAt(motion, t->count, t->keys, time, d);
            m3d_matDirectionRoll(m, d, 0);
            break;
        }
        default: {  // 6
            const m3d_TrackMoving* t = (const m3d_TrackMoving*)record;
            int32_t translation[3];
            vectorAt(motion, t->translationCount, t->translationKeys, time, translation);
            directionAt(motion, t->directionCount, t->directionKeys, time, d);
            m3d_matDirectionRoll(m, d, scalarAt(motion, t->rollCount, t->rollKeys, time));
            setTranslation(m, translation[0], translation[1], translation[2]);
            break;
        }
    }
    m3d_matMul(pose, rest, m);
}

uint32_t m3d_motionPatternValue(const m3d_Motion* motion, int32_t action, int32_t time) {
    const uint8_t* base = (const uint8_t*)motion->arena;
    const uint32_t* row = (const uint32_t*)(base + motion->actionTable[action]);
    uint32_t offset = row[motion->boneCount];
    if (offset == 0) return 0;
    const m3d_TrackDirection* t = (const m3d_TrackDirection*)(base + offset);
    const uint16_t* keys = keysAt(motion, t->keys);
    uint32_t f = (uint32_t)(time < 0 ? 0 : time) >> 16;
    uint32_t k = 1;
    while (k < t->count && keys[k * M3D_PATTERN_KEY_WORDS] <= f) k++;
    const uint16_t* key = keys + (k - 1) * M3D_PATTERN_KEY_WORDS;
    return key[1] | (uint32_t)key[2] << 16;
}

int32_t m3d_motionActionCountEntry(const m3d_Motion* motion) { return m3d_motionActionCount(motion); }

int32_t m3d_motionFrameCountEntry(const m3d_Motion* motion, int32_t action) {
    return m3d_motionFrameCount(motion, action);
}

void m3d_motionSetModel(m3d_Motion* motion, m3d_Model* model) {
    m3d_takeRef(model);
    m3d_dropRef(motion->model);
    motion->model = model;
}

void m3d_motionApplyToModel(m3d_Motion* motion, int32_t action, int32_t time) {
    if (motion->model != nullptr) m3d_applyMotion(motion->model, motion, action, time);
}
