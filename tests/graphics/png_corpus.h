// Test support: PNG files written by libpng from a description (colour type, depth,
// interlacing, palette, tRNS, forced filter), libpng's own decoding of any PNG to 8-bit
// ARGB words as the reference, and a chunk-level writer to build damaged files.
#pragma once

#include <png.h>
#include <setjmp.h>
#include <stdint.h>
#include <string.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace pngc {

struct PngShape {
    const char* name;
    uint32_t width;
    uint32_t height;
    int colourType;
    int depth;
    bool interlace;
    int filter = -1;      // one PNG_FILTER_* to force, -1 for libpng's choice
    int paletteSize = 0;  // colour type 3
    int trnsCount = -1;   // tRNS: palette alpha bytes (type 3), any >= 0 for types 0 and 2
    uint16_t trnsGray = 0, trnsRed = 0, trnsGreen = 0, trnsBlue = 0;
    bool blank = false;  // every sample 0
    uint32_t pattern = 1;
};

inline uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

inline int channelsOf(int colourType) {
    static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    return kChannels[colourType];
}

// Raw rows as PNG stores them (packed samples, 16-bit big-endian), one vector per row.
// One pixel in five takes the tRNS colour, so transparency is exercised.
inline std::vector<std::vector<uint8_t>> rowsOf(const PngShape& s) {
    const int ch = channelsOf(s.colourType);
    const uint32_t maxv = s.depth == 16 ? 0xFFFF : (1u << s.depth) - 1;
    const size_t rowBytes = ((size_t)s.width * ch * s.depth + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(s.height, std::vector<uint8_t>(rowBytes, 0));
    for (uint32_t y = 0; y < s.height && !s.blank; y++) {
        uint8_t* row = rows[y].data();
        for (uint32_t x = 0; x < s.width; x++) {
            uint32_t h = mix(s.pattern * 0x9E3779B9u ^ (y * 65537u + x));
            uint32_t v[4];
            bool clear = s.trnsCount >= 0 && s.colourType != 3 && h % 5 == 0;
            for (int c = 0; c < ch; c++) {
                v[c] = mix(h + (uint32_t)c) % (maxv + 1);
            }
            if (s.colourType == 3) {
                v[0] = h % (uint32_t)s.paletteSize;
            } else if (clear && s.colourType == 0) {
                v[0] = s.trnsGray;
            } else if (clear && s.colourType == 2) {
                v[0] = s.trnsRed;
                v[1] = s.trnsGreen;
                v[2] = s.trnsBlue;
            }
            for (int c = 0; c < ch; c++) {
                size_t bit = ((size_t)x * ch + c) * s.depth;
                if (s.depth == 16) {
                    row[bit / 8] = (uint8_t)(v[c] >> 8);
                    row[bit / 8 + 1] = (uint8_t)v[c];
                } else if (s.depth == 8) {
                    row[bit / 8] = (uint8_t)v[c];
                } else {
                    row[bit / 8] |= (uint8_t)(v[c] << (8 - s.depth - bit % 8));
                }
            }
        }
    }
    return rows;
}

inline void appendBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
inline void noFlush(png_structp) {}

// The PNG file libpng writes for the description; empty when libpng refuses it.
inline std::vector<uint8_t> write(const PngShape& s, int level = 6) {
    std::vector<uint8_t> out;
    std::vector<std::vector<uint8_t>> rows = rowsOf(s);
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, noFlush);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    if (s.filter >= 0) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, s.filter);
    }
    std::vector<png_color> palette;
    for (int i = 0; i < s.paletteSize; i++) {
        uint32_t h = mix(s.pattern * 31u + (uint32_t)i);
        palette.push_back(png_color{(png_byte)h, (png_byte)(h >> 8), (png_byte)(h >> 16)});
    }
    if (s.colourType == 3) {
        png_set_PLTE(png, info, palette.data(), s.paletteSize);
    }
    std::vector<png_byte> alpha;
    png_color_16 trans = {};
    if (s.trnsCount >= 0) {
        for (int i = 0; i < s.trnsCount; i++) alpha.push_back((png_byte)mix((uint32_t)i * 7u + s.pattern));
        trans.gray = s.trnsGray;
        trans.red = s.trnsRed;
        trans.green = s.trnsGreen;
        trans.blue = s.trnsBlue;
        png_set_tRNS(png, info, alpha.empty() ? nullptr : alpha.data(), (int)alpha.size(), &trans);
    }
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct MemoryReader {
    const std::vector<uint8_t>* data;
    size_t at;
};

