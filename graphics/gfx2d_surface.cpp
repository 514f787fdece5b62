// Surfaces and pixels: the target and clip rule every primitive starts with, the row
// template and span writer of the filled shapes, and the pixel/ARGB conversions.
#include "graphics/gfx2d.h"
#include "graphics/gfx2d_raster.h"
#include "graphics/mk_host.h"
#include "platform/vmsections.h"

#include <string.h>

static MkHostHooks mkHostHooks;
// Without a host there is no screen: a 0 x 0 surface that takes every call and shows nothing.
static MkSurface noScreen = {nullptr, 0, 0, 0, 1};
// Scratch of every filling call, rebuilt for its pixel before use.
static VMBSS uint16_t rowTemplate[GFX2D_TEMPLATE_LENGTH];

void mk_setHostHooks(const MkHostHooks* hooks) {
    if (hooks != nullptr)
        mkHostHooks = *hooks;
    else
        memset(&mkHostHooks, 0, sizeof mkHostHooks);
}

const MkHostHooks* mk_getHostHooks(void) { return &mkHostHooks; }

MkSurface* gfx2d_getScreenSurface(void) {
    if (mkHostHooks.screenGetSurface != nullptr) {
        MkSurface* screen = mkHostHooks.screenGetSurface();
        if (screen != nullptr) return screen;
    }
    return &noScreen;
}

void gfx2d_prepareTemplate(uint16_t pixel, int64_t n) {
    int32_t count = n > GFX2D_TEMPLATE_LENGTH ? GFX2D_TEMPLATE_LENGTH : n < 0 ? 0 : (int32_t)n;
    if (count < 64) {
        for (int32_t i = 0; i < count; i++) rowTemplate[i] = pixel;
        return;
    }
    for (int32_t i = 0; i < 8; i++) rowTemplate[i] = pixel;
    for (int32_t filled = 8; filled < count; filled *= 2) {
        int32_t more = filled <= count - filled ? filled : count - filled;
        memcpy(rowTemplate + filled, rowTemplate, more * sizeof(uint16_t));
    }
}

void gfx2d_writeSpan(uint16_t* dst, int32_t n) {
    if (n > GFX2D_TEMPLATE_LENGTH) {
        // long spans (whole rows back to back): on x86-64 the processor's string store, two
        // pixels a word, as fast as memset; elsewhere, and in sanitizer builds whose stores
        // are checked, a plain loop
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
        uint32_t pair = rowTemplate[0] * 0x10001u;
        if (((uintptr_t)dst & 2) != 0) {
            *dst++ = rowTemplate[0];
            n--;
        }
        uint32_t* words = (uint32_t*)dst;
        size_t count = (uint32_t)n / 2;
        __asm__ volatile("rep stosl" : "+D"(words), "+c"(count) : "a"(pair) : "memory");
        if (n & 1) dst[n - 1] = rowTemplate[0];
#else
        const uint16_t pixel = rowTemplate[0];
        for (int32_t i = 0; i < n; i++) dst[i] = pixel;
#endif
        return;
    }
    if (n < 8) {
        uint16_t pixel = rowTemplate[0];
        for (int32_t i = 0; i < n; i++) dst[i] = pixel;
    } else {
        memcpy(dst, rowTemplate, n * sizeof(uint16_t));
    }
}

void gfx2d_fillSpan(MkSurface* s, const Gfx2dClip& c, int64_t y, int64_t xa, int64_t xb) {
    if (y < c.y0 || y >= c.y1) return;
    int64_t from = gfx2d_max(xa, c.x0), to = gfx2d_min(xb, c.x1 - 1);
    if (from > to) return;
    gfx2d_writeSpan(s->pixels + (int32_t)y * s->width + (int32_t)from, (int32_t)(to - from + 1));
}

// ARGB and pixels: the top five bits of each channel, the low three dropped.
static inline uint16_t colourBits(uint32_t argb) {
    return (uint16_t)(((argb >> 8) & 0xF800) | ((argb >> 5) & 0x07C0) | ((argb >> 3) & 0x001F));
}

uint16_t gfx2d_argbToPixel(uint32_t argb, uint32_t mode) {
    uint16_t opaque = mode == 1 ? (uint16_t)((argb >> 22) & MK_PIXEL_OPAQUE) : (uint16_t)MK_PIXEL_OPAQUE;
    return (uint16_t)(colourBits(argb) | opaque);
}

static inline uint32_t pixelToArgb(uint16_t p) {
    uint32_t argb = ((uint32_t)(p & 0xF800) << 8) | ((uint32_t)(p & 0x07C0) << 5) | ((uint32_t)(p & 0x001F) << 3);
    return (p & MK_PIXEL_OPAQUE) != 0 ? argb | 0xFF000000u : argb;
}

int32_t gfx2d_surfaceToArgb(uint32_t* out, int32_t scan, const MkSurface* s, int32_t x, int32_t y, int32_t w,
                            int32_t h) {
    if (s == nullptr || w < 0 || h < 0 || scan < w) return -1;
    int64_t x0 = gfx2d_max(x, 0), y0 = gfx2d_max(y, 0);
    int64_t x1 = gfx2d_min((int64_t)x + w, s->width), y1 = gfx2d_min((int64_t)y + h, s->height);
    if (y0 >= y1 || x0 >= x1 || s->pixels == nullptr) return 0;
    for (int64_t row = y0; row < y1; row++) {
        const uint16_t* src = s->pixels + (int32_t)row * s->width + (int32_t)x0;
        uint32_t* dst = out + (int32_t)(row - y0) * scan;
        for (int32_t i = 0; i < (int32_t)(x1 - x0); i++) dst[i] = pixelToArgb(src[i]);
    }
    return 0;
}

int32_t gfx2d_argbToSurface(MkSurface* surface, const MkClip* clip, int32_t x, int32_t y, const uint32_t* argb,
                            int32_t w, int32_t h, uint32_t alpha) {
    if (argb == nullptr) return -1;
    MkSurface* s = gfx2d_target(surface);
    if (s == nullptr) return -1;
    Gfx2dClip c;
    if (!gfx2d_clipOf(s, clip, &c)) return 0;
    if (x >= c.x1 || y >= c.y1 || (int64_t)x + w <= c.x0 || (int64_t)y + h <= c.y0) return 0;
    int64_t x0 = gfx2d_max(x, c.x0), y0 = gfx2d_max(y, c.y0);
    int64_t x1 = gfx2d_min((int64_t)x + w, c.x1), y1 = gfx2d_min((int64_t)y + h, c.y1);
    for (int64_t row = y0; row < y1; row++) {
        const uint32_t* src = argb + (row - y) * w + (x0 - x);
        uint16_t* dst = s->pixels + (int32_t)row * s->width;
        for (int64_t col = x0; col < x1; col++, src++) {
            uint16_t opaque = alpha == 0 || (*src >> 24) > 0x7F ? MK_PIXEL_OPAQUE : 0;
            dst[col] = (uint16_t)(colourBits(*src) | opaque);
        }
    }
    return 0;
}

uint16_t gfx2d_getPixel(const MkSurface* surface, int32_t x, int32_t y) {
    const MkSurface* s = surface != nullptr ? surface : gfx2d_getScreenSurface();
    if (s->pixels == nullptr || x < 0 || x > s->width - 1 || y < 0 || y > s->height - 1) return 0;
    return s->pixels[x + y * s->width];
}
