// Images and off-screens: PNG and host-decoded images against libpng and stb_image after
// the conversion to 16-bit pixels, the error word of every refusal, new mutable images,
// read-only images, regions under each transform, ARGB round trips, drawing.
#include "graphics/mk_image.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <string>
#include <vector>

#include "graphics/gfx2d.h"
#include "graphics/mk_host.h"
#include "graphics/png_arena.h"
#include "graphics/png_corpus.h"
#include "host/common/hostimage.h"
#include "host/common/image_files.h"
#include "platform/trace.h"
#include "support/lowmem_fixture.h"

namespace {

// The host's image decoder in the hooks for each test, the previous table back after.
class MkImageTest : public PngArenaTest {
protected:
    void SetUp() override {
        PngArenaTest::SetUp();
        saved_ = *mk_getHostHooks();
        MkHostHooks hooks = saved_;
        hooks.hostImageDecode = HostImageDecode;
        hooks.hostImageGetSize = HostImageGetSize;
        hooks.hostImageCopyPixels = HostImageCopyPixels;
        hooks.hostImageRelease = HostImageRelease;
        mk_setHostHooks(&hooks);
    }
    void TearDown() override {
        mk_setHostHooks(&saved_);
        PngArenaTest::TearDown();
    }

    // The 16-bit pixels the same ARGB words give through the alpha-processing conversion.
    static std::vector<uint16_t> converted(const std::vector<uint32_t>& argb, int32_t w, int32_t h) {
        LowVector<uint16_t> pixels((size_t)w * h);
        MkSurface s = {pixels.data(), w, h, 1, 1};
        gfx2d_argbToSurface(&s, nullptr, 0, 0, argb.data(), w, h, 1);
        return plain(pixels);
    }

    static std::vector<uint16_t> pixelsOf(const MkSurface* s) {
        return std::vector<uint16_t>(s->pixels.get(), s->pixels + (size_t)s->width * s->height);
    }

