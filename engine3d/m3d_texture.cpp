// Images and textures. The BMP loader trusts no field of the file: sizes are checked in
// 64-bit arithmetic against the texture's limits before anything is allocated, every row
// read is bounded by the limits, and a stream error at any stage refuses the load.
#include "engine3d/m3d_texture.h"

#include <string.h>

#include "engine3d/m3d_color.h"

namespace {

int32_t bytesPerTexel(int32_t format) { return format == M3D_FORMAT_INDEX8 ? 1 : format == M3D_FORMAT_WORD32 ? 4 : 2; }

void* allocate(m3d_Allocator* a, uint32_t bytes) { return a->ops->allocate(a, bytes); }
void release(m3d_Allocator* a, void* block) { a->ops->free(a, block); }

uint16_t* texel16(const m3d_Image* image, int32_t x, int32_t y) {
    return (uint16_t*)image->pixels + (int64_t)y * image->pitch + x;
}

// A w x h region at (x, y) lies inside a valid 16-bit image.
bool regionFits(const m3d_Image* image, int32_t x, int32_t y, int64_t w, int64_t h) {
    return m3d_isImageValid(image) && image->format == M3D_FORMAT_COLOR16 && x >= 0 && y >= 0 && w >= 1 && h >= 1 &&
           x + w <= image->width && y + h <= image->height && image->width <= image->pitch;
}

uint32_t average2(uint32_t a, uint32_t b) {
    return ((((a & 0xF81F) + (b & 0xF81F)) >> 1) & 0xF81F) | ((((a & 0x07C0) + (b & 0x07C0)) >> 1) & 0x07C0);
}
uint32_t average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return ((((a & 0xF81F) + (b & 0xF81F) + (c & 0xF81F) + (d & 0xF81F)) >> 2) & 0xF81F) |
           ((((a & 0x07C0) + (b & 0x07C0) + (c & 0x07C0) + (d & 0x07C0)) >> 2) & 0x07C0);
}

uint8_t sizeFlags(int32_t size) {
    switch (size) {
        case 256:
            return M3D_TEXFLAGS_256;
        case 128:
            return M3D_TEXFLAGS_128;
        case 64:
            return M3D_TEXFLAGS_64;
        case 32:
            return M3D_TEXFLAGS_32;
        default:
            return 0;
    }
}

// A rectangle cut to the render target's clip and surface. Widths and heights below 1,
// -2^31 included, give nothing; skipX/skipY say how far the left and top edges moved.
struct ClippedRect {
    int32_t x, y, width, height, skipX, skipY;
};

bool clipToTarget(const m3d_RenderTarget* target, int32_t x, int32_t y, int32_t width, int32_t height,
                  ClippedRect* out) {
    const m3d_Image* s = target->surface;
    if (s == nullptr || !m3d_isImageValid(s) || s->format != M3D_FORMAT_COLOR16) return false;
    if (width < 1 || height < 1) return false;
    int64_t left = target->clipLeft > 0 ? target->clipLeft : 0;
    int64_t top = target->clipTop > 0 ? target->clipTop : 0;
    int64_t right = target->clipRight < s->width ? target->clipRight : s->width;
    int64_t bottom = target->clipBottom < s->height ? target->clipBottom : s->height;
    int64_t x0 = x, y0 = y, x1 = (int64_t)x + width, y1 = (int64_t)y + height;
    int64_t skipX = x0 < left ? left - x0 : 0;
    int64_t skipY = y0 < top ? top - y0 : 0;
    x0 += skipX;
    y0 += skipY;
    if (x1 > right) x1 = right;
    if (y1 > bottom) y1 = bottom;
    if (x1 <= x0 || y1 <= y0) return false;
    *out = {(int32_t)x0, (int32_t)y0, (int32_t)(x1 - x0), (int32_t)(y1 - y0), (int32_t)skipX, (int32_t)skipY};
    return true;
}

// One stage of a BMP load failed: the texture is left empty with its allocator.
int32_t refuseLoad(m3d_Texture* texture) {
    m3d_Allocator* allocator = texture->allocator;
    m3d_freeTextureContents(texture);
    m3d_initTexture(texture, allocator);
    return M3D_FAILURE;
}

