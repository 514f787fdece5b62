// Measuring, breaking and drawing toolkit strings in the bitmap test face, whose
// advances are a 4, b 5, c 3, d 4, x 3, "*" 3 and 0 for a LF (a control code).
#include "toolkit/guitk_text.h"

#include "toolkit/guitk_screen.h"
#include "toolkit_host.h"

namespace {

class TextTest : public ToolkitTest {
protected:
    // Each text once, destroyed at the end.
    int32_t str(const std::u16string& s) {
        if (s == u"<none>") return -1;
        int32_t h = text(s);
        made.push_back(h);
        return h;
    }
    void TearDown() override {
        for (int32_t h : made) StrDestroy(h);
        ToolkitTest::TearDown();
    }
    std::vector<int32_t> made;
};

TEST_F(TextTest, BreakLineByCharacterAndLineFeed) {
    struct Case {
        const char* name;
        std::u16string text;
        int32_t start, width, grow, allowEmpty, result;
    } cases[] = {
        {"what fits", u"abcd", 0, 9, 0, 0, 2},
        {"all of it", u"abcd", 0, 100, 0, 0, 4},
        {"from the middle", u"abcd", 1, 8, 0, 0, 2},
        {"first unit too wide, grown, not empty", u"abcd", 0, 3, 1, 0, 1},
        {"first unit too wide, grown, empty allowed", u"abcd", 0, 3, 1, 1, 0},
        {"first unit too wide, not grown", u"abcd", 0, 3, 0, 0, 0},
        {"at the end", u"abcd", 4, 10, 1, 0, -1},
        {"no string", u"<none>", 0, 10, 1, 0, -1},
        {"up to and with the LF", u"ab\ncd", 0, 100, 0, 0, 3},
        {"after the LF", u"ab\ncd", 3, 100, 0, 0, 2},
        {"narrower than the LF line", u"ab\ncd", 0, 4, 0, 0, 1},
        {"a line of only a LF", u"\n\nx", 1, 100, 0, 0, 1},
    };
    for (const Case& c : cases) {
        int32_t s = str(c.text);
        EXPECT_EQ(c.result, GuiTkBreakLine(font(), s, c.start, c.width, c.grow, c.allowEmpty)) << c.name;
    }
    int32_t s = str(u"abcd");
    for (int32_t start : {-1, 5}) {
        EXPECT_EQ(0, GuiTkBreakLine(font(), s, start, 10, 1, 0)) << "start " << start;
        EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << "start " << start;
    }
    EXPECT_EQ(1, GuiTkNextLine(font(), s, 1, 1)) << "the next line always advances";
    EXPECT_EQ(0, host.lockedHandles());
}

TEST_F(TextTest, FlexibleBreakLeavesALineEmptyForAWiderOne) {
    int32_t s = str(u"bx");
    EXPECT_EQ(0, GuiTkBreakLineFlexible(font(), s, 0, 4, 5)) << "b fits only the wider width";
    EXPECT_EQ(0, GuiTkBreakLineFlexible(font(), s, 0, 4, 4)) << "fits no width: still empty";
    EXPECT_EQ(1, GuiTkBreakLineFlexible(font(), s, 0, 7, 100));
    EXPECT_EQ(-1, GuiTkBreakLineFlexible(font(), s, 2, 7, 100));
}

TEST_F(TextTest, MeasuringLinesAndGrids) {
    const int32_t h = lineHeight();
    struct Case {
        const char* name;
        std::u16string text;
        int32_t width;
        int32_t textWidth, textLines;  // GuiTkMeasureText
        int32_t gridWidth, gridRows;   // GuiTkMeasureGrid
    } cases[] = {
        {"unlimited, two lines by their LF", u"ab\ncd", -1, 9, 2, 15, 1},
        {"cut by the width", u"abcd", 9, 9, 2, 9, 2},
        {"each line at least one unit, width capped", u"abcd", 2, 2, 4, 3, 4},
        {"grid rounds rows up", u"abcde", 7, 7, 4, 6, 3},
        {"empty string", u"", 10, 0, 1, 9, 1},
        {"no string", u"<none>", 10, 0, 1, 9, 1},
    };
    for (const Case& c : cases) {
        int32_t s = str(c.text);
        int32_t w = -1, hh = -1;
        GuiTkMeasureText(font(), s, c.width, &w, &hh);
        EXPECT_EQ(c.textWidth, w) << c.name;
        EXPECT_EQ(c.textLines * h, hh) << c.name;
        GuiTkMeasureGrid(font(), s, c.width, &w, &hh);
        EXPECT_EQ(c.gridWidth, w) << c.name << " (grid)";
        EXPECT_EQ(c.gridRows * h, hh) << c.name << " (grid)";
    }
    int32_t s = str(u"ab\ncd");
    int32_t w, hh;
    GuiTkMeasureFirstLine(font(), s, &w, &hh);
    EXPECT_EQ(9, w);
    EXPECT_EQ(h, hh);
    GuiTkMeasureString(font(), s, &w, &hh);
    EXPECT_EQ(16, w);
    EXPECT_EQ(h, hh);
    GuiTkMeasureFirstLine(font(), -1, &w, &hh);
    EXPECT_EQ(0, w);
    EXPECT_EQ(7, GuiTkSubstringWidth(font(), s, 3, 2));
    EXPECT_EQ(0, GuiTkSubstringWidth(font(), s, 3, 3));
    EXPECT_EQ(0, GuiTkSubstringWidth(font(), s, -1, 1));
    EXPECT_EQ((std::vector<int32_t>{GUITK_ERROR_ARGUMENT, GUITK_ERROR_ARGUMENT}), host.takeFatals());
    EXPECT_EQ(0, GuiTkStringWidth(font(), -1));
}

class TextDrawTest : public TextTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TextTest::SetUp());
        gfx = GuiTkGetScreenGraphics();
        GuiTkGfxSetColor(gfx, 0x000000);
    }
    // The leftmost and rightmost marked columns of a band of rows; {-1, -1} when blank.
    std::pair<int, int> span(int y0, int y1) {
        std::pair<int, int> out = {-1, -1};
        for (auto& p : host.screen.marked(ToolkitHost::kPaper))
            if (p.second >= y0 && p.second < y1) {
                if (out.first == -1 || p.first < out.first) out.first = p.first;
                if (p.first > out.second) out.second = p.first;
            }
        return out;
    }
    void clear() {
        for (int y = 0; y < host.screen.surface.height; y++)
            for (int x = 0; x < host.screen.surface.width; x++) host.screen.set(x, y, ToolkitHost::kPaper);
    }
    GuiTkGraphics gfx = GUITK_NONE;
};