    MkHostHooks saved_;
};

TEST_F(MkImageTest, PngCorpusGivesLibpngPixelsAfterConversion) {
    for (const pngc::PngShape& shape : pngc::corpus()) {
        std::vector<uint8_t> file = pngc::write(shape, shape.blank ? 9 : 6);
        std::vector<uint32_t> expected;
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(pngc::reference(file, &expected, &w, &h)) << shape.name;
        int32_t error = 99;
        MkSurface* s = MkImageCreate(file.data(), (uint32_t)file.size(), &error);
        ASSERT_EQ(error, MK_IMAGE_OK) << shape.name;
        ASSERT_NE(s, MK_SURFACE_FAILED) << shape.name;
        EXPECT_EQ(s->alphaMode, 1u) << shape.name;
        EXPECT_EQ(s->writable, 0u) << shape.name;
        EXPECT_TRUE(pixelsOf(s) == converted(expected, (int32_t)w, (int32_t)h)) << shape.name;
        MkImageDestroy(s);
    }
}

TEST_F(MkImageTest, HostFormatsGiveStbPixelsAfterConversion) {
    std::vector<uint8_t> rgba, indexes, palette;
    for (int i = 0; i < 29 * 19; i++) {
        uint32_t v = pngc::mix((uint32_t)i);
        rgba.insert(rgba.end(), {(uint8_t)(i % 29 * 8), (uint8_t)(i / 29 * 13), (uint8_t)(v & 0xF0),
                                 (uint8_t)(i % 3 == 0   ? 0x08
                                           : i % 3 == 1 ? 0xF7
                                                        : 0xFF)});
        indexes.push_back((uint8_t)(v % 256));
    }
    for (int i = 0; i < 256; i++) palette.insert(palette.end(), {(uint8_t)i, (uint8_t)(i * 3), (uint8_t)(255 - i)});
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        uint32_t alphaMode;
    } cases[] = {
        {"JPEG", imgf::jpeg(rgba, 29, 19, 85), 0},
        {"BMP 24-bit", imgf::bmp(rgba, 29, 19, 3), 0},
        {"BMP 32-bit with alpha", imgf::bmp(rgba, 29, 19, 4), 1},
        {"GIF", imgf::gif(indexes, palette, 29, 19, -1), 0},
        {"GIF with a transparent index", imgf::gif(indexes, palette, 29, 19, indexes[3]), 1},
    };
    for (const Case& c : cases) {
        int32_t error = 99;
        MkSurface* s = MkImageCreate(c.file.data(), (uint32_t)c.file.size(), &error);
        ASSERT_EQ(error, MK_IMAGE_OK) << c.name;
        int w = 0, h = 0, comp = 0;
        uint8_t* stb = stbi_load_from_memory(c.file.data(), (int)c.file.size(), &w, &h, &comp, 4);
        ASSERT_EQ(s->width, w) << c.name;
        ASSERT_EQ(s->height, h) << c.name;
        EXPECT_EQ(s->alphaMode, c.alphaMode) << c.name;
        std::vector<uint16_t> want;
        for (int i = 0; i < w * h; i++) {
            const uint8_t* p = stb + i * 4;
            uint32_t argb = (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
            // opaque pictures: every pixel opaque; with alpha: bit 5 from ARGB bit 27
            want.push_back(gfx2d_argbToPixel(argb, c.alphaMode));
        }
        stbi_image_free(stb);
        EXPECT_TRUE(pixelsOf(s) == want) << c.name;
        MkImageDestroy(s);
    }
}

TEST_F(MkImageTest, RefusedDataAnswersItsErrorWord) {
    pngc::PngShape shape{};
    shape.width = 6;
    shape.height = 4;
    shape.colourType = 2;
    shape.depth = 8;
    std::vector<uint8_t> good = pngc::write(shape);
    std::vector<pngc::Chunk> chunks = {{"IHDR", pngc::ihdr(6, 4, 8, 2)}, {"IDAT", pngc::idatOf(shape)}, {"IEND", {}}};
    auto withChunks = [&](auto change) {
        std::vector<pngc::Chunk> c = chunks;
        change(c);
        return pngc::assemble(c);
    };
    std::vector<uint8_t> badSignature = good;
    badSignature[0] = 0x88;
    std::vector<uint8_t> corrupt = pngc::idatOf(shape);
    corrupt[2] ^= 0xFF;
    // reason: the decoder's, named in the trace line of a refused PNG; PNG_ERR_NONE where
    // no such line is written (decoded, not a PNG, or no memory)
    struct Case {
        std::string name;
        std::vector<uint8_t> data;
        int32_t error;
        PngError reason;
    };
    std::vector<Case> cases = {
        {"valid", good, MK_IMAGE_OK, PNG_ERR_NONE},
        {"empty", {}, MK_IMAGE_BAD_DATA, PNG_ERR_NONE},
        {"bad signature", badSignature, MK_IMAGE_BAD_DATA, PNG_ERR_NONE},
        {"PNG of 32 bytes", std::vector<uint8_t>(good.begin(), good.begin() + 32), MK_IMAGE_BAD_DATA,
         PNG_ERR_TRUNCATED},
        {"IHDR CRC", withChunks([](auto& c) { c[0].badCrc = true; }), MK_IMAGE_BAD_DATA, PNG_ERR_CRC},
        {"IDAT CRC", withChunks([](auto& c) { c[1].badCrc = true; }), MK_IMAGE_BAD_DATA, PNG_ERR_CRC},
        {"IEND CRC is not read", withChunks([](auto& c) { c[2].badCrc = true; }), MK_IMAGE_OK, PNG_ERR_NONE},
        {"IDAT missing", withChunks([](auto& c) { c.erase(c.begin() + 1); }), MK_IMAGE_BAD_DATA, PNG_ERR_NO_IDAT},
        {"zlib stream corrupt", withChunks([&](auto& c) { c[1].data = corrupt; }), MK_IMAGE_BAD_DATA, PNG_ERR_INFLATE},
        {"width 0", withChunks([](auto& c) { c[0].data = pngc::ihdr(0, 4, 8, 2); }), MK_IMAGE_BAD_DATA,
         PNG_ERR_IMAGE_SIZE},
        {"height 0", withChunks([](auto& c) { c[0].data = pngc::ihdr(6, 0, 8, 2); }), MK_IMAGE_BAD_DATA,
         PNG_ERR_IMAGE_SIZE},
        {"width 2^31-1", withChunks([](auto& c) { c[0].data = pngc::ihdr(0x7FFFFFFF, 4, 8, 2); }), MK_IMAGE_NO_MEMORY,
         PNG_ERR_NONE},
        {"height 2^31-1", withChunks([](auto& c) { c[0].data = pngc::ihdr(6, 0x7FFFFFFF, 8, 2); }), MK_IMAGE_NO_MEMORY,
         PNG_ERR_NONE},
        {"both 2^31-1", withChunks([](auto& c) { c[0].data = pngc::ihdr(0x7FFFFFFF, 0x7FFFFFFF, 8, 2); }),
         MK_IMAGE_NO_MEMORY, PNG_ERR_NONE},
        {"65536 x 65536", withChunks([](auto& c) { c[0].data = pngc::ihdr(65536, 65536, 8, 2); }), MK_IMAGE_NO_MEMORY,
         PNG_ERR_NONE},
        {"width 2^31", withChunks([](auto& c) { c[0].data = pngc::ihdr(0x80000000u, 4, 8, 2); }), MK_IMAGE_BAD_DATA,
         PNG_ERR_IMAGE_SIZE},
        {"bad filter type", withChunks([](auto& c) { c[1].data = pngc::zlibOf(std::vector<uint8_t>(4 * 19, 7)); }),
         MK_IMAGE_BAD_DATA, PNG_ERR_FILTER},
    };
    std::vector<size_t> boundaries;
    pngc::assemble(chunks, &boundaries);
    std::vector<uint8_t> whole = pngc::assemble(chunks);
    for (size_t b : boundaries) {
        if (b + 4 >= whole.size()) continue;  // right after IEND's header it decodes
        // inside the first 33 bytes the IHDR is cut; later the data ends between chunks
        cases.push_back({"cut at " + std::to_string(b), std::vector<uint8_t>(whole.begin(), whole.begin() + (long)b),
                         MK_IMAGE_BAD_DATA, b < 33 ? PNG_ERR_TRUNCATED : PNG_ERR_NO_IEND});
    }
    std::string trace;
    TraceSetCapture([](int ch, void* to) { *static_cast<std::string*>(to) += (char)ch; }, &trace);
    for (const Case& c : cases) {
        trace.clear();
        int32_t error = 99;
        MkSurface* s = MkImageCreate(c.data.data(), (uint32_t)c.data.size(), &error);
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_EQ(s == MK_SURFACE_FAILED, c.error != MK_IMAGE_OK) << c.name;
        MkImageDestroy(s);
        if (c.reason == PNG_ERR_NONE) {
            EXPECT_EQ(trace.find("PNG refused"), std::string::npos) << c.name << ": " << trace;
        } else {
            std::string line =
                std::string("mk_gfx_image: MkImageCreate PNG refused (") + PngErrorName(c.reason) + ")\n";
            EXPECT_EQ(trace, line) << c.name;
        }
    }
    TraceSetCapture(nullptr, nullptr);
}

// The host's allocator failing at its n-th block; blocks still out are counted.
int failAt, blocksTaken, blocksOut;
void* failingAlloc(uint32_t size) {
    if (++blocksTaken == failAt) return nullptr;
    blocksOut++;
    return lowCalloc(1, size);
}
void countedFree(void* block) {
    if (block != nullptr) blocksOut--;
    lowFree(block);
}

TEST_F(MkImageTest, OutOfMemoryAnswersItsWordAndKeepsNothing) {
    pngc::PngShape shape{};
    shape.width = 40;
    shape.height = 30;
    shape.colourType = 6;
    shape.depth = 8;
    std::vector<uint8_t> png = pngc::write(shape);
    std::vector<uint8_t> rgba(40 * 30 * 4, 0x80);
    std::vector<uint8_t> bmp = imgf::bmp(rgba, 40, 30, 3);
    struct Case {
        const char* name;
        int failAt;          // the host block that is refused, 0 none
        int32_t arenaBytes;  // the storage arena of the decode buffer, 0 the fixture's
        const std::vector<uint8_t>* data;
    } cases[] = {
        {"record", 1, 0, &png},
        {"pixels", 2, 0, &png},
        {"host image pixels", 2, 0, &bmp},
        {"host image ARGB buffer", 3, 0, &bmp},
        {"decode buffer in the arena", 0, 4096, &png},
    };
    MkHostHooks hooks = *mk_getHostHooks();
    hooks.memAllocPointer = failingAlloc;
    hooks.memFreePointer = countedFree;
    mk_setHostHooks(&hooks);
    static uint8_t small[4096];
    for (const Case& c : cases) {
        if (c.arenaBytes) {
            qmmm_fini();
            qmmm_init(small, c.arenaBytes);
        }
        failAt = c.failAt;
        blocksTaken = blocksOut = 0;
        int32_t error = 99;
        EXPECT_EQ(MkImageCreate(c.data->data(), (uint32_t)c.data->size(), &error), MK_SURFACE_FAILED) << c.name;
        EXPECT_EQ(error, MK_IMAGE_NO_MEMORY) << c.name;
        EXPECT_EQ(blocksOut, 0) << c.name << ": blocks kept";
        if (c.arenaBytes) {
            EXPECT_EQ(qmmm_fini(), 0) << c.name;
            PngArenaTest::SetUp();
        }
    }
    hooks.memAllocPointer = nullptr;
    hooks.memFreePointer = nullptr;
    mk_setHostHooks(&hooks);
    EXPECT_EQ(MkOffScreenCreate(70000, 70000), MK_SURFACE_FAILED) << "beyond the ceiling";
    int32_t error = 0;
    uint32_t one = 0;
    EXPECT_EQ(MkImageCreateFromARGB(&one, 0x10000, 0x10001, 1, &error), MK_SURFACE_FAILED);
    EXPECT_EQ(error, MK_IMAGE_NO_MEMORY);
}

TEST_F(MkImageTest, NewOffScreenReadsBackWhiteAndImagesRefuseDrawing) {
    MkSurface* off = MkOffScreenCreate(5, 3);
    ASSERT_NE(off, MK_SURFACE_FAILED);
    EXPECT_EQ(off->alphaMode, 0u);
    EXPECT_EQ(off->writable, 1u);
    std::vector<uint32_t> argb(15, 0);
    const int32_t all[4] = {0, 0, 5, 3};
    MkOffScreenGetARGB(off, argb.data(), 15, 5, all);
    EXPECT_EQ(argb, std::vector<uint32_t>(15, 0xFFF8F8F8u)) << "white at the display's depth";
    EXPECT_EQ(gfx2d_fillRect(off, nullptr, 0x0020, 1, 1, 2, 1), 0) << "an off-screen takes drawing";
    EXPECT_EQ(off->pixels[6], 0x0020);

    std::vector<uint32_t> source(15, 0xFF102030u);
    int32_t error = 99;
    MkSurface* image = MkImageCreateFromARGB(source.data(), 5, 3, 0, &error);
    ASSERT_EQ(error, MK_IMAGE_OK);
    std::vector<uint16_t> before = pixelsOf(image);
    EXPECT_EQ(gfx2d_fillRect(image, nullptr, 0x0020, 0, 0, 5, 3), -1);
    EXPECT_EQ(gfx2d_drawLine(image, nullptr, 0x0020, 0, 0, 4, 2), -1);
    EXPECT_EQ(gfx2d_drawImage(image, nullptr, 0, 0, off), -1);
    EXPECT_EQ(pixelsOf(image), before) << "nothing drawn into an image";
    MkImageDestroy(image);
    MkImageDestroy(off);
}

TEST_F(MkImageTest, RegionUnderEachTransform) {
    // a b c    a 3 x 2 region at (1, 1) of a 5 x 4 image; b is transparent
    // d e f
    const uint16_t a = 0x0821, b = 0x1040, c = 0x1863, d = 0x20A4, e = 0x28A5, f = 0x30E6;
    LowVector<uint16_t> pixels(20, 0xFFFF);
    uint16_t region[2][3] = {{a, b, c}, {d, e, f}};
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++) pixels[(y + 1) * 5 + x + 1] = region[y][x];
    MkSurface source = {pixels.data(), 5, 4, 1, 0};
    struct Case {
        const char* name;
        int32_t transform;
        int32_t w, h;
        std::vector<uint16_t> want;
    } cases[] = {
        {"none", 0, 3, 2, {a, 0, c, d, e, f}},          {"mirror rot180", 1, 3, 2, {d, e, f, a, 0, c}},
        {"mirror", 2, 3, 2, {c, 0, a, f, e, d}},        {"rot180", 3, 3, 2, {f, e, d, c, 0, a}},
        {"mirror rot270", 4, 2, 3, {a, d, 0, e, c, f}}, {"rot90", 5, 2, 3, {d, a, e, 0, f, c}},
        {"rot270", 6, 2, 3, {c, f, 0, e, a, d}},        {"mirror rot90", 7, 2, 3, {f, c, e, 0, d, a}},
    };
    const int32_t rect[4] = {1, 1, 3, 2};
    for (const Case& t : cases) {
        int32_t error = 99;
        MkSurface* s = MkImageCreateCropped(&source, 0, rect, t.transform, &error);
        ASSERT_EQ(error, MK_IMAGE_OK) << t.name;
        EXPECT_EQ(s->width, t.w) << t.name;
        EXPECT_EQ(s->height, t.h) << t.name;
        EXPECT_EQ(s->alphaMode, 1u) << t.name;
        EXPECT_EQ(s->writable, 0u) << t.name;
        EXPECT_EQ(pixelsOf(s), t.want) << t.name << ": the transparent pixel comes out 0";
        MkImageDestroy(s);
    }
    struct Refused {
        const char* name;
        int32_t rect[4];
        int32_t transform;
    } refused[] = {
        {"width 0", {1, 1, 0, 2}, 0},        {"height -1", {1, 1, 3, -1}, 0}, {"one column beyond", {3, 1, 3, 2}, 0},
        {"one row beyond", {0, 3, 2, 2}, 0}, {"x -1", {-1, 0, 2, 2}, 0},      {"transform 8", {0, 0, 2, 2}, 8},
        {"transform -1", {0, 0, 2, 2}, -1},
    };
    for (const Refused& r : refused) {
        int32_t error = 99;
        EXPECT_EQ(MkImageCreateCropped(&source, 0, r.rect, r.transform, &error), MK_SURFACE_FAILED) << r.name;
        EXPECT_EQ(error, MK_IMAGE_NOT_SUPPORTED) << r.name;
    }
}

