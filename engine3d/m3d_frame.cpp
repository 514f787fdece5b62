// Frame building.
//
// The stores live as long as the context and are grown in steps, so that a steady scene
// allocates nothing per frame. A store that cannot be grown for want of memory ends the
// frame (everything queued refers into it); one that would pass its limit only refuses
// the block in hand. Ending the frame also forgets the block in hand (blockVertexCount),
// so that a builder that sees a failed reservation has nothing left to advance.
#include "engine3d/m3d_frame.h"

#include <string.h>

#include "engine3d/m3d_color.h"
#include "engine3d/m3d_context.h"
#include "engine3d/m3d_project.h"

namespace {

// Per clip entry: three eye values and a clip code.
constexpr uint32_t kClipEntryBytes = 3 * sizeof(int32_t) + 1;
constexpr uint32_t kDepthEntryBytes = sizeof(m3d_DepthEntry) + sizeof(int16_t);

void* allocate(m3d_Context* c, uint64_t bytes) {
    if (c->allocator == nullptr || bytes > 0xFFFFFFFFu) return nullptr;
    return c->allocator->ops->allocate(c->allocator, (uint32_t)bytes);
}

void release(m3d_Context* c, void* block) {
    if (block != nullptr && c->allocator != nullptr) c->allocator->ops->free(c->allocator, block);
}

void setClipBlock(m3d_Context* c, void* block, int32_t capacity) {
    c->clipBlock = block;
    c->clipCapacity = capacity;
    c->clipEye = (int32_t(*)[3])block;
    c->clipCodes = block == nullptr ? nullptr : (uint8_t*)block + (size_t)capacity * 3 * sizeof(int32_t);
    // the sort runs after the frame's clipping is done and reuses the block
    c->sortOrder = (uint16_t*)block;
}

void endFrameLosingBlock(m3d_Context* c) {
    m3d_endFrame(c);
    c->blockVertexCount = 0;
}

int32_t verticesPer(int32_t kind) {
    static const int32_t kPer[6] = {0, 1, 2, 3, 4, 1};
    return kind >= 1 && kind <= 5 ? kPer[kind] : 0;
}

bool add(m3d_Context* c, uint32_t id, void* record) {
    if (record == nullptr) return false;  // a full pool drops the record alone
    m3d_addDepth(c, id, record);
    return true;
}

struct Builder {
    m3d_Context* c;
    int32_t kind, n, p, base;
    uint32_t w;
    const m3d_BlockArrays* arrays;
    bool perspective;

    uint8_t code(int32_t v) const { return perspective ? c->clipCodes[base + v] : 0; }
    uint16_t color(int32_t i) const {
        int32_t k = i < arrays->colorWords ? i : arrays->colorWords - 1;
        return m3d_colorFrom24((uint32_t)arrays->colors[k]);
    }
    uint8_t texCoord(int32_t v, int32_t axis) const { return (uint8_t)arrays->texCoords[2 * v + axis]; }

    bool points() {
        if (arrays->colorWords < 1) return true;
        uint32_t id = m3d_selectBatch(c, w, false);
        if (id == M3D_NO_BATCH) return false;
        for (int32_t i = 0; i < n; i++) {
            if (code(i) != 0) continue;
            auto* r = (m3d_PointRecord*)m3d_poolAllocate(c, sizeof(m3d_PointRecord));
            if (r != nullptr) *r = {(uint16_t)w, (uint16_t)i, color(i)};
            add(c, id, r);
        }
        return true;
    }

    // Moves endpoint a onto the plane its code names, along the line to b.
    int32_t clipEnd(int32_t a, int32_t b) {
        int32_t plane = (code(a) & M3D_CLIP_NEAR) ? c->projNear : c->projFar;
        int32_t at = c->verticesUsed + c->blockVertexCount++;
        m3d_clipVertex(c, at, base + a, base + b, plane);
        return at - base;
    }

