// Test helpers for the 3D engine: a counting allocator that can be told to fail, an
// input stream over a byte vector, a BMP writer, 16-bit canvases with a render target
// over them, and the reviewed pictures in data/ (written once with
// MOVANE_ENGINE3D_REGENERATE=1, looked at, and compared pixel for pixel since).
#pragma once

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "engine3d/m3d_records.h"

namespace e3t {

// Allocator over malloc that counts live blocks and fails after a given number of calls.
struct TestAllocator {
    m3d_Allocator base;
    int32_t live = 0;
    int32_t calls = 0;
    int32_t failAt = -1;  // the call (0-based) that fails, -1 never
    uint32_t lastSize = 0;

    TestAllocator() { base.ops = &kOps; }
    m3d_Allocator* get() { return &base; }

    static void* allocate(m3d_Allocator* self, uint32_t bytes) {
        TestAllocator* a = (TestAllocator*)self;
        a->lastSize = bytes;
        if (a->calls++ == a->failAt) return nullptr;
        void* p = malloc(bytes == 0 ? 1 : bytes);
        if (p != nullptr) a->live++;
        return p;
    }
    static void* unused(m3d_Allocator*) { abort(); }
    static void release(m3d_Allocator* self, void* block) {
        ((TestAllocator*)self)->live--;
        free(block);
    }
    static constexpr m3d_AllocatorOps kOps = {&allocate, &unused, &release};
};

// Reads a byte vector; reading past the end sets the error state and yields zeros.
struct ByteStream {
    m3d_InputStream base;
    std::vector<uint8_t> data;
    size_t at = 0;
    uint32_t failed = 0;

    explicit ByteStream(std::vector<uint8_t> bytes) : data(std::move(bytes)) { base.ops = &kOps; }
    m3d_InputStream* get() { return &base; }

    static ByteStream* self(m3d_InputStream* s) { return (ByteStream*)s; }
    uint8_t next() {
        if (at >= data.size()) {
            failed = 1;
            return 0;
        }
        return data[at++];
    }
    static uint32_t readU8(m3d_InputStream* s) { return self(s)->next(); }
    static uint32_t readU16(m3d_InputStream* s) {
        uint32_t lo = self(s)->next();
        return lo | (uint32_t)self(s)->next() << 8;
    }
    static uint32_t readU32(m3d_InputStream* s) {
        uint32_t lo = readU16(s);
        return lo | readU16(s) << 16;
    }
    static void read(m3d_InputStream* s, void* buffer, uint32_t n) {
        for (uint32_t i = 0; i < n; i++) ((uint8_t*)buffer)[i] = self(s)->next();
    }
    static void skip(m3d_InputStream* s, uint32_t n) {
        ByteStream* b = self(s);
        if (n > b->data.size() - b->at) {
            b->at = b->data.size();
            b->failed = 1;
        } else {
            b->at += n;
        }
    }
    static uint32_t error(m3d_InputStream* s) { return self(s)->failed; }
    static constexpr m3d_InputStreamOps kOps = {&readU8, &readU16, &readU32, &read, &skip, &error};
};

// An 8-bit BMP: header fields may be set to anything; the pixels are given top-down.
struct Bmp {
    int32_t width = 0;
    int32_t height = 0;  // positive: rows stored bottom-up
    uint16_t signature = 0x4D42;
    uint32_t infoSize = 40;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    int32_t colorsUsed = -1;        // -1: the palette's size
    int64_t dataOffset = -1;        // -1: right after the palette
    uint32_t gap = 0;               // bytes between the palette and the pixels
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint8_t> pixels;    // |height| rows of width indexes, top row first

    static void put16(std::vector<uint8_t>& o, uint32_t v) {
        o.push_back((uint8_t)v);
        o.push_back((uint8_t)(v >> 8));
    }
    static void put32(std::vector<uint8_t>& o, uint32_t v) {
        put16(o, v & 0xFFFF);
        put16(o, v >> 16);
    }
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> o;
        uint32_t offset = dataOffset >= 0 ? (uint32_t)dataOffset : 54 + 4 * (uint32_t)palette.size() + gap;
        put16(o, signature);
        put32(o, 0);  // file size, unread
        put32(o, 0);
        put32(o, offset);
        put32(o, infoSize);
        put32(o, (uint32_t)width);
        put32(o, (uint32_t)height);
        put16(o, 1);
        put16(o, bitCount);
        put32(o, compression);
        put32(o, 0);
        put32(o, 2835);
        put32(o, 2835);
        put32(o, colorsUsed >= 0 ? (uint32_t)colorsUsed : (uint32_t)palette.size());
        put32(o, 0);
        for (uint32_t c : palette) {
            o.push_back((uint8_t)c);
            o.push_back((uint8_t)(c >> 8));
            o.push_back((uint8_t)(c >> 16));
            o.push_back(0);
        }
        o.insert(o.end(), gap, 0xEE);
        int32_t rows = height < 0 ? -height : height;
        int32_t w = width > 0 ? width : 0;
        for (int32_t n = 0; n < rows; n++) {
            int32_t y = height > 0 ? rows - 1 - n : n;
            for (int32_t x = 0; x < w; x++) {
                size_t i = (size_t)y * w + x;
                o.push_back(i < pixels.size() ? pixels[i] : 0);
            }
            while ((o.size() - offset) % 4 != 0) o.push_back(0);
        }
        return o;
    }
};

// A 16-bit canvas with a render target over it; the clip is the whole canvas unless set.
struct Canvas {
    int32_t width, height, pitch;
    std::vector<uint16_t> pixels;
    m3d_Image view{};
    m3d_RenderTarget target{};

    Canvas(int32_t w, int32_t h, uint16_t fill = 0, int32_t extraPitch = 0)
        : width(w), height(h), pitch(w + extraPitch), pixels((size_t)pitch * h, fill) {
        view = {nullptr, pixels.data(), w, h, pitch, M3D_FORMAT_COLOR16, 0};
        target.surface = &view;
        clip(0, 0, w, h);
        for (int i = 0; i < 32; i++) target.toonTable[i] = i < 16 ? 15 : 31;
    }
    void clip(int32_t l, int32_t t, int32_t r, int32_t b) {
        target.clipLeft = l, target.clipTop = t, target.clipRight = r, target.clipBottom = b;
    }
    uint16_t at(int32_t x, int32_t y) const { return pixels[(size_t)y * pitch + x]; }
    uint16_t& at(int32_t x, int32_t y) { return pixels[(size_t)y * pitch + x]; }
};

// Compares a canvas with data/<name>.png; on a mismatch writes <name>.png beside the
// test binary and answers what differs. MOVANE_ENGINE3D_REGENERATE=1 rewrites data/.
std::string comparePicture(const Canvas& canvas, const std::string& name);
// Writes a canvas as an 8-bit RGB PNG, each pixel scaled up by scale.
bool writePng(const Canvas& canvas, const std::string& path, int scale = 1);

}  // namespace e3t
