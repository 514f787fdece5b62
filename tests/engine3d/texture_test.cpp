// Images, textures, the BMP loader and the 2D operations on the render target.
#include <gtest/gtest.h>

#include <random>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_color.h"
#include "engine3d/m3d_context.h"
#include "engine3d/m3d_texture.h"

namespace {

using e3t::Bmp;
using e3t::ByteStream;
using e3t::TestAllocator;

// A picture whose index at (x, y) is 1 + (x + 3y) % 7 over a seven-colour palette.
Bmp picture(int32_t width, int32_t height) {
    Bmp b;
    b.width = width;
    b.height = height;
    b.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080, 0x000000, 0x123456};
    int32_t rows = height < 0 ? -height : height;
    for (int32_t y = 0; y < rows; y++)
        for (int32_t x = 0; x < width; x++) b.pixels.push_back((uint8_t)(1 + (x + 3 * y) % 7));
    return b;
}

uint8_t expectedIndex(int32_t x, int32_t y) { return (uint8_t)(1 + (x + 3 * y) % 7); }

struct Loaded {
    TestAllocator allocator;
    m3d_Texture texture;
    int32_t result;
    Loaded(const Bmp& b, int32_t kind) {
        m3d_initTexture(&texture, allocator.get());
        ByteStream s(b.bytes());
        result = m3d_loadTexture(&texture, s.get(), kind);
    }
    ~Loaded() { m3d_releaseTexture(&texture); }
    uint8_t index(int32_t x, int32_t y) const { return ((const uint8_t*)texture.texels.pixels)[y * 256 + x]; }
    uint16_t color(int32_t x, int32_t y) const { return ((const uint16_t*)texture.texels.pixels)[y * 64 + x]; }
    uint16_t shade(int32_t level, int32_t i) const { return ((const uint16_t*)texture.shade.pixels)[level * 256 + i]; }
};

TEST(BmpTexture, ShadedBottomUpAndTopDown) {
    for (int32_t height : {50, -50}) {
        Loaded l(picture(100, height), 0);
        ASSERT_EQ(l.result, 1) << height;
        EXPECT_EQ(l.texture.renderFlags, 136);
        EXPECT_EQ(l.texture.texels.width, 256);
        EXPECT_EQ(l.texture.texels.format, M3D_FORMAT_INDEX8);
        for (int32_t y = 0; y < 256; y++)
            for (int32_t x = 0; x < 256; x++)
                ASSERT_EQ(l.index(x, y), x < 100 && y < 50 ? expectedIndex(x, y) : 0)
                    << "height " << height << " at " << x << "," << y;
        EXPECT_EQ(l.shade(31, 1), 0xF800);
        EXPECT_EQ(l.shade(31, 4), 0xFFDF);
        EXPECT_EQ(l.shade(31, 5), (128 * 31 / 255) << 11 | (128 * 31 / 255) << 6 | (128 * 31 / 255));
        EXPECT_EQ(l.shade(0, 4), 0) << "level 0 is black";
        EXPECT_EQ(l.shade(16, 1), (255 * 16 / 255) << 11);
        EXPECT_EQ(l.shade(31, 200), 0) << "entries beyond the palette are black";
        EXPECT_EQ(l.allocator.live, 1) << "one block";
        EXPECT_EQ(l.allocator.lastSize, 65536u + 16384u);
    }
}