    bool lines() {
        if (arrays->colorWords < 1) return true;
        uint32_t id = m3d_selectBatch(c, w, false);
        if (id == M3D_NO_BATCH) return false;
        for (int32_t i = 0; i < n; i++) {
            int32_t a = 2 * i, b = 2 * i + 1;
            uint8_t ca = code(a), cb = code(b);
            if ((ca & cb) != 0 || ((ca | cb) & M3D_CLIP_RANGE) != 0) continue;
            if ((ca | cb) != 0) {
                if (!m3d_reserveVertices(c, 2)) return false;
                int32_t a2 = ca != 0 ? clipEnd(a, b) : a;
                int32_t b2 = cb != 0 ? clipEnd(b, a) : b;
                a = a2, b = b2;
            }
            auto* r = (m3d_LineRecord*)m3d_poolAllocate(c, sizeof(m3d_LineRecord));
            if (r != nullptr) *r = {(uint16_t)w, {(uint16_t)a, (uint16_t)b}, 0, color(i)};
            add(c, id, r);
        }
        return true;
    }

    bool polygons() {
        const bool textured = arrays->texWords >= 2 * p * n;
        if (!textured && arrays->colorWords < 1) return true;
        const uint32_t word = w | M3D_RW_POLYGON | (textured ? 0u : (uint32_t)M3D_RW_FLAT_COLOR);
        uint32_t id = m3d_selectBatch(c, word, textured);
        if (id == M3D_NO_BATCH) return false;
        for (int32_t i = 0; i < n; i++) {
            const int32_t first = p * i;
            uint8_t all = 0xFF, any = 0;
            for (int32_t k = 0; k < p; k++) all &= code(first + k), any |= code(first + k);
            if (any != 0) {
                if (all != 0 || (any & M3D_CLIP_RANGE)) continue;
                m3d_ClipPolygon cp = {};
                cp.polygonId = id;
                cp.renderWord = (uint16_t)word;
                cp.count = p;
                for (int32_t k = 0; k < p; k++) {
                    cp.vertex[k] = (uint16_t)(first + k);
                    if (textured) cp.uv[k][0] = texCoord(first + k, 0), cp.uv[k][1] = texCoord(first + k, 1);
                }
                if (!textured) cp.color = color(i);
                if (!m3d_clipPolygon(c, &cp, n - i - 1)) return false;
                continue;
            }
            // quads are stored in strip order a, b, d, c
            static const int32_t kStrip[4] = {0, 1, 3, 2};
            void* record;
            if (textured && p == 4) {
                auto* r = (m3d_TexturedQuadRecord*)m3d_poolAllocate(c, sizeof(m3d_TexturedQuadRecord));
                if (r != nullptr) {
                    r->renderWord = (uint16_t)word;
                    for (int k = 0; k < 4; k++) {
                        int32_t v = first + kStrip[k];
                        r->vertex[k] = (uint16_t)v;
                        r->uv[2 * k] = texCoord(v, 0), r->uv[2 * k + 1] = texCoord(v, 1);
                    }
                }
                record = r;
            } else if (textured) {
                auto* r = (m3d_TexturedTriangleRecord*)m3d_poolAllocate(c, sizeof(m3d_TexturedTriangleRecord));
                if (r != nullptr) {
                    r->renderWord = (uint16_t)word;
                    for (int k = 0; k < 3; k++) {
                        r->vertex[k] = (uint16_t)(first + k);
                        r->uv[2 * k] = texCoord(first + k, 0), r->uv[2 * k + 1] = texCoord(first + k, 1);
                    }
                }
                record = r;
            } else if (p == 4) {
                auto* r = (m3d_FlatQuadRecord*)m3d_poolAllocate(c, sizeof(m3d_FlatQuadRecord));
                if (r != nullptr) {
                    *r = {(uint16_t)word, {0, 0, 0, 0}, color(i), 0};
                    for (int k = 0; k < 4; k++) r->vertex[k] = (uint16_t)(first + kStrip[k]);
                }
                record = r;
            } else {
                auto* r = (m3d_FlatTriangleRecord*)m3d_poolAllocate(c, sizeof(m3d_FlatTriangleRecord));
                if (r != nullptr)
                    *r = {(uint16_t)word, {(uint16_t)first, (uint16_t)(first + 1), (uint16_t)(first + 2)}, color(i), 0};
                record = r;
            }
            add(c, id, record);
        }
        return true;
    }