struct BmpHeader {
    uint32_t signature, dataOffset, infoSize, compression, colorsUsed, bitCount;
    int32_t width, height;
};

BmpHeader readBmpHeader(m3d_InputStream* s) {
    const m3d_InputStreamOps* op = s->ops;
    BmpHeader h;
    h.signature = op->readU16(s);
    op->skip(s, 8);
    h.dataOffset = op->readU32(s);
    h.infoSize = op->readU32(s);
    h.width = (int32_t)op->readU32(s);
    h.height = (int32_t)op->readU32(s);
    op->skip(s, 2);
    h.bitCount = op->readU16(s);
    h.compression = op->readU32(s);
    op->skip(s, 12);
    h.colorsUsed = op->readU32(s);
    op->skip(s, 4);
    return h;
}

}  // namespace

void m3d_initImage(m3d_Image* image) { memset(image, 0, sizeof *image); }

void m3d_releaseImage(m3d_Image* image) {
    if (image->ownsPixels && image->allocator != nullptr && image->pixels != nullptr)
        release(image->allocator, image->pixels);
    m3d_initImage(image);
}

int32_t m3d_createImage(m3d_Image* image, m3d_Allocator* allocator, int32_t width, int32_t height, int32_t format) {
    m3d_releaseImage(image);
    if (allocator == nullptr || format < 1 || format > 4 || width < 0 || height < 0) return M3D_FAILURE;
    if (format == 4) format = M3D_FORMAT_COLOR16;
    int64_t pitch = ((int64_t)width + 3) & ~(int64_t)3;
    int64_t bytes = bytesPerTexel(format) * pitch * height;
    if (bytes > 0xFFFFFFFFLL) return M3D_FAILURE;
    void* texels = allocate(allocator, (uint32_t)bytes);
    if (texels == nullptr) return M3D_FAILURE;
    *image = {allocator, texels, width, height, (int32_t)pitch, format, 1};
    return M3D_SUCCESS;
}

void m3d_wrapImage(m3d_Image* image, void* texels, int32_t pitch, int32_t width, int32_t height, int32_t format) {
    m3d_releaseImage(image);
    if (format < 1 || format > 4) return;
    *image = {nullptr, texels, width, height, pitch, format == 4 ? M3D_FORMAT_COLOR16 : format, 0};
}

int32_t m3d_imageInfo(const m3d_Image* image, int32_t* out) {
    if (image->format == M3D_FORMAT_NONE) return 0;
    out[0] = image->width;
    out[1] = image->height;
    out[2] = image->pitch;
    out[3] = image->format;
    return image->pitch;
}

bool m3d_isImageValid(const m3d_Image* image) {
    return image != nullptr && image->format != M3D_FORMAT_NONE && image->pixels != nullptr;
}

void m3d_scaleImage2x(m3d_Image* dst, int32_t dx, int32_t dy, const m3d_Image* src, int32_t sx, int32_t sy, int32_t w,
                      int32_t h) {
    if (!regionFits(src, sx, sy, w, h) || !regionFits(dst, dx, dy, 2 * (int64_t)w, 2 * (int64_t)h)) return;
    for (int32_t r = 0; r < h; r++) {
        const uint16_t* row = texel16(src, sx, sy + r);
        const uint16_t* below = r + 1 < h ? texel16(src, sx, sy + r + 1) : row;
        uint16_t* out0 = texel16(dst, dx, dy + 2 * r);
        uint16_t* out1 = out0 + dst->pitch;
        for (int32_t c = 0; c + 1 < w; c++) {
            uint32_t a = row[c], b = row[c + 1], cc = below[c], d = below[c + 1];
            out0[2 * c] = (uint16_t)(a & 0xFFDF);
            out0[2 * c + 1] = (uint16_t)average2(a, b);
            out1[2 * c] = (uint16_t)average2(a, cc);
            out1[2 * c + 1] = (uint16_t)average4(a, b, cc, d);
        }
    }
}

