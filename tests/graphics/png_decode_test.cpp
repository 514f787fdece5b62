// PNG decoder against libpng: a corpus written by libpng at test time decodes to exactly
// libpng's pixels; damaged files are refused, each for the reason it names; the rules
// libpng does not decide for us (palette index beyond the palette, chunk order, sizes) by
// table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/png_arena.h"
#include "graphics/png_corpus.h"
#include "support/lowmem_fixture.h"

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
        PngError reason;  // PNG_ERR_NONE: it decodes
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
        {"valid", paletteImage(idat), PNG_ERR_NONE},
        {"IHDR CRC", with([](auto& c) { c[0].badCrc = true; }), PNG_ERR_CRC},
        {"PLTE CRC", with([](auto& c) { c[1].badCrc = true; }), PNG_ERR_CRC},
        {"IDAT CRC", with([](auto& c) { c[2].badCrc = true; }), PNG_ERR_CRC},
        {"IEND CRC is never read", with([](auto& c) { c[3].badCrc = true; }), PNG_ERR_NONE},
        {"unknown ancillary chunk CRC is not read", with([](auto& c) {
             c.insert(c.begin() + 1, Chunk{"tEXt", {'a', 0, 'b'}, true});
         }),
         PNG_ERR_NONE},
        {"unknown critical chunk is skipped", with([](auto& c) {
             c.insert(c.begin() + 2, Chunk{"ABCD", {1, 2, 3}});
         }),
         PNG_ERR_NONE},
        {"second IHDR is skipped", with([](auto& c) { c.insert(c.begin() + 2, c[0]); }), PNG_ERR_NONE},
        {"IDAT missing", with([](auto& c) { c.erase(c.begin() + 2); }), PNG_ERR_NO_IDAT},
        {"IEND missing", with([](auto& c) { c.pop_back(); }), PNG_ERR_NO_IEND},
        {"PLTE missing", with([](auto& c) { c.erase(c.begin() + 1); }), PNG_ERR_NO_PLTE},
        {"PLTE after IDAT: no palette for the data", with([](auto& c) { std::swap(c[1], c[2]); }), PNG_ERR_NO_PLTE},
        {"PLTE before IDAT of an RGB image", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 8, 2); }), PNG_ERR_NONE},
        {"PLTE after IDAT of an RGB image", with([](auto& c) {
             c[0].data = pngc::ihdr(7, 5, 8, 2);
             std::swap(c[1], c[2]);
         }),
         PNG_ERR_CHUNK_ORDER},
        {"PLTE in a gray image", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 2, 0); }), PNG_ERR_PLTE},
        {"first chunk not IHDR", with([](auto& c) { std::swap(c[0], c[1]); }), PNG_ERR_IHDR_MISSING},
        {"two PLTE", with([](auto& c) { c.insert(c.begin() + 1, c[1]); }), PNG_ERR_CHUNK_ORDER},
        {"PLTE of 5 entries at depth 2", with([&](auto& c) { c[1].data = bigPalette; }), PNG_ERR_PLTE},
        {"PLTE length not a multiple of 3", with([](auto& c) { c[1].data.pop_back(); }), PNG_ERR_PLTE},
        {"tRNS before PLTE", with([](auto& c) {
             c.insert(c.begin() + 1, Chunk{"tRNS", {0}});
         }),
         PNG_ERR_CHUNK_ORDER},
        {"tRNS after IDAT", with([](auto& c) {
             c.insert(c.begin() + 3, Chunk{"tRNS", {0}});
         }),
         PNG_ERR_CHUNK_ORDER},
        {"two tRNS", with([](auto& c) {
             c.insert(c.begin() + 2, Chunk{"tRNS", {0}});
             c.insert(c.begin() + 2, Chunk{"tRNS", {0}});
         }),
         PNG_ERR_CHUNK_ORDER},
        {"palette tRNS longer than 256 bytes", with([](auto& c) {
             c.insert(c.begin() + 2, Chunk{"tRNS", std::vector<uint8_t>(300, 9)});
         }),
         PNG_ERR_NONE},
        {"gAMA of 3 bytes", with([](auto& c) {
             c.insert(c.begin() + 1, Chunk{"gAMA", {0, 0, 1}});
         }),
         PNG_ERR_GAMA},
        {"gAMA of 4 bytes", with([](auto& c) {
             c.insert(c.begin() + 1, Chunk{"gAMA", {0, 1, 0x86, 0xA0}});
         }),
         PNG_ERR_NONE},
        {"IDAT split with a chunk between", with([&](auto& c) {
             std::vector<uint8_t> a(idat.begin(), idat.begin() + 5), b(idat.begin() + 5, idat.end());
             c[2].data = a;
             c.insert(c.begin() + 3, Chunk{"tEXt", {'x', 0}});
             c.insert(c.begin() + 4, Chunk{"IDAT", b});
         }),
         PNG_ERR_CHUNK_ORDER},
        {"IDAT split after one byte", with([&](auto& c) {
             c[2].data = {idat[0]};
             c.insert(c.begin() + 3, Chunk{"IDAT", std::vector<uint8_t>(idat.begin() + 1, idat.end())});
         }),
         PNG_ERR_NONE},
        {"zlib method 7", with([](auto& c) {
             c[2].data[0] = 0x77;
             c[2].data[1] = 0x09;
         }),
         PNG_ERR_ZLIB_HEADER},
        {"zlib preset dictionary", with([](auto& c) {
             c[2].data[0] = 0x78;
             c[2].data[1] = 0xBB;
         }),
         PNG_ERR_ZLIB_HEADER},
        {"zlib header check", with([](auto& c) { c[2].data[1] ^= 1; }), PNG_ERR_ZLIB_HEADER},
        {"zlib stream corrupt", with([&](auto& c) { c[2].data = corrupt; }), PNG_ERR_INFLATE},
        {"bad filter type", with([](auto& c) {
             std::vector<uint8_t> raw(5 * 3, 0);
             raw[3] = 5;
             std::vector<uint8_t> z = pngc::zlibOf(raw);
             c[2].data = z;
         }),
         PNG_ERR_FILTER},
        {"chunk length beyond the data", with([](auto& c) { c[2].length = (int64_t)c[2].data.size() + 100; }),
         PNG_ERR_TRUNCATED},
        {"chunk length 2^31", with([](auto& c) { c[1].length = 0x80000000LL; }), PNG_ERR_CHUNK_LENGTH},
        {"chunk length 2^32-1", with([](auto& c) { c[2].length = 0xFFFFFFFFLL; }), PNG_ERR_CHUNK_LENGTH},
        {"IHDR length 14", with([](auto& c) { c[0].data.push_back(0); }), PNG_ERR_IHDR_LENGTH},
        {"width 0", with([](auto& c) { c[0].data = pngc::ihdr(0, 5, 2, 3); }), PNG_ERR_IMAGE_SIZE},
        {"height 0", with([](auto& c) { c[0].data = pngc::ihdr(7, 0, 2, 3); }), PNG_ERR_IMAGE_SIZE},
        {"width 2^31", with([](auto& c) { c[0].data = pngc::ihdr(0x80000000u, 1, 2, 3); }), PNG_ERR_IMAGE_SIZE},
        {"width 2^31-1", with([](auto& c) { c[0].data = pngc::ihdr(0x7FFFFFFFu, 1, 2, 3); }), PNG_ERR_TOO_LARGE},
        {"height 2^31-1", with([](auto& c) { c[0].data = pngc::ihdr(1, 0x7FFFFFFFu, 2, 3); }), PNG_ERR_TOO_LARGE},
        {"colour type 1", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 2, 1); }), PNG_ERR_DEPTH},
        {"colour type 2 depth 4", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 4, 2); }), PNG_ERR_DEPTH},
        {"palette depth 16", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 16, 3); }), PNG_ERR_DEPTH},
        {"interlace method 2", with([](auto& c) { c[0].data = pngc::ihdr(7, 5, 2, 3, 2); }), PNG_ERR_METHOD},
        {"compression method 1", with([](auto& c) { c[0].data[10] = 1; }), PNG_ERR_METHOD},
        {"filter method 1", with([](auto& c) { c[0].data[11] = 1; }), PNG_ERR_METHOD},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = pngc::assemble(c.chunks);
        Decoded d = decode(file);
        EXPECT_EQ(d.result > 0, c.reason == PNG_ERR_NONE) << c.name;
        EXPECT_EQ(d.reason, c.reason) << c.name;
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
            // between two chunks the IEND is missing; anywhere else a chunk is cut
            PngError reason = afterIend                       ? PNG_ERR_NONE
                              : cut == boundaries[i] && i > 0 ? PNG_ERR_NO_IEND
                                                              : PNG_ERR_TRUNCATED;
            Decoded d = decode(part);
            EXPECT_EQ(d.result > 0, afterIend) << "cut at " << cut << " of " << file.size();
            EXPECT_EQ(d.reason, reason) << "cut at " << cut << " of " << file.size();
        }
    }
}

