// Line layout over the bitmap test face (advances a 4, b 5, c 3, d 4, LF 0).
#include "toolkit/guitk_layout.h"

#include <algorithm>

#include "toolkit/guitk_handle.h"
#include "toolkit/guitk_screen.h"
#include "toolkit_host.h"

namespace {

class LayoutTest : public ToolkitTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ToolkitTest::SetUp());
        layout = LineLayoutCreate();
        ASSERT_NE(-1, layout);
    }
    void TearDown() override {
        if (layout != -1) LineLayoutDestroy(layout);
        if (string != -1) StrDestroy(string);
        ToolkitTest::TearDown();
    }
    void setText(const std::u16string& s) {
        if (string != -1) StrDestroy(string);
        string = text(s);
        LineLayoutSetText(layout, string);
    }
    void setWidths(std::vector<int32_t> widths) {
        ASSERT_EQ(0, LineLayoutSetWidths(layout, widths.data(), (int32_t)widths.size()));
    }
    // Every line as "start+count", computing them all.
    std::string lines() {
        std::string out;
        for (int32_t i = 0;; i++) {
            GuiTkLine line;
            if (LineLayoutGetLine(layout, i, &line) != 0) return out + "failed";
            if (line.text == -1) return out;
            EXPECT_EQ(string, line.text);
            out += (out.empty() ? "" : " ") + std::to_string(line.start) + "+" + std::to_string(line.count);
        }
    }
    int32_t computedLines() const {
        const GuiTkLineLayout* l = (const GuiTkLineLayout*)host.peek(layout);
        return HandleArrayCount(l->lines);
    }
    int32_t layout = -1;
    int32_t string = -1;
};

TEST_F(LayoutTest, LinesForWidthLists) {
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<int32_t> widths;
        const char* lines;
    } cases[] = {
        {"unlimited: by line feeds", u"a\nb\n", {-1}, "0+2 2+2"},
        {"unlimited, no line feed", u"abcd", {-1}, "0+4"},
        {"one width for all lines", u"abcd", {9}, "0+2 2+2"},
        {"a line left empty for a wider one", u"bcd", {4, 9}, "0+0 0+2 2+1"},
        {"the last width holds on", u"abcdabcd", {4, 9, 12}, "0+1 1+2 3+2 5+3"},
        {"line feed right after what fits", u"ab\ncd", {9}, "0+3 3+2"},
        {"empty text", u"", {-1}, ""},
    };
    for (const Case& c : cases) {
        setText(c.text);
        setWidths(c.widths);
        EXPECT_EQ(c.lines, lines()) << c.name;
        int32_t count = c.lines[0] == 0 ? 0 : (int32_t)std::count(c.lines, c.lines + strlen(c.lines), ' ') + 1;
        EXPECT_EQ(count, LineLayoutCountLines(layout, 100)) << c.name;
        EXPECT_EQ(count < 1 ? count : 1, LineLayoutCountLines(layout, 1)) << c.name;
    }
    EXPECT_EQ(0, host.lockedHandles());
}

TEST_F(LayoutTest, LinesAreComputedOnlyAsFarAsAsked) {
    setText(u"abcdabcdabcd");
    setWidths({9});
    EXPECT_EQ(0, computedLines());
    EXPECT_EQ(2, LineLayoutGetLineLength(layout, 1));
    EXPECT_EQ(2, computedLines());
    EXPECT_EQ(3, LineLayoutCountLines(layout, 3));
    EXPECT_EQ(3, computedLines());
    EXPECT_EQ(0, LineLayoutGetLineLength(layout, 50)) << "past the end";
    EXPECT_EQ(6, computedLines());
}

TEST_F(LayoutTest, ChangesDropTheComputedLinesOnlyWhenSomethingChanged) {
    setText(u"abcdabcd");
    setWidths({9});
    EXPECT_EQ(4, LineLayoutCountLines(layout, 10));
    int handles = host.liveHandles();

    setWidths({9});
    EXPECT_EQ(4, computedLines()) << "the same widths keep the lines";
    LineLayoutSetFont(layout, GuiTkGetDefaultFont());
    EXPECT_EQ(4, computedLines()) << "the same font keeps the lines";

    setWidths({16});
    EXPECT_EQ(handles - 4, host.liveHandles()) << "other widths free the line records";
    EXPECT_EQ("0+4 4+4", lines());

    LineLayoutSetText(layout, string);
    EXPECT_EQ(0, computedLines()) << "a new text drops them even when it is the same handle";
    EXPECT_EQ("0+4 4+4", lines());

    LineLayoutSetText(layout, -1);
    EXPECT_EQ("", lines()) << "no text, no lines";
    EXPECT_EQ(0, LineLayoutCountLines(layout, 5));
}

