// The list and its items: insertion, removal and selection in both modes, the messages
// items pass up to their list, pictures and images, heights at a width under the fit
// policy (a long row clipped or wrapped, as pictures), failed allocations, and the bad
// arguments of the whole list family reaching GuiTkFatalError.
#include <functional>

#include "graphics/mk_image.h"
#include "list_fixture.h"
#include "toolkit/guitk_choice.h"
#include "toolkit/guitk_menu.h"
#include "toolkit/guitk_popup.h"
#include "toolkit/guitk_string.h"

namespace {

class ListItemsTest : public ListTest {};

TEST_F(ListItemsTest, SelectionFollowsInsertsRemovalsAndTheMode) {
    struct Step {
        const char* name;
        std::function<void(int32_t)> act;
        const char* selection;
        int32_t selectedIndex;
    };
    struct Table {
        const char* name;
        int32_t (*create)(int32_t);
        void (*destroy)(int32_t);
        std::vector<Step> steps;
    } tables[] = {
        {"exclusive",
         KivRadioButtonCreate,
         KivRadioButtonDelete,
         {
             {"select 1", [](int32_t l) { KivListSetSelected(l, 1, 1); }, "-1--", 1},
             {"select 3 deselects 1", [](int32_t l) { KivListSetSelected(l, 3, 1); }, "---3", 3},
             {"insert before it", [](int32_t l) { KivListInsertItem(l, 0); }, "----4", 4},
             {"append after it", [](int32_t l) { KivListInsertItem(l, 5); }, "----4-", 4},
             {"remove before it", [](int32_t l) { KivListRemoveItem(l, 0); }, "---3-", 3},
             {"remove it", [](int32_t l) { KivListRemoveItem(l, 3); }, "----", -1},
             {"select 0, deselect it",
              [](int32_t l) {
                  KivListSetSelected(l, 0, 1);
                  KivListSetSelected(l, 0, 0);
              },
              "----", -1},
             {"quietly", [](int32_t l) { KivListStoreSelected(l, 2, 7); }, "--2-", 2},
         }},
        {"multiple",
         KivCheckBoxCreate,
         KivCheckBoxDelete,
         {
             {"select 2", [](int32_t l) { KivListSetSelected(l, 2, 1); }, "--2-", 2},
             {"and 3: the lowest stays", [](int32_t l) { KivListSetSelected(l, 3, 1); }, "--23", 2},
             {"and 1", [](int32_t l) { KivListSetSelected(l, 1, 1); }, "-123", 1},
             {"deselect 1: the next", [](int32_t l) { KivListSetSelected(l, 1, 0); }, "--23", 2},
             {"deselect 3: not the lowest", [](int32_t l) { KivListSetSelected(l, 3, 0); }, "--2-", 2},
             {"select 3 again", [](int32_t l) { KivListSetSelected(l, 3, 1); }, "--23", 2},
             {"remove 2: the next selected", [](int32_t l) { KivListRemoveItem(l, 2); }, "--2", 2},
             {"remove it: none left", [](int32_t l) { KivListRemoveItem(l, 2); }, "--", -1},
         }},
    };
    for (const Table& t : tables) {
        int32_t l = t.create(0);
        addRows(l, {u"a", u"b", u"c", u"d"});
        for (const Step& s : t.steps) {
            s.act(l);
            EXPECT_EQ(s.selection, selection(l)) << t.name << ": " << s.name;
            EXPECT_EQ(s.selectedIndex, KivListGetSelectedIndex(l)) << t.name << ": " << s.name;
            for (int32_t k = 0; k < KivListGetSize(l); k++)
                EXPECT_EQ(k, ListBodyGetIndex(KivListGetItem(l, k))) << t.name << ": " << s.name << ": renumbered";
        }
        t.destroy(l);
    }
}

TEST_F(ListItemsTest, ItemsTellTheirListWhatChanged) {
    int32_t l = KivRadioButtonCreate(0);
    addRows(l, {u"a", u"b"});
    next() = KivRadioButtonDefaultHandler;
    for (int id = GUITK_LIST_MSG_TEXT; id <= GUITK_LIST_MSG_SELECTED; id++) KivRadioButtonSetHandler(id, logging);
    uint32_t argb[6] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000};
    int32_t error = 0;
    MkSurface* image = MkImageCreateFromARGB(argb, 3, 2, 0, &error);
    ASSERT_EQ(0, error);
    int32_t img = p32Cell(image);
    std::string i = std::to_string(img);
    KivListSetText(l, 1, units(u"xy"), 2);
    int32_t text = KivListGetText(l, 1);
    EXPECT_EQ(u"xy", contentOf(text));
    EXPECT_EQ("31(1," + std::to_string(text) + ")", takeLog());
    KivListSetImage(l, 0, img);
    EXPECT_EQ("32(0," + i + ")", takeLog());
    KivListSetOffScreen(l, 0, img);
    EXPECT_EQ("32(0,-1) 33(0," + i + ")", takeLog()) << "the image goes first, through its own message";
    EXPECT_EQ(-1, KivListGetImage(l, 0));
    EXPECT_EQ(img, KivListGetOffScreen(l, 0));
    KivListSetImage(l, 0, img);
    EXPECT_EQ("33(0,-1) 32(0," + i + ")", takeLog()) << "and the other way round";
    KivListSetFont(l, 1, CompGetFont(l) + 0);
    EXPECT_EQ("", takeLog()) << "the same font changes nothing";
    KivListSetSelected(l, 1, 1);
    EXPECT_EQ("35(1,1)", takeLog());
    EXPECT_EQ(0, KivListSetTitle(l, units(u"T"), 1));
    EXPECT_EQ(u"T", contentOf(KivListGetTitle(l)));
    EXPECT_EQ(0, KivListSetTitle(l, nullptr, 0));
    EXPECT_EQ(-1, KivListGetTitle(l));
    KivListSetImage(l, 0, -1);
    KivRadioButtonDelete(l);
    MkImageDestroy(image);
}

