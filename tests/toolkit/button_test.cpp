// The button: its content kinds, the pushed flag by keys and pointer, its style table
// and the pictures of its visual states.
#include "kind_fixture.h"
#include "toolkit/guitk_button.h"
#include "toolkit/guitk_event.h"

namespace {

class ButtonTest : public KindTest {
protected:
    int32_t make() {
        int32_t b = KivButtonCreate(5);
        CompSetLocation(b, 2, 2);
        CompSetSize(b, 30, 18);
        KivButtonSetText(b, units(u"Ok"), 2);
        CompShow(b, 0);
        events().clear();
        return b;
    }
    int32_t key(int32_t b, int32_t type, int32_t code) {
        GuiTkKeyEvent e = {b, type, code, 0};
        return CompProcessKeyEvent(&e);
    }
    int32_t pointer(int32_t b, int32_t kind, int32_t argument = 0) {
        GuiTkPointerEvent e = {b, {kind, argument, 5, 5}};
        return CompProcessPointerEvent(&e);
    }
};

TEST_F(ButtonTest, CreationSetsInsetsSizesAndSmoothFocus) {
    int32_t b = KivButtonCreate(1);
    const uint16_t w = 'W';
    int32_t minW = GuiTkFontCharsWidth(font(), &w, 1) + 2 + 3, minH = lineHeight() + 2 + 3;
    EXPECT_EQ(minW, CompGetMinimumWidth(b));
    EXPECT_EQ(minH, CompGetMinimumHeight(b));
    EXPECT_EQ(GUITK_FOCUS_SMOOTH, CompGetFocusPolicy(b));
    EXPECT_EQ(2, CompGetInsetTop(b));
    EXPECT_EQ(3, CompGetInsetRight(b));
    EXPECT_EQ(-1, KivButtonGetText(b));
    KivButtonSetText(b, units(u"ab\nc"), 4);
    EXPECT_EQ(advanceOf(u"ab") + 5, CompGetPreferredWidth(b)) << "the widest line, unbroken";
    EXPECT_EQ(2 * lineHeight() + 5, CompGetPreferredHeight(b));
    KivButtonDelete(b);
}

TEST_F(ButtonTest, ContentOfAnotherKindIsClearedThroughItsOwnSetter) {
    int32_t b = KivButtonCreate(1);
    uint32_t argb[6] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000};
    int32_t error = 0;
    MkSurface* image = MkImageCreateFromARGB(argb, 3, 2, 0, &error);
    ASSERT_EQ(0, error);
    int32_t handle = p32Cell(image);
    next() = KivButtonDefaultHandler;
    for (int id : {GUITK_BUTTON_MSG_TEXT, GUITK_BUTTON_MSG_IMAGE, GUITK_BUTTON_MSG_OFFSCREEN})
        KivButtonSetHandler(id, logging);
    KivButtonSetText(b, units(u"Go"), 2);
    int32_t text = KivButtonGetText(b);
    EXPECT_EQ(contentOf(text), u"Go");
    EXPECT_EQ("31(" + std::to_string(text) + ",0)", takeLog());
    KivButtonSetImage(b, handle);
    EXPECT_EQ("31(-1,0) 32(" + std::to_string(handle) + ",-1)", takeLog()) << "the text goes first";
    EXPECT_EQ(-1, KivButtonGetText(b));
    EXPECT_EQ(handle, KivButtonGetImage(b));
    EXPECT_EQ(GUITK_CONTENT_IMAGE, KivButtonGetContentKind(b));
    EXPECT_EQ(3 + 5, CompGetPreferredWidth(b)) << "an image measures by its size";
    KivButtonSetImage(b, handle);
    EXPECT_EQ("", takeLog()) << "the same image again changes nothing";
    KivButtonSetOffScreen(b, handle);
    EXPECT_EQ("32(-1," + std::to_string(handle) + ") 33(" + std::to_string(handle) + ",-1)", takeLog());
    EXPECT_EQ(-1, KivButtonGetImage(b));
    KivButtonSetText(b, nullptr, 0);
    EXPECT_EQ("33(-1," + std::to_string(handle) + ") 31(-1,0)", takeLog());
    EXPECT_EQ(5, CompGetPreferredWidth(b)) << "no content measures 0 x 0";
    KivButtonDelete(b);
    MkImageDestroy(image);
}

