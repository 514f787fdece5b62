// The screen module, rectangle arithmetic, placement, frames and icons.
#include "toolkit/guitk_screen.h"

#include "toolkit_host.h"

namespace {

std::string show(const GuiTkRect& r) {
    return "{" + std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
           std::to_string(r.height) + "}";
}

TEST(GuiTkRect, ContainsPointAndRectWithInclusiveEdges) {
    const GuiTkRect box = {0, 0, 10, 10};
    struct Case {
        int32_t x, y, inside;
    } points[] = {{0, 0, 1}, {10, 10, 1}, {5, 11, 0}, {11, 0, 0}, {-1, 5, 0}};
    for (const Case& c : points)
        EXPECT_EQ(c.inside, GuiTkRectContainsPoint(&box, c.x, c.y)) << "(" << c.x << "," << c.y << ")";
    const GuiTkRect invalid = {0, 0, -1, 10};
    EXPECT_EQ(0, GuiTkRectContainsPoint(&invalid, 0, 0));

    struct Inner {
        GuiTkRect inner;
        int32_t inside;
    } inners[] = {{{2, 2, 8, 8}, 1}, {{2, 2, 9, 8}, 0}, {{0, 0, 0, 0}, 1}, {{1, 1, -2, 2}, 0}, {{-1, 0, 2, 2}, 0}};
    for (const Inner& c : inners) EXPECT_EQ(c.inside, GuiTkRectContainsRect(&box, &c.inner)) << show(c.inner);
}

TEST(GuiTkRect, IntersectsTreatsAZeroSideAsALine) {
    struct Case {
        GuiTkRect a, b;
        int32_t meet;
    } cases[] = {
        {{5, 0, 0, 10}, {0, 0, 10, 10}, 1},
        {{5, 0, 0, 10}, {6, 0, 10, 10}, 0},
        {{0, 0, 10, 10}, {5, 5, 10, 10}, 1},
        {{0, 0, 10, 10}, {10, 0, 5, 5}, 0},
        {{0, 0, 10, 10}, {3, 3, -1, 2}, 0},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, 1},
        {{0x7FFFFFF0, 0, 0x100, 10}, {0x7FFFFFF8, 0, 4, 4}, 1},  // the right edge saturates
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.meet, GuiTkRectIntersects(&c.a, &c.b)) << show(c.a) << " " << show(c.b);
        EXPECT_EQ(c.meet, GuiTkRectIntersects(&c.b, &c.a)) << show(c.b) << " " << show(c.a);
    }
}

TEST(GuiTkRect, IntersectCutsTheFirstToTheSecond) {
    struct Case {
        GuiTkRect a, b, result;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 10, 10}, {5, 5, 5, 5}}, {{20, 20, 5, 5}, {0, 0, 10, 10}, {20, 20, 0, 0}},
        {{1, 1, -1, 5}, {0, 0, 10, 10}, {1, 1, -1, 5}}, {{0, 0, 10, 10}, {0, 0, 10, -3}, {0, 0, 0, 0}},
        {{5, 0, 0, 10}, {0, 0, 10, 10}, {5, 0, 0, 10}}, {{-4, -4, 8, 8}, {0, 0, 100, 100}, {0, 0, 4, 4}},
    };
    for (const Case& c : cases) {
        GuiTkRect a = c.a;
        GuiTkRectIntersect(&a, &c.b);
        EXPECT_EQ(show(c.result), show(a)) << show(c.a) << " cut to " << show(c.b);
    }
}

