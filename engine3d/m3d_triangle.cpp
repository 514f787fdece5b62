// Triangle set-up, points and lines.
//
// Each half of a triangle starts on the first row it draws: rows above the clip are
// skipped by stepping the edges, the attributes and the row pointer together, so the
// row pointer always names the row being filled. Edge positions and attributes at a
// half's first row are computed from the vertices (the same wrapping sums the row
// steps give), so neither half depends on how far a half-triangle filler stepped.
#include "engine3d/m3d_triangle.h"

#include "engine3d/m3d_color.h"
#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_span.h"
#include "engine3d/m3d_texture.h"

namespace {

inline int32_t wrapMul(int32_t a, int64_t n) { return (int32_t)((uint32_t)a * (uint32_t)n); }

bool surfaceUsable(const m3d_RenderTarget* t) {
    const m3d_Image* s = t->surface;
    return s != nullptr && m3d_isImageValid(s) && s->format == M3D_FORMAT_COLOR16 && s->pitch >= s->width &&
           t->clipLeft >= 0 && t->clipTop >= 0 && t->clipRight <= s->width && t->clipBottom <= s->height &&
           t->clipLeft < t->clipRight && t->clipTop < t->clipBottom;
}

bool is16Bit(const m3d_Texture* tex, int32_t width, int32_t minHeight) {
    const m3d_Image& i = tex->texels;
    return m3d_isImageValid(&i) && i.format == M3D_FORMAT_COLOR16 && i.width == width && i.pitch == width &&
           i.height >= minHeight;
}

// The textures a table entry reads are bound and large enough for every index it forms.
bool texturesFit(const m3d_RenderTarget* t, const m3d_RasterEntry* e) {
    ptrdiff_t index = e - m3d_rasterizerTable;
    if (index < 0 || index >= M3D_RASTER_ROWS * M3D_RASTER_COLUMNS) return true;
    int32_t row = (int32_t)index / M3D_RASTER_COLUMNS, column = (int32_t)index % M3D_RASTER_COLUMNS;
    const m3d_Texture* t0 = t->texture0;
    const m3d_Texture* t1 = t->texture1;
    if (row == 2 || row >= 7) {
        if (t1 == nullptr || !is16Bit(t1, 64, 64)) return false;
    }
    if (row == 0 && column < 4) return true;
    if (t0 == nullptr) return false;
    if (row <= 2) return is16Bit(t0, M3D_RAMP_STEPS, t->rampRow + 1);
    if (row == 3) return is16Bit(t0, 256, 256);
    const m3d_Image& i = t0->texels;
    const m3d_Image& shade = t0->shade;
    return m3d_isImageValid(&i) && i.format == M3D_FORMAT_INDEX8 && i.width == 256 && i.pitch == 256 &&
           i.height == 256 && m3d_isImageValid(&shade) && shade.format == M3D_FORMAT_COLOR16 &&
           (int64_t)shade.width * shade.height >= 32 * 256;
}

struct Edge {
    int32_t x, step;
};

template <int N>
void setup(m3d_RenderTarget* t, const m3d_RasterEntry* e, const m3d_SetupVertex* v0, const m3d_SetupVertex* v1,
           const m3d_SetupVertex* v2) {
    if (e == nullptr || (e->half == nullptr && e->span == nullptr)) return;
    if (!surfaceUsable(t) || !texturesFit(t, e)) return;
    const m3d_SetupVertex* T = v0;
    const m3d_SetupVertex* M = v1;
    const m3d_SetupVertex* B = v2;
    if (M->y < T->y) {
        const m3d_SetupVertex* x = T;
        T = M;
        M = x;
    }
    if (B->y < M->y) {
        const m3d_SetupVertex* x = M;
        M = B;
        B = x;
    }
    if (M->y < T->y) {
        const m3d_SetupVertex* x = T;
        T = M;
        M = x;
    }
    auto code = [t](int32_t x) { return x < t->clipLeft ? 1 : x >= t->clipRight ? 2 : 0; };
    if ((code(T->x) & code(M->x) & code(B->x)) != 0) return;
    if (B->y < t->clipTop || T->y > t->clipBottom || T->y == B->y) return;

    m3d_SpanState s = {};
    s.target = t;
    if (t->texture0 != nullptr) {
        s.texels0 = m3d_lockImage(&t->texture0->texels);
        if (m3d_isImageValid(&t->texture0->shade)) s.palette0 = (const uint16_t*)m3d_lockImage(&t->texture0->shade);
    }
    if (t->texture1 != nullptr) s.texels1 = (const uint16_t*)m3d_lockImage(&t->texture1->texels);
    uint16_t* pixels = (uint16_t*)m3d_lockImage(t->surface);

    // long edge T-B
    int32_t rLong = 0x10000 / (int32_t)((int64_t)B->y - T->y);
    int32_t dxLong = (B->x - T->x) * rLong;
    int32_t daLong[N > 0 ? N : 1];
    for (int i = 0; i < N; i++) daLong[i] = (B->a[i] - T->a[i]) * rLong;

    // width at the middle row: which side the middle vertex lies on, and the x-gradients
    int32_t upperRows = M->y - T->y;
    int32_t w = m3d_shl(M->x - T->x, 16) - dxLong * upperRows;
    if (w > 0) w += 0xFFFF;
    bool middleLeft = w < 1;
    int32_t width = (int16_t)(w >> 16);
    for (int i = 0; i < N; i++) {
        s.attr[i].gradient = width == 0 ? 0 : (M->a[i] - T->a[i] - ((daLong[i] * upperRows) >> 16)) * (0x10000 / width);
    }

    auto half = [&](const m3d_SetupVertex* from, const m3d_SetupVertex* to) {
        int64_t first = from->y, end = to->y;
        if (end - first < 1) return;
        if (first < t->clipTop) first = t->clipTop;
        if (end > t->clipBottom) end = t->clipBottom;
        if (first >= end) return;
        int32_t rShort = 0x10000 / (int32_t)((int64_t)to->y - from->y);
        Edge longEdge = {m3d_shl(T->x, 16) + wrapMul(dxLong, first - T->y), dxLong};
        int32_t dxShort = (to->x - from->x) * rShort;
        Edge shortEdge = {m3d_shl(from->x, 16) + wrapMul(dxShort, first - from->y), dxShort};
        const Edge& left = middleLeft ? shortEdge : longEdge;
        const Edge& right = middleLeft ? longEdge : shortEdge;
        for (int i = 0; i < N; i++) {
            if (middleLeft) {
                int32_t step = (to->a[i] - from->a[i]) * rShort;
                s.attr[i].edge = m3d_shl(from->a[i], 16) + wrapMul(step, first - from->y);
                s.attr[i].edgeStep = step;
            } else {
                s.attr[i].edge = m3d_shl(T->a[i], 16) + wrapMul(daLong[i], first - T->y);
                s.attr[i].edgeStep = daLong[i];
            }
        }
        s.y = (int32_t)first;
        s.endY = (int32_t)end;
        s.row = pixels + first * t->surface->pitch;
        s.leftX = left.x;
        s.leftStep = left.step;
        s.rightX = right.x;
        s.rightStep = right.step;
        if (e->half != nullptr) {
            e->half(&s, t);
        } else {
            m3d_SpanFn span = e->span;
            m3d_walkRows<N>(&s, t, [span](m3d_SpanState* state) { span(state); });
        }
    };
    half(T, M);
    half(M, B);

    m3d_unlockImage(t->surface);
    if (t->texture1 != nullptr) m3d_unlockImage(&t->texture1->texels);
    if (t->texture0 != nullptr) {
        if (s.palette0 != nullptr) m3d_unlockImage(&t->texture0->shade);
        m3d_unlockImage(&t->texture0->texels);
    }
}

void plot(const m3d_RenderTarget* t, uint32_t mode, int64_t x, int64_t y, uint32_t color) {
    uint16_t* p = (uint16_t*)t->surface->pixels + y * t->surface->pitch + x;
    *p = m3d_blend(mode, *p, color);
}

}  // namespace

