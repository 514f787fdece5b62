// The font layer over a glyph renderer. ASCII text never reaches the renderer after
// the start: the 128 cached glyphs are copied pixel by pixel; other characters are
// rendered one at a time into a byte mask and copied where the mask is set.
#include "platform/font.h"

#include "platform/lowmem.h"

#include <stdlib.h>
#include <string.h>

namespace {

const int32_t kCellHeights[3] = {14, 16, 18};
const int32_t kRunLimit = 1024;  // characters of one run handed to the renderer
// Glyphs are cached in opaque white, so that every set pixel is non-zero.
const uint16_t kCachePixel = 0xFFFF;

struct FontLayer {
    const FontRenderer* renderer;
    MkFont records[FONT_RECORD_COUNT];
    MkFont* defaultFont;
    MkSurface glyphs[FONT_CACHED_CODES];  // pixels in low memory, as a surface keeps them
    // The same glyphs as one bit a pixel, a word a row, for those up to 32 pixels wide.
    uint32_t* glyphBits[FONT_CACHED_CODES];
};

FontLayer layer;

struct Box {
    int64_t x0, y0, x1, y1;  // half-open
};

// The part of (x, y, w, h) a run may write: the surface, cut to the clip when one is given.
Box targetBox(const MkSurface* s, const MkClip* clip, int64_t x, int64_t y, int64_t w, int64_t h) {
    Box b = {0, 0, s->width, s->height};
    if (clip != nullptr) {
        b.x0 = clip->x > b.x0 ? clip->x : b.x0;
        b.y0 = clip->y > b.y0 ? clip->y : b.y0;
        if ((int64_t)clip->x + clip->width < b.x1) b.x1 = (int64_t)clip->x + clip->width;
        if ((int64_t)clip->y + clip->height < b.y1) b.y1 = (int64_t)clip->y + clip->height;
    }
    if (x > b.x0) b.x0 = x;
    if (y > b.y0) b.y0 = y;
    if (x + w < b.x1) b.x1 = x + w;
    if (y + h < b.y1) b.y1 = y + h;
    return b;
}

bool drawable(const MkSurface* s) { return s != nullptr && s->writable != 0 && s->pixels != nullptr; }

// Copies pixel into the target wherever the cached glyph of code at (x, y) is set.
void copyGlyph(MkSurface* s, const MkClip* clip, int32_t code, int64_t x, int64_t y, uint16_t pixel) {
    const MkSurface* glyph = &layer.glyphs[code];
    Box b = targetBox(s, clip, x, y, glyph->width, glyph->height);
    if (b.x0 >= b.x1) return;
    if (const uint32_t* bits = layer.glyphBits[code]) {
        // the set pixels of each row, found a bit at a time
        int32_t lo = (int32_t)(b.x0 - x), hi = (int32_t)(b.x1 - x);
        uint32_t columns = (hi == 32 ? ~0u : (1u << hi) - 1) & ~((1u << lo) - 1);
        for (int64_t row = b.y0; row < b.y1; row++) {
            uint16_t* dst = s->pixels + row * s->width;
            for (uint32_t m = bits[row - y] & columns; m != 0; m &= m - 1) dst[x + __builtin_ctz(m)] = pixel;
        }
        return;
    }
    for (int64_t row = b.y0; row < b.y1; row++) {
        const uint16_t* src = glyph->pixels + (row - y) * glyph->width + (b.x0 - x);
        uint16_t* dst = s->pixels + row * s->width + b.x0;
        for (int64_t i = 0; i < b.x1 - b.x0; i++)
            if (src[i] != 0) dst[i] = pixel;
    }
}

// A code below 32 is drawn and measured as a blank inside a run.
inline uint16_t runChar(uint16_t ch) { return ch < 32 ? ' ' : ch; }

void releaseLayer() {
    for (MkSurface& g : layer.glyphs) lowFree(g.pixels);
    for (uint32_t* bits : layer.glyphBits) free(bits);
    if (layer.renderer != nullptr)
        for (MkFont& f : layer.records)
            if (f.handle != 0) layer.renderer->close(f.handle);
    memset(&layer, 0, sizeof layer);
}

}  // namespace

int32_t FontLayerStart(const FontRenderer* renderer) {
    releaseLayer();
    if (renderer == nullptr) return -1;
    layer.renderer = renderer;
    for (int32_t i = 0; i < FONT_RECORD_COUNT; i++) {
        MkFont& f = layer.records[i];
        f.index = i;
        f.face = i / 24;
        f.style = i / 3 % 8;
        f.size = i % 3;
        f.height = kCellHeights[f.size];
        FontMetrics m = {};
        f.handle = renderer->open(f.face, f.style, f.height, &m);
        if (f.handle == 0) {
            releaseLayer();
            return -1;
        }
        f.ascent = m.ascent;
        f.descent = m.descent;
        f.leading = m.leading;
    }
    layer.defaultFont = FontLookup(0, 0, 0);
    for (int32_t code = 0; code < FONT_CACHED_CODES; code++) {
        MkSurface& g = layer.glyphs[code];
        // control characters take no room and draw nothing
        uint16_t ch = (uint16_t)code;
        int32_t width = code < 32 ? 0 : FontMeasureRun(layer.defaultFont, &ch, 1);
        g = {nullptr, width, layer.defaultFont->height, 0, 1};
        if (width <= 0) continue;
        g.pixels = (uint16_t*)lowCalloc((size_t)width * g.height, sizeof(uint16_t));
        if (g.pixels == nullptr) {
            releaseLayer();
            return -1;
        }
        FontDrawRun(&g, nullptr, layer.defaultFont, &ch, 1, 0, 0, kCachePixel);
        if (width > 32) continue;
        uint32_t* bits = (uint32_t*)calloc((size_t)g.height, sizeof(uint32_t));
        if (bits == nullptr) {
            releaseLayer();
            return -1;
        }
        for (int32_t row = 0; row < g.height; row++)
            for (int32_t col = 0; col < width; col++)
                if (g.pixels[row * width + col] != 0) bits[row] |= 1u << col;
        layer.glyphBits[code] = bits;
    }
    return 0;
}

