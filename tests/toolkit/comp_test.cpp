// The component registry, the base record and messages, with a tiny kind of the test's
// own ("TST$") whose handler logs every message and passes it to the base.
#include "toolkit/guitk_comp.h"

#include <algorithm>

#include "toolkit/guitk_event.h"
#include "toolkit/guitk_screen.h"
#include "toolkit_host.h"

namespace {

const uint32_t TestTag = guiTkTag("TST$");
enum { TEST_TYPE = 30 };

struct TestComponent {
    GuiTkComponent base;
    uint32_t tag;           // "TST$"
    int32_t reportedWidth;  // -1: the base answers message 20
    int32_t handles19;      // 1: paints nothing while hidden
};

std::vector<GuiTkMessage>& messages() {
    static std::vector<GuiTkMessage> log;
    return log;
}

int32_t testHandler(GuiTkMessage* m) {
    messages().push_back(*m);
    int32_t reported =
        GuiTkGetTypedInt(m->component, GUITK_KIND_TAG_PLACE, TestTag, (int32_t)offsetof(TestComponent, reportedWidth));
    if (m->id == GUITK_MSG_GET_PREFERRED_WIDTH && reported != -1) return reported;
    if (m->id == GUITK_MSG_PAINT_HIDDEN &&
        GuiTkGetTypedInt(m->component, GUITK_KIND_TAG_PLACE, TestTag, (int32_t)offsetof(TestComponent, handles19)))
        return 0;
    return CompDefaultHandler(m);
}

int32_t testCreate(int32_t param) {
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(TestComponent));
    if (h == -1) return -1;
    TestComponent* r = (TestComponent*)GuiTkLockHandle(h);
    CompInitDefault(h, &r->base, testHandler, CompActiveKeyHookOccupy, nullptr, param, TEST_TYPE);
    r->tag = TestTag;
    r->reportedWidth = -1;
    r->handles19 = 0;
    GuiTkUnlockHandle(h);
    return h;
}

void testDestroy(int32_t h) {
    TestComponent* r = (TestComponent*)GuiTkLockTyped(h, GUITK_KIND_TAG_PLACE, TestTag);
    CompUnlink(&r->base);
    r->tag = 0;
    GuiTkUnlockHandle(h);
    GuiTkFreeHandle(h);
}

void setKindWord(int32_t h, size_t position, int32_t value) {
    GuiTkSetTypedInt(h, GUITK_KIND_TAG_PLACE, TestTag, (int32_t)position, value);
}

class CompTest : public ToolkitTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ToolkitTest::SetUp());
        messages().clear();
    }
    void TearDown() override {
        if (!HasFatalFailure()) {
            for (int32_t c : live) testDestroy(c);
            EXPECT_EQ(-1, CompGetNext(-1)) << "the registry is empty again";
            EXPECT_EQ(-1, CompGetPrev(-1));
        }
        ToolkitTest::TearDown();
    }
    int32_t make(int32_t param = 0) {
        int32_t c = testCreate(param);
        live.push_back(c);
        return c;
    }
    void destroy(int32_t c) {
        testDestroy(c);
        live.erase(std::find(live.begin(), live.end(), c));
    }
    // "id(a1,a2,...)" for each message since the last call, the trailing zeros left out.
    static std::string takeMessages() {
        std::string out;
        for (const GuiTkMessage& m : messages()) {
            int32_t args[4] = {m.a1, m.a2, m.a3, m.a4};
            int n = 4;
            while (n > 0 && args[n - 1] == 0) n--;
            out += (out.empty() ? "" : " ") + std::to_string(m.id);
            if (n > 0) {
                out += "(";
                for (int i = 0; i < n; i++) out += (i ? "," : "") + std::to_string(args[i]);
                out += ")";
            }
        }
        messages().clear();
        return out;
    }
    std::vector<int32_t> registryOrder() {
        std::vector<int32_t> out;
        for (int32_t c = CompGetNext(-1); c != -1; c = CompGetNext(c)) out.push_back(c);
        return out;
    }
    std::vector<int32_t> live;
};

