// Projection, vertex transform and clipping: the parallel and perspective projections
// with their small floating-point type, the combined matrix, vertex runs transformed
// into the frame's vertex buffer with clip codes under perspective, lines and polygons
// cut at the near and far planes, and sprite sizes.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

// m3d_SoftFloat: mantissa (signed 16 bits) low, exponent (signed 16 bits) high.
m3d_SoftFloat m3d_sfNormalize(int32_t v, int32_t exponent);
inline m3d_SoftFloat m3d_sfFromInt(int32_t v) { return m3d_sfNormalize(v, 0); }
inline m3d_SoftFloat m3d_sfFromFixed(int32_t v) { return m3d_sfNormalize(v, -12); }
inline int32_t m3d_sfMantissa(m3d_SoftFloat f) { return (int16_t)(f & 0xFFFF); }
inline int32_t m3d_sfExponent(m3d_SoftFloat f) { return (int16_t)((uint32_t)f >> 16); }
int32_t m3d_sfToInt(m3d_SoftFloat f);
m3d_SoftFloat m3d_sfAdd(m3d_SoftFloat a, m3d_SoftFloat b);
m3d_SoftFloat m3d_sfSub(m3d_SoftFloat a, m3d_SoftFloat b);
m3d_SoftFloat m3d_sfMul(m3d_SoftFloat a, m3d_SoftFloat b);
// A zero divisor gives 0.
m3d_SoftFloat m3d_sfDiv(m3d_SoftFloat a, m3d_SoftFloat b);

enum : uint8_t { M3D_PROJ_PARALLEL = 0, M3D_PROJ_PERSPECTIVE = 1 };
enum : uint8_t { M3D_CLIP_NEAR = 1, M3D_CLIP_FAR = 2, M3D_CLIP_RANGE = 4 };

void m3d_setParallelScale(m3d_Context* context, int32_t sx, int32_t sy);
void m3d_setParallelSize(m3d_Context* context, int32_t width, int32_t height);
void m3d_setParallelSizeUniform(m3d_Context* context, int32_t size);
int32_t m3d_setDepthRange(m3d_Context* context, int32_t near, int32_t far);
void m3d_setPerspectiveAngle(m3d_Context* context, int32_t near, int32_t far, int32_t angle);
void m3d_setPerspectiveNearSize(m3d_Context* context, int32_t near, int32_t far, int32_t size);
void m3d_setPerspectiveSize(m3d_Context* context, int32_t near, int32_t far, int32_t width, int32_t height);
void m3d_setOrigin(m3d_Context* context, int32_t x, int32_t y);
void m3d_recomputeProjection(m3d_Context* context);
void m3d_updateCombinedMatrix(m3d_Context* context);
int32_t m3d_projectPoint(m3d_Context* context, int32_t* out, const int32_t* point);

// Transforms count vertices (x, y, z each) by matrix into the vertex buffer from index
// first on; under perspective the eye values and clip codes go to the clip buffer at the
// same indexes. The caller has reserved the room.
void m3d_transformRun32(m3d_Context* context, const int32_t* matrix, const int32_t* vertices, int32_t count,
                        int32_t first);
void m3d_transformRun16(m3d_Context* context, const int32_t* matrix, const int16_t* vertices, int32_t count,
                        int32_t first);

// Makes vertex `out` (an absolute index) the point on the plane z = plane between
// vertices a and b; t (for other quantities the caller interpolates) is returned.
m3d_SoftFloat m3d_clipVertex(m3d_Context* context, int32_t out, int32_t a, int32_t b, int32_t plane);
// q_a + t x (q_b - q_a), as the clipped vertex's quantities are interpolated.
int32_t m3d_clipLerp(m3d_SoftFloat t, int32_t qa, int32_t qb);

// A triangle or quad to clip: vertex indexes relative to the polygon id's base in order
// round the polygon, texture coordinates alike, and the colour or material.
struct m3d_ClipPolygon {
    uint32_t polygonId;
    uint16_t renderWord;  // bit 15 set for a quad
    int32_t count;        // 3 or 4
    uint16_t vertex[4];
    uint8_t uv[4][2];
    uint16_t color;  // flat colour, or material index for material polygons
};
// Clips the polygon at the near and far planes and queues the pieces; 0 on failure
// (no room, or a polygon kind that is not clipped). pending: polygons still to come.
int32_t m3d_clipPolygon(m3d_Context* context, const m3d_ClipPolygon* polygon, int32_t pending);

// Half width and half height of a sprite at screen vertex `vertex` (absolute index).
void m3d_spriteHalfSize(m3d_Context* context, int32_t vertex, int32_t width, int32_t height, int32_t flags,
                        int32_t* halfWidth, int32_t* halfHeight);
