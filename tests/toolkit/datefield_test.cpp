// The date field: the calendar rules of a value, value and mode messages, the lines'
// keys and taps, the platform editor's opening and closing, paint, styles and failed
// allocations.
#include "kind_fixture.h"
#include "toolkit/guitk_datefield.h"
#include "toolkit/guitk_editorpeer.h"
#include "toolkit/guitk_string.h"

namespace {

// What the editor peer was asked to do: "open close".
std::string& editorCalls() {
    static std::string calls;
    return calls;
}
void addCall(const char* what) { editorCalls() += (editorCalls().empty() ? "" : " ") + std::string(what); }

struct Posted {
    GuiTkEventCallback callback;
    GuiTkEvent event;
};
std::vector<Posted>& posted() {
    static std::vector<Posted> list;
    return list;
}

class DateFieldTest : public KindTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(KindTest::SetUp());
        GuiTkEditorPeers.MgurDateFieldOpenEditor = [](int32_t) { addCall("open"); };
        GuiTkEditorPeers.MgurDateFieldCloseEditor = [](int32_t) { addCall("close"); };
        editorCalls().clear();
        CompSetDefaultHandler(sink);
        posted().clear();
    }
    void TearDown() override {
        GuiTkEditorPeers = DefaultGuiTkEditorPeers;
        KindTest::TearDown();
    }
    static int32_t sink(GuiTkEventCallback callback, GuiTkEvent* event) {
        posted().push_back({callback, *event});
        events().push_back(*event);
        return 1;
    }
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
    static std::string takeEditorCalls() {
        std::string out;
        out.swap(editorCalls());
        return out;
    }
    // Posted codes less 0x10000, updates and deferred calls left out.
    static std::string codes() {
        std::string out;
        for (const GuiTkEvent& e : events())
            if (e.code != GUITK_EVENT_UPDATE && e.code != GUITK_EVENT_DEFERRED)
                out += (out.empty() ? "" : " ") + std::to_string(e.code - 0x10000);
        events().clear();
        return out;
    }
    // A field at (2, 2), 60 wide, showing date and time, with a value.
    int32_t make(int32_t mode = GUITK_DATEFIELD_DATE_TIME) {
        int32_t f = KivDateFieldCreate(0);
        EXPECT_NE(-1, f);
        KivDateFieldSetInputMode(f, mode);
        KivDateFieldSetTime(f, 2024, 1, 29, 23, 59);
        CompSetLocation(f, 2, 2);
        CompSetSize(f, 60, 2 * lineHeight() + 4);
        return f;
    }
    static int32_t key(int32_t f, int32_t code, int32_t type = GUITK_KEY_EVENT_PRESSED) {
        GuiTkKeyEvent e = {f, type, code, 0};
        return CompProcessKeyEvent(&e);
    }
    static int32_t tap(int32_t f, int32_t kind, int32_t x, int32_t y, int32_t button = 0) {
        GuiTkPointerEvent e = {f, {kind, button, x, y}};
        return CompProcessPointerEvent(&e);
    }
    static std::string text(int32_t f, int32_t part) {
        std::string out;
        for (char16_t ch : contentOf(KivDateFieldGetText(f, part))) out += (char)ch;
        return out;
    }
};

