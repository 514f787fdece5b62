// Host image decoding: JPEG, GIF and BMP files written at test time come out as the
// pixels stb_image gives (and, for the lossless formats, as the pixels written), with
// the alpha flag; the display read lays them over white; bad data gives no image.
#include "host/common/hostimage.h"

#include <gtest/gtest.h>
#include <stb_image.h>
#include <string.h>

#include <string>
#include <vector>

#include "host/common/image_files.h"

namespace {

uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    return x;
}

// RGBA test picture: smooth enough for JPEG, with every fifth pixel half transparent
// when alpha is wanted.
std::vector<uint8_t> picture(int w, int h, bool alpha) {
    std::vector<uint8_t> p;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            p.push_back((uint8_t)(x * 255 / (w > 1 ? w - 1 : 1)));
            p.push_back((uint8_t)(y * 255 / (h > 1 ? h - 1 : 1)));
            p.push_back((uint8_t)(hash((uint32_t)(x + y * w)) & 0xF0));
            p.push_back(alpha && (x + y) % 5 == 0 ? 0x40 : 0xFF);
        }
    }
    return p;
}

std::vector<uint32_t> asArgb(const uint8_t* rgba, size_t count) {
    std::vector<uint32_t> out(count);
    for (size_t i = 0; i < count; i++, rgba += 4) {
        out[i] = (uint32_t)rgba[3] << 24 | (uint32_t)rgba[0] << 16 | (uint32_t)rgba[1] << 8 | rgba[2];
    }
    return out;
}

struct GifPicture {
    std::vector<uint8_t> file;
    std::vector<uint8_t> rgba;  // what it shows, transparent pixels all 0
};

GifPicture gifPicture(int w, int h, int transparent) {
    std::vector<uint8_t> palette, indexes;
    for (int i = 0; i < 256; i++) {
        palette.push_back((uint8_t)i);
        palette.push_back((uint8_t)(255 - i));
        palette.push_back((uint8_t)(i * 7));
    }
    GifPicture g;
    for (int i = 0; i < w * h; i++) {
        uint8_t index = (uint8_t)(hash((uint32_t)i) % 256);
        indexes.push_back(index);
        bool clear = index == transparent;
        for (int k = 0; k < 3; k++) g.rgba.push_back(clear ? 0 : palette[index * 3 + k]);
        g.rgba.push_back(clear ? 0 : 0xFF);
    }
    g.file = imgf::gif(indexes, palette, w, h, transparent);
    return g;
}

TEST(HostImageTest, FilesDecodeToStbPixelsWithTheAlphaFlag) {
    struct Case {
        std::string name;
        std::vector<uint8_t> file;
        int w, h;
        std::vector<uint8_t> written;  // lossless formats: the pixels put in, else empty
        int hasAlpha;
    };
    GifPicture opaqueGif = gifPicture(41, 29, -1);
    GifPicture clearGif = gifPicture(64, 64, 77);
    std::vector<uint8_t> bmpPixels = picture(33, 17, false);
    std::vector<uint8_t> alphaPixels = picture(21, 13, true);
    std::vector<Case> cases = {
        {"JPEG 3x2", imgf::jpeg(picture(3, 2, false), 3, 2, 90), 3, 2, {}, 0},
        {"JPEG 97x61", imgf::jpeg(picture(97, 61, false), 97, 61, 75), 97, 61, {}, 0},
        {"BMP 24-bit 33x17", imgf::bmp(bmpPixels, 33, 17, 3), 33, 17, bmpPixels, 0},
        {"BMP 32-bit with alpha", imgf::bmp(alphaPixels, 21, 13, 4), 21, 13, alphaPixels, 1},
        {"GIF opaque", opaqueGif.file, 41, 29, opaqueGif.rgba, 0},
        {"GIF with a transparent index", clearGif.file, 64, 64, clearGif.rgba, 1},
    };
    for (const Case& c : cases) {
        void* image = nullptr;
        ASSERT_EQ(HostImageDecode(c.file.data(), (uint32_t)c.file.size(), &image), 0) << c.name;
        int32_t w = 0, h = 0;
        HostImageGetSize(image, &w, &h);
        EXPECT_EQ(w, c.w) << c.name;
        EXPECT_EQ(h, c.h) << c.name;
        int sw = 0, sh = 0, comp = 0;
        uint8_t* stb = stbi_load_from_memory(c.file.data(), (int)c.file.size(), &sw, &sh, &comp, 4);
        ASSERT_NE(stb, nullptr) << c.name;
        std::vector<uint32_t> want = asArgb(stb, (size_t)sw * sh);
        stbi_image_free(stb);
        std::vector<uint32_t> got(want.size(), 0xDEADBEEF);
        int32_t hasAlpha = -1;
        ASSERT_EQ(HostImageCopyPixels(image, got.data(), (uint32_t)got.size(), &hasAlpha), 0) << c.name;
        EXPECT_EQ(got, want) << c.name;
        EXPECT_EQ(hasAlpha, c.hasAlpha) << c.name;
        if (!c.written.empty()) {
            std::vector<uint32_t> written = asArgb(c.written.data(), c.written.size() / 4);
            for (size_t i = 0; i < got.size(); i++) {
                if (got[i] != written[i]) {
                    ADD_FAILURE() << c.name << ": pixel " << i << std::hex << " " << got[i] << " written "
                                  << written[i];
                    break;
                }
            }
        }
        // the display read: over white, 0x00RRGGBB
        std::vector<uint32_t> shown(want.size());
        ASSERT_EQ(static_cast<CVOImage*>(image)->GetPixelsArgb32(shown.data()), 1) << c.name;
        for (size_t i = 0; i < want.size(); i++) {
            uint32_t a = want[i] >> 24, expect = 0;
            for (int s = 0; s < 24; s += 8) {
                uint32_t v = want[i] >> s & 0xFF;
                expect |= ((v * a + 255 * (255 - a) + 127) / 255) << s;
            }
            if (shown[i] != expect) {
                ADD_FAILURE() << c.name << ": display pixel " << i << std::hex << " " << shown[i] << " want " << expect;
                break;
            }
        }
        HostImageRelease(image);
    }
}

