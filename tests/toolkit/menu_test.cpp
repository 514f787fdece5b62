// The command menu: the close row of a screen without soft keys against the "Back" label
// of one with them, choosing by select, digits and the pointer, the numbering limit,
// the picture of a shown menu, its event filter, and deleting a shown menu.
#include "list_fixture.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_menu.h"

namespace {

class MenuTest : public ListTest {
protected:
    // A shown, active menu of these commands.
    int32_t make(std::initializer_list<const char16_t*> commands) {
        int32_t m = KivCommandMenuCreate(4);
        EXPECT_NE(-1, m);
        addRows(m, commands);
        CompSetLocation(m, 0, 0);
        CompShow(m, 0);
        CompSetState(m, GUITK_STATE_FOCUSED);
        events().clear();
        return m;
    }
    std::string rowTexts(int32_t m) {
        std::string out;
        for (int32_t k = 0; k < KivListGetSize(m); k++) {
            std::u16string t = contentOf(KivListGetText(m, k));
            out += (out.empty() ? "" : "|") + std::string(t.begin(), t.end());
        }
        return out;
    }
};

TEST_F(MenuTest, ANewMenuCoversTheScreenBelowItsTitle) {
    int32_t m = KivCommandMenuCreate(9);
    EXPECT_EQ(GUITK_TYPE_COMMANDMENU, CompGetType(m));
    EXPECT_EQ(64, CompGetWidth(m));
    EXPECT_EQ(48, CompGetHeight(m));
    EXPECT_EQ(lineHeight() + 2, CompGetInsetTop(m));
    EXPECT_EQ(12, CompGetInsetLeft(m));
    EXPECT_EQ(0, CompGetInsetBottom(m));
    EXPECT_EQ(GUITK_FOCUS_SMOOTH, CompGetFocusPolicy(m));
    EXPECT_EQ(advanceOf(u"Menu"), KivCommandMenuGetTitleWidth());
    ASSERT_EQ(0, KivListInsertItem(m, 0));
    EXPECT_EQ(GUITK_ITEM_NUMBERED, ListBodyGetKind(KivListGetItem(m, 0)));
    KivCommandMenuDelete(m);
}

TEST_F(MenuTest, WithoutSoftKeysACloseRowLeadsTheCommands) {
    restart(0);
    struct Step {
        const char* name;
        int32_t key;
        const char* posted;
        const char* rows;
        int32_t closeRow;
    };
    struct Table {
        const char* name;
        std::vector<Step> steps;
    } tables[] = {
        {"choose A",
         {
             {"shown", -1, "", "<< Close >>|A|B", 1},
             {"down", GUITK_KEY_DOWN, "", "<< Close >>|A|B", 1},
             {"select A", GUITK_KEY_SELECT, "9(0,1)", "A|B", 0},
         }},
        {"close row",
         {
             {"shown", -1, "", "<< Close >>|A|B", 1},
             {"select the close row", GUITK_KEY_SELECT, "10(0,0)", "A|B", 0},
         }},
        {"digits",
         {
             {"shown", -1, "", "<< Close >>|A|B", 1},
             {"digit 3: the second command", 3, "9(1,1)", "A|B", 0},
         }},
        {"digit 1 is the close row",
         {
             {"shown", -1, "", "<< Close >>|A|B", 1},
             {"digit 1", 1, "10(0,0)", "A|B", 0},
         }},
        {"soft keys mean nothing here",
         {
             {"shown", -1, "", "<< Close >>|A|B", 1},
             {"soft key 1", GUITK_KEY_SOFT1, "", "<< Close >>|A|B", 1},
         }},
    };
    for (const Table& t : tables) {
        SCOPED_TRACE(t.name);
        int32_t m = make({u"A", u"B"});
        for (const Step& s : t.steps) {
            if (s.key != -1) key(m, s.key);
            EXPECT_EQ(s.posted, takeEvents()) << s.name;
            EXPECT_EQ(s.rows, rowTexts(m)) << s.name;
            EXPECT_EQ(s.closeRow, KivCommandMenuHasCloseRow(m)) << s.name;
        }
        CompHide(m);
        EXPECT_EQ("A|B", rowTexts(m)) << "hidden: no close row";
        KivCommandMenuDelete(m);
    }
}

TEST_F(MenuTest, TheCloseRowTakesItsColoursAndTheFocus) {
    restart(0);
    int32_t m = make({u"A"});
    int32_t row = KivListGetItem(m, 0);
    EXPECT_EQ(0xFF0000FFu, CompGetForeground(row)) << "close-row text mode 1";
    EXPECT_EQ(0u, CompGetBackground(row)) << "background mode 3 leaves the row's own";
    EXPECT_EQ(0, KivListBoxGetFocusedIndex(m));
    CompHide(m);
    KivCommandMenuSetStyle(8, 1, 0xFFFFFF00);
    KivCommandMenuSetStyle(6, (intptr_t)units(u"Quit"), 4);
    CompShow(m, 0);
    EXPECT_EQ("Quit|A", rowTexts(m));
    EXPECT_EQ(0xFFFFFF00u, CompGetBackground(KivListGetItem(m, 0)));
    KivCommandMenuDelete(m);
}

TEST_F(MenuTest, WithSoftKeysTheLabelCancels) {
    recordSoftkeys();
    int32_t m = make({u"A", u"B"});
    EXPECT_EQ(0u, takeSoftkeys().find("reset label(Back@1)")) << "shown: the label goes up first";
    EXPECT_EQ("A|B", rowTexts(m)) << "no close row";
    struct Step {
        int32_t key;
        const char* posted;
    } steps[] = {
        {22, ""},                      // not the label's key
        {GUITK_KEY_SOFT1, "10(0,0)"},  // "Back"
        {GUITK_KEY_DOWN, ""},          //
        {GUITK_KEY_SELECT, "9(1,1)"},  // the command's own index
        {1, "9(0,1)"},                 // digit 1: the first command
    };
    for (const Step& s : steps) {
        key(m, s.key);
        EXPECT_EQ(s.posted, takeEvents()) << "key " << s.key;
    }
    KivCommandMenuSetStyle(4, 2, 0);
    EXPECT_EQ(0, key(m, GUITK_KEY_SOFT1));
    EXPECT_EQ("", takeEvents()) << "the label moved to soft key 2";
    key(m, 22);
    EXPECT_EQ("10(0,0)", takeEvents());
    takeSoftkeys();
    paint(m);
    EXPECT_EQ("focus(1) scroll(0) reset label(Back@2) paint", takeSoftkeys()) << "row 1 of 2 focused";
    KivCommandMenuDelete(m);
}

TEST_F(MenuTest, DigitsReachTenRowsAtMost) {
    std::initializer_list<const char16_t*> ten = {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j"};
    int32_t m = make(ten);
    key(m, 0);
    EXPECT_EQ("9(9,1)", takeEvents()) << "digit 0 is the tenth row";
    addRows(m, {u"k"});
    key(m, 2);
    EXPECT_EQ("", takeEvents()) << "eleven rows: digits choose nothing";
    KivCommandMenuDelete(m);
}

TEST_F(MenuTest, RowsAreNumberedUpToTheLimit) {
    // whether anything is drawn in the number column of the focused row
    auto numberShown = [this](int32_t m, int32_t row) {
        KivListBoxSetFocusedIndex(m, row);
        paint(m);
        int32_t y = CompGetY(KivListGetItem(m, row));
        // inside the focus frame drawn around the row
        for (int x = 13; x < 12 + ListBodyNumberingWidth(font()) - 1; x++)
            for (int dy = 1; dy < lineHeight() - 1; dy++)
                if (at(x, y + dy) == pixel(Black)) return true;
        return false;
    };
    std::initializer_list<const char16_t*> ten = {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j"};
    int32_t m = make(ten);
    EXPECT_TRUE(numberShown(m, 0)) << "1.";
    EXPECT_TRUE(numberShown(m, 9)) << "0.";
    addRows(m, {u"k"});
    EXPECT_FALSE(numberShown(m, 0)) << "eleven rows: no numbers";
    KivCommandMenuDelete(m);
    const char* doja[] = {"style_doja"};
    restart(2, 1, doja);
    m = make(ten);
    addRows(m, {u"k"});
    EXPECT_TRUE(numberShown(m, 8)) << "always numbered: the ninth";
    EXPECT_FALSE(numberShown(m, 9)) << "but only nine";
    KivCommandMenuDelete(m);
}

TEST_F(MenuTest, AShownMenuPicture) {
    restart(0);
    int32_t m = make({u"Open", u"Save"});
    EXPECT_EQ("", picture(m, "menu_shown"));
    int32_t titleX = (64 - advanceOf(u"Menu")) / 2;
    EXPECT_EQ(pixel(Black), at(titleX, lineHeight())) << "the separator under the title";
    EXPECT_EQ(pixel(Black), at(titleX + advanceOf(u"Menu"), lineHeight()));
    EXPECT_EQ(pixel(White), at(titleX - 1, lineHeight()));
    EXPECT_EQ(pixel(White), at(0, 47)) << "no frame";
    KivCommandMenuSetStyle(1, (intptr_t)units(u"A very long menu title text"), 27);
    paint(m);
    EXPECT_EQ(pixel(Black), at(0, 3)) << "a title wider than the menu starts at x 0";
    KivCommandMenuSetStyle(2, 1, 0xFFFF0000);
    KivCommandMenuSetStyle(3, 1, 0);
    paint(m);
    EXPECT_EQ(pixel(0xFFFF0000), at(0, 3)) << "a title of its own colour";
    EXPECT_EQ(pixel(White), at(5, lineHeight())) << "a separator of alpha 0 is not drawn";
    KivCommandMenuDelete(m);
}

TEST_F(MenuTest, UpdatesOfTheMenuArePaintedAtOnce) {
    restart(0);
    int32_t m = make({u"Open"});
    paint(m);  // shows the rows in view
    clearScreen(host);
    events().clear();
    int32_t row = KivListGetItem(m, 1);
    CompRequestUpdate(row);
    EXPECT_TRUE(events().empty()) << "the update went no further than the filter";
    int drawn = 0;
    for (int y = CompGetY(row); y < CompGetY(row) + CompGetHeight(row) && y < 48; y++)
        for (int x = 0; x < 64; x++) drawn += at(x, y) != ToolkitHost::kPaper;
    EXPECT_GT(drawn, 0) << "the row painted at once";
    EXPECT_EQ(ToolkitHost::kPaper, at(63, 47)) << "and only the row";
    CompRequestUpdate(m);
    EXPECT_EQ(pixel(White), at(63, 47)) << "the menu painted";
    KivCommandMenuDelete(m);
}

TEST_F(MenuTest, DeletingAShownMenuHidesItFirst) {
    for (int32_t softkeys : {0, 2}) {
        SCOPED_TRACE(std::to_string(softkeys) + " soft keys");
        restart(softkeys);
        int32_t m = make({u"A"});
        EXPECT_EQ((GuiTkEventHook)KivCommandMenuEventFilter, CompGetDefaultHandler());
        KivCommandMenuDelete(m);
        EXPECT_EQ((GuiTkEventHook)recordEvent, CompGetDefaultHandler()) << "the filter went with it";
        int32_t again = make({u"B"});
        EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << "another menu can be shown";
        KivCommandMenuDelete(again);
    }
}

TEST_F(MenuTest, ShowingASecondMenuIsFatal) {
    int32_t a = make({u"A"}), b = KivCommandMenuCreate(0);
    CompShow(b, 0);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_STATE}, host.takeFatals());
    KivCommandMenuDelete(b);
    EXPECT_EQ((GuiTkEventHook)KivCommandMenuEventFilter, CompGetDefaultHandler()) << "the first is still shown";
    KivCommandMenuDelete(a);
    EXPECT_EQ((GuiTkEventHook)recordEvent, CompGetDefaultHandler());
}

TEST_F(MenuTest, ACloseRowThatCannotBeMadeIsFatal) {
    restart(0);
    int32_t m = KivCommandMenuCreate(0);
    host.handlesBeforeFailure = 0;
    CompShow(m, 0);
    host.handlesBeforeFailure = -1;
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_NO_MEMORY}, host.takeFatals());
    EXPECT_EQ(0, KivListGetSize(m));
    KivCommandMenuDelete(m);
    EXPECT_EQ((GuiTkEventHook)recordEvent, CompGetDefaultHandler());
}

