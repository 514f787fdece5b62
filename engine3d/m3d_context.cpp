// The engine context's life cycle and render target.
#include "engine3d/m3d_context.h"

#include <string.h>

#include "engine3d/m3d_light.h"
#include "engine3d/m3d_matrix.h"
#include "engine3d/m3d_texture.h"

namespace {

void release(m3d_Allocator* a, void* block) {
    if (a != nullptr && block != nullptr) a->ops->free(a, block);
}

void initTarget(m3d_RenderTarget* t, m3d_Allocator* allocator) {
    memset(t, 0, sizeof *t);
    t->allocator = allocator;
    for (int i = 0; i < M3D_TOON_STEPS; i++) t->toonTable[i] = i < 16 ? 15 : 31;
}

void setView(m3d_Context* c, void* pixels, int32_t width, int32_t height, int32_t pitch) {
    m3d_wrapImage(&c->targetView, pixels, pitch, width, height, M3D_FORMAT_COLOR16);
    m3d_recomputeClip(c);
    c->target.surface = &c->targetView;
    m3d_endFrame(c);
}

void emptySlots(m3d_Context* c) {
    for (int i = 0; i < M3D_TEXTURE_SLOTS; i++) {
        m3d_dropRef(c->textures[i]);
        c->textures[i] = nullptr;
    }
}

int32_t saturate16(int32_t v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; }

uint32_t switchAttribute(m3d_Context* c, uint32_t bit, int32_t on) {
    uint32_t previous = c->renderAttribute;
    if (on & 0xFF)
        c->renderAttribute |= bit;
    else
        c->renderAttribute &= ~bit;
    return previous;
}

}  // namespace

void m3d_takeRef(void* object) {
    if (object != nullptr) (*(int32_t*)object)++;
}

void m3d_dropRef(void* object) {
    if (object != nullptr && *(int32_t*)object > 0) (*(int32_t*)object)--;
}

void m3d_initContext(m3d_Context* c, m3d_Allocator* allocator) {
    memset(c, 0, sizeof *c);
    c->allocator = allocator;
    m3d_matIdentity(c->viewMatrix);
    m3d_matIdentity(c->projMatrix);
    m3d_matIdentity(c->combinedMatrix);
    c->combinedValid = 1;
    initTarget(&c->target, allocator);
    m3d_initImage(&c->targetView);
    c->renderAttribute = M3D_ATTR_BLENDING;
    c->openBatchUntextured = -1;
    c->openBatchTextured = -1;
    m3d_initTexture(&c->rampTexture, nullptr);
    c->clipLeft = 0;
    c->clipTop = 0;
    c->clipRight = 4096;
    c->clipBottom = 4096;
    m3d_recomputeClip(c);
    m3d_setAmbientLight(c, 0);
    const int32_t towardsViewer[3] = {0, 0, 4096};
    m3d_setDirectionalLight(c, towardsViewer, 4096);
    c->projectionMode = 0;
}

void m3d_releaseContext(m3d_Context* c) {
    m3d_endFrame(c);
    emptySlots(c);
    m3d_dropRef(c->extraTexture);
    m3d_dropRef(c->targetTexture);
    m3d_dropRef(c->figure);
    m3d_releaseImage(&c->targetView);
    m3d_Allocator* a = c->allocator;
    release(a, c->rampBlock);
    for (void* block = c->poolFirst; block != nullptr;) {
        void* next = *(void**)block;
        release(a, block);
        block = next;
    }
    release(a, c->clipBlock);
    release(a, c->depthBlock);
    release(a, c->vertices);
    release(a, c->batches);
    m3d_initContext(c, nullptr);
}

int32_t m3d_setTargetTexture(m3d_Context* c, m3d_Texture* texture) {
    if (texture == nullptr) return M3D_FAILURE;
    // only a 16-bit 256 x 256 image can be rendered into; anything else is replaced
    const m3d_Image& t = texture->texels;
    bool renderable = texture->renderFlags == M3D_TEXFLAGS_256 && m3d_isImageValid(&t) &&
                      t.format == M3D_FORMAT_COLOR16 && t.pitch >= t.width;
    if (!renderable && !m3d_makeRenderTexture(texture)) return M3D_FAILURE;
    m3d_dropRef(c->targetTexture);
    m3d_takeRef(texture);
    c->targetTexture = texture;
    setView(c, texture->texels.pixels, texture->texels.width, texture->texels.height, texture->texels.pitch);
    return M3D_SUCCESS;
}