TEST_F(CompTest, TheRegistryListsComponentsInCreationOrder) {
    EXPECT_EQ(std::vector<int32_t>{}, registryOrder());
    int32_t a = make(), b = make(), c = make();
    EXPECT_EQ((std::vector<int32_t>{a, b, c}), registryOrder());
    EXPECT_EQ(c, CompGetPrev(-1));
    EXPECT_EQ(a, CompGetPrev(b));
    EXPECT_EQ(-1, CompGetPrev(a));
    destroy(b);
    EXPECT_EQ((std::vector<int32_t>{a, c}), registryOrder());
    EXPECT_EQ(a, CompGetPrev(c));
    destroy(a);
    EXPECT_EQ(std::vector<int32_t>{c}, registryOrder());
    EXPECT_EQ(c, CompGetPrev(-1));
    int32_t d = make();
    EXPECT_EQ((std::vector<int32_t>{c, d}), registryOrder());
    EXPECT_EQ("", takeMessages()) << "creation and removal send nothing";
}

TEST_F(CompTest, ANewComponentTakesItsDefaultsFromTheRegistry) {
    CompSetGlobalColor(GUITK_COLOR_FOREGROUND, 0xFF112233);
    CompSetGlobalColor(GUITK_COLOR_BACKGROUND, 0x00445566);
    CompSetLanguageDirection(1);
    int32_t c = make(1234);
    CompSetLanguageDirection(0);
    struct Field {
        const char* name;
        int32_t (*get)(int32_t c);
        int32_t value;
    } fields[] = {
        {"type", CompGetType, TEST_TYPE},
        {"creation parameter", CompGetCreateParam, 1234},
        {"state", CompGetState, GUITK_STATE_ENABLED},
        {"focus policy", CompGetFocusPolicy, GUITK_FOCUS_OCCUPY},
        {"direction mode", CompGetDirectionMode, 0},
        {"shown", CompIsShown, 0},
        {"parent", CompGetParent, -1},
        {"paint enable", CompGetPaintEnable, 1},
        {"foreground", [](int32_t h) { return (int32_t)CompGetForeground(h); }, (int32_t)0xFF112233},
        {"background", [](int32_t h) { return (int32_t)CompGetBackground(h); }, 0x00445566},
        {"font", CompGetFont, GuiTkFontGetDefault()},
        {"overflow alignment X, right-to-left", CompGetOverflowAlignmentX, 1},
        {"alignment X", CompGetAlignmentX, 0},
        {"x", CompGetX, 0},
        {"width", CompGetWidth, 0},
        {"inset bottom", CompGetInsetBottom, 0},
        {"preferred width", CompGetPreferredWidth, 0},
        {"minimum height", CompGetMinimumHeight, 0},
        {"peer data", CompGetPeerData, 0},
        {"editing", CompGetEditingFlag, 0},
        {"truncate mode", CompGetTruncateMode, 0},
        {"event hook", [](int32_t h) { return CompGetEventHook(h) == nullptr ? 0 : 1; }, 0},
    };
    for (const Field& f : fields) EXPECT_EQ(f.value, f.get(c)) << f.name;
    EXPECT_EQ("20 23", takeMessages()) << "preferred and minimum sizes are asked of the kind";
    const GuiTkComponent* raw = (const GuiTkComponent*)host.peek(c);
    EXPECT_EQ((uint32_t)GUITK_TAG_COMP, raw->tag);
    EXPECT_EQ(0, raw->kindWords[0] | raw->kindWords[1] | raw->kindWords[2] | raw->spareWord);
}

