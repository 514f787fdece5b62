// Writers of model and motion files from readable descriptions, bit-packed sections
// included, and a few ready descriptions: a cube, a textured quad, a two-bone arm with its
// motion and a jointed tube with its motion. Every header field can be overridden so that
// tests can build bad files.
#pragma once

#include <stdint.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace e3t {

// Little-endian bytes, with a bit stream that fills each byte from its lowest bit.
struct FileWriter {
    std::vector<uint8_t> out;
    uint64_t pending = 0;
    uint32_t pendingBits = 0;

    void u8(uint32_t v) { out.push_back((uint8_t)v); }
    void u16(uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void bits(uint32_t v, uint32_t width) {
        for (uint32_t i = 0; i < width; i++) {
            pending |= (uint64_t)(i < 32 ? (v >> i) & 1 : 0) << pendingBits;
            if (++pendingBits == 8) {
                u8((uint32_t)pending);
                pending = 0;
                pendingBits = 0;
            }
        }
    }
    // Ends a bit stream: the rest of its last byte is left unused.
    void flushBits() {
        if (pendingBits > 0) u8((uint32_t)pending);
        pending = 0;
        pendingBits = 0;
    }
};

// ---- motion files ----

struct VectorKey {
    uint16_t frame;
    int16_t x, y, z;
};
struct ScalarKey {
    uint16_t frame;
    int16_t value;
};
struct PatternKey {
    uint16_t frame;
    uint32_t value;
};

struct MotionTrack {
    uint32_t kind = 1;                     // the byte written, in range or not
    std::array<int16_t, 12> matrix{};      // kind 0
    std::array<int16_t, 3> translation{};  // kind 3
    int16_t roll = 0;                      // kind 3
    std::vector<VectorKey> translationKeys, scaleKeys, directionKeys;
    std::vector<ScalarKey> rollKeys;
};

struct MotionAction {
    uint32_t frames = 0;
    std::vector<MotionTrack> tracks;
    std::vector<PatternKey> pattern;  // written for version 5
};

struct MotionFile {
    uint32_t magic = 0x544D;
    uint32_t version = 5;
    std::vector<MotionAction> actions;
    // -1: counted from the actions
    int64_t actionCount = -1, boneCount = -1, keyWords = -1;
    std::array<int64_t, 8> kindCounts{-1, -1, -1, -1, -1, -1, -1, -1};

