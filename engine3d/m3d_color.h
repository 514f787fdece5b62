// The engine's 16-bit colour: red in bits 15-11, green in 10-6, blue in 4-0, bit 5 always
// 0. Conversions from and to 24-bit colours, and the four blend modes, whose word
// arithmetic keeps carries inside the channels because bit 5 is 0 in both inputs.
#pragma once

#include <stdint.h>

inline uint32_t m3d_channelTo5(uint32_t c) { return (c * 7967 + 32768) >> 16; }
inline uint32_t m3d_channelTo8(uint32_t q) { return (q * 539086 + 32768) >> 16; }

inline uint16_t m3d_colorFromRgb(uint32_t r, uint32_t g, uint32_t b) {
    return (uint16_t)(m3d_channelTo5(r & 255) << 11 | m3d_channelTo5(g & 255) << 6 | m3d_channelTo5(b & 255));
}
inline uint16_t m3d_colorFrom24(uint32_t rgb) { return m3d_colorFromRgb(rgb >> 16, rgb >> 8, rgb); }
inline uint32_t m3d_colorTo24(uint32_t c) {
    return m3d_channelTo8((c >> 11) & 31) << 16 | m3d_channelTo8((c >> 6) & 31) << 8 | m3d_channelTo8(c & 31);
}

// Blends: d is the pixel already in the surface, c the colour being drawn.
inline uint16_t m3d_blendHalf(uint32_t d, uint32_t c) { return (uint16_t)((((c ^ d) & 0xF79F) >> 1) + (c & d)); }
inline uint16_t m3d_blendAdd(uint32_t d, uint32_t c) {
    uint32_t x = ((c ^ d) & 0xF79E) + (c & d) * 2;
    uint32_t t = ((0x0841 & (x >> 5)) + 0x7BCF) ^ 0x7BCF;
    return (uint16_t)((c + d - t) | t);
}
inline uint16_t m3d_blendSubtract(uint32_t d, uint32_t c) {
    uint32_t e = ~d & 0xFFFF;
    uint32_t x = ((c ^ e) & 0xF79E) + (c & e) * 2;
    uint32_t t = ((0x0841 & (x >> 5)) + 0x7BCF) ^ 0x7BCF;
    return (uint16_t)((d | t) - (c | t));
}
inline uint16_t m3d_blend(uint32_t mode, uint32_t d, uint32_t c) {
    switch (mode & 3) {
        case 1:
            return m3d_blendHalf(d, c);
        case 2:
            return m3d_blendAdd(d, c);
        case 3:
            return m3d_blendSubtract(d, c);
        default:
            return (uint16_t)c;
    }
}