TEST_F(DateFieldTest, CalendarRules) {
    struct Case {
        const char* name;
        int32_t year, month, day, hour, minute;
        bool valid;
    } cases[] = {
        {"29 February 1900", 1900, 1, 29, 0, 0, false},
        {"29 February 2000", 2000, 1, 29, 0, 0, true},
        {"29 February 1500, Julian", 1500, 1, 29, 0, 0, true},
        {"29 February 1700", 1700, 1, 29, 0, 0, false},
        {"29 February 1582, Julian but no leap year", 1582, 1, 29, 0, 0, false},
        {"29 February of year -4", -4, 1, 29, 0, 0, true},
        {"28 February 1900", 1900, 1, 28, 0, 0, true},
        {"4 October 1582", 1582, 9, 4, 0, 0, true},
        {"5 October 1582", 1582, 9, 5, 0, 0, false},
        {"10 October 1582", 1582, 9, 10, 0, 0, false},
        {"14 October 1582", 1582, 9, 14, 0, 0, false},
        {"15 October 1582", 1582, 9, 15, 0, 0, true},
        {"10 October 1583", 1583, 9, 10, 0, 0, true},
        {"31 January", 2024, 0, 31, 0, 0, true},
        {"31 April", 2024, 3, 31, 0, 0, false},
        {"31 July", 2024, 6, 31, 0, 0, true},
        {"31 August", 2024, 7, 31, 0, 0, true},
        {"31 September", 2024, 8, 31, 0, 0, false},
        {"31 November", 2024, 10, 31, 0, 0, false},
        {"31 December", 2024, 11, 31, 23, 59, true},
        {"day 0", 2024, 0, 0, 0, 0, false},
        {"month 12", 2024, 12, 1, 0, 0, false},
        {"month -1", 2024, -1, 1, 0, 0, false},
        {"hour 24", 2024, 0, 1, 24, 0, false},
        {"hour -1", 2024, 0, 1, -1, 0, false},
        {"minute 60", 2024, 0, 1, 0, 60, false},
    };
    int32_t f = KivDateFieldCreate(0);
    for (const Case& k : cases) {
        EXPECT_EQ(k.valid ? 1 : 0, KivDateFieldCheckTime(k.year, k.month, k.day, k.hour, k.minute)) << k.name;
        KivDateFieldInvalidate(f);
        KivDateFieldSetTime(f, k.year, k.month, k.day, k.hour, k.minute);
        EXPECT_EQ(k.valid ? std::vector<int32_t>{} : std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals())
            << k.name;
        EXPECT_EQ(k.valid ? 1 : 0, KivDateFieldIsValid(f)) << k.name << ": an invalid value is not kept";
    }
    KivDateFieldDelete(f);
}

TEST_F(DateFieldTest, ValueMessagesAndTexts) {
    next() = KivDateFieldDefaultHandler;
    KivDateFieldSetHandler(GUITK_DATEFIELD_MSG_VALUE, logging);
    int32_t f = KivDateFieldCreate(0);
    EXPECT_EQ(0, KivDateFieldIsValid(f));
    EXPECT_EQ("", text(f, GUITK_DATEFIELD_DATE)) << "no value, no text";
    KivDateFieldGetYear(f);
    KivDateFieldGetMinute(f);
    EXPECT_EQ((std::vector<int32_t>{GUITK_ERROR_STATE, GUITK_ERROR_STATE}), host.takeFatals());
    struct Step {
        const char* name;
        void (*act)(int32_t f);
        const char* sent;
        const char* date;
        const char* time;
    } steps[] = {
        {"set", [](int32_t h) { KivDateFieldSetTime(h, 2024, 1, 29, 23, 59); }, "31(2024,18683707)", "2024-02-29",
         "23:59"},
        {"the same again", [](int32_t h) { KivDateFieldSetTime(h, 2024, 1, 29, 23, 59); }, "", "2024-02-29", "23:59"},
        {"another minute", [](int32_t h) { KivDateFieldSetTime(h, 2024, 1, 29, 23, 58); }, "31(2024,18683706)",
         "2024-02-29", "23:58"},
        {"quietly", [](int32_t h) { KivDateFieldStoreTime(h, 1999, 11, 31, 0, 0); }, "", "2024-02-29", "23:58"},
        {"invalidate", [](int32_t h) { KivDateFieldInvalidate(h); }, "31(0,0)", "", ""},
        {"invalidate again", [](int32_t h) { KivDateFieldInvalidate(h); }, "", "", ""},
        {"the old value anew", [](int32_t h) { KivDateFieldSetTime(h, 1999, 11, 31, 0, 0); }, "31(1999,186580992)",
         "1999-12-31", "00:00"},
    };
    for (const Step& s : steps) {
        s.act(f);
        EXPECT_EQ(s.sent, takeLog()) << s.name;
        EXPECT_EQ(s.date, text(f, GUITK_DATEFIELD_DATE)) << s.name;
        EXPECT_EQ(s.time, text(f, GUITK_DATEFIELD_TIME)) << s.name;
    }
    EXPECT_EQ(1999, KivDateFieldGetYear(f));
    EXPECT_EQ(11, KivDateFieldGetMonth(f));
    EXPECT_EQ(31, KivDateFieldGetDay(f));
    EXPECT_EQ(0, KivDateFieldGetHour(f));
    EXPECT_EQ(-1, KivDateFieldGetText(f, 3));
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals());
    KivDateFieldDelete(f);
}

