// The alert: its children's order, layout and scrolling, its type veto, its image
// setters, the soft-key and trace calls of its paint, and what it deletes.
#include "kind_fixture.h"
#include "toolkit/guitk_alert.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_gauge.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_ticker.h"

namespace {

struct PaintCalls {
    std::vector<int32_t> scrollStates;
    std::vector<std::vector<int32_t>> traces;  // view rectangle, width, height
};
PaintCalls& calls() {
    static PaintCalls c;
    return c;
}
void recordScroll(int32_t state) { calls().scrollStates.push_back(state); }
int32_t recordTrace(int32_t rect, int32_t w, int32_t h) {
    const int32_t* r = p32Ptr<const int32_t>(rect);
    calls().traces.push_back({r[0], r[1], r[2], r[3], w, h});
    return 0;
}

int32_t refuseType(GuiTkMessage* m) { return m->id == GUITK_ALERT_MSG_TYPE ? 1 : KivAlertDefaultHandler(m); }

class AlertTest : public KindTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(KindTest::SetUp());
        calls() = PaintCalls();
        host.table.softkeySetScrollState = recordScroll;
        host.table.traceHook = recordTrace;
    }
    int32_t make() {
        int32_t a = KivAlertCreate(9);
        CompSetSize(a, 64, 48);
        return a;
    }
    int32_t key(int32_t a, int32_t code) {
        GuiTkKeyEvent e = {a, 3, code, 0};
        return CompProcessKeyEvent(&e);
    }
    std::vector<int32_t> types(int32_t a) {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < ContainerGetChildCount(a); i++) out.push_back(CompGetType(ContainerGetChild(a, i)));
        return out;
    }
};

TEST_F(AlertTest, CreatedFullScreenAndSmooth) {
    int32_t a = KivAlertCreate(3);
    EXPECT_EQ(64, CompGetPreferredWidth(a));
    EXPECT_EQ(48, CompGetMinimumHeight(a));
    EXPECT_EQ(GUITK_FOCUS_SMOOTH, CompGetFocusPolicy(a));
    EXPECT_EQ(1, IsContainer(a));
    CompSetState(a, GUITK_STATE_FOCUSED);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(a)) << "focused means active at once";
    EXPECT_EQ(-1, KivAlertGetTitle(a));
    EXPECT_EQ(-1, KivAlertGetImage(a));
    KivAlertDelete(a);
}

TEST_F(AlertTest, TheTickerGoesAboveTheTitleAndTheGaugeLast) {
    int32_t a = make();
    int32_t ticker = KivTickerCreate(0), gauge = KivGaugeCreate(0);
    KivTickerSetText(ticker, units(u"T"), 1);
    KivAlertSetGauge(a, gauge);
    KivAlertSetTitle(a, units(u"Title"), 5);
    EXPECT_EQ((std::vector<int32_t>{GUITK_TYPE_TITLE, GUITK_TYPE_GAUGE}), types(a));
    KivAlertSetTicker(a, ticker);
    EXPECT_EQ((std::vector<int32_t>{GUITK_TYPE_TICKER, GUITK_TYPE_TITLE, GUITK_TYPE_GAUGE}), types(a));
    KivAlertSetTitle(a, nullptr, 0);
    KivAlertSetTitle(a, units(u"Again"), 5);
    EXPECT_EQ((std::vector<int32_t>{GUITK_TYPE_TICKER, GUITK_TYPE_TITLE, GUITK_TYPE_GAUGE}), types(a))
        << "a new title goes after the ticker";
    EXPECT_EQ(u"Again", contentOf(KivAlertGetTitle(a)));

    // the ticker, then the title, then the body
    int32_t tickerHeight = lineHeight() + 4, titleHeight = lineHeight() + 3;
    EXPECT_EQ(0, CompGetY(ticker));
    EXPECT_EQ(64, CompGetWidth(ticker));
    EXPECT_EQ(tickerHeight, CompGetHeight(ticker));
    EXPECT_EQ(48 - tickerHeight - titleHeight, KivAlertGetViewPortHeight(a));
    EXPECT_EQ(tickerHeight + titleHeight, CompGetY(gauge)) << "no image and no message: the gauge comes first";
    EXPECT_EQ(64, CompGetWidth(gauge)) << "its preferred width cut to the client";
    EXPECT_EQ(CompGetPreferredHeight(gauge), KivAlertGetClientHeight(a));

    KivAlertSetTicker(a, -1);
    EXPECT_EQ(-1, CompGetParent(ticker));
    EXPECT_EQ(0, CompGetY(ContainerGetChild(a, 0))) << "the title moves up";
    KivAlertDelete(a);
    EXPECT_EQ(-1, CompGetParent(gauge)) << "the gauge is removed, not deleted";
    EXPECT_EQ(GUITK_TYPE_GAUGE, CompGetType(gauge));
    KivGaugeDelete(gauge);
    KivTickerDelete(ticker);
}

