// PNG decoder against libpng: a corpus written by libpng at test time decodes to exactly
// libpng's pixels; damaged files are refused; the rules libpng does not decide for us
// (palette index beyond the palette, chunk order, sizes) by table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/png_arena.h"
#include "graphics/png_corpus.h"

namespace {

using pngc::Chunk;
using pngc::PngShape;

class PngDecodeTest : public PngArenaTest {};

TEST_F(PngDecodeTest, CorpusDecodesToLibpngPixels) {
    for (const PngShape& s : pngc::corpus()) {
        std::vector<uint8_t> file = pngc::write(s, s.blank ? 9 : 6);
        ASSERT_FALSE(file.empty()) << s.name;
        std::vector<uint32_t> expected;
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(pngc::reference(file, &expected, &w, &h)) << s.name;
        Decoded d = decode(file);
        ASSERT_EQ(d.result, (int32_t)(w * 4 * h)) << s.name;
        EXPECT_EQ(d.width, w) << s.name;
        EXPECT_EQ(d.height, h) << s.name;
        EXPECT_EQ(d.stride, w * 4) << s.name;
        size_t mismatches = 0, first = 0;
        for (size_t i = 0; i < expected.size(); i++) {
            if (d.argb[i] != expected[i] && mismatches++ == 0) first = i;
        }
        EXPECT_EQ(mismatches, 0u) << s.name << ": first at x " << first % w << " y " << first / w << " got " << std::hex
                                  << d.argb[first] << " want " << expected[first];
    }
}

// A small valid palette image as chunks, to damage one thing at a time.
std::vector<Chunk> paletteImage(std::vector<uint8_t> idat) {
    std::vector<uint8_t> plte;
    for (int i = 0; i < 4 * 3; i++) plte.push_back((uint8_t)(i * 20));
    return {{"IHDR", pngc::ihdr(7, 5, 2, 3)}, {"PLTE", plte}, {"IDAT", idat}, {"IEND", {}}};
}

PngShape paletteSpec() {
    PngShape s{};
    s.name = "palette";
    s.width = 7;
    s.height = 5;
    s.colourType = 3;
    s.depth = 2;
    s.paletteSize = 4;
    return s;
}

TEST_F(PngDecodeTest, DamagedFilesAreRefused) {
    const std::vector<uint8_t> idat = pngc::idatOf(paletteSpec());
    struct Case {
        const char* name;
        std::vector<Chunk> chunks;
        bool decodes;
    };
    auto with = [&](auto change) {
        std::vector<Chunk> c = paletteImage(idat);
        change(c);
        return c;
    };
    std::vector<uint8_t> corrupt = idat;
    corrupt[2] ^= 0xFF;  // block header of the deflate data
    std::vector<uint8_t> bigPalette;
    for (int i = 0; i < 5 * 3; i++) bigPalette.push_back(1);
    const Case cases[] = {
        {"valid", paletteImage(idat), true},
        {"IHDR CRC", with([](auto& c) { c[0].badCrc = true; }), false},
        {"PLTE CRC", with([](auto& c) { c[1].badCrc = true; }), false},
        {"IDAT CRC", with([](auto& c) { c[2].badCrc = true; }), false},
        {"IEND CRC is never read", with([](auto& c) { c[3].badCrc = true; }), true},
        {"unknown ancillary chunk CRC is not read", with([](auto& c) {
             c.insert(c.begin() + 1, Chunk{"tEXt", {'a', 0, 'b'}, true});
         }),
         true},
        {"unknown critical chunk is skipped", with([](auto& c) {
             c.insert(c.begin() + 2, Chunk{"ABCD", {1, 2, 3}});
         }),
         true},
        {"second IHDR is skipped", with([](auto& c) { c.insert(c.begin() + 2, c[0]); }), true},
        {"IDAT missing", with([](auto& c) { c.erase(c.begin() + 2); }), false},
        {"IEND missing", with([](auto& c) { c.pop_back(); }), false},
        {"PLTE missing", with([](auto& c) { c.erase(c.begin() + 1); }), false},
        {"PLTE after IDAT", with([](auto& c) { std::swap(c[1], c[2]); }), false},
        {"two PLTE", with([](auto& c) { c.insert(c.begin() + 1, c[1]); }), false},
        {"PLTE of 5 entries at depth 2", with([&](auto& c) { c[1].data = bigPalette; }), false},
        {"PLTE length not a multiple of 3", with([](auto& c) { c[1].data.pop_back(); }), false},
        {"tRNS before PLTE", with([](auto& c) {
             c.insert(c.begin() + 1, Chunk{"tRNS", {0}});
         }),
         false},
        {"tRNS after IDAT", with([](auto& c) {
             c.insert(c.begin() + 3, Chunk{"tRNS", {0}});
         }),
         false},
        {"two tRNS", with([](auto& c) {
             c.insert(c.begin() + 2, Chunk{"tRNS", {0}});
             c.insert(c.begin() + 2, Chunk{"tRNS", {0}});
         }),
         false},
        {"palette tRNS longer than 256 bytes", with([](auto& c) {
             c.insert(c.begin() + 2, Chunk{"tRNS", std::vector<uint8_t>(300, 9)});
         }),
         true},
        {"gAMA of 3 bytes", with([](auto& c) {
             c.insert(c.begin() + 1, Chunk{"gAMA", {0, 0, 1}});
         }),
         false},
        {"gAMA of 4 bytes", with([](auto& c) {
             c.insert(c.begin() + 1, Chunk{"gAMA", {0, 1, 0x86, 0xA0}});
         }),
         true},
        {"IDAT split with a chunk between", with([&](auto& c) {
             std::vector<uint8_t> a(idat.begin(), idat.begin() + 5), b(idat.begin() + 5, idat.end());
             c[2].data = a;
             c.insert(c.begin() + 3, Chunk{"tEXt", {'x', 0}});
             c.insert(c.begin() + 4, Chunk{"IDAT", b});
         }),
         false},
        {"IDAT split after one byte", with([&](auto& c) {
             c[2].data = {idat[0]};
             c.insert(c.begin() + 3, Chunk{"IDAT", std::vector<uint8_t>(idat.begin() + 1, idat.end())});
         }),
         true},
        {"zlib method 7", with([](auto& c) {
             c[2].data[0] = 0x77;
             c[2].data[1] = 0x09;
         }),
         false},
        {"zlib preset dictionary", with([](auto& c) {
             c[2].data[0] = 0x78;
             c[2].data[1] = 0xBB;
         }),
         false},
        {"zlib header check", with([](auto& c) { c[2].data[1] ^= 1; }), false},
        {"zlib stream corrupt", with([&](auto& c) { c[2].data = corrupt; }), false},
        {"bad filter type", with([](auto& c) {
             std::vector<uint8_t> raw(5 * 3, 0);
             raw[3] = 5;
             std::vector<uint8_t> z = pngc::zlibOf(raw);
             c[2].data = z;
         }),
         false},
        {"chunk length beyond the data", with([](auto& c) { c[2].length = (int64_t)c[2].data.size() + 100; }), false},
        {"chunk length 2^31", with([](auto& c) { c[1].length = 0x80000000LL; }), false},
        {"chunk length 2^32-1", with([](auto& c) { c[2].length = 0xFFFFFFFFLL; }), false},
        {"IHDR length 14", with([](auto& c) { c[0].data.push_back(0); }), false},
        {"width 0", with([](auto& c) { c[0].data = pngc::ihdr(0, 5, 2, 3); }), false},
        {"height 0", with([](auto& c) { c[0].data = pngc::ihdr(7, 0, 2, 3); }), false},
        {"width 2^31", with([](auto& c) { c[0].data = pngc::ihdr(0x80000000u, 1, 2, 3); }), false},
        {"width 2^31-1", with([](auto& c) { c[0].data = pngc::ihdr(0x7FFFFFFFu, 1, 2, 3); }), false},
        {"height 2^31-1", with([](auto& c) { c[0].data = pngc::ihdr(1, 0x7FFFFFFFu, 2, 3); }), false},
        {"colour type 1", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 2, 1); }), false},
        {"colour type 2 depth 4", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 4, 2); }), false},
        {"palette depth 16", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 16, 3); }), false},
        {"interlace method 2", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 2, 3, 2); }), false},
        {"compression method 1", with([](auto& c) { c[0].data[10] = 1; }), false},
        {"filter method 1", with([](auto& c) { c[0].data[11] = 1; }), false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = pngc::assemble(c.chunks);
        Decoded d = decode(file);
        EXPECT_EQ(d.result > 0, c.decodes) << c.name;
    }
}