    bool sprites() {
        const int32_t sets = arrays->texWords / 8;
        if (sets < 1) return true;
        uint32_t id = m3d_selectBatch(c, w, true);
        if (id == M3D_NO_BATCH) return false;
        for (int32_t i = 0; i < n; i++) {
            if (code(i) != 0) continue;
            const int32_t* s = arrays->texCoords + 8 * (i < sets ? i : sets - 1);
            int32_t hw, hh;
            m3d_spriteHalfSize(c, base + i, s[0], s[1], s[7], &hw, &hh);
            auto* r = (m3d_SpriteRecord*)m3d_poolAllocate(c, sizeof(m3d_SpriteRecord));
            if (r != nullptr)
                *r = {(uint16_t)w, (uint16_t)i,    (int16_t)hw,
                      (int16_t)hh, (uint16_t)s[2], {(uint8_t)s[3], (uint8_t)s[4], (uint8_t)s[5], (uint8_t)s[6]}};
            add(c, id, r);
        }
        return true;
    }
};

}  // namespace

int32_t m3d_reserveBatches(m3d_Context* c, int32_t extra) {
    int64_t needed = (int64_t)c->batchCount + extra;
    if (needed <= c->batchCapacity) return M3D_SUCCESS;
    int64_t capacity = needed + 256 < 512 ? 512 : needed + 256;
    if (capacity > M3D_MAX_BATCHES) return M3D_FAILURE;
    if (c->batchCount == 0) {
        release(c, c->batches);
        c->batches = nullptr;
        c->batchCapacity = 0;
    }
    auto* block = (m3d_DrawBatch*)allocate(c, (uint64_t)capacity * sizeof(m3d_DrawBatch));
    if (block == nullptr) return M3D_FAILURE;
    if (c->batchCount > 0) memcpy(block, c->batches, (size_t)c->batchCount * sizeof(m3d_DrawBatch));
    release(c, c->batches);
    c->batches = block;
    c->batchCapacity = (int32_t)capacity;
    return M3D_SUCCESS;
}

int32_t m3d_reserveDepth(m3d_Context* c, int32_t n) {
    int64_t needed = (int64_t)c->depthCount + n;
    if (needed <= c->depthCapacity) return M3D_SUCCESS;
    int64_t capacity = needed + 256 < 512 ? 512 : needed + 256;
    if (capacity > M3D_MAX_DEPTH_ENTRIES) return M3D_FAILURE;
    if (c->depthCount == 0) {
        release(c, c->depthBlock);
        c->depthBlock = nullptr;
        c->depthEntries = nullptr;
        c->depthKeys = nullptr;
        c->depthCapacity = 0;
    }
    void* block = allocate(c, (uint64_t)capacity * kDepthEntryBytes);
    if (block == nullptr) {
        endFrameLosingBlock(c);
        release(c, c->depthBlock);
        c->depthBlock = nullptr;
        c->depthEntries = nullptr;
        c->depthKeys = nullptr;
        c->depthCapacity = 0;
        return M3D_FAILURE;
    }
    auto* entries = (m3d_DepthEntry*)block;
    auto* keys = (int16_t*)(entries + capacity);
    if (c->depthCount > 0) {
        memcpy(entries, c->depthEntries, (size_t)c->depthCount * sizeof(m3d_DepthEntry));
        memcpy(keys, c->depthKeys, (size_t)c->depthCount * sizeof(int16_t));
    }
    release(c, c->depthBlock);
    c->depthBlock = block;
    c->depthEntries = entries;
    c->depthKeys = keys;
    c->depthCapacity = (int32_t)capacity;
    return M3D_SUCCESS;
}