TEST_F(ButtonTest, SelectPushesAndReleases) {
    int32_t b = make();
    CompSetState(b, GUITK_STATE_FOCUSED);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(b)) << "a smooth button is active once focused";
    events().clear();
    struct Step {
        int32_t type, key, result;
        const char* posted;
        int32_t pushed;
    } steps[] = {
        {1, GUITK_KEY_SELECT, 0, "", 0},        // release without a press: nothing
        {0, GUITK_KEY_SELECT, 0, "9(1,0)", 1},  // press
        {0, GUITK_KEY_SELECT, 0, "", 1},        // repeated press: already pushed
        {3, 17, 1, "", 1},                      // arrows keep the focus while pushed
        {2, 19, 1, "", 1},                      //
        {3, 5, 0, "", 1},                       // other keys do not
        {1, GUITK_KEY_SELECT, 0, "9(0,1)", 0},  // release
        {3, 17, 0, "", 0},                      // arrows pass once released
    };
    for (const Step& s : steps) {
        SCOPED_TRACE("type " + std::to_string(s.type) + " key " + std::to_string(s.key));
        EXPECT_EQ(s.result, key(b, s.type, s.key));
        EXPECT_EQ(s.posted, takeEvents());
        EXPECT_EQ(s.pushed, KivButtonGetPushed(b));
    }
    KivButtonDelete(b);
}

TEST_F(ButtonTest, StyleDojaPostsAReleaseOfAButtonThatIsNotPushed) {
    ASSERT_EQ(0, GuiTkFinalize());
    const char* options[] = {"other", "style_doja"};
    ASSERT_EQ(0, GuiTkInitialize(2, options, &host.table));
    CompSetDefaultHandler(recordEvent);
    int32_t b = make();
    CompSetState(b, GUITK_STATE_FOCUSED);
    events().clear();
    key(b, 1, GUITK_KEY_SELECT);
    EXPECT_EQ("9(0,0)", takeEvents());
    KivButtonDelete(b);
}

TEST_F(ButtonTest, PointerPressDragOutAndInAndRelease) {
    int32_t b = make();
    pointer(b, 0);
    EXPECT_EQ("", takeEvents()) << "a button that is not focused ignores the press";
    CompSetState(b, GUITK_STATE_FOCUSED);
    events().clear();
    const int32_t kinds[] = {0, 6, 5, 1, 5, 6};
    std::string posted;
    for (int32_t kind : kinds) {
        EXPECT_EQ(0, pointer(b, kind));
        posted += takeEvents() + ";";
    }
    EXPECT_EQ("9(1,0);9(0,1);9(1,0);9(0,1);;;", posted) << "after the release, moves mean nothing";
    pointer(b, 0);
    CompHide(b);
    pointer(b, 6);
    EXPECT_EQ("9(1,0)", takeEvents()) << "hiding lets go of the held press";
    KivButtonDelete(b);
}