void FontLayerStop(void) { releaseLayer(); }

MkFont* FontGetDefaultRecord(int32_t, int32_t, int32_t, int32_t) { return layer.defaultFont; }

MkFont* FontLookup(int32_t face, int32_t style, int32_t size) {
    if (layer.renderer == nullptr) return nullptr;
    if (face == 0 && style == 0 && (size == 0 || size == 1)) return &layer.records[0];
    for (MkFont& f : layer.records)
        if (f.face == face / 32 && f.style == style && f.size == size - 1) return &f;
    return &layer.records[0];
}

int32_t FontMeasureRun(const MkFont* font, const uint16_t* chars, int32_t count) {
    if (font == nullptr || chars == nullptr || count <= 0 || layer.renderer == nullptr) return 0;
    if (count > kRunLimit) count = kRunLimit;
    int64_t width = 0;
    for (int32_t i = 0; i < count; i++) width += layer.renderer->advance(font->handle, runChar(chars[i]));
    if (font->style & 2) {
        int32_t bearing = layer.renderer->rightBearing(font->handle, runChar(chars[count - 1]));
        width += bearing < 0 ? -bearing : bearing;
    }
    return width > INT32_MAX ? INT32_MAX : (int32_t)width;
}

int32_t FontDrawRun(MkSurface* s, const MkClip* clip, const MkFont* font, const uint16_t* chars, int32_t count,
                    int32_t x, int32_t y, uint16_t pixel) {
    if (!drawable(s)) return -1;
    int32_t width = FontMeasureRun(font, chars, count);
    if (width <= 0) return 0;
    if (count > kRunLimit) count = kRunLimit;
    const int32_t height = font->height;
    Box b = targetBox(s, clip, x, y, width, height);
    if (b.x0 >= b.x1 || b.y0 >= b.y1) return 0;
    uint8_t* mask = (uint8_t*)calloc((size_t)width * height, 1);
    if (mask == nullptr) return 0;
    int32_t pen = 0;
    for (int32_t i = 0; i < count; i++) {
        uint16_t ch = runChar(chars[i]);
        layer.renderer->draw(font->handle, ch, mask, width, width, height, pen);
        pen += layer.renderer->advance(font->handle, ch);
    }
    for (int64_t row = b.y0; row < b.y1; row++) {
        const uint8_t* src = mask + (row - y) * width + (b.x0 - x);
        uint16_t* dst = s->pixels + row * s->width + b.x0;
        for (int64_t i = 0; i < b.x1 - b.x0; i++)
            if (src[i] != 0) dst[i] = pixel;
    }
    free(mask);
    return 0;
}

namespace {

int32_t charWidth(const MkFont* font, uint16_t ch) {
    if (ch < FONT_CACHED_CODES) return layer.glyphs[ch].pixels != nullptr ? layer.glyphs[ch].width : 0;
    return FontMeasureRun(font, &ch, 1);
}

}  // namespace

int32_t FontMeasureChars(const MkFont* font, const uint16_t* chars, int32_t count) {
    if (chars == nullptr || layer.renderer == nullptr) return 0;
    int64_t width = 0;
    for (int32_t i = 0; i < count; i++) width += charWidth(font, chars[i]);
    return width > INT32_MAX ? INT32_MAX : (int32_t)width;
}

int32_t FontFitChars(const MkFont* font, const uint16_t* chars, int32_t count, int32_t width) {
    if (chars == nullptr || layer.renderer == nullptr) return 0;
    int64_t sum = 0;
    for (int32_t i = 0; i < count; i++) {
        sum += charWidth(font, chars[i]);
        if (sum > width) return i;
    }
    return count < 0 ? 0 : count;
}

int32_t FontDrawChars(MkSurface* s, const MkClip* clip, const MkFont* font, const uint16_t* chars, int32_t count,
                      int32_t x, int32_t y, uint16_t pixel) {
    if (!drawable(s)) return -1;
    if (chars == nullptr || layer.renderer == nullptr) return 0;
    int64_t pen = x;
    for (int32_t i = 0; i < count && pen < s->width; i++) {
        uint16_t ch = chars[i];
        if (ch < FONT_CACHED_CODES) {
            const MkSurface& g = layer.glyphs[ch];
            if (g.pixels == nullptr) continue;
            if (pen + g.width > 0) copyGlyph(s, clip, ch, pen, y, pixel);
            pen += g.width;
            continue;
        }
        int32_t w = FontMeasureRun(font, &ch, 1);
        if (pen + w > 0) FontDrawRun(s, clip, font, &ch, 1, (int32_t)pen, y, pixel);
        pen += w;
    }
    return 0;
}
