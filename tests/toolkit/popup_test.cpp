// The pop-up list and its window: opening by the select key through the deferred open
// step, where the window lands, choosing and cancelling, the closed and open pictures,
// the event filter it lays over the default handler (and how it nests with the command
// menu's), and deleting a list while it is open.
#include <functional>

#include "list_fixture.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_menu.h"
#include "toolkit/guitk_popup.h"

namespace {

// The default handler of these tests keeps each event's completion callback, so that
// the deferred calls can be run as the event system would run them.
struct Posted {
    GuiTkEventCallback callback;
    GuiTkEvent event;
};
std::vector<Posted>& posted() {
    static std::vector<Posted> list;
    return list;
}
int32_t Completions = 0;
void countCompletion(int32_t*) { Completions++; }

class PopUpTest : public ListTest {
protected:
    static int32_t sink(GuiTkEventCallback callback, GuiTkEvent* event) {
        posted().push_back({callback, *event});
        events().push_back(*event);
        return 1;
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ListTest::SetUp());
        useSink();
    }
    void useSink() {
        CompSetDefaultHandler(sink);
        posted().clear();
        events().clear();
    }
    // Runs the deferred calls posted so far.
    static int runDeferred() {
        std::vector<Posted> now;
        now.swap(posted());
        int n = 0;
        for (Posted& p : now)
            if (p.event.code == GUITK_EVENT_DEFERRED) {
                p.callback((int32_t*)&p.event);
                n++;
            }
        return n;
    }
    // Rows A, B, C in a list at (2, y), 40 x 18, shown and focused.
    int32_t make(int32_t y = 2) {
        int32_t p = KivPopUpListCreate(5);
        EXPECT_NE(-1, p);
        addRows(p, {u"A", u"B", u"C"});
        CompSetLocation(p, 2, y);
        CompSetSize(p, 40, 18);
        CompShow(p, 0);
        CompSetState(p, GUITK_STATE_FOCUSED);
        posted().clear();
        events().clear();
        return p;
    }
    void open(int32_t p) {
        key(p, GUITK_KEY_SELECT);
        ASSERT_EQ(1, runDeferred()) << "one open step";
        events().clear();
    }
    static GuiTkRect bounds(int32_t c) { return {CompGetX(c), CompGetY(c), CompGetWidth(c), CompGetHeight(c)}; }
};

TEST_F(PopUpTest, SelectOpensChoosesAndCloses) {
    int32_t p = make();
    int32_t w = KivPopUpListGetWindow(p);
    EXPECT_EQ(GUITK_TYPE_POPUPLIST, CompGetType(p));
    EXPECT_EQ(GUITK_TYPE_POPUPWINDOW, CompGetType(w));
    EXPECT_EQ(p, PopupWindowGetOwner(w));
    EXPECT_EQ(3, KivListGetSize(w)) << "the window shows the list's own items";
    key(p, GUITK_KEY_SELECT);
    EXPECT_EQ(1, KivPopUpListIsOpen(p)) << "open at once";
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(w));
    EXPECT_FALSE(CompIsShown(w)) << "placed and shown by the deferred step";
    EXPECT_EQ("6(0,0) 4(0,0)", takeEvents());
    EXPECT_EQ(1, runDeferred());
    EXPECT_TRUE(CompIsShown(w));
    EXPECT_EQ((GuiTkEventHook)KivPopUpListEventFilter, CompGetDefaultHandler());
    EXPECT_EQ(0, KivPopUpListGetHighlight(p)) << "nothing selected: row 0";
    EXPECT_EQ(0, KivListBoxGetFocusedIndex(w));
    events().clear();
    struct Step {
        int32_t key, result;
        const char* events;
        int32_t focused, open;
    } steps[] = {
        {GUITK_KEY_DOWN, 0, "", 1, 1},  // the window moves its focus
        {GUITK_KEY_DOWN, 0, "", 2, 1},
        {GUITK_KEY_DOWN, 0, "", 2, 1},  // the last row
        {GUITK_KEY_SELECT, 0, "9(2,1) 5(0,0) 7(0,0) 2(0,0)", -1, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE("key " + std::to_string(s.key));
        EXPECT_EQ(s.result, key(p, s.key));
        EXPECT_EQ(s.events, takeEvents());
        EXPECT_EQ(s.focused, KivListBoxGetFocusedIndex(w));
        EXPECT_EQ(s.open, KivPopUpListIsOpen(p));
    }
    EXPECT_EQ(2, KivListGetSelectedIndex(p));
    EXPECT_EQ(1, KivListIsSelected(w, 2)) << "the window sees the same selection";
    EXPECT_EQ(GUITK_STATE_FOCUSED, CompGetState(p));
    EXPECT_EQ(GUITK_STATE_ENABLED, CompGetState(w));
    EXPECT_FALSE(CompIsShown(w));
    EXPECT_EQ((GuiTkEventHook)sink, CompGetDefaultHandler()) << "the filter is gone";
    open(p);
    EXPECT_EQ(2, KivPopUpListGetHighlight(p)) << "the selected row";
    EXPECT_EQ(0, key(p, GUITK_KEY_SOFT1));
    EXPECT_EQ("5(0,0) 7(0,0) 2(0,0)", takeEvents()) << "the soft key cancels";
    EXPECT_EQ(2, KivListGetSelectedIndex(p));
    KivPopUpListDelete(p);
}

