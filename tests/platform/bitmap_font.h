// A bitmap face for pixel tests, served through the font layer's renderer interface,
// so that no test depends on the installed font files. Every glyph is worked out from
// its code: a stem in its first column from row 2 to the baseline, and the low bits of
// the code along row 1. Advances are 3 to 5 pixels (a blank 2, wide characters from
// U+3000 height - 2); italic glyphs overhang by the code's low bit; an underlined font
// sets row height - 2 across the advance.
#pragma once

#include "platform/font.h"

namespace bitmap_font {

inline int32_t heightOf(uint32_t f) { return (int32_t)(f >> 8); }
inline int32_t styleOf(uint32_t f) { return (int32_t)(f & 0xFF); }

inline uint32_t open(int32_t, int32_t style, int32_t height, FontMetrics* out) {
    out->ascent = height - 4;
    out->descent = 4;
    out->leading = 1;
    return ((uint32_t)height << 8) | (uint32_t)style;
}
inline void close(uint32_t) {}
inline int32_t advance(uint32_t f, uint16_t ch) {
    if (ch == ' ') return 2;
    if (ch >= 0x3000) return heightOf(f) - 2;
    return 3 + ch % 3;
}
inline int32_t rightBearing(uint32_t f, uint16_t ch) { return (styleOf(f) & 2) ? -(ch & 1) : 0; }
inline void draw(uint32_t f, uint16_t ch, uint8_t* mask, int32_t stride, int32_t width, int32_t height, int32_t penX) {
    auto set = [&](int32_t x, int32_t y) {
        if (x >= 0 && x < width && y >= 0 && y < height) mask[y * stride + x] = 1;
    };
    int32_t adv = advance(f, ch);
    if (ch != ' ') {
        for (int32_t y = 2; y < height - 4; y++) set(penX, y);
        for (int32_t i = 0; i < adv - 1; i++)
            if ((ch >> i) & 1) set(penX + i, 1);
    }
    if (styleOf(f) & 4)
        for (int32_t i = 0; i < adv; i++) set(penX + i, height - 2);
}

inline const FontRenderer* renderer() {
    static const FontRenderer r = {open, close, advance, rightBearing, draw};
    return &r;
}

}  // namespace bitmap_font