void m3d_setTargetSurface(m3d_Context* c, int32_t width, int32_t height, int32_t pitch, uint16_t* pixels) {
    if (pixels == nullptr || width < 0 || height < 0 || pitch < width) return;
    m3d_dropRef(c->targetTexture);
    c->targetTexture = nullptr;
    setView(c, pixels, width, height, pitch);
}

int32_t m3d_setTexture(m3d_Context* c, m3d_Texture* texture) {
    emptySlots(c);
    if (!m3d_isTexture256(texture)) return M3D_FAILURE;
    m3d_takeRef(texture);
    c->textures[0] = texture;
    c->textureIndex = 0;
    return M3D_SUCCESS;
}

int32_t m3d_setTextures(m3d_Context* c, const m3d_TextureList* list) {
    if (list == nullptr) {
        emptySlots(c);
        return M3D_SUCCESS;
    }
    if (list->count > M3D_TEXTURE_SLOTS) return M3D_FAILURE;
    int32_t result = M3D_SUCCESS;
    for (int32_t i = 0; i < M3D_TEXTURE_SLOTS; i++) {
        m3d_Texture* texture = i < list->count ? list->textures[i] : nullptr;
        m3d_dropRef(c->textures[i]);
        c->textures[i] = nullptr;
        if (i >= list->count) continue;
        if (m3d_isTexture256(texture)) {
            m3d_takeRef(texture);
            c->textures[i] = texture;
        } else {
            result = M3D_FAILURE;
        }
    }
    return result;
}

int32_t m3d_setExtraTexture(m3d_Context* c, m3d_Texture* texture) {
    m3d_dropRef(c->extraTexture);
    c->extraTexture = nullptr;
    if (texture == nullptr || !m3d_isImageValid(&texture->texels) || texture->texels.width != 64 ||
        texture->texels.height != 64 || m3d_isImageValid(&texture->shade))
        return M3D_FAILURE;
    m3d_takeRef(texture);
    c->extraTexture = texture;
    return M3D_SUCCESS;
}

void m3d_setClipRect(m3d_Context* c, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    c->clipLeft = saturate16(left);
    c->clipTop = saturate16(top);
    c->clipRight = saturate16(right);
    c->clipBottom = saturate16(bottom);
    m3d_recomputeClip(c);
}

void m3d_recomputeClip(m3d_Context* c) {
    int32_t width = c->targetView.width, height = c->targetView.height;
    m3d_RenderTarget* t = &c->target;
    t->clipLeft = c->clipLeft < 0 ? 0 : c->clipLeft > width ? width : c->clipLeft;
    t->clipTop = c->clipTop < 0 ? 0 : c->clipTop > height ? height : c->clipTop;
    t->clipRight = c->clipRight < width ? c->clipRight : width;
    t->clipBottom = c->clipBottom < height ? c->clipBottom : height;
}

void m3d_endFrame(m3d_Context* c) {
    c->openBatchUntextured = -1;
    c->openBatchTextured = -1;
    m3d_ageShadeRamps(c);
    for (int32_t i = 0; i < c->batchCount; i++) {
        m3d_dropRef(c->batches[i].texture);
        m3d_dropRef(c->batches[i].extraTexture);
        m3d_dropRef(c->batches[i].model);
    }
    c->batchCount = 0;
    c->poolCurrent = c->poolFirst;
    c->poolUsed = M3D_POOL_LINK_BYTES;
    c->verticesUsed = 0;
    c->depthCount = 0;
}

uint32_t m3d_setLightingAllowed(m3d_Context* c, int32_t on) { return switchAttribute(c, M3D_ATTR_LIGHTING, on); }
uint32_t m3d_setEnvironmentAllowed(m3d_Context* c, int32_t on) { return switchAttribute(c, M3D_ATTR_ENVIRONMENT, on); }
uint32_t m3d_setBlendingAllowed(m3d_Context* c, int32_t on) { return switchAttribute(c, M3D_ATTR_BLENDING, on); }
