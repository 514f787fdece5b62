// Test support: JPEG and BMP files written by stb_image_write from RGBA pixels, and a
// small GIF writer (one frame, a 256-colour global table, optional transparent index).
#pragma once

#include <stb_image_write.h>
#include <stdint.h>

#include <vector>

namespace imgf {

inline void append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}

// channels 3 or 4 of rgba (4 bytes a pixel) are written.
inline std::vector<uint8_t> bmp(const std::vector<uint8_t>& rgba, int w, int h, int channels) {
    std::vector<uint8_t> packed;
    for (size_t i = 0; i < rgba.size(); i += 4) packed.insert(packed.end(), &rgba[i], &rgba[i] + channels);
    std::vector<uint8_t> out;
    stbi_write_bmp_to_func(append, &out, w, h, channels, packed.data());
    return out;
}

inline std::vector<uint8_t> jpeg(const std::vector<uint8_t>& rgba, int w, int h, int quality) {
    std::vector<uint8_t> packed;
    for (size_t i = 0; i < rgba.size(); i += 4) packed.insert(packed.end(), &rgba[i], &rgba[i] + 3);
    std::vector<uint8_t> out;
    stbi_write_jpg_to_func(append, &out, w, h, 3, packed.data(), quality);
    return out;
}

// indexes: one palette index per pixel; palette: 256 RGB triples; transparent: an index
// or -1. LZW codes stay 9 bits wide: a clear code every 250 literals.
inline std::vector<uint8_t> gif(const std::vector<uint8_t>& indexes, const std::vector<uint8_t>& palette, int w, int h,
                                int transparent) {
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](int v) {
        out.push_back((uint8_t)v);
        out.push_back((uint8_t)(v >> 8));
    };
    put16(w);
    put16(h);
    out.push_back(0xF7);  // global table of 256 entries
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), palette.begin(), palette.end());
    if (transparent >= 0) {
        const uint8_t gce[] = {0x21, 0xF9, 4, 1, 0, 0, (uint8_t)transparent, 0};
        out.insert(out.end(), gce, gce + sizeof gce);
    }
    out.push_back(0x2C);
    put16(0);
    put16(0);
    put16(w);
    put16(h);
    out.push_back(0);
    out.push_back(8);  // minimum code size
    std::vector<uint8_t> bits;
    uint32_t acc = 0;
    int n = 0;
    auto code = [&](uint32_t c) {
        acc |= c << n;
        n += 9;
        while (n >= 8) {
            bits.push_back((uint8_t)acc);
            acc >>= 8;
            n -= 8;
        }
    };
    for (size_t i = 0; i < indexes.size(); i++) {
        if (i % 250 == 0) code(256);
        code(indexes[i]);
    }
    code(257);
    if (n > 0) bits.push_back((uint8_t)acc);
    for (size_t at = 0; at < bits.size(); at += 255) {
        size_t len = bits.size() - at < 255 ? bits.size() - at : 255;
        out.push_back((uint8_t)len);
        out.insert(out.end(), bits.begin() + (long)at, bits.begin() + (long)(at + len));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

}  // namespace imgf
