// Images, off-screens and image drawing. Every size is checked against the surface
// ceiling in 64 bits before it is allocated, so a large width or height answers the
// out-of-memory word instead of a short buffer.
#include "graphics/mk_image.h"

#include <stdio.h>
#include <string.h>

#include "graphics/gfx2d.h"
#include "graphics/mk_graphics.h"
#include "graphics/mk_host.h"
#include "graphics/png_decode.h"
#include "platform/trace.h"
#include "platform/vmsections.h"

static VMBSS MkVideoProperty mkVideoCache;

namespace {

const char kImageSource[] = "mk_gfx_image";
const char kOffScreenSource[] = "mk_gfx_offscreen";
const char kVideoSource[] = "mk_gfx_video";

struct OutOfMemoryTexts {
    const char* source;
    const char* structure;
    const char* buffer;
};
const OutOfMemoryTexts kCreateTexts = {kImageSource, "MkImageCreate structure Fail (OutOfMemory)",
                                       "MkImageCreate buffer Fail (OutOfMemory)"};
const OutOfMemoryTexts kFromArgbTexts = {kImageSource, "MkImageCreateFromARGB structure Fail (OutOfMemory)",
                                         "MkImageCreateFromARGB buffer Fail (OutOfMemory)"};
const OutOfMemoryTexts kCroppedTexts = {kImageSource, "MkImageCreateCropped structure Fail (OutOfMemory)",
                                        "MkImageCreateCropped buffer Fail (OutOfMemory)"};
const OutOfMemoryTexts kOffScreenTexts = {kOffScreenSource, "MkOffScreenCreate structure Fail (OutOfMemory)",
                                          "MkOffScreenCreate buffer Fail (OutOfMemory)"};

// A refused PNG names the decoder's reason, so a damaged resource can be told from a
// decoder fault without a debugger. Bad data is no assert: level 2, straight to the sink.
void tracePngRefused() {
    if (!TraceIsEnabled(2, kImageSource, "MkImageCreate")) return;
    char line[128];
    snprintf(line, sizeof line, "%s: MkImageCreate PNG refused (%s)\n", kImageSource, PngErrorName(PngLastError()));
    for (const char* p = line; *p != '\0'; p++) TraceSinkPutChar((unsigned char)*p);
}

bool fitsCeiling(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width * height <= MK_SURFACE_MAX_PIXELS;
}

// A surface with zeroed pixels, or null with the failure traced. Sizes are positive.
MkSurface* newSurface(int32_t width, int32_t height, uint32_t alphaMode, uint32_t writable,
                      const OutOfMemoryTexts& texts) {
    if (!fitsCeiling(width, height)) {
        mk_traceOutOfMemory(texts.source, texts.buffer);
        return nullptr;
    }
    MkSurface* s = static_cast<MkSurface*>(mk_allocPointer(sizeof(MkSurface)));
    if (s == nullptr) {
        mk_traceOutOfMemory(texts.source, texts.structure);
        return nullptr;
    }
    s->pixels = static_cast<uint16_t*>(mk_allocPointer((uint32_t)width * (uint32_t)height * 2));
    if (s->pixels == nullptr) {
        mk_freePointer(s);
        mk_traceOutOfMemory(texts.source, texts.buffer);
        return nullptr;
    }
    s->width = width;
    s->height = height;
    s->alphaMode = alphaMode;
    s->writable = writable;
    return s;
}

MkSurface* fail(int32_t* error, int32_t word) {
    *error = word;
    return MK_SURFACE_FAILED;
}

bool isSurface(const MkSurface* s) { return s != nullptr && s != MK_SURFACE_FAILED; }

// Pixels of a host-decoded image: with alpha, bit 5 from ARGB bit 27 as the alpha-mode
// conversion has it; without, every pixel opaque.
MkSurface* createFromHost(void* image, int32_t width, int32_t height, int32_t* error) {
    const MkHostHooks* hooks = mk_getHostHooks();
    MkSurface* s = newSurface(width, height, 1, 0, kCreateTexts);
    uint32_t count = (uint32_t)width * (uint32_t)height;
    uint32_t* argb = s != nullptr ? static_cast<uint32_t*>(mk_allocPointer(count * 4)) : nullptr;
    if (argb == nullptr) {
        if (s != nullptr) {
            MkImageDestroy(s);
            mk_traceOutOfMemory(kImageSource, kCreateTexts.buffer);
        }
        hooks->hostImageRelease(image);
        return fail(error, MK_IMAGE_NO_MEMORY);
    }
    int32_t hasAlpha = 0;
    int copied = hooks->hostImageCopyPixels(image, argb, count, &hasAlpha);
    hooks->hostImageRelease(image);
    if (copied != 0) {
        mk_freePointer(argb);
        MkImageDestroy(s);
        return fail(error, MK_IMAGE_BAD_DATA);
    }
    s->alphaMode = hasAlpha ? 1 : 0;
    for (uint32_t i = 0; i < count; i++) s->pixels[i] = gfx2d_argbToPixel(argb[i], hasAlpha ? 1 : 0);
    mk_freePointer(argb);
    *error = MK_IMAGE_OK;
    return s;
}

// Rows of the region that fit in length words with the given row step.
int32_t rowsThatFit(int32_t height, int32_t width, int32_t length, int32_t step) {
    if (width <= 0 || height <= 0 || length < width) return 0;
    int64_t rows = ((int64_t)length - width) / step + 1;
    return rows < height ? (int32_t)rows : height;
}

// Reads the region into argb: the part inside the surface, at the start of each row.
void readArgb(const MkSurface* s, uint32_t* argb, int32_t length, int32_t scanlength, const int32_t rect[4],
              bool opaque) {
    if (!isSurface(s) || argb == nullptr || scanlength == 0 || length <= 0) return;
    int32_t x = rect[0], y = rect[1], w = rect[2], h = rect[3];
    int32_t step = scanlength < 0 ? -scanlength : scanlength;
    int32_t rows = rowsThatFit(h, w, length, step);
    if (rows == 0) return;
    // the kept part of the region lands at the start of each row
    int64_t x0 = x > 0 ? x : 0, x1 = (int64_t)x + w < s->width ? (int64_t)x + w : s->width;
    int64_t y0 = y > 0 ? y : 0, y1 = (int64_t)y + rows < s->height ? (int64_t)y + rows : s->height;
    int32_t keptW = x1 > x0 ? (int32_t)(x1 - x0) : 0;
    int32_t keptH = y1 > y0 ? (int32_t)(y1 - y0) : 0;
    if (scanlength > 0) {
        gfx2d_surfaceToArgb(argb, scanlength, s, x, y, w, rows);
        if (opaque) {
            for (int32_t k = 0; k < keptH; k++)
                for (int32_t i = 0; i < keptW; i++) argb[k * scanlength + i] |= 0xFF000000u;
        }
        return;
    }
    uint32_t* temp = static_cast<uint32_t*>(mk_allocPointer((uint32_t)length * 4));
    if (temp == nullptr) {
        mk_traceOutOfMemory(kOffScreenSource, "MkOffScreenGetARGB Fail (OutOfMemory)");
        return;
    }
    gfx2d_surfaceToArgb(temp, step, s, x, y, w, rows);
    for (int32_t k = 0; k < keptH; k++) {
        uint32_t* to = argb + (ptrdiff_t)k * scanlength;
        memcpy(to, temp + (ptrdiff_t)k * step, (size_t)keptW * 4);
        if (opaque)
            for (int32_t i = 0; i < keptW; i++) to[i] |= 0xFF000000u;
    }
    mk_freePointer(temp);
}

void refreshVideoCache() {
    const MkHostHooks* hooks = mk_getHostHooks();
    if (hooks->screenGetVideoProperty != nullptr) {
        hooks->screenGetVideoProperty(&mkVideoCache);
    } else {
        memset(&mkVideoCache, 0, sizeof mkVideoCache);
        mkVideoCache.surface = gfx2d_getScreenSurface();
    }
}

int32_t sizeOf(const MkSurface* s, bool width) {
    if (!isSurface(s)) return 0;
    return width ? s->width : s->height;
}

int32_t screenAwareSize(const MkSurface* s, bool width) {
    if (isSurface(s) && s == mkVideoCache.surface) {
        refreshVideoCache();
        return sizeOf(mkVideoCache.surface, width);
    }
    return sizeOf(s, width);
}

}  // namespace

