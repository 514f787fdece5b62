// The rasterizer: pixel conversions and the raster primitives on 16-bit surfaces.
// Every drawing primitive takes (target or null for the screen, clip or null for the
// whole surface, ...), refuses a read-only target with -1, writes no pixel outside the
// clip cut to the surface, stores pixels without blending and otherwise returns 0.
#pragma once

#include "platform/surface.h"

#include <stdint.h>

// Surfaces and pixels
MkSurface* gfx2d_getScreenSurface(void);
uint16_t gfx2d_argbToPixel(uint32_t argb, uint32_t mode);
int32_t gfx2d_surfaceToArgb(uint32_t* out, int32_t scan, const MkSurface* surface, int32_t x, int32_t y, int32_t width,
                            int32_t height);
int32_t gfx2d_argbToSurface(MkSurface* surface, const MkClip* clip, int32_t x, int32_t y, const uint32_t* argb,
                            int32_t width, int32_t height, uint32_t alpha);
uint16_t gfx2d_getPixel(const MkSurface* surface, int32_t x, int32_t y);

// Lines, rectangles, polygons
int32_t gfx2d_drawLine(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x1, int32_t y1, int32_t x2,
                       int32_t y2);
int32_t gfx2d_drawLineDotted(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x1, int32_t y1, int32_t x2,
                             int32_t y2);
int32_t gfx2d_drawRect(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h);
int32_t gfx2d_drawRectDotted(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                             int32_t h);
int32_t gfx2d_fillRect(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h);
// A polygon of 3 to 32 vertices.
int32_t gfx2d_fillTriangle(MkSurface* s, const MkClip* clip, uint16_t pixel, const int32_t* xs, const int32_t* ys,
                           int32_t count);

// Rounded rectangles
int32_t gfx2d_drawRoundRect(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                            int32_t h, int32_t arcW, int32_t arcH);
int32_t gfx2d_drawRoundRectDotted(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                                  int32_t h, int32_t arcW, int32_t arcH);
int32_t gfx2d_fillRoundRect(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                            int32_t h, int32_t arcW, int32_t arcH);

// Arcs: angles in degrees counter-clockwise from 3 o'clock; a negative arc runs clockwise.
int32_t gfx2d_sinDeg(int32_t degrees);  // 16.16 fixed point
int32_t gfx2d_drawArc(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h,
                      int32_t startAngle, int32_t arcAngle);
int32_t gfx2d_drawArcDotted(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                            int32_t h, int32_t startAngle, int32_t arcAngle);
int32_t gfx2d_fillArc(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h,
                      int32_t startAngle, int32_t arcAngle);

// Blits. Transforms are the eight MIDP sprite transform codes.
enum {
    GFX2D_TRANS_NONE = 0,
    GFX2D_TRANS_MIRROR_ROT180 = 1,
    GFX2D_TRANS_MIRROR = 2,
    GFX2D_TRANS_ROT180 = 3,
    GFX2D_TRANS_MIRROR_ROT270 = 4,
    GFX2D_TRANS_ROT90 = 5,
    GFX2D_TRANS_ROT270 = 6,
    GFX2D_TRANS_MIRROR_ROT90 = 7,
};

// A 32-bit ARGB source for one call; it lives in the caller's frame only, so its data
// pointer may be any address.
struct Gfx2dArgbSource {
    const uint32_t* data;
    int32_t width;  // values per row
    int32_t height;
    uint32_t mode;  // 0 no alpha processing, 2 alpha blending
};

int32_t gfx2d_drawImage(MkSurface* target, const MkClip* clip, int32_t x, int32_t y, const MkSurface* source);
int32_t gfx2d_drawImageRegion(MkSurface* target, const MkClip* clip, int32_t x, int32_t y, const MkSurface* source,
                              int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t transform);
int32_t gfx2d_drawArgbRegion(MkSurface* target, const MkClip* clip, int32_t x, int32_t y, const Gfx2dArgbSource* source,
                             int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t transform);
