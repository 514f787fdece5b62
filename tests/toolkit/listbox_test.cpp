// The list box under the radio-button, check-box and implicit lists: keys against the
// resulting focus, selection, scroll position and posted events for each style; the
// pointer; the frames, scroll arrows and ticks as reviewed pictures; the style and
// label attributes; creation that runs out of memory.
#include <functional>

#include "list_fixture.h"
#include "toolkit/guitk_choice.h"
#include "toolkit/guitk_event.h"

namespace {

struct Style {
    const char* name;
    int32_t (*create)(int32_t);
    void (*destroy)(int32_t);
    int32_t type;
    int32_t multiple;
    const char* label;
};
const Style Styles[] = {
    {"radio", KivRadioButtonCreate, KivRadioButtonDelete, GUITK_TYPE_RADIOBUTTON, 0, "Cancel"},
    {"check box", KivCheckBoxCreate, KivCheckBoxDelete, GUITK_TYPE_CHECKBOX, 1, "End"},
    {"implicit", KivImplicitListCreate, KivImplicitListDelete, GUITK_TYPE_IMPLICITLIST, 0, "Cancel"},
};

class ListBoxTest : public ListTest {
protected:
    // Five rows A..E in a box that shows two of them.
    int32_t make(const Style& s) {
        int32_t c = s.create(7);
        EXPECT_NE(-1, c);
        CompSetLocation(c, 2, 2);
        addRows(c, {u"A", u"B", u"C", u"D", u"E"});
        CompSetSize(c, 40, 2 * rowHeight(c) + 10);
        CompShow(c, 0);
        events().clear();
        return c;
    }
    int32_t rowHeight(int32_t c) { return CompGetPreferredHeight(KivListGetItem(c, 0)); }
    // The index of the row at the client's top.
    int32_t top(int32_t c) {
        int32_t shift = CompGetY(c) + CompGetInsetTop(c) - CompGetY(KivListGetItem(c, 0));
        return shift / rowHeight(c);
    }
};

TEST_F(ListBoxTest, NewListsCarryTheirKindsConstants) {
    for (const Style& s : Styles) {
        SCOPED_TRACE(s.name);
        int32_t c = s.create(3);
        EXPECT_EQ(s.type, CompGetType(c));
        EXPECT_EQ(s.multiple, KivListIsMultiple(c));
        EXPECT_EQ(-1, KivListBoxGetFocusedIndex(c));
        EXPECT_EQ(3, CompGetInsetTop(c));
        EXPECT_EQ(7, CompGetInsetBottom(c));
        EXPECT_EQ(6, CompGetMinimumWidth(c)) << "no rows: the insets";
        EXPECT_EQ(10, CompGetMinimumHeight(c));
        const GuiTkSoftkeyLabel* label = KivChoiceGetSoftkeyLabel(s.type);
        EXPECT_EQ(1u, label->position);
        EXPECT_EQ(std::u16string((const char16_t*)label->slots[0].text.get(), (size_t)label->slots[0].length),
                  std::u16string(s.label, s.label + strlen(s.label)));
        s.destroy(c);
    }
}

TEST_F(ListBoxTest, TheFirstRowTakesTheFocusAndTheOnlyRowGivesItBack) {
    int32_t c = KivRadioButtonCreate(0);
    next() = KivRadioButtonDefaultHandler;
    KivRadioButtonSetHandler(GUITK_LISTBOX_MSG_FOCUS, logging);
    ASSERT_EQ(0, KivListInsertItem(c, 0));
    EXPECT_EQ("39(0,-1)", takeLog()) << "through the whole handler chain";
    EXPECT_EQ(0, KivListBoxGetFocusedIndex(c));
    ASSERT_EQ(0, KivListInsertItem(c, 0));
    EXPECT_EQ("39(1,0)", takeLog()) << "a row inserted before the focused one moves the focus along";
    KivListRemoveItem(c, 0);
    EXPECT_EQ("39(0,1)", takeLog());
    KivListRemoveItem(c, 0);
    EXPECT_EQ("39(-1,0)", takeLog()) << "the focused only row removed: no focus";
    EXPECT_EQ(-1, KivListBoxGetFocusedIndex(c));
    KivRadioButtonDelete(c);
}

struct KeyStep {
    int32_t key, type, result, focused;
    const char* selection;
    int32_t top;
    const char* posted;
    int32_t state;
};

TEST_F(ListBoxTest, KeysMoveFocusSelectionAndScrollByStyle) {
    const int32_t P = GUITK_KEY_EVENT_PRESSED, UP = GUITK_KEY_UP, DOWN = GUITK_KEY_DOWN, SEL = GUITK_KEY_SELECT;
    struct Table {
        const Style& style;
        std::vector<KeyStep> steps;
    } tables[] = {
        {Styles[0],
         {
             {DOWN, P, 0, 0, "-----", 0, "", 2},              // not active: the keys pass
             {SEL, P, 0, 0, "-----", 0, "6(0,0)", 3},         // select activates
             {DOWN, P, 0, 1, "-----", 0, "", 3},              // focus moves, selection stays
             {DOWN, 2, 0, 2, "-----", 1, "", 3},              // a repeat moves too; scrolled
             {DOWN, 1, 0, 2, "-----", 1, "", 3},              // a release does not
             {DOWN, P, 0, 3, "-----", 2, "", 3},              //
             {DOWN, P, 0, 4, "-----", 3, "", 3},              //
             {DOWN, P, 0, 4, "-----", 3, "", 3},              // the last row: nothing
             {UP, P, 0, 3, "-----", 3, "", 3},                // still in view
             {UP, P, 0, 2, "-----", 2, "", 3},                //
             {SEL, P, 0, 2, "--2--", 2, "9(2,1) 7(0,0)", 2},  // chosen; the focus goes back
             {SEL, P, 0, 2, "--2--", 2, "6(0,0)", 3},         //
             {SEL, P, 0, 2, "--2--", 2, "7(0,0)", 2},         // a selected radio row stays, nothing posted
             {SEL, P, 0, 2, "--2--", 2, "6(0,0)", 3},         //
             {UP, P, 0, 1, "--2--", 1, "", 3},                //
             {SEL, P, 0, 1, "-1---", 1, "9(1,1) 7(0,0)", 2},  // the other row goes
         }},
        {Styles[1],
         {
             {SEL, P, 0, 0, "-----", 0, "6(0,0)", 3},
             {SEL, P, 0, 0, "0----", 0, "9(0,1)", 3},  // several rows and soft keys: stays active
             {DOWN, P, 0, 1, "0----", 0, "", 3},
             {SEL, P, 0, 1, "01---", 0, "9(1,1)", 3},
             {SEL, P, 0, 1, "0----", 0, "9(1,0)", 3},  // a second select clears it
             {UP, P, 0, 0, "0----", 0, "", 3},
             {UP, P, 0, 0, "0----", 0, "", 3},        // row 0: nothing
             {22, P, 0, 0, "0----", 0, "", 3},        // not the label's soft key
             {21, P, 0, 0, "0----", 0, "7(0,0)", 2},  // "End" on soft key 1 leaves
         }},
        {Styles[2],
         {
             {SEL, P, 0, 0, "0----", 0, "6(0,0)", 3},  // the focused row is the selected one
             {DOWN, P, 0, 1, "-1---", 0, "", 3},       // selection follows the focus
             {DOWN, P, 0, 2, "--2--", 1, "", 3},
             {SEL, P, 0, 2, "--2--", 1, "9(2,1) 7(0,0)", 2},  // posted though already selected
         }},
    };
    for (const Table& t : tables) {
        SCOPED_TRACE(t.style.name);
        int32_t c = make(t.style);
        CompSetState(c, GUITK_STATE_FOCUSED);
        events().clear();
        for (size_t k = 0; k < t.steps.size(); k++) {
            const KeyStep& s = t.steps[k];
            SCOPED_TRACE("step " + std::to_string(k) + ": key " + std::to_string(s.key));
            EXPECT_EQ(s.result, key(c, s.key, s.type));
            EXPECT_EQ(s.focused, KivListBoxGetFocusedIndex(c));
            EXPECT_EQ(std::string(s.selection), selection(c));
            EXPECT_EQ(s.top, top(c));
            EXPECT_EQ(s.posted, takeEvents());
            EXPECT_EQ(s.state, CompGetState(c));
        }
        t.style.destroy(c);
    }
}

TEST_F(ListBoxTest, ASmoothListKeepsTheFocusOnAMove) {
    int32_t c = make(Styles[0]);
    CompStoreFocusPolicy(c, GUITK_FOCUS_SMOOTH);
    CompSetState(c, GUITK_STATE_ACTIVE);
    EXPECT_EQ(1, key(c, GUITK_KEY_DOWN)) << "moved";
    EXPECT_EQ(0, key(c, GUITK_KEY_UP + 100)) << "another key";
    KivListBoxSetFocusedIndex(c, 4);
    EXPECT_EQ(0, key(c, GUITK_KEY_DOWN)) << "no move";
    KivRadioButtonDelete(c);
}

TEST_F(ListBoxTest, ImplicitSelectionAndFocusNameTheSameRow) {
    int32_t c = make(Styles[2]);
    KivListSetSelected(c, 3, 1);
    EXPECT_EQ(3, KivListBoxGetFocusedIndex(c)) << "selecting through the list moves the focus";
    EXPECT_EQ("---3-", selection(c));
    KivListRemoveItem(c, 0);
    KivListRemoveItem(c, 0);
    KivListRemoveItem(c, 0);
    EXPECT_EQ(0, KivListBoxGetFocusedIndex(c));
    EXPECT_EQ("0-", selection(c));
    KivListRemoveItem(c, 0);
    EXPECT_EQ("0", selection(c)) << "the new row 0 is selected when the focused row 0 went";
    KivImplicitListDelete(c);
}

TEST_F(ListBoxTest, PointerPressFocusesAndReleaseOnTheFocusedRowChooses) {
    for (const Style& s : Styles) {
        SCOPED_TRACE(s.name);
        int32_t c = make(s);
        int32_t rh = rowHeight(c), row1 = 3 + rh + 2;
        CompSetState(c, GUITK_STATE_FOCUSED);
        events().clear();
        pointer(c, GUITK_POINTER_PRESS, 5, row1);
        EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(c)) << "the first press activates";
        EXPECT_EQ(0, KivListBoxGetFocusedIndex(c)) << "and does nothing else";
        pointer(c, GUITK_POINTER_PRESS, 5, row1);
        EXPECT_EQ(1, KivListBoxGetFocusedIndex(c));
        events().clear();
        pointer(c, GUITK_POINTER_RELEASE, 5, 3 + 1);
        EXPECT_EQ("", takeEvents()) << "a release on another row";
        pointer(c, GUITK_POINTER_RELEASE, 5, row1);
        EXPECT_EQ("9(1,1)", takeEvents());
        pointer(c, GUITK_POINTER_RELEASE, 5, row1);
        EXPECT_EQ(s.multiple                          ? "9(1,0)"
                  : s.type == GUITK_TYPE_IMPLICITLIST ? "9(1,1)"
                                                      : "",
                  takeEvents())
            << "again: the check box clears, the radio keeps, the implicit list chooses again";
        EXPECT_EQ(-1, KivListBoxHitTest(c, 1, row1)) << "in the inset";
        EXPECT_EQ(-1, KivListBoxHitTest(c, 5, 3 + 2 * rh)) << "below the client";
        s.destroy(c);
    }
}