MkSurface* MkImageCreate(const uint8_t* data, uint32_t length, int32_t* error) {
    uint32_t pngW = 0, pngH = 0;
    int32_t width = 0, height = 0;
    void* hostImage = nullptr;
    const MkHostHooks* hooks = mk_getHostHooks();
    bool png = PngIsPng(data, length) != 0;
    if (png) {
        PngGetImageSize(data, length, &pngW, &pngH);
        if (pngW == 0 || pngH == 0 || pngW > 0x7FFFFFFF || pngH > 0x7FFFFFFF) {
            tracePngRefused();
            return fail(error, MK_IMAGE_BAD_DATA);
        }
        if (!fitsCeiling(pngW, pngH)) {
            mk_traceOutOfMemory(kImageSource, kCreateTexts.buffer);
            return fail(error, MK_IMAGE_NO_MEMORY);
        }
        width = (int32_t)pngW;
        height = (int32_t)pngH;
    } else {
        if (hooks->hostImageDecode == nullptr || data == nullptr ||
            hooks->hostImageDecode(data, length, &hostImage) != 0 || hostImage == nullptr)
            return fail(error, MK_IMAGE_BAD_DATA);
        hooks->hostImageGetSize(hostImage, &width, &height);
        if (width <= 0 || height <= 0) {
            hooks->hostImageRelease(hostImage);
            return fail(error, MK_IMAGE_BAD_DATA);
        }
        return createFromHost(hostImage, width, height, error);
    }
    MkSurface* s = newSurface(width, height, 1, 0, kCreateTexts);
    if (s == nullptr) return fail(error, MK_IMAGE_NO_MEMORY);
    int rc = PngDecodeImage(data, length, s);
    if (rc != 0) {
        if (rc != 3) tracePngRefused();  // no memory is traced where it ran out
        MkImageDestroy(s);
        return fail(error, rc == 3 ? MK_IMAGE_NO_MEMORY : MK_IMAGE_BAD_DATA);
    }
    *error = MK_IMAGE_OK;
    return s;
}

