// The text input under a text box: text edits against text and caret, the maximum
// size, the stored constraint word and flags, indicator and title strings, the start
// and end of editing, failed allocations and bad arguments.
#include "text_fixture.h"
#include "toolkit/guitk_string.h"

namespace {

// The sink of these tests keeps each event's completion callback, so that a deferred
// call can be run as the event system would run it, late.
struct Posted {
    GuiTkEventCallback callback;
    GuiTkEvent event;
};
std::vector<Posted>& posted() {
    static std::vector<Posted> list;
    return list;
}

class TextInputTest : public TextTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TextTest::SetUp());
        CompSetDefaultHandler(sink);
        posted().clear();
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
    // The posted codes less 0x10000, updates left out: "4 6".
    static std::string codes() {
        std::string out;
        for (const GuiTkEvent& e : events())
            if (e.code != GUITK_EVENT_UPDATE) out += (out.empty() ? "" : " ") + std::to_string(e.code - 0x10000);
        events().clear();
        return out;
    }
    // The logged messages: handle-carrying ones by id alone, the others "id(new,old)".
    static std::string messages() {
        std::string out;
        for (const GuiTkMessage& m : log()) {
            bool handle =
                m.id == GUITK_TEXT_MSG_TEXT || m.id == GUITK_TEXT_MSG_INPUT_MODE_TEXT || m.id == GUITK_TEXT_MSG_TITLE;
            out += (out.empty() ? "" : " ") + std::to_string(m.id);
            if (!handle) out += "(" + std::to_string(m.a1) + "," + std::to_string(m.a2) + ")";
        }
        log().clear();
        return out;
    }
};

TEST_F(TextInputTest, EditsMoveTheTextAndKeepTheCaretInside) {
    int32_t c = makeLogged();
    struct Step {
        const char* name;
        void (*act)(int32_t c);
        const char* shown;
        const char* sent;
    } steps[] = {
        {"new", [](int32_t) {}, "(none)|0", ""},
        {"set", [](int32_t h) { setText(h, u"hello"); }, "|hello", "29"},
        {"caret to the end", [](int32_t h) { KivTextInputSetCaretPosition(h, 5); }, "hello|", ""},
        {"append", [](int32_t h) { insert(h, u" world", 5); }, "hello| world", "29"},
        {"insert in front", [](int32_t h) { insert(h, u"X", 0); }, "Xhell|o world", "29"},
        {"insert nothing", [](int32_t h) { insert(h, u"", 3); }, "Xhell|o world", "29"},
        {"delete the front", [](int32_t h) { KivTextInputDeleteText(h, 0, 6); }, " worl|d", "29"},
        {"delete past the caret", [](int32_t h) { KivTextInputDeleteText(h, 1, 5); }, " |", "29"},
        {"delete nothing", [](int32_t h) { KivTextInputDeleteText(h, 1, 0); }, " |", "29"},
        {"set empty", [](int32_t h) { setText(h, u""); }, "|", "29"},
        {"caret beyond the end", [](int32_t h) { KivTextInputSetCaretPosition(h, 99); }, "|", ""},
        {"lines", [](int32_t h) { setText(h, u"a\nb"); }, "|a/b", "29"},
        {"caret before the start", [](int32_t h) { KivTextInputSetCaretPosition(h, -3); }, "|a/b", ""},
        {"quiet store", [](int32_t h) { KivTextInputStoreText(h, units(u"xyz"), 3); }, "|xyz", ""},
    };
    for (const Step& s : steps) {
        s.act(c);
        EXPECT_EQ(s.shown, shown(c)) << s.name;
        EXPECT_EQ(s.sent, messages()) << s.name;
    }
    EXPECT_EQ(3, KivTextInputGetTextLength(c));
    KivTextBoxDelete(c);
}

TEST_F(TextInputTest, DeletingNothingFromNoTextSendsNoText) {
    int32_t c = makeLogged();
    KivTextInputDeleteText(c, 0, 0);
    ASSERT_EQ(1u, log().size());
    EXPECT_EQ(-1, log()[0].a1) << "29 carries no text";
    log().clear();
    EXPECT_EQ("(none)|0", shown(c));
    KivTextInputDeleteText(c, 0, 2);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_STATE}, host.takeFatals()) << "characters deleted from no text";
    KivTextBoxDelete(c);
}