TEST_F(PngDecodeTest, SizeQueries) {
    std::vector<uint8_t> file = pngc::assemble(paletteImage(pngc::idatOf(paletteSpec())));
    std::vector<uint8_t> badIhdrCrc = pngc::assemble({{"IHDR", pngc::ihdr(7, 5, 2, 3), true}, {"IEND", {}}});
    std::vector<uint8_t> huge = pngc::assemble({{"IHDR", pngc::ihdr(0x7FFFFFFF, 0x7FFFFFFF, 8, 6)}, {"IEND", {}}});
    std::vector<uint8_t> notPng = file;
    notPng[1] = 'Q';
    std::vector<uint8_t> zeroWidth = pngc::assemble({{"IHDR", pngc::ihdr(0, 5, 8, 6)}, {"IEND", {}}});
    // sizeReason: what the size query leaves; bufferReason: what the buffer size adds
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        int isPng;
        uint32_t w, h, bufferSize;
        PngError sizeReason, bufferReason;
    } cases[] = {
        {"valid", file, 0, 7, 5, (7 + 7) / 8 * 5 * 32 + 16, PNG_ERR_NONE, PNG_ERR_NONE},
        {"32 bytes", std::vector<uint8_t>(file.begin(), file.begin() + 32), 0, 0, 0, 0, PNG_ERR_TRUNCATED,
         PNG_ERR_TRUNCATED},
        {"33 bytes", std::vector<uint8_t>(file.begin(), file.begin() + 33), 0, 7, 5, 176, PNG_ERR_NONE, PNG_ERR_NONE},
        {"8 bytes", std::vector<uint8_t>(file.begin(), file.begin() + 8), 0, 0, 0, 0, PNG_ERR_TRUNCATED,
         PNG_ERR_TRUNCATED},
        {"7 bytes", std::vector<uint8_t>(file.begin(), file.begin() + 7), 1, 0, 0, 0, PNG_ERR_SIGNATURE,
         PNG_ERR_SIGNATURE},
        {"bad signature", notPng, 1, 0, 0, 0, PNG_ERR_SIGNATURE, PNG_ERR_SIGNATURE},
        {"IHDR CRC", badIhdrCrc, 0, 0, 0, 0, PNG_ERR_CRC, PNG_ERR_CRC},
        {"width 0", zeroWidth, 0, 0, 5, 0, PNG_ERR_IMAGE_SIZE, PNG_ERR_IMAGE_SIZE},
        {"2^31-1 square: no buffer size", huge, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0, PNG_ERR_NONE, PNG_ERR_TOO_LARGE},
    };
    for (const Case& c : cases) {
        uint32_t w = 99, h = 99;
        int rc = PngGetImageSize(c.data.data(), (uint32_t)c.data.size(), &w, &h);
        EXPECT_EQ(rc, c.isPng) << c.name;
        EXPECT_EQ(PngLastError(), c.sizeReason) << c.name;
        if (rc == 0) {
            EXPECT_EQ(w, c.w) << c.name;
            EXPECT_EQ(h, c.h) << c.name;
        }
        EXPECT_EQ(PngGetDecodeBufferSize(c.data.data(), (uint32_t)c.data.size()), c.bufferSize) << c.name;
        EXPECT_EQ(PngLastError(), c.bufferReason) << c.name;
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
        PngError reason;  // PNG_ERR_NONE: it decodes
    } cases[] = {
        {"gray 4 matching", 0, 4, {0, 5}, {0x50}, 0x00555555u, PNG_ERR_NONE},
        {"gray 4 masked to the depth", 0, 4, {0x01, 0x15}, {0x50}, 0x00555555u, PNG_ERR_NONE},
        {"gray 4 other", 0, 4, {0, 6}, {0x50}, 0xFF555555u, PNG_ERR_NONE},
        {"gray 16 needs all 16 bits", 0, 16, {0x12, 0x34}, {0x12, 0x35}, 0xFF121212u, PNG_ERR_NONE},
        {"gray 16 matching", 0, 16, {0x12, 0x34}, {0x12, 0x34}, 0x00121212u, PNG_ERR_NONE},
        {"RGB 8 matching", 2, 8, {0, 1, 0, 2, 0, 3}, {1, 2, 3}, 0x00010203u, PNG_ERR_NONE},
        {"RGB 8 one channel off", 2, 8, {0, 1, 0, 2, 0, 3}, {1, 2, 4}, 0xFF010204u, PNG_ERR_NONE},
        {"gray tRNS of 6 bytes", 0, 8, {0, 1, 0, 2, 0, 3}, {1}, 0, PNG_ERR_TRNS},
        {"RGB tRNS of 2 bytes", 2, 8, {0, 1}, {1, 2, 3}, 0, PNG_ERR_TRNS},
        {"tRNS in gray with alpha", 4, 8, {0, 1}, {1, 2}, 0, PNG_ERR_TRNS},
        {"tRNS in RGBA", 6, 8, {0, 1, 0, 2, 0, 3}, {1, 2, 3, 4}, 0, PNG_ERR_TRNS},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> raw = {0};
        raw.insert(raw.end(), c.row.begin(), c.row.end());
        std::vector<uint8_t> z = pngc::zlibOf(raw);
        Decoded d = decode(pngc::assemble(
            {{"IHDR", pngc::ihdr(1, 1, c.depth, c.colourType)}, {"tRNS", c.trns}, {"IDAT", z}, {"IEND", {}}}));
        ASSERT_EQ(d.result > 0, c.reason == PNG_ERR_NONE) << c.name;
        EXPECT_EQ(d.reason, c.reason) << c.name;
        if (c.reason == PNG_ERR_NONE) {
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
        EXPECT_EQ(PngLastError(), PNG_ERR_NO_MEMORY) << "arena of " << size;
        EXPECT_EQ(qmmm_fini(), 0) << "arena of " << size;
    }
    SetUp();
}

