// What the raster primitives share: the target and clip rule, the row template and the
// span writer. Every bound is worked out in 64 bits, so no coordinate, width or height
// of the int range can move a write outside the clip.
#pragma once

#include "graphics/gfx2d.h"

#include <stdint.h>

// The effective clip, half-open: [x0, x1) x [y0, y1), inside the surface.
struct Gfx2dClip {
    int32_t x0, y0, x1, y1;
};

// The surface a primitive draws on (null means the screen), or null when it refuses it.
inline MkSurface* gfx2d_target(MkSurface* surface) {
    if (surface == nullptr) return gfx2d_getScreenSurface();
    return surface->writable != 0 ? surface : nullptr;
}

// The clip cut to the surface; false when nothing can be drawn.
inline bool gfx2d_clipOf(const MkSurface* s, const MkClip* clip, Gfx2dClip* out) {
    if (s->pixels == nullptr || s->width <= 0 || s->height <= 0) return false;
    int32_t x0 = 0, y0 = 0, x1 = s->width, y1 = s->height;
    if (clip != nullptr) {
        // 16-bit fields: the sums cannot overflow
        x0 = clip->x > 0 ? clip->x : 0;
        y0 = clip->y > 0 ? clip->y : 0;
        int32_t right = clip->x + clip->width, bottom = clip->y + clip->height;
        if (right < x1) x1 = right;
        if (bottom < y1) y1 = bottom;
    }
    *out = {x0, y0, x1, y1};
    return x0 < x1 && y0 < y1;
}

enum { GFX2D_TEMPLATE_LENGTH = 512 };
// Fills the first min(n, 512) entries of the shared row template with pixel.
void gfx2d_prepareTemplate(uint16_t pixel, int64_t n);
// Writes n pixels at dst from the prepared template.
void gfx2d_writeSpan(uint16_t* dst, int32_t n);
// Writes the inclusive span xa..xb of row y, cut to the clip, from the template.
void gfx2d_fillSpan(MkSurface* s, const Gfx2dClip& c, int64_t y, int64_t xa, int64_t xb);

inline bool gfx2d_inClip(const Gfx2dClip& c, int64_t x, int64_t y) {
    return x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
}
inline void gfx2d_plot(MkSurface* s, const Gfx2dClip& c, int64_t x, int64_t y, uint16_t pixel) {
    if (gfx2d_inClip(c, x, y)) s->pixels[(int32_t)x + (int32_t)y * s->width] = pixel;
}
inline int64_t gfx2d_max(int64_t a, int64_t b) { return a > b ? a : b; }
inline int64_t gfx2d_min(int64_t a, int64_t b) { return a < b ? a : b; }
