// The rasterizer table: 9 rows of 8 fillers chosen by a polygon's kind, the bound
// texture's render flags and the transparency, blend and toon bits of its render word.
// The span state is what the triangle set-up hands the fillers.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

// One interpolated attribute, all values 16.16.
struct m3d_SpanAttribute {
    int32_t value;     // at the span's first pixel
    int32_t gradient;  // per pixel
    int32_t edge;      // on the left edge of the current row
    int32_t edgeStep;  // per row
};

enum { M3D_MAX_ATTRIBUTES = 5 };

struct m3d_SpanState {
    m3d_RenderTarget* target;
    uint16_t* row;  // first pixel of the current row
    const void* texels0;
    const uint16_t* palette0;  // the shade image of a shaded texture 0
    const uint16_t* texels1;   // the 64 x 64 environment map
    int32_t y;
    int32_t endY;                                // exclusive
    int32_t leftX, leftStep, rightX, rightStep;  // 16.16
    uint16_t* spanStart;
    uint16_t* spanEnd;  // exclusive
    m3d_SpanAttribute attr[M3D_MAX_ATTRIBUTES];
};

typedef void (*m3d_SpanFn)(m3d_SpanState* state);
typedef void (*m3d_HalfFn)(m3d_SpanState* state, m3d_RenderTarget* target);

// Exactly one of the two is set.
struct m3d_RasterEntry {
    m3d_HalfFn half;
    m3d_SpanFn span;
};

enum { M3D_RASTER_ROWS = 9, M3D_RASTER_COLUMNS = 8 };
extern const m3d_RasterEntry m3d_rasterizerTable[M3D_RASTER_ROWS * M3D_RASTER_COLUMNS];
// Gouraud fillers of three colour attributes (red, green, blue in bits 23-19 of their
// 16.16 values), by blend mode; no table row selects them.
extern const m3d_SpanFn m3d_rgbGouraudSpans[4];

// Selections by the combined word: render word in bits 15-0, texture 0's render flags in
// 23-16, the extra texture's in 31-24. Null: nothing is drawn.
const m3d_RasterEntry* m3d_rasterFnByBlend(uint32_t w);
const m3d_RasterEntry* m3d_rasterFnMaterial(uint32_t w);
const m3d_RasterEntry* m3d_rasterFnLit(uint32_t w);
const m3d_RasterEntry* m3d_rasterFnLitEnv(uint32_t w);
const m3d_RasterEntry* m3d_rasterFnForPrimitive(uint32_t w);
const m3d_RasterEntry* m3d_rasterFnTexturedLit(uint32_t w);
const m3d_RasterEntry* m3d_rasterFnTexturedLitEnv(uint32_t w);

uint32_t m3d_getAttribute(const m3d_Context* context);