// A unit that fits no width still takes a line of its own: lines of no units only wait
// for a wider width further down the list, so asking for all lines always ends.
TEST_F(LayoutTest, WhenNoWidthFitsEachUnitTakesALine) {
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<int32_t> widths;
        const char* lines;
    } cases[] = {
        {"narrower than any unit", u"bb", {2}, "0+1 1+1"},
        {"no width at all", u"ab\nc", {0}, "0+1 1+2 3+1"},
        {"a wider line later takes the unit", u"bb", {0, 0, 10}, "0+0 0+0 0+2"},
        {"the last width is too narrow as well", u"bcd", {9, 2}, "0+2 2+1"},
    };
    for (const Case& c : cases) {
        setText(c.text);
        setWidths(c.widths);
        EXPECT_EQ(c.lines, lines()) << c.name;
        int32_t count = (int32_t)std::count(c.lines, c.lines + strlen(c.lines), ' ') + 1;
        EXPECT_EQ(count, LineLayoutCountLines(layout, 0x7FFFFFFF)) << c.name << ": all lines";
        EXPECT_EQ(count, computedLines()) << c.name << ": one record per line, no more";
    }
}

TEST_F(LayoutTest, BadArgumentsAreFatalAndChangeNothing) {
    setText(u"abcd");
    setWidths({9});
    const int32_t good[2] = {9, 9};
    const int32_t minusTwo[1] = {-2};
    const int32_t negativeOfMany[2] = {5, -1};
    struct Case {
        const char* name;
        const int32_t* widths;
        int32_t count;
    } cases[] = {
        {"no widths", good, 0},
        {"null widths", nullptr, 1},
        {"one width below -1", minusTwo, 1},
        {"-1 among several", negativeOfMany, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(-1, LineLayoutSetWidths(layout, c.widths, c.count)) << c.name;
        EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << c.name;
        EXPECT_EQ("0+2 2+2", lines()) << c.name;
    }
    GuiTkLine line;
    EXPECT_EQ(-1, LineLayoutCountLines(layout, -1));
    EXPECT_EQ(-1, LineLayoutGetLine(layout, -1, &line));
    EXPECT_EQ(-1, LineLayoutGetLine(layout, 0, nullptr));
    EXPECT_EQ(-1, LineLayoutMaxWidth(layout, 2, 1));
    EXPECT_EQ(-1, LineLayoutMaxWidth(layout, 0, 32768));
    LineLayoutSetFont(layout, GUITK_NONE);
    EXPECT_EQ(std::vector<int32_t>(6, GUITK_ERROR_ARGUMENT), host.takeFatals());
    EXPECT_EQ("0+2 2+2", lines());
}

TEST_F(LayoutTest, MaxWidthOfALineRange) {
    setText(u"ab\ncd\nc");
    setWidths({-1});
    EXPECT_EQ(9, LineLayoutMaxWidth(layout, 0, 32767));
    EXPECT_EQ(7, LineLayoutMaxWidth(layout, 1, 1));
    EXPECT_EQ(3, LineLayoutMaxWidth(layout, 2, 9));
    EXPECT_EQ(0, LineLayoutMaxWidth(layout, 5, 9)) << "past the end";
}

class LayoutDrawTest : public LayoutTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(LayoutTest::SetUp());
        gfx = GuiTkGetScreenGraphics();
        GuiTkGfxSetColor(gfx, 0x000000);
        black = pixelOf(0x000000);
    }
    uint16_t pixelOf(uint32_t rgb) {
        MkGraphicsContext* scratch = MkGraphicsCreateContext(&host.screen.surface);
        uint16_t pixel = (uint16_t)MkGraphicsSetColor(scratch, rgb);
        MkGraphicsDestroyContext(scratch);
        return pixel;
    }
    // The leftmost and rightmost columns of a pixel value in a band of rows.
    std::pair<int, int> span(uint16_t pixel, int y0, int y1) {
        std::pair<int, int> out = {-1, -1};
        for (int y = y0; y < y1; y++)
            for (int x = 0; x < host.screen.surface.width; x++)
                if (host.screen.at(x, y) == pixel) {
                    if (out.first == -1 || x < out.first) out.first = x;
                    if (x > out.second) out.second = x;
                }
        return out;
    }
    GuiTkGraphics gfx = GUITK_NONE;
    uint16_t black = 0;
};