TEST(HostImageTest, TransparentGifAreaShowsWhiteOnTheDisplay) {
    GifPicture g = gifPicture(16, 16, 251);  // pixel 1's index
    void* image = nullptr;
    ASSERT_EQ(HostImageDecode(g.file.data(), (uint32_t)g.file.size(), &image), 0);
    std::vector<uint32_t> shown(256);
    ASSERT_EQ(static_cast<CVOImage*>(image)->GetPixelsArgb32(shown.data()), 1);
    int clear = 0;
    for (int i = 0; i < 256; i++) {
        if (g.rgba[i * 4 + 3] == 0) {
            clear++;
            EXPECT_EQ(shown[i], 0x00FFFFFFu) << "pixel " << i;
        }
    }
    EXPECT_GT(clear, 0) << "the picture has transparent pixels";
    HostImageRelease(image);
}

TEST(HostImageTest, DisplayLayouts) {
    std::vector<uint8_t> pixels = {0xFF, 0x80, 0x08, 0xFF, 0x00, 0x00, 0x00, 0x00};  // orange, clear
    CVOImage image;
    HostBitmap* b = CVOImage::Decode(1, nullptr, nullptr, 0);
    EXPECT_EQ(b, nullptr);
    std::vector<uint8_t> file = imgf::bmp(pixels, 2, 1, 4);
    ASSERT_EQ(image.DecodeFromBuffer(file.data(), (uint32_t)file.size()), 1);
    struct Case {
        const char* name;
        int bytes, bits;
        uint32_t r, g, b;
        uint32_t want0, want1;
        int result;
    } cases[] = {
        {"32-bit 0x00RRGGBB", 4, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF8008, 0xFFFFFF, 1},
        {"16-bit 5-6-5", 2, 16, 0xF800, 0x07E0, 0x1F, 0xFC01, 0xFFFF, 1},
        {"16-bit 5-5-5", 2, 16, 0x7C00, 0x03E0, 0x1F, 0x7E01, 0x7FFF, 1},
        {"32-bit blue first", 4, 32, 0xFF, 0xFF00, 0xFF0000, 0x0880FF, 0xFFFFFF, 1},
        {"3 bytes a pixel", 3, 24, 0xFF0000, 0xFF00, 0xFF, 0, 0, 0},
        {"bits and bytes disagree", 4, 16, 0xF800, 0x07E0, 0x1F, 0, 0, 0},
        {"mask beyond 16 bits", 2, 16, 0x1F0000, 0x07E0, 0x1F, 0, 0, 0},
        {"mask of 9 bits", 4, 32, 0x1FF0000, 0xFF00, 0xFF, 0, 0, 0},
        {"empty mask", 4, 32, 0, 0xFF00, 0xFF, 0, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t out[2] = {0xAAAAAAAA, 0xAAAAAAAA};
        ASSERT_EQ(image.GetPixels(c.bytes, c.bits, c.r, c.g, c.b, out), c.result) << c.name;
        if (c.result == 0) continue;
        uint32_t got0 = c.bytes == 2 ? reinterpret_cast<uint16_t*>(out)[0] : out[0];
        uint32_t got1 = c.bytes == 2 ? reinterpret_cast<uint16_t*>(out)[1] : out[1];
        EXPECT_EQ(got0, c.want0) << c.name << std::hex << " got " << got0;
        EXPECT_EQ(got1, c.want1) << c.name << std::hex << " got " << got1;
    }
    EXPECT_EQ(CVOImage().GetPixelsArgb32(nullptr), 0) << "no bitmap";
}

TEST(HostImageTest, BadDataGivesNoImage) {
    std::vector<uint8_t> bmp = imgf::bmp(picture(4, 4, false), 4, 4, 3);
    std::vector<uint8_t> huge = bmp;
    uint32_t side = 8192;  // 8192 x 8192: more pixels than an image may have
    memcpy(&huge[18], &side, 4);
    memcpy(&huge[22], &side, 4);
    std::vector<uint8_t> jpeg = imgf::jpeg(picture(8, 8, false), 8, 8, 80);
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
    } cases[] = {
        {"empty", {}},
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
        {"JPEG marker only", {0xFF, 0xD8, 0xFF}},
        {"JPEG cut in its header", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 30)},
        {"BMP of 8192x8192", huge},
        {"GIF without an image", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}},
    };
    for (const Case& c : cases) {
        void* image = reinterpret_cast<void*>(1);
        EXPECT_EQ(HostImageDecode(c.data.data(), (uint32_t)c.data.size(), &image), 1) << c.name;
        EXPECT_EQ(image, nullptr) << c.name;
    }
    void* image = nullptr;
    ASSERT_EQ(HostImageDecode(bmp.data(), (uint32_t)bmp.size(), &image), 0);
    uint32_t out[17];
    int32_t alpha = 5;
    EXPECT_EQ(HostImageCopyPixels(image, out, 17, &alpha), 2) << "more pixels than the picture has";
    EXPECT_EQ(HostImageCopyPixels(nullptr, out, 1, &alpha), 2) << "no image";
    EXPECT_EQ(HostImageCopyPixels(image, out, 16, &alpha), 0);
    HostImageRelease(image);
    HostImageRelease(nullptr);
}

}  // namespace
