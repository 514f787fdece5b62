// The model file loader. Every count of the header is bounded before the arena is sized,
// every index, material and flag set is checked as it is read, bit fields wider than a
// word are refused, and a stream error at the end of any section fails the load. A model
// is either fully loaded or empty: every failure frees the arena.
#include "engine3d/m3d_model.h"

#include <string.h>

#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_texture.h"

namespace {

const int32_t kRecordBytes[M3D_GROUPS] = {10, 12, 14, 18};
const uint32_t kBaseRenderWord[M3D_GROUPS] = {0x6000, 0xE000, 0x4000, 0xC000};
const int32_t kCorners[M3D_GROUPS] = {3, 4, 3, 4};
const uint32_t kMaxBitWidth = 32;
const int32_t kRampSteps = 32;

// Flag bits a file may set, by polygon format.
const uint32_t kPlainTriangleFlags = 0x6;
const uint32_t kPlainQuadFlags = 0x7;
const uint32_t kPackedFlags = 0x77;
const uint32_t kFlatForbiddenFlags = 0x7E04;
const uint32_t kTexturedFlags = 0x3F7;

uint64_t roundUp4(uint64_t v) { return (v + 3) & ~(uint64_t)3; }

// Values of up to 32 bits taken lowest bit first from the stream's bytes.
struct BitReader {
    m3d_InputStream* stream;
    uint64_t bits;
    uint32_t have;

