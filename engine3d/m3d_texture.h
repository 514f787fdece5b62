// Image views, textures and their render flags, the 8-bit BMP texture loader, the blank
// render texture, the four 2x region copies, and the 2D region draw and rectangle fill
// on the context's render target.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

// Image views
void m3d_initImage(m3d_Image* image);
void m3d_releaseImage(m3d_Image* image);
int32_t m3d_createImage(m3d_Image* image, m3d_Allocator* allocator, int32_t width, int32_t height, int32_t format);
void m3d_wrapImage(m3d_Image* image, void* texels, int32_t pitch, int32_t width, int32_t height, int32_t format);
// out: width, height, pitch, format. Returns the pitch, or 0 for an empty image.
int32_t m3d_imageInfo(const m3d_Image* image, int32_t* out);
bool m3d_isImageValid(const m3d_Image* image);
inline void* m3d_lockImage(m3d_Image* image) { return image->pixels; }
inline void m3d_unlockImage(m3d_Image*) {}

// Region copies between 16-bit images; they do nothing unless both regions fit.
void m3d_scaleImage2x(m3d_Image* dst, int32_t dx, int32_t dy, const m3d_Image* src, int32_t sx, int32_t sy, int32_t w,
                      int32_t h);
void m3d_duplicateImage2x(m3d_Image* dst, int32_t dx, int32_t dy, const m3d_Image* src, int32_t sx, int32_t sy,
                          int32_t w, int32_t h);
void m3d_halveImage(m3d_Image* dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const m3d_Image* src, int32_t sx,
                    int32_t sy);
void m3d_decimateImage(m3d_Image* dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const m3d_Image* src, int32_t sx,
                       int32_t sy);

// Textures
void m3d_initTexture(m3d_Texture* texture, m3d_Allocator* allocator);
void m3d_setToonSetting(m3d_Texture* texture, int32_t threshold, int32_t high, int32_t low);
void m3d_clearToonSetting(m3d_Texture* texture);
void m3d_freeTextureContents(m3d_Texture* texture);
void m3d_releaseTexture(m3d_Texture* texture);
bool m3d_isTextureInUse(const m3d_Texture* texture);
uint8_t m3d_computeRenderFlags(const m3d_Texture* texture);
int32_t m3d_wrapTexture(m3d_Texture* texture, void* texels, int32_t pitch, int32_t width, int32_t height,
                        int32_t format);
// kind 0: shaded 256 x 256; kind 1: unshaded 64 x 64.
int32_t m3d_loadTexture(m3d_Texture* texture, m3d_InputStream* stream, int32_t kind);
int32_t m3d_loadBmpTexture(m3d_Texture* texture, m3d_InputStream* stream, int32_t shaded, int32_t maxWidth,
                           int32_t maxHeight);
int32_t m3d_makeRenderTexture(m3d_Texture* texture);
bool m3d_isEnvironmentTexture(const m3d_Texture* texture);
// A texture the texture set takes: a valid 256 x 256 texel image.
bool m3d_isTexture256(const m3d_Texture* texture);

// 2D operations on the render target
int32_t m3d_drawTextureRegion(m3d_Context* context, int32_t x, int32_t y, int32_t tx, int32_t ty, int32_t width,
                              int32_t height);
void m3d_fillRect(m3d_Context* context, uint32_t color, int32_t x, int32_t y, int32_t width, int32_t height);
void m3d_fillRect24(m3d_Context* context, uint32_t rgb, int32_t x, int32_t y, int32_t width, int32_t height);
