// Projection, vertex transform and clipping.
//
// All sums wrap in 32 bits as the engine's arithmetic does; only range tests on a
// projected position are made in 64 bits, so that a position outside the 16-bit screen
// range is seen as such rather than wrapped back into it.
#include "engine3d/m3d_project.h"

#include <string.h>

#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_frame.h"
#include "engine3d/m3d_matrix.h"

namespace {

m3d_SoftFloat make(int32_t mantissa, int32_t exponent) {
    return (int32_t)((uint32_t)exponent << 16 | ((uint32_t)mantissa & 0xFFFF));
}

int32_t sar(int32_t v, int32_t n) { return n >= 31 ? (v < 0 ? -1 : 0) : v >> n; }

// Right by s, or left by -s.
int32_t shiftBy(int32_t v, int32_t s) {
    if (s >= 0) return sar(v, s);
    return s <= -32 ? 0 : m3d_shl(v, -s);
}

int32_t saturate16(int64_t v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : (int32_t)v; }

// row . v + translation x 4096 + 2048, wrapping.
template <typename T>
int32_t eyeValue(const int32_t* row, const T* v) {
    uint32_t sum = (uint32_t)row[0] * (uint32_t)(int32_t)v[0] + (uint32_t)row[1] * (uint32_t)(int32_t)v[1] +
                   (uint32_t)row[2] * (uint32_t)(int32_t)v[2] + ((uint32_t)row[3] << 12) + 2048;
    return (int32_t)sum;
}

// Screen position of an eye value at depth z (z >= 1) under perspective.
int64_t perspectiveCoord(const m3d_Context* c, int32_t e, int32_t z, int32_t origin) {
    return (int64_t)shiftBy(m3d_shl(e, 4) / z, c->projShift) + origin;
}

int32_t perspectiveDepth(const m3d_Context* c, int32_t z) {
    return (int32_t)((uint32_t)c->depthA - (uint32_t)(c->depthB / z));
}

int32_t surfaceWidth(const m3d_Context* c) { return c->targetView.width; }
int32_t surfaceHeight(const m3d_Context* c) { return c->targetView.height; }

void setPerspectiveScales(m3d_Context* c, m3d_SoftFloat sx, m3d_SoftFloat sy) {
    c->scaleX = sx;
    c->scaleY = sy;
    c->projectionMode = M3D_PROJ_PERSPECTIVE;
    m3d_recomputeProjection(c);
}

template <typename T>
void transformRun(m3d_Context* c, const int32_t* m, const T* vertices, int32_t count, int32_t first) {
    m3d_ScreenVertex* out = c->vertices + first;
    if (c->projectionMode != M3D_PROJ_PERSPECTIVE) {
        for (int32_t i = 0; i < count; i++) {
            const T* v = vertices + 3 * i;
            m3d_ScreenVertex& s = out[i];
            s.x = (int16_t)(eyeValue(m, v) >> 12);
            s.y = (int16_t)(eyeValue(m + 4, v) >> 12);
            s.depth = (int16_t)(eyeValue(m + 8, v) >> 12);
            s.light = s.envU = s.envV = s.unused = 0;
        }
        return;
    }
    for (int32_t i = 0; i < count; i++) {
        const T* v = vertices + 3 * i;
        int32_t e0 = eyeValue(m, v), e1 = eyeValue(m + 4, v), z = eyeValue(m + 8, v) >> 12;
        int32_t* eye = c->clipEye[first + i];
        eye[0] = e0, eye[1] = e1, eye[2] = z;
        m3d_ScreenVertex& s = out[i];
        memset(&s, 0, sizeof s);
        uint8_t code = 0;
        if (z < c->projNear) {
            code = M3D_CLIP_NEAR;
        } else if (z > c->projFar) {
            code = M3D_CLIP_FAR;
        } else {
            int64_t x = perspectiveCoord(c, e0, z, c->originX), y = perspectiveCoord(c, e1, z, c->originY);
            if (x < -32768 || x > 32767 || y < -32768 || y > 32767) code = M3D_CLIP_RANGE;
            s.x = (int16_t)x;
            s.y = (int16_t)y;
            s.depth = (int16_t)perspectiveDepth(c, z);
        }
        c->clipCodes[first + i] = code;
    }
}

int32_t signedArea(const m3d_ScreenVertex& a, const m3d_ScreenVertex& b, const m3d_ScreenVertex& d) {
    int64_t area = ((int64_t)a.x - b.x) * ((int64_t)b.y - d.y) - ((int64_t)b.x - d.x) * ((int64_t)a.y - b.y);
    return area > 0 ? 1 : area < 0 ? -1 : 0;
}

enum PolygonKind { kTextured, kFlat, kMaterial, kNotClipped };

PolygonKind kindOf(uint16_t w) {
    if (!(w & M3D_RW_POLYGON)) return kNotClipped;
    switch (w & (M3D_RW_FLAT_COLOR | M3D_RW_MATERIAL)) {
        case 0:
            return kTextured;
        case M3D_RW_FLAT_COLOR:
            return kFlat;
        case M3D_RW_MATERIAL:
            return kMaterial;
        default:
            return kNotClipped;
    }
}

// One piece of a clipped polygon: a triangle (n = 3) or a quad (n = 4, strip order).
bool emitPiece(m3d_Context* c, const m3d_ClipPolygon* p, PolygonKind kind, int32_t n, const uint16_t* vertex,
               const uint8_t (*uv)[2]) {
    uint16_t w = (uint16_t)(n == 4 ? p->renderWord | M3D_RW_QUAD : p->renderWord & ~M3D_RW_QUAD);
    void* record = nullptr;
    if (kind == kTextured) {
        if (n == 4) {
            auto* r = (m3d_TexturedQuadRecord*)m3d_poolAllocate(c, sizeof(m3d_TexturedQuadRecord));
            if (r != nullptr) {
                r->renderWord = w;
                for (int k = 0; k < 4; k++)
                    r->vertex[k] = vertex[k], r->uv[2 * k] = uv[k][0], r->uv[2 * k + 1] = uv[k][1];
            }
            record = r;
        } else {
            auto* r = (m3d_TexturedTriangleRecord*)m3d_poolAllocate(c, sizeof(m3d_TexturedTriangleRecord));
            if (r != nullptr) {
                r->renderWord = w;
                for (int k = 0; k < 3; k++)
                    r->vertex[k] = vertex[k], r->uv[2 * k] = uv[k][0], r->uv[2 * k + 1] = uv[k][1];
            }
            record = r;
        }
    } else if (kind == kFlat) {
        if (n == 4) {
            auto* r = (m3d_FlatQuadRecord*)m3d_poolAllocate(c, sizeof(m3d_FlatQuadRecord));
            if (r != nullptr) *r = {w, {vertex[0], vertex[1], vertex[2], vertex[3]}, p->color, 0};
            record = r;
        } else {
            auto* r = (m3d_FlatTriangleRecord*)m3d_poolAllocate(c, sizeof(m3d_FlatTriangleRecord));
            if (r != nullptr) *r = {w, {vertex[0], vertex[1], vertex[2]}, p->color, 0};
            record = r;
        }
    } else {
        if (n == 4) {
            auto* r = (m3d_MaterialQuadRecord*)m3d_poolAllocate(c, sizeof(m3d_MaterialQuadRecord));
            if (r != nullptr) *r = {w, {vertex[0], vertex[1], vertex[2], vertex[3]}, (uint8_t)p->color, 0};
            record = r;
        } else {
            auto* r = (m3d_MaterialTriangleRecord*)m3d_poolAllocate(c, sizeof(m3d_MaterialTriangleRecord));
            if (r != nullptr) *r = {w, {vertex[0], vertex[1], vertex[2]}, (uint8_t)p->color, 0};
            record = r;
        }
    }
    // a full pool drops the piece alone
    if (record != nullptr) m3d_addDepth(c, p->polygonId, record);
    return true;
}

}  // namespace