TEST_F(CompTest, SettersSendTheirMessageOnlyForAChange) {
    int32_t c = make();
    struct Case {
        const char* name;
        void (*set)(int32_t c);
        const char* sent;
    } cases[] = {
        {"location", [](int32_t h) { CompSetLocation(h, 3, 4); }, "0(3,4)"},
        {"size", [](int32_t h) { CompSetSize(h, 30, 40); }, "1(30,40)"},
        {"foreground", [](int32_t h) { CompSetForeground(h, 0xFF0000FF); }, "2(-16776961,-16777216)"},
        {"background", [](int32_t h) { CompSetBackground(h, 0); }, "3(0,-1)"},
        {"paint enable", [](int32_t h) { CompSetPaintEnable(h, 0); }, "4(0,1)"},
        {"state", [](int32_t h) { CompSetState(h, 0); }, "5(0,1)"},
        {"alignment X", [](int32_t h) { CompSetAlignmentX(h, 2); }, "7(2)"},
        {"alignment Y", [](int32_t h) { CompSetAlignmentY(h, 1); }, "8(1)"},
        {"overflow alignment X", [](int32_t h) { CompSetOverflowAlignmentX(h, 2); }, "9(2)"},
        {"overflow alignment Y", [](int32_t h) { CompSetOverflowAlignmentY(h, 1); }, "10(1)"},
        {"preferred size", [](int32_t h) { CompSetPreferredSize(h, 5, 6); }, "20 21 11(5,6)"},
        {"minimum size", [](int32_t h) { CompSetMinimumSize(h, 7, 0); }, "22 23 12(7)"},
        {"focus policy", [](int32_t h) { CompSetFocusPolicy(h, 1); }, "16(1)"},
        {"truncate mode", [](int32_t h) { CompSetTruncateMode(h, 1); }, "24(1)"},
        {"direction mode", [](int32_t h) { CompSetDirectionMode(h, 2); }, "27(2)"},
    };
    for (bool shown : {false, true}) {
        if (shown) {
            destroy(c);
            c = make();
            CompShow(c, 0);
            takeMessages();
        }
        for (const Case& k : cases) {
            k.set(c);
            EXPECT_EQ(k.sent, takeMessages()) << k.name << (shown ? ", shown" : ", hidden");
            std::vector<int32_t> updates = takeEventCodes();
            bool repaints = k.name != std::string("location") && k.name != std::string("preferred size") &&
                            k.name != std::string("minimum size");
            EXPECT_EQ(shown && repaints ? std::vector<int32_t>{GUITK_EVENT_UPDATE} : std::vector<int32_t>{}, updates)
                << k.name << (shown ? ", shown" : ", hidden");
            k.set(c);
            std::string again = takeMessages();
            // pair setters ask the kind for the old size before they compare
            EXPECT_TRUE(again.empty() || again == "20 21" || again == "22 23") << k.name << ": " << again;
            EXPECT_EQ(std::vector<int32_t>{}, takeEventCodes()) << k.name << " set again";
        }
    }
    EXPECT_EQ(3, CompGetX(c));
    EXPECT_EQ(40, CompGetHeight(c));
    EXPECT_EQ(2, CompGetDirectionMode(c));
}

TEST_F(CompTest, FontChangesAreMessagedToo) {
    int32_t c = make();
    const GuiTkFont other = 0x1234;  // a word the registry never dereferences
    CompSetFont(c, other);
    EXPECT_EQ("6(" + std::to_string(other) + "," + std::to_string(GuiTkFontGetDefault()) + ")", takeMessages());
    EXPECT_EQ(other, CompGetFont(c));
}