TEST_F(PngDecodeTest, DataEndingAtAnyChunkBoundaryBeforeIendIsRefused) {
    std::vector<size_t> boundaries;
    std::vector<Chunk> chunks = paletteImage(pngc::idatOf(paletteSpec()));
    chunks.insert(chunks.begin() + 1, Chunk{"tEXt", {'k', 0, 'v'}});
    std::vector<uint8_t> file = pngc::assemble(chunks, &boundaries);
    // boundaries: IHDR, tEXt, PLTE, IDAT, IEND starts, then the end of the file
    for (size_t i = 0; i < boundaries.size(); i++) {
        for (size_t cut : {boundaries[i], boundaries[i] + 3, boundaries[i] + 9}) {
            if (cut > file.size()) continue;
            std::vector<uint8_t> part(file.begin(), file.begin() + (long)cut);
            bool afterIend = cut >= boundaries[4] + 8;  // IEND's header read: its CRC is not needed
            Decoded d = decode(part);
            EXPECT_EQ(d.result > 0, afterIend) << "cut at " << cut << " of " << file.size();
        }
    }
}

TEST_F(PngDecodeTest, SizeQueries) {
    std::vector<uint8_t> file = pngc::assemble(paletteImage(pngc::idatOf(paletteSpec())));
    std::vector<uint8_t> badIhdrCrc = pngc::assemble({{"IHDR", pngc::ihdr(7, 5, 2, 3), true}, {"IEND", {}}});
    std::vector<uint8_t> huge = pngc::assemble({{"IHDR", pngc::ihdr(0x7FFFFFFF, 0x7FFFFFFF, 8, 6)}, {"IEND", {}}});
    std::vector<uint8_t> notPng = file;
    notPng[1] = 'Q';
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        int isPng;
        uint32_t w, h, bufferSize;
    } cases[] = {
        {"valid", file, 0, 7, 5, (7 + 7) / 8 * 5 * 32 + 16},
        {"32 bytes", std::vector<uint8_t>(file.begin(), file.begin() + 32), 0, 0, 0, 0},
        {"33 bytes", std::vector<uint8_t>(file.begin(), file.begin() + 33), 0, 7, 5, 176},
        {"8 bytes", std::vector<uint8_t>(file.begin(), file.begin() + 8), 0, 0, 0, 0},
        {"7 bytes", std::vector<uint8_t>(file.begin(), file.begin() + 7), 1, 0, 0, 0},
        {"bad signature", notPng, 1, 0, 0, 0},
        {"IHDR CRC", badIhdrCrc, 0, 0, 0, 0},
        {"2^31-1 square: no buffer size", huge, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0},
    };
    for (const Case& c : cases) {
        uint32_t w = 99, h = 99;
        int rc = PngGetImageSize(c.data.data(), (uint32_t)c.data.size(), &w, &h);
        EXPECT_EQ(rc, c.isPng) << c.name;
        if (rc == 0) {
            EXPECT_EQ(w, c.w) << c.name;
            EXPECT_EQ(h, c.h) << c.name;
        }
        EXPECT_EQ(PngGetDecodeBufferSize(c.data.data(), (uint32_t)c.data.size()), c.bufferSize) << c.name;
    }
}