void m3d_duplicateImage2x(m3d_Image* dst, int32_t dx, int32_t dy, const m3d_Image* src, int32_t sx, int32_t sy,
                          int32_t w, int32_t h) {
    if (!regionFits(src, sx, sy, w, h) || !regionFits(dst, dx, dy, 2 * (int64_t)w, 2 * (int64_t)h)) return;
    for (int32_t r = 0; r < h; r++) {
        const uint16_t* row = texel16(src, sx, sy + r);
        uint16_t* out0 = texel16(dst, dx, dy + 2 * r);
        uint16_t* out1 = out0 + dst->pitch;
        for (int32_t c = 0; c < w; c++) out0[2 * c] = out0[2 * c + 1] = out1[2 * c] = out1[2 * c + 1] = row[c];
    }
}

void m3d_halveImage(m3d_Image* dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const m3d_Image* src, int32_t sx,
                    int32_t sy) {
    if (!regionFits(dst, dx, dy, w, h) || !regionFits(src, sx, sy, 2 * (int64_t)w, 2 * (int64_t)h)) return;
    for (int32_t r = 0; r < h; r++) {
        const uint16_t* in0 = texel16(src, sx, sy + 2 * r);
        const uint16_t* in1 = in0 + src->pitch;
        uint16_t* out = texel16(dst, dx, dy + r);
        for (int32_t c = 0; c < w; c++)
            out[c] = (uint16_t)average4(in0[2 * c], in0[2 * c + 1], in1[2 * c], in1[2 * c + 1]);
    }
}

void m3d_decimateImage(m3d_Image* dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const m3d_Image* src, int32_t sx,
                       int32_t sy) {
    if (!regionFits(dst, dx, dy, w, h) || !regionFits(src, sx, sy, 2 * (int64_t)w, 2 * (int64_t)h)) return;
    for (int32_t r = 0; r < h; r++) {
        const uint16_t* in = texel16(src, sx, sy + 2 * r);
        uint16_t* out = texel16(dst, dx, dy + r);
        for (int32_t c = 0; c < w; c++) out[c] = in[2 * c];
    }
}

void m3d_initTexture(m3d_Texture* texture, m3d_Allocator* allocator) {
    memset(texture, 0, sizeof *texture);
    texture->allocator = allocator;
}

void m3d_setToonSetting(m3d_Texture* texture, int32_t threshold, int32_t high, int32_t low) {
    texture->toonThreshold = threshold;
    texture->toonHigh = high;
    texture->toonLow = low;
    texture->toonEnabled = 1;
}

void m3d_clearToonSetting(m3d_Texture* texture) { texture->toonEnabled = 0; }

void m3d_freeTextureContents(m3d_Texture* texture) {
    if (texture->block != nullptr && texture->allocator != nullptr) release(texture->allocator, texture->block);
    texture->block = nullptr;
    m3d_releaseImage(&texture->texels);
    m3d_releaseImage(&texture->shade);
}

void m3d_releaseTexture(m3d_Texture* texture) {
    m3d_freeTextureContents(texture);
    m3d_initTexture(texture, nullptr);
}

bool m3d_isTextureInUse(const m3d_Texture* texture) { return texture->refCount != 0; }

uint8_t m3d_computeRenderFlags(const m3d_Texture* texture) {
    const m3d_Image& t = texture->texels;
    uint8_t flags = t.width == t.height ? sizeFlags(t.width) : (uint8_t)M3D_TEXFLAGS_NOT_SQUARE;
    if (m3d_isImageValid(&texture->shade)) flags |= M3D_TEXFLAGS_SHADED;
    return flags;
}

int32_t m3d_wrapTexture(m3d_Texture* texture, void* texels, int32_t pitch, int32_t width, int32_t height,
                        int32_t format) {
    if (m3d_isTextureInUse(texture)) return M3D_FAILURE;
    m3d_freeTextureContents(texture);
    m3d_wrapImage(&texture->texels, texels, pitch, width, height, format);
    texture->renderFlags = m3d_computeRenderFlags(texture);
    return M3D_SUCCESS;
}

int32_t m3d_loadTexture(m3d_Texture* texture, m3d_InputStream* stream, int32_t kind) {
    if (m3d_isTextureInUse(texture) || stream == nullptr || texture->allocator == nullptr) return M3D_FAILURE;
    if (kind == 0) return m3d_loadBmpTexture(texture, stream, 1, 256, 256);
    if (kind == 1) return m3d_loadBmpTexture(texture, stream, 0, 64, 64);
    return M3D_FAILURE;
}