TEST(BmpTexture, UnshadedColours) {
    Bmp b = picture(64, 64);
    b.palette[5] = 0x000000;  // a black entry past 0 becomes 1
    b.palette[0] = 0xFFFFFF;  // entry 0 is 0 whatever its colour
    b.pixels[0] = 0;
    Loaded l(b, 1);
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.texture.renderFlags, 6);
    EXPECT_TRUE(m3d_isEnvironmentTexture(&l.texture));
    EXPECT_EQ(l.texture.texels.format, M3D_FORMAT_COLOR16);
    EXPECT_EQ(l.color(0, 0), 0);
    for (int32_t y = 0; y < 64; y++)
        for (int32_t x = 0; x < 64; x++) {
            if (x == 0 && y == 0) continue;
            uint8_t i = expectedIndex(x, y);
            uint16_t expected = i == 5 || i == 6 ? 1 : m3d_colorFrom24(b.palette[i]);
            ASSERT_EQ(l.color(x, y), expected) << x << "," << y;
        }
    Loaded odd(picture(3, 2), 1);  // rows padded to four bytes
    ASSERT_EQ(odd.result, 1);
    EXPECT_EQ(odd.color(0, 0), 0xF800) << "index 1";
    EXPECT_EQ(odd.color(1, 1), 0x8410) << "index 5";
    EXPECT_EQ(odd.color(2, 1), 1) << "index 6, black";
    EXPECT_EQ(odd.color(3, 1), 0);
}

TEST(BmpTexture, RefusedFiles) {
    struct Case {
        const char* name;
        int32_t kind;
        void (*edit)(Bmp&);
    };
    const Case cases[] = {
        {"65 wide as kind 1", 1, [](Bmp& b) { b = picture(65, 4); }},
        {"257 high as kind 0", 0, [](Bmp& b) { b = picture(4, 257); }},
        {"-257 high as kind 0", 0, [](Bmp& b) { b = picture(4, -257); }},
        {"height -2^31", 0, [](Bmp& b) { b.height = INT32_MIN; }},
        {"negative width", 0, [](Bmp& b) { b.width = -4; }},
        {"24 bits per pixel", 0, [](Bmp& b) { b.bitCount = 24; }},
        {"run-length compressed", 0, [](Bmp& b) { b.compression = 1; }},
        {"12-byte info header", 0, [](Bmp& b) { b.infoSize = 12; }},
        {"not BM", 0, [](Bmp& b) { b.signature = 0x4142; }},
        {"257 colours", 0, [](Bmp& b) { b.colorsUsed = 257; }},
        {"offset past the end", 0, [](Bmp& b) { b.dataOffset = 0x7FFFFFFF; }},
        {"kind 2", 2, [](Bmp&) {}},
    };
    for (const Case& c : cases) {
        Bmp b = picture(8, 8);
        c.edit(b);
        Loaded l(b, c.kind);
        EXPECT_EQ(l.result, 0) << c.name;
        EXPECT_FALSE(m3d_isImageValid(&l.texture.texels)) << c.name;
        EXPECT_EQ(l.texture.renderFlags, 0) << c.name;
        EXPECT_EQ(l.texture.allocator, l.allocator.get()) << c.name << ": the allocator is kept";
        EXPECT_EQ(l.allocator.live, 0) << c.name;
    }
}

TEST(BmpTexture, PaletteSizesGapsAndFailures) {
    Bmp b = picture(8, 8);
    b.colorsUsed = 0;  // 256 entries follow
    b.palette.resize(256, 0x010101);
    Loaded all(b, 0);
    EXPECT_EQ(all.result, 1);
    Bmp gap = picture(8, 8);
    gap.gap = 10;  // pixel data starts past the palette
    Loaded skipped(gap, 0);
    ASSERT_EQ(skipped.result, 1);
    EXPECT_EQ(skipped.index(7, 7), expectedIndex(7, 7));

    TestAllocator allocator;
    m3d_Texture texture;
    m3d_initTexture(&texture, allocator.get());
    allocator.failAt = 0;
    ByteStream s(picture(8, 8).bytes());
    EXPECT_EQ(m3d_loadTexture(&texture, s.get(), 0), 0) << "allocation fails";
    texture.refCount = 1;
    ByteStream again(picture(8, 8).bytes());
    EXPECT_EQ(m3d_loadTexture(&texture, again.get(), 0), 0) << "in use";
    EXPECT_EQ(again.at, 0u) << "not even read";
    EXPECT_EQ(m3d_loadTexture(&texture, nullptr, 0), 0);
}