TEST_F(MenuTest, ThePointerChoosesTheFocusedRow) {
    int32_t m = make({u"A", u"B"});
    int32_t y = lineHeight() + 2 + lineHeight() + 2;
    pointer(m, GUITK_POINTER_PRESS, 20, y);
    EXPECT_EQ(1, KivListBoxGetFocusedIndex(m));
    pointer(m, GUITK_POINTER_RELEASE, 20, 5);
    EXPECT_EQ("", takeEvents()) << "a release on the title";
    pointer(m, GUITK_POINTER_RELEASE, 20, y);
    EXPECT_EQ("9(1,1)", takeEvents());
    KivCommandMenuDelete(m);
}

TEST_F(MenuTest, CreationLeavesNothingWhenAnAllocationFails) {
    for (int allowed = 0;; allowed++) {
        SCOPED_TRACE("allocation " + std::to_string(allowed) + " refused");
        int before = host.liveHandles();
        host.handlesBeforeFailure = allowed;
        int32_t m = KivCommandMenuCreate(1);
        host.handlesBeforeFailure = -1;
        if (m != -1) {
            KivCommandMenuDelete(m);
            EXPECT_EQ(before, host.liveHandles());
            break;
        }
        EXPECT_EQ(before, host.liveHandles());
        EXPECT_EQ(-1, CompGetNext(-1));
        ASSERT_LT(allowed, 10);
    }
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

}  // namespace
