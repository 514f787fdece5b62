// The text box: sizes, the framed paint per state, password cells, scrolling, soft-key
// mode, the pointer, the module settings, replaceable slots and failed creation.
#include <algorithm>

#include "text_fixture.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

class TextBoxTest : public TextTest {
protected:
    // A box at (2, 2), 44 wide and rows lines tall inside its frame.
    int32_t make(const std::u16string& s, int32_t rows = 2) {
        int32_t c = KivTextBoxCreate(0);
        EXPECT_NE(-1, c);
        CompSetLocation(c, 2, 2);
        CompSetSize(c, 44, rows * lineHeight() + 7);
        setText(c, s);
        return c;
    }
    // The "*" cells drawn along the pixel row y of the content: one stem each in the
    // test face.
    int cellsInRow(int32_t c, int y) {
        int n = 0;
        int left = CompGetX(c) + CompGetInsetLeft(c), right = CompGetX(c) + CompGetWidth(c) - CompGetInsetRight(c);
        for (int x = left; x < right; x++) n += at(x, y) == pixel(Black);
        return n;
    }
};

TEST_F(TextBoxTest, ANewBoxIsFramedAndAsWideAsTheScreen) {
    next() = KivTextBoxDefaultHandler;
    const int32_t logged[] = {GUITK_MSG_PREFERRED_SIZE, GUITK_MSG_MINIMUM_SIZE, GUITK_TEXTBOX_MSG_CREATED};
    for (int32_t id : logged) KivTextBoxSetHandler(id, logging);
    int32_t c = KivTextBoxCreate(7);
    const int32_t w = advanceOf(u"W"), h = lineHeight();
    EXPECT_EQ("41(7,0)", takeLog()) << "created; the sizes set again were the ones stored";
    EXPECT_EQ(GUITK_TYPE_TEXTBOX, CompGetType(c));
    EXPECT_EQ(4, CompGetInsetTop(c));
    EXPECT_EQ(4, CompGetInsetLeft(c));
    EXPECT_EQ(3, CompGetInsetRight(c));
    EXPECT_EQ(3, CompGetInsetBottom(c));
    EXPECT_EQ(1, KivTextBoxGetTruncateMode(c));
    EXPECT_EQ(GUITK_STATE_ENABLED, CompGetState(c));
    EXPECT_EQ(w + 7, CompGetMinimumWidth(c));
    EXPECT_EQ(64, CompGetPreferredWidth(c)) << "raised to the screen's width";
    setText(c, std::u16string(20, u'b'));
    EXPECT_EQ(advanceOf(std::u16string(20, u'b')) + 7, CompGetPreferredWidth(c)) << "a wider text widens it";
    setText(c, u"ab\ncd");
    EXPECT_EQ(2 * h + 7, CompGetPreferredHeight(c));
    EXPECT_EQ(2 * h + 7, CompGetPreferredHeightForWidth(c, 10)) << "truncating: the stored height";
    KivTextBoxSetTruncateMode(c, 0);
    EXPECT_EQ(4 * h + 7, CompGetPreferredHeightForWidth(c, 7 + advanceOf(u"b"))) << "one unit a line";
    EXPECT_EQ(3 * h + 7, KivTextBoxHeightForRows(c, 3));
    EXPECT_EQ(7, KivTextBoxQueryWidth(c, 5, 0)) << "the insets, after the abstract slot";
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ABSTRACT}, host.takeFatals());
    KivTextBoxQueryWidth(c, 5, 1);
    KivTextBoxHeightForRows(c, -1);
    EXPECT_EQ((std::vector<int32_t>{GUITK_ERROR_ARGUMENT, GUITK_ERROR_ARGUMENT}), host.takeFatals());
    KivTextBoxDelete(c);
}