TEST_F(PopUpTest, TheWindowStaysOnTheScreen) {
    struct Case {
        int32_t x, y;
        GuiTkRect window;
    } cases[] = {
        {2, 2, {2, 2, 40, 38}},    // fits below the list's top
        {2, 30, {2, 10, 40, 38}},  // moved up by the excess
        {-5, -5, {0, 0, 40, 38}},  // never above or left of the screen
        {40, 2, {24, 2, 40, 38}},  // moved left
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        int32_t p = make();
        KivListRemoveItem(p, 2);  // two rows: a window of two rows and the insets
        CompSetLocation(p, c.x, c.y);
        open(p);
        GuiTkRect w = bounds(KivPopUpListGetWindow(p));
        EXPECT_EQ(c.window.x, w.x);
        EXPECT_EQ(c.window.y, w.y);
        EXPECT_EQ(c.window.width, w.width);
        EXPECT_EQ(2 * lineHeight() + 10, w.height);
        KivPopUpListDelete(p);
    }
}

TEST_F(PopUpTest, AnEmptyListHighlightsNothing) {
    int32_t p = KivPopUpListCreate(0);
    CompShow(p, 0);
    CompSetState(p, GUITK_STATE_FOCUSED);
    open(p);
    EXPECT_EQ(-1, KivPopUpListGetHighlight(p));
    EXPECT_EQ(-1, KivListBoxGetFocusedIndex(KivPopUpListGetWindow(p)));
    EXPECT_EQ(0, key(p, GUITK_KEY_SELECT)) << "select without a row";
    EXPECT_EQ(1, KivPopUpListIsOpen(p));
    KivPopUpListDelete(p);
    EXPECT_EQ((GuiTkEventHook)sink, CompGetDefaultHandler());
}

TEST_F(PopUpTest, ChangingTheItemsWhileOpenCloses) {
    int32_t p = make();
    open(p);
    ASSERT_EQ(0, KivListInsertItem(p, 3));
    EXPECT_EQ(0, KivPopUpListIsOpen(p));
    EXPECT_EQ(4, KivListGetSize(KivPopUpListGetWindow(p)));
    open(p);
    KivListSetText(p, 0, units(u"Z"), 1);
    EXPECT_EQ(0, KivPopUpListIsOpen(p));
    EXPECT_EQ(u"Z", contentOf(KivListGetText(KivPopUpListGetWindow(p), 0)));
    KivPopUpListDelete(p);
}

TEST_F(PopUpTest, ThePointerOpensAndChoosesThroughTheWindow) {
    int32_t p = make();
    pointer(p, GUITK_POINTER_RELEASE, 50, 5);
    EXPECT_EQ(GUITK_STATE_FOCUSED, CompGetState(p)) << "a release outside";
    pointer(p, GUITK_POINTER_RELEASE, 5, 5);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(p));
    runDeferred();
    int32_t w = KivPopUpListGetWindow(p);
    // row 1 of the window, given relative to the list as the peer sends it
    int32_t y = CompGetY(w) + 3 + lineHeight() + 2 - CompGetY(p);
    pointer(p, GUITK_POINTER_PRESS, 5, y);
    EXPECT_EQ(1, KivListBoxGetFocusedIndex(w));
    events().clear();
    pointer(p, GUITK_POINTER_RELEASE, 5, y);
    EXPECT_EQ("9(1,1) 5(0,0) 7(0,0) 2(0,0)", takeEvents());
    EXPECT_EQ(1, KivListGetSelectedIndex(p));
    KivPopUpListDelete(p);
}