// Rules that the reference does not settle, checked pixel by pixel.
TEST_F(PngDecodeTest, PaletteIndexBeyondThePaletteShowsEntryZero) {
    std::vector<uint8_t> raw = {0, 200, 1};
    std::vector<uint8_t> z = pngc::zlibOf(raw);
    std::vector<uint8_t> plte;
    for (int i = 0; i < 16; i++) {
        plte.push_back((uint8_t)(10 + i));
        plte.push_back((uint8_t)(20 + i));
        plte.push_back((uint8_t)(30 + i));
    }
    std::vector<uint8_t> alpha(201, 0x40);
    Decoded d = decode(
        pngc::assemble({{"IHDR", pngc::ihdr(2, 1, 8, 3)}, {"PLTE", plte}, {"tRNS", alpha}, {"IDAT", z}, {"IEND", {}}}));
    ASSERT_GT(d.result, 0);
    EXPECT_EQ(d.argb[0], 0x400A141Eu) << "index 200: entry 0, its own tRNS byte";
    EXPECT_EQ(d.argb[1], 0x400B151Fu);
}

TEST_F(PngDecodeTest, RowsTheDataNeverDeliversAreZero) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < 2; y++) {  // two rows of five
        raw.push_back(0);
        raw.insert(raw.end(), 2, 0xFF);
    }
    std::vector<uint8_t> z = pngc::zlibOf(raw);
    Decoded d = decode(pngc::assemble(paletteImage(z)));
    ASSERT_GT(d.result, 0) << "completeness is not checked";
    for (uint32_t y = 0; y < 5; y++) {
        for (uint32_t x = 0; x < 7; x++) {
            uint32_t want = y < 2 ? 0xFFB4C8DCu : 0;  // index 3: (180, 200, 220); undelivered: 0
            EXPECT_EQ(d.argb[y * 7 + x], want) << "x " << x << " y " << y;
        }
    }
}