m3d_SoftFloat m3d_sfNormalize(int32_t v, int32_t exponent) {
    uint32_t magnitude = v < 0 ? 0u - (uint32_t)v : (uint32_t)v;
    int32_t z = m3d_clz(magnitude);
    if (z < 17) return make(v >> (17 - z), exponent + 17 - z);
    return make(m3d_shl(v, z - 17), exponent - (z - 17));
}

int32_t m3d_sfToInt(m3d_SoftFloat f) {
    int32_t m = m3d_sfMantissa(f), e = m3d_sfExponent(f);
    return e >= 0 ? (e >= 32 ? 0 : m3d_shl(m, e)) : sar(m, -e);
}

m3d_SoftFloat m3d_sfAdd(m3d_SoftFloat a, m3d_SoftFloat b) {
    int32_t ma = m3d_sfMantissa(a), ea = m3d_sfExponent(a), mb = m3d_sfMantissa(b), eb = m3d_sfExponent(b);
    if (ea < eb) return m3d_sfNormalize(mb + sar(ma, eb - ea), eb);
    return m3d_sfNormalize(ma + sar(mb, ea - eb), ea);
}

m3d_SoftFloat m3d_sfSub(m3d_SoftFloat a, m3d_SoftFloat b) {
    int32_t ma = m3d_sfMantissa(a), ea = m3d_sfExponent(a), mb = m3d_sfMantissa(b), eb = m3d_sfExponent(b);
    if (ea < eb) return m3d_sfNormalize(sar(ma, eb - ea) - mb, eb);
    return m3d_sfNormalize(ma - sar(mb, ea - eb), ea);
}