TEST_F(PopUpTest, ClosedAndOpenPictures) {
    int32_t p = make();
    KivListSetSelected(p, 1, 1);
    EXPECT_EQ("", picture(p, "popup_closed", 64, 24));
    // the drop button's mask: light top-left, black bottom-right; the current item's text
    int32_t bx = 2 + 3 + (40 - 6 - 10), by = 2 + 3;
    EXPECT_EQ(pixel(LightGrey), at(bx + 1, by + 1));
    EXPECT_EQ(pixel(Black), at(bx + 9, by + 9));
    EXPECT_EQ(pixel(DarkGrey), at(3, 3)) << "focused: the grey inner frame";
    open(p);
    EXPECT_EQ("", picture(p, "popup_open"));
    EXPECT_EQ(pixel(DarkGrey), at(3, 3)) << "the active window's inner frame";
    CompSetState(p, GUITK_STATE_ENABLED);
    paint(p);
    EXPECT_EQ(ToolkitHost::kPaper, at(2, 2)) << "enabled: no outer frame";
    EXPECT_EQ(pixel(Black), at(3, 3));
    CompSetSize(p, 6, 18);
    paint(p);
    EXPECT_EQ(pixel(White), at(4, 10)) << "six wide: frames and background";
    EXPECT_EQ(pixel(White), at(5, 5)) << "but no button";
    KivPopUpListDelete(p);
}

TEST_F(PopUpTest, RightToLeftPutsTheButtonOnTheLeft) {
    CompSetLanguageDirection(1);
    int32_t p = make();
    EXPECT_EQ(13, CompGetInsetLeft(p));
    EXPECT_EQ(3, CompGetInsetRight(p));
    paint(p);
    EXPECT_EQ(pixel(LightGrey), at(2 + 3 + 1, 2 + 3 + 1));
    CompSetLanguageDirection(0);
    KivPopUpListDelete(p);
}

TEST_F(PopUpTest, TheFilterPaintsThePopUpAndCompletesOtherUpdates) {
    int32_t p = make();
    int32_t label = KivLabelCreate(0);
    open(p);
    posted().clear();
    Completions = 0;
    GuiTkEvent update = {0, label, GUITK_EVENT_UPDATE, {0, 0, 0, 0}};
    EXPECT_EQ(1, CompRouteEvent(countCompletion, &update));
    EXPECT_EQ(1, Completions) << "completed at once";
    EXPECT_TRUE(posted().empty()) << "without reaching the sink";
    clearScreen(host);
    update.component = p;
    CompRouteEvent(countCompletion, &update);
    EXPECT_EQ(2, Completions);
    int32_t w = KivPopUpListGetWindow(p);
    EXPECT_EQ(pixel(Black), at(CompGetX(w), CompGetY(w))) << "the window painted at once";
    GuiTkEvent other = {0, label, GUITK_EVENT_CHANGED, {1, 0, 0, 0}};
    CompRouteEvent(countCompletion, &other);
    EXPECT_EQ(1u, posted().size()) << "other events pass on";
    KivLabelDelete(label);
    KivPopUpListDelete(p);
}

