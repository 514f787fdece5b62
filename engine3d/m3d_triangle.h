// Triangle set-up, points and lines. A triangle is sorted by y, walked in two halves
// between a left and a right edge in 16.16 fixed point, cut to the render target's clip
// and handed row by row to a filler of the rasterizer table. Rows and spans are
// half-open: the top row and the left pixel are drawn, the bottom row and the right
// pixel are not; x values are truncated.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_raster.h"
#include "engine3d/m3d_records.h"

// A set-up vertex: whole pixels and the variant's attributes in order (light level;
// u, v; u, v, level or level, env u, env v; u, v, level, env u, env v), as integers.
struct m3d_SetupVertex {
    int32_t x;
    int32_t y;
    int32_t a[M3D_MAX_ATTRIBUTES];
};

void m3d_drawTriangleFlat(m3d_RenderTarget* target, const m3d_RasterEntry* entry, const m3d_SetupVertex* a,
                          const m3d_SetupVertex* b, const m3d_SetupVertex* c);
void m3d_drawTriangleLight(m3d_RenderTarget* target, const m3d_RasterEntry* entry, const m3d_SetupVertex* a,
                           const m3d_SetupVertex* b, const m3d_SetupVertex* c);
void m3d_drawTriangleTextured(m3d_RenderTarget* target, const m3d_RasterEntry* entry, const m3d_SetupVertex* a,
                              const m3d_SetupVertex* b, const m3d_SetupVertex* c);
void m3d_drawTriangle3(m3d_RenderTarget* target, const m3d_RasterEntry* entry, const m3d_SetupVertex* a,
                       const m3d_SetupVertex* b, const m3d_SetupVertex* c);
void m3d_drawTriangle5(m3d_RenderTarget* target, const m3d_RasterEntry* entry, const m3d_SetupVertex* a,
                       const m3d_SetupVertex* b, const m3d_SetupVertex* c);
// Three colour attributes (red, green, blue 0..255, of which the top five bits count)
// through one of m3d_rgbGouraudSpans.
void m3d_drawTriangleRgb(m3d_RenderTarget* target, m3d_SpanFn span, const m3d_SetupVertex* a, const m3d_SetupVertex* b,
                         const m3d_SetupVertex* c);

// Blend mode from bits 2-1 of the render word.
void m3d_drawPoint(m3d_RenderTarget* target, uint32_t renderWord, int32_t x, int32_t y, uint32_t color);
void m3d_drawLine(m3d_RenderTarget* target, uint32_t renderWord, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  uint32_t color);