// Refusals that come from around the data: the caller, the stream pool, the inflate
// output limit. Each beside a case that differs only in the cause and decodes.
TEST_F(PngDecodeTest, RefusalsFromAroundTheDataNameTheirReason) {
    const std::vector<uint8_t> small = pngc::assemble(paletteImage(pngc::idatOf(paletteSpec())));
    // one row of 16-bit RGBA, 8 bytes a pixel, against the 286720-byte inflate output
    auto oneRow = [](uint32_t width) {
        std::vector<uint8_t> raw(1 + (size_t)width * 8, 0);
        return pngc::assemble({{"IHDR", pngc::ihdr(width, 1, 16, 6)}, {"IDAT", pngc::zlibOf(raw)}, {"IEND", {}}});
    };
    const std::vector<uint8_t> fits = oneRow(35839);  // 286712 bytes and the filter byte
    const std::vector<uint8_t> tooWide = oneRow(35840);
    struct Case {
        const char* name;
        const std::vector<uint8_t>* file;
        bool noBuffer;
        bool slotsTaken;
        PngError reason;
    } cases[] = {
        {"valid", &small, false, false, PNG_ERR_NONE},
        {"no buffer", &small, true, false, PNG_ERR_ARGUMENT},
        {"every inflate stream in use", &small, false, true, PNG_ERR_NO_STREAM},
        {"row within the inflate output maximum", &fits, false, false, PNG_ERR_NONE},
        {"row beyond the inflate output maximum", &tooWide, false, false, PNG_ERR_INFLATE_LIMIT},
    };
    for (const Case& c : cases) {
        for (int i = 0; c.slotsTaken && i < PNG_STREAM_SLOTS; i++) ASSERT_NE(PngStreamAlloc(nullptr, nullptr), nullptr);
        int32_t result;
        if (c.noBuffer) {
            result = PngDecodeToARGB(c.file->data(), (uint32_t)c.file->size(), nullptr);
        } else {
            result = decode(*c.file).result;
        }
        EXPECT_EQ(result > 0, c.reason == PNG_ERR_NONE) << c.name;
        EXPECT_EQ(PngLastError(), c.reason) << c.name;
        PngStreamPoolReset();
    }
}