// The preferred size is measured in one pass over the lines; it must agree with the
// general measure at an unlimited width.
TEST_F(TextBoxTest, ThePreferredSizeIsTheTextMeasuredUnbroken) {
    int32_t c = KivTextBoxCreate(0);
    const std::u16string wide(20, u'b');
    const std::u16string texts[] = {u"", u"a", u"a\n", u"\n\n", wide + u"\nab\n\nc", u"ab\n" + wide + u"\n"};
    for (const std::u16string& t : texts) {
        setText(c, t);
        int32_t w = 0, h = 0;
        GuiTkMeasureText(font(), KivTextInputGetText(c), -1, &w, &h);
        EXPECT_EQ(std::max(64, w + 7), CompGetPreferredWidth(c)) << t.size() << " units";
        EXPECT_EQ(h + 7, CompGetPreferredHeight(c)) << t.size() << " units";
    }
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, TheDojaStyleHasNoMarginAndSwapsTheFocusedColours) {
    const char* const options[] = {"other", "style_doja"};
    ASSERT_NO_FATAL_FAILURE(restart(2, 2, options));
    EXPECT_EQ(0, TextBoxGetFrameMargin());
    EXPECT_EQ(3u, TextBoxGetStyle(1, 2).mode) << "focused text in the background colour";
    EXPECT_EQ(2u, TextBoxGetStyle(1, 3).mode) << "on the foreground";
    EXPECT_EQ(2u, TextBoxGetStyle(2, 2).mode) << "the other sets keep theirs";
    int32_t c = KivTextBoxCreate(0);
    EXPECT_EQ(3, CompGetInsetTop(c));
    EXPECT_EQ(2, CompGetInsetBottom(c));
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, FramesPerState) {
    int32_t c = make(u"ab\ncd");
    struct Case {
        const char* picture;
        int32_t state;
    } cases[] = {
        {"textbox_enabled", GUITK_STATE_ENABLED},
        {"textbox_focused", GUITK_STATE_FOCUSED},
        {"textbox_disabled", GUITK_STATE_DISABLED},
    };
    for (const Case& k : cases) {
        CompStoreState(c, k.state);
        EXPECT_EQ("", picture(c, k.picture, 48, 2 * lineHeight() + 11)) << k.picture;
    }
    CompStoreState(c, GUITK_STATE_FOCUSED);
    paint(c);
    EXPECT_EQ(pixel(Black), at(2, 2)) << "the focused set outlines the box";
    EXPECT_EQ(pixel(DarkGrey), at(3, 3)) << "outer top-left line";
    EXPECT_EQ(pixel(Black), at(4, 4)) << "inner top-left line";
    EXPECT_EQ(pixel(LightGrey), at(44, 4)) << "right shade line";
    CompStoreState(c, GUITK_STATE_DISABLED);
    CompSetForeground(c, 0xFFFF0000);
    paint(c);
    EXPECT_EQ(pixel(0xFFDFDFDF), at(6, 9)) << "a disabled box draws its text grey, whatever its style";
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, APasswordDrawsOneCellPerUnit) {
    int32_t c = make(u"ab\ncd");
    KivTextInputSetPassword(c, 1);
    EXPECT_EQ("", picture(c, "textbox_password", 48, 2 * lineHeight() + 11));
    const int32_t top = 2 + 4;
    EXPECT_EQ(2, cellsInRow(c, top + 5)) << "a, b: the LF starts a new row";
    EXPECT_EQ(2, cellsInRow(c, top + lineHeight() + 5)) << "c, d";
    TextBoxConfigure(GUITK_TEXTBOX_SET_PASSWORD_LAYOUT, 2, 0);
    paint(c);
    EXPECT_EQ(5, cellsInRow(c, top + 5)) << "the LF is a unit like any other";
    setText(c, std::u16string(20, u'x'));
    paint(c);
    const uint16_t star = '*';
    int32_t perRow = (44 - 7) / GuiTkFontCharsWidth(font(), &star, 1);
    EXPECT_EQ(perRow, cellsInRow(c, top + 5)) << "a full row";
    EXPECT_EQ(20 - perRow, cellsInRow(c, top + lineHeight() + 5)) << "the rest on the next";
    EXPECT_EQ(advanceOf(u"*") * 20 + 7, CompGetPreferredWidth(c)) << "cells measure the grid";
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, SwitchingToPasswordRepaints) {
    int32_t c = make(u"secret");
    CompShow(c, 0);
    events().clear();
    KivTextInputSetPassword(c, 1);
    ASSERT_FALSE(events().empty()) << "a shown box is redrawn masked";
    EXPECT_EQ(GUITK_EVENT_UPDATE, events().back().code);
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, ScrollingStopsAtTheTopAndAtTheLastLine) {
    int32_t c = make(u"a\nb\nc\nd\ne\nf");
    const int32_t h = lineHeight();
    EXPECT_EQ(6 * h, TextBoxTextHeight(c));
    EXPECT_EQ(2 * h, TextBoxTextHeightUpTo(c, 2 * h));
    EXPECT_EQ(h + 1, TextBoxTextHeightUpTo(c, h + 1)) << "cut at the limit";
    struct Step {
        int32_t delta, changed, offset;
    } steps[] = {
        {h, 1, h},      {h, 1, 2 * h},    {100 * h, 1, 4 * h}, {h, 0, 4 * h},
        {-h, 1, 3 * h}, {-100 * h, 1, 0}, {-1, 0, 0},          {0x7FFFFFFF, 1, 4 * h},  // no overflow on the way
    };
    for (const Step& s : steps) {
        EXPECT_EQ(s.changed, TextBoxScroll(c, s.delta)) << s.delta;
        EXPECT_EQ(s.offset, TextBoxGetScroll(c)) << s.delta;
    }
    paint(c);
    EXPECT_EQ(pixel(Black), at(6, 6 + 3)) << "the fifth line, 'e', at the top";
    setText(c, u"a\nb\nc");
    paint(c);
    EXPECT_EQ(h, TextBoxGetScroll(c)) << "a shorter text pulls the offset back as it is drawn";
    TextBoxTextHeightUpTo(c, -1);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals());
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, ABoxWithoutRoomStillCountsItsLines) {
    int32_t c = KivTextBoxCreate(0);
    setText(c, u"abc\nd");
    EXPECT_EQ(4 * lineHeight(), TextBoxTextHeight(c)) << "no width yet: a line per unit, the LF with its unit";
    CompSetSize(c, 7, 7);
    EXPECT_EQ(4 * lineHeight(), TextBoxTextHeight(c)) << "content width 0";
    EXPECT_EQ(1, TextBoxScroll(c, 0x7FFFFFFF));
    EXPECT_EQ(4 * lineHeight(), TextBoxGetScroll(c)) << "the last line at the bottom of no room";
    paint(c);
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, SoftkeyModeScrollsAndTheEndKeyLeaves) {
    recordSoftkeys();
    TextBoxConfigure(GUITK_TEXTBOX_SET_ACTIVATION, 1, 0);
    int32_t c = make(u"a\nb\nc\nd");
    const int32_t h = lineHeight();
    KivTextInputSetEditable(c, 0);
    CompSetState(c, GUITK_STATE_FOCUSED);
    events().clear();
    EXPECT_EQ(0, key(c, GUITK_KEY_SELECT));
    EXPECT_EQ("6(0,0)", takeEvents()) << "activated, no editing";
    EXPECT_EQ(1, KivTextBoxGetSoftkeyMode(c));
    paint(c);
    EXPECT_EQ("focus(2) reset label(End@1) paint", takeSoftkeys()) << "more below";
    struct Step {
        int32_t key, type, offset, state;
        const char* softkeys;
        const char* posted;
    } steps[] = {
        {19, 3, h, 3, "focus(3) reset label(End@1) paint", ""},
        {19, 2, 2 * h, 3, "focus(1) reset label(End@1) paint", ""},  // a repeat scrolls too
        {19, 3, 2 * h, 3, "focus(1) reset label(End@1) paint", ""},  // the last line is in view
        {17, 3, h, 3, "focus(3) reset label(End@1) paint", ""},
        {17, 1, h, 3, "focus(3) reset label(End@1) paint", ""},  // a release does not
        {22, 3, h, 3, "focus(3) reset label(End@1) paint", ""},  // not the end key
        {21, 2, h, 3, "focus(3) reset label(End@1) paint", ""},  // the end key repeating
        {21, 3, h, 2, "", "7(0,0)"},                             // the end key
    };
    for (const Step& s : steps) {
        SCOPED_TRACE("key " + std::to_string(s.key) + " type " + std::to_string(s.type));
        EXPECT_EQ(0, key(c, s.key, s.type));
        EXPECT_EQ(s.offset, TextBoxGetScroll(c));
        EXPECT_EQ(s.state, CompGetState(c));
        paint(c);
        EXPECT_EQ(s.softkeys, takeSoftkeys());
        EXPECT_EQ(s.posted, takeEvents());
    }
    EXPECT_EQ(0, KivTextBoxGetSoftkeyMode(c));
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, WithoutSoftKeysTheEndKeyDoesNothing) {
    ASSERT_NO_FATAL_FAILURE(restart(0));
    recordSoftkeys();
    TextBoxConfigure(GUITK_TEXTBOX_SET_ACTIVATION, 1, 0);
    int32_t c = make(u"a");
    KivTextInputSetEditable(c, 0);
    CompSetState(c, GUITK_STATE_FOCUSED);
    key(c, GUITK_KEY_SELECT);
    key(c, 21);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(c));
    paint(c);
    EXPECT_EQ("focus(0) paint", takeSoftkeys()) << "no labels to set";
    key(c, GUITK_KEY_SELECT);
    EXPECT_EQ(GUITK_STATE_FOCUSED, CompGetState(c)) << "select still gives the focus back";
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, AnActiveBoxOutsideSoftkeyModeClearsTheLabels) {
    recordSoftkeys();
    int32_t c = make(u"a");
    CompSetState(c, GUITK_STATE_FOCUSED);
    paint(c);
    EXPECT_EQ("", takeSoftkeys()) << "only an active box speaks to the soft keys";
    key(c, GUITK_KEY_SELECT);
    paint(c);
    EXPECT_EQ("focus(0) reset paint", takeSoftkeys());
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, AReleaseInsideAFocusedBoxActivatesIt) {
    int32_t c = make(u"a");
    struct Case {
        const char* name;
        int32_t state, type, button, x, y, after;
    } cases[] = {
        {"release inside", 2, 2, 0, 10, 5, 3}, {"bottom-right pixel", 2, 2, 0, 43, 2 * lineHeight() + 6, 3},
        {"just outside", 2, 2, 0, 44, 5, 2},   {"left of it", 2, 2, 0, -1, 5, 2},
        {"a press", 2, 0, 0, 10, 5, 2},        {"another button", 2, 2, 1, 10, 5, 2},
        {"not focused", 1, 2, 0, 10, 5, 1},
    };
    for (const Case& k : cases) {
        CompStoreState(c, k.state);
        GuiTkPointerEvent e = {c, {k.type, k.button, k.x, k.y}};
        EXPECT_EQ(0, CompProcessPointerEvent(&e)) << k.name;
        EXPECT_EQ(k.after, CompGetState(c)) << k.name;
    }
    KivTextBoxDelete(c);
}

