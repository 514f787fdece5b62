// Models in a frame.
//
// World matrices are refreshed lazily: a bone's world matrix is recomputed only while it
// or an ancestor in its own chain is flagged when it is evaluated, and evaluating it
// clears the flags of the bones recomputed. A parent posed once therefore refreshes the
// first child evaluated after it; its other children keep their stored world matrices.
//
// Mask bit k selects pattern k + 1, so that all 33 patterns are reachable and pattern 0,
// always queued first, is never queued twice.
#include "engine3d/m3d_modelframe.h"

#include <string.h>

#include "engine3d/m3d_context.h"
#include "engine3d/m3d_frame.h"
#include "engine3d/m3d_light.h"
#include "engine3d/m3d_matrix.h"
#include "engine3d/m3d_project.h"
#include "engine3d/m3d_texture.h"

namespace {

bool isLoaded(const m3d_Model* m) { return m != nullptr && m->arena != nullptr; }

int64_t signedArea(const m3d_ScreenVertex* v, const uint16_t* index, bool quad) {
    const m3d_ScreenVertex &a = v[index[0]], &b = v[index[1]], &c = v[index[2]];
    int64_t area = ((int64_t)a.x - b.x) * ((int64_t)b.y - c.y) - ((int64_t)b.x - c.x) * ((int64_t)a.y - b.y);
    if (quad) {
        const m3d_ScreenVertex& d = v[index[3]];
        area += ((int64_t)c.x - d.x) * ((int64_t)b.y - c.y) - ((int64_t)c.y - d.y) * ((int64_t)b.x - c.x);
    }
    return area;
}

// Queues records [first, end) of a group under a polygon id.
void queueRun(m3d_Context* c, const m3d_PolygonGroup& g, bool quad, bool textured, uint32_t first, uint32_t end,
              uint32_t id) {
    const bool perspective = c->projectionMode == M3D_PROJ_PERSPECTIVE;
    // a frame ended for want of memory has dropped the model's batches
    auto frameEnded = [c, id] { return (id >> M3D_POLYID_BATCH_SHIFT) >= (uint32_t)c->batchCount; };
    if (c->vertices == nullptr || (perspective && c->clipBlock == nullptr) || end <= first || frameEnded()) return;
    if (!m3d_reserveDepth(c, (int32_t)(end - first))) return;
    const int32_t count = quad ? 4 : 3;
    for (uint32_t r = first; r < end; r++) {
        uint8_t* record = (uint8_t*)g.records + (size_t)r * (uint32_t)g.recordSize;
        const uint16_t* index = (const uint16_t*)record + 1;
        const uint16_t word = *(const uint16_t*)record;
        const int32_t base = (int32_t)(id & M3D_POLYID_BASE_MASK);
        if (perspective) {
            uint8_t all = 0xFF, any = 0;
            for (int32_t k = 0; k < count; k++) {
                uint8_t code = c->clipCodes[base + index[k]];
                all &= code, any |= code;
            }
            if (any != 0) {
                if ((any & M3D_CLIP_RANGE) || all != 0) continue;
                // records keep quads in strip order; the clipper walks round the polygon
                static const int32_t kRound[4] = {0, 1, 3, 2};
                m3d_ClipPolygon p = {};
                p.polygonId = id;
                p.renderWord = word;
                p.count = count;
                const uint8_t* tail = record + 2 + 2 * count;
                for (int32_t k = 0; k < count; k++) {
                    const int32_t from = quad ? kRound[k] : k;
                    p.vertex[k] = index[from];
                    if (textured) p.uv[k][0] = tail[2 * from], p.uv[k][1] = tail[2 * from + 1];
                }
                if (!textured) p.color = tail[0];
                if (!m3d_clipPolygon(c, &p, (int32_t)(end - r - 1)) || frameEnded()) return;
                continue;
            }
        }
        if (!(word & M3D_RW_DOUBLE_SIDED) && signedArea(c->vertices + base, index, quad) < 1) continue;
        m3d_addDepth(c, id, record);
    }
}

void queuePattern(m3d_Context* c, const m3d_Model* m, int32_t k, uint32_t base, int32_t firstBatch) {
    if (k >= m->patternCount) return;
    const uint32_t flatId = base | (uint32_t)firstBatch << M3D_POLYID_BATCH_SHIFT;
    for (int32_t g = M3D_GROUP_FLAT_TRIANGLES; g <= M3D_GROUP_FLAT_QUADS; g++) {
        const m3d_PolygonGroup& group = m->groups[g];
        if (group.runs != nullptr)
            queueRun(c, group, g == M3D_GROUP_FLAT_QUADS, false, group.runs[k], group.runs[k + 1], flatId);
    }
    for (int32_t j = 0; j < m->textureCount; j++) {
        const uint32_t id = base | (uint32_t)(firstBatch + 1 + j) << M3D_POLYID_BATCH_SHIFT;
        const int32_t run = k * m->textureCount + j;
        for (int32_t g = M3D_GROUP_TEXTURED_TRIANGLES; g <= M3D_GROUP_TEXTURED_QUADS; g++) {
            const m3d_PolygonGroup& group = m->groups[g];
            if (group.runs != nullptr)
                queueRun(c, group, g == M3D_GROUP_TEXTURED_QUADS, true, group.runs[run], group.runs[run + 1], id);
        }
    }
}

}  // namespace

void m3d_setBonePose(m3d_Model* m, int32_t bone, const int32_t* matrix) {
    if (!isLoaded(m) || matrix == nullptr || bone < 0 || bone >= m->boneCount) return;
    memcpy(m->local[bone], matrix, sizeof m->local[bone]);
    m->bones[bone].poseChanged = 1;
}