TEST_F(TextDrawTest, AlignedTextPlacesEachLine) {
    // "ab\n" is 9 wide and marks its first column and column 5; "c" is 3 wide, 2 marked.
    int32_t s = str(u"ab\nc");
    const int32_t h = lineHeight();
    struct Case {
        const char* name;
        int32_t alignment, direction;
        bool wrapped;
        int first, second;
    } cases[] = {
        {"left", 1, 0, false, 2, 2},
        {"right", 2, 0, false, 13, 19},
        {"centred", 0, 0, false, 7, 10},
        {"any other value is left", 5, 0, false, 2, 2},
        {"wrapped, left-to-right", 0, 0, true, 2, 2},
        {"wrapped, right-to-left", 0, 1, true, 13, 19},
    };
    for (const Case& c : cases) {
        clear();
        CompSetLanguageDirection(c.direction);
        if (c.wrapped)
            GuiTkDrawWrappedText(gfx, s, 2, 1, 20);
        else
            GuiTkDrawAlignedText(gfx, s, 2, 1, 20, c.alignment);
        EXPECT_EQ(std::make_pair(c.first, c.first + 5), span(1, 1 + h)) << c.name;
        EXPECT_EQ(std::make_pair(c.second, c.second + 1), span(1 + h, 1 + 2 * h)) << c.name;
    }
    CompSetLanguageDirection(0);
    clear();
    GuiTkDrawAlignedText(gfx, s, 2, 1, 0, 1);
    GuiTkDrawAlignedText(gfx, -1, 2, 1, 20, 1);
    EXPECT_TRUE(host.screen.marked(ToolkitHost::kPaper).empty()) << "no width or no text draws nothing";
}

TEST_F(TextDrawTest, StringsAndSubstrings) {
    int32_t s = str(u"abc");
    GuiTkDrawString(gfx, s, 3, 2);
    EXPECT_EQ(std::make_pair(3, 13), span(0, 48)) << "a at 3, b at 7, c at 12 and 13";
    clear();
    GuiTkDrawSubstring(gfx, s, 1, 1, 3, 2);
    EXPECT_EQ(std::make_pair(3, 4), span(0, 48)) << "only b";
    clear();
    GuiTkDrawSubstring(gfx, s, 2, 2, 3, 2);
    GuiTkDrawString(gfx, -1, 3, 2);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals());
    EXPECT_TRUE(host.screen.marked(ToolkitHost::kPaper).empty());
}

}  // namespace