TEST_F(PngDecodeTest, InflatedDataAfterTheLastRowIsIgnored) {
    PngShape s = paletteSpec();
    std::vector<uint8_t> raw;
    for (auto& r : pngc::rowsOf(s)) {
        raw.push_back(0);
        raw.insert(raw.end(), r.begin(), r.end());
    }
    raw.insert(raw.end(), 5000, 0x77);  // not rows of this image
    std::vector<uint8_t> z = pngc::zlibOf(raw);
    Decoded got = decode(pngc::assemble(paletteImage(z)));
    Decoded want = decode(pngc::assemble(paletteImage(pngc::idatOf(s))));
    ASSERT_GT(got.result, 0);
    EXPECT_EQ(got.argb, want.argb);
}

TEST_F(PngDecodeTest, TransparencyRulesOfEachColourType) {
    struct Case {
        const char* name;
        int colourType, depth;
        std::vector<uint8_t> trns;
        std::vector<uint8_t> row;  // one pixel
        uint32_t want;
        bool decodes;
    } cases[] = {
        {"gray 4 matching", 0, 4, {0, 5}, {0x50}, 0x00555555u, true},
        {"gray 4 masked to the depth", 0, 4, {0x01, 0x15}, {0x50}, 0x00555555u, true},
        {"gray 4 other", 0, 4, {0, 6}, {0x50}, 0xFF555555u, true},
        {"gray 16 needs all 16 bits", 0, 16, {0x12, 0x34}, {0x12, 0x35}, 0xFF121212u, true},
        {"gray 16 matching", 0, 16, {0x12, 0x34}, {0x12, 0x34}, 0x00121212u, true},
        {"RGB 8 matching", 2, 8, {0, 1, 0, 2, 0, 3}, {1, 2, 3}, 0x00010203u, true},
        {"RGB 8 one channel off", 2, 8, {0, 1, 0, 2, 0, 3}, {1, 2, 4}, 0xFF010204u, true},
        {"gray tRNS of 6 bytes", 0, 8, {0, 1, 0, 2, 0, 3}, {1}, 0, false},
        {"RGB tRNS of 2 bytes", 2, 8, {0, 1}, {1, 2, 3}, 0, false},
        {"tRNS in gray with alpha", 4, 8, {0, 1}, {1, 2}, 0, false},
        {"tRNS in RGBA", 6, 8, {0, 1, 0, 2, 0, 3}, {1, 2, 3, 4}, 0, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> raw = {0};
        raw.insert(raw.end(), c.row.begin(), c.row.end());
        std::vector<uint8_t> z = pngc::zlibOf(raw);
        Decoded d = decode(pngc::assemble(
            {{"IHDR", pngc::ihdr(1, 1, c.depth, c.colourType)}, {"tRNS", c.trns}, {"IDAT", z}, {"IEND", {}}}));
        ASSERT_EQ(d.result > 0, c.decodes) << c.name;
        if (c.decodes) {
            EXPECT_EQ(d.argb[0], c.want) << c.name << std::hex << " got " << d.argb[0];
        }
    }
}

TEST_F(PngDecodeTest, OutOfArenaMemoryFailsCleanly) {
    PngShape s{};
    s.width = 300;
    s.height = 200;
    s.colourType = 6;
    s.depth = 8;
    std::vector<uint8_t> file = pngc::write(s);
    std::vector<uint32_t> buffer(PngGetDecodeBufferSize(file.data(), (uint32_t)file.size()) / 4 + 1);
    qmmm_fini();
    // arenas too small for the inflate state, the rows, or the chunk buffer
    for (int32_t size : {64, 2048, 12000, 40000, 46000}) {
        static uint8_t small[64 << 10];
        qmmm_init(small, size);
        EXPECT_EQ(PngDecodeToARGB(file.data(), (uint32_t)file.size(), reinterpret_cast<uint8_t*>(buffer.data())), 0)
            << "arena of " << size;
        EXPECT_EQ(qmmm_fini(), 0) << "arena of " << size;
    }
    SetUp();
}

}  // namespace