TEST_F(MkImageTest, ArgbRoundTrips) {
    // values off the 5-bit grid, alpha on both sides of 0x80
    std::vector<uint32_t> argb;
    for (uint32_t i = 0; i < 7 * 4; i++) argb.push_back(pngc::mix(i) & 0xFFFFFFFFu);
    int32_t error = 99;
    MkSurface* image = MkImageCreateFromARGB(argb.data(), 7, 4, 1, &error);
    ASSERT_EQ(error, MK_IMAGE_OK);
    EXPECT_EQ(image->alphaMode, 1u);
    EXPECT_EQ(image->writable, 0u);
    std::vector<uint32_t> back(28, 0xDEADBEEF);
    const int32_t all[4] = {0, 0, 7, 4};
    MkImageGetARGB(image, back.data(), 28, 7, all);
    for (size_t i = 0; i < argb.size(); i++) {
        uint32_t want = (argb[i] & 0x00F8F8F8u) | ((argb[i] >> 24) > 0x7F ? 0xFF000000u : 0);
        EXPECT_EQ(back[i], want) << "pixel " << i;
    }
    MkSurface* again = MkImageCreateFromARGB(back.data(), 7, 4, 1, &error);
    EXPECT_EQ(pixelsOf(again), pixelsOf(image)) << "read back and made again: the same pixels";

    struct Case {
        const char* name;
        int32_t rect[4];
        int32_t length, scan, offset;  // offset of argb into the buffer
        std::vector<int32_t> rows;     // image row written at buffer row r, -1 untouched
    } cases[] = {
        {"scan 7", {0, 0, 7, 4}, 28, 7, 0, {0, 1, 2, 3}},
        {"scan 9", {0, 0, 7, 4}, 36, 9, 0, {0, 1, 2, 3}},
        {"rows that fit in length", {0, 0, 7, 4}, 20, 7, 0, {0, 1, -1, -1}},
        {"region below the top", {0, 2, 7, 2}, 28, 7, 0, {2, 3, -1, -1}},
        {"scan -7: rows run backwards", {0, 0, 7, 4}, 28, -7, 21, {3, 2, 1, 0}},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> buffer(40, 0x12345678u);
        MkImageGetARGB(image, buffer.data() + c.offset, c.length, c.scan, c.rect);
        int32_t step = c.scan < 0 ? -c.scan : c.scan;
        for (size_t r = 0; r < c.rows.size(); r++) {
            for (int x = 0; x < 7; x++) {
                uint32_t got = buffer[r * step + x];
                uint32_t want = c.rows[r] < 0 ? 0x12345678u : back[c.rows[r] * 7 + x];
                EXPECT_EQ(got, want) << c.name << " row " << r << " x " << x;
            }
        }
    }
    MkImageDestroy(again);
    MkImageDestroy(image);
}