TEST_F(TextInputTest, TheMaximumSizeBoundsTheText) {
    int32_t c = makeLogged();
    struct Step {
        const char* name;
        int32_t (*act)(int32_t c);
        int32_t result;
        std::vector<int32_t> fatals;
        const char* shown;
        const char* sent;
    } steps[] = {
        {"limit 10", [](int32_t h) { return KivTextInputSetMaxSize(h, 10); }, 10, {}, "|", "30(10,-1)"},
        {"ten fit", [](int32_t h) { return setText(h, u"abcdefghij"); }, 0, {}, "|abcdefghij", "29"},
        {"eleven do not", [](int32_t h) { return setText(h, u"abcdefghijk"); }, -1, {3}, "|abcdefghij", ""},
        {"nor an insertion to eleven", [](int32_t h) { return insert(h, u"k", 10); }, -1, {3}, "|abcdefghij", ""},
        {"caret at the end",
         [](int32_t h) {
             KivTextInputSetCaretPosition(h, 10);
             return 0;
         },
         0,
         {},
         "abcdefghij|",
         ""},
        {"lowered below the length",
         [](int32_t h) { return KivTextInputSetMaxSize(h, 4); },
         4,
         {},
         "abcd|",
         "30(4,10)"},
        {"the same again", [](int32_t h) { return KivTextInputSetMaxSize(h, 4); }, 4, {}, "abcd|", ""},
        {"above the platform's limit",
         [](int32_t h) { return KivTextInputSetMaxSize(h, 9999); },
         5000,
         {},
         "abcd|",
         "30(5000,4)"},
        {"unlimited again", [](int32_t h) { return KivTextInputSetMaxSize(h, -1); }, -1, {}, "abcd|", "30(-1,5000)"},
        {"longer than any old limit",
         [](int32_t h) { return setText(h, std::u16string(6000, u'z')); },
         0,
         {},
         nullptr,
         "29"},
        {"limit zero", [](int32_t h) { return KivTextInputSetMaxSize(h, 0); }, 0, {}, "|", "30(0,-1)"},
        {"below -1", [](int32_t h) { return KivTextInputSetMaxSize(h, -2); }, -1, {3}, "|", ""},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(s.result, s.act(c)) << s.name;
        EXPECT_EQ(s.fatals, host.takeFatals()) << s.name;
        if (s.shown != nullptr) {
            EXPECT_EQ(s.shown, shown(c)) << s.name;
        }
        EXPECT_EQ(s.sent, messages()) << s.name;
    }
    GuiTkEditorPeers.MgurClampTextSize = [](int32_t, int32_t size) { return size > 8 ? 8 : size; };
    EXPECT_EQ(8, KivTextInputSetMaxSize(c, 20)) << "the platform's limit is asked";
    EXPECT_EQ(8, StrGetCapacity(KivTextInputGetText(c)));
    KivTextBoxDelete(c);
}

TEST_F(TextInputTest, AnUnlimitedTextGrowsToExactlyItsLength) {
    int32_t c = makeLogged();
    setText(c, u"abc");
    int32_t first = KivTextInputGetText(c);
    EXPECT_EQ(3, StrGetCapacity(first));
    setText(c, u"xy");
    EXPECT_EQ(first, KivTextInputGetText(c)) << "a shorter text reuses the string";
    insert(c, u"cde", 1);
    EXPECT_EQ("|xcdey", shown(c));
    EXPECT_EQ(5, StrGetCapacity(KivTextInputGetText(c))) << "grown to the new length, no more";
    int32_t live = host.liveHandles();
    setText(c, u"0123456789");
    EXPECT_EQ(live, host.liveHandles()) << "the outgrown string was destroyed";
    KivTextBoxDelete(c);
}

