// Command list, primitive blocks and state commands.
//
// The interpreter never trusts an operand: every command's argument words are checked to
// lie inside the list before it takes effect, and positions are kept in 64 bits so that
// a skip of 2^24 words near the end cannot wrap.
#include "engine3d/m3d_command.h"

#include <string.h>

#include "engine3d/m3d_context.h"
#include "engine3d/m3d_draw.h"
#include "engine3d/m3d_frame.h"
#include "engine3d/m3d_light.h"
#include "engine3d/m3d_project.h"

namespace {

struct BlockShape {
    int32_t kind, n, p;
    uint32_t texLayout, colorLayout, normalLayout, flags;
    int32_t vertexWords, normalWords, texWords, colorWords;
};

// The word counts a block word asks for; false for a kind that is not 1..5.
bool shapeOf(uint32_t word, BlockShape* s) {
    static const int32_t kPer[6] = {0, 1, 2, 3, 4, 1};
    s->kind = (int32_t)(word >> 24);
    if (s->kind < 1 || s->kind > 5) return false;
    s->n = (int32_t)((word >> 16) & 255);
    s->p = kPer[s->kind];
    s->texLayout = (word >> 12) & 3;
    s->colorLayout = (word >> 10) & 3;
    s->normalLayout = (word >> 8) & 3;
    s->flags = word & 255;
    const int32_t n = s->n, pn = s->p * s->n;
    s->vertexWords = 3 * pn;
    s->normalWords = s->normalLayout == 2 ? 3 * n : s->normalLayout == 3 ? 3 * pn : 0;
    if (s->kind == 5)
        s->texWords = s->texLayout == 1 ? 8 : s->texLayout >= 2 ? 8 * n : 0;
    else
        s->texWords = s->texLayout == 3 ? 2 * pn : 0;
    static const int32_t kColorWords[4] = {0, 1, 0, 0};
    s->colorWords = s->colorLayout == 2 ? n : s->colorLayout == 3 ? pn : kColorWords[s->colorLayout];
    return true;
}

uint32_t renderWordOf(const m3d_Context* c, const BlockShape& s, bool normalsGiven) {
    const uint32_t a = c->renderAttribute, f = s.flags;
    uint32_t w = 0;
    if (normalsGiven && (a & M3D_ATTR_LIGHTING) && (f & 1)) {
        w |= M3D_RW_LIT;
        if ((a & M3D_ATTR_ENVIRONMENT) && (f & 2)) w |= M3D_RW_ENVIRONMENT;
        if (a & M3D_ATTR_TOON) w |= M3D_RW_TOON;
    }
    if ((a & M3D_ATTR_BLENDING) && (f & 0x60)) w |= ((f >> 5) & 3) << M3D_RW_BLEND_SHIFT;
    if (f & 0x10) w |= M3D_RW_TRANSPARENT;
    if (f & 0x04) w |= M3D_RW_DEPTH_FARTHEST;
    if (f & 0x08) w |= M3D_RW_DEPTH_NEAREST;
    static const uint32_t kAdd[6] = {0, 0x1000, 0x2000, 0x0010, 0x8010, 0x3000};
    static const uint32_t kRemove[6] = {0, 0x0821, 0x0821, 0, 0, 0x0820};
    return (w | kAdd[s.kind]) & ~kRemove[s.kind];
}

// Draws a block whose arrays have been checked against its shape.
int32_t drawBlock(m3d_Context* c, const BlockShape& s, const int32_t* vertices, int32_t vertexWords,
                  const int32_t* normals, int32_t normalWords, const int32_t* texCoords, int32_t texWords,
                  const int32_t* colors, int32_t colorWords) {
    const int32_t count = vertexWords / 3;
    if (count == 0) return M3D_SUCCESS;
    c->blockVertexCount = 0;
    if (!m3d_reserveDepth(c, s.n) || !m3d_reserveVertices(c, count)) return M3D_FAILURE;
    c->blockVertexCount = count;
    const bool normalsGiven = normals != nullptr && normalWords >= 3;
    const uint32_t w = renderWordOf(c, s, normalsGiven);
    m3d_updateCombinedMatrix(c);
    m3d_transformRun32(c, c->combinedMatrix, vertices, count, c->verticesUsed);
    if (w & M3D_RW_LIT) {
        m3d_LightSetup setup;
        m3d_prepareLighting(c, c->viewMatrix, &setup);
        m3d_ScreenVertex* out = c->vertices + c->verticesUsed;
        const int32_t lit = normalWords / 3 < count ? normalWords / 3 : count;
        m3d_lightVertices32(&setup, normals, lit, out, (w & M3D_RW_ENVIRONMENT) != 0);
        // one normal per primitive: spread each level over the primitive's vertices,
        // from the last primitive back so that no level is overwritten before it is read
        if (lit != count && count == s.p * s.n) {
            for (int32_t i = s.n - 1; i >= 0; i--)
                for (int32_t k = s.p - 1; k >= 0; k--) {
                    m3d_ScreenVertex& v = out[s.p * i + k];
                    v.light = out[i].light, v.envU = out[i].envU, v.envV = out[i].envV;
                }
        }
    }
    m3d_BlockArrays arrays = {nullptr, 0, colors, colors != nullptr ? colorWords : 0};
    if (s.kind >= 3 && texCoords != nullptr) arrays.texCoords = texCoords, arrays.texWords = texWords;
    return m3d_buildBlock(c, s.kind, s.n, w, &arrays);
}

// An array the layout requires must be present and long enough; one it does not use is
// ignored whatever it holds.
bool takeArray(const m3d_WordArray* a, int32_t required, const int32_t** words, int32_t* count) {
    *words = nullptr;
    *count = 0;
    if (required == 0) return true;
    if (a == nullptr || a->words == nullptr || a->count < required) return false;
    *words = a->words;
    *count = required;
    return true;
}

void moveSlot(m3d_Immediate& im, int32_t from, int32_t to) {
    memcpy(im.normal[to], im.normal[from], sizeof im.normal[0]);
    memcpy(im.texCoord[to], im.texCoord[from], sizeof im.texCoord[0]);
}

// Number of argument words of a state command, or -1 for an opcode that is not one.
int32_t argumentWords(uint32_t op) {
    switch (op) {
        case M3D_CMD_END:
        case M3D_CMD_SKIP:
        case M3D_CMD_DRAW:
        case M3D_CMD_ATTRIBUTE:
        case M3D_CMD_TEXTURE_INDEX:
        case M3D_CMD_STORED_MATRIX:
        case M3D_CMD_MAGIC:
            return 0;
        case M3D_CMD_AMBIENT:
            return 1;
        case M3D_CMD_ORIGIN:
        case M3D_CMD_PARALLEL_SCALE:
        case M3D_CMD_PARALLEL_SIZE:
            return 2;
        case M3D_CMD_PERSPECTIVE_ANGLE:
        case M3D_CMD_TOON:
            return 3;
        case M3D_CMD_CLIP:
        case M3D_CMD_PERSPECTIVE_SIZE:
        case M3D_CMD_DIRECTIONAL:
            return 4;
        default:
            return -1;
    }
}

}  // namespace