TEST_F(CompTest, OutOfRangeValuesAreFatalAndNotStored) {
    int32_t c = make();
    struct Case {
        const char* name;
        void (*set)(int32_t c);
        int32_t fatal;
    } cases[] = {
        {"negative width", [](int32_t h) { CompSetSize(h, -1, 5); }, GUITK_ERROR_ARGUMENT},
        {"negative preferred height", [](int32_t h) { CompSetPreferredSize(h, 1, -1); }, GUITK_ERROR_ARGUMENT},
        {"negative minimum width", [](int32_t h) { CompStoreMinimumSize(h, -3, 0); }, GUITK_ERROR_ARGUMENT},
        {"focus policy 2", [](int32_t h) { CompSetFocusPolicy(h, 2); }, GUITK_ERROR_ARGUMENT},
        {"alignment X 3", [](int32_t h) { CompSetAlignmentX(h, 3); }, GUITK_ERROR_HANDLE},
        {"alignment Y -1", [](int32_t h) { CompSetAlignmentY(h, -1); }, GUITK_ERROR_HANDLE},
        {"direction mode 3", [](int32_t h) { CompSetDirectionMode(h, 3); }, GUITK_ERROR_ARGUMENT},
        {"no font", [](int32_t h) { CompSetFont(h, GUITK_NONE); }, GUITK_ERROR_HANDLE},
        {"paint enable 2", [](int32_t h) { CompSetPaintEnable(h, 2); }, GUITK_ERROR_ARGUMENT},
        {"truncate mode -1", [](int32_t h) { CompSetTruncateMode(h, -1); }, GUITK_ERROR_ARGUMENT},
        {"inset 32768", [](int32_t h) { CompSetInsets(h, 0, 32768, 0, 0); }, GUITK_ERROR_ARGUMENT},
        {"negative inset", [](int32_t h) { CompSetInsets(h, 0, 0, 0, -1); }, GUITK_ERROR_ARGUMENT},
        {"preferred width for a negative height",
         [](int32_t h) { EXPECT_EQ(0, CompGetPreferredWidthForHeight(h, -1)); }, GUITK_ERROR_ARGUMENT},
        {"preferred height for a negative width",
         [](int32_t h) { EXPECT_EQ(0, CompGetPreferredHeightForWidth(h, -1)); }, GUITK_ERROR_ARGUMENT},
    };
    for (const Case& k : cases) {
        k.set(c);
        EXPECT_EQ(std::vector<int32_t>{k.fatal}, host.takeFatals()) << k.name;
        std::string sent = takeMessages();
        EXPECT_TRUE(sent.empty() || sent == "20 21" || sent == "22 23") << k.name << ": " << sent;
    }
    EXPECT_EQ(0, CompGetWidth(c));
    EXPECT_EQ(0, CompGetMinimumWidth(c));
    EXPECT_EQ(0, CompGetFocusPolicy(c));
    EXPECT_EQ(0, CompGetAlignmentX(c));
    EXPECT_EQ(0, CompGetDirectionMode(c));
    EXPECT_EQ(1, CompGetPaintEnable(c));
    EXPECT_EQ(GuiTkFontGetDefault(), CompGetFont(c));
    EXPECT_EQ(0, CompGetInsetLeft(c));
    EXPECT_EQ(0, CompGetInsetBottom(c));
    EXPECT_EQ(std::vector<int32_t>{}, takeEventCodes());
}

TEST_F(CompTest, InsetsAreSixteenBitsReadBackSignExtended) {
    int32_t c = make();
    CompSetInsets(c, 32767, 1, 2, 3);
    EXPECT_EQ(32767, CompGetInsetTop(c));
    EXPECT_EQ(3, CompGetInsetBottom(c));
    GuiTkSetTypedShort(c, 0, GUITK_TAG_COMP, (int32_t)offsetof(GuiTkComponent, insetLeft), 0xFFFE);
    EXPECT_EQ(-2, CompGetInsetLeft(c));
    EXPECT_EQ("", takeMessages());
}

TEST_F(CompTest, ContentRectIsTheBoundsLessTheInsets) {
    struct Case {
        GuiTkRect bounds;
        int16_t top, left, right, bottom;
        GuiTkRect content;
    } cases[] = {
        {{10, 20, 50, 40}, 1, 2, 3, 4, {12, 21, 45, 35}},
        {{0, 0, 4, 4}, 3, 3, 3, 3, {3, 3, 0, 0}},
    };
    for (const Case& k : cases) {
        GuiTkComponent r = {};
        r.x = k.bounds.x;
        r.y = k.bounds.y;
        r.width = k.bounds.width;
        r.height = k.bounds.height;
        r.insetTop = k.top;
        r.insetLeft = k.left;
        r.insetRight = k.right;
        r.insetBottom = k.bottom;
        GuiTkRect out;
        CompGetContentRect(&r, &out);
        EXPECT_EQ(k.content.x, out.x);
        EXPECT_EQ(k.content.y, out.y);
        EXPECT_EQ(k.content.width, out.width);
        EXPECT_EQ(k.content.height, out.height);
    }
}