    std::vector<uint8_t> bytes() const {
        std::array<uint32_t, 8> kinds{};
        uint32_t words = 0;
        FileWriter body;
        auto vectors = [&](const std::vector<VectorKey>& keys) {
            body.u16((uint32_t)keys.size());
            for (const VectorKey& k : keys) {
                body.u16(k.frame);
                body.u16((uint16_t)k.x);
                body.u16((uint16_t)k.y);
                body.u16((uint16_t)k.z);
            }
            words += 4 * (uint32_t)keys.size();
        };
        auto scalars = [&](const std::vector<ScalarKey>& keys) {
            body.u16((uint32_t)keys.size());
            for (const ScalarKey& k : keys) {
                body.u16(k.frame);
                body.u16((uint16_t)k.value);
            }
            words += 2 * (uint32_t)keys.size();
        };
        for (const MotionAction& a : actions) {
            body.u16(a.frames);
            for (const MotionTrack& t : a.tracks) {
                body.u8(t.kind);
                if (t.kind < 8) kinds[t.kind]++;
                switch (t.kind) {
                    case 0:
                        for (int16_t v : t.matrix) body.u16((uint16_t)v);
                        break;
                    case 2:
                        vectors(t.translationKeys);
                        vectors(t.scaleKeys);
                        vectors(t.directionKeys);
                        scalars(t.rollKeys);
                        break;
                    case 3:
                        for (int16_t v : t.translation) body.u16((uint16_t)v);
                        vectors(t.directionKeys);
                        body.u16((uint16_t)t.roll);
                        break;
                    case 4:
                        vectors(t.directionKeys);
                        scalars(t.rollKeys);
                        break;
                    case 5:
                        vectors(t.directionKeys);
                        break;
                    case 6:
                        vectors(t.translationKeys);
                        vectors(t.directionKeys);
                        scalars(t.rollKeys);
                        break;
                    default:
                        break;
                }
            }
            if (version == 5) {
                body.u16((uint32_t)a.pattern.size());
                for (const PatternKey& k : a.pattern) {
                    body.u16(k.frame);
                    body.u32(k.value);
                }
                words += 3 * (uint32_t)a.pattern.size();
            }
        }
        FileWriter f;
        f.u16(magic);
        f.u16(version);
        f.u16(actionCount >= 0 ? (uint32_t)actionCount : (uint32_t)actions.size());
        f.u16(boneCount >= 0 ? (uint32_t)boneCount : actions.empty() ? 0 : (uint32_t)actions[0].tracks.size());
        for (int k = 0; k < 8; k++) f.u16(kindCounts[k] >= 0 ? (uint32_t)kindCounts[k] : kinds[k]);
        f.u32(keyWords >= 0 ? (uint32_t)keyWords : words);
        f.out.insert(f.out.end(), body.out.begin(), body.out.end());
        return f.out;
    }
};

// ---- model files ----

struct ModelPolygon {
    uint32_t flags;
    std::vector<uint32_t> vertex;  // three or four
    std::vector<uint32_t> extra;   // flat: {material}; textured: u0, v0, u1, v1, ...
};

struct ModelBoneDesc {
    uint32_t vertexCount;
    int32_t parent;
    std::array<int16_t, 12> matrix;
};

// A packed normal: an axis (index 0..7 written as given) or x, y and the sign of z.
struct PackedNormal {
    bool axis;
    uint32_t index;
    int32_t x, y;
    bool negative;
};

enum { kFlatTriangles = 0, kFlatQuads = 1, kTexturedTriangles = 2, kTexturedQuads = 3 };

struct ModelFile {
    uint32_t magic = 0x424D;
    uint32_t version = 5;
    uint32_t vertexFormat = 1, normalFormat = 0, polygonFormat = 3, boneFormat = 1;
    std::vector<std::array<int32_t, 3>> vertices;
    // Packed vertices: {count, width class} per block; empty means blocks of 64 of class 3.
    std::vector<std::array<uint32_t, 2>> vertexBlocks;
    std::vector<std::array<int32_t, 3>> normals;  // plain, 4096 = 1.0
    std::vector<PackedNormal> packedNormals;
    std::vector<ModelPolygon> groups[4];
    uint32_t textureCount = 1, patternCount = 1;
    std::vector<std::array<uint32_t, 3>> materials;  // channel values of channelWidth bits
    // Version 5 run counts: per pattern {flat triangles, flat quads, then per texture
    // textured triangles, textured quads}. Empty: everything in pattern 0, texture 0.
    std::vector<std::vector<uint32_t>> runCounts;
    // bit widths of format 2 and 3
    uint32_t flatFlagWidth = 10, flatIndexWidth = 8, channelWidth = 8, materialWidth = 8;
    uint32_t flagWidth = 10, indexWidth = 8, texCoordWidth = 8;
    std::vector<ModelBoneDesc> bones;
    // -1: taken from the description
    int64_t vertexCount = -1, boneCount = -1, materialCount = -1;
    std::array<int64_t, 4> groupCounts{-1, -1, -1, -1};

    uint32_t count(int g) const { return groupCounts[g] >= 0 ? (uint32_t)groupCounts[g] : (uint32_t)groups[g].size(); }

    std::vector<uint8_t> bytes() const {
        FileWriter f;
        f.u16(magic);
        f.u16(version);
        if (version != 3) {
            f.u8(vertexFormat);
            f.u8(normalFormat);
            f.u8(polygonFormat);
            f.u8(boneFormat);
        }
        f.u16(vertexCount >= 0 ? (uint32_t)vertexCount : (uint32_t)vertices.size());
        f.u16(count(kTexturedTriangles));
        f.u16(count(kTexturedQuads));
        f.u16(boneCount >= 0 ? (uint32_t)boneCount : (uint32_t)bones.size());
        bool format3 = version == 3 ? false : polygonFormat == 3;
        if (format3) {
            f.u16(count(kFlatTriangles));
            f.u16(count(kFlatQuads));
            f.u16(textureCount);
            f.u16(patternCount);
            f.u16(materialCount >= 0 ? (uint32_t)materialCount : (uint32_t)materials.size());
        }
        if (version == 5) {
            uint32_t patterns = format3 ? patternCount : 1, textures = format3 ? textureCount : 1;
            for (uint32_t p = 0; p < patterns; p++) {
                if (p < runCounts.size()) {
                    for (uint32_t n : runCounts[p]) f.u16(n);
                    continue;
                }
                f.u16(p == 0 ? count(kFlatTriangles) : 0);
                f.u16(p == 0 ? count(kFlatQuads) : 0);
                for (uint32_t t = 0; t < textures; t++) {
                    f.u16(p == 0 && t == 0 ? count(kTexturedTriangles) : 0);
                    f.u16(p == 0 && t == 0 ? count(kTexturedQuads) : 0);
                }
            }
        }
        writeVertices(f);
        writeNormals(f);
        writePolygons(f);
        for (const ModelBoneDesc& b : bones) {
            f.u16(b.vertexCount);
            f.u16((uint16_t)b.parent);
            for (int16_t v : b.matrix) f.u16((uint16_t)v);
        }
        return f.out;
    }