m3d_SoftFloat m3d_sfMul(m3d_SoftFloat a, m3d_SoftFloat b) {
    return m3d_sfNormalize(m3d_sfMantissa(a) * m3d_sfMantissa(b), m3d_sfExponent(a) + m3d_sfExponent(b));
}

m3d_SoftFloat m3d_sfDiv(m3d_SoftFloat a, m3d_SoftFloat b) {
    int32_t mb = m3d_sfMantissa(b);
    if (mb == 0) return 0;
    return m3d_sfNormalize(m3d_shl(m3d_sfMantissa(a), 16) / mb, m3d_sfExponent(a) - m3d_sfExponent(b) - 16);
}

void m3d_setParallelScale(m3d_Context* c, int32_t sx, int32_t sy) {
    c->projMatrix[0] = sx;
    c->projMatrix[5] = sy;
    c->projectionMode = M3D_PROJ_PARALLEL;
    m3d_recomputeProjection(c);
}

void m3d_setParallelSize(m3d_Context* c, int32_t width, int32_t height) {
    if (width < 1 || height < 1) return;
    c->projMatrix[0] = (int32_t)((uint32_t)surfaceWidth(c) * 4096u / (uint32_t)width);
    c->projMatrix[5] = (int32_t)((uint32_t)surfaceHeight(c) * 4096u / (uint32_t)height);
    c->projectionMode = M3D_PROJ_PARALLEL;
    m3d_recomputeProjection(c);
}

void m3d_setParallelSizeUniform(m3d_Context* c, int32_t size) {
    if (size <= 0) return;
    c->projMatrix[0] = c->projMatrix[5] = (int32_t)((uint32_t)surfaceWidth(c) * 4096u / (uint32_t)size);
    c->projectionMode = M3D_PROJ_PARALLEL;
    m3d_recomputeProjection(c);
}

int32_t m3d_setDepthRange(m3d_Context* c, int32_t near, int32_t far) {
    near = (int16_t)near;
    far = (int16_t)far;
    if (near < 1 || far < 1 || near >= far) return M3D_FAILURE;
    c->projNear = (int16_t)near;
    c->projFar = (int16_t)far;
    m3d_SoftFloat k = m3d_sfDiv(m3d_sfFromInt(32767), m3d_sfFromInt(far - near));
    c->depthA = m3d_sfToInt(m3d_sfMul(k, m3d_sfFromInt(far)));
    c->depthB = m3d_sfToInt(m3d_sfMul(k, m3d_sfFromInt(near * far)));
    return M3D_SUCCESS;
}

