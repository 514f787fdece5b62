// Images and off-screens: immutable images decoded from PNG or another format or built
// from ARGB words, writable off-screens, reading them back as ARGB, drawing them, and the
// screen's size and video property queries. Every one is an MkSurface whose record and
// pixels come from the back end's allocator.
#pragma once

#include <stdint.h>

#include "graphics/mk_graphics.h"
#include "platform/surface.h"

// Surfaces of more pixels are refused as out of memory before anything is allocated.
enum { MK_SURFACE_MAX_PIXELS = 1 << 24 };

// The handle a creating call answers on failure.
#define MK_SURFACE_FAILED ((MkSurface*)-1)

// Error word of the creating calls.
enum {
    MK_IMAGE_OK = 0,
    MK_IMAGE_NO_MEMORY = -1,
    MK_IMAGE_BAD_DATA = -2,
    MK_IMAGE_NOT_SUPPORTED = -3,
};

MkSurface* MkImageCreate(const uint8_t* data, uint32_t length, int32_t* error);
MkSurface* MkImageCreateFromARGB(const uint32_t* argb, int32_t width, int32_t height, int32_t processAlpha,
                                 int32_t* error);
// A new immutable image of the region {x, y, width, height} of the source under one of the
// eight sprite transforms; error -3 for an empty region, one outside the source, or an
// unknown transform.
MkSurface* MkImageCreateCropped(const MkSurface* source, int32_t isOffScreen, const int32_t rect[4], int32_t transform,
                                int32_t* error);
// A writable off-screen, white as a new mutable image is; MK_SURFACE_FAILED when it
// cannot be made.
MkSurface* MkOffScreenCreate(int32_t width, int32_t height);
void MkImageDestroy(MkSurface* surface);

int32_t MkImageGetWidth(const MkSurface* surface);
int32_t MkImageGetHeight(const MkSurface* surface);
// As above, but the screen's surface answers the screen's size as the host has it now.
int32_t MkGraphicsGetWidth(const MkSurface* surface);
int32_t MkGraphicsGetHeight(const MkSurface* surface);
void MkVideoGetProperty(MkVideoProperty* out);

// The region {x, y, width, height} as ARGB words, row k at argb + k x scanlength (a
// negative scan length runs the rows backwards); only rows that fit in length words are
// read. The off-screen form sets alpha 0xFF on every word it wrote.
void MkImageGetARGB(const MkSurface* surface, uint32_t* argb, int32_t length, int32_t scanlength,
                    const int32_t rect[4]);
void MkOffScreenGetARGB(const MkSurface* surface, uint32_t* argb, int32_t length, int32_t scanlength,
                        const int32_t rect[4]);

// Drawing onto a target within a clip (the graphics context's surface and clip).
int32_t mk_drawImage(MkSurface* target, const MkClip* clip, const MkSurface* image, int32_t x, int32_t y,
                     int32_t transform);
// As mk_drawImage; an off-screen drawn onto itself under a transform reads from a copy.
int32_t mk_drawOffScreen(MkSurface* target, const MkClip* clip, const MkSurface* offScreen, int32_t x, int32_t y,
                         int32_t transform);
// Rows of length / |scanlength| ARGB words each scanlength wide (rows run backwards for a
// negative scan length), blended when processAlpha is set.
int32_t mk_drawArgbRows(MkSurface* target, const MkClip* clip, const uint32_t* argb, int32_t length, int32_t scanlength,
                        int32_t x, int32_t y, int32_t processAlpha);

// The same onto a graphics context's surface within its clip.
int32_t MkGraphicsDrawImage(MkGraphicsContext* ctx, const MkSurface* image, int32_t x, int32_t y, int32_t transform);
int32_t MkVideoDrawOffScreen(MkGraphicsContext* ctx, const MkSurface* offScreen, int32_t x, int32_t y,
                             int32_t transform);
int32_t MkVideoDrawRegionARGBImage(MkGraphicsContext* ctx, const uint32_t* argb, int32_t length, int32_t scanlength,
                                   int32_t x, int32_t y, int32_t processAlpha);