    void writeVertices(FileWriter& f) const {
        if (vertexFormat != 2 || version == 3) {
            for (const auto& v : vertices)
                for (int32_t c : v) f.u16((uint16_t)c);
            return;
        }
        static const uint32_t kWidths[4] = {8, 10, 13, 16};
        std::vector<std::array<uint32_t, 2>> blocks = vertexBlocks;
        if (blocks.empty())
            for (size_t at = 0; at < vertices.size(); at += 64)
                blocks.push_back({(uint32_t)std::min<size_t>(64, vertices.size() - at), 3});
        size_t at = 0;
        for (const auto& b : blocks) {
            f.bits((b[0] - 1) | b[1] << 6, 8);
            for (uint32_t i = 0; i < b[0]; i++, at++)
                for (int k = 0; k < 3; k++) f.bits(at < vertices.size() ? (uint32_t)vertices[at][k] : 0, kWidths[b[1]]);
        }
        f.flushBits();
    }

    void writeNormals(FileWriter& f) const {
        if (version == 3 || normalFormat == 0) return;
        if (normalFormat == 1) {
            for (const auto& n : normals)
                for (int32_t c : n) f.u16((uint16_t)c);
            return;
        }
        for (const PackedNormal& n : packedNormals) {
            if (n.axis) {
                f.bits(64, 7);
                f.bits(n.index, 3);
            } else {
                f.bits((uint32_t)n.x, 7);
                f.bits((uint32_t)n.y, 7);
                f.bits(n.negative ? 1 : 0, 1);
            }
        }
        f.flushBits();
    }

    void writePolygons(FileWriter& f) const {
        uint32_t format = version == 3 ? 1 : polygonFormat;
        if (format == 1) {
            for (int g = kTexturedTriangles; g <= kTexturedQuads; g++)
                for (const ModelPolygon& p : groups[g]) {
                    f.u16(p.flags);
                    for (uint32_t v : p.vertex) f.u16(v);
                    for (uint32_t e : p.extra) f.u8(e);
                }
            return;
        }
        auto textured = [&](uint32_t coordinateWidth) {
            for (int g = kTexturedTriangles; g <= kTexturedQuads; g++)
                for (const ModelPolygon& p : groups[g]) {
                    f.bits(p.flags, flagWidth);
                    for (uint32_t v : p.vertex) f.bits(v, indexWidth);
                    for (uint32_t e : p.extra) f.bits(e, coordinateWidth);
                }
        };
        if (format == 2) {
            f.bits(flagWidth, 8);
            f.bits(indexWidth, 8);
            textured(7);
            f.flushBits();
            return;
        }
        if (!groups[kFlatTriangles].empty() || !groups[kFlatQuads].empty()) {
            for (uint32_t w : {flatFlagWidth, flatIndexWidth, channelWidth, materialWidth, 0u}) f.bits(w, 8);
            for (const auto& m : materials)
                for (uint32_t c : m) f.bits(c, channelWidth);
            for (int g = kFlatTriangles; g <= kFlatQuads; g++)
                for (const ModelPolygon& p : groups[g]) {
                    f.bits(p.flags, flatFlagWidth);
                    for (uint32_t v : p.vertex) f.bits(v, flatIndexWidth);
                    f.bits(p.extra.empty() ? 0 : p.extra[0], materialWidth);
                }
        }
        if (!groups[kTexturedTriangles].empty() || !groups[kTexturedQuads].empty()) {
            for (uint32_t w : {flagWidth, indexWidth, texCoordWidth, 0u}) f.bits(w, 8);
            textured(texCoordWidth);
        }
        f.flushBits();
    }
};

// The identity with a translation, as a bone's 16-bit matrix.
inline std::array<int16_t, 12> boneMatrix(int16_t tx, int16_t ty, int16_t tz) {
    return {4096, 0, 0, tx, 0, 4096, 0, ty, 0, 0, 4096, tz};
}

// The cube's faces at z -100, z +100, x -100, x +100, y -100 and y +100, each wound so
// that its first three corners run clockwise on the screen when it is seen from outside
// (a quad is the strip (0, 1, 2), (1, 2, 3)). Corner i lies at x, y, z = +100 or -100 by
// its bits 0, 1, 2.
inline const uint32_t (&cubeFaces())[6][4] {
    static const uint32_t faces[6][4] = {{0, 1, 2, 3}, {5, 4, 7, 6}, {4, 0, 6, 2},
                                         {1, 5, 3, 7}, {1, 0, 5, 4}, {2, 3, 6, 7}};
    return faces;
}

// A cube of side 200 around the origin: packed vertices and normals, six single-sided
// lit flat quads wound outwards (cubeFaces), red but for the grey faces at x -100 and
// x +100, one bone.
inline ModelFile cubeModel() {
    ModelFile m;
    m.vertexFormat = 2;
    m.normalFormat = 2;
    for (int i = 0; i < 8; i++) {
        m.vertices.push_back({i & 1 ? 100 : -100, i & 2 ? 100 : -100, i & 4 ? 100 : -100});
        // corners point away from the centre: x and y of 37 (64 / sqrt 3), z by its sign
        m.packedNormals.push_back({false, 0, i & 1 ? 37 : -37, i & 2 ? 37 : -37, (i & 4) == 0});
    }
    m.materials = {{255, 0, 0}, {128, 128, 128}};
    const uint32_t(&faces)[6][4] = cubeFaces();
    for (int i = 0; i < 6; i++)
        m.groups[kFlatQuads].push_back(
            {0x10u, {faces[i][0], faces[i][1], faces[i][2], faces[i][3]}, {i == 2 || i == 3 ? 1u : 0u}});
    m.bones = {{8, -1, boneMatrix(0, 0, 0)}};
    return m;
}

// A square of side 100 with a whole 256 x 256 texture on it, in the oldest file version.
inline ModelFile texturedQuadModel() {
    ModelFile m;
    m.version = 3;
    m.vertices = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {100, 100, 0}};
    m.groups[kTexturedQuads].push_back({1, {0, 1, 2, 3}, {0, 0, 255, 0, 0, 255, 255, 255}});
    m.bones = {{4, -1, boneMatrix(0, 0, 0)}};
    return m;
}