void m3d_setPerspectiveAngle(m3d_Context* c, int32_t near, int32_t far, int32_t angle) {
    angle = angle < 2 ? 2 : angle > 2046 ? 2046 : angle;
    if (!m3d_setDepthRange(c, near, far)) return;
    int32_t half = angle >> 1;
    m3d_SoftFloat scale = m3d_sfDiv(m3d_sfMul(m3d_sfFromInt(surfaceWidth(c)), m3d_sfFromFixed(m3d_cos(half))),
                                    m3d_sfFromFixed(2 * m3d_sin(half)));
    setPerspectiveScales(c, scale, scale);
}

void m3d_setPerspectiveNearSize(m3d_Context* c, int32_t near, int32_t far, int32_t size) {
    if (size <= 0 || !m3d_setDepthRange(c, near, far)) return;
    m3d_SoftFloat scale =
        m3d_sfDiv(m3d_sfMul(m3d_sfFromInt(c->projNear), m3d_sfFromInt(surfaceWidth(c))), m3d_sfFromFixed(size));
    setPerspectiveScales(c, scale, scale);
}

void m3d_setPerspectiveSize(m3d_Context* c, int32_t near, int32_t far, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || !m3d_setDepthRange(c, near, far)) return;
    m3d_SoftFloat n = m3d_sfFromInt(c->projNear);
    setPerspectiveScales(c, m3d_sfDiv(m3d_sfMul(n, m3d_sfFromInt(surfaceWidth(c))), m3d_sfFromFixed(width)),
                         m3d_sfDiv(m3d_sfMul(n, m3d_sfFromInt(surfaceHeight(c))), m3d_sfFromFixed(height)));
}

void m3d_setOrigin(m3d_Context* c, int32_t x, int32_t y) {
    c->originX = (int16_t)x;
    c->originY = (int16_t)y;
    if (c->projectionMode == M3D_PROJ_PARALLEL) m3d_recomputeProjection(c);
}

void m3d_recomputeProjection(m3d_Context* c) {
    c->combinedValid = 0;
    int32_t* p = c->projMatrix;
    if (c->projectionMode == M3D_PROJ_PARALLEL) {
        p[3] = c->originX;
        p[7] = c->originY;
        return;
    }
    p[3] = p[7] = 0;
    int32_t mx = m3d_sfMantissa(c->scaleX), ex = m3d_sfExponent(c->scaleX);
    int32_t my = m3d_sfMantissa(c->scaleY), ey = m3d_sfExponent(c->scaleY);
    // the larger exponent sets the shift; the other scale's mantissa is aligned to it
    if (ex < ey) {
        c->projShift = 1 - ey;
        p[0] = sar(mx, 3 + ey - ex);
        p[5] = my >> 3;
    } else {
        c->projShift = 1 - ex;
        p[0] = mx >> 3;
        p[5] = sar(my, 3 + ex - ey);
    }
}

void m3d_updateCombinedMatrix(m3d_Context* c) {
    if (c->combinedValid) return;
    m3d_matMul(c->combinedMatrix, c->projMatrix, c->viewMatrix);
    c->combinedValid = 1;
}

int32_t m3d_projectPoint(m3d_Context* c, int32_t* out, const int32_t* point) {
    m3d_updateCombinedMatrix(c);
    const int32_t* m = c->combinedMatrix;
    int32_t e0 = eyeValue(m, point), e1 = eyeValue(m + 4, point), z = eyeValue(m + 8, point) >> 12;
    if (c->projectionMode == M3D_PROJ_PERSPECTIVE) {
        if (z < c->projNear || z > c->projFar) return M3D_FAILURE;
        out[0] = (int32_t)perspectiveCoord(c, e0, z, c->originX);
        out[1] = (int32_t)perspectiveCoord(c, e1, z, c->originY);
    } else {
        out[0] = e0 >> 12;
        out[1] = e1 >> 12;
    }
    out[2] = z;
    return M3D_SUCCESS;
}

