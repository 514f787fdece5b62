// The component kinds end to end: each is created, given its text or values, focused,
// painted into the test host's screen with the bitmap test face, and deleted; the
// pictures are compared with reviewed ones in data/ and with a few pixels worked out
// from the paint rules, so that a picture wrong from the start cannot pass.
#include <functional>
#include <string>
#include <vector>

#include "kind_fixture.h"
#include "toolkit/guitk_alert.h"
#include "toolkit/guitk_button.h"
#include "toolkit/guitk_gauge.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_ticker.h"
#include "toolkit_host.h"

namespace {

struct KindCase {
    const char* name;
    int32_t type;
    int32_t state;  // right after creation
    int32_t (*create)(int32_t number);
    void (*destroy)(int32_t c);
    void (*setHandler)(int32_t id, GuiTkHandler handler);
    GuiTkHandler defaultHandler;
    int32_t createdId;
    void (*setup)(int32_t c);
    const char* picture;
    // pixels worked out from the paint rules: {x, y, colour}
    struct Pixel {
        int x, y;
        uint32_t color;
    } pixels[4];
};

void place(int32_t c, int32_t x, int32_t y, int32_t w, int32_t h) {
    CompSetLocation(c, x, y);
    CompSetSize(c, w, h);
}

const KindCase Kinds[] = {
    {"label",
     GUITK_TYPE_LABEL,
     GUITK_STATE_DISABLED,
     KivLabelCreate,
     KivLabelDelete,
     KivLabelSetHandler,
     KivLabelDefaultHandler,
     GUITK_LABEL_MSG_CREATED,
     [](int32_t c) {
         place(c, 2, 2, 40, 24);
         setLabelText(c, u"AB\nCD");
     },
     "label",
     {{2, 2, White}, {41, 25, White}, {1, 1, 0}, {42, 26, 0}}},
    {"title",
     GUITK_TYPE_TITLE,
     GUITK_STATE_DISABLED,
     KivTitleCreate,
     KivTitleDelete,
     KivTitleSetHandler,
     KivTitleDefaultHandler,
     GUITK_LABEL_MSG_CREATED,
     [](int32_t c) {
         place(c, 2, 2, 40, 14);
         KivTitleSetText(c, (const uint16_t*)u"Title", 5);
     },
     "title",
     {{2, 15, Black}, {41, 15, Black}, {2, 14, White}, {42, 15, 0}}},
    {"button, focused",
     GUITK_TYPE_BUTTON,
     GUITK_STATE_ENABLED,
     KivButtonCreate,
     KivButtonDelete,
     KivButtonSetHandler,
     KivButtonDefaultHandler,
     GUITK_BUTTON_MSG_CREATED,
     [](int32_t c) {
         place(c, 2, 2, 30, 18);
         KivButtonSetText(c, (const uint16_t*)u"Ok", 2);
         CompSetState(c, GUITK_STATE_FOCUSED);
     },
     "button_focused",
     {{2, 2, LightGrey}, {31, 19, Black}, {30, 18, DarkGrey}, {3, 3, White}}},
    {"gauge",
     GUITK_TYPE_GAUGE,
     GUITK_STATE_ENABLED,
     KivGaugeCreate,
     KivGaugeDelete,
     KivGaugeSetHandler,
     KivGaugeDefaultHandler,
     GUITK_GAUGE_MSG_CREATED,
     [](int32_t c) {
         place(c, 2, 2, 54, 14);
         KivGaugeSetMaxValue(c, 10);
         KivGaugeSetValue(c, 4);
     },
     "gauge",
     // client {4, 4, 50, 10}: a bar of 4 x 50 / 10 = 20 pixels, then the trough
     {{4, 4, Black}, {23, 13, Black}, {24, 4, White}, {3, 3, Black}}},
    {"ticker",
     GUITK_TYPE_TICKER,
     GUITK_STATE_DISABLED,
     KivTickerCreate,
     KivTickerDelete,
     KivTickerSetHandler,
     KivTickerDefaultHandler,
     GUITK_TICKER_MSG_CREATED,
     [](int32_t c) {
         place(c, 2, 2, 40, 14);
         KivTickerSetText(c, (const uint16_t*)u"News", 4);
         KivTickerSetPosition(c, 6);
     },
     "ticker",
     {{2, 2, Black}, {41, 15, Black}, {3, 3, White}, {40, 14, White}}},
    {"alert",
     GUITK_TYPE_ALERT,
     GUITK_STATE_ENABLED,
     KivAlertCreate,
     KivAlertDelete,
     KivAlertSetHandler,
     KivAlertDefaultHandler,
     GUITK_ALERT_MSG_CREATED,
     [](int32_t c) {
         place(c, 0, 0, 64, 48);
         KivAlertSetTitle(c, (const uint16_t*)u"Alert", 5);
         KivAlertSetMessage(c, (const uint16_t*)u"Message text", 12);
     },
     "alert",
     {{0, 0, White}, {63, 47, White}, {0, 47, White}, {63, 0, White}}},
};

TEST_F(KindTest, EveryKindCreatesPaintsAndDeletesCleanly) {
    for (const KindCase& k : Kinds) {
        SCOPED_TRACE(k.name);
        int before = host.liveHandles();
        next() = k.defaultHandler;
        k.setHandler(k.createdId, logging);
        int32_t c = k.create(77);
        ASSERT_NE(-1, c);
        EXPECT_EQ(std::to_string(k.createdId) + "(77,0)", takeLog()) << "the creation message carries the number";
        k.setHandler(k.createdId, k.defaultHandler);
        EXPECT_EQ(k.type, CompGetType(c));
        EXPECT_EQ(77, CompGetCreateParam(c));
        EXPECT_EQ(k.state, CompGetState(c));
        k.setup(c);
        paint(c);
        std::string drawn = pictureOf(host, 64, 48);
        EXPECT_EQ("", comparePicture(k.picture, drawn));
        for (const KindCase::Pixel& p : k.pixels) {
            if (p.x == 0 && p.y == 0 && p.color == 0) continue;
            uint16_t expected = p.color == 0 ? ToolkitHost::kPaper : pixel(p.color);
            EXPECT_EQ(expected, at(p.x, p.y)) << "(" << p.x << "," << p.y << ")";
        }
        events().clear();
        k.destroy(c);
        EXPECT_EQ(before, host.liveHandles()) << "the deletion leaves no handle behind";
        EXPECT_EQ(0, host.lockedHandles());
        EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
    }
}

TEST_F(KindTest, EveryCreatorReleasesWhatItMadeWhenAnAllocationFails) {
    for (const KindCase& k : Kinds) {
        // refuse the first, second, ... handle until the creation gets through
        for (int allowed = 0;; allowed++) {
            SCOPED_TRACE(std::string(k.name) + ", allocation " + std::to_string(allowed) + " refused");
            int before = host.liveHandles();
            host.handlesBeforeFailure = allowed;
            int32_t c = k.create(1);
            host.handlesBeforeFailure = -1;
            if (c != -1) {
                k.destroy(c);
                EXPECT_EQ(before, host.liveHandles());
                break;
            }
            EXPECT_EQ(before, host.liveHandles()) << "a failed creation leaves nothing";
            EXPECT_EQ(-1, CompGetNext(-1)) << "and no component in the registry";
            ASSERT_LT(allowed, 10);
        }
    }
    host.takeFatals();
}

TEST_F(KindTest, BadArgumentsAreFatal) {
    int32_t label = KivLabelCreate(0), gauge = KivGaugeCreate(0), ticker = KivTickerCreate(0);
    int32_t button = KivButtonCreate(0), alert = KivAlertCreate(0);
    struct Case {
        const char* name;
        std::function<void()> call;
        int32_t code;
    } cases[] = {
        {"label handler slot 32", [] { KivLabelSetHandler(32, KivLabelDefaultHandler); }, 3},
        {"null title handler", [] { KivTitleSetHandler(0, nullptr); }, 3},
        {"title underline mode 0", [] { KivTitleSetStyle(1, 0, Black); }, 3},
        {"title style kind 2", [] { KivTitleSetStyle(2, 1, Black); }, 3},
        {"pushed flag 2", [&] { KivButtonSetPushed(button, 2); }, 3},
        {"button slot 35", [] { KivButtonSetHandler(35, KivButtonDefaultHandler); }, 3},
        {"null button key handler", [] { KivButtonSetKeyHandler(nullptr); }, 3},
        {"button attribute 0", [] { KivButtonSetStyle(0x800, 1, Black); }, 3},
        {"button attribute 11", [] { KivButtonSetStyle(0x800 | 11, 1, Black); }, 3},
        {"button frame mode for row 0", [] { KivButtonSetStyle(0x200 | 1, 1, 0); }, 3},
        {"button edge of the pushed row", [] { KivButtonSetStyle(0x10000 | 5, 1, Black); }, 3},
        {"button pushed edge with another row", [] { KivButtonSetStyle(0x10800 | 8, 1, Black); }, 3},
        {"button without a row", [] { KivButtonSetStyle(3, 1, Black); }, 3},
        {"button focus colour kind 3", [] { KivButtonSetStyle(0x800 | 2, 3, Black); }, 3},
        {"button stray row bit", [] { KivButtonSetStyle(0x900 | 3, 1, Black); }, 3},
        {"gauge mode 2", [&] { KivGaugeSetMode(gauge, 2); }, 3},
        {"negative gauge value", [&] { KivGaugeSetValue(gauge, -1); }, 3},
        {"gauge maximum 0", [&] { KivGaugeSetMaxValue(gauge, 0); }, 3},
        {"increment of a normal gauge", [&] { KivGaugeIncrement(gauge, 1); }, 5},
        {"idle of a normal gauge", [&] { KivGaugeIdle(gauge, 1); }, 5},
        {"gauge bar kind 4", [] { KivGaugeSetStyle(0x100 | 3, 4, 0); }, 3},
        {"gauge bar of row 1", [] { KivGaugeSetStyle(0x200 | 3, 1, 0); }, 3},
        {"gauge attribute 5", [] { KivGaugeSetStyle(0x100 | 5, 1, 0); }, 3},
        {"ticker direction 2", [&] { KivTickerSetDirection(ticker, 2); }, 3},
        {"ticker frame attribute 2", [] { KivTickerSetFrameStyle(2, 1, 0); }, 3},
        {"ticker frame kind 4", [] { KivTickerSetFrameStyle(1, 4, 0); }, 3},
        {"alert type 6", [&] { KivAlertSetAlertType(alert, 6); }, 3},
        {"a gauge as the alert's ticker", [&] { KivAlertSetTicker(alert, gauge); }, 3},
        {"a ticker as the alert's gauge", [&] { KivAlertSetGauge(alert, ticker); }, 3},
        {"alert title without characters", [&] { KivAlertSetTitle(alert, nullptr, 3); }, 3},
        {"alert message without characters", [&] { KivAlertSetMessage(alert, nullptr, 1); }, 3},
        {"alert slot 48", [] { KivAlertSetHandler(48, KivAlertDefaultHandler); }, 3},
        {"a label handle given to the gauge", [&] { KivGaugeSetValue(label, 1); }, 4},
    };
    for (const Case& c : cases) {
        c.call();
        // every access through a wrong handle reports it again
        std::vector<int32_t> fatals = host.takeFatals();
        EXPECT_FALSE(fatals.empty()) << c.name;
        for (int32_t code : fatals) EXPECT_EQ(c.code, code) << c.name;
    }
    EXPECT_EQ(0, KivGaugeGetMode(gauge));
    EXPECT_EQ(0, KivGaugeGetValue(gauge));
    EXPECT_EQ(1, KivGaugeGetMaxValue(gauge));
    EXPECT_EQ(0, KivAlertGetAlertType(alert));
    EXPECT_EQ(-1, KivAlertGetTicker(alert));
    EXPECT_EQ(0, KivButtonGetPushed(button));
    KivLabelDelete(label);
    KivGaugeDelete(gauge);
    KivTickerDelete(ticker);
    KivButtonDelete(button);
    KivAlertDelete(alert);
}

}  // namespace
