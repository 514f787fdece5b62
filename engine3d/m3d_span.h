// The row loop shared by the triangle set-up and the half-triangle fillers, so that
// both produce the same pixels: each row is cut to the clip, its attributes start on the
// left edge (advanced to the clip's left edge when the span was cut there), and the
// edges take one step per row.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_raster.h"

template <int N, typename Fill>
inline void m3d_walkRows(m3d_SpanState* s, const m3d_RenderTarget* t, Fill fill) {
    const int32_t pitch = t->surface->pitch;
    for (; s->y < s->endY; s->y++) {
        int32_t lx = s->leftX >> 16, rx = s->rightX >> 16;
        int32_t sx = lx < t->clipLeft ? t->clipLeft : lx;
        int32_t ex = rx > t->clipRight ? t->clipRight : rx;
        for (int i = 0; i < N; i++) s->attr[i].value = s->attr[i].edge + (sx - lx) * s->attr[i].gradient;
        // an empty span points at the row itself, never outside the surface
        if (sx < ex) {
            s->spanStart = s->row + sx;
            s->spanEnd = s->row + ex;
            fill(s);
        }
        s->row += pitch;
        s->leftX += s->leftStep;
        s->rightX += s->rightStep;
        for (int i = 0; i < N; i++) s->attr[i].edge += s->attr[i].edgeStep;
    }
}