void m3d_transformRun32(m3d_Context* c, const int32_t* matrix, const int32_t* vertices, int32_t count, int32_t first) {
    transformRun(c, matrix, vertices, count, first);
}

void m3d_transformRun16(m3d_Context* c, const int32_t* matrix, const int16_t* vertices, int32_t count, int32_t first) {
    transformRun(c, matrix, vertices, count, first);
}

int32_t m3d_clipLerp(m3d_SoftFloat t, int32_t qa, int32_t qb) {
    return qa + m3d_sfToInt(m3d_sfMul(t, m3d_sfFromInt(qb - qa)));
}

m3d_SoftFloat m3d_clipVertex(m3d_Context* c, int32_t out, int32_t a, int32_t b, int32_t plane) {
    const int32_t* ea = c->clipEye[a];
    const int32_t* eb = c->clipEye[b];
    m3d_SoftFloat t = m3d_sfDiv(m3d_sfFromInt(plane - ea[2]), m3d_sfFromInt(eb[2] - ea[2]));
    int32_t e0 = m3d_clipLerp(t, ea[0], eb[0]), e1 = m3d_clipLerp(t, ea[1], eb[1]);
    const m3d_ScreenVertex va = c->vertices[a], vb = c->vertices[b];
    m3d_ScreenVertex& s = c->vertices[out];
    s.x = (int16_t)saturate16(perspectiveCoord(c, e0, plane, c->originX));
    s.y = (int16_t)saturate16(perspectiveCoord(c, e1, plane, c->originY));
    s.depth = (int16_t)perspectiveDepth(c, plane);
    s.light = (uint8_t)m3d_clipLerp(t, va.light, vb.light);
    s.envU = (uint8_t)m3d_clipLerp(t, va.envU, vb.envU);
    s.envV = (uint8_t)m3d_clipLerp(t, va.envV, vb.envV);
    s.unused = 0;
    int32_t* eye = c->clipEye[out];
    eye[0] = e0, eye[1] = e1, eye[2] = plane;
    c->clipCodes[out] = 0;
    return t;
}