TEST_F(TextBoxTest, SettingsChangeTheModuleOrNothing) {
    static const uint16_t done[] = {'D', 'o', 'n', 'e'};
    struct Case {
        const char* name;
        int32_t setting, value, extra;
        bool ok;
    } cases[] = {
        {"border of sets 0 and 2", 0x200 | 0x800 | 1, 1, (int32_t)0xFFFF0000, true},
        {"border without a set", 1, 1, 0, false},
        {"border, mode 4", 0x200 | 1, 4, 0, false},
        {"border, a bit outside the sets", 0x1000 | 0x200 | 1, 1, 0, false},
        {"the top byte is not looked at", (int32_t)0x7F000000 | 0x400 | 4, 2, 0, true},
        {"text colour of set 0", 0x200 | 2, 1, 0, false},
        {"fill of set 1", 0x400 | 3, 1, (int32_t)0xFF0000FF, true},
        {"margin 0", 7, 2, 0, true},
        {"margin with a set bit", 0x200 | 7, 1, 0, false},
        {"margin 3", 7, 3, 0, false},
        {"password layout 2", 8, 2, 0, true},
        {"activation 0", 9, 0, 0, false},
        {"end key 2", 10, 2, 0, true},
        {"end key 4", 10, 4, 0, false},
        {"end label", 11, p32Cell(done), 4, true},
        {"end label of no characters", 11, 0, 4, false},
        {"end label of negative length", 11, p32Cell(done), -1, false},
        {"editor mode 0", 12, 2, 0, true},
        {"setting 0", 0, 1, 0, false},
        {"setting 13", 13, 1, 0, false},
    };
    for (const Case& k : cases) {
        TextBoxConfigure(k.setting, k.value, k.extra);
        EXPECT_EQ(k.ok ? std::vector<int32_t>{} : std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals())
            << k.name;
    }
    EXPECT_EQ(0xFFFF0000u, TextBoxGetStyle(0, 1).color);
    EXPECT_EQ(0xFF000000u, TextBoxGetStyle(1, 1).color) << "set 1 was not chosen";
    EXPECT_EQ(0xFFFF0000u, TextBoxGetStyle(2, 1).color);
    EXPECT_EQ(2u, TextBoxGetStyle(1, 4).mode);
    EXPECT_EQ(0xFF0000FFu, TextBoxGetStyle(1, 3).color);
    EXPECT_EQ(3u, TextBoxGetStyle(0, 3).mode);
    EXPECT_EQ(0, TextBoxGetFrameMargin());
    EXPECT_EQ(2, TextBoxGetPasswordLayoutMode());
    EXPECT_EQ(2, TextBoxGetActivationMode());
    EXPECT_EQ(2, TextBoxGetEndKey());
    EXPECT_EQ(done, TextBoxGetLabel(2).chars.get()) << "the new label, on the new end key";
    EXPECT_EQ(nullptr, TextBoxGetLabel(1).chars.get()) << "the old end key lost its label";
    EXPECT_EQ(0, KivTextInputGetEditorMode());
    int32_t c = KivTextBoxCreate(0);
    EXPECT_EQ(3, CompGetInsetTop(c)) << "the margin acts on boxes made later";
    KivTextBoxDelete(c);
    TextBoxConfigure(10, 3, 0);
    EXPECT_EQ(done, TextBoxGetLabel(3).chars.get()) << "the label follows the end key";
    EXPECT_EQ(nullptr, TextBoxGetLabel(2).chars.get());
}