MkSurface* MkImageCreateFromARGB(const uint32_t* argb, int32_t width, int32_t height, int32_t processAlpha,
                                 int32_t* error) {
    if (argb == nullptr || width <= 0 || height <= 0) return fail(error, MK_IMAGE_BAD_DATA);
    MkSurface* s = newSurface(width, height, processAlpha ? 1 : 0, 1, kFromArgbTexts);
    if (s == nullptr) return fail(error, MK_IMAGE_NO_MEMORY);
    gfx2d_argbToSurface(s, nullptr, 0, 0, argb, width, height, processAlpha ? 1 : 0);
    s->writable = 0;
    *error = MK_IMAGE_OK;
    return s;
}

MkSurface* MkImageCreateCropped(const MkSurface* source, int32_t isOffScreen, const int32_t rect[4], int32_t transform,
                                int32_t* error) {
    if (!isSurface(source) || rect == nullptr) return fail(error, MK_IMAGE_NOT_SUPPORTED);
    int32_t x = rect[0], y = rect[1], w = rect[2], h = rect[3];
    if (w <= 0 || h <= 0 || x < 0 || y < 0 || (int64_t)x + w > source->width || (int64_t)y + h > source->height ||
        transform < 0 || transform > 7)
        return fail(error, MK_IMAGE_NOT_SUPPORTED);
    bool swaps = transform >= GFX2D_TRANS_MIRROR_ROT270;
    uint32_t alphaMode = isOffScreen ? 0 : source->alphaMode;
    MkSurface* s = newSurface(swaps ? h : w, swaps ? w : h, alphaMode, 1, kCroppedTexts);
    if (s == nullptr) return fail(error, MK_IMAGE_NO_MEMORY);
    // Transparent source pixels are not copied and stay 0: transparent in the new image too.
    gfx2d_drawImageRegion(s, nullptr, 0, 0, source, x, y, w, h, transform);
    s->writable = 0;
    *error = MK_IMAGE_OK;
    return s;
}

MkSurface* MkOffScreenCreate(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return MK_SURFACE_FAILED;
    MkSurface* s = newSurface(width, height, 0, 1, kOffScreenTexts);
    if (s == nullptr) return MK_SURFACE_FAILED;
    // A new mutable image is white.
    gfx2d_fillRect(s, nullptr, gfx2d_argbToPixel(0xFFFFFFFFu, 0), 0, 0, width, height);
    return s;
}

void MkImageDestroy(MkSurface* surface) {
    if (!isSurface(surface)) return;
    mk_freePointer(surface->pixels);
    mk_freePointer(surface);
}