TEST_F(CompTest, StateRuleOfTheFocusPolicies) {
    int32_t occupy = make();
    CompShow(occupy, 0);
    takeMessages();
    struct Step {
        int32_t state;
        std::vector<int32_t> events;
    } steps[] = {
        {GUITK_STATE_FOCUSED, {GUITK_EVENT_UPDATE}},
        {GUITK_STATE_ACTIVE, {GUITK_EVENT_ACTIVATED, GUITK_EVENT_UPDATE}},
        {GUITK_STATE_FOCUSED, {GUITK_EVENT_DEACTIVATED, GUITK_EVENT_UPDATE}},
        {GUITK_STATE_DISABLED, {GUITK_EVENT_UPDATE}},
    };
    for (const Step& s : steps) {
        CompSetState(occupy, s.state);
        EXPECT_EQ(s.events, takeEventCodes()) << "occupy, to state " << s.state;
    }

    int32_t smooth = make();
    CompSetFocusPolicy(smooth, GUITK_FOCUS_SMOOTH);
    takeMessages();
    CompSetState(smooth, GUITK_STATE_FOCUSED);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(smooth)) << "a smooth component is Active once focused";
    EXPECT_EQ("5(2,1) 5(3,2)", takeMessages());
    EXPECT_EQ(std::vector<int32_t>{}, takeEventCodes()) << "hidden, and smooth posts no activation";
}

int32_t handledKey(GuiTkKeyEvent*) { return 1; }

TEST_F(CompTest, KeysReachTheHookOfTheState) {
    int32_t c = make();
    CompShow(c, 0);
    GuiTkKeyEvent select = {c, GUITK_KEY_EVENT_PRESSED, GUITK_KEY_SELECT, 0};
    GuiTkKeyEvent other = {c, GUITK_KEY_EVENT_PRESSED, 19, 0};
    GuiTkKeyEvent release = {c, 4, GUITK_KEY_SELECT, 0};
    takeMessages();
    takeEventCodes();
    EXPECT_EQ(0, CompProcessKeyEvent(&other));
    EXPECT_EQ(0, CompProcessKeyEvent(&release));
    EXPECT_EQ(GUITK_STATE_ENABLED, CompGetState(c));
    EXPECT_EQ(0, CompProcessKeyEvent(&select));
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(c)) << "select activates";
    EXPECT_EQ((std::vector<int32_t>{GUITK_EVENT_ACTIVATED, GUITK_EVENT_UPDATE}), takeEventCodes());
    EXPECT_EQ(0, CompProcessKeyEvent(&other));
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(c));
    EXPECT_EQ(0, CompProcessKeyEvent(&select));
    EXPECT_EQ(GUITK_STATE_FOCUSED, CompGetState(c)) << "select again returns an occupying component to Focused";
    EXPECT_EQ((std::vector<int32_t>{GUITK_EVENT_DEACTIVATED, GUITK_EVENT_UPDATE}), takeEventCodes());

    GuiTkComponent* r = CompLock(c);
    r->keyHook = handledKey;
    GuiTkUnlockHandle(c);
    EXPECT_EQ(1, CompProcessKeyEvent(&other)) << "a hook's 1 keeps the key";
    GuiTkPointerEvent tap = {c, {1, 2, 3, 4}};
    EXPECT_EQ(0, CompProcessPointerEvent(&tap)) << "no pointer hook";
}