void m3d_drawTriangleFlat(m3d_RenderTarget* t, const m3d_RasterEntry* e, const m3d_SetupVertex* a,
                          const m3d_SetupVertex* b, const m3d_SetupVertex* c) {
    setup<0>(t, e, a, b, c);
}
void m3d_drawTriangleLight(m3d_RenderTarget* t, const m3d_RasterEntry* e, const m3d_SetupVertex* a,
                           const m3d_SetupVertex* b, const m3d_SetupVertex* c) {
    setup<1>(t, e, a, b, c);
}
void m3d_drawTriangleTextured(m3d_RenderTarget* t, const m3d_RasterEntry* e, const m3d_SetupVertex* a,
                              const m3d_SetupVertex* b, const m3d_SetupVertex* c) {
    setup<2>(t, e, a, b, c);
}
void m3d_drawTriangle3(m3d_RenderTarget* t, const m3d_RasterEntry* e, const m3d_SetupVertex* a,
                       const m3d_SetupVertex* b, const m3d_SetupVertex* c) {
    setup<3>(t, e, a, b, c);
}
void m3d_drawTriangle5(m3d_RenderTarget* t, const m3d_RasterEntry* e, const m3d_SetupVertex* a,
                       const m3d_SetupVertex* b, const m3d_SetupVertex* c) {
    setup<5>(t, e, a, b, c);
}
void m3d_drawTriangleRgb(m3d_RenderTarget* t, m3d_SpanFn span, const m3d_SetupVertex* a, const m3d_SetupVertex* b,
                         const m3d_SetupVertex* c) {
    const m3d_RasterEntry entry = {nullptr, span};
    setup<3>(t, &entry, a, b, c);
}

