#include "platform/font.h"
#include "platform/font_freetype.h"

#include "graphics/canvas.h"
#include "platform/bitmap_font.h"

#include <gtest/gtest.h>
#include <limits.h>

namespace {

class FontLayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, FontLayerStart(bitmap_font::renderer())); }
    void TearDown() override { FontLayerStop(); }
    static std::vector<uint16_t> text(const char* s) { return std::vector<uint16_t>(s, s + strlen(s)); }
};

TEST_F(FontLayerTest, SeventyTwoRecordsAndTheIndexRule) {
    struct Case {
        const char* name;
        int face, style, size;
        int index, height;
    } cases[] = {
        {"default", 0, 0, 0, 0, 14},
        {"size number 1 of the default face", 0, 0, 1, 0, 14},
        {"medium", 0, 0, 2, 1, 16},
        {"proportional bold large", 64, 1, 3, 53, 18},
        {"monospace italic underlined small", 32, 6, 1, 24 + 18, 14},
        {"unknown face", 96, 0, 2, 0, 14},
        {"unknown size", 0, 0, 4, 0, 14},
        {"unknown style", 0, 8, 2, 0, 14},
    };
    for (const auto& c : cases) {
        MkFont* f = FontLookup(c.face, c.style, c.size);
        ASSERT_NE(nullptr, f) << c.name;
        EXPECT_EQ(c.index, f->index) << c.name;
        EXPECT_EQ(c.height, f->height) << c.name;
        EXPECT_EQ(f->height, f->ascent + f->descent) << c.name;
    }
    MkFont* d = FontGetDefaultRecord(64, 7, 0x30, 0);
    EXPECT_EQ(FontLookup(0, 0, 0), d) << "one record whatever is asked";
    EXPECT_EQ(14, d->height);
}