TEST_F(ListItemsTest, WrapPolicyReachesEveryItem) {
    int32_t l = KivImplicitListCreate(0);
    addRows(l, {u"a", u"b"});
    next() = KivImplicitListDefaultHandler;
    KivImplicitListSetHandler(GUITK_LIST_MSG_WRAP, logging);
    KivListSetWrapPolicy(l, GUITK_WRAP_OFF);
    EXPECT_EQ("36(2,0)", takeLog());
    EXPECT_EQ(GUITK_WRAP_OFF, ListBodyGetWrap(KivListGetItem(l, 1)));
    KivListSetWrapPolicy(l, GUITK_WRAP_OFF);
    EXPECT_EQ("", takeLog()) << "unchanged";
    KivListStoreWrapPolicy(l, GUITK_WRAP_ON);
    EXPECT_EQ("", takeLog()) << "stored without a message";
    EXPECT_EQ(GUITK_WRAP_ON, ListBodyGetWrap(KivListGetItem(l, 0)));
    ASSERT_EQ(0, KivListInsertItem(l, 2));
    EXPECT_EQ(GUITK_WRAP_ON, ListBodyGetWrap(KivListGetItem(l, 2))) << "a new item takes the list's policy";
    KivImplicitListDelete(l);
}

TEST_F(ListItemsTest, HeightAtAWidthFollowsTheFitPolicy) {
    int32_t l = KivImplicitListCreate(0);
    addRows(l, {u"abcabcabc"});
    int32_t item = KivListGetItem(l, 0), h = lineHeight(), third = advanceOf(u"abc");
    struct Case {
        int32_t policy, truncate, width, lines;
    } cases[] = {
        {GUITK_WRAP_DEFAULT, 0, third, 3},      // the default wraps
        {GUITK_WRAP_DEFAULT, 0, 3 * third, 1},  // wide enough
        {GUITK_WRAP_DEFAULT, 1, third, 1},      // a truncating item does not
        {GUITK_WRAP_ON, 1, third, 3},           // unless told to
        {GUITK_WRAP_OFF, 0, third, 1},          //
        {GUITK_WRAP_ON, 0, 0, 9},               // one unit a line at width 0
    };
    for (const Case& c : cases) {
        ListBodySetWrap(item, c.policy);
        CompSetTruncateMode(item, c.truncate);
        EXPECT_EQ(c.lines * h, CompGetPreferredHeightForWidth(item, c.width))
            << "policy " << c.policy << " truncate " << c.truncate << " width " << c.width;
    }
    EXPECT_EQ(4 * h, ListBodyQueryLines(item, 4));
    KivImplicitListDelete(l);
    int32_t radio = KivRadioButtonCreate(0);
    addRows(radio, {u""});
    EXPECT_EQ(11, CompGetPreferredHeightForWidth(KivListGetItem(radio, 0), 20)) << "an empty row is a tick high";
    EXPECT_EQ(11, CompGetInsetLeft(KivListGetItem(radio, 0))) << "the tick's indent";
    KivRadioButtonDelete(radio);
}

