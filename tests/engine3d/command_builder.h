// Test helpers for frames: a context over a canvas with a counting allocator, and a
// builder of command lists (state commands and primitive blocks from their arrays), so
// that tests and the demo renderer write scenes rather than pasted words.
#pragma once

#include <stdint.h>

#include <initializer_list>
#include <vector>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_command.h"
#include "engine3d/m3d_context.h"
#include "engine3d/m3d_records.h"

namespace e3t {

// A context drawing into a canvas of its own.
struct Frame {
    TestAllocator allocator;
    Canvas canvas;
    m3d_Context context;

    Frame(int32_t width, int32_t height, uint16_t background = 0) : canvas(width, height, background) {
        m3d_initContext(&context, allocator.get());
        m3d_setTargetSurface(&context, width, height, canvas.pitch, canvas.pixels.data());
    }
    ~Frame() { m3d_releaseContext(&context); }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    m3d_Context* get() { return &context; }
    void clear(uint16_t color) {
        for (uint16_t& p : canvas.pixels) p = color;
    }
    int32_t run(const std::vector<uint32_t>& words) {
        m3d_CommandList list = {(int32_t)words.size(), words.data()};
        return m3d_executeCommandList(&context, &list);
    }
};

// Primitive-block layouts and flags as named values.
struct Layout {
    uint32_t tex = 0, color = 0, normal = 0;
};
enum : uint32_t {
    kFlagLit = 1,
    kFlagEnvironment = 2,
    kFlagFarthest = 4,
    kFlagNearest = 8,
    kFlagTransparent = 16,
    kFlagBlendHalf = 1 << 5,
    kFlagBlendAdd = 2 << 5,
    kFlagBlendSubtract = 3 << 5,
};

inline uint32_t blockWord(uint32_t kind, uint32_t n, Layout layout, uint32_t flags) {
    return kind << 24 | (n & 255) << 16 | (layout.tex & 3) << 12 | (layout.color & 3) << 10 | (layout.normal & 3) << 8 |
           (flags & 255);
}

struct CommandBuilder {
    std::vector<uint32_t> words{M3D_COMMAND_LIST_MAGIC};

    CommandBuilder& op(uint32_t opcode, uint32_t operand = 0, std::initializer_list<int32_t> args = {}) {
        words.push_back(opcode << 24 | (operand & 0xFFFFFF));
        for (int32_t a : args) words.push_back((uint32_t)a);
        return *this;
    }
    CommandBuilder& clip(int32_t l, int32_t t, int32_t r, int32_t b) { return op(M3D_CMD_CLIP, 0, {l, t, r, b}); }
    CommandBuilder& origin(int32_t x, int32_t y) { return op(M3D_CMD_ORIGIN, 0, {x, y}); }
    CommandBuilder& attribute(uint32_t a) { return op(M3D_CMD_ATTRIBUTE, a); }
    CommandBuilder& textureIndex(uint32_t i) { return op(M3D_CMD_TEXTURE_INDEX, i); }
    CommandBuilder& storedMatrix(uint32_t i) { return op(M3D_CMD_STORED_MATRIX, i); }
    CommandBuilder& parallelScale(int32_t sx, int32_t sy) { return op(M3D_CMD_PARALLEL_SCALE, 0, {sx, sy}); }
    CommandBuilder& parallelSize(int32_t w, int32_t h) { return op(M3D_CMD_PARALLEL_SIZE, 0, {w, h}); }
    CommandBuilder& perspectiveAngle(int32_t n, int32_t f, int32_t a) {
        return op(M3D_CMD_PERSPECTIVE_ANGLE, 0, {n, f, a});
    }
    CommandBuilder& perspectiveSize(int32_t n, int32_t f, int32_t w, int32_t h) {
        return op(M3D_CMD_PERSPECTIVE_SIZE, 0, {n, f, w, h});
    }
    CommandBuilder& ambient(int32_t i) { return op(M3D_CMD_AMBIENT, 0, {i}); }
    CommandBuilder& light(int32_t x, int32_t y, int32_t z, int32_t i) {
        return op(M3D_CMD_DIRECTIONAL, 0, {x, y, z, i});
    }
    CommandBuilder& toon(int32_t t, int32_t h, int32_t l) { return op(M3D_CMD_TOON, 0, {t, h, l}); }
    CommandBuilder& skip(uint32_t n) { return op(M3D_CMD_SKIP, n); }
    CommandBuilder& draw() { return op(M3D_CMD_DRAW); }
    CommandBuilder& end() { return op(M3D_CMD_END); }
    // A primitive block: the word, then the arrays in their order.
    CommandBuilder& block(uint32_t kind, uint32_t n, Layout layout, uint32_t flags,
                          const std::vector<int32_t>& vertices, const std::vector<int32_t>& normals = {},
                          const std::vector<int32_t>& texCoords = {}, const std::vector<int32_t>& colors = {}) {
        words.push_back(blockWord(kind, n, layout, flags));
        for (const auto* a : {&vertices, &normals, &texCoords, &colors})
            for (int32_t v : *a) words.push_back((uint32_t)v);
        return *this;
    }
};

}  // namespace e3t