TEST_F(LayoutDrawTest, LinesAlignedBackedAndUnderlined) {
    // "ab\n" is 9 wide and marks its columns 0 and 5; "c" is 3 wide and marks 0 and 1.
    setText(u"ab\nc");
    setWidths({-1});
    const int32_t h = lineHeight();
    const GuiTkRect rect = {2, 1, 20, 40};
    EXPECT_EQ(0, LineLayoutDraw(layout, gfx, &rect, nullptr));
    EXPECT_EQ(std::make_pair(2, 7), span(black, 1, 1 + h)) << "left by default";
    EXPECT_EQ(std::make_pair(2, 3), span(black, 1 + h, 1 + 2 * h));

    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) host.screen.set(x, y, ToolkitHost::kPaper);
    const GuiTkLineStyle style = {1, 2, 3, 0xFF00FF00, 1, 0xFFFF0000};
    EXPECT_EQ(0, LineLayoutDraw(layout, gfx, &rect, &style));
    const uint16_t green = pixelOf(0x00FF00), red = pixelOf(0xFF0000);
    EXPECT_EQ(std::make_pair(13, 21), span(green, 1, 2)) << "first line's background, right-aligned";
    EXPECT_EQ(std::make_pair(19, 21), span(green, 1 + h + 3, 2 + h + 3)) << "second line one step lower";
    EXPECT_EQ(std::make_pair(13, 21), span(red, 1 + h + 1, 2 + h + 1)) << "underline below the first line";
    EXPECT_EQ(std::make_pair(13, 18), span(black, 1, 1 + h)) << "the text in the context's colour";
    EXPECT_EQ(0x000000u, GuiTkGfxGetColor(gfx) & 0xFFFFFF) << "the colour is restored";
}

TEST_F(LayoutDrawTest, OnlyTheVisibleLinesAreDrawn) {
    setText(u"a\nb\nc\n");
    setWidths({-1});
    const int32_t h = lineHeight();
    const GuiTkRect rect = {0, 0, 40, 3 * h};
    const GuiTkRect clip = {0, h, 64, h};
    GuiTkGfxSetClip(gfx, &clip);
    EXPECT_EQ(0, LineLayoutDraw(layout, gfx, &rect, nullptr));
    EXPECT_EQ(std::make_pair(-1, -1), span(black, 0, h));
    EXPECT_EQ(std::make_pair(0, 1), span(black, h, 2 * h)) << "b marks columns 0 and 1";

    const GuiTkRect below = {0, 2 * h + 1, 40, 3 * h};
    const GuiTkRect above = {0, 0, 64, 2 * h};
    GuiTkGfxSetClip(gfx, &above);
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) host.screen.set(x, y, ToolkitHost::kPaper);
    EXPECT_EQ(0, LineLayoutDraw(layout, gfx, &below, nullptr)) << "clip above the rect";
    EXPECT_TRUE(host.screen.marked(ToolkitHost::kPaper).empty());
    const GuiTkRect full = {0, 0, 64, 48};
    GuiTkGfxSetClip(gfx, &full);
}

TEST_F(LayoutDrawTest, DrawArgumentsAreChecked) {
    setText(u"abc");
    const GuiTkRect rect = {0, 0, 40, 40};
    const GuiTkLineStyle version2 = {2, -1, 0, 0, 0, 0};
    const GuiTkLineStyle alignment3 = {1, 3, 0, 0, 0, 0};
    struct Case {
        const char* name;
        GuiTkGraphics gfx;
        int32_t first, last;
        const GuiTkLineStyle* style;
    } cases[] = {
        {"no context", GUITK_NONE, 0, -1, nullptr},
        {"first after last", gfx, 3, 2, nullptr},
        {"first beyond the limit", gfx, 32768, -1, nullptr},
        {"last beyond the limit", gfx, 0, 32768, nullptr},
        {"style version", gfx, 0, -1, &version2},
        {"style alignment", gfx, 0, -1, &alignment3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(-1, LineLayoutDrawRange(layout, c.gfx, &rect, c.first, c.last, c.style)) << c.name;
        EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << c.name;
    }
    EXPECT_TRUE(host.screen.marked(ToolkitHost::kPaper).empty());
}

}  // namespace