TEST_F(AlertTest, ALongMessageScrollsInStepsUpToItsEnd) {
    int32_t a = make();
    std::u16string text;
    for (int i = 0; i < 12; i++) text += u"line\n";
    KivAlertSetMessage(a, units(text.c_str()), (int32_t)text.size());
    int32_t h = lineHeight();
    ASSERT_EQ(12 * h, KivAlertGetClientHeight(a));
    EXPECT_EQ(48, KivAlertGetViewPortHeight(a));
    EXPECT_EQ(64, KivAlertGetClientWidth(a));
    int32_t limit = 12 * h - 48;
    CompSetState(a, GUITK_STATE_ACTIVE);
    std::vector<int32_t> expected, seen;
    for (int32_t v = 12; v < limit; v += 12) expected.push_back(v);
    expected.push_back(limit);
    expected.push_back(limit);
    for (size_t i = 0; i < expected.size(); i++) {
        EXPECT_EQ(0, key(a, 19));
        seen.push_back(KivAlertGetViewY(a));
    }
    EXPECT_EQ(expected, seen) << "12 pixels a step, stopping at client height - view-port height";
    key(a, 17);
    EXPECT_EQ(limit - 12, KivAlertGetViewY(a));
    EXPECT_EQ(0, KivAlertGetViewX(a));

    paint(a);
    EXPECT_EQ((std::vector<int32_t>{3}), calls().scrollStates) << "more above and more below";
    ASSERT_EQ(1u, calls().traces.size());
    EXPECT_EQ((std::vector<int32_t>{0, limit - 12, 64, 48, 64, 12 * h}), calls().traces[0]);
    for (int i = 0; i < 20; i++) key(a, 17);
    EXPECT_EQ(0, KivAlertGetViewY(a));
    paint(a);
    EXPECT_EQ(2, calls().scrollStates.back()) << "at the top: more below only";
    EXPECT_EQ("", comparePicture("alert_message", pictureOf(host, 64, 48)));
    KivAlertDelete(a);
}

TEST_F(AlertTest, AHandlerMayRefuseANewType) {
    int32_t a = make();
    next() = KivAlertDefaultHandler;
    KivAlertSetHandler(GUITK_ALERT_MSG_TYPE, logging);
    EXPECT_EQ(0, KivAlertSetAlertType(a, 3));
    EXPECT_EQ("35(3,0)", takeLog());
    EXPECT_EQ(0, KivAlertSetAlertType(a, 3));
    EXPECT_EQ("", takeLog()) << "the same type sends nothing";
    KivAlertSetHandler(GUITK_ALERT_MSG_TYPE, refuseType);
    EXPECT_EQ(-1, KivAlertSetAlertType(a, 5));
    EXPECT_EQ(3, KivAlertGetAlertType(a)) << "the old type is kept";
    KivAlertDelete(a);
}

TEST_F(AlertTest, AnOffScreenAfterAnImageClearsTheImageFirst) {
    int32_t a = make();
    uint32_t argb[4 * 4];
    for (uint32_t& p : argb) p = 0xFF0000FF;
    int32_t error = 0;
    MkSurface* image = MkImageCreateFromARGB(argb, 4, 4, 0, &error);
    MkSurface* wide = MkImageCreateFromARGB(argb, 8, 2, 0, &error);
    int32_t i = p32Cell(image), w = p32Cell(wide);
    next() = KivAlertDefaultHandler;
    KivAlertSetHandler(GUITK_ALERT_MSG_IMAGE, logging);
    KivAlertSetHandler(GUITK_ALERT_MSG_OFFSCREEN, logging);
    KivAlertSetMessage(a, units(u"m"), 1);
    KivAlertSetImage(a, i);
    KivAlertSetImage(a, i);
    EXPECT_EQ("38(" + std::to_string(i) + ",-1)", takeLog());
    CompSendMessage0(a, GUITK_MSG_SIZE);  // lays it out for the 4 x 4 image
    paint(a);
    EXPECT_EQ(pixel(0xFF0000FF), at(30, 0)) << "centred: (64 - 4) / 2";
    EXPECT_EQ(pixel(0xFF0000FF), at(33, 3));
    KivAlertSetOffScreen(a, w);
    EXPECT_EQ("38(-1," + std::to_string(i) + ") 39(" + std::to_string(w) + ",-1)", takeLog());
    EXPECT_EQ(-1, KivAlertGetImage(a));
    EXPECT_EQ(w, KivAlertGetOffScreen(a));
    paint(a);
    EXPECT_EQ(pixel(0xFF0000FF), at(37, 1)) << "a new picture is drawn where the last layout put the old";
    EXPECT_EQ(pixel(White), at(38, 1));
    KivAlertDelete(a);
    MkImageDestroy(image);
    MkImageDestroy(wide);
}

TEST_F(AlertTest, ChildEventsStayInsideTheAlert) {
    int32_t a = make();
    int32_t gauge = KivGaugeCreate(0);
    KivAlertSetGauge(a, gauge);
    CompShow(a, 0);
    CompPaint(a, GuiTkGetScreenGraphics());
    events().clear();
    KivGaugeSetMaxValue(gauge, 10);
    KivGaugeSetValue(gauge, 4);
    ASSERT_FALSE(events().empty());
    for (const GuiTkEvent& e : events()) {
        EXPECT_EQ(GUITK_EVENT_UPDATE, e.code);
        EXPECT_EQ(a, e.component) << "the gauge's repaint request is the alert's";
    }
    events().clear();
    CompSetState(gauge, GUITK_STATE_ACTIVE);
    GuiTkKeyEvent right = {gauge, 3, 18, 0};
    CompProcessKeyEvent(&right);
    EXPECT_EQ(5, KivGaugeGetValue(gauge));
    EXPECT_EQ("", takeEvents()) << "its value event never reaches the VM";
    KivAlertSetGauge(a, -1);
    EXPECT_EQ(nullptr, CompGetEventHook(gauge)) << "a removed child gets its own events back";
    KivAlertDelete(a);
    KivGaugeDelete(gauge);
}

}  // namespace
