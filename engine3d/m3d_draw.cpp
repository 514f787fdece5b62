// Frame drawing.
//
// The walk binds a batch's textures only when the polygon id changes, so polygons of one
// block or model share one binding. A lit flat-colour polygon rebinds texture 0 to the
// shade-ramp image for itself and so forgets the binding for the next polygon.
#include "engine3d/m3d_draw.h"

#include "engine3d/m3d_context.h"
#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_frame.h"
#include "engine3d/m3d_light.h"
#include "engine3d/m3d_raster.h"
#include "engine3d/m3d_texture.h"
#include "engine3d/m3d_triangle.h"

namespace {

// Ranges of high - low below this are left to the insertion pass.
constexpr int32_t kSmallRange = 11;

typedef void (*SetupFn)(m3d_RenderTarget*, const m3d_RasterEntry*, const m3d_SetupVertex*, const m3d_SetupVertex*,
                        const m3d_SetupVertex*);

struct Walk {
    m3d_Context* c;
    const m3d_ScreenVertex* v;  // the screen vertices from the polygon id's base

    const m3d_ScreenVertex& at(uint16_t index) const { return v[index]; }

    void point(uint32_t w, const void* record) {
        const auto* r = (const m3d_PointRecord*)record;
        m3d_drawPoint(&c->target, w, at(r->vertex).x, at(r->vertex).y, r->color);
    }

    void line(uint32_t w, const void* record) {
        const auto* r = (const m3d_LineRecord*)record;
        const m3d_ScreenVertex &a = at(r->vertex[0]), &b = at(r->vertex[1]);
        m3d_drawLine(&c->target, w, a.x, a.y, b.x, b.y, r->color);
    }

    void sprite(uint32_t w, const void* record) {
        const auto* r = (const m3d_SpriteRecord*)record;
        const m3d_ScreenVertex& p = at(r->vertex);
        const int32_t co = m3d_cos(r->angle), si = m3d_sin(r->angle);
        const int32_t x = p.x, y = p.y;
        const int32_t shh = (si * r->halfHeight) >> 12, chw = (co * r->halfWidth) >> 12;
        const int32_t shw = (si * r->halfWidth) >> 12, chh = (co * r->halfHeight) >> 12;
        const int32_t u0 = r->uv[0], v0 = r->uv[1], u1 = r->uv[2], v1 = r->uv[3];
        const m3d_SetupVertex p0 = {x + shh - chw, y - shw - chh, {u0, v0}};
        const m3d_SetupVertex p1 = {x - shh - chw, y - shw + chh, {u0, v1}};
        const m3d_SetupVertex p2 = {x + shh + chw, y + shw - chh, {u1, v0}};
        const m3d_SetupVertex p3 = {x - shh + chw, y + shw + chh, {u1, v1}};
        const m3d_RasterEntry* e = m3d_rasterFnForPrimitive(w);
        m3d_drawTriangleTextured(&c->target, e, &p0, &p1, &p2);
        m3d_drawTriangleTextured(&c->target, e, &p1, &p2, &p3);
    }

    // Returns false when the polygon rebound texture 0 for itself.
    bool polygon(uint32_t w, uint32_t s, const void* record) {
        const bool quad = (s & 16) != 0;
        const int32_t count = quad ? 4 : 3;
        const uint16_t* index = (const uint16_t*)record + 1;
        const uint8_t* tail = (const uint8_t*)record + 2 + 2 * count;  // texture coordinates, colour or material
        const bool env = (w & M3D_RW_ENVIRONMENT) != 0;
        const bool flatShading = (w & M3D_RW_FLAT_SHADING) != 0;
        const uint32_t kind = s & 15;
        m3d_RenderTarget* t = &c->target;

        m3d_SetupVertex sv[4];
        for (int32_t k = 0; k < count; k++) {
            const m3d_ScreenVertex& p = at(index[k]);
            const m3d_ScreenVertex& lit = flatShading ? at(index[0]) : p;
            m3d_SetupVertex& o = sv[k];
            o = {p.x, p.y, {0, 0, 0, 0, 0}};
            const int32_t u = tail[2 * k], tv = tail[2 * k + 1];
            switch (kind) {
                case 8:
                    o.a[0] = u, o.a[1] = tv;
                    break;
                case 9:
                    o.a[0] = u, o.a[1] = tv, o.a[2] = lit.light, o.a[3] = lit.envU, o.a[4] = lit.envV;
                    break;
                case 11:
                case 13:
                    o.a[0] = lit.light, o.a[1] = lit.envU, o.a[2] = lit.envV;
                    break;
                default:
                    break;
            }
        }

        const m3d_RasterEntry* entry = nullptr;
        SetupFn setup = nullptr;
        bool keepBinding = true;
        const uint16_t color = (uint16_t)(tail[0] | tail[1] << 8);
        const uint8_t material = tail[0];
        switch (kind) {
            case 8:
                entry = m3d_rasterFnForPrimitive(w);
                setup = m3d_drawTriangleTextured;
                break;
            case 9:
                entry = env ? m3d_rasterFnTexturedLitEnv(w) : m3d_rasterFnTexturedLit(w);
                setup = env ? m3d_drawTriangle5 : m3d_drawTriangle3;
                break;
            case 10:
                t->flatColor = color;
                entry = m3d_rasterFnByBlend(w);
                setup = m3d_drawTriangleFlat;
                break;
            case 11: {
                int32_t row = m3d_findShadeRamp(c, color);
                keepBinding = false;
                if (row < 0) return keepBinding;
                t->texture0 = &c->rampTexture;
                t->rampRow = (uint8_t)row;
                entry = env ? m3d_rasterFnLitEnv(w) : m3d_rasterFnLit(w);
                setup = env ? m3d_drawTriangle3 : m3d_drawTriangleLight;
                break;
            }
            case 12:
                t->rampRow = material;
                entry = m3d_rasterFnMaterial(w);
                setup = m3d_drawTriangleFlat;
                break;
            case 13:
                t->rampRow = material;
                entry = env ? m3d_rasterFnLitEnv(w) : m3d_rasterFnLit(w);
                setup = env ? m3d_drawTriangle3 : m3d_drawTriangleLight;
                break;
            default:
                return keepBinding;
        }
        setup(t, entry, &sv[0], &sv[1], &sv[2]);
        if (quad) setup(t, entry, &sv[1], &sv[2], &sv[3]);
        return keepBinding;
    }
};

}  // namespace