TEST_F(TextInputTest, FlagsTakeZeroOrOneAndAnnounceChanges) {
    int32_t c = makeLogged();
    struct Flag {
        const char* name;
        void (*set)(int32_t, int32_t);
        int32_t (*get)(int32_t);
        int32_t initial, id;
    } flags[] = {
        {"editable", KivTextInputSetEditable, KivTextInputIsEditable, 1, GUITK_TEXT_MSG_EDITABLE},
        {"password", KivTextInputSetPassword, KivTextInputIsPassword, 0, GUITK_TEXT_MSG_PASSWORD},
        {"sensitive", KivTextInputSetSensitive, KivTextInputIsSensitive, 0, GUITK_TEXT_MSG_SENSITIVE},
        {"predictive", KivTextInputSetPredictive, KivTextInputIsPredictive, 1, GUITK_TEXT_MSG_PREDICTIVE},
        {"line break", KivTextInputSetAllowedLineBreak, KivTextInputIsAllowedLineBreak, 1, GUITK_TEXT_MSG_LINE_BREAK},
    };
    for (const Flag& f : flags) {
        EXPECT_EQ(f.initial, f.get(c)) << f.name;
        f.set(c, f.initial);
        EXPECT_EQ("", messages()) << f.name << ": unchanged";
        f.set(c, 1 - f.initial);
        EXPECT_EQ(std::to_string(f.id) + "(" + std::to_string(1 - f.initial) + "," + std::to_string(f.initial) + ")",
                  messages())
            << f.name;
        f.set(c, 2);
        EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << f.name;
        EXPECT_EQ(1 - f.initial, f.get(c)) << f.name << ": 2 is not stored";
        EXPECT_EQ("", messages()) << f.name;
    }
    KivTextInputSetCapitalMode(c, 2);
    EXPECT_EQ("37(2,0)", messages());
    for (int32_t bad : {3, -1}) {
        KivTextInputSetCapitalMode(c, bad);
        EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << bad;
    }
    EXPECT_EQ(2, KivTextInputGetCapitalMode(c));
    KivTextInputSetEditing(c, 1);
    EXPECT_EQ(1, KivTextInputIsEditing(c));
    KivTextInputSetEditing(c, 5);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals());
    EXPECT_EQ("", messages()) << "editing is stored quietly";
    KivTextBoxDelete(c);
}

// The constraint word is the Java side's: the input keeps it whole, modifier bits too,
// and draws its own conclusions from the flags alone.
TEST_F(TextInputTest, ConstraintWordsAreKeptAsGiven) {
    int32_t c = makeLogged();
    const int32_t password = 0x10000, uneditable = 0x20000, sensitive = 0x40000;
    struct Case {
        const char* name;
        int32_t word;
    } cases[] = {
        {"ANY", GUITK_CONSTRAINT_ANY},
        {"EMAILADDR", GUITK_CONSTRAINT_EMAILADDR},
        {"NUMERIC", GUITK_CONSTRAINT_NUMERIC},
        {"PHONENUMBER", GUITK_CONSTRAINT_PHONENUMBER},
        {"URL", GUITK_CONSTRAINT_URL},
        {"DECIMAL", GUITK_CONSTRAINT_DECIMAL},
        {"NUMERIC|PASSWORD", GUITK_CONSTRAINT_NUMERIC | password},
        {"ANY|UNEDITABLE", GUITK_CONSTRAINT_ANY | uneditable},
        {"URL|SENSITIVE|UNEDITABLE", GUITK_CONSTRAINT_URL | sensitive | uneditable},
        {"an unknown value", 0x7FFFFFFF},
    };
    int32_t old = 0;
    for (const Case& k : cases) {
        KivTextInputSetConstraints(c, k.word);
        EXPECT_EQ(k.word, KivTextInputGetConstraints(c)) << k.name;
        std::string sent = k.word == old ? "" : "31(" + std::to_string(k.word) + "," + std::to_string(old) + ")";
        EXPECT_EQ(sent, messages()) << k.name;
        EXPECT_EQ(1, KivTextInputIsEditable(c)) << k.name << ": the flags are set on their own";
        EXPECT_EQ(0, KivTextInputIsPassword(c)) << k.name;
        old = k.word;
    }
    EXPECT_EQ(1, KivTextInputVerifyString(units(u"not a number"), 12));
    EXPECT_EQ(1, KivTextInputVerifyString(nullptr, 0));
    KivTextBoxDelete(c);
}