TEST(GuiTkPlaceBlock, AlignmentWhenItFitsOverflowAlignmentWhenNot) {
    const GuiTkRect box = {10, 20, 30, 16};
    struct Case {
        const char* name;
        uint8_t alignX, alignY, overflowX, overflowY;
        int32_t width, height, x, y;
    } cases[] = {
        {"centred", 0, 0, 0, 0, 10, 6, 20, 25},
        {"left and top", 1, 1, 0, 0, 10, 6, 10, 20},
        {"right and bottom", 2, 2, 0, 0, 10, 6, 30, 30},
        {"exact fit", 0, 0, 1, 1, 30, 16, 10, 20},
        {"too big, kept at the start", 2, 2, 0, 0, 40, 20, 10, 20},
        {"too big, right and bottom edges kept", 0, 0, 1, 1, 40, 20, 0, 16},
        {"too big, centred", 0, 0, 2, 2, 40, 20, 5, 18},
        {"too big, centred, halves truncate toward zero", 0, 0, 2, 2, 41, 21, 5, 18},
    };
    for (const Case& c : cases) {
        GuiTkComponent record = {};
        record.alignX = c.alignX;
        record.alignY = c.alignY;
        record.overflowAlignX = c.overflowX;
        record.overflowAlignY = c.overflowY;
        int32_t x = -1, y = -1;
        GuiTkPlaceBlock(&record, &box, c.width, c.height, &x, &y);
        EXPECT_EQ(c.x, x) << c.name;
        EXPECT_EQ(c.y, y) << c.name;
    }
}

class ScreenTest : public ToolkitTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ToolkitTest::SetUp());
        gfx = GuiTkGetScreenGraphics();
    }
    // The surface pixel of a colour.
    uint16_t pixelOf(uint32_t rgb) {
        MkGraphicsContext* scratch = MkGraphicsCreateContext(&host.screen.surface);
        uint16_t pixel = (uint16_t)MkGraphicsSetColor(scratch, rgb);
        MkGraphicsDestroyContext(scratch);
        return pixel;
    }
    // The top-left corner of the screen after the drawing, one letter per colour.
    std::string corner(int w, int h, const std::vector<std::pair<char, uint32_t>>& legend) {
        std::string out;
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                uint16_t p = host.screen.at(x, y);
                char c = p == ToolkitHost::kPaper ? '.' : '?';
                for (const auto& l : legend)
                    if (p == pixelOf(l.second)) c = l.first;
                out += c;
            }
            out += '\n';
        }
        return out;
    }
    void clear() {
        for (int y = 0; y < host.screen.surface.height; y++)
            for (int x = 0; x < host.screen.surface.width; x++) host.screen.set(x, y, ToolkitHost::kPaper);
    }
    GuiTkGraphics gfx = GUITK_NONE;
};

const uint32_t Red = 0xFFFF0000, Green = 0xFF00FF00, Blue = 0xFF0000FF, White = 0xFFFFFFFF;

TEST_F(ScreenTest, FramesRaisedSunkenSmallAndTransparent) {
    const std::vector<std::pair<char, uint32_t>> legend = {{'A', Red}, {'B', Green}, {'C', Blue}, {'F', White}};
    struct Case {
        const char* name;
        GuiTkRect rect;
        uint32_t a, b, c, fill;
        int32_t raised;
        const char* picture;
    } cases[] = {
        {"raised",
         {1, 1, 6, 5},
         Red,
         Green,
         Blue,
         White,
         1,
         "........\n"
         ".AAAAAC.\n"
         ".AFFFBC.\n"
         ".AFFFBC.\n"
         ".ABBBBC.\n"
         ".CCCCCC.\n"
         "........\n"},
        {"sunken",
         {1, 1, 6, 5},
         Red,
         Green,
         Blue,
         White,
         0,
         "........\n"
         ".BBBBBA.\n"
         ".BCCCCA.\n"
         ".BCFFFA.\n"
         ".BCFFFA.\n"
         ".AAAAAA.\n"
         "........\n"},
        {"3 x 3: lines, no fill",
         {1, 1, 3, 3},
         Red,
         Green,
         Blue,
         White,
         1,
         "........\n"
         ".AAC....\n"
         ".ABC....\n"
         ".CCC....\n"
         "........\n"
         "........\n"
         "........\n"},
        {"transparent outer top-left and fill",
         {1, 1, 6, 5},
         0x00FF0000,
         Green,
         Blue,
         0x00FFFFFF,
         1,
         "........\n"
         "......C.\n"
         ".....BC.\n"
         ".....BC.\n"
         "..BBBBC.\n"
         ".CCCCCC.\n"
         "........\n"},
    };
    for (const Case& c : cases) {
        clear();
        GuiTkGfxSetColor(gfx, 0x123456);
        GuiTkGfxSetStrokeStyle(gfx, 1);
        GuiTkDrawFrame(gfx, &c.rect, c.a, c.b, c.c, c.fill, c.raised);
        EXPECT_EQ(c.picture, corner(8, 7, legend)) << c.name;
        EXPECT_EQ(0x123456u, GuiTkGfxGetColor(gfx)) << c.name << ": the colour is restored";
        EXPECT_EQ(1, GuiTkGfxGetStrokeStyle(gfx)) << c.name << ": the stroke style is restored";
    }
}

