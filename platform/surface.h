// The records every drawing layer shares, the platform's font renderer among them: the
// 16-bit surface, the clip rectangle of a graphics context and the screen's video
// property record. Plain data, 32-bit words.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/p32.h"

// Pixel: red 15-11, green 10-6, opaque flag 5, blue 4-0.
enum : uint16_t {
    MK_PIXEL_OPAQUE = 0x0020,
};

struct MkSurface {
    P32<uint16_t> pixels;  // row-major, width pixels a row, no padding
    int32_t width;
    int32_t height;
    uint32_t alphaMode;  // 0 every pixel opaque; 1 bit 5 of each pixel says so
    uint32_t writable;   // 0: every drawing primitive refuses the surface
};
static_assert(sizeof(MkSurface) == 20, "MkSurface is five words");
static_assert(offsetof(MkSurface, writable) == 16, "writable is the fifth word");

// A context's clip: four signed 16-bit values.
struct MkClip {
    int16_t x;
    int16_t y;
    int16_t width;
    int16_t height;
};
static_assert(sizeof(MkClip) == 8, "MkClip is two words");

// The screen's video property record. Nine words: the screen surface, then the eight
// property words, the last of them the soft-key count. This nine-word layout is the
// one the back end, the natives and the toolkit read, and the one the host fills.
struct MkVideoProperty {
    P32<MkSurface> surface;
    int32_t colorFlag;      // 1
    int32_t colorCount;     // 32768
    int32_t alphaLevels;    // 2
    int32_t repeatEvents;   // 1
    int32_t pointerEvents;  // 1
    int32_t pointerMotion;  // 1
    int32_t reserved;       // 1 as the host keeps it
    int32_t softkeyCount;   // 2 with the soft-key bar, 0 in full-screen mode
};
static_assert(sizeof(MkVideoProperty) == 36, "MkVideoProperty is nine words");
static_assert(offsetof(MkVideoProperty, softkeyCount) == 32, "the soft-key count is word 8");