inline void readBytes(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (r->at + n > r->data->size()) {
        png_error(png, "read past the end");
    }
    memcpy(out, r->data->data() + r->at, n);
    r->at += n;
}

// libpng's pixels of a PNG as 0xAARRGGBB words: palettes and low depths expanded, tRNS
// to alpha, 16-bit samples cut to their high byte, gray copied to red, green, blue.
inline bool reference(const std::vector<uint8_t>& file, std::vector<uint32_t>* argb, uint32_t* w, uint32_t* h) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader = {&file, 0};
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> pointers;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, readBytes);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *w = png_get_image_width(png, info);
    *h = png_get_image_height(png, info);
    pixels.assign((size_t)*w * *h * 4, 0);
    for (uint32_t y = 0; y < *h; y++) pointers.push_back(pixels.data() + (size_t)y * *w * 4);
    png_read_image(png, pointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    argb->resize((size_t)*w * *h);
    for (size_t i = 0; i < argb->size(); i++) {
        const uint8_t* p = &pixels[i * 4];
        (*argb)[i] = (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
    }
    return true;
}

// The decoder's corpus: every colour type at every depth, interlaced and not, palettes
// with and without tRNS, tRNS on gray and RGB, each filter forced, odd sizes, large
// images, and blank images that compress far beyond the inflate output buffer.
inline std::vector<PngShape> corpus() {
    std::vector<PngShape> shapes;
    struct Kind {
        int colourType;
        std::vector<int> depths;
    } kinds[] = {{0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    static std::vector<std::string> names;
    names.reserve(400);
    auto named = [&](std::string n) {
        names.push_back(n);
        return names.back().c_str();
    };
    for (const Kind& k : kinds) {
        for (int depth : k.depths) {
            for (int interlace = 0; interlace < 2; interlace++) {
                PngShape s{};
                s.width = 37;
                s.height = 23;
                s.colourType = k.colourType;
                s.depth = depth;
                s.interlace = interlace != 0;
                s.pattern = (uint32_t)(k.colourType * 100 + depth * 2 + interlace);
                std::string base = "type " + std::to_string(k.colourType) + " depth " + std::to_string(depth) +
                                   (interlace ? " interlaced" : "");
                if (k.colourType == 3) {
                    s.paletteSize = depth == 8 ? 200 : 1 << depth;
                    s.name = named(base);
                    shapes.push_back(s);
                    s.trnsCount = s.paletteSize / 2 + 1;  // some entries without alpha
                    s.name = named(base + " tRNS");
                    shapes.push_back(s);
                    continue;
                }
                s.name = named(base);
                shapes.push_back(s);
                if (k.colourType == 0 || k.colourType == 2) {
                    uint32_t maxv = depth == 16 ? 0xFFFF : (1u << depth) - 1;
                    s.trnsCount = 0;
                    s.trnsGray = (uint16_t)(maxv / 3);
                    s.trnsRed = (uint16_t)(maxv / 5);
                    s.trnsGreen = (uint16_t)maxv;
                    s.trnsBlue = 7;
                    s.name = named(base + " tRNS");
                    shapes.push_back(s);
                }
            }
        }
    }
    // every filter forced, on byte distances 1, 3, 4 and 8 and a packed depth
    const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};
    const char* filterNames[] = {"none", "sub", "up", "average", "paeth"};
    struct Filtered {
        int colourType, depth;
    } filtered[] = {{0, 2}, {0, 8}, {2, 8}, {6, 8}, {6, 16}};
    for (int f = 0; f < 5; f++) {
        for (const Filtered& t : filtered) {
            for (int interlace = 0; interlace < 2; interlace++) {
                PngShape s{};
                s.width = 45;
                s.height = 19;
                s.colourType = t.colourType;
                s.depth = t.depth;
                s.interlace = interlace != 0;
                s.filter = filters[f];
                s.pattern = (uint32_t)(f * 7 + t.depth);
                s.name = named(std::string("filter ") + filterNames[f] + " type " + std::to_string(t.colourType) +
                               " depth " + std::to_string(t.depth) + (interlace ? " interlaced" : ""));
                shapes.push_back(s);
            }
        }
    }
    // odd sizes: one pixel, one column, one row, a row of 257 (one past a byte's range)
    struct Size {
        uint32_t w, h;
    } sizes[] = {{1, 1}, {1, 33}, {33, 1}, {257, 3}, {3, 9}};
    Filtered oddKinds[] = {{0, 1}, {3, 4}, {2, 16}, {6, 8}};
    for (const Size& z : sizes) {
        for (const Filtered& t : oddKinds) {
            for (int interlace = 0; interlace < 2; interlace++) {
                PngShape s{};
                s.width = z.w;
                s.height = z.h;
                s.colourType = t.colourType;
                s.depth = t.depth;
                s.interlace = interlace != 0;
                s.paletteSize = t.colourType == 3 ? 16 : 0;
                s.pattern = z.w * 3 + z.h;
                s.name =
                    named(std::to_string(z.w) + "x" + std::to_string(z.h) + " type " + std::to_string(t.colourType) +
                          " depth " + std::to_string(t.depth) + (interlace ? " interlaced" : ""));
                shapes.push_back(s);
            }
        }
    }
    PngShape large{};
    large.name = "large 1024x768 RGB";
    large.width = 1024;
    large.height = 768;
    large.colourType = 2;
    large.depth = 8;
    shapes.push_back(large);
    large.name = "large 800x600 RGBA interlaced";
    large.width = 800;
    large.height = 600;
    large.colourType = 6;
    large.interlace = true;
    shapes.push_back(large);
    // blank images: each 1024-byte piece of input inflates to far more than the output
    // buffer may hold, so rows must be taken while a piece is being inflated
    PngShape blank{};
    blank.name = "blank 240x320 RGBA";
    blank.width = 240;
    blank.height = 320;
    blank.colourType = 6;
    blank.depth = 8;
    blank.blank = true;
    shapes.push_back(blank);
    blank.name = "blank 1200x1200 RGBA 16-bit";
    blank.width = 1200;
    blank.height = 1200;
    blank.depth = 16;
    shapes.push_back(blank);
    blank.name = "blank 2000x900 gray 1-bit interlaced";
    blank.width = 2000;
    blank.height = 900;
    blank.colourType = 0;
    blank.depth = 1;
    blank.interlace = true;
    shapes.push_back(blank);
    return shapes;
}

// ---- Chunk-level writer for damaged files ----

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
    bool badCrc = false;
    int64_t length = -1;  // the length field, when it must lie
};

inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back((uint8_t)(v >> s));
}
inline void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int k = 0; k < 4; k++) out[at + k] = (uint8_t)(v >> (24 - 8 * k));
}
inline uint32_t be32(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

inline std::vector<uint8_t> ihdr(uint32_t w, uint32_t h, int depth, int colourType, int interlace = 0) {
    std::vector<uint8_t> d;
    put32(d, w);
    put32(d, h);
    d.push_back((uint8_t)depth);
    d.push_back((uint8_t)colourType);
    d.push_back(0);
    d.push_back(0);
    d.push_back((uint8_t)interlace);
    return d;
}

inline const uint8_t* signature() {
    static const uint8_t kSig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    return kSig;
}

inline std::vector<uint8_t> assemble(const std::vector<Chunk>& chunks, std::vector<size_t>* boundaries = nullptr) {
    std::vector<uint8_t> out(signature(), signature() + 8);
    for (const Chunk& c : chunks) {
        if (boundaries) boundaries->push_back(out.size());
        put32(out, c.length >= 0 ? (uint32_t)c.length : (uint32_t)c.data.size());
        size_t typeAt = out.size();
        out.insert(out.end(), c.type.begin(), c.type.end());
        out.insert(out.end(), c.data.begin(), c.data.end());
        uint32_t crc = (uint32_t)crc32(0, out.data() + typeAt, (uInt)(out.size() - typeAt));
        put32(out, c.badCrc ? crc ^ 1 : crc);
    }
    if (boundaries) boundaries->push_back(out.size());
    return out;
}

inline std::vector<uint8_t> zlibOf(const std::vector<uint8_t>& raw, int level = 6) {
    uLongf n = compressBound((uLong)raw.size());
    std::vector<uint8_t> z(n);
    compress2(z.data(), &n, raw.data(), (uLong)raw.size(), level);
    z.resize(n);
    return z;
}

// zlib stream of the raw rows, each behind filter byte 0.
inline std::vector<uint8_t> idatOf(const PngShape& s, int level = 6) {
    std::vector<uint8_t> raw;
    for (auto& r : rowsOf(s)) {
        raw.push_back(0);
        raw.insert(raw.end(), r.begin(), r.end());
    }
    return zlibOf(raw, level);
}

}  // namespace pngc