int32_t MkImageGetWidth(const MkSurface* surface) { return sizeOf(surface, true); }
int32_t MkImageGetHeight(const MkSurface* surface) { return sizeOf(surface, false); }
int32_t MkGraphicsGetWidth(const MkSurface* surface) { return screenAwareSize(surface, true); }
int32_t MkGraphicsGetHeight(const MkSurface* surface) { return screenAwareSize(surface, false); }

void MkVideoGetProperty(MkVideoProperty* out) {
    refreshVideoCache();
    *out = mkVideoCache;
}

void MkImageGetARGB(const MkSurface* surface, uint32_t* argb, int32_t length, int32_t scanlength,
                    const int32_t rect[4]) {
    readArgb(surface, argb, length, scanlength, rect, false);
}

void MkOffScreenGetARGB(const MkSurface* surface, uint32_t* argb, int32_t length, int32_t scanlength,
                        const int32_t rect[4]) {
    readArgb(surface, argb, length, scanlength, rect, true);
}

int32_t mk_drawImage(MkSurface* target, const MkClip* clip, const MkSurface* image, int32_t x, int32_t y,
                     int32_t transform) {
    if (!isSurface(image)) return -1;
    if (transform == GFX2D_TRANS_NONE) return gfx2d_drawImage(target, clip, x, y, image);
    return gfx2d_drawImageRegion(target, clip, x, y, image, 0, 0, image->width, image->height, transform);
}

int32_t mk_drawOffScreen(MkSurface* target, const MkClip* clip, const MkSurface* offScreen, int32_t x, int32_t y,
                         int32_t transform) {
    if (!isSurface(offScreen) || offScreen != target || transform == GFX2D_TRANS_NONE)
        return mk_drawImage(target, clip, offScreen, x, y, transform);
    // a transformed copy onto itself would read pixels it has already written
    MkSurface* copy =
        newSurface(offScreen->width, offScreen->height, 0, 1,
                   {kVideoSource, "MkVideoDrawOffScreen(OutOfMemory)", "MkVideoDrawOffScreen(OutOfMemory)"});
    if (copy == nullptr) return 0;
    memcpy(copy->pixels, offScreen->pixels, (size_t)offScreen->width * offScreen->height * 2);
    int32_t rc = mk_drawImage(target, clip, copy, x, y, transform);
    MkImageDestroy(copy);
    return rc;
}

int32_t mk_drawArgbRows(MkSurface* target, const MkClip* clip, const uint32_t* argb, int32_t length, int32_t scanlength,
                        int32_t x, int32_t y, int32_t processAlpha) {
    if (argb == nullptr || scanlength == 0 || length <= 0) return 0;
    int32_t width = scanlength < 0 ? -scanlength : scanlength;
    int32_t rows = length / width;
    if (rows == 0) return 0;
    Gfx2dArgbSource source = {argb, width, rows, processAlpha ? 2u : 0u};
    uint32_t* temp = nullptr;
    if (scanlength < 0) {
        temp = static_cast<uint32_t*>(mk_allocPointer((uint32_t)length * 4));
        if (temp == nullptr) {
            mk_traceOutOfMemory(kVideoSource, "MkVideoDrawRegionARGBImage Fail (OutOfMemory)");
            return 0;
        }
        for (int32_t k = 0; k < rows; k++)
            memcpy(temp + (ptrdiff_t)k * width, argb + (ptrdiff_t)k * scanlength, (size_t)width * 4);
        source.data = temp;
    }
    int32_t rc = gfx2d_drawArgbRegion(target, clip, x, y, &source, 0, 0, width, rows, GFX2D_TRANS_NONE);
    mk_freePointer(temp);
    return rc;
}

int32_t MkGraphicsDrawImage(MkGraphicsContext* ctx, const MkSurface* image, int32_t x, int32_t y, int32_t transform) {
    return mk_drawImage(ctx->surface, &ctx->clip, image, x, y, transform);
}

int32_t MkVideoDrawOffScreen(MkGraphicsContext* ctx, const MkSurface* offScreen, int32_t x, int32_t y,
                             int32_t transform) {
    return mk_drawOffScreen(ctx->surface, &ctx->clip, offScreen, x, y, transform);
}

int32_t MkVideoDrawRegionARGBImage(MkGraphicsContext* ctx, const uint32_t* argb, int32_t length, int32_t scanlength,
                                   int32_t x, int32_t y, int32_t processAlpha) {
    return mk_drawArgbRows(ctx->surface, &ctx->clip, argb, length, scanlength, x, y, processAlpha);
}