int32_t m3d_drawPrimitives(m3d_Context* c, uint32_t word, const m3d_WordArray* vertices, const m3d_WordArray* normals,
                           const m3d_WordArray* texCoords, const m3d_WordArray* colors) {
    BlockShape s;
    if (vertices == nullptr || vertices->words == nullptr || !shapeOf(word, &s)) return M3D_FAILURE;
    if (vertices->count < s.vertexWords) return M3D_FAILURE;
    const int32_t *nw, *tw, *cw;
    int32_t nc, tc, cc;
    if (!takeArray(normals, s.normalWords, &nw, &nc) || !takeArray(texCoords, s.texWords, &tw, &tc) ||
        !takeArray(colors, s.colorWords, &cw, &cc))
        return M3D_FAILURE;
    const int32_t vertexWords = vertices->count - vertices->count % 3;
    // the builder reads p x n vertices; more are transformed but not used
    return drawBlock(c, s, vertices->words, vertexWords, nw, nc, tw, tc, cw, cc);
}

int32_t m3d_drawPrimitivesSplit(m3d_Context* c, uint32_t kindAndFlags, uint32_t countAndLayouts,
                                const m3d_WordArray* vertices, const m3d_WordArray* normals,
                                const m3d_WordArray* texCoords, const m3d_WordArray* colors) {
    uint32_t word = (kindAndFlags & 0xFF0000FFu) | (countAndLayouts & 0x00FFFF00u);
    return m3d_drawPrimitives(c, word, vertices, normals, texCoords, colors);
}