// An upper arm (bone 0, at (10, 20, 30)) and a forearm (bone 1, 50 further along z),
// each owning the four corners of a textured quad.
inline ModelFile armModel() {
    ModelFile m;
    m.polygonFormat = 3;
    m.normalFormat = 1;
    for (int b = 0; b < 2; b++)
        for (int i = 0; i < 4; i++) {
            m.vertices.push_back({i & 1 ? 10 : -10, i & 2 ? 10 : -10, 50 * b});
            m.normals.push_back({0, 0, 4096});
        }
    m.groups[kTexturedQuads].push_back({0x10, {0, 1, 2, 3}, {0, 0, 127, 0, 0, 127, 127, 127}});
    m.groups[kTexturedQuads].push_back({0x10, {4, 5, 6, 7}, {0, 0, 127, 0, 0, 127, 127, 127}});
    m.bones = {{4, -1, boneMatrix(10, 20, 30)}, {4, 0, boneMatrix(0, 0, 50)}};
    return m;
}

// Ten frames of the arm: the upper arm swings from +z to +x while stretching to twice its
// length along its own x; the forearm slides 100 along z and rolls a quarter turn. The
// pattern switches from 5 to 9 at frame 4.
inline MotionFile armMotion() {
    MotionFile f;
    MotionAction a;
    a.frames = 10;
    MotionTrack upper;
    upper.kind = 2;
    upper.translationKeys = {{0, 0, 0, 0}};
    upper.scaleKeys = {{0, 4096, 4096, 4096}, {10, 8192, 4096, 4096}};
    upper.directionKeys = {{0, 0, 0, 4096}, {10, 4096, 0, 0}};
    upper.rollKeys = {{0, 0}};
    MotionTrack fore;
    fore.kind = 6;
    fore.translationKeys = {{0, 0, 0, 0}, {10, 0, 0, 100}};
    fore.directionKeys = {{0, 0, 0, 4096}};
    fore.rollKeys = {{0, 0}, {10, 1024}};
    a.tracks = {upper, fore};
    a.pattern = {{0, 5}, {4, 9}};
    f.actions = {a};
    return f;
}