TEST_F(MkImageTest, OffScreenReadBackIsOpaqueOnlyWhereWritten) {
    MkSurface* off = MkOffScreenCreate(4, 4);
    gfx2d_fillRect(off, nullptr, 0x001F, 0, 0, 4, 4);  // blue, bit 5 clear
    std::vector<uint32_t> buffer(24, 0x11u);
    const int32_t rect[4] = {1, 1, 2, 3};
    MkOffScreenGetARGB(off, buffer.data() + 16, 18, -8, rect);  // rows at 16, 8, 0
    for (int i = 0; i < 24; i++) {
        bool written = i % 8 < 2;
        EXPECT_EQ(buffer[i], written ? 0xFF0000F8u : 0x11u) << "word " << i;
    }
    MkImageDestroy(off);
}

TEST_F(MkImageTest, Drawing) {
    // image: 2 x 2 of p q / r s, drawn into a 4 x 4 off-screen
    const uint16_t p = 0x0821, q = 0x1000, r = 0x1863, s = 0x20A4;  // q transparent
    LowVector<uint16_t> pixels = {p, q, r, s};
    MkSurface image = {pixels.data(), 2, 2, 1, 0};
    const uint16_t W = 0xFFFF;
    struct Case {
        const char* name;
        int32_t x, y, transform;
        std::vector<uint16_t> want;
    } cases[] = {
        {"at 1, 1", 1, 1, 0, {W, W, W, W, W, p, W, W, W, r, s, W, W, W, W, W}},
        {"rot90 at 0, 0", 0, 0, 5, {r, p, W, W, s, W, W, W, W, W, W, W, W, W, W, W}},
        {"mirror at 2, 2", 2, 2, 2, {W, W, W, W, W, W, W, W, W, W, W, p, W, W, s, r}},
        {"at -1, 3: cut", -1, 3, 0, {W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W}},
    };
    for (const Case& c : cases) {
        MkSurface* off = MkOffScreenCreate(4, 4);
        EXPECT_EQ(mk_drawImage(off, nullptr, &image, c.x, c.y, c.transform), 0) << c.name;
        EXPECT_EQ(pixelsOf(off), c.want) << c.name;
        MkImageDestroy(off);
    }
    // onto itself rotated: every pixel read from the picture as it was
    MkSurface* off = MkOffScreenCreate(3, 3);
    for (int i = 0; i < 9; i++) off->pixels[i] = (uint16_t)(0x0020 | i);
    EXPECT_EQ(mk_drawOffScreen(off, nullptr, off, 0, 0, 5), 0);
    const uint16_t rotated[9] = {6, 3, 0, 7, 4, 1, 8, 5, 2};
    for (int i = 0; i < 9; i++) EXPECT_EQ(off->pixels[i], 0x0020 | rotated[i]) << "pixel " << i;
    // ARGB rows, upwards with a negative scan length
    const uint32_t rows[6] = {0xFF000000u, 0xFFFFFFFFu, 0xFF0000FFu, 0x00FFFFFFu, 0x80000000u, 0xFFFF0000u};
    EXPECT_EQ(mk_drawArgbRows(off, nullptr, rows + 3, 6, -3, 0, 0, 1), 0);
    // row 0 from rows[3..5], row 1 from rows[0..2]; alpha 0 leaves the pixel
    EXPECT_EQ(off->pixels[0], 0x0020 | rotated[0]);
    EXPECT_EQ(off->pixels[1], 0x0021) << "black at alpha 0x80 over blue 3: (24 x 127) / 256 = 11, blue 1";
    EXPECT_EQ(off->pixels[2], 0xF820);
    EXPECT_EQ(off->pixels[3], 0x0020);
    EXPECT_EQ(off->pixels[4], 0xFFFF);
    EXPECT_EQ(off->pixels[5], 0x003F);
    MkImageDestroy(off);
}