// Truncated and corrupted files: every one loads or is refused, nothing is read or
// written outside the buffers (run under AddressSanitizer), and no block is left over.
TEST(BmpTexture, FuzzedFilesNeverCrash) {
    std::mt19937 rng(12101);
    const Bmp seeds[] = {picture(100, 50), picture(64, -64), picture(3, 5), picture(256, 1)};
    int32_t loaded = 0, refused = 0;
    for (int round = 0; round < 3000; round++) {
        const Bmp& seed = seeds[round % 4];
        std::vector<uint8_t> bytes = seed.bytes();
        switch (rng() % 4) {
            case 0:
                bytes.resize(rng() % bytes.size());
                break;
            case 1:
                for (int k = 0; k < 4; k++) bytes[rng() % bytes.size()] ^= (uint8_t)(1 + rng() % 255);
                break;
            case 2: {  // a header field replaced by an extreme value
                static const uint32_t extremes[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 257, 65, 40};
                size_t field = 2 + 4 * (rng() % 12);
                uint32_t v = extremes[rng() % 8];
                for (int k = 0; k < 4 && field + k < bytes.size(); k++) bytes[field + k] = (uint8_t)(v >> (8 * k));
                break;
            }
            default:
                bytes.resize(54 + rng() % 64);
                break;
        }
        TestAllocator allocator;
        m3d_Texture texture;
        m3d_initTexture(&texture, allocator.get());
        ByteStream s(bytes);
        int32_t r = m3d_loadTexture(&texture, s.get(), (int32_t)(rng() % 2));
        if (r == 1) {
            loaded++;
            EXPECT_TRUE(m3d_isImageValid(&texture.texels));
        } else {
            refused++;
            EXPECT_FALSE(m3d_isImageValid(&texture.texels));
        }
        m3d_releaseTexture(&texture);
        ASSERT_EQ(allocator.live, 0) << "round " << round;
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

TEST(Image, CreateWrapInfo) {
    TestAllocator a;
    m3d_Image image;
    m3d_initImage(&image);
    int32_t info[4];
    EXPECT_EQ(m3d_imageInfo(&image, info), 0);
    EXPECT_EQ(m3d_createImage(&image, a.get(), 5, 3, 4), 1);
    EXPECT_EQ(m3d_imageInfo(&image, info), 8);
    EXPECT_EQ(info[0], 5);
    EXPECT_EQ(info[1], 3);
    EXPECT_EQ(info[3], M3D_FORMAT_COLOR16) << "a requested 4 is stored as 2";
    EXPECT_EQ(a.lastSize, 2u * 8 * 3);
    EXPECT_EQ(m3d_createImage(&image, a.get(), 5, 3, 5), 0);
    EXPECT_EQ(image.format, 0);
    EXPECT_EQ(a.live, 0) << "the old texels were released first";
    EXPECT_EQ(m3d_createImage(&image, nullptr, 5, 3, 1), 0);
    uint8_t texels[16];
    m3d_wrapImage(&image, texels, 4, 4, 4, 1);
    EXPECT_TRUE(m3d_isImageValid(&image));
    EXPECT_EQ(image.ownsPixels, 0);
    m3d_releaseImage(&image);
    EXPECT_FALSE(m3d_isImageValid(&image));

    m3d_Texture t;
    m3d_initTexture(&t, nullptr);
    struct Case {
        int32_t w, h;
        uint8_t flags;
    };
    const Case cases[] = {{256, 256, 8}, {128, 128, 7}, {64, 64, 6}, {32, 32, 5}, {16, 16, 0}, {64, 32, 127}};
    std::vector<uint16_t> pixels(256 * 256);
    for (const Case& c : cases) {
        EXPECT_EQ(m3d_wrapTexture(&t, pixels.data(), c.w, c.w, c.h, 2), 1);
        EXPECT_EQ(t.renderFlags, c.flags) << c.w << "x" << c.h;
    }
    m3d_setToonSetting(&t, 1, 2, 3);
    EXPECT_EQ(t.toonEnabled, 1);
    EXPECT_EQ(t.toonLow, 3);
    m3d_clearToonSetting(&t);
    EXPECT_EQ(t.toonEnabled, 0);
    t.refCount = 1;
    EXPECT_EQ(m3d_wrapTexture(&t, pixels.data(), 4, 4, 4, 2), 0) << "in use";
}

struct Image16 {
    std::vector<uint16_t> texels;
    m3d_Image image;
    Image16(int32_t w, int32_t h, uint16_t fill) : texels((size_t)w * h, fill) {
        m3d_initImage(&image);
        m3d_wrapImage(&image, texels.data(), w, w, h, 2);
    }
    uint16_t at(int32_t x, int32_t y) const { return texels[(size_t)y * image.pitch + x]; }
};

TEST(Image, RegionCopies) {
    Image16 four(2, 2, 0);
    four.texels = {0xF800, 0xF800, 0x0000, 0x0000};
    Image16 one(1, 1, 0x1234);
    m3d_halveImage(&one.image, 0, 0, 1, 1, &four.image, 0, 0);
    EXPECT_EQ(one.at(0, 0), 0x7800);
    m3d_decimateImage(&one.image, 0, 0, 1, 1, &four.image, 0, 0);
    EXPECT_EQ(one.at(0, 0), 0xF800);

    // a 2 x 1 region scaled: only the first column expands, columns 2-3 stay
    Image16 src(2, 1, 0);
    src.texels = {0xFFFF, 0x0000};
    Image16 dst(4, 2, 0xAAAA);
    m3d_scaleImage2x(&dst.image, 0, 0, &src.image, 0, 0, 2, 1);
    EXPECT_EQ(dst.at(0, 0), 0xFFDF) << "bit 5 cleared";
    EXPECT_EQ(dst.at(1, 0), 0x7BCF);
    EXPECT_EQ(dst.at(0, 1), 0xFFDF) << "the last row averages with itself";
    EXPECT_EQ(dst.at(1, 1), 0x7BCF);
    for (int y = 0; y < 2; y++) {
        EXPECT_EQ(dst.at(2, y), 0xAAAA);
        EXPECT_EQ(dst.at(3, y), 0xAAAA);
    }
    m3d_duplicateImage2x(&dst.image, 0, 0, &src.image, 0, 0, 2, 1);
    EXPECT_EQ(dst.at(1, 1), 0xFFFF);
    EXPECT_EQ(dst.at(3, 1), 0x0000);

    // regions outside either image, or negative, do nothing
    Image16 untouched(4, 2, 0x5555);
    m3d_duplicateImage2x(&untouched.image, 1, 0, &src.image, 0, 0, 2, 1);
    m3d_duplicateImage2x(&untouched.image, 0, 0, &src.image, -1, 0, 1, 1);
    m3d_halveImage(&untouched.image, 0, 0, 0x40000000, 1, &src.image, 0, 0);
    m3d_scaleImage2x(&untouched.image, 0, 0, &src.image, 0, 0, 2, -1);
    for (uint16_t t : untouched.texels) EXPECT_EQ(t, 0x5555);
}

struct TwoD {
    TestAllocator allocator;
    m3d_Context context;
    std::vector<uint16_t> pixels;
    std::vector<uint16_t> texels;
    m3d_Texture texture;
    TwoD() : pixels(16 * 12, 0x0001), texels(256 * 256) {
        m3d_initContext(&context, allocator.get());
        m3d_setTargetSurface(&context, 16, 12, 16, pixels.data());
        for (int32_t y = 0; y < 256; y++)
            for (int32_t x = 0; x < 256; x++) texels[(size_t)y * 256 + x] = (uint16_t)(x << 11 | y);
        m3d_initTexture(&texture, nullptr);
        m3d_wrapTexture(&texture, texels.data(), 256, 256, 256, 2);
        m3d_setTexture(&context, &texture);
    }
    ~TwoD() { m3d_releaseContext(&context); }
    uint16_t at(int x, int y) const { return pixels[(size_t)y * 16 + x]; }
};

// The region is cut at the clip: the pixel at the clip edge shows the texel that lies
// under it, not the region's first texel.
TEST(TwoD, DrawTextureRegionCutsAtTheClip) {
    struct Case {
        const char* name;
        int32_t x, y, tx, ty, w, h;
    };
    const Case cases[] = {
        {"inside", 2, 3, 10, 20, 5, 4},
        {"left of the clip", 1, 3, 10, 20, 8, 2},
        {"above the clip", 5, 0, 10, 20, 3, 6},
        {"over the right and bottom", 13, 9, 10, 20, 9, 9},
        {"over every edge", -5, -7, 10, 20, 40, 40},
    };
    for (const Case& c : cases) {
        TwoD d;
        m3d_setClipRect(&d.context, 4, 2, 15, 11);
        ASSERT_EQ(m3d_drawTextureRegion(&d.context, c.x, c.y, c.tx, c.ty, c.w, c.h), 1) << c.name;
        for (int y = 0; y < 12; y++)
            for (int x = 0; x < 16; x++) {
                bool inside =
                    x >= 4 && x < 15 && y >= 2 && y < 11 && x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
                uint16_t expected = inside ? (uint16_t)((c.tx + x - c.x) << 11 | (c.ty + y - c.y)) : 0x0001;
                ASSERT_EQ(d.at(x, y), expected) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(TwoD, BadRegionsDrawNothing) {
    struct Case {
        const char* name;
        int32_t x, y, tx, ty, w, h;
    };
    const Case cases[] = {
        {"width -2^31", 0, 0, 0, 0, INT32_MIN, 4},      {"height -2^31", 0, 0, 0, 0, 4, INT32_MIN},
        {"negative width", 0, 0, 0, 0, -3, 4},          {"zero height", 0, 0, 0, 0, 4, 0},
        {"far left", INT32_MIN, 0, 0, 0, INT32_MAX, 4}, {"far right", INT32_MAX, 0, 0, 0, INT32_MAX, 4},
        {"negative texture x", 0, 0, -1, 0, 4, 4},      {"texture past 256", 0, 0, 256, 0, 4, 4},
    };
    for (const Case& c : cases) {
        TwoD d;
        m3d_drawTextureRegion(&d.context, c.x, c.y, c.tx, c.ty, c.w, c.h);
        if (c.tx == 0) m3d_fillRect(&d.context, 0xFFFF, c.x, c.y, c.w, c.h);
        for (uint16_t p : d.pixels) ASSERT_EQ(p, 0x0001) << c.name;
    }
    TwoD d;
    m3d_setTexture(&d.context, nullptr);
    EXPECT_EQ(m3d_drawTextureRegion(&d.context, 0, 0, 0, 0, 4, 4), 0) << "no texture in slot 0";
    EXPECT_EQ(d.context.target.texture0, nullptr);
}

TEST(TwoD, ShadedTextureDrawsAtFullLightAndFillClips) {
    TwoD d;
    Loaded l(picture(20, 20), 0);
    ASSERT_EQ(l.result, 1);
    m3d_setTexture(&d.context, &l.texture);
    ASSERT_EQ(m3d_drawTextureRegion(&d.context, 0, 0, 0, 0, 16, 12), 1);
    EXPECT_EQ(d.at(0, 0), l.shade(31, expectedIndex(0, 0)));
    EXPECT_EQ(d.at(15, 11), l.shade(31, expectedIndex(15, 11)));
    m3d_setTexture(&d.context, nullptr);
    std::fill(d.pixels.begin(), d.pixels.end(), 0);

    m3d_setClipRect(&d.context, 4, 4, 8, 8);
    m3d_fillRect24(&d.context, 0xFFFFFF, 0, 0, 6, 100);
    m3d_fillRect(&d.context, 0x1234, -10, 0, 5, 20);  // entirely left of the clip
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 16; x++) {
            if (x >= 4 && x < 6 && y >= 4 && y < 8)
                ASSERT_EQ(d.at(x, y), 0xFFDF) << x << "," << y;
            else
                ASSERT_NE(d.at(x, y), 0xFFDF) << x << "," << y;
        }
}

}  // namespace