void m3d_setFigure(m3d_Context* c, m3d_Figure* figure) {
    m3d_dropRef(c->figure);
    m3d_takeRef(figure);
    c->figure = figure;
}

void m3d_setAttribute(m3d_Context* c, uint32_t attribute) { c->renderAttribute = attribute & 15; }

void m3d_setTextureIndex(m3d_Context* c, uint32_t index) {
    if (index < M3D_TEXTURE_SLOTS) c->textureIndex = (int32_t)index;
}

void m3d_applyStoredMatrix(m3d_Context* c, uint32_t index) {
    const m3d_Figure* f = c->figure;
    if (f == nullptr || f->matrices == nullptr || f->matrixCount < 0 || index >= (uint32_t)f->matrixCount) return;
    memcpy(c->viewMatrix, f->matrices + 12 * (size_t)index, sizeof c->viewMatrix);
    c->combinedValid = 0;
}

int32_t m3d_executeCommandList(m3d_Context* c, const m3d_CommandList* list) {
    if (list == nullptr || list->words == nullptr || list->count < 1) return 1;
    const uint32_t* w = list->words;
    const int64_t count = list->count;
    if (w[0] != M3D_COMMAND_LIST_MAGIC) return 1;
    int64_t pos = 1;
    while (pos < count) {
        const int64_t at = pos;
        const int32_t failed = (int32_t)(at + 1);
        const uint32_t command = w[pos++];
        const uint32_t op = command >> 24, operand = command & 0xFFFFFF;
        const int64_t available = count - pos;
        const int32_t* args = (const int32_t*)(w + pos);
        if (op >= M3D_CMD_POINTS && op <= M3D_CMD_SPRITES) {
            BlockShape s;
            shapeOf(command, &s);
            const int64_t total = (int64_t)s.vertexWords + s.normalWords + s.texWords + s.colorWords;
            if (total > available) return failed;
            const int32_t* normals = args + s.vertexWords;
            const int32_t* texCoords = normals + s.normalWords;
            const int32_t* colors = texCoords + s.texWords;
            // a block that finds no room is left undrawn and the list goes on
            drawBlock(c, s, args, s.vertexWords, s.normalWords ? normals : nullptr, s.normalWords,
                      s.texWords ? texCoords : nullptr, s.texWords, s.colorWords ? colors : nullptr, s.colorWords);
            pos += total;
            continue;
        }
        const int32_t words = argumentWords(op);
        if (words < 0 || words > available) return failed;
        pos += words;
        switch (op) {
            case M3D_CMD_END:
                return 0;
            case M3D_CMD_SKIP:
                pos += operand;
                break;
            case M3D_CMD_DRAW:
                m3d_drawFigure(c);
                break;
            case M3D_CMD_ATTRIBUTE:
                m3d_setAttribute(c, operand);
                break;
            case M3D_CMD_CLIP:
                m3d_setClipRect(c, args[0], args[1], args[2], args[3]);
                break;
            case M3D_CMD_ORIGIN:
                m3d_setOrigin(c, args[0], args[1]);
                break;
            case M3D_CMD_TEXTURE_INDEX:
                m3d_setTextureIndex(c, operand);
                break;
            case M3D_CMD_STORED_MATRIX:
                m3d_applyStoredMatrix(c, operand);
                break;
            case M3D_CMD_PARALLEL_SCALE:
                m3d_setParallelScale(c, args[0], args[1]);
                break;
            case M3D_CMD_PARALLEL_SIZE:
                m3d_setParallelSize(c, args[0], args[1]);
                break;
            case M3D_CMD_PERSPECTIVE_ANGLE:
                m3d_setPerspectiveAngle(c, args[0], args[1], args[2]);
                break;
            case M3D_CMD_PERSPECTIVE_SIZE:
                m3d_setPerspectiveSize(c, args[0], args[1], args[2], args[3]);
                break;
            case M3D_CMD_AMBIENT:
                m3d_setAmbientLight(c, args[0]);
                break;
            case M3D_CMD_DIRECTIONAL:
                m3d_setDirectionalLight(c, args, args[3]);
                break;
            case M3D_CMD_TOON:
                m3d_setToonTable(c, args[0], args[1], args[2]);
                break;
            case M3D_CMD_MAGIC:
                if (operand != 1) return failed;
                break;
            default:
                return failed;
        }
    }
    return 0;
}