TEST_F(MkImageTest, ContextDrawingKeepsToTheClip) {
    MkSurface* off = MkOffScreenCreate(4, 4);
    MkGraphicsContext* ctx = MkGraphicsCreateContext(off);
    const int32_t clip[4] = {1, 1, 2, 2};
    MkGraphicsSetClip(ctx, clip);
    LowVector<uint16_t> black(16, 0x0020);
    MkSurface image = {black.data(), 4, 4, 0, 0};
    const uint32_t red[16] = {0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u,
                              0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u,
                              0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u};
    struct Case {
        const char* name;
        int32_t (*draw)(MkGraphicsContext*, const MkSurface*, const uint32_t*);
        uint16_t inside;
    } cases[] = {
        {"image",
         [](MkGraphicsContext* c, const MkSurface* i, const uint32_t*) { return MkGraphicsDrawImage(c, i, 0, 0, 3); },
         0x0020},
        {"off-screen onto itself",
         [](MkGraphicsContext* c, const MkSurface*, const uint32_t*) {
             return MkVideoDrawOffScreen(c, c->surface, 1, 0, 0);
         },
         0xFFFF},
        {"ARGB rows",
         [](MkGraphicsContext* c, const MkSurface*, const uint32_t* a) {
             return MkVideoDrawRegionARGBImage(c, a, 16, 4, 0, 0, 0);
         },
         0xF820},
    };
    for (const Case& c : cases) {
        gfx2d_fillRect(off, nullptr, 0xFFFF, 0, 0, 4, 4);
        EXPECT_EQ(c.draw(ctx, &image, red), 0) << c.name;
        for (int i = 0; i < 16; i++) {
            bool inside = i / 4 >= 1 && i / 4 <= 2 && i % 4 >= 1 && i % 4 <= 2;
            EXPECT_EQ(off->pixels[i], inside ? c.inside : 0xFFFF) << c.name << " pixel " << i;
        }
    }
    MkGraphicsDestroyContext(ctx);
    MkImageDestroy(off);
}

MkSurface screen = {nullptr, 176, 208, 0, 1};
void videoProperty(MkVideoProperty* out) { *out = {&screen, 1, 32768, 2, 1, 1, 1, 1, 2}; }

TEST_F(MkImageTest, ScreenSizeAndVideoProperty) {
    MkHostHooks hooks = *mk_getHostHooks();
    hooks.screenGetVideoProperty = videoProperty;
    mk_setHostHooks(&hooks);
    MkVideoProperty got = {};
    MkVideoGetProperty(&got);
    EXPECT_EQ(got.surface, &screen);
    EXPECT_EQ(got.colorCount, 32768);
    EXPECT_EQ(got.softkeyCount, 2);
    screen.width = 240;  // the host changed the screen: the next query sees it
    EXPECT_EQ(MkGraphicsGetWidth(&screen), 240);
    EXPECT_EQ(MkGraphicsGetHeight(&screen), 208);
    MkSurface other = {nullptr, 7, 9, 0, 1};
    EXPECT_EQ(MkGraphicsGetWidth(&other), 7);
    EXPECT_EQ(MkImageGetHeight(&other), 9);
    EXPECT_EQ(MkImageGetWidth(MK_SURFACE_FAILED), 0);
}

}  // namespace
