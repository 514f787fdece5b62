// Copies between engine images and system surfaces.
#include "engine3d/m3d_surface.h"

#include "engine3d/m3d_texture.h"

namespace {

// A region of a source placed in a destination, cut to both (64-bit, so that no width,
// height or offset can wrap).
struct Region {
    int64_t sx, sy, dx, dy, w, h;
};

bool cutRegion(Region* r, int64_t srcWidth, int64_t srcHeight, int64_t dstWidth, int64_t dstHeight) {
    if (r->w < 1 || r->h < 1) return false;
    int64_t shiftX = r->sx < 0 ? -r->sx : 0;
    if (r->dx + shiftX < 0) shiftX = -r->dx;
    int64_t shiftY = r->sy < 0 ? -r->sy : 0;
    if (r->dy + shiftY < 0) shiftY = -r->dy;
    r->sx += shiftX, r->dx += shiftX, r->w -= shiftX;
    r->sy += shiftY, r->dy += shiftY, r->h -= shiftY;
    if (r->sx + r->w > srcWidth) r->w = srcWidth - r->sx;
    if (r->dx + r->w > dstWidth) r->w = dstWidth - r->dx;
    if (r->sy + r->h > srcHeight) r->h = srcHeight - r->sy;
    if (r->dy + r->h > dstHeight) r->h = dstHeight - r->dy;
    return r->w > 0 && r->h > 0;
}

bool engineImage(const m3d_Image* image) {
    return m3d_isImageValid(image) && image->format == M3D_FORMAT_COLOR16 && image->width >= 0 && image->height >= 0 &&
           image->pitch >= image->width;
}

}  // namespace

int32_t m3d_copyToSurface(uint16_t* dst, int32_t dstPitch, int32_t dstWidth, int32_t dstHeight, int32_t dx, int32_t dy,
                          const m3d_Image* src, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    if (dst == nullptr || dstPitch < dstWidth || !engineImage(src)) return 0;
    Region r = {sx, sy, dx, dy, w, h};
    if (!cutRegion(&r, src->width, src->height, dstWidth, dstHeight)) return 0;
    for (int64_t row = 0; row < r.h; row++) {
        const uint16_t* in = (const uint16_t*)src->pixels + (r.sy + row) * src->pitch + r.sx;
        uint16_t* out = dst + (r.dy + row) * dstPitch + r.dx;
        for (int64_t i = 0; i < r.w; i++) out[i] = (uint16_t)(in[i] | M3D_SURFACE_OPAQUE);
    }
    return (int32_t)(r.w * r.h);
}

int32_t m3d_copyFromSurface(m3d_Image* dst, int32_t dx, int32_t dy, const uint16_t* src, int32_t srcPitch,
                            int32_t srcWidth, int32_t srcHeight, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    if (src == nullptr || srcPitch < srcWidth || !engineImage(dst)) return 0;
    Region r = {sx, sy, dx, dy, w, h};
    if (!cutRegion(&r, srcWidth, srcHeight, dst->width, dst->height)) return 0;
    for (int64_t row = 0; row < r.h; row++) {
        const uint16_t* in = src + (r.sy + row) * srcPitch + r.sx;
        uint16_t* out = (uint16_t*)dst->pixels + (r.dy + row) * dst->pitch + r.dx;
        for (int64_t i = 0; i < r.w; i++) out[i] = (uint16_t)(in[i] & ~M3D_SURFACE_OPAQUE);
    }
    return (int32_t)(r.w * r.h);
}