TEST_F(ButtonTest, StatesArePaintedFromTheirStyleRows) {
    struct Case {
        const char* name;
        int32_t state, pushed, width;
        const char* picture;
    } cases[] = {
        {"normal", GUITK_STATE_ENABLED, 0, 30, "button_normal"},
        {"pushed", GUITK_STATE_FOCUSED, 1, 30, "button_pushed"},
        {"disabled", GUITK_STATE_DISABLED, 0, 30, "button_disabled"},
        {"three pixels wide", GUITK_STATE_ENABLED, 0, 3, "button_narrow"},
    };
    for (const Case& c : cases) {
        int32_t b = make();
        CompSetSize(b, c.width, 18);
        CompSetState(b, c.state);
        KivButtonStorePushed(b, c.pushed);
        paint(b);
        EXPECT_EQ("", comparePicture(c.picture, pictureOf(host, 40, 24))) << c.name;
        if (c.pushed) {
            EXPECT_EQ(pixel(Black), at(2, 2)) << "pushed: the top-left edge is black";
            EXPECT_EQ(pixel(DarkGrey), at(3, 3)) << "and the shadow moves to the top-left";
            EXPECT_EQ(pixel(White), at(4, 4)) << "the face starts one further in";
        }
        if (c.state == GUITK_STATE_DISABLED) {
            bool grey = false;
            for (int y = 0; y < 24; y++)
                for (int x = 0; x < 40; x++) grey = grey || at(x, y) == pixel(0xFFDFDFDF);
            EXPECT_TRUE(grey) << "a disabled button draws its text in 0xFFDFDFDF";
        }
        if (c.width == 3) {
            EXPECT_EQ(pixel(LightGrey), at(2, 2));
            EXPECT_EQ(pixel(Black), at(4, 19));
            EXPECT_EQ(pixel(Black), at(4, 2)) << "the right edge covers the top row's end";
            EXPECT_EQ(ToolkitHost::kPaper, at(3, 3)) << "no shadow, face or text";
        }
        KivButtonDelete(b);
    }
}

TEST_F(ButtonTest, StyleAttributesWriteTheirWordsInTheChosenRows) {
    uint32_t before[3][GUITK_BUTTON_STYLE_WORDS];
    for (int row = 0; row < 3; row++) KivButtonGetStyle(row, before[row]);
    struct Case {
        int32_t code, kind;
        uint32_t value;
        int row, word;
    } cases[] = {
        {0x800 | 1, 2, 0x123, 1, 0},         // frame mode: the kind only
        {0x10000 | 2, 4, 0xFF00FF00, 2, 1},  // focus-frame colour
        {0x800 | 3, 1, 0xFF0000FF, 1, 3},    // text colour
        {0x10000 | 4, 2, 7, 2, 5},           // face
        {0x200 | 5, 3, 8, 0, 7},             // top-left edge
        {0x200 | 6, 1, 9, 0, 9},             // bottom-right edge
        {0x800 | 7, 1, 10, 1, 11},           // shadow
        {0x10000 | 8, 1, 11, 2, 7},          // pushed top-left
        {0x10000 | 9, 1, 12, 2, 11},         // pushed shadow
        {0x10000 | 10, 1, 13, 2, 9},         // pushed bottom-right
    };
    for (const Case& c : cases) {
        KivButtonSetStyle(c.code, c.kind, c.value);
        uint32_t after[GUITK_BUTTON_STYLE_WORDS];
        KivButtonGetStyle(c.row, after);
        EXPECT_EQ((uint32_t)c.kind, after[c.word]) << "attribute " << (c.code & 0xFF);
        if (c.word != 0) {
            EXPECT_EQ(c.value, after[c.word + 1]) << "attribute " << (c.code & 0xFF);
        }
        before[c.row][c.word] = after[c.word];
        if (c.word != 0) before[c.row][c.word + 1] = after[c.word + 1];
    }
    for (int row = 0; row < 3; row++) {
        uint32_t now[GUITK_BUTTON_STYLE_WORDS];
        KivButtonGetStyle(row, now);
        for (int w = 0; w < GUITK_BUTTON_STYLE_WORDS; w++)
            EXPECT_EQ(before[row][w], now[w]) << "no other word changed: row " << row << " word " << w;
    }
    KivButtonSetStyle(0x10800 | 3, 3, 0);
    uint32_t rows[3][GUITK_BUTTON_STYLE_WORDS];
    for (int row = 0; row < 3; row++) KivButtonGetStyle(row, rows[row]);
    EXPECT_EQ(3u, rows[1][3]) << "two rows at once";
    EXPECT_EQ(3u, rows[2][3]);
    EXPECT_EQ(2u, rows[0][3]);
}

}  // namespace