TEST_F(TextBoxTest, APeerSlotTakesItsMessages) {
    static int32_t taken = 0;
    KivTextBoxSetHandler(GUITK_TEXT_MSG_TEXT, [](GuiTkMessage*) { return ++taken, 0; });
    int32_t c = make(u"abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(1, taken);
    EXPECT_EQ(64, CompGetPreferredWidth(c)) << "the default's size rule did not run";
    KivTextBoxSetActiveKeyHook([](GuiTkKeyEvent*) { return 7; });
    CompStoreState(c, GUITK_STATE_ACTIVE);
    GuiTkKeyEvent five = {c, 3, 5, 0};
    EXPECT_EQ(7, CompProcessKeyEvent(&five)) << "a box calls the module's current hook";
    KivTextBoxDelete(c);
    struct Case {
        const char* name;
        void (*act)();
    } bad[] = {
        {"slot 46", [] { KivTextBoxSetHandler(46, KivTextBoxDefaultHandler); }},
        {"slot -1", [] { KivTextBoxSetHandler(-1, KivTextBoxDefaultHandler); }},
        {"no handler", [] { KivTextBoxSetHandler(0, nullptr); }},
        {"no key hook", [] { KivTextBoxSetKeyHook(nullptr); }},
        {"no active key hook", [] { KivTextBoxSetActiveKeyHook(nullptr); }},
        {"no pointer hook", [] { KivTextBoxSetPointerHook(nullptr); }},
        {"truncate mode 2", [] { KivTextBoxSetTruncateMode(1, 2); }},
    };
    for (const Case& k : bad) {
        k.act();
        EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << k.name;
    }
}

TEST_F(TextBoxTest, FailedCreationLeavesNothing) {
    int before = host.liveHandles();
    int32_t c = -1;
    int budget = 0;
    for (; budget < 50 && c == -1; budget++) {
        host.handlesBeforeFailure = budget;
        c = KivTextBoxCreate(0);
        host.handlesBeforeFailure = -1;
        if (c == -1) {
            EXPECT_EQ(before, host.liveHandles()) << "failing allocation " << budget;
        }
        EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << "failing allocation " << budget;
    }
    EXPECT_GT(budget, 2) << "record and layout were each refused once";
    ASSERT_NE(-1, c);
    KivTextBoxDelete(c);
    EXPECT_EQ(before, host.liveHandles());
    EXPECT_EQ(-1, CompGetNext(-1)) << "no half-made box stayed in the registry";
}

}  // namespace