TEST_F(ListItemsTest, LongRowsAreClippedOrWrapped) {
    struct Case {
        const char* name;
        int32_t policy;
        const char* picture;
    } cases[] = {
        {"wrap off: clipped at the client", GUITK_WRAP_OFF, "list_clipped"},
        {"wrap on: broken into lines", GUITK_WRAP_ON, "list_wrapped"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        int32_t l = KivImplicitListCreate(0);
        CompSetLocation(l, 2, 2);
        addRows(l, {u"abcdefghijkl", u"xy"});
        KivListSetWrapPolicy(l, k.policy);
        CompSetSize(l, 36, 44);
        CompSetState(l, GUITK_STATE_ACTIVE);
        EXPECT_EQ("", picture(l, k.picture));
        int32_t rows = k.policy == GUITK_WRAP_ON ? 2 : 1;
        EXPECT_EQ(rows * lineHeight(), CompGetHeight(KivListGetItem(l, 0)));
        EXPECT_EQ(5 + rows * lineHeight(), CompGetY(KivListGetItem(l, 1))) << "the next row starts below";
        EXPECT_EQ(pixel(Black), at(38 - 4, 2)) << "the frame is not overdrawn";
        KivImplicitListDelete(l);
    }
}

TEST_F(ListItemsTest, ADisabledListDisablesItsItems) {
    int32_t l = KivCheckBoxCreate(0);
    addRows(l, {u"a", u"b"});
    CompSetState(l, GUITK_STATE_DISABLED);
    EXPECT_EQ(0, CompGetState(KivListGetItem(l, 0)));
    EXPECT_EQ(0, CompGetState(KivListGetItem(l, 1)));
    CompSetState(l, GUITK_STATE_ENABLED);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(KivListGetItem(l, 0))) << "the focused row, a smooth item";
    EXPECT_EQ(GUITK_STATE_ENABLED, CompGetState(KivListGetItem(l, 1)));
    KivCheckBoxDelete(l);
}

TEST_F(ListItemsTest, TickImagesReplaceTheMasks) {
    static uint32_t off[4] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000};
    static uint32_t on[4] = {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF};
    const GuiTkTickImages images = {1, off, on, 2, 2};
    ListBodySetStyle(7, (intptr_t)&images, 0);
    int32_t l = KivCheckBoxCreate(0);
    CompSetLocation(l, 0, 0);
    addRows(l, {u"a", u"b"});
    CompSetSize(l, 40, 40);
    KivListSetSelected(l, 1, 1);
    EXPECT_EQ(2, CompGetInsetLeft(KivListGetItem(l, 0))) << "indented by the image's width";
    paint(l);
    EXPECT_EQ(pixel(0xFFFF0000), at(3, 3));
    EXPECT_EQ(pixel(0xFF0000FF), at(3, 3 + lineHeight()));
    KivCheckBoxDelete(l);
}

TEST_F(ListItemsTest, FailedAllocationsLeaveTheListAsItWas) {
    int32_t l = KivImplicitListCreate(0);
    addRows(l, {u"keep"});
    int32_t text = KivListGetText(l, 0);
    for (int allowed = 0;; allowed++) {
        SCOPED_TRACE("allocation " + std::to_string(allowed) + " refused");
        int before = host.liveHandles();
        host.handlesBeforeFailure = allowed;
        int32_t result = KivListInsertItem(l, 0);
        host.handlesBeforeFailure = -1;
        if (result == 0) {
            EXPECT_EQ(2, KivListGetSize(l));
            break;
        }
        EXPECT_EQ(-1, result);
        EXPECT_EQ(before, host.liveHandles());
        EXPECT_EQ(1, KivListGetSize(l));
        EXPECT_EQ(0, KivListBoxGetFocusedIndex(l));
        ASSERT_LT(allowed, 10);
    }
    host.handlesBeforeFailure = 0;
    EXPECT_EQ(-1, KivListSetText(l, 1, units(u"new"), 3));
    EXPECT_EQ(-1, KivListSetTitle(l, units(u"new"), 3));
    host.handlesBeforeFailure = -1;
    EXPECT_EQ(text, KivListGetText(l, 1)) << "the old text stays";
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
    KivImplicitListDelete(l);
}