int32_t m3d_reserveVertices(m3d_Context* c, int32_t n) {
    const int64_t held = (int64_t)c->verticesUsed + c->blockVertexCount;
    const int64_t needed = held + n;
    if (needed > c->vertexCapacity) {
        int64_t capacity = needed + 512 < 1024 ? 1024 : needed + 512;
        if (capacity > M3D_MAX_VERTICES) return M3D_FAILURE;
        if (held == 0) {
            release(c, c->vertices);
            c->vertices = nullptr;
            c->vertexCapacity = 0;
        }
        auto* block = (m3d_ScreenVertex*)allocate(c, (uint64_t)capacity * sizeof(m3d_ScreenVertex));
        if (block == nullptr) {
            endFrameLosingBlock(c);
            release(c, c->vertices);
            c->vertices = nullptr;
            c->vertexCapacity = 0;
            return M3D_FAILURE;
        }
        if (held > 0) memcpy(block, c->vertices, (size_t)held * sizeof(m3d_ScreenVertex));
        release(c, c->vertices);
        c->vertices = block;
        c->vertexCapacity = (int32_t)capacity;
    }
    if (c->projectionMode == M3D_PROJ_PERSPECTIVE && needed > c->clipCapacity) {
        // the clip buffer follows the vertex buffer's capacity, keeping the block in hand
        int32_t capacity = c->vertexCapacity;
        void* block = allocate(c, (uint64_t)capacity * kClipEntryBytes);
        if (block == nullptr) return M3D_FAILURE;
        void* old = c->clipBlock;
        int32_t(*oldEye)[3] = c->clipEye;
        uint8_t* oldCodes = c->clipCodes;
        setClipBlock(c, block, capacity);
        if (old != nullptr && held > 0) {
            memcpy(c->clipEye, oldEye, (size_t)held * sizeof *oldEye);
            memcpy(c->clipCodes, oldCodes, (size_t)held);
        }
        release(c, old);
    }
    return M3D_SUCCESS;
}

int32_t m3d_reserveClipBytes(m3d_Context* c, uint32_t bytes) {
    if ((uint64_t)c->clipCapacity * kClipEntryBytes >= bytes) return M3D_SUCCESS;
    int32_t capacity = (int32_t)((bytes + kClipEntryBytes - 1) / kClipEntryBytes);
    void* block = allocate(c, (uint64_t)capacity * kClipEntryBytes);
    if (block == nullptr) return M3D_FAILURE;
    release(c, c->clipBlock);
    setClipBlock(c, block, capacity);
    return M3D_SUCCESS;
}

void* m3d_poolAllocate(m3d_Context* c, uint32_t size) {
    size = (size + 3) & ~3u;
    if (size > M3D_POOL_BLOCK_BYTES - M3D_POOL_LINK_BYTES) return nullptr;
    if (c->poolCurrent == nullptr) {
        if (c->poolFirst == nullptr) {
            void* block = allocate(c, M3D_POOL_BLOCK_BYTES);
            if (block == nullptr) return nullptr;
            *(void**)block = nullptr;
            c->poolFirst = block;
        }
        c->poolCurrent = c->poolFirst;
        c->poolUsed = M3D_POOL_LINK_BYTES;
    }
    while (c->poolUsed + size > M3D_POOL_BLOCK_BYTES) {
        void* next = *(void**)c->poolCurrent;
        if (next == nullptr) {
            next = allocate(c, M3D_POOL_BLOCK_BYTES);
            if (next == nullptr) return nullptr;
            *(void**)next = nullptr;
            *(void**)c->poolCurrent = next;
        }
        c->poolCurrent = next;
        c->poolUsed = M3D_POOL_LINK_BYTES;
    }
    void* record = (uint8_t*)c->poolCurrent + c->poolUsed;
    c->poolUsed += size;
    return record;
}