int32_t m3d_clipPolygon(m3d_Context* c, const m3d_ClipPolygon* p, int32_t pending) {
    if (!m3d_reserveVertices(c, 16) || !m3d_reserveDepth(c, pending + 16)) return M3D_FAILURE;
    const PolygonKind kind = kindOf(p->renderWord);
    if (kind == kNotClipped || p->count < 3 || p->count > 4) return M3D_FAILURE;
    const int32_t base = (int32_t)(p->polygonId & M3D_POLYID_BASE_MASK);
    const int32_t nearPlane = c->projNear, farPlane = c->projFar;

    uint16_t out[8];
    uint8_t uv[8][2];
    int32_t n = 0;
    auto emitNew = [&](int32_t i, int32_t j, int32_t plane) {
        int32_t at = c->verticesUsed + c->blockVertexCount;
        if (at - base > 0xFFFF) return false;
        c->blockVertexCount++;
        int32_t a = base + p->vertex[i], b = base + p->vertex[j];
        m3d_SoftFloat t = m3d_clipVertex(c, at, a, b, plane);
        out[n] = (uint16_t)(at - base);
        uv[n][0] = (uint8_t)m3d_clipLerp(t, p->uv[i][0], p->uv[j][0]);
        uv[n][1] = (uint8_t)m3d_clipLerp(t, p->uv[i][1], p->uv[j][1]);
        n++;
        return true;
    };
    for (int32_t i = 0; i < p->count; i++) {
        int32_t j = i + 1 == p->count ? 0 : i + 1;
        uint8_t ci = c->clipCodes[base + p->vertex[i]], cj = c->clipCodes[base + p->vertex[j]];
        bool ok = true;
        if ((ci & M3D_CLIP_NEAR) && !(cj & M3D_CLIP_NEAR))
            ok = emitNew(i, j, nearPlane);
        else if ((ci & M3D_CLIP_FAR) && !(cj & M3D_CLIP_FAR))
            ok = emitNew(i, j, farPlane);
        if (!ok) return M3D_FAILURE;
        if (!(ci & (M3D_CLIP_NEAR | M3D_CLIP_FAR))) {
            out[n] = p->vertex[i];
            uv[n][0] = p->uv[i][0], uv[n][1] = p->uv[i][1];
            n++;
        }
        if (!(ci & M3D_CLIP_NEAR) && (cj & M3D_CLIP_NEAR))
            ok = emitNew(i, j, nearPlane);
        else if (!(ci & M3D_CLIP_FAR) && (cj & M3D_CLIP_FAR))
            ok = emitNew(i, j, farPlane);
        if (!ok) return M3D_FAILURE;
    }
    if (n < 3) return M3D_SUCCESS;

    if (!(p->renderWord & M3D_RW_DOUBLE_SIDED)) {
        const m3d_ScreenVertex* v = c->vertices + base;
        for (int32_t k = 1; k + 1 < n; k++) {
            int32_t sign = signedArea(v[out[0]], v[out[k]], v[out[k + 1]]);
            if (sign < 0) return M3D_SUCCESS;
            if (sign > 0) break;
        }
    }

    int32_t i = 1;
    for (; i + 2 < n; i += 2) {
        const uint16_t strip[4] = {out[0], out[i], out[i + 2], out[i + 1]};
        const uint8_t stripUv[4][2] = {
            {uv[0][0], uv[0][1]}, {uv[i][0], uv[i][1]}, {uv[i + 2][0], uv[i + 2][1]}, {uv[i + 1][0], uv[i + 1][1]}};
        emitPiece(c, p, kind, 4, strip, stripUv);
    }
    if (i + 1 < n) {
        const uint16_t tri[3] = {out[0], out[i], out[i + 1]};
        const uint8_t triUv[3][2] = {{uv[0][0], uv[0][1]}, {uv[i][0], uv[i][1]}, {uv[i + 1][0], uv[i + 1][1]}};
        emitPiece(c, p, kind, 3, tri, triUv);
    }
    return M3D_SUCCESS;
}

void m3d_spriteHalfSize(m3d_Context* c, int32_t vertex, int32_t width, int32_t height, int32_t flags,
                        int32_t* halfWidth, int32_t* halfHeight) {
    int32_t hw = width >> 1, hh = height >> 1;
    const int32_t* row = c->combinedMatrix;
    uint64_t squares = (uint64_t)((int64_t)row[0] * row[0]) + (uint64_t)((int64_t)row[1] * row[1]) +
                       (uint64_t)((int64_t)row[2] * row[2]);
    int32_t length = m3d_isqrt(squares > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)squares);
    if (c->projectionMode != M3D_PROJ_PERSPECTIVE) {
        if (!(flags & 1)) {
            hw = (int32_t)((uint32_t)hw * (uint32_t)length) >> 12;
            hh = (int32_t)((uint32_t)hh * (uint32_t)length) >> 12;
        }
    } else {
        int32_t d = (flags & 2) ? c->projNear : c->clipEye[vertex][2];
        if (d < 1) d = 1;
        if (flags & 1) {
            hw = (int32_t)((uint32_t)c->projNear * (uint32_t)hw) / d;
            hh = (int32_t)((uint32_t)c->projNear * (uint32_t)hh) / d;
        } else {
            hw = shiftBy(m3d_shl((int32_t)((uint32_t)length * (uint32_t)hw), 4) / d, c->projShift);
            hh = shiftBy(m3d_shl((int32_t)((uint32_t)length * (uint32_t)hh), 4) / d, c->projShift);
        }
    }
    *halfWidth = hw;
    *halfHeight = hh;
}