TEST_F(TextInputTest, IndicatorAndTitleStrings) {
    int before = host.liveHandles();
    int32_t c = makeLogged();
    EXPECT_EQ(0, KivTextInputSetInputModeText(c, units(u"Abc"), 3));
    EXPECT_EQ("32", messages());
    EXPECT_EQ(u"Abc", contentOf(KivTextInputGetInputModeText(c)));
    KivTextInputSetIndicatorOff(c, 1);
    EXPECT_EQ("32 40(1,0)", messages()) << "blanked, then off";
    EXPECT_EQ(0, StrGetLength(KivTextInputGetInputModeText(c)));
    KivTextInputSetIndicatorOff(c, 7);
    EXPECT_EQ("40(7,1)", messages()) << "the word is kept as given";
    EXPECT_EQ(0, KivTextInputStoreInputModeText(c, units(u"123"), 3));
    EXPECT_EQ("40(0,7)", messages()) << "a new text turns the indicator on; stored without 32";
    EXPECT_EQ(u"123", contentOf(KivTextInputGetInputModeText(c)));

    EXPECT_EQ(0, KivTextInputSetTitle(c, units(u"Name"), 4));
    EXPECT_EQ("39", messages());
    EXPECT_EQ(u"Name", contentOf(KivTextInputGetTitle(c)));
    int32_t live = host.liveHandles();
    EXPECT_EQ(0, KivTextInputSetTitle(c, nullptr, 0));
    EXPECT_EQ(-1, KivTextInputGetTitle(c));
    EXPECT_EQ(live - 1, host.liveHandles()) << "the old title was destroyed";
    EXPECT_EQ(0, KivTextInputSetTitle(c, units(u"x"), 0));
    EXPECT_EQ(-1, KivTextInputGetTitle(c)) << "length 0 is no title";
    KivTextInputSetTitle(c, units(u"Name"), 4);
    KivTextBoxDelete(c);
    EXPECT_EQ(before, host.liveHandles()) << "the title and the indicator text go with the box";
}

TEST_F(TextInputTest, EditingStartsOnActivationAndEndsOnLeaving) {
    struct Case {
        const char* name;
        int32_t editorMode, editable;
        bool runLate;  // the deferred start runs after the box left the Active state
        const char* entered;
        int32_t editingActive;  // after the deferred calls ran
        const char* left;
    } cases[] = {
        {"platform editor", 1, 1, false, "4 6", 1, "5 2 7"},
        {"in place", 0, 1, false, "6", 1, "2 7"},
        {"not editable", 1, 0, false, "6", 0, "2 7"},
        {"left before the editor came", 1, 1, true, "4 6", 0, "5 2 7"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        KivTextInputSetEditorMode(k.editorMode);
        int32_t c = KivTextBoxCreate(0);
        KivTextInputSetEditable(c, k.editable);
        CompSetState(c, GUITK_STATE_FOCUSED);
        codes();
        EXPECT_EQ(0, key(c, GUITK_KEY_SELECT)) << "select opens";
        EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(c));
        EXPECT_EQ(k.entered, codes());
        if (k.runLate) {
            CompSetState(c, GUITK_STATE_FOCUSED);
            EXPECT_EQ(k.left, codes());
            runDeferred();
            EXPECT_EQ(0, KivTextInputIsEditing(c)) << "the late start finds the box no longer active";
        } else {
            runDeferred();
            EXPECT_EQ(k.editingActive, KivTextInputIsEditing(c));
            if (k.editingActive) {
                EXPECT_EQ(0, KivTextInputEndEditing(c)) << "ended as a select key would";
            } else {
                CompSetState(c, GUITK_STATE_FOCUSED);
            }
            EXPECT_EQ(GUITK_STATE_FOCUSED, CompGetState(c));
            EXPECT_EQ(k.left, codes());
        }
        EXPECT_EQ(0, KivTextInputIsEditing(c));
        EXPECT_EQ(0, CompGetEditingFlag(c));
        EXPECT_EQ(0, KivTextInputEndEditing(c)) << "nothing to end";
        KivTextBoxDelete(c);
        posted().clear();
    }
}