TEST_F(ListBoxTest, FramesArrowsAndTicksArePainted) {
    struct Case {
        const char* name;
        const Style& style;
        int32_t state;
        int32_t focused;
        int32_t selected;
        const char* picture;
    } cases[] = {
        {"radio, active, scrolled to the middle", Styles[0], GUITK_STATE_ACTIVE, 2, 2, "listbox_radio"},
        {"check box, focused, at the top", Styles[1], GUITK_STATE_FOCUSED, 0, 1, "listbox_check"},
        {"implicit, enabled, at the end", Styles[2], GUITK_STATE_ENABLED, 4, 4, "listbox_implicit"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        int32_t c = make(k.style);
        KivListSetSelected(c, k.selected, 1);
        CompSetState(c, k.state);
        KivListBoxSetFocusedIndex(c, k.focused);
        EXPECT_EQ("", picture(c, k.picture));
        // worked out from the paint rules: the outer frame, the fill, an arrow below the
        // client when rows lie below it, another further right when rows lie above
        int32_t bottom = 2 + CompGetHeight(c) - 1, arrows = 2 + 3 + CompGetHeight(c) - 10 + 1;
        EXPECT_EQ(pixel(Black), at(2, 2));
        EXPECT_EQ(pixel(Black), at(41, bottom));
        EXPECT_EQ(pixel(k.state == GUITK_STATE_ENABLED ? Black : DarkGrey), at(3, 3)) << "the inner frame";
        bool below = k.focused<4, above = k.focused> 1;
        EXPECT_EQ(below ? pixel(Black) : pixel(White), at(2 + 3 + 1, arrows)) << "down arrow";
        EXPECT_EQ(above ? pixel(Black) : pixel(White), at(2 + 3 + 7 + 2, arrows)) << "up arrow's tip";
        k.style.destroy(c);
    }
}

TEST_F(ListBoxTest, NarrowBoxesDrawOnlyWhatFits) {
    struct Case {
        int32_t width;
        bool inner, fill;
    } cases[] = {{3, false, false}, {4, true, false}, {5, true, true}};
    for (const Case& k : cases) {
        SCOPED_TRACE("width " + std::to_string(k.width));
        int32_t c = make(Styles[0]);
        CompSetSize(c, k.width, 30);
        paint(c);
        EXPECT_EQ(pixel(Black), at(2, 2)) << "the outer frame always";
        EXPECT_EQ(k.inner ? pixel(Black) : ToolkitHost::kPaper, at(3, 10)) << "the inner frame";
        if (k.fill) {
            EXPECT_EQ(pixel(White), at(4, 10));
        }
        KivRadioButtonDelete(c);
    }
}

TEST_F(ListBoxTest, ActiveListsShowTheirSoftKeyLabel) {
    recordSoftkeys();
    int32_t c = make(Styles[1]);
    CompSetState(c, GUITK_STATE_ACTIVE);
    paint(c);
    EXPECT_EQ("focus(2) reset label(End@1) paint", takeSoftkeys()) << "row 0 focused: more below only";
    KivListBoxSetFocusedIndex(c, 2);
    KivCheckBoxSetStyle(4, 2, 0);
    paint(c);
    EXPECT_EQ("focus(3) reset label(End@2) paint", takeSoftkeys()) << "the label moved to soft key 2";
    CompSetState(c, GUITK_STATE_FOCUSED);
    paint(c);
    EXPECT_EQ("", takeSoftkeys()) << "only while active";
    KivCheckBoxDelete(c);
}

TEST_F(ListBoxTest, StyleAttributesWriteTheChosenRows) {
    const GuiTkListStyle before = *KivChoiceGetStyle(GUITK_TYPE_RADIOBUTTON);
    KivRadioButtonSetStyle(0x201, 2, 0x123);
    const GuiTkListStyle* after = KivChoiceGetStyle(GUITK_TYPE_RADIOBUTTON);
    EXPECT_EQ(2u, after->rows[0].outer.kind);
    EXPECT_EQ(0x123u, after->rows[0].outer.argb);
    EXPECT_EQ(before.rows[1].outer.argb, after->rows[1].outer.argb);
    EXPECT_EQ(before.rows[2].outer.kind, after->rows[2].outer.kind);
    KivRadioButtonSetStyle(0xE02, 1, 0xFFFF0000);
    for (int row = 0; row < 3; row++) EXPECT_EQ(0xFFFF0000u, after->rows[row].inner.argb) << row;
    KivRadioButtonSetStyle(0x803, 2, 0);
    EXPECT_EQ(2u, after->rows[2].arrows.kind);
    EXPECT_EQ(1u, KivChoiceGetStyle(GUITK_TYPE_CHECKBOX)->rows[0].outer.kind) << "another kind keeps its own";
    int32_t c = make(Styles[0]);
    CompStoreForeground(c, 0xFF0000FF);
    CompSetState(c, GUITK_STATE_ACTIVE);
    paint(c);
    EXPECT_EQ(pixel(0xFFFF0000), at(3, 3)) << "the active row's inner frame";
    EXPECT_EQ(pixel(0xFF0000FF), at(2 + 3 + 1, 2 + 3 + CompGetHeight(c) - 10 + 1)) << "arrows in the foreground";
    KivRadioButtonSetStyle(4, 2, 0);
    EXPECT_EQ(2u, KivChoiceGetSoftkeyLabel(GUITK_TYPE_RADIOBUTTON)->position);
    KivRadioButtonDelete(c);
}

TEST_F(ListBoxTest, StyleDojaDrawsTheEnabledInnerFrameInTheBackground) {
    const char* options[] = {"style_doja"};
    restart(2, 1, options);
    int32_t c = make(Styles[0]);
    CompStoreBackground(c, 0xFFFFFF00);
    paint(c);
    EXPECT_EQ(pixel(0xFFFFFF00), at(3, 3));
    KivRadioButtonDelete(c);
}

TEST_F(ListBoxTest, LineQueriesUseARowOrATemporaryOne) {
    int32_t c = KivCheckBoxCreate(0);
    next() = KivCheckBoxDefaultHandler;
    KivCheckBoxSetHandler(GUITK_LIST_MSG_INSERTED, logging);
    KivCheckBoxSetHandler(GUITK_LIST_MSG_REMOVED, logging);
    EXPECT_EQ(3 * lineHeight() + 10, KivListBoxQueryRowHeight(c, 3));
    EXPECT_EQ("29(0,0) 37(0,0)", takeLog()) << "a row lent for the question";
    EXPECT_EQ(0, KivListGetSize(c));
    EXPECT_EQ(-1, KivListBoxGetFocusedIndex(c));
    GuiTkListBox r{};
    GuiTkListBox* p = (GuiTkListBox*)GuiTkLockHandle(c);
    r = *p;
    GuiTkUnlockHandle(c);
    r.list.base.height = 4 * lineHeight() + 10 + 3;
    EXPECT_EQ(4, KivListBoxRowsPerPage(&r));
    KivCheckBoxDelete(c);
}

TEST_F(ListBoxTest, EveryCreatorLeavesNothingWhenAnAllocationFails) {
    for (const Style& s : Styles)
        for (int allowed = 0;; allowed++) {
            SCOPED_TRACE(std::string(s.name) + ", allocation " + std::to_string(allowed) + " refused");
            int before = host.liveHandles();
            host.handlesBeforeFailure = allowed;
            int32_t c = s.create(1);
            host.handlesBeforeFailure = -1;
            if (c != -1) {
                s.destroy(c);
                EXPECT_EQ(before, host.liveHandles());
                break;
            }
            EXPECT_EQ(before, host.liveHandles()) << "a failed creation leaves nothing";
            EXPECT_EQ(-1, CompGetNext(-1)) << "and no component in the registry";
            ASSERT_LT(allowed, 10);
        }
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

TEST_F(ListBoxTest, ModulesThatCannotAllocateFailTheStart) {
    ASSERT_EQ(0, GuiTkFinalize());
    for (int allowed = 3;; allowed++) {
        SCOPED_TRACE("block " + std::to_string(allowed) + " refused");
        host.pointersBeforeFailure = allowed;
        int32_t result = GuiTkInitialize(0, nullptr, &host.table);
        host.pointersBeforeFailure = -1;
        if (result == 0) break;
        EXPECT_EQ(-1, result);
        EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", host.leftBehind());
        ASSERT_LT(allowed, 30);
    }
    CompSetDefaultHandler(recordEvent);
}

}  // namespace
