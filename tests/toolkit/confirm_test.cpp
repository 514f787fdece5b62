// The confirmation dialog: the rows each mode set gives and the answer of every row, the
// keys of the three dialog types, the two-step choice by keys, scrolling, the answer of
// a dialog whose modes were never set, texts that cannot be made, the host-drawn
// variant, and the pictures of a shown and a scrolled dialog.
#include <string>
#include <vector>

#include "list_fixture.h"
#include "toolkit/guitk_choice.h"
#include "toolkit/guitk_confirm.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_string.h"

namespace {

class ConfirmTest : public ListTest {
protected:
    // A shown, active dialog covering the test screen.
    int32_t make(int32_t modes = -2, int32_t initial = GUITK_CONFIRM_ONESHOT) {
        int32_t d = KivConfirmCreate(GUITK_CONFIRM_NUMBER);
        EXPECT_NE(-1, d);
        if (modes != -2) {
            EXPECT_EQ(0, KivConfirmSetInteractionModes(d, modes));
        }
        KivConfirmSetInitialInteractionMode(d, initial);
        CompSetLocation(d, 0, 0);
        CompSetSize(d, 64, 48);
        CompShow(d, 0);
        CompSetState(d, GUITK_STATE_ACTIVE);
        events().clear();
        return d;
    }
    static std::string rows(int32_t list) {
        std::string out;
        for (int32_t k = 0; k < KivListGetSize(list); k++) {
            int32_t t = KivListGetText(list, k);
            std::u16string s = t == -1 ? u"" : contentOf(t);
            out += (k == 0 ? "" : "|") + std::string(s.begin(), s.end());
        }
        return out;
    }
    static int32_t setMessage(int32_t d, const char16_t* s) {
        return KivConfirmSetMessage(d, units(s), (int32_t)std::char_traits<char16_t>::length(s));
    }
};

TEST_F(ConfirmTest, ANewDialogShowsTheSixDefaultRows) {
    EXPECT_EQ(-1, KivConfirmCreate(275)) << "only the permission dialog's number";
    int32_t d = KivConfirmCreate(GUITK_CONFIRM_NUMBER);
    ASSERT_NE(-1, d);
    EXPECT_EQ(GUITK_TYPE_CONFIRM, CompGetType(d));
    EXPECT_EQ(GUITK_FOCUS_SMOOTH, CompGetFocusPolicy(d));
    EXPECT_EQ(64, CompGetPreferredWidth(d));
    EXPECT_EQ(48, CompGetMinimumHeight(d));
    EXPECT_EQ(
        "Allow and don't ask again|Allow for this session|No for this session|Allow and ask me next time|Not now|Never",
        rows(KivConfirmGetChoiceList(d)));
    EXPECT_EQ("|", rows(KivConfirmGetExclusiveList(d)));
    EXPECT_EQ(GUITK_CONFIRM_ONESHOT, KivConfirmGetInitialInteractionMode(d));
    EXPECT_EQ(1, KivConfirmGetOkKeyPos(d));
    EXPECT_EQ(2, KivConfirmGetCancelKeyPos(d));
    EXPECT_EQ(-1, KivConfirmGetPermissionIndex(d));
    KivConfirmDelete(d);
}

TEST_F(ConfirmTest, EachModeSetGivesItsRowsAndEachRowItsAnswer) {
    struct Case {
        const char* name;
        int32_t modes, initial;
        const char* rows;
        std::vector<const char*> answers;  // OK with each row selected
    } cases[] = {
        {"all modes",
         GUITK_CONFIRM_BLANKET | GUITK_CONFIRM_SESSION | GUITK_CONFIRM_ONESHOT | GUITK_CONFIRM_NO,
         GUITK_CONFIRM_ONESHOT,
         "Allow and don't ask again|Allow for this session|Allow and ask me next time|Not now|Never",
         {"9(1,1)", "9(1,2)", "9(1,4)", "9(0,4)", "9(0,8)"}},
        {"session only: the deny row keeps the initial mode",
         GUITK_CONFIRM_SESSION,
         GUITK_CONFIRM_SESSION,
         "Allow for this session|Not now",
         {"9(1,2)", "9(0,2)"}},
        {"one-shot and never",
         GUITK_CONFIRM_ONESHOT | GUITK_CONFIRM_NO,
         GUITK_CONFIRM_ONESHOT,
         "Allow and ask me next time|Not now|Never",
         {"9(1,4)", "9(0,4)", "9(0,8)"}},
        {"blanket without never",
         GUITK_CONFIRM_BLANKET,
         GUITK_CONFIRM_BLANKET,
         "Allow and don't ask again|Not now",
         {"9(1,1)", "9(0,1)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t d = make(c.modes, c.initial);
        int32_t list = KivConfirmGetChoiceList(d);
        EXPECT_EQ(c.rows, rows(list));
        for (size_t row = 0; row < c.answers.size(); row++) {
            KivListSetSelected(list, (int32_t)row, 1);
            key(d, GUITK_KEY_SOFT1);
            EXPECT_EQ(c.answers[row], takeEvents()) << "row " << row;
        }
        KivConfirmDelete(d);
    }
}

TEST_F(ConfirmTest, TheInitialModeSelectsItsRow) {
    struct Case {
        int32_t modes, initial, selected;
    } cases[] = {
        {GUITK_CONFIRM_BLANKET | GUITK_CONFIRM_SESSION | GUITK_CONFIRM_ONESHOT, GUITK_CONFIRM_SESSION, 1},
        {GUITK_CONFIRM_BLANKET | GUITK_CONFIRM_SESSION | GUITK_CONFIRM_ONESHOT, GUITK_CONFIRM_ONESHOT, 2},
        {GUITK_CONFIRM_SESSION | GUITK_CONFIRM_ONESHOT, GUITK_CONFIRM_ONESHOT, 1},
        {GUITK_CONFIRM_ONESHOT, GUITK_CONFIRM_SESSION, 0},  // a mode the set lacks: row 0
    };
    for (const Case& c : cases) {
        int32_t d = make(c.modes, c.initial);
        int32_t list = KivConfirmGetChoiceList(d);
        EXPECT_EQ(c.selected, KivListGetSelectedIndex(list)) << "modes " << c.modes << " initial " << c.initial;
        EXPECT_EQ(0, KivListBoxGetFocusedIndex(list)) << "the focus starts on top";
        KivConfirmDelete(d);
    }
}

TEST_F(ConfirmTest, ModesNeverSetGrantNothingAndRefuseNothingForGood) {
    // the six default rows are described by no mode set: row 0 must not answer "never"
    int32_t d = make();
    key(d, GUITK_KEY_SOFT1);
    EXPECT_EQ("9(0,4)", takeEvents());
    KivConfirmDelete(d);
}

TEST_F(ConfirmTest, TheKeysOfTheThreeTypes) {
    struct Step {
        int32_t key;
        const char* posted;
    };
    struct Case {
        const char* name;
        int32_t type;
        std::vector<Step> steps;
    } cases[] = {
        {"normal: Cancel does nothing", GUITK_CONFIRM_NORMAL, {{22, ""}, {GUITK_KEY_SOFT1, "9(1,4)"}}},
        {"alert", GUITK_CONFIRM_ALERT, {{22, "11(0,0)"}, {GUITK_KEY_SOFT1, "10(0,0)"}}},
        {"exclusive", GUITK_CONFIRM_EXCLUSIVE, {{GUITK_KEY_SOFT1, "10(0,0)"}, {22, "11(0,0)"}}},
        {"keys moved", GUITK_CONFIRM_EXCLUSIVE, {{23, "10(0,0)"}, {21, "11(0,0)"}, {22, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t d = KivConfirmCreate(GUITK_CONFIRM_NUMBER);
        ASSERT_EQ(0, KivConfirmSetInteractionModes(d, GUITK_CONFIRM_ONESHOT));
        KivConfirmSetInitialInteractionMode(d, GUITK_CONFIRM_ONESHOT);
        KivConfirmSetDialogType(d, c.type);
        ASSERT_EQ(0, KivConfirmSetTextExclusiveChoices(d, units(u"Net"), 3, units(u"Push"), 4));
        if (std::string(c.name) == "keys moved") {
            KivConfirmSetOkKeyPos(d, 3);
            KivConfirmSetCancelKeyPos(d, 1);
        }
        CompSetSize(d, 64, 48);
        CompShow(d, 0);
        CompSetState(d, GUITK_STATE_ACTIVE);
        events().clear();
        for (const Step& s : c.steps) {
            key(d, s.key);
            EXPECT_EQ(s.posted, takeEvents()) << "key " << s.key;
        }
        KivConfirmDelete(d);
    }
    int32_t d = make();
    KivConfirmSetOkKeyPos(d, 4);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals());
    EXPECT_EQ(1, KivConfirmGetOkKeyPos(d)) << "the position outside 1..3 is not stored";
    KivConfirmDelete(d);
}

TEST_F(ConfirmTest, SelectTakesTheListAndPicksTheFocusedRow) {
    int32_t d = make(GUITK_CONFIRM_SESSION | GUITK_CONFIRM_ONESHOT | GUITK_CONFIRM_NO, GUITK_CONFIRM_ONESHOT);
    int32_t list = KivConfirmGetChoiceList(d);
    paint(d);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(list)) << "laid out in view, the smooth list takes the keys";
    EXPECT_EQ(1, KivListGetSelectedIndex(list)) << "the one-shot row";
    key(d, GUITK_KEY_DOWN);
    key(d, GUITK_KEY_DOWN);
    EXPECT_EQ(2, KivListBoxGetFocusedIndex(list));
    key(d, GUITK_KEY_SELECT);
    EXPECT_EQ(2, KivListGetSelectedIndex(list));
    events().clear();
    key(d, GUITK_KEY_SOFT1);
    EXPECT_EQ("9(0,4)", takeEvents()) << "the deny row";
    KivConfirmDelete(d);
}

TEST_F(ConfirmTest, UpAndDownScrollWhenTheListDoesNotTakeThem) {
    int32_t d = make(GUITK_CONFIRM_BLANKET | GUITK_CONFIRM_SESSION | GUITK_CONFIRM_ONESHOT | GUITK_CONFIRM_NO);
    ASSERT_EQ(0, setMessage(d, u"1\n2\n3\n4\n5\n6\n7\n8\n9\n10"));
    paint(d);
    int32_t list = KivConfirmGetChoiceList(d);
    ASSERT_EQ(GUITK_STATE_ENABLED, CompGetState(list)) << "the list starts below the view";
    struct Step {
        int32_t key;
        int32_t offset;
    } steps[] = {{GUITK_KEY_UP, 0},  {GUITK_KEY_DOWN, 12}, {GUITK_KEY_DOWN, 24},
                 {GUITK_KEY_UP, 12}, {GUITK_KEY_UP, 0},    {GUITK_KEY_UP, 0}};
    for (const Step& s : steps) {
        key(d, s.key);
        paint(d);
        EXPECT_EQ(s.offset, KivConfirmGetScrollOffset(d)) << "key " << s.key;
    }
    for (int k = 0; k < 40; k++) key(d, GUITK_KEY_DOWN);
    paint(d);
    int32_t bottom = KivConfirmGetScrollOffset(d);
    EXPECT_EQ(4, KivListBoxGetFocusedIndex(list)) << "once in view the list took the keys";
    EXPECT_EQ(48, CompGetY(list) + CompGetHeight(list)) << "scrolled no further than the list's bottom";
    EXPECT_GT(bottom, 0);
    KivConfirmDelete(d);
}

TEST_F(ConfirmTest, TextsThatCannotBeMadeKeepTheOldOnes) {
    int32_t d = make();
    ASSERT_EQ(0, setMessage(d, u"first"));
    host.handlesBeforeFailure = 0;
    EXPECT_EQ(-1, setMessage(d, u"second"));
    EXPECT_EQ(-1, KivConfirmSetTextOk(d, units(u"OK"), 2));
    host.handlesBeforeFailure = -1;
    EXPECT_EQ(0, KivConfirmSetTextOk(d, units(u"OK"), 2));
    KivConfirmDelete(d);
}

TEST_F(ConfirmTest, TheChoiceTextsGoToTheRowsOfTheFullSet) {
    int32_t d = make(-1);
    const char16_t* texts[6] = {u"A", u"S", u"x", u"O", u"N", u"V"};
    int32_t (*setters[6])(int32_t, const uint16_t*, int32_t) = {KivConfirmSetChoiceText1, KivConfirmSetChoiceText2,
                                                                KivConfirmSetChoiceText3, KivConfirmSetChoiceText4,
                                                                KivConfirmSetChoiceText5, KivConfirmSetChoiceText6};
    for (int k = 5; k >= 0; k--) ASSERT_EQ(0, setters[k](d, units(texts[k]), 1)) << "text " << k + 1;
    int32_t list = KivConfirmGetChoiceList(d);
    EXPECT_EQ("A|S|O|N|V", rows(list));
    ASSERT_EQ(0, KivConfirmSetInteractionModes(d, GUITK_CONFIRM_SESSION | GUITK_CONFIRM_NO));
    EXPECT_EQ("S|N|V", rows(list)) << "a rebuild takes the stored texts";
    KivConfirmDelete(d);
}

TEST_F(ConfirmTest, TheHostDrawnVariantAnswersThroughTheHostScreen) {
    int32_t d = make(GUITK_CONFIRM_ONESHOT, GUITK_CONFIRM_ONESHOT);
    ASSERT_EQ(0, setMessage(d, u"Go?"));
    KivConfirmSetNativeDialogEvtHandler();
    struct Step {
        int32_t key;
        const char* posted;
    } steps[] = {
        {GUITK_KEY_LEFT, ""}, {GUITK_KEY_SELECT, "9(0,4)"}, {GUITK_KEY_RIGHT, ""}, {GUITK_KEY_SELECT, "9(1,4)"}};
    for (const Step& s : steps) {
        key(d, s.key);
        EXPECT_EQ(s.posted, takeEvents()) << "key " << s.key;
    }
    KivConfirmDelete(d);
}

TEST_F(ConfirmTest, PicturesOfAShownAndAScrolledDialog) {
    int32_t d = make(GUITK_CONFIRM_SESSION | GUITK_CONFIRM_ONESHOT, GUITK_CONFIRM_ONESHOT);
    ASSERT_EQ(0, KivConfirmSetTitle(d, units(u"Net?"), 4));
    ASSERT_EQ(0, setMessage(d, u"Go on?"));
    EXPECT_EQ("", picture(d, "confirm_shown"));
    key(d, GUITK_KEY_DOWN);
    EXPECT_EQ("", picture(d, "confirm_scrolled"));
    KivConfirmDelete(d);
}

}  // namespace