void m3d_applyMotion(m3d_Model* m, const m3d_Motion* motion, int32_t action, int32_t time) {
    if (!isLoaded(m) || motion == nullptr || motion->arena == nullptr || action < 0 ||
        action >= (int32_t)motion->actionCount)
        return;
    const int32_t bones = m->boneCount < (int32_t)motion->boneCount ? m->boneCount : (int32_t)motion->boneCount;
    for (int32_t b = 0; b < bones; b++) {
        int32_t pose[12];
        m3d_evaluateTrack(motion, action, b, time, pose, m->bones[b].rest);
        m3d_setBonePose(m, b, pose);
    }
    m->patternMask = m3d_motionPatternValue(motion, action, time);
}

int32_t m3d_patternCount(const m3d_Model* m) { return isLoaded(m) ? m->patternCount : 0; }
uint32_t m3d_getPatternMask(const m3d_Model* m) { return m != nullptr ? m->patternMask : 0; }
void m3d_setPatternMask(m3d_Model* m, uint32_t mask) {
    if (m != nullptr) m->patternMask = mask;
}

void m3d_boneWorldMatrix(m3d_Model* m, int32_t bone, int32_t* out) {
    if (!isLoaded(m) || bone < 0 || bone >= m->boneCount) return;
    // the chain runs from the bone up to its root; a malformed parent loop is cut at the
    // bone count
    int32_t length = 0;
    for (int32_t b = bone; b >= 0 && b < m->boneCount && length < m->boneCount; b = m->bones[b].parent)
        m->chain[length++] = b;
    int32_t from = -1;
    for (int32_t i = length - 1; i >= 0; i--)
        if (m->bones[m->chain[i]].poseChanged) {
            from = i;
            break;
        }
    for (int32_t i = from; i >= 0; i--) {
        const int32_t b = m->chain[i];
        const int32_t parent = m->bones[b].parent;
        if (i == length - 1 || parent < 0 || parent >= m->boneCount)
            memcpy(m->world[b], m->local[b], sizeof m->world[b]);
        else
            m3d_matMul(m->world[b], m->world[parent], m->local[b]);
        m->bones[b].poseChanged = 0;
    }
    memcpy(out, m->world[bone], sizeof m->world[bone]);
}

int32_t m3d_addModel(m3d_Context* c, m3d_Model* m) {
    if (c->allocator == nullptr || c->target.surface == nullptr || !m3d_isImageValid(&c->targetView) || !isLoaded(m))
        return M3D_FAILURE;
    const int32_t vertexCount = m->vertexCount;
    c->blockVertexCount = 0;
    if (!m3d_reserveBatches(c, 1 + m->textureCount) || !m3d_reserveVertices(c, vertexCount) ||
        !m3d_reserveDepth(c, m->polygonTotal))
        return M3D_FAILURE;
    c->blockVertexCount = vertexCount;

    const uint32_t attribute = c->renderAttribute;
    uint32_t mask = (attribute & M3D_ATTR_BLENDING) ? 0xFFFFFFFFu : ~(uint32_t)M3D_RW_BLEND_MASK;
    const bool lit = (attribute & M3D_ATTR_LIGHTING) && m->normals != nullptr;
    if (lit && !(attribute & M3D_ATTR_ENVIRONMENT)) mask &= ~(uint32_t)M3D_RW_ENVIRONMENT;
    if (!lit) mask &= ~(uint32_t)(M3D_RW_LIT | M3D_RW_ENVIRONMENT);
    const uint32_t flags = (attribute & M3D_ATTR_TOON) && (mask & M3D_RW_LIT) ? (uint32_t)M3D_RW_TOON : 0;

    const int32_t firstBatch = c->batchCount;
    for (int32_t j = -1; j < m->textureCount; j++) {
        m3d_Texture* texture = j < 0 ? &m->materialRamps : c->textures[j];
        c->batches[c->batchCount++] = {mask, flags, texture, c->extraTexture, m};
        m3d_takeRef(texture);
        m3d_takeRef(c->extraTexture);
        m3d_takeRef(m);
    }

    m3d_updateCombinedMatrix(c);
    const uint32_t base = (uint32_t)c->verticesUsed;
    const bool env = (attribute & M3D_ATTR_ENVIRONMENT) && c->extraTexture != nullptr;
    for (int32_t b = 0; b < m->boneCount; b++) {
        const m3d_ModelBone& bone = m->bones[b];
        if (bone.vertexCount == 0) continue;
        int32_t world[12], matrix[12];
        m3d_boneWorldMatrix(m, b, world);
        m3d_matMul(matrix, c->combinedMatrix, world);
        m3d_transformRun16(c, matrix, m->vertices + 3 * bone.firstVertex, bone.vertexCount,
                           (int32_t)base + bone.firstVertex);
        if (lit) {
            int32_t modelToView[12];
            m3d_matMul(modelToView, c->viewMatrix, world);
            m3d_LightSetup setup;
            m3d_prepareLighting(c, modelToView, &setup);
            m3d_lightVertices8(&setup, m->normals + 3 * bone.firstVertex, bone.vertexCount,
                               c->vertices + base + bone.firstVertex, env);
        }
    }

    queuePattern(c, m, 0, base, firstBatch);
    for (int32_t k = 0; k < 32; k++)
        if (m->patternMask & (1u << k)) queuePattern(c, m, k + 1, base, firstBatch);

    if (c->batchCount <= firstBatch || (c->projectionMode == M3D_PROJ_PERSPECTIVE && c->clipBlock == nullptr)) {
        c->blockVertexCount = 0;
        return M3D_FAILURE;
    }
    c->verticesUsed += c->blockVertexCount;
    c->blockVertexCount = 0;
    return M3D_SUCCESS;
}