// A jointed tube standing along z: `bones` segments of length 60 and radius 25, each a
// ring of `sides` corners owned by its bone (bone k sits 60 along its parent's z), lit
// side quads in orange and teal by segment, grey caps lit flat from their centres, and
// in pattern 1 an unlit yellow flag above the top cap. Its triangles number
// 2 x bones x sides + 2 x sides + 1.
inline ModelFile tubeModel(int32_t bones, int32_t sides) {
    const int32_t length = 60, radius = 25;
    ModelFile m;
    m.normalFormat = 1;
    m.textureCount = 0;
    m.patternCount = 2;
    m.materials = {{255, 128, 0}, {0, 160, 160}, {200, 200, 200}, {255, 255, 0}};
    // vertices: the bottom centre, rings 0..bones (ring `bones` is the last bone's top),
    // the top centre and the flag's three corners
    auto ring = [&](int32_t r, int32_t j) { return (uint32_t)(1 + r * sides + (j % sides)); };
    const uint32_t bottom = 0, top = (uint32_t)(1 + (bones + 1) * sides);
    m.vertices.push_back({0, 0, 0});
    m.normals.push_back({0, 0, -4096});
    for (int32_t r = 0; r <= bones; r++)
        for (int32_t j = 0; j < sides; j++) {
            const double a = 2 * M_PI * j / sides;
            m.vertices.push_back(
                {(int32_t)lround(radius * cos(a)), (int32_t)lround(radius * sin(a)), r == bones ? length : 0});
            m.normals.push_back({(int32_t)lround(4096 * cos(a)), (int32_t)lround(4096 * sin(a)), 0});
        }
    m.vertices.push_back({0, 0, length});
    m.normals.push_back({0, 0, 4096});
    for (std::array<int32_t, 3> v :
         {std::array<int32_t, 3>{0, 0, length + 40}, {26, 0, length + 32}, {0, 0, length + 22}}) {
        m.vertices.push_back(v);
        m.normals.push_back({0, -4096, 0});
    }
    // caps lit by their centre's normal (flat shading), outward like the sides
    const uint32_t kLit = 0x10, kFlatShaded = 0x40, kDoubleSided = 0x08;
    for (int32_t j = 0; j < sides; j++)
        m.groups[kFlatTriangles].push_back({kLit | kFlatShaded, {bottom, ring(0, j), ring(0, j + 1)}, {2}});
    for (int32_t j = 0; j < sides; j++)
        m.groups[kFlatTriangles].push_back({kLit | kFlatShaded, {top, ring(bones, j + 1), ring(bones, j)}, {2}});
    m.groups[kFlatTriangles].push_back({kDoubleSided, {top + 1, top + 2, top + 3}, {3}});
    for (int32_t r = 0; r < bones; r++)
        for (int32_t j = 0; j < sides; j++)
            m.groups[kFlatQuads].push_back(
                {kLit, {ring(r, j + 1), ring(r, j), ring(r + 1, j + 1), ring(r + 1, j)}, {(uint32_t)(r & 1)}});
    m.runCounts = {{2 * (uint32_t)sides, (uint32_t)(bones * sides)}, {1, 0}};
    for (int32_t b = 0; b < bones; b++) {
        uint32_t count = (uint32_t)sides + (b == 0 ? 1 : 0) + (b == bones - 1 ? (uint32_t)sides + 4 : 0);
        m.bones.push_back({count, b - 1, boneMatrix(0, 0, b == 0 ? 0 : (int16_t)length)});
    }
    return m;
}

// Twenty frames of the tube: the root slides from x -40 to +40 and rolls an eighth of a
// turn; the middle bones bend 25 degrees towards +x by frame 6 and 25 degrees towards -x
// by frame 14, and straighten by frame 20; the last bone bends with them while its
// width grows by half. The flag (pattern 1) shows from frame 10 on.
inline MotionFile tubeMotion(int32_t bones) {
    MotionFile f;
    MotionAction a;
    a.frames = 20;
    const int16_t s = 1731, c = 3712;  // sine and cosine of 25 degrees
    MotionTrack root;
    root.kind = 6;
    root.translationKeys = {{0, -40, 0, 0}, {20, 40, 0, 0}};
    root.directionKeys = {{0, 0, 0, 4096}};
    root.rollKeys = {{0, 0}, {20, 512}};
    a.tracks.push_back(root);
    const std::vector<VectorKey> bend = {{0, 0, 0, 4096}, {6, s, 0, c}, {14, (int16_t)-s, 0, c}, {20, 0, 0, 4096}};
    for (int32_t b = 1; b < bones; b++) {
        MotionTrack t;
        t.directionKeys = bend;
        if (b < bones - 1) {
            t.kind = 4;
            t.rollKeys = {{0, 0}};
        } else {
            t.kind = 2;
            t.translationKeys = {{0, 0, 0, 0}};
            t.scaleKeys = {{0, 4096, 4096, 4096}, {20, 6144, 6144, 4096}};
            t.rollKeys = {{0, 0}};
        }
        a.tracks.push_back(t);
    }
    a.pattern = {{0, 0}, {10, 1}};
    f.actions = {a};
    return f;
}

}  // namespace e3t