TEST_F(CompTest, ShowHideAndPaint) {
    int32_t c = make();
    GuiTkGraphics gfx = GuiTkGetScreenGraphics();
    CompPaint(c, gfx);
    EXPECT_EQ("19(" + std::to_string(gfx) + ") 14(" + std::to_string(gfx) + ")", takeMessages())
        << "hidden components paint unless their kind says otherwise";
    setKindWord(c, offsetof(TestComponent, handles19), 1);
    CompPaint(c, gfx);
    EXPECT_EQ("19(" + std::to_string(gfx) + ")", takeMessages());

    CompShow(c, 7);
    CompShow(c, 8);
    EXPECT_EQ("13(7)", takeMessages()) << "shown once";
    CompPaint(c, gfx);
    EXPECT_EQ("14(" + std::to_string(gfx) + ")", takeMessages());
    CompHide(c);
    CompHide(c);
    EXPECT_EQ("15", takeMessages());
    EXPECT_EQ(std::vector<int32_t>{}, takeEventCodes());
}

TEST_F(CompTest, SizesAreAskedOfTheKind) {
    int32_t c = make();
    setKindWord(c, offsetof(TestComponent, reportedWidth), 77);
    EXPECT_EQ(77, CompGetPreferredWidthForHeight(c, 5));
    EXPECT_EQ("17(5) 20", takeMessages());
    CompSetPreferredSize(c, 77, 0);
    EXPECT_EQ("20 21", takeMessages()) << "equal to what the kind reports: no message";
    CompSetPreferredSize(c, 77, 9);
    EXPECT_EQ("20 21 11(77,9,77)", takeMessages());
    EXPECT_EQ(9, CompGetPreferredHeightForWidth(c, 0));
}

TEST_F(CompTest, RelayoutFollowsTheLanguageDirection) {
    CompRelayoutAll();
    EXPECT_EQ("", takeMessages()) << "an empty registry";
    int32_t a = make(), b = make();
    CompSetLanguageDirection(1);
    CompRelayoutAll();
    EXPECT_EQ("25 9(1) 26 25 9(1) 26", takeMessages());
    EXPECT_EQ(1, CompGetOverflowAlignmentX(a));
    EXPECT_EQ(1, CompGetOverflowAlignmentX(b));
    EXPECT_EQ(1, CompIsRightToLeft(0));
    CompSetLanguageDirection(0);
    EXPECT_EQ(0, CompRelayout(a)) << "26's result";
    EXPECT_EQ(0, CompGetOverflowAlignmentX(a));
    struct Case {
        int32_t mode, rtl;
    } modes[] = {{0, 0}, {1, 0}, {2, 1}};
    for (const Case& m : modes) EXPECT_EQ(m.rtl, CompIsRightToLeft(m.mode)) << "mode " << m.mode;
    takeMessages();
}

TEST_F(CompTest, RegistrySettingsCheckTheirArguments) {
    CompSetLanguageDirection(2);
    CompSetGlobalColor(6, 1);
    EXPECT_EQ(0u, CompGetGlobalColor(-1));
    EXPECT_EQ((std::vector<int32_t>(3, GUITK_ERROR_ARGUMENT)), host.takeFatals());
    EXPECT_EQ(0, CompGetLanguageDirection());
    const uint32_t defaults[GUITK_GLOBAL_COLORS] = {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF,
                                                    0xFF000000, 0xFF000000, 0xFF000000};
    for (int32_t i = 0; i < GUITK_GLOBAL_COLORS; i++) EXPECT_EQ(defaults[i], CompGetGlobalColor(i)) << i;
    EXPECT_EQ(GuiTkFontGetDefault(), CompGetDefaultFont());
}

TEST_F(CompTest, AParentIsSetOnce) {
    int32_t c = make();
    CompSetParent(c, 5);
    CompSetParent(c, 6);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_STATE}, host.takeFatals());
    EXPECT_EQ(5, CompGetParent(c));
    CompSetParent(c, -1);
    CompSetParent(c, 6);
    EXPECT_EQ(6, CompGetParent(c));
}