void m3d_beginPrimitive(m3d_Context* c, uint32_t word) {
    m3d_Immediate& im = c->immediate;
    const uint32_t kind = word >> 24;
    if (im.kind != 0 || kind == 0 || kind > 5) return;
    im.kind = (uint8_t)kind;
    im.flags = (uint8_t)word;
    im.vertexCount = 0;
}

void m3d_normal(m3d_Context* c, int32_t x, int32_t y, int32_t z) {
    m3d_Immediate& im = c->immediate;
    int32_t* n = im.normal[im.vertexCount & 3];
    n[0] = x, n[1] = y, n[2] = z;
}

void m3d_texCoord(m3d_Context* c, int32_t u, int32_t v) {
    m3d_Immediate& im = c->immediate;
    im.texCoord[im.vertexCount & 3][0] = u;
    im.texCoord[im.vertexCount & 3][1] = v;
    im.texCoordsGiven = 1;
}

void m3d_color(m3d_Context* c, int32_t red, int32_t green, int32_t blue) {
    c->immediate.color = (uint32_t)red << 16 | (uint32_t)green << 8 | (uint32_t)blue;
    c->immediate.texCoordsGiven = 0;
}

void m3d_spriteParameters(m3d_Context* c, const int32_t* parameters) {
    if (parameters != nullptr) memcpy(c->immediate.sprite, parameters, sizeof c->immediate.sprite);
}

int32_t m3d_vertex(m3d_Context* c, int32_t x, int32_t y, int32_t z) {
    m3d_Immediate& im = c->immediate;
    if (im.kind == 0) return M3D_FAILURE;
    static const int32_t kPer[6] = {0, 1, 2, 3, 4, 1};
    const int32_t p = kPer[im.kind], k = im.vertexCount & 3;
    im.vertex[k][0] = (int16_t)x, im.vertex[k][1] = (int16_t)y, im.vertex[k][2] = (int16_t)z;
    if (k + 1 < p) {
        moveSlot(im, k, k + 1);  // normal and coordinates stay in force until changed
        im.vertexCount = k + 1;
        return M3D_SUCCESS;
    }
    uint32_t word = (uint32_t)im.kind << 24 | 1u << 16 | im.flags;
    int32_t normals[12], texCoords[8];
    const int32_t* tex = nullptr;
    int32_t texWords = 0, normalWords = 0;
    const int32_t color = (int32_t)im.color;
    if (c->renderAttribute & M3D_ATTR_LIGHTING) {
        word |= 3u << 8;
        memcpy(normals, im.normal, sizeof normals);
        normalWords = 3 * p;
    }
    if (im.kind == 5) {
        word |= 1u << 12;
        tex = im.sprite;
        texWords = 8;
    } else if (im.texCoordsGiven) {
        word |= 3u << 12;
        memcpy(texCoords, im.texCoord, sizeof texCoords);
        tex = texCoords;
        texWords = 2 * p;
    } else {
        word |= 1u << 10;
    }
    BlockShape s;
    shapeOf(word, &s);
    const bool useColor = !(word & (3u << 12));
    int32_t result = drawBlock(c, s, &im.vertex[0][0], 3 * p, normalWords ? normals : nullptr, normalWords, tex,
                               texWords, useColor ? &color : nullptr, useColor ? 1 : 0);
    moveSlot(im, k, 0);
    im.vertexCount = 0;
    return result;
}

void m3d_endPrimitive(m3d_Context* c) {
    m3d_Immediate& im = c->immediate;
    if (im.kind == 0) return;
    im.kind = 0;
    if (im.vertexCount > 0) moveSlot(im, im.vertexCount & 3, 0);
    im.vertexCount = 0;
}
