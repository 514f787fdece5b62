// Blits: a whole surface at a position, and a region of a surface or of an ARGB array
// under one of the eight sprite transforms. The destination is cut to the clip once;
// the source is then walked with one step per destination column and one per row.
#include "graphics/gfx2d.h"
#include "graphics/gfx2d_raster.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Where the destination lands, cut to the clip: columns x0..x1 and rows y0..y1
// (exclusive), and how many columns and rows were cut off at the left and top.
struct Placement {
    int32_t x0, x1, y0, y1;
    int32_t skipCols, skipRows;
};

bool place(const Gfx2dClip& c, int32_t x, int32_t y, int64_t dw, int64_t dh, Placement* p) {
    if (dw <= 0 || dh <= 0 || x >= c.x1 || y >= c.y1 || x + dw <= c.x0 || y + dh <= c.y0) return false;
    p->x0 = (int32_t)gfx2d_max(x, c.x0);
    p->x1 = (int32_t)gfx2d_min(x + dw, c.x1);
    p->y0 = (int32_t)gfx2d_max(y, c.y0);
    p->y1 = (int32_t)gfx2d_min(y + dh, c.y1);
    p->skipCols = (int32_t)(p->x0 - (int64_t)x);
    p->skipRows = (int32_t)(p->y0 - (int64_t)y);
    return true;
}

// The source walk of a transform: the start element and the steps per destination
// column and row, in elements of a source of row length W.
struct Walk {
    int32_t start, colStep, rowStep;
    bool swapsSize;
};

bool walkOf(int32_t transform, int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t W, Walk* w) {
    int32_t left = sx, right = sx + sw - 1, top = sy * W, bottom = (sy + sh - 1) * W;
    switch (transform) {
        case GFX2D_TRANS_NONE:
            *w = {left + top, 1, W, false};
            return true;
        case GFX2D_TRANS_MIRROR_ROT180:
            *w = {left + bottom, 1, -W, false};
            return true;
        case GFX2D_TRANS_MIRROR:
            *w = {right + top, -1, W, false};
            return true;
        case GFX2D_TRANS_ROT180:
            *w = {right + bottom, -1, -W, false};
            return true;
        case GFX2D_TRANS_MIRROR_ROT270:
            *w = {left + top, W, 1, true};
            return true;
        case GFX2D_TRANS_ROT90:
            *w = {left + bottom, -W, 1, true};
            return true;
        case GFX2D_TRANS_ROT270:
            *w = {right + top, W, -1, true};
            return true;
        case GFX2D_TRANS_MIRROR_ROT90:
            *w = {right + bottom, -W, -1, true};
            return true;
    }
    return false;
}

// Region checks shared by the surface and the ARGB source: -1 refused, 0 nothing to
// draw, 1 go on with the walk and the placement filled in.
int32_t prepareRegion(MkSurface** target, const MkClip* clip, int32_t x, int32_t y, int32_t W, int32_t H, int32_t sx,
                      int32_t sy, int32_t sw, int32_t sh, int32_t transform, Walk* walk, Placement* p) {
    if (sx < 0 || sy < 0 || (int64_t)sx + sw > W || (int64_t)sy + sh > H) return -1;
    if (transform < 0 || transform > 7) return -1;
    MkSurface* s = gfx2d_target(*target);
    if (s == nullptr) return -1;
    *target = s;
    Gfx2dClip c;
    if (!gfx2d_clipOf(s, clip, &c) || sw <= 0 || sh <= 0) return 0;
    walkOf(transform, sx, sy, sw, sh, W, walk);
    int64_t dw = walk->swapsSize ? sh : sw, dh = walk->swapsSize ? sw : sh;
    if (!place(c, x, y, dw, dh, p)) return 0;
    walk->start += p->skipCols * walk->colStep + p->skipRows * walk->rowStep;
    return 1;
}

template <class Source, class Store>
void walkRegion(MkSurface* s, const Placement& p, const Source* src, const Walk& w, Store store) {
    // pointers are worked out from the row and column numbers: stepping on after the last
    // row or column of a backward walk would leave the arrays
    const int32_t cols = p.x1 - p.x0;
    for (int32_t row = 0; row < p.y1 - p.y0; row++) {
        const Source* from = src + w.start + row * w.rowStep;
        uint16_t* to = s->pixels + (p.y0 + row) * s->width + p.x0;
        // the steps of the plain and mirrored rows as constants, the others as they come
        if (w.colStep == 1) {
            for (int32_t i = 0; i < cols; i++) store(to + i, from[i]);
        } else if (w.colStep == -1) {
            for (int32_t i = 0; i < cols; i++) store(to + i, from[-i]);
        } else {
            for (int32_t i = 0; i < cols; i++) store(to + i, from[i * w.colStep]);
        }
    }
}

inline void storeOpaqueBit(uint16_t* to, uint16_t pixel) {
    if (pixel & MK_PIXEL_OPAQUE) *to = pixel;
}