TEST_F(FontLayerTest, WidthsAddUpAndALineFeedTakesNoRoom) {
    MkFont* f = FontGetDefaultRecord(0, 0, 0, 0);
    struct Case {
        const char* name;
        std::vector<uint16_t> chars;
        int width;
    } cases[] = {
        {"empty", {}, 0},
        {"A (65: 3 + 2)", {'A'}, 5},
        {"AB", {'A', 'B'}, 5 + 3},
        {"blank", {' '}, 2},
        {"line feed", {'\n'}, 0},
        {"A, line feed, B", {'A', '\n', 'B'}, 8},
        {"a wide character", {0x3042}, 12},
        {"mixed", {'a', 0x3042, 'z'}, (3 + 97 % 3) + 12 + (3 + 122 % 3)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.width, FontMeasureChars(f, c.chars.data(), (int32_t)c.chars.size())) << c.name;
}

TEST_F(FontLayerTest, FitCountsTheCharactersBeforeTheFirstThatOverflows) {
    MkFont* f = FontGetDefaultRecord(0, 0, 0, 0);
    std::vector<uint16_t> abc = text("ABC");  // 5, 3, 4
    struct Case {
        int width, fit;
    } cases[] = {{0, 0}, {4, 0}, {5, 1}, {7, 1}, {8, 2}, {11, 2}, {12, 3}, {INT_MAX, 3}, {-1, 0}};
    for (const auto& c : cases) EXPECT_EQ(c.fit, FontFitChars(f, abc.data(), 3, c.width)) << "width " << c.width;
}

TEST_F(FontLayerTest, AsciiComesFromTheCacheInTheDefaultFontWhateverFontIsAsked) {
    MkFont* plain = FontLookup(0, 0, 0);
    MkFont* underlined = FontLookup(0, 4, 3);
    uint16_t a = 'A', wide = 0x3042;
    Canvas viaDefault(20, 20), viaUnderlined(20, 20);
    FontDrawChars(&viaDefault.surface, nullptr, plain, &a, 1, 1, 1, 0xFFFF);
    FontDrawChars(&viaUnderlined.surface, nullptr, underlined, &a, 1, 1, 1, 0xFFFF);
    EXPECT_EQ(viaDefault.picture(), viaUnderlined.picture());
    EXPECT_EQ(5, FontMeasureChars(underlined, &a, 1)) << "the cached width";

    // 'A' = 0b1000001 at (1, 1): bit 0 along the glyph's row 1, the stem in rows 2..9
    Points a_pixels = {{1, 2}};
    for (int y = 3; y <= 10; y++) a_pixels.push_back({1, y});
    EXPECT_EQ(a_pixels, viaDefault.marked()) << viaDefault.picture();

    Canvas wideCanvas(24, 20);
    FontDrawChars(&wideCanvas.surface, nullptr, underlined, &wide, 1, 0, 0, 0xFFFF);
    for (int x = 0; x < 16; x++) EXPECT_NE(0, wideCanvas.at(x, 16)) << "underline of the 18-pixel font, column " << x;
    EXPECT_EQ(0, wideCanvas.at(16, 16));
}

TEST_F(FontLayerTest, ControlCodesInARunAreBlanks) {
    MkFont* f = FontGetDefaultRecord(0, 0, 0, 0);
    uint16_t run[] = {0x3042, '\n', 0x3042};
    uint16_t spaced[] = {0x3042, ' ', 0x3042};
    EXPECT_EQ(12 + 2 + 12, FontMeasureRun(f, run, 3));
    Canvas a(40, 16), b(40, 16);
    FontDrawRun(&a.surface, nullptr, f, run, 3, 0, 0, 0xFFFF);
    FontDrawRun(&b.surface, nullptr, f, spaced, 3, 0, 0, 0xFFFF);
    EXPECT_EQ(b.picture(), a.picture());
    // italic runs add the last character's overhang
    MkFont* italic = FontLookup(0, 2, 1);
    uint16_t odd = 'A', even = 'B';
    EXPECT_EQ(5 + 1, FontMeasureRun(italic, &odd, 1));
    EXPECT_EQ(3, FontMeasureRun(italic, &even, 1));
}

TEST_F(FontLayerTest, DrawingIsCutToTheSurfaceAndTheClip) {
    MkFont* f = FontGetDefaultRecord(0, 0, 0, 0);
    std::vector<uint16_t> s = {'H', 0x3042, 'i', 0x3044};
    Canvas whole(40, 20);
    FontDrawChars(&whole.surface, nullptr, f, s.data(), 4, 2, 3, 0xFFFF);
    MkClip clip = {4, 5, 10, 6};
    Canvas cut(40, 20);
    EXPECT_EQ(0, FontDrawChars(&cut.surface, &clip, f, s.data(), 4, 2, 3, 0xFFFF));
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 40; x++) {
            bool inside = x >= 4 && x < 14 && y >= 5 && y < 11;
            EXPECT_EQ(inside ? whole.at(x, y) : 0, cut.at(x, y)) << x << "," << y;
        }
    struct Case {
        const char* name;
        int x, y;
    } far[] = {{"far left", INT_MIN, 0}, {"far right", INT_MAX, 0}, {"far up", 0, INT_MIN},
               {"far down", 0, INT_MAX}, {"partly left", -7, 0},    {"partly right", 36, 10}};
    for (const auto& c : far) {
        Canvas canvas(40, 20);
        EXPECT_EQ(0, FontDrawChars(&canvas.surface, nullptr, f, s.data(), 4, c.x, c.y, 0xFFFF)) << c.name;
        EXPECT_TRUE(canvas.guardsIntact()) << c.name;
    }
    Canvas image(10, 10);
    image.surface.writable = 0;
    EXPECT_EQ(-1, FontDrawChars(&image.surface, nullptr, f, s.data(), 4, 0, 0, 0xFFFF));
    EXPECT_EQ(-1, FontDrawChars(nullptr, nullptr, f, s.data(), 4, 0, 0, 0xFFFF));
    EXPECT_TRUE(image.marked().empty());
}

// The bitmap face behind a counter of glyph requests, or one that cannot open a font.
int renderCalls;
const FontRenderer* countingRenderer() {
    static const FontRenderer r = {
        bitmap_font::open, bitmap_font::close,
        [](uint32_t f, uint16_t ch) {
            renderCalls++;
            return bitmap_font::advance(f, ch);
        },
        bitmap_font::rightBearing,
        [](uint32_t f, uint16_t ch, uint8_t* mask, int32_t stride, int32_t width, int32_t height, int32_t penX) {
            renderCalls++;
            bitmap_font::draw(f, ch, mask, stride, width, height, penX);
        }};
    return &r;
}

TEST(FontLayer, AsciiNeverReachesTheRendererAfterTheStart) {
    ASSERT_EQ(0, FontLayerStart(countingRenderer()));
    renderCalls = 0;
    MkFont* bold = FontLookup(0, 1, 3);
    const uint16_t ascii[] = {'H', 'e', 'l', 'l', 'o', '\n', '~'};
    Canvas canvas(60, 20);
    FontDrawChars(&canvas.surface, nullptr, bold, ascii, 7, 0, 0, 0xFFFF);
    FontMeasureChars(bold, ascii, 7);
    FontFitChars(bold, ascii, 7, 20);
    EXPECT_EQ(0, renderCalls);
    const uint16_t wide = 0x3042;
    FontDrawChars(&canvas.surface, nullptr, bold, &wide, 1, 30, 0, 0xFFFF);
    EXPECT_GT(renderCalls, 0);
    FontLayerStop();
}

