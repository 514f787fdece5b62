// Host image decoding: every image format but PNG (JPEG, GIF, BMP and what else
// stb_image reads) decoded into a bitmap that the graphics back end copies out as 32-bit
// ARGB words, and that the manager reads in the display's own pixel layout.
#pragma once

#include <stdint.h>

// Images of more pixels are refused before they are decoded.
enum { HOST_IMAGE_MAX_PIXELS = 1 << 24 };

// A decoded picture: width x height RGBA bytes, top row first.
struct HostBitmap {
    int32_t width;
    int32_t height;
    uint8_t* rgba;
};

class CVOImage {
public:
    CVOImage() = default;
    CVOImage(const CVOImage&) = delete;
    CVOImage& operator=(const CVOImage&) = delete;
    virtual ~CVOImage();

    // 1 when the data was decoded and attached, else 0.
    int DecodeFromBuffer(const uint8_t* data, uint32_t length);
    // Mode 1 decodes the buffer, any other mode the file at path; null when it cannot.
    static HostBitmap* Decode(int mode, const char* path, const uint8_t* data, uint32_t length);
    // The bitmap becomes the image's own (the one held before is freed); 1.
    int Attach(HostBitmap* bitmap);
    // The picture as it shows on a white background, packed top row first in pixels of
    // bytesPerPixel (2 or 4) bytes with the given channel masks. 1, or 0 without a bitmap
    // or for a layout it cannot write.
    int GetPixels(int bytesPerPixel, int bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                  void* out) const;
    // GetPixels(4, 32, 0xFF0000, 0xFF00, 0xFF): 0x00RRGGBB words.
    int GetPixelsArgb32(uint32_t* out) const;

    int32_t height = 0;
    int32_t width = 0;
    HostBitmap* bitmap = nullptr;
};

// The back end's entry points. The image is a CVOImage behind an opaque pointer.
// 0 and a new image, or 1 when the data cannot be decoded (no image).
int HostImageDecode(const uint8_t* data, uint32_t length, void** image);
void HostImageGetSize(void* image, int32_t* width, int32_t* height);
// 0 and count ARGB words (count at most width x height), hasAlpha 1 when some pixel is
// not opaque; 2 for no image or a count beyond the picture.
int HostImageCopyPixels(void* image, uint32_t* argb, uint32_t count, int32_t* hasAlpha);
void HostImageRelease(void* image);
