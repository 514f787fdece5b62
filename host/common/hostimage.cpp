// Host image decoding on stb_image. The bitmap keeps stb's RGBA bytes as decoded; the
// two ways out read them differently: the back end's copy keeps the alpha, the display
// read lays the picture over white as a screen bitmap would show it.
#include "host/common/hostimage.h"

#include <stb_image.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool sizeAccepted(int w, int h) { return w > 0 && h > 0 && (int64_t)w * h <= HOST_IMAGE_MAX_PIXELS; }

void freeBitmap(HostBitmap* bitmap) {
    if (bitmap) {
        stbi_image_free(bitmap->rgba);
        free(bitmap);
    }
}

HostBitmap* wrap(uint8_t* rgba, int w, int h) {
    if (!rgba) {
        return nullptr;
    }
    HostBitmap* bitmap = static_cast<HostBitmap*>(malloc(sizeof(HostBitmap)));
    if (!bitmap) {
        stbi_image_free(rgba);
        return nullptr;
    }
    *bitmap = {w, h, rgba};
    return bitmap;
}

// Channel value c (8 bits) placed under mask: its top bits, as many as the mask has.
uint32_t place(uint32_t c, uint32_t mask) {
    int shift = __builtin_ctz(mask);
    int bits = __builtin_popcount(mask);
    return (c >> (8 - bits)) << shift;
}

bool maskUsable(uint32_t mask, int bitsPerPixel) {
    if (mask == 0) {
        return false;
    }
    int bits = __builtin_popcount(mask);
    // one run of at most 8 bits inside the pixel
    uint32_t run = mask >> __builtin_ctz(mask);
    return bits <= 8 && (run & (run + 1)) == 0 && (bitsPerPixel == 32 || mask >> bitsPerPixel == 0);
}

}  // namespace

CVOImage::~CVOImage() { freeBitmap(bitmap); }

HostBitmap* CVOImage::Decode(int mode, const char* path, const uint8_t* data, uint32_t length) {
    int w = 0, h = 0, channels = 0;
    if (mode == 1) {
        if (!data || length == 0 || length > 0x7FFFFFFF ||
            !stbi_info_from_memory(data, (int)length, &w, &h, &channels) || !sizeAccepted(w, h)) {
            return nullptr;
        }
        return wrap(stbi_load_from_memory(data, (int)length, &w, &h, &channels, 4), w, h);
    }
    if (!path || !stbi_info(path, &w, &h, &channels) || !sizeAccepted(w, h)) {
        return nullptr;
    }
    return wrap(stbi_load(path, &w, &h, &channels, 4), w, h);
}

int CVOImage::DecodeFromBuffer(const uint8_t* data, uint32_t length) {
    HostBitmap* decoded = Decode(1, nullptr, data, length);
    return decoded ? Attach(decoded) : 0;
}

int CVOImage::Attach(HostBitmap* b) {
    if (b != bitmap) {
        freeBitmap(bitmap);
    }
    bitmap = b;
    width = b ? b->width : 0;
    height = b ? b->height : 0;
    return 1;
}

int CVOImage::GetPixels(int bytesPerPixel, int bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                        void* out) const {
    if (!bitmap || !out || (bytesPerPixel != 2 && bytesPerPixel != 4) || bitsPerPixel != bytesPerPixel * 8 ||
        !maskUsable(redMask, bitsPerPixel) || !maskUsable(greenMask, bitsPerPixel) ||
        !maskUsable(blueMask, bitsPerPixel)) {
        return 0;
    }
    const uint8_t* p = bitmap->rgba;
    size_t count = (size_t)bitmap->width * bitmap->height;
    for (size_t i = 0; i < count; i++, p += 4) {
        uint32_t a = p[3];
        uint32_t c[3];
        for (int k = 0; k < 3; k++) {
            c[k] = (p[k] * a + 255 * (255 - a) + 127) / 255;  // over white
        }
        uint32_t v = place(c[0], redMask) | place(c[1], greenMask) | place(c[2], blueMask);
        if (bytesPerPixel == 2) {
            static_cast<uint16_t*>(out)[i] = (uint16_t)v;
        } else {
            static_cast<uint32_t*>(out)[i] = v;
        }
    }
    return 1;
}

int CVOImage::GetPixelsArgb32(uint32_t* out) const { return GetPixels(4, 32, 0xFF0000, 0xFF00, 0xFF, out); }

int HostImageDecode(const uint8_t* data, uint32_t length, void** image) {
    *image = nullptr;
    CVOImage* decoded = new CVOImage();
    if (!decoded->DecodeFromBuffer(data, length)) {
        delete decoded;
        return 1;
    }
    *image = decoded;
    return 0;
}

void HostImageGetSize(void* image, int32_t* width, int32_t* height) {
    const CVOImage* i = static_cast<const CVOImage*>(image);
    *width = i ? i->width : 0;
    *height = i ? i->height : 0;
}

// The back end wants ARGB words with the source's alpha and a flag for it, not the
// 0x00RRGGBB words of the display read: the caller's form is the one that holds here.
int HostImageCopyPixels(void* image, uint32_t* argb, uint32_t count, int32_t* hasAlpha) {
    const CVOImage* i = static_cast<const CVOImage*>(image);
    if (hasAlpha) {
        *hasAlpha = 0;
    }
    if (!i || !i->bitmap || !argb || count > (uint32_t)i->width * (uint32_t)i->height) {
        return 2;
    }
    const uint8_t* p = i->bitmap->rgba;
    uint32_t alpha = 0xFF;
    for (uint32_t k = 0; k < count; k++, p += 4) {
        argb[k] = (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
        alpha &= p[3];
    }
    if (hasAlpha) {
        *hasAlpha = alpha != 0xFF;
    }
    return 0;
}

void HostImageRelease(void* image) { delete static_cast<CVOImage*>(image); }