    explicit BitReader(m3d_InputStream* s) : stream(s), bits(0), have(0) {}
    uint32_t take(uint32_t n) {
        while (have < n) {
            bits |= (uint64_t)(stream->ops->readU8(stream) & 0xFF) << have;
            have += 8;
        }
        uint32_t v = (uint32_t)(bits & ((1ull << n) - 1));
        bits >>= n;
        have -= n;
        return v;
    }
    int32_t takeSigned(uint32_t n) {
        uint32_t v = take(n);
        if (n > 0 && n < 32 && (v >> (n - 1)) & 1) v |= ~0u << n;
        return (int32_t)v;
    }
};

struct ModelHeader {
    uint32_t version;
    uint32_t vertexFormat, normalFormat, polygonFormat, boneFormat;
    uint32_t vertexCount, boneCount;
    uint32_t groupCount[M3D_GROUPS];
    uint32_t textureCount, patternCount, materialCount;
};

// Byte offsets of the arena's pieces, in the order they are laid out.
struct ModelLayout {
    uint64_t vertices, normals, records[M3D_GROUPS], runs[M3D_GROUPS], bones, chain, world, local, ramps, total;
};

uint32_t runEntries(const ModelHeader& h, int32_t group) {
    return group < M3D_GROUP_TEXTURED_TRIANGLES ? h.patternCount + 1 : h.patternCount * h.textureCount + 1;
}

ModelLayout layoutModel(const ModelHeader& h) {
    ModelLayout l;
    uint64_t at = 0;
    auto place = [&at](uint64_t bytes) {
        uint64_t start = at;
        at += roundUp4(bytes);
        return start;
    };
    uint64_t v = h.vertexCount, b = h.boneCount;
    l.vertices = place(6 * v);
    l.normals = place(h.normalFormat != 0 ? 3 * (v + 1) : 0);
    for (int32_t g = 0; g < M3D_GROUPS; g++) l.records[g] = place((uint64_t)kRecordBytes[g] * h.groupCount[g]);
    for (int32_t g = 0; g < M3D_GROUPS; g++) l.runs[g] = place(4 * (uint64_t)runEntries(h, g) + 3);
    l.bones = place(sizeof(m3d_ModelBone) * b);
    l.chain = place(4 * b);
    l.world = place(48 * b);
    l.local = place(48 * b);
    l.ramps = place(2 * kRampSteps * (uint64_t)h.materialCount);
    l.total = at;
    return l;
}

void put16(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

// Render words from the flag fields of each polygon format.
uint32_t when(uint32_t flags, uint32_t flag, uint32_t renderBit) { return (flags & flag) != 0 ? renderBit : 0; }

uint32_t plainRenderBits(uint32_t f) { return when(f, 2, M3D_RW_TRANSPARENT) | when(f, 4, M3D_RW_DOUBLE_SIDED); }

uint32_t packedRenderBits(uint32_t f) {
    return when(f, 1, M3D_RW_TRANSPARENT) | (f & M3D_RW_BLEND_MASK) | when(f, 0x10, M3D_RW_DOUBLE_SIDED) |
           when(f, 0x20, M3D_RW_LIT) | when(f, 0x40, M3D_RW_ENVIRONMENT);
}

uint32_t flatRenderBits(uint32_t f) {
    return (f & 3) << M3D_RW_BLEND_SHIFT | when(f, 0x08, M3D_RW_DOUBLE_SIDED) | when(f, 0x10, M3D_RW_LIT) |
           when(f, 0x20, M3D_RW_ENVIRONMENT) | when(f, 0x40, M3D_RW_FLAT_SHADING) |
           ((f & 0x100) != 0 ? M3D_RW_DEPTH_FARTHEST : when(f, 0x80, M3D_RW_DEPTH_NEAREST));
}

uint32_t texturedRenderBits(uint32_t f) {
    return when(f, 1, M3D_RW_TRANSPARENT) | (f & M3D_RW_BLEND_MASK) | when(f, 0x10, M3D_RW_DOUBLE_SIDED) |
           when(f, 0x20, M3D_RW_LIT) | when(f, 0x40, M3D_RW_ENVIRONMENT) | when(f, 0x80, M3D_RW_FLAT_SHADING) |
           ((f & 0x200) != 0 ? M3D_RW_DEPTH_FARTHEST : when(f, 0x100, M3D_RW_DEPTH_NEAREST));
}

// One polygon as read, before it is stored in its group.
struct Polygon {
    uint32_t flags;
    uint32_t vertex[4];
    uint32_t extra[8];  // a material, or texture coordinates
};

struct ModelLoader {
    m3d_Model* model;
    m3d_InputStream* stream;
    ModelHeader h;

    uint32_t u8() { return stream->ops->readU8(stream) & 0xFF; }
    uint32_t u16() { return stream->ops->readU16(stream) & 0xFFFF; }
    int32_t s16() { return (int16_t)stream->ops->readU16(stream); }
    bool streamFailed() { return (stream->ops->error(stream) & 0xFF) != 0; }

    bool readHeader() {
        h.version = u16();
        if (streamFailed() || h.version < 3 || h.version > 5) return false;
        if (h.version == 3) {
            h.vertexFormat = 1, h.normalFormat = 0, h.polygonFormat = 1, h.boneFormat = 1;
        } else {
            h.vertexFormat = u8();
            h.normalFormat = u8();
            h.polygonFormat = u8();
            h.boneFormat = u8();
        }
        h.vertexCount = u16();
        h.groupCount[M3D_GROUP_TEXTURED_TRIANGLES] = u16();
        h.groupCount[M3D_GROUP_TEXTURED_QUADS] = u16();
        h.boneCount = u16();
        if (h.polygonFormat == 3) {
            h.groupCount[M3D_GROUP_FLAT_TRIANGLES] = u16();
            h.groupCount[M3D_GROUP_FLAT_QUADS] = u16();
            h.textureCount = u16();
            h.patternCount = u16();
            h.materialCount = u16();
        } else {
            h.textureCount = 1, h.patternCount = 1, h.materialCount = 0;
        }
        if (streamFailed() || h.vertexCount > M3D_MODEL_MAX_VERTICES || h.textureCount > M3D_MODEL_MAX_TEXTURES ||
            h.patternCount > M3D_MODEL_MAX_PATTERNS || h.materialCount > M3D_MODEL_MAX_MATERIALS)
            return false;
        // The frame always queues pattern 0, and textured polygons need a texture run.
        uint32_t textured = h.groupCount[M3D_GROUP_TEXTURED_TRIANGLES] + h.groupCount[M3D_GROUP_TEXTURED_QUADS];
        if (h.patternCount == 0 || (h.textureCount == 0 && textured > 0)) return false;
        return h.normalFormat <= 2;
    }

    void layArena(const ModelLayout& l) {
        uint8_t* base = (uint8_t*)model->arena;
        model->vertexCount = (int32_t)h.vertexCount;
        model->vertices = (int16_t*)(base + l.vertices);
        model->normals = h.normalFormat != 0 ? (int8_t*)(base + l.normals) : nullptr;
        model->textureCount = (int32_t)h.textureCount;
        model->patternCount = (int32_t)h.patternCount;
        model->materialCount = (int32_t)h.materialCount;
        for (int32_t g = 0; g < M3D_GROUPS; g++) {
            model->groups[g].runs = (uint32_t*)(base + l.runs[g]);
            model->groups[g].count = (int32_t)h.groupCount[g];
            model->groups[g].records = base + l.records[g];
            model->groups[g].recordSize = kRecordBytes[g];
        }
        model->boneCount = (int32_t)h.boneCount;
        model->bones = (m3d_ModelBone*)(base + l.bones);
        model->chain = (int32_t*)(base + l.chain);
        model->world = (int32_t(*)[12])(base + l.world);
        model->local = (int32_t(*)[12])(base + l.local);
        if (h.materialCount > 0)
            m3d_wrapTexture(&model->materialRamps, base + l.ramps, kRampSteps, kRampSteps, (int32_t)h.materialCount,
                            M3D_FORMAT_COLOR16);
    }

    bool readRunTables() {
        uint32_t* runs[M3D_GROUPS];
        for (int32_t g = 0; g < M3D_GROUPS; g++) runs[g] = model->groups[g].runs;
        uint32_t p = h.patternCount, t = h.textureCount;
        if (h.version < 5) {
            // One run per group holds all its polygons; the others are empty.
            for (int32_t g = 0; g < M3D_GROUPS; g++) {
                runs[g][0] = 0;
                for (uint32_t k = 1; k < runEntries(h, g); k++) runs[g][k] = h.groupCount[g];
            }
            return true;
        }
        for (int32_t g = 0; g < M3D_GROUPS; g++) runs[g][0] = 0;
        for (uint32_t i = 0; i < p; i++) {
            runs[M3D_GROUP_FLAT_TRIANGLES][i + 1] = runs[M3D_GROUP_FLAT_TRIANGLES][i] + u16();
            runs[M3D_GROUP_FLAT_QUADS][i + 1] = runs[M3D_GROUP_FLAT_QUADS][i] + u16();
            for (uint32_t j = 0; j < t; j++) {
                uint32_t k = i * t + j;
                runs[M3D_GROUP_TEXTURED_TRIANGLES][k + 1] = runs[M3D_GROUP_TEXTURED_TRIANGLES][k] + u16();
                runs[M3D_GROUP_TEXTURED_QUADS][k + 1] = runs[M3D_GROUP_TEXTURED_QUADS][k] + u16();
            }
        }
        if (streamFailed()) return false;
        // Running sums of counts are ascending, so equal totals keep every run in its group.
        for (int32_t g = 0; g < M3D_GROUPS; g++)
            if (runs[g][runEntries(h, g) - 1] != h.groupCount[g]) return false;
        return true;
    }

    bool readVertices() {
        int16_t* out = model->vertices;
        uint32_t count = h.vertexCount;
        if (h.vertexFormat == 1) {
            for (uint32_t i = 0; i < 3 * count; i++) out[i] = (int16_t)s16();
        } else if (h.vertexFormat == 2) {
            static const uint32_t kWidths[4] = {8, 10, 13, 16};
            BitReader bits(stream);
            uint32_t done = 0;
            while (done < count) {
                uint32_t header = bits.take(8);
                uint32_t n = (header & 63) + 1, width = kWidths[(header >> 6) & 3];
                if (n > count - done || streamFailed()) return false;
                for (uint32_t i = 0; i < 3 * n; i++) out[3 * done + i] = (int16_t)bits.takeSigned(width);
                done += n;
            }
        } else {
            return false;
        }
        return !streamFailed();
    }

    bool readNormals() {
        int8_t* out = model->normals;
        uint32_t count = h.vertexCount;
        if (h.normalFormat == 0) return true;
        if (h.normalFormat == 1) {
            for (uint32_t i = 0; i < 3 * count; i++) out[i] = (int8_t)((s16() + 32) >> 6);
            return !streamFailed();
        }
        static const int8_t kAxes[6][3] = {{64, 0, 0}, {0, 64, 0}, {0, 0, 64}, {-64, 0, 0}, {0, -64, 0}, {0, 0, -64}};
        BitReader bits(stream);
        for (uint32_t i = 0; i < count; i++, out += 3) {
            uint32_t x = bits.take(7);
            if (x == 64) {
                uint32_t axis = bits.take(3);
                if (axis > 5) return false;
                memcpy(out, kAxes[axis], 3);
                continue;
            }
            int32_t sx = (int32_t)(x & 64 ? x | ~0x7Fu : x);
            int32_t sy = bits.takeSigned(7);
            uint32_t negative = bits.take(1);
            // x and y may describe more than unit length: such a normal lies in the plane.
            int32_t radicand = 4096 - sx * sx - sy * sy;
            int32_t z = m3d_isqrt(radicand > 0 ? (uint32_t)radicand : 0);
            out[0] = (int8_t)sx;
            out[1] = (int8_t)sy;
            out[2] = (int8_t)(negative ? -z : z);
        }
        return !streamFailed();
    }

    bool indexesValid(const Polygon& p, int32_t group) const {
        for (int32_t i = 0; i < kCorners[group]; i++)
            if (p.vertex[i] >= h.vertexCount) return false;
        return true;
    }

    void store(int32_t group, uint32_t index, uint32_t renderBits, const Polygon& p) {
        const m3d_PolygonGroup& g = model->groups[group];
        uint8_t* r = (uint8_t*)g.records + (size_t)index * (size_t)g.recordSize;
        put16(r, kBaseRenderWord[group] | renderBits);
        for (int32_t i = 0; i < kCorners[group]; i++) put16(r + 2 + 2 * i, p.vertex[i]);
        uint8_t* extra = r + 2 + 2 * kCorners[group];
        if (group < M3D_GROUP_TEXTURED_TRIANGLES) {
            extra[0] = (uint8_t)p.extra[0];
            extra[1] = 0;
        } else {
            for (int32_t i = 0; i < 2 * kCorners[group]; i++) extra[i] = (uint8_t)p.extra[i];
        }
    }

    bool readPlainPolygons() {
        for (int32_t group = M3D_GROUP_TEXTURED_TRIANGLES; group < M3D_GROUPS; group++) {
            bool quad = group == M3D_GROUP_TEXTURED_QUADS;
            for (uint32_t n = 0; n < h.groupCount[group]; n++) {
                Polygon p;
                p.flags = u16();
                for (int32_t i = 0; i < kCorners[group]; i++) p.vertex[i] = u16();
                for (int32_t i = 0; i < 2 * kCorners[group]; i++) p.extra[i] = u8();
                bool flagsValid = quad ? (p.flags & ~kPlainQuadFlags) == 0 && (p.flags & 1) != 0
                                       : (p.flags & ~kPlainTriangleFlags) == 0;
                if (!flagsValid || !indexesValid(p, group)) return false;
                store(group, n, plainRenderBits(p.flags), p);
            }
        }
        return !streamFailed();
    }

    // Widths come from the file; a field is at most one word wide.
    static bool widthsValid(const uint32_t* widths, int32_t count, uint32_t least) {
        for (int32_t i = 0; i < count; i++)
            if (widths[i] < least || widths[i] > kMaxBitWidth) return false;
        return true;
    }

    bool readPackedTextured(BitReader& bits, uint32_t coordinateWidth, uint32_t allowed,
                            uint32_t (*renderBits)(uint32_t), uint32_t flagWidth, uint32_t indexWidth) {
        for (int32_t group = M3D_GROUP_TEXTURED_TRIANGLES; group < M3D_GROUPS; group++) {
            for (uint32_t n = 0; n < h.groupCount[group]; n++) {
                Polygon p;
                p.flags = bits.take(flagWidth);
                for (int32_t i = 0; i < kCorners[group]; i++) p.vertex[i] = bits.take(indexWidth);
                for (int32_t i = 0; i < 2 * kCorners[group]; i++) p.extra[i] = bits.take(coordinateWidth);
                if ((p.flags & ~allowed) != 0 || !indexesValid(p, group)) return false;
                store(group, n, renderBits(p.flags), p);
            }
        }
        return !streamFailed();
    }

    bool readPolygonFormat2() {
        BitReader bits(stream);
        uint32_t widths[2] = {bits.take(8), bits.take(8)};  // flags, indexes
        if (!widthsValid(widths, 2, 0)) return false;
        return readPackedTextured(bits, 7, kPackedFlags, packedRenderBits, widths[0], widths[1]);
    }

    void fillRamp(uint32_t material, const uint32_t* rgb, uint32_t width) {
        uint16_t* ramp = (uint16_t*)model->materialRamps.texels.pixels + material * kRampSteps;
        uint64_t top = (1ull << width) - 1;
        for (int32_t i = 0; i < kRampSteps; i++) {
            uint32_t c[3];
            for (int k = 0; k < 3; k++) c[k] = (uint32_t)((uint64_t)i * rgb[k] / top);
            ramp[i] = (uint16_t)(c[0] << 11 | c[1] << 6 | c[2]);
        }
    }

    bool readFlatPolygons(BitReader& bits) {
        uint32_t widths[4];  // flags, indexes, channels, materials
        for (uint32_t& w : widths) w = bits.take(8);
        bits.take(8);
        if (!widthsValid(widths, 4, 1)) return false;
        for (uint32_t m = 0; m < h.materialCount; m++) {
            uint32_t rgb[3];
            for (uint32_t& c : rgb) c = bits.take(widths[2]);
            fillRamp(m, rgb, widths[2]);
        }
        for (int32_t group = M3D_GROUP_FLAT_TRIANGLES; group <= M3D_GROUP_FLAT_QUADS; group++) {
            for (uint32_t n = 0; n < h.groupCount[group]; n++) {
                Polygon p;
                p.flags = bits.take(widths[0]);
                for (int32_t i = 0; i < kCorners[group]; i++) p.vertex[i] = bits.take(widths[1]);
                p.extra[0] = bits.take(widths[3]);
                if ((p.flags & kFlatForbiddenFlags) != 0 || !indexesValid(p, group) || p.extra[0] >= h.materialCount)
                    return false;
                store(group, n, flatRenderBits(p.flags), p);
            }
        }
        return !streamFailed();
    }

    bool readPolygonFormat3() {
        BitReader bits(stream);
        if (h.groupCount[M3D_GROUP_FLAT_TRIANGLES] + h.groupCount[M3D_GROUP_FLAT_QUADS] > 0 && !readFlatPolygons(bits))
            return false;
        if (h.groupCount[M3D_GROUP_TEXTURED_TRIANGLES] + h.groupCount[M3D_GROUP_TEXTURED_QUADS] == 0) return true;
        uint32_t widths[3];  // flags, indexes, texture coordinates
        for (uint32_t& w : widths) w = bits.take(8);
        bits.take(8);
        if (!widthsValid(widths, 3, 0)) return false;
        return readPackedTextured(bits, widths[2], kTexturedFlags, texturedRenderBits, widths[0], widths[1]);
    }

    bool readPolygons() {
        switch (h.polygonFormat) {
            case 1:
                return readPlainPolygons();
            case 2:
                return readPolygonFormat2();
            case 3:
                return readPolygonFormat3();
            default:
                return false;
        }
    }

    // A parent chain that comes back to a bone on it is a cycle. Each bone is walked
    // once: the chain scratch marks bones as on the current walk (1) or finished (2).
    bool bonesAcyclic() {
        int32_t* state = model->chain;
        const m3d_ModelBone* bones = model->bones;
        bool acyclic = true;
        for (uint32_t b = 0; b < h.boneCount && acyclic; b++) {
            int32_t walk = (int32_t)b;
            while (walk >= 0 && state[walk] == 0) {
                state[walk] = 1;
                walk = bones[walk].parent;
            }
            acyclic = walk < 0 || state[walk] == 2;
            for (walk = (int32_t)b; walk >= 0 && state[walk] == 1; walk = bones[walk].parent) state[walk] = 2;
        }
        memset(state, 0, 4 * (size_t)h.boneCount);
        return acyclic;
    }

    bool readBones() {
        if (h.boneFormat != 1) return false;
        uint32_t covered = 0;
        for (uint32_t b = 0; b < h.boneCount; b++) {
            m3d_ModelBone& bone = model->bones[b];
            uint32_t count = u16();
            int32_t parent = s16();
            for (int32_t i = 0; i < 12; i++) bone.rest[i] = s16();
            if (parent < -1 || parent >= (int32_t)h.boneCount || count > h.vertexCount - covered) return false;
            bone.vertexCount = (uint16_t)count;
            bone.firstVertex = (uint16_t)covered;
            bone.parent = (int16_t)parent;
            bone.poseChanged = 1;
            memcpy(model->local[b], bone.rest, sizeof bone.rest);
            covered += count;
        }
        if (streamFailed()) return false;
        // A vertex outside every bone's run would never be transformed, yet polygons
        // may name it: the bones must own every vertex.
        return covered == h.vertexCount && bonesAcyclic();
    }
};

void emptyModel(m3d_Model* model) {
    m3d_Allocator* allocator = model->allocator;
    int32_t refCount = model->refCount;
    if (model->arena != nullptr && allocator != nullptr) allocator->ops->free(allocator, model->arena);
    m3d_releaseTexture(&model->materialRamps);
    m3d_initModel(model, allocator);
    model->refCount = refCount;
}

}  // namespace

void m3d_initModel(m3d_Model* model, m3d_Allocator* allocator) {
    memset(model, 0, sizeof *model);
    model->allocator = allocator;
    m3d_initTexture(&model->materialRamps, allocator);
}

void m3d_releaseModel(m3d_Model* model) { emptyModel(model); }

bool m3d_isModelInUse(const m3d_Model* model) { return model->refCount != 0; }

int32_t m3d_loadModel(m3d_Model* model, m3d_InputStream* stream) {
    if (m3d_isModelInUse(model)) return M3D_FAILURE;
    emptyModel(model);
    if (stream == nullptr || model->allocator == nullptr) return M3D_FAILURE;
    ModelLoader l{};
    l.model = model;
    l.stream = stream;
    uint32_t magic = l.u16();
    if (magic != M3D_MODEL_MAGIC || !l.readHeader()) return M3D_FAILURE;

    ModelLayout layout = layoutModel(l.h);
    model->arena = model->allocator->ops->allocate(model->allocator, (uint32_t)layout.total);
    if (model->arena == nullptr) return M3D_FAILURE;
    memset(model->arena, 0, (size_t)layout.total);
    l.layArena(layout);
    if (!l.readRunTables() || !l.readVertices() || !l.readNormals() || !l.readPolygons() || !l.readBones()) {
        emptyModel(model);
        return M3D_FAILURE;
    }
    int32_t total = 0;
    for (const m3d_PolygonGroup& g : model->groups) total += g.count;
    model->polygonTotal = total;
    return M3D_SUCCESS;
}