// One row of a transparent source, plain (step 1) or mirrored (step -1), each pixel kept
// where its opaque bit is set: eight at a time with SSE2, the rest (or all, without it)
// one by one.
void maskedRow(uint16_t* to, const uint16_t* from, int32_t cols, int32_t step) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi16(MK_PIXEL_OPAQUE);
    for (; i + 8 <= cols; i += 8) {
        __m128i src;
        if (step == 1) {
            src = _mm_loadu_si128((const __m128i*)(from + i));
        } else {
            // the eight pixels ending at from - i, reversed
            src = _mm_loadu_si128((const __m128i*)(from - i - 7));
            src = _mm_shuffle_epi32(src, _MM_SHUFFLE(0, 1, 2, 3));
            src = _mm_shufflelo_epi16(src, _MM_SHUFFLE(2, 3, 0, 1));
            src = _mm_shufflehi_epi16(src, _MM_SHUFFLE(2, 3, 0, 1));
        }
        __m128i keep = _mm_cmpeq_epi16(_mm_and_si128(src, opaque), opaque);
        __m128i old = _mm_loadu_si128((const __m128i*)(to + i));
        _mm_storeu_si128((__m128i*)(to + i), _mm_or_si128(_mm_and_si128(keep, src), _mm_andnot_si128(keep, old)));
    }
#endif
    for (; i < cols; i++) storeOpaqueBit(to + i, from[i * step]);
}

}  // namespace

int32_t gfx2d_drawImage(MkSurface* target, const MkClip* clip, int32_t x, int32_t y, const MkSurface* source) {
    if (source == nullptr) return -1;
    MkSurface* s = gfx2d_target(target);
    if (s == nullptr) return -1;
    Gfx2dClip c;
    Placement p;
    if (!gfx2d_clipOf(s, clip, &c) || source->pixels == nullptr) return 0;
    if (!place(c, x, y, source->width, source->height, &p)) return 0;
    const int32_t cols = p.x1 - p.x0, rows = p.y1 - p.y0, W = source->width;
    const uint16_t* from = source->pixels + p.skipRows * W + p.skipCols;
    uint16_t* to = s->pixels + p.y0 * s->width + p.x0;
    if (source->pixels == s->pixels) {
        // onto itself: a move between overlapping rectangles, rows bottom-up when the
        // destination lies lower
        if (to > from) {
            for (int32_t r = rows - 1; r >= 0; r--) memmove(to + r * s->width, from + r * W, cols * sizeof(uint16_t));
        } else {
            for (int32_t r = 0; r < rows; r++) memmove(to + r * s->width, from + r * W, cols * sizeof(uint16_t));
        }
        return 0;
    }
    if (source->alphaMode == 0) {
        if (cols == W && cols == s->width) {
            // whole rows on both sides: one block
            memcpy(to, from, (size_t)cols * rows * sizeof(uint16_t));
            return 0;
        }
        for (int32_t r = 0; r < rows; r++) memcpy(to + r * s->width, from + r * W, cols * sizeof(uint16_t));
        return 0;
    }
    for (int32_t r = 0; r < rows; r++) maskedRow(to + r * s->width, from + r * W, cols, 1);
    return 0;
}

int32_t gfx2d_drawImageRegion(MkSurface* target, const MkClip* clip, int32_t x, int32_t y, const MkSurface* source,
                              int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t transform) {
    if (source == nullptr) return -1;
    Walk walk;
    Placement p;
    int32_t go =
        prepareRegion(&target, clip, x, y, source->width, source->height, sx, sy, sw, sh, transform, &walk, &p);
    if (go <= 0 || source->pixels == nullptr) return go < 0 ? -1 : 0;
    if (source->alphaMode == 0) {
        walkRegion(target, p, source->pixels.get(), walk, [](uint16_t* to, uint16_t pixel) { *to = pixel; });
    } else if (walk.colStep == 1 || walk.colStep == -1) {
        for (int32_t row = 0; row < p.y1 - p.y0; row++)
            maskedRow(target->pixels + (p.y0 + row) * target->width + p.x0,
                      source->pixels + walk.start + row * walk.rowStep, p.x1 - p.x0, walk.colStep);
    } else {
        walkRegion(target, p, source->pixels.get(), walk, storeOpaqueBit);
    }
    return 0;
}

int32_t gfx2d_drawArgbRegion(MkSurface* target, const MkClip* clip, int32_t x, int32_t y, const Gfx2dArgbSource* source,
                             int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t transform) {
    if (source == nullptr || source->data == nullptr) return -1;
    Walk walk;
    Placement p;
    int32_t go =
        prepareRegion(&target, clip, x, y, source->width, source->height, sx, sy, sw, sh, transform, &walk, &p);
    if (go <= 0) return go;
    if (source->mode != 2) {
        walkRegion(target, p, source->data, walk,
                   [](uint16_t* to, uint32_t argb) { *to = gfx2d_argbToPixel(argb, 1); });
        return 0;
    }
    walkRegion(target, p, source->data, walk, [](uint16_t* to, uint32_t argb) {
        uint32_t a = argb >> 24;
        if (a == 0) return;
        if (a == 255) {
            *to = gfx2d_argbToPixel(argb, 0);
            return;
        }
        // the destination's 5-bit channels widened by a shift of 3; red and blue in one word
        uint32_t d = *to;
        uint32_t dstRB = ((d & 0xF800) << 8) | ((d & 0x001F) << 3);
        uint32_t dstG = (d & 0x07C0) << 5;
        uint32_t rb = (((argb & 0xFF00FF) * a + dstRB * (255 - a)) >> 8) & 0xFF00FF;
        uint32_t g = (((argb & 0xFF00) * a + dstG * (255 - a)) >> 8) & 0xFF00;
        *to = gfx2d_argbToPixel(rb | g, 0);
    });
    return 0;
}