uint32_t m3d_selectBatch(m3d_Context* c, uint32_t renderWord, bool textured) {
    const bool env = (renderWord & M3D_RW_ENVIRONMENT) != 0;
    int32_t& open = textured ? c->openBatchTextured : c->openBatchUntextured;
    m3d_Texture* texture = textured ? c->textures[c->textureIndex & (M3D_TEXTURE_SLOTS - 1)] : nullptr;
    if (open >= 0 && open < c->batchCount) {
        const m3d_DrawBatch& b = c->batches[open];
        if (b.texture == texture && (!env || b.extraTexture == c->extraTexture))
            return (uint32_t)c->verticesUsed | (uint32_t)open << M3D_POLYID_BATCH_SHIFT;
    }
    if (!m3d_reserveBatches(c, 1)) return M3D_NO_BATCH;
    int32_t index = c->batchCount++;
    c->batches[index] = {0xFFFFFFFFu, 0, texture, c->extraTexture, nullptr};
    m3d_takeRef(texture);
    m3d_takeRef(c->extraTexture);
    open = index;
    return (uint32_t)c->verticesUsed | (uint32_t)index << M3D_POLYID_BATCH_SHIFT;
}

int16_t m3d_depthKey(const m3d_Context* c, uint32_t id, const void* record) {
    const uint16_t* r = (const uint16_t*)record;
    const uint16_t w = r[0];
    int32_t count;
    if (w & M3D_RW_POLYGON)
        count = (w & M3D_RW_QUAD) ? 4 : 3;
    else
        count = ((w >> M3D_RW_KIND_SHIFT) & 3) == 2 ? 2 : 1;
    const m3d_ScreenVertex* v = c->vertices + (id & M3D_POLYID_BASE_MASK);
    int32_t d[4];
    for (int32_t k = 0; k < count; k++) d[k] = v[r[1 + k]].depth;
    if (count == 1) return (int16_t)d[0];
    int32_t nearest = d[0], farthest = d[0], sum = 0;
    for (int32_t k = 0; k < count; k++) {
        nearest = d[k] < nearest ? d[k] : nearest;
        farthest = d[k] > farthest ? d[k] : farthest;
        sum += d[k];
    }
    if (w & M3D_RW_DEPTH_NEAREST) return (int16_t)nearest;
    if (w & M3D_RW_DEPTH_FARTHEST) return (int16_t)farthest;
    if (count == 3) return (int16_t)(((int64_t)sum * 21845) >> 16);
    return (int16_t)(count == 4 ? sum >> 2 : sum >> 1);
}

int32_t m3d_addDepth(m3d_Context* c, uint32_t id, void* record) {
    if (c->depthCount >= c->depthCapacity) return -1;
    int32_t index = c->depthCount++;
    c->depthEntries[index] = {id, record};
    c->depthKeys[index] = m3d_depthKey(c, id, record);
    return index;
}

int32_t m3d_buildBlock(m3d_Context* c, int32_t kind, int32_t n, uint32_t renderWord, const m3d_BlockArrays* arrays) {
    Builder b = {
        c, kind, n, verticesPer(kind), c->verticesUsed, renderWord, arrays, c->projectionMode == M3D_PROJ_PERSPECTIVE};
    bool ok = true;
    if (b.p != 0 && c->blockVertexCount >= b.p * n) {
        switch (kind) {
            case 1:
                ok = b.points();
                break;
            case 2:
                ok = b.lines();
                break;
            case 5:
                ok = b.sprites();
                break;
            default:
                ok = b.polygons();
                break;
        }
    }
    c->verticesUsed += c->blockVertexCount;
    c->blockVertexCount = 0;
    return ok ? M3D_SUCCESS : M3D_FAILURE;
}