TEST_F(TextInputTest, ADeferredStartOfADeletedBoxDoesNothing) {
    int32_t c = KivTextBoxCreate(0);
    CompSetState(c, GUITK_STATE_FOCUSED);
    key(c, GUITK_KEY_SELECT);
    KivTextBoxDelete(c);
    EXPECT_EQ(1, runDeferred());
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << "no lock of the dead handle";
}

TEST_F(TextInputTest, FailedAllocationsKeepTheOldText) {
    int32_t c = makeLogged();
    setText(c, u"abc");
    KivTextInputSetCaretPosition(c, 3);
    messages();
    struct Case {
        const char* name;
        int32_t (*act)(int32_t c);
    } cases[] = {
        {"a longer text", [](int32_t h) { return setText(h, u"abcdef"); }},
        {"an insertion past the capacity", [](int32_t h) { return insert(h, u"de", 3); }},
        {"a maximum size", [](int32_t h) { return KivTextInputSetMaxSize(h, 2); }},
        {"an indicator text", [](int32_t h) { return KivTextInputSetInputModeText(h, units(u"A"), 1); }},
        {"a title", [](int32_t h) { return KivTextInputSetTitle(h, units(u"T"), 1); }},
    };
    for (const Case& k : cases) {
        int32_t live = host.liveHandles();
        host.handlesBeforeFailure = 0;
        EXPECT_EQ(-1, k.act(c)) << k.name;
        host.handlesBeforeFailure = -1;
        EXPECT_EQ("abc|", shown(c)) << k.name;
        EXPECT_EQ(-1, KivTextInputGetMaxSize(c)) << k.name;
        EXPECT_EQ(live, host.liveHandles()) << k.name;
        EXPECT_EQ("", messages()) << k.name;
        EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << k.name << ": not fatal";
    }
    KivTextInputSetIndicatorOff(c, 1);
    messages();
    KivTextInputSetIndicatorOff(c, 0);
    host.handlesBeforeFailure = 0;
    KivTextInputSetIndicatorOff(c, 1);
    host.handlesBeforeFailure = -1;
    EXPECT_EQ(0, KivTextInputIsIndicatorOff(c)) << "not switched off when the blank text cannot be had";
    EXPECT_EQ("40(0,1)", messages());
    KivTextBoxDelete(c);
}

TEST_F(TextInputTest, BadArgumentsAreFatalAndChangeNothing) {
    int32_t c = makeLogged();
    setText(c, u"abc");
    messages();
    struct Case {
        const char* name;
        void (*act)(int32_t c);
        int32_t fatal;
    } cases[] = {
        {"no characters for a length", [](int32_t h) { KivTextInputSetText(h, nullptr, 2); }, 3},
        {"negative length", [](int32_t h) { KivTextInputSetText(h, units(u"x"), -1); }, 3},
        {"negative count", [](int32_t h) { KivTextInputInsertText(h, units(u"x"), -1, 0); }, 3},
        {"position before the text", [](int32_t h) { insert(h, u"x", -1); }, 3},
        {"position past the text", [](int32_t h) { insert(h, u"x", 4); }, 3},
        {"delete past the end", [](int32_t h) { KivTextInputDeleteText(h, 2, 2); }, 3},
        {"delete a negative count", [](int32_t h) { KivTextInputDeleteText(h, 0, -1); }, 3},
        {"negative title length", [](int32_t h) { KivTextInputSetTitle(h, units(u"x"), -1); }, 3},
        {"negative indicator length", [](int32_t h) { KivTextInputSetInputModeText(h, units(u"x"), -1); }, 3},
        {"editor mode 2", [](int32_t) { KivTextInputSetEditorMode(2); }, 3},
    };
    for (const Case& k : cases) {
        k.act(c);
        EXPECT_EQ(std::vector<int32_t>{k.fatal}, host.takeFatals()) << k.name;
        EXPECT_EQ("|abc", shown(c)) << k.name;
        EXPECT_EQ("", messages()) << k.name;
    }
    EXPECT_EQ(1, KivTextInputGetEditorMode());
    int32_t label = KivLabelCreate(0);
    KivTextInputGetText(label);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_HANDLE}, host.takeFatals()) << "a label is no text input";
    KivLabelDelete(label);
    KivTextBoxDelete(c);
}

}  // namespace