TEST(FontLayer, CachedGlyphsDrawWhatTheRendererDraws) {
    // 'W' and 'w' are wider than a word of bits: the cache keeps them as pixels only
    static const FontRenderer wideW = {
        bitmap_font::open, bitmap_font::close,
        [](uint32_t f, uint16_t ch) { return ch == 'W' || ch == 'w' ? 40 : bitmap_font::advance(f, ch); },
        bitmap_font::rightBearing,
        [](uint32_t f, uint16_t ch, uint8_t* mask, int32_t stride, int32_t width, int32_t height, int32_t penX) {
            bitmap_font::draw(f, ch, mask, stride, width, height, penX);
            if (ch == 'W' || ch == 'w')
                for (int32_t x = penX; x < penX + 40 && x < width; x++) mask[5 * stride + x] = 1;
        }};
    ASSERT_EQ(0, FontLayerStart(&wideW));
    MkFont* f = FontGetDefaultRecord(0, 0, 0, 0);
    MkClip clip = {3, 4, 30, 8};
    for (uint16_t ch = 32; ch < 128; ch++)
        for (int x : {-2, 1, 2, 5, 31}) {
            Canvas cached(40, 20), rendered(40, 20);
            FontDrawChars(&cached.surface, &clip, f, &ch, 1, x, 1, 0xFFFF);
            FontDrawRun(&rendered.surface, &clip, f, &ch, 1, x, 1, 0xFFFF);
            ASSERT_EQ(rendered.picture(), cached.picture()) << "code " << ch << " at " << x;
        }
    FontLayerStop();
}

TEST(FontLayer, AStartWhoseFontsCannotOpenKeepsNothing) {
    static const FontRenderer refusing = {
        [](int32_t, int32_t style, int32_t, FontMetrics*) -> uint32_t { return style == 5 ? 0 : 1; },
        bitmap_font::close, bitmap_font::advance, bitmap_font::rightBearing, bitmap_font::draw};
    EXPECT_EQ(-1, FontLayerStart(&refusing));
    EXPECT_EQ(nullptr, FontGetDefaultRecord(0, 0, 0, 0));
    EXPECT_EQ(nullptr, FontLookup(0, 0, 0));
    const uint16_t a = 'A';
    Canvas canvas(10, 20);
    EXPECT_EQ(0, FontMeasureChars(nullptr, &a, 1));
    EXPECT_EQ(0, FontDrawChars(&canvas.surface, nullptr, nullptr, &a, 1, 0, 0, 0xFFFF));
    EXPECT_TRUE(canvas.marked().empty());
    EXPECT_EQ(-1, FontLayerStart(nullptr));
}

TEST(FontLayer, RealFacesLoadAndDraw) {
    const FontRenderer* r = FontFreeTypeRenderer();
    ASSERT_NE(nullptr, r) << "Liberation Sans must be installed (fonts-liberation)";
    ASSERT_EQ(0, FontLayerStart(r));
    for (int size = 1; size <= 3; size++)
        for (int face : {0, 64}) {
            MkFont* f = FontLookup(face, 0, size);
            EXPECT_EQ(12 + 2 * size, f->height) << face << "/" << size;
            EXPECT_EQ(f->height, f->ascent + f->descent) << face << "/" << size;
            EXPECT_GT(f->ascent, f->descent) << face << "/" << size;
        }
    MkFont* f = FontGetDefaultRecord(0, 0, 0, 0);
    const uint16_t hello[] = {'H', 'e', 'l', 'l', 'o'};
    int32_t width = FontMeasureChars(f, hello, 5);
    EXPECT_GT(width, 20);
    EXPECT_LT(width, 45);
    Canvas canvas(80, 30);
    ASSERT_EQ(0, FontDrawChars(&canvas.surface, nullptr, f, hello, 5, 3, 4, 0x1234));
    Points p = canvas.marked();
    EXPECT_GT(p.size(), 20u) << canvas.picture();
    for (auto& q : p) {
        EXPECT_EQ(0x1234, canvas.at(q.first, q.second)) << "one colour, no smoothing";
        EXPECT_TRUE(q.first >= 3 && q.first < 3 + width && q.second >= 4 && q.second < 4 + f->height)
            << "(" << q.first << "," << q.second << ")\n"
            << canvas.picture();
    }
    // Japanese from the fall-back face, bold and regular from their own files
    const uint16_t hiragana = 0x3042;
    EXPECT_GT(FontMeasureChars(f, &hiragana, 1), 8);
    Canvas jp(30, 30);
    FontDrawChars(&jp.surface, nullptr, f, &hiragana, 1, 0, 0, 0xFFFF);
    EXPECT_GT(jp.marked().size(), 15u) << jp.picture();
    const uint16_t w = 'W';
    EXPECT_GE(FontMeasureRun(FontLookup(0, 1, 3), &w, 1), FontMeasureRun(FontLookup(0, 0, 3), &w, 1));
    FontLayerStop();
    FontFreeTypeRelease();
}

}  // namespace