TEST_F(ListItemsTest, BadArgumentsAreFatal) {
    int32_t radio = KivRadioButtonCreate(0), check = KivCheckBoxCreate(0), popup = KivPopUpListCreate(0);
    int32_t menu = KivCommandMenuCreate(0);
    addRows(radio, {u"a"});
    const GuiTkTickImages noPixels = {1, nullptr, nullptr, 9, 9};
    struct Case {
        const char* name;
        std::function<void()> call;
        int32_t code;
    } cases[] = {
        {"item 1 of 1", [&] { KivListGetItem(radio, 1); }, 3},
        {"insert at -1", [&] { KivListInsertItem(radio, -1); }, 3},
        {"insert past the end", [&] { KivListInsertItem(radio, 2); }, 3},
        {"remove at the count", [&] { KivListRemoveItem(radio, 1); }, 3},
        {"select -1", [&] { KivListSetSelected(radio, -1, 1); }, 3},
        {"wrap policy 3", [&] { KivListSetWrapPolicy(radio, 3); }, 3},
        {"negative image size", [] { KivListSetPrefImageSize(-1, 0); }, 3},
        {"item kind 4", [] { ListBodyCreate(0, 4); }, 3},
        {"negative index", [&] { ListBodySetIndex(KivListGetItem(radio, 0), -1); }, 3},
        {"line query -1", [&] { ListBodyQueryLines(KivListGetItem(radio, 0), -1); }, 3},
        {"line mode 0", [&] { ListBodySetLineMode(KivListGetItem(radio, 0), 0); }, 3},
        {"item slot 38", [] { ListBodySetHandler(38, ListBodyDefaultHandler); }, 3},
        {"null item key hook", [] { ListBodySetKeyHook(nullptr); }, 3},
        {"item style 9", [] { ListBodySetStyle(9, 1, 0); }, 3},
        {"focus colour mode 3", [] { ListBodySetStyle(2, 3, 0); }, 3},
        {"selected text mode 4", [] { ListBodySetStyle(5, 4, 0); }, 3},
        {"tick images without pixels", [&] { ListBodySetStyle(8, (intptr_t)&noPixels, 0); }, 3},
        {"focus index past the rows", [&] { KivListBoxSetFocusedIndex(radio, 1); }, 3},
        {"focus index -2", [&] { KivListBoxSetFocusedIndex(radio, -2); }, 3},
        {"row height of -1 lines", [&] { KivListBoxQueryRowHeight(radio, -1); }, 3},
        {"radio slot 44", [] { KivRadioButtonSetHandler(44, KivRadioButtonDefaultHandler); }, 3},
        {"null check-box hook", [] { KivCheckBoxSetActiveKeyHook(nullptr); }, 3},
        {"null implicit pointer hook", [] { KivImplicitListSetPointerHook(nullptr); }, 3},
        {"attribute 1 without rows", [] { KivRadioButtonSetStyle(1, 1, 0); }, 3},
        {"row bit 0x1000", [] { KivRadioButtonSetStyle(0x1201, 1, 0); }, 3},
        {"arrow kind 3", [] { KivRadioButtonSetStyle(0x203, 3, 0); }, 3},
        {"label call with rows", [] { KivCheckBoxSetStyle(0x204, 2, 0); }, 3},
        {"label position 4", [] { KivCheckBoxSetStyle(4, 4, 0); }, 3},
        {"label text without characters", [] { KivCheckBoxSetStyle(5, 0, 3); }, 3},
        {"implicit label attribute", [] { KivImplicitListSetStyle(4, 2, 0); }, 3},
        {"a check box deleted as a radio list", [&] { KivRadioButtonDelete(check); }, 4},
        {"pop-up row bit 0x800", [] { KivPopUpListSetStyle(0x801, 1, 0); }, 3},
        {"pop-up button without pixels",
         [] {
             const GuiTkButtonImage none = {1, nullptr, 9, 9};
             KivPopUpListSetStyle(3, (intptr_t)&none, 0);
         },
         3},
        {"pop-up slot 41", [] { KivPopUpListSetHandler(41, KivPopUpListDefaultHandler); }, 3},
        {"window row 0", [] { PopupWindowSetStyle(0x201, 1, 0); }, 3},
        {"window close background mode 2", [] { PopupWindowSetStyle(8, 2, 0); }, 3},
        {"menu close background mode 2", [] { KivCommandMenuSetStyle(8, 2, 0); }, 3},
        {"menu title of one missing character", [] { KivCommandMenuSetStyle(1, 0, 1); }, 3},
        {"menu attribute 9", [] { KivCommandMenuSetStyle(9, 1, 0); }, 3},
        {"menu slot 44", [] { KivCommandMenuSetHandler(44, KivCommandMenuDefaultHandler); }, 3},
        {"null menu hook", [] { KivCommandMenuSetPointerHook(nullptr); }, 3},
    };
    for (const Case& c : cases) {
        c.call();
        std::vector<int32_t> fatals = host.takeFatals();
        EXPECT_FALSE(fatals.empty()) << c.name;
        for (int32_t code : fatals) EXPECT_EQ(c.code, code) << c.name;
    }
    EXPECT_EQ(1, KivListGetSize(radio)) << "nothing changed";
    EXPECT_EQ(0, KivListBoxGetFocusedIndex(radio));
    EXPECT_EQ(GUITK_WRAP_DEFAULT, KivListGetWrapPolicy(radio));
    EXPECT_EQ(1u, KivChoiceGetSoftkeyLabel(GUITK_TYPE_CHECKBOX)->position);
    KivCommandMenuSetStyle(1, 0, 0);
    EXPECT_EQ(0, KivCommandMenuGetTitleWidth()) << "a null title of length 0 empties it";
    KivCommandMenuSetStyle(8, 3, 0);
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << "background mode 3 is accepted";
    KivRadioButtonDelete(radio);
    KivCheckBoxDelete(check);
    KivPopUpListDelete(popup);
    KivCommandMenuDelete(menu);
}

}  // namespace
