// The command list: lists of 32-bit words mixing state commands with primitive blocks
// and a draw command; the same primitive blocks submitted directly; and the immediate
// mode that builds single primitives vertex by vertex.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

// A reference-counted table of 3x4 matrices; command 0x87 selects one as the view.
struct m3d_Figure {
    int32_t refCount;
    int32_t matrixCount;
    const int32_t* matrices;  // 12 words each
};

struct m3d_CommandList {
    int32_t count;
    const uint32_t* words;
};

// One array of a primitive block: a count of words and the words.
struct m3d_WordArray {
    int32_t count;
    const int32_t* words;
};

enum : uint32_t { M3D_COMMAND_LIST_MAGIC = 0xFE000001 };

// Opcodes (bits 31-24 of a command word).
enum : uint32_t {
    M3D_CMD_POINTS = 0x01,
    M3D_CMD_LINES = 0x02,
    M3D_CMD_TRIANGLES = 0x03,
    M3D_CMD_QUADS = 0x04,
    M3D_CMD_SPRITES = 0x05,
    M3D_CMD_END = 0x80,
    M3D_CMD_SKIP = 0x81,
    M3D_CMD_DRAW = 0x82,
    M3D_CMD_ATTRIBUTE = 0x83,
    M3D_CMD_CLIP = 0x84,
    M3D_CMD_ORIGIN = 0x85,
    M3D_CMD_TEXTURE_INDEX = 0x86,
    M3D_CMD_STORED_MATRIX = 0x87,
    M3D_CMD_PARALLEL_SCALE = 0x90,
    M3D_CMD_PARALLEL_SIZE = 0x91,
    M3D_CMD_PERSPECTIVE_ANGLE = 0x92,
    M3D_CMD_PERSPECTIVE_SIZE = 0x93,
    M3D_CMD_AMBIENT = 0xA0,
    M3D_CMD_DIRECTIONAL = 0xA1,
    M3D_CMD_TOON = 0xAF,
    M3D_CMD_MAGIC = 0xFE,
};

// 0 when the list ran to its end or an end command, else the index of the offending
// command word plus 1 (1 for a null or empty list or a wrong first word).
int32_t m3d_executeCommandList(m3d_Context* context, const m3d_CommandList* list);

// A primitive block given directly; absent arrays may be null.
int32_t m3d_drawPrimitives(m3d_Context* context, uint32_t word, const m3d_WordArray* vertices,
                           const m3d_WordArray* normals, const m3d_WordArray* texCoords, const m3d_WordArray* colors);
// The same with the word split in two, each part in its place: bits 31-24 and 7-0, and
// bits 23-8.
int32_t m3d_drawPrimitivesSplit(m3d_Context* context, uint32_t kindAndFlags, uint32_t countAndLayouts,
                                const m3d_WordArray* vertices, const m3d_WordArray* normals,
                                const m3d_WordArray* texCoords, const m3d_WordArray* colors);

void m3d_setFigure(m3d_Context* context, m3d_Figure* figure);
void m3d_setAttribute(m3d_Context* context, uint32_t attribute);
void m3d_setTextureIndex(m3d_Context* context, uint32_t index);
void m3d_applyStoredMatrix(m3d_Context* context, uint32_t index);

// Immediate mode. m3d_vertex answers the block's result when it completes a primitive,
// 1 while one is being built and 0 when nothing is open.
void m3d_beginPrimitive(m3d_Context* context, uint32_t word);
void m3d_normal(m3d_Context* context, int32_t x, int32_t y, int32_t z);
void m3d_texCoord(m3d_Context* context, int32_t u, int32_t v);
void m3d_color(m3d_Context* context, int32_t red, int32_t green, int32_t blue);
void m3d_spriteParameters(m3d_Context* context, const int32_t* parameters);
int32_t m3d_vertex(m3d_Context* context, int32_t x, int32_t y, int32_t z);
void m3d_endPrimitive(m3d_Context* context);