void m3d_drawPoint(m3d_RenderTarget* t, uint32_t renderWord, int32_t x, int32_t y, uint32_t color) {
    if (!surfaceUsable(t)) return;
    if (x < t->clipLeft || x >= t->clipRight || y < t->clipTop || y >= t->clipBottom) return;
    plot(t, renderWord >> 1, x, y, color);
}

void m3d_drawLine(m3d_RenderTarget* t, uint32_t renderWord, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  uint32_t color) {
    if (!surfaceUsable(t)) return;
    const uint32_t mode = renderWord >> 1;
    const int64_t left = t->clipLeft, top = t->clipTop, right = t->clipRight, bottom = t->clipBottom;
    if (x0 == x1) {
        if (x0 < left || x0 >= right) return;
        int64_t ya = y0 < y1 ? y0 : y1, yb = y0 < y1 ? y1 : y0;
        if (ya < top) ya = top;
        if (yb > bottom - 1) yb = bottom - 1;
        for (int64_t y = ya; y <= yb; y++) plot(t, mode, x0, y, color);
        return;
    }
    if (y0 == y1) {
        if (y0 < top || y0 >= bottom) return;
        int64_t xa = x0 < x1 ? x0 : x1, xb = x0 < x1 ? x1 : x0;
        if (xa < left) xa = left;
        if (xb > right - 1) xb = right - 1;
        for (int64_t x = xa; x <= xb; x++) plot(t, mode, x, y0, color);
        return;
    }
    if (x0 > x1) {
        int32_t x = x0, y = y0;
        x0 = x1, y0 = y1, x1 = x, y1 = y;
    }
    const int64_t dx = (int64_t)x1 - x0, dy = y1 > y0 ? (int64_t)y1 - y0 : (int64_t)y0 - y1;
    const int64_t sy = y1 > y0 ? 1 : -1;
    const bool xMajor = dx >= dy;
    const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    int64_t x = x0, y = y0, err = major, pixels = major + 1;
    // Steps before the major coordinate enters the clip are taken at once: after k steps
    // the error lies in [0, 2 major), which fixes how many minor steps were taken.
    int64_t k = xMajor ? left - x : sy > 0 ? top - y : y - (bottom - 1);
    if (k > 0) {
        if (k >= pixels) return;
        int64_t deficit = 2 * minor * k - major;
        int64_t n = deficit > 0 ? (deficit + 2 * major - 1) / (2 * major) : 0;
        err = major - 2 * minor * k + 2 * major * n;
        if (xMajor) {
            x += k, y += sy * n;
        } else {
            y += sy * k, x += n;
        }
        pixels -= k;
    }
    for (; pixels > 0; pixels--) {
        if (x >= right || (sy > 0 ? y >= bottom : y < top)) return;
        if (x >= left && y >= top && y < bottom) plot(t, mode, x, y, color);
        err -= 2 * minor;
        if (err < 0) {
            err += 2 * major;
            if (xMajor)
                y += sy;
            else
                x++;
        }
        if (xMajor)
            x++;
        else
            y += sy;
    }
}