// PngDecodeImage: its code, and the reason beside it, the size query's when no buffer
// was asked for.
TEST_F(PngDecodeTest, DecodeImageAnswersItsCodeAndReason) {
    const std::vector<uint8_t> good = pngc::assemble(paletteImage(pngc::idatOf(paletteSpec())));
    std::vector<Chunk> crc = paletteImage(pngc::idatOf(paletteSpec()));
    crc[2].badCrc = true;
    std::vector<Chunk> zeroWidth = paletteImage(pngc::idatOf(paletteSpec()));
    zeroWidth[0].data = pngc::ihdr(0, 5, 2, 3);
    PngShape big{};
    big.width = 300;
    big.height = 200;
    big.colourType = 6;
    big.depth = 8;
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        int32_t width, height;  // the surface's
        int32_t arenaBytes;     // 0: the fixture's arena
        int rc;
        PngError reason;
    } cases[] = {
        {"valid", good, 7, 5, 0, 0, PNG_ERR_NONE},
        {"surface narrower than the image", good, 6, 5, 0, 2, PNG_ERR_SURFACE_SIZE},
        {"surface taller than the image", good, 7, 6, 0, 2, PNG_ERR_SURFACE_SIZE},
        {"IDAT CRC", pngc::assemble(crc), 7, 5, 0, 2, PNG_ERR_CRC},
        {"width 0: no buffer size", pngc::assemble(zeroWidth), 7, 5, 0, 3, PNG_ERR_IMAGE_SIZE},
        {"no arena for the decode buffer", pngc::write(big), 300, 200, 64 << 10, 3, PNG_ERR_NO_MEMORY},
    };
    for (const Case& c : cases) {
        LowVector<uint16_t> pixels((size_t)c.width * c.height, 0xABCD);
        MkSurface surface = {pixels.data(), c.width, c.height, 1, 0};
        static uint8_t small[64 << 10];
        if (c.arenaBytes != 0) {
            ASSERT_EQ(qmmm_fini(), 0) << c.name;
            qmmm_init(small, c.arenaBytes);
        }
        EXPECT_EQ(PngDecodeImage(c.file.data(), (uint32_t)c.file.size(), &surface), c.rc) << c.name;
        EXPECT_EQ(PngLastError(), c.reason) << c.name;
        EXPECT_EQ(surface.writable, 0u) << c.name;
        EXPECT_EQ(pixels[0] != 0xABCD, c.rc == 0) << c.name << ": pixels written only on success";
        if (c.arenaBytes != 0) {
            EXPECT_EQ(qmmm_fini(), 0) << c.name;
            SetUp();
        }
    }
}

}  // namespace