TEST_F(ScreenTest, PatternsMapTheirBytesToColours) {
    const uint8_t pattern[5 * 3] = {1, 2, 3, 4, 255, 0, 7, 1, 1, 0, 255, 255, 0, 2, 2};
    clear();
    GuiTkGfxSetColor(gfx, 0x0000FF);
    GuiTkDrawPattern5x3(gfx, pattern, 2, 1);
    const std::vector<std::pair<char, uint32_t>> legend = {
        {'k', 0xFF000000}, {'w', 0xFFFFFFFF}, {'l', 0xFFC0C0C0}, {'d', 0xFF808080}, {'c', 0xFF0000FF}};
    EXPECT_EQ(
        "........\n"
        "..kwldc.\n"
        "....kk..\n"
        "..cc.ww.\n"
        "........\n",
        corner(8, 5, legend));
}

TEST_F(ScreenTest, ClipToNarrowsTheContextsClip) {
    GuiTkRect full;
    GuiTkGfxGetClip(gfx, &full);
    EXPECT_EQ("{0,0,64,48}", show(full));
    const GuiTkRect part = {-5, 10, 20, 100};
    GuiTkClipTo(gfx, &part);
    GuiTkRect now;
    GuiTkGfxGetClip(gfx, &now);
    EXPECT_EQ("{0,10,15,38}", show(now));
    GuiTkGfxSetClip(gfx, &full);
}

MkGraphicsContext* noContext(MkSurface*) { return MK_NO_CONTEXT; }
void noScreen(MkVideoProperty* out) {
    memset(out, 0, sizeof *out);
    out->surface.w = 0xFFFFFFFFu;
}

TEST_F(ScreenTest, RecreatingTheContextKeepsTheOldOneWhenItCannot) {
    GuiTkGraphics first = GuiTkGetScreenGraphics();
    host.softkeys = 0;
    EXPECT_EQ(0, GuiTkRecreateScreenContext());
    EXPECT_NE(first, GuiTkGetScreenGraphics());
    EXPECT_EQ(1, host.liveContexts) << "the old context is destroyed";
    EXPECT_EQ(2, GuiTkGetSoftkeyCount()) << "the soft-key count is the one read at the start";

    GuiTkGraphics second = GuiTkGetScreenGraphics();
    auto create = host.table.gfxCreateContext;
    host.table.gfxCreateContext = noContext;
    EXPECT_EQ(-1, GuiTkRecreateScreenContext());
    EXPECT_EQ(second, GuiTkGetScreenGraphics());
    host.table.gfxCreateContext = create;

    auto video = host.table.gfxGetVideoProperty;
    host.table.gfxGetVideoProperty = noScreen;
    EXPECT_EQ(0, GuiTkRecreateScreenContext()) << "no screen surface: nothing to do";
    EXPECT_EQ(second, GuiTkGetScreenGraphics());
    host.table.gfxGetVideoProperty = video;
}

}  // namespace