TEST_F(PopUpTest, FiltersNestWithTheCommandMenuInEitherOrder) {
    GuiTkEventHook S = sink, P = KivPopUpListEventFilter, M = KivCommandMenuEventFilter;
    int32_t p = make(), menu = KivCommandMenuCreate(0);
    addRows(menu, {u"Go"});
    struct Step {
        const char* name;
        std::function<void()> act;
        GuiTkEventHook current;
    } steps[] = {
        {"pop-up open", [&] { open(p); }, P},
        {"menu shown over it", [&] { CompShow(menu, 0); }, M},
        {"menu hidden", [&] { CompHide(menu); }, P},
        {"menu again", [&] { CompShow(menu, 0); }, M},
        {"pop-up closed under the menu", [&] { CompSetState(p, GUITK_STATE_FOCUSED); }, M},
        {"menu hidden: the sink, not the closed pop-up's filter", [&] { CompHide(menu); }, S},
        {"menu first", [&] { CompShow(menu, 0); }, M},
        {"pop-up opened over it", [&] { open(p); }, P},
        {"menu hidden under the pop-up", [&] { CompHide(menu); }, P},
        {"pop-up closed", [&] { CompSetState(p, GUITK_STATE_FOCUSED); }, S},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(s.current, CompGetDefaultHandler()) << s.name;
    }
    // with both in place, a label's update still completes and a choice still reaches the sink
    open(p);
    CompShow(menu, 0);
    posted().clear();
    CompCallDefaultHandler5(p, GUITK_EVENT_CHANGED, 1, 1, 0);
    EXPECT_EQ(1u, posted().size()) << "through both filters";
    CompHide(menu);
    KivCommandMenuDelete(menu);
    KivPopUpListDelete(p);
    EXPECT_EQ(S, CompGetDefaultHandler());
}

TEST_F(PopUpTest, DeletingAnOpenListClosesItFirst) {
    int32_t p = make();
    open(p);
    int before = host.liveHandles();
    KivPopUpListDelete(p);
    EXPECT_EQ((GuiTkEventHook)sink, CompGetDefaultHandler()) << "the filter does not outlive the list";
    EXPECT_EQ("", takeEvents()) << "nothing posted for a list that is gone";
    EXPECT_LT(host.liveHandles(), before);
    // an open step still queued for a deleted list does nothing
    int32_t q = make();
    key(q, GUITK_KEY_SELECT);
    KivPopUpListDelete(q);
    EXPECT_EQ(1, runDeferred());
    EXPECT_EQ((GuiTkEventHook)sink, CompGetDefaultHandler());
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

TEST_F(PopUpTest, OpeningASecondListIsFatal) {
    int32_t a = make(), b = make();
    open(a);
    key(b, GUITK_KEY_SELECT);
    runDeferred();
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_STATE}, host.takeFatals());
    EXPECT_EQ((GuiTkEventHook)KivPopUpListEventFilter, CompGetDefaultHandler());
    KivPopUpListDelete(b);
    EXPECT_EQ((GuiTkEventHook)KivPopUpListEventFilter, CompGetDefaultHandler()) << "the refused list leaves a's filter";
    EXPECT_EQ(1, KivPopUpListIsOpen(a));
    KivPopUpListDelete(a);
    EXPECT_EQ((GuiTkEventHook)sink, CompGetDefaultHandler());
}

TEST_F(PopUpTest, StylesOfTheListAndTheWindow) {
    static const uint32_t red[4] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000};
    const GuiTkButtonImage button = {1, red, 2, 2};
    KivPopUpListSetStyle(3, (intptr_t)&button, 0);
    KivPopUpListSetStyle(0x401, 1, 0xFF0000FF);
    int32_t p = make();
    EXPECT_EQ(5, CompGetInsetRight(p)) << "the button's width and 3";
    paint(p);
    EXPECT_EQ(pixel(0xFF0000FF), at(2, 2)) << "the focused outer frame";
    EXPECT_EQ(pixel(0xFFFF0000), at(2 + 3 + 40 - 6 - 2, 2 + 3)) << "the button image at the inner right";
    PopupWindowSetStyle(0x801, 2, 0);
    EXPECT_EQ(2u, PopupWindowGetStyle()->rows[2].outer.kind);
    KivPopUpListDelete(p);
}

TEST_F(PopUpTest, CreationLeavesNothingWhenAnAllocationFails) {
    for (int allowed = 0;; allowed++) {
        SCOPED_TRACE("allocation " + std::to_string(allowed) + " refused");
        int before = host.liveHandles();
        host.handlesBeforeFailure = allowed;
        int32_t p = KivPopUpListCreate(1);
        host.handlesBeforeFailure = -1;
        if (p != -1) {
            KivPopUpListDelete(p);
            EXPECT_EQ(before, host.liveHandles());
            break;
        }
        EXPECT_EQ(before, host.liveHandles());
        EXPECT_EQ(-1, CompGetNext(-1));
        ASSERT_LT(allowed, 12);
    }
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

}  // namespace