int32_t m3d_sortDepthList(m3d_Context* c) {
    const int32_t n = c->depthCount;
    if (!m3d_reserveClipBytes(c, (uint32_t)n * sizeof(uint16_t))) return M3D_FAILURE;
    if (n == 0) return M3D_SUCCESS;
    uint16_t* o = c->sortOrder;
    const int16_t* key = c->depthKeys;
    for (int32_t i = 0; i < n; i++) o[i] = (uint16_t)i;

    // The smaller side is worked on first and the larger pushed, so the stack never
    // holds more than log2(n) ranges.
    struct Range {
        int32_t low, high;
    } stack[32];
    int32_t top = 0, low = 0, high = n - 1;
    for (;;) {
        while (high - low >= kSmallRange) {
            const int16_t pivot = key[o[(low + high) >> 1]];
            int32_t i = low, j = high;
            while (i <= j) {
                while (key[o[i]] > pivot) i++;
                while (key[o[j]] < pivot) j--;
                if (i <= j) {
                    uint16_t x = o[i];
                    o[i++] = o[j];
                    o[j--] = x;
                }
            }
            if (j - low < high - i) {
                if (high - i >= kSmallRange) stack[top++] = {i, high};
                high = j;
            } else {
                if (j - low >= kSmallRange) stack[top++] = {low, j};
                low = i;
            }
        }
        if (top == 0) break;
        top--;
        low = stack[top].low;
        high = stack[top].high;
    }
    for (int32_t i = 1; i < n; i++) {
        const uint16_t x = o[i];
        const int16_t k = key[x];
        int32_t j = i;
        for (; j > 0 && key[o[j - 1]] < k; j--) o[j] = o[j - 1];
        o[j] = x;
    }
    return M3D_SUCCESS;
}

void m3d_renderFigure(m3d_Context* c) {
    for (int32_t i = 0; i < c->batchCount; i++) {
        m3d_DrawBatch& b = c->batches[i];
        const uint32_t texFlags = b.texture != nullptr ? b.texture->renderFlags : 0;
        const uint32_t extraFlags = b.extraTexture != nullptr ? b.extraTexture->renderFlags : 0;
        b.renderFlags = (b.renderFlags & 0xFFFF) | texFlags << 16 | extraFlags << 24;
        if (extraFlags != M3D_TEXFLAGS_64) b.renderMask &= ~(uint32_t)M3D_RW_ENVIRONMENT;
    }
    m3d_RenderTarget* t = &c->target;
    Walk walk = {c, nullptr};
    uint32_t bound = M3D_NO_BATCH;
    const m3d_DrawBatch* batch = nullptr;
    for (int32_t k = 0; k < c->depthCount; k++) {
        const m3d_DepthEntry& e = c->depthEntries[c->sortOrder[k]];
        if (e.polygonId != bound) {
            const uint32_t index = e.polygonId >> M3D_POLYID_BATCH_SHIFT;
            if (index >= (uint32_t)c->batchCount) continue;
            batch = &c->batches[index];
            t->texture0 = batch->texture;
            t->texture1 = batch->extraTexture;
            walk.v = c->vertices + (e.polygonId & M3D_POLYID_BASE_MASK);
            bound = e.polygonId;
        }
        const uint32_t w = (batch->renderMask & *(const uint16_t*)e.record) | batch->renderFlags;
        const uint32_t s = (w >> 11) & 31;
        switch (s) {
            case 2:
            case 3:
            case 18:
            case 19:
                walk.point(w, e.record);
                break;
            case 4:
            case 5:
            case 20:
            case 21:
                walk.line(w, e.record);
                break;
            case 6:
            case 7:
            case 22:
            case 23:
                walk.sprite(w, e.record);
                break;
            default:
                if ((s & 8) && !walk.polygon(w, s, e.record)) bound = M3D_NO_BATCH;
                break;
        }
    }
    t->texture0 = nullptr;
    t->texture1 = nullptr;
}

int32_t m3d_drawFigure(m3d_Context* c) {
    if (c->target.surface == nullptr || !m3d_isImageValid(&c->targetView)) {
        m3d_endFrame(c);
        return M3D_FAILURE;
    }
    if (c->verticesUsed == 0) return M3D_SUCCESS;
    if (!m3d_sortDepthList(c)) {
        m3d_endFrame(c);
        return M3D_FAILURE;
    }
    m3d_renderFigure(c);
    m3d_endFrame(c);
    return M3D_SUCCESS;
}