int32_t m3d_loadBmpTexture(m3d_Texture* texture, m3d_InputStream* stream, int32_t shaded, int32_t maxWidth,
                           int32_t maxHeight) {
    if (m3d_isTextureInUse(texture) || stream == nullptr || texture->allocator == nullptr) return M3D_FAILURE;
    // the row buffer below holds one row of the widest texture
    if (maxWidth < 1 || maxWidth > 256 || maxHeight < 1 || maxHeight > 256) return M3D_FAILURE;
    const m3d_InputStreamOps* op = stream->ops;
    BmpHeader h = readBmpHeader(stream);
    int64_t rows = h.height < 0 ? -(int64_t)h.height : h.height;
    if ((op->error(stream) & 0xFF) != 0 || h.signature != 0x4D42 || h.infoSize != 40 || h.bitCount != 8 ||
        h.colorsUsed > 256 || h.compression != 0 || h.width < 0 || h.width > maxWidth || rows > maxHeight)
        return refuseLoad(texture);

    m3d_Allocator* allocator = texture->allocator;
    m3d_freeTextureContents(texture);
    m3d_initTexture(texture, allocator);
    uint32_t texelBytes = (uint32_t)(maxWidth * maxHeight * (shaded ? 1 : 2) + 15) & ~15u;
    uint32_t blockBytes = texelBytes + (shaded ? (uint32_t)M3D_RAMP_BLOCK_BYTES : 0);
    uint8_t* block = (uint8_t*)allocate(allocator, blockBytes);
    if (block == nullptr) return refuseLoad(texture);
    texture->block = block;
    memset(block, 0, texelBytes);
    m3d_wrapImage(&texture->texels, block, maxWidth, maxWidth, maxHeight,
                  shaded ? M3D_FORMAT_INDEX8 : M3D_FORMAT_COLOR16);
    if (shaded) m3d_wrapImage(&texture->shade, block + texelBytes, 8192, 8192, 1, M3D_FORMAT_COLOR16);
    texture->renderFlags = m3d_computeRenderFlags(texture);

    uint32_t entries = h.colorsUsed == 0 ? 256 : h.colorsUsed;
    uint32_t palette24[256] = {0};
    uint16_t palette16[256] = {0};
    for (uint32_t i = 0; i < entries; i++) {
        uint8_t bgrx[4];
        op->read(stream, bgrx, 4);
        palette24[i] = (uint32_t)bgrx[2] << 16 | (uint32_t)bgrx[1] << 8 | bgrx[0];
        uint16_t c = m3d_colorFromRgb(bgrx[2], bgrx[1], bgrx[0]);
        palette16[i] = i == 0 ? 0 : c == 0 ? 1 : c;
    }
    uint32_t dataStart = 54 + 4 * entries;
    if (h.dataOffset > dataStart) op->skip(stream, h.dataOffset - dataStart);
    if ((op->error(stream) & 0xFF) != 0) return refuseLoad(texture);

    uint8_t indexes[256];
    uint32_t padding = (4 - ((uint32_t)h.width & 3)) & 3;
    for (int32_t n = 0; n < (int32_t)rows; n++) {
        int32_t y = h.height > 0 ? (int32_t)rows - 1 - n : n;
        op->read(stream, indexes, (uint32_t)h.width);
        if (shaded) {
            memcpy(block + (size_t)y * maxWidth, indexes, (size_t)h.width);
        } else {
            uint16_t* row = (uint16_t*)block + (size_t)y * maxWidth;
            for (int32_t x = 0; x < h.width; x++) row[x] = palette16[indexes[x]];
        }
        if (padding != 0) op->skip(stream, padding);
        // a file that ends early fails here rather than after every remaining row
        if ((op->error(stream) & 0xFF) != 0) return refuseLoad(texture);
    }
    if ((op->error(stream) & 0xFF) != 0) return refuseLoad(texture);

    if (shaded) {
        uint16_t* shade = (uint16_t*)(block + texelBytes);
        for (uint32_t level = 0; level < 32; level++)
            for (uint32_t i = 0; i < 256; i++) {
                uint32_t c = palette24[i];
                uint32_t r = (c >> 16) * level / 255, g = ((c >> 8) & 255) * level / 255, b = (c & 255) * level / 255;
                shade[level * 256 + i] = (uint16_t)(r << 11 | g << 6 | b);
            }
    }
    return M3D_SUCCESS;
}