TEST_F(DateFieldTest, InputModesChooseTheLines) {
    next() = KivDateFieldDefaultHandler;
    KivDateFieldSetHandler(GUITK_DATEFIELD_MSG_INPUT_MODE, logging);
    KivDateFieldSetHandler(GUITK_DATEFIELD_MSG_ACTIVE_PART, logging);
    int32_t f = KivDateFieldCreate(0);
    const int32_t h = lineHeight();
    EXPECT_EQ(GUITK_FOCUS_SMOOTH, CompGetFocusPolicy(f));
    EXPECT_EQ(GUITK_TYPE_DATEFIELD, CompGetType(f));
    struct Step {
        int32_t mode;
        const char* sent;
        int32_t part, lines;
    } steps[] = {
        {1, "", 1, 1},        {2, "32(2,1) 33(2,1)", 2, 1},  // the time line is active at once
        {3, "32(3,2)", 2, 2},                                // both: the active part stays
        {3, "", 2, 2},        {1, "32(1,3) 33(1,2)", 1, 1},
    };
    for (const Step& s : steps) {
        KivDateFieldSetInputMode(f, s.mode);
        EXPECT_EQ(s.sent, takeLog()) << "mode " << s.mode;
        EXPECT_EQ(s.part, KivDateFieldGetActivePart(f)) << "mode " << s.mode;
        EXPECT_EQ(s.lines * h + 4, CompGetMinimumHeight(f)) << "mode " << s.mode;
        EXPECT_EQ(s.lines * h + 4, CompGetPreferredHeight(f)) << "mode " << s.mode;
        EXPECT_EQ(64, CompGetPreferredWidth(f)) << "at least the screen's width";
    }
    EXPECT_EQ(advanceOf(u"W") + 4, CompGetMinimumWidth(f));
    KivDateFieldSetInputMode(f, 0);
    KivDateFieldSetInputMode(f, 4);
    KivDateFieldSetActivePart(f, 3);
    EXPECT_EQ(std::vector<int32_t>(3, GUITK_ERROR_ARGUMENT), host.takeFatals());
    EXPECT_EQ(1, KivDateFieldGetInputMode(f));
    KivDateFieldDelete(f);
}

TEST_F(DateFieldTest, KeysMoveBetweenLinesAndSelectOpensTheEditor) {
    int32_t f = make();
    CompSetState(f, GUITK_STATE_FOCUSED);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(f)) << "smooth: active with the focus";
    codes();
    struct Step {
        int32_t key, type, result, part;
        const char* posted;
        int32_t peer;
    } steps[] = {
        {19, 3, 1, 2, "", 0},   // down to the time line
        {19, 3, 0, 2, "", 0},   // down from the time line is not the field's
        {17, 2, 1, 1, "", 0},   // up, repeating
        {17, 3, 0, 1, "", 0},   // up from the date line is not consumed
        {18, 3, 0, 1, "", 0},   // right is not the field's
        {20, 1, 0, 1, "", 0},   // a release of select
        {20, 3, 1, 1, "6", 1},  // select opens
        {20, 3, 1, 1, "", 1},   // a second select while open is no error
        {19, 3, 1, 2, "", 1},   // the lines still move
    };
    for (const Step& s : steps) {
        SCOPED_TRACE("key " + std::to_string(s.key) + " type " + std::to_string(s.type));
        EXPECT_EQ(s.result, key(f, s.key, s.type));
        EXPECT_EQ(s.part, KivDateFieldGetActivePart(f));
        EXPECT_EQ(s.posted, codes());
        EXPECT_EQ(s.peer, KivDateFieldGetPeerWord(f));
    }
    EXPECT_EQ("", takeEditorCalls()) << "opened later, by the deferred call";
    EXPECT_EQ(1, runDeferred());
    EXPECT_EQ("open", takeEditorCalls());
    CompSetState(f, GUITK_STATE_ENABLED);
    EXPECT_EQ("close", takeEditorCalls()) << "losing the focus closes the editor";
    EXPECT_EQ("5 7 2", codes());
    EXPECT_EQ(0, KivDateFieldGetPeerWord(f));
    KivDateFieldSetInputMode(f, GUITK_DATEFIELD_DATE);
    CompSetState(f, GUITK_STATE_FOCUSED);
    EXPECT_EQ(0, key(f, 19)) << "one line: nothing to move to";
    KivDateFieldDelete(f);
}

