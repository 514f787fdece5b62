// Where the engine's pixels meet the system's 16-bit surfaces. Both put red in bits
// 15-11, green in 10-6 and blue in 4-0; the engine keeps bit 5 clear in every colour it
// computes, while a surface uses bit 5 as the opaque flag, so the engine's pixels alone
// would read as transparent. The engine renders into its own images; these copies set
// the flag on the way out and clear it on the way in.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

enum : uint16_t { M3D_SURFACE_OPAQUE = 0x0020 };

// Copies the engine image's w x h region at (sx, sy) to (dx, dy) of a surface of
// dstWidth x dstHeight pixels, dstPitch pixels a row, marking every pixel opaque. The
// region is cut to both; returns the number of pixels written.
int32_t m3d_copyToSurface(uint16_t* dst, int32_t dstPitch, int32_t dstWidth, int32_t dstHeight, int32_t dx, int32_t dy,
                          const m3d_Image* src, int32_t sx, int32_t sy, int32_t w, int32_t h);
// The reverse: surface pixels into an engine image, with bit 5 cleared so that the
// engine can blend over them.
int32_t m3d_copyFromSurface(m3d_Image* dst, int32_t dx, int32_t dy, const uint16_t* src, int32_t srcPitch,
                            int32_t srcWidth, int32_t srcHeight, int32_t sx, int32_t sy, int32_t w, int32_t h);