TEST_F(CompTest, TypedAccessRefusesWhatIsNoComponent) {
    int32_t s = text(u"x");
    EXPECT_EQ(0, CompGetX(s));
    EXPECT_EQ(nullptr, CompLock(s));
    EXPECT_EQ((std::vector<int32_t>{GUITK_ERROR_HANDLE, GUITK_ERROR_HANDLE}), host.takeFatals());
    StrDestroy(s);
    GuiTkMessage m = {-1, 99, 0, 0, 0, 0};
    EXPECT_EQ(0, GuiTkAbstractHandler(&m));
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ABSTRACT}, host.takeFatals());
}

// The event route.

int32_t takingHook(GuiTkEventCallback, GuiTkEvent* e) { return e->code == GUITK_EVENT_CHANGED ? 42 : 0; }
int32_t CallbackRuns;
void countingCallback(int32_t*) { CallbackRuns++; }
GuiTkEventCallback SeenContext;
int32_t contextSink(GuiTkEventCallback context, GuiTkEvent*) {
    SeenContext = context;
    return 9;
}

TEST_F(CompTest, EventsGoToTheComponentsHookThenTheDefaultHandler) {
    int32_t c = make();
    EXPECT_EQ(1, CompCallDefaultHandler5(c, GUITK_EVENT_CHANGED, 4, 1, 0));
    EXPECT_EQ(1u, events().size());
    const GuiTkEvent& e = events()[0];
    EXPECT_EQ((std::vector<int32_t>{0, c, GUITK_EVENT_CHANGED, 4, 1, 0, 0}),
              (std::vector<int32_t>{e.word0, e.component, e.code, e.args[0], e.args[1], e.args[2], e.args[3]}));
    events().clear();

    CompSetEventHook(c, takingHook);
    EXPECT_EQ(42, CompCallDefaultHandler4(c, GUITK_EVENT_CHANGED, 2, 1)) << "the hook takes it";
    EXPECT_EQ(std::vector<int32_t>{}, takeEventCodes());
    EXPECT_EQ(1, CompCallDefaultHandler3(c, GUITK_EVENT_CHOICE, 0)) << "the hook's 0 passes it on";
    EXPECT_EQ(std::vector<int32_t>{GUITK_EVENT_CHOICE}, takeEventCodes());
    EXPECT_EQ(1, CompPostRequest(-1, GUITK_EVENT_UPDATE)) << "no component, no hook";
    EXPECT_EQ(std::vector<int32_t>{GUITK_EVENT_UPDATE}, takeEventCodes());

    CompSetDefaultHandler(contextSink);
    EXPECT_EQ(contextSink, CompGetDefaultHandler());
    EXPECT_EQ(9, CompSendEvent(countingCallback, c));
    EXPECT_EQ(countingCallback, SeenContext) << "a deferred call carries its callback";
    CompPostRequest(c, GUITK_EVENT_EDIT_ENDED);
    EXPECT_NE(nullptr, SeenContext) << "requests carry a callback that does nothing";
    SeenContext(nullptr);

    GuiTkEvent bare = {0, c, GUITK_EVENT_UPDATE, {0, 0, 0, 0}};
    EXPECT_EQ(0, CompRouteEvent(nullptr, &bare));
    CompSetDefaultHandler(nullptr);
    EXPECT_EQ((std::vector<int32_t>{GUITK_ERROR_STATE, GUITK_ERROR_ARGUMENT}), host.takeFatals());
    EXPECT_EQ(contextSink, CompGetDefaultHandler()) << "a null handler is not installed";
    EXPECT_EQ(0, CallbackRuns) << "the route never calls the callback itself";
}

TEST_F(CompTest, UntilTheVmInstallsItsHandlerTheSinkIsFatal) {
    EXPECT_EQ(0, EventSinkModuleInit(0, nullptr));
    EXPECT_EQ(0, CompPostRequest(-1, GUITK_EVENT_UPDATE));
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_STATE}, host.takeFatals());
}

}  // namespace