TEST_F(DateFieldTest, TheEditorOpensOnlyForALiveOpenField) {
    int32_t f = make();
    CompSetState(f, GUITK_STATE_FOCUSED);
    key(f, GUITK_KEY_SELECT);
    CompSetState(f, GUITK_STATE_ENABLED);
    EXPECT_EQ("close", takeEditorCalls());
    runDeferred();
    EXPECT_EQ("", takeEditorCalls()) << "closed before the deferred call ran";

    CompSetState(f, GUITK_STATE_FOCUSED);
    key(f, GUITK_KEY_SELECT);
    KivDateFieldDelete(f);
    EXPECT_EQ("close", takeEditorCalls()) << "a deleted field's editor is closed";
    runDeferred();
    EXPECT_EQ("", takeEditorCalls()) << "and never opened";
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

TEST_F(DateFieldTest, TapsChooseALineAndOpenIt) {
    int32_t f = make();
    const int32_t h = lineHeight();
    CompSetState(f, GUITK_STATE_FOCUSED);
    codes();
    struct Step {
        const char* name;
        int32_t kind, x, y, button, result, part;
        const char* posted;
    } steps[] = {
        {"press on the time line", 0, 10, 2 + h + 1, 0, 1, 2, ""},
        {"press on the border", 0, 0, 5, 0, 0, 2, ""},
        {"press right of the lines", 0, 58, 5, 0, 0, 2, ""},
        {"another button", 0, 10, 5, 1, 0, 2, ""},
        {"release on the date line, not active", 2, 10, 5, 0, 0, 2, ""},
        {"press on the date line", 0, 10, 5, 0, 1, 1, ""},
        {"release on it opens", 2, 10, 5, 0, 1, 1, "6"},
        {"release again while open", 2, 10, 5, 0, 1, 1, ""},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(s.result, tap(f, s.kind, s.x, s.y, s.button)) << s.name;
        EXPECT_EQ(s.part, KivDateFieldGetActivePart(f)) << s.name;
        EXPECT_EQ(s.posted, codes()) << s.name;
    }
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << "no tap is an error";
    CompSetState(f, GUITK_STATE_ENABLED);
    codes();
    EXPECT_EQ(0, tap(f, 0, 10, 2 + h + 1)) << "not active: taps pass";
    KivDateFieldSetInputMode(f, GUITK_DATEFIELD_DATE);
    CompSetState(f, GUITK_STATE_FOCUSED);
    EXPECT_EQ(0, tap(f, 0, 10, 2 + h + 1)) << "one line shown: nothing below it";
    EXPECT_EQ(1, KivDateFieldGetActivePart(f));
    KivDateFieldDelete(f);
}

TEST_F(DateFieldTest, PaintsItsLinesAndTheActiveOne) {
    int32_t f = make();
    EXPECT_EQ("", comparePicture("datefield_enabled", (paint(f), pictureOf(host, 64, 2 * lineHeight() + 8))));
    CompSetState(f, GUITK_STATE_FOCUSED);
    KivDateFieldSetActivePart(f, GUITK_DATEFIELD_TIME);
    EXPECT_EQ("", comparePicture("datefield_active", (paint(f), pictureOf(host, 64, 2 * lineHeight() + 8))));
    EXPECT_EQ(pixel(Black), at(2, 2)) << "the focused border";
    KivDateFieldSetStyle(GUITK_DATEFIELD_STYLE_FRAME, 2, 0);
    KivDateFieldSetStyle(GUITK_DATEFIELD_STYLE_FRAME_COLOR, 1, 0xFFFF0000);
    KivDateFieldSetStyle(GUITK_DATEFIELD_STYLE_BACKGROUND, 1, 0xFFFFFF00);
    KivDateFieldSetStyle(GUITK_DATEFIELD_STYLE_TEXT, 1, 0xFF0000FF);
    KivDateFieldSetStyle(0x200 | 0x800 | GUITK_DATEFIELD_STYLE_BORDER, 1, 0xFF0000FF);
    paint(f);
    const int32_t timeY = 4 + lineHeight();
    EXPECT_EQ(pixel(0xFFFF0000), at(4, timeY)) << "a solid red frame round the time line";
    EXPECT_EQ(pixel(0xFFFF0000), at(5, timeY));
    EXPECT_EQ(pixel(0xFFFFFF00), at(30, timeY + 5)) << "on a yellow line";
    EXPECT_EQ(pixel(0xFF0000FF), at(9, timeY + 5))
        << "in blue text (the second glyph; the frame covers the first stem)";
    EXPECT_EQ(pixel(0xFF0000FF), at(2, 2)) << "a blue border";
    EXPECT_EQ(pixel(White), at(30, 9)) << "the date line is plain";
    KivDateFieldSetStyle(GUITK_DATEFIELD_STYLE_FRAME, 3, 0);
    paint(f);
    EXPECT_EQ(pixel(0xFFFFFF00), at(5, timeY)) << "no frame";
    CompSetState(f, GUITK_STATE_ENABLED);
    paint(f);
    EXPECT_EQ(pixel(0xFF0000FF), at(2, 2)) << "the unfocused border was set too";
    EXPECT_EQ(pixel(White), at(30, timeY + 5)) << "no line is highlighted without the focus";
    CompSetLanguageDirection(1);
    paint(f);
    CompSetLanguageDirection(0);
    EXPECT_EQ(pixel(White), at(4, 9)) << "right-to-left: nothing at the left edge";
    EXPECT_EQ(pixel(Black), at(2 + 2 + 56 - advanceOf(u"9"), 9)) << "the last digit ends at the inner right edge";
    CompHide(f);
    clearScreen(host);
    CompPaint(f, GuiTkGetScreenGraphics());
    EXPECT_EQ(ToolkitHost::kPaper, at(2, 2)) << "a hidden field paints nothing";
    KivDateFieldDelete(f);
}

TEST_F(DateFieldTest, BadStylesAndSlotsAreFatal) {
    struct Case {
        const char* name;
        void (*act)();
    } cases[] = {
        {"border without flags", [] { KivDateFieldSetStyle(1, 1, 0); }},
        {"border with set 1's flag", [] { KivDateFieldSetStyle(0x400 | 1, 1, 0); }},
        {"border mode 4", [] { KivDateFieldSetStyle(0x200 | 1, 4, 0); }},
        {"frame with flags", [] { KivDateFieldSetStyle(0x200 | 2, 1, 0); }},
        {"frame style 4", [] { KivDateFieldSetStyle(2, 4, 0); }},
        {"frame colour mode 3", [] { KivDateFieldSetStyle(3, 3, 0); }},
        {"text mode 0", [] { KivDateFieldSetStyle(4, 0, 0); }},
        {"background mode 4", [] { KivDateFieldSetStyle(5, 4, 0); }},
        {"attribute 6", [] { KivDateFieldSetStyle(6, 1, 0); }},
        {"slot 35", [] { KivDateFieldSetHandler(35, KivDateFieldDefaultHandler); }},
        {"no handler", [] { KivDateFieldSetHandler(0, nullptr); }},
        {"no key hook", [] { KivDateFieldSetExtraHandler(nullptr); }},
        {"no pointer hook", [] { KivDateFieldSetPointerHook(nullptr); }},
    };
    for (const Case& k : cases) {
        k.act();
        EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << k.name;
    }
    KivDateFieldSetStyle(3, 4, 0);
    KivDateFieldSetStyle(0x800 | 1, 3, 0);
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << "frame colour mode 4 and a focused border are fine";
}

TEST_F(DateFieldTest, TitlesAndFailedAllocations) {
    int before = host.liveHandles();
    int32_t f = -1;
    int budget = 0;
    for (; budget < 20 && f == -1; budget++) {
        host.handlesBeforeFailure = budget;
        f = KivDateFieldCreate(0);
        host.handlesBeforeFailure = -1;
        if (f == -1) {
            EXPECT_EQ(before, host.liveHandles()) << "failing allocation " << budget;
        }
    }
    EXPECT_EQ(4, budget) << "two texts and the record, each refused once";
    ASSERT_NE(-1, f);
    next() = KivDateFieldDefaultHandler;
    KivDateFieldSetHandler(GUITK_DATEFIELD_MSG_TITLE, logging);
    EXPECT_EQ(0, KivDateFieldSetTitle(f, units(u"When"), 4));
    EXPECT_EQ(u"When", contentOf(KivDateFieldGetTitle(f)));
    host.handlesBeforeFailure = 0;
    EXPECT_EQ(-1, KivDateFieldSetTitle(f, units(u"Then"), 4));
    host.handlesBeforeFailure = -1;
    EXPECT_EQ(u"When", contentOf(KivDateFieldGetTitle(f))) << "the old title stays";
    EXPECT_EQ(0, KivDateFieldSetTitle(f, nullptr, 3));
    EXPECT_EQ(-1, KivDateFieldGetTitle(f));
    ASSERT_EQ(2u, log().size());
    EXPECT_EQ(-1, log()[1].a1) << "34 with no title";
    KivDateFieldSetTitle(f, units(u"When"), 4);
    KivDateFieldDelete(f);
    EXPECT_EQ(before, host.liveHandles()) << "the title goes with the field";
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

}  // namespace