int32_t m3d_makeRenderTexture(m3d_Texture* texture) {
    if (m3d_isTextureInUse(texture) || texture->allocator == nullptr) return M3D_FAILURE;
    m3d_freeTextureContents(texture);
    void* block = allocate(texture->allocator, 256 * 256 * 2);
    if (block == nullptr) return M3D_FAILURE;
    texture->block = block;
    m3d_wrapImage(&texture->texels, block, 256, 256, 256, M3D_FORMAT_COLOR16);
    texture->renderFlags = m3d_computeRenderFlags(texture);
    return M3D_SUCCESS;
}

bool m3d_isEnvironmentTexture(const m3d_Texture* texture) { return texture->renderFlags == M3D_TEXFLAGS_64; }

bool m3d_isTexture256(const m3d_Texture* texture) {
    return texture != nullptr && m3d_isImageValid(&texture->texels) && texture->texels.width == 256 &&
           texture->texels.height == 256;
}

int32_t m3d_drawTextureRegion(m3d_Context* context, int32_t x, int32_t y, int32_t tx, int32_t ty, int32_t width,
                              int32_t height) {
    m3d_RenderTarget* target = &context->target;
    m3d_Texture* texture = context->textures[0];
    target->texture0 = texture;
    if (texture == nullptr || texture->renderFlags == 0) {
        target->texture0 = nullptr;
        return M3D_FAILURE;
    }
    ClippedRect r;
    if (!clipToTarget(target, x, y, width, height, &r)) return M3D_SUCCESS;
    // the region is cut, not shifted: the texture coordinates follow the moved edges
    int64_t u = (int64_t)tx + r.skipX, v = (int64_t)ty + r.skipY;
    const m3d_Image& t = texture->texels;
    if (u < 0 || v < 0 || !m3d_isImageValid(&t)) return M3D_SUCCESS;
    int64_t w = r.width, h = r.height;
    // cut at the texel image, whatever its size, so that no read leaves it
    if (u + w > t.width) w = t.width - u;
    if (v + h > t.height) h = t.height - v;
    if (w <= 0 || h <= 0) return M3D_SUCCESS;
    bool shaded = m3d_isImageValid(&texture->shade) && t.format == M3D_FORMAT_INDEX8;
    if (!shaded && t.format != M3D_FORMAT_COLOR16) return M3D_SUCCESS;
    const uint16_t* fullLight = shaded ? (const uint16_t*)texture->shade.pixels + 31 * 256 : nullptr;
    m3d_Image* s = target->surface;
    for (int64_t row = 0; row < h; row++) {
        uint16_t* out = (uint16_t*)s->pixels + (r.y + row) * s->pitch + r.x;
        if (shaded) {
            const uint8_t* in = (const uint8_t*)t.pixels + (v + row) * t.pitch + u;
            for (int64_t i = 0; i < w; i++) out[i] = fullLight[in[i]];
        } else {
            memcpy(out, (const uint16_t*)t.pixels + (v + row) * t.pitch + u, (size_t)w * 2);
        }
    }
    return M3D_SUCCESS;
}

void m3d_fillRect(m3d_Context* context, uint32_t color, int32_t x, int32_t y, int32_t width, int32_t height) {
    ClippedRect r;
    if (!clipToTarget(&context->target, x, y, width, height, &r)) return;
    m3d_Image* s = context->target.surface;
    for (int32_t row = 0; row < r.height; row++) {
        uint16_t* out = (uint16_t*)s->pixels + (int64_t)(r.y + row) * s->pitch + r.x;
        for (int32_t i = 0; i < r.width; i++) out[i] = (uint16_t)color;
    }
}

void m3d_fillRect24(m3d_Context* context, uint32_t rgb, int32_t x, int32_t y, int32_t width, int32_t height) {
    m3d_fillRect(context, m3d_colorFrom24(rgb), x, y, width, height);
}
