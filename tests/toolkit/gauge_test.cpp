// The gauge: value clamping, the maximum, indefinite counting, the active-state keys and
// the bar's width.
#include "kind_fixture.h"
#include "toolkit/guitk_gauge.h"

namespace {

class GaugeTest : public KindTest {
protected:
    int32_t key(int32_t g, int32_t type, int32_t code) {
        GuiTkKeyEvent e = {g, type, code, 0};
        return CompProcessKeyEvent(&e);
    }
    // The bar's pixels along the client's middle row.
    int barPixels(int32_t g) {
        paint(g);
        GuiTkRect client = {CompGetX(g) + 2, CompGetY(g) + 2, CompGetWidth(g) - 4, CompGetHeight(g) - 4};
        int n = 0;
        for (int x = client.x; x < client.x + client.width; x++)
            n += at(x, client.y + client.height / 2) == pixel(Black);
        return n;
    }
};

TEST_F(GaugeTest, ValuesAreCutToTheMaximum) {
    int32_t g = KivGaugeCreate(0);
    next() = KivGaugeDefaultHandler;
    KivGaugeSetHandler(GUITK_GAUGE_MSG_VALUE, logging);
    KivGaugeSetHandler(GUITK_GAUGE_MSG_MAXIMUM, logging);
    KivGaugeSetHandler(GUITK_GAUGE_MSG_MODE, logging);
    struct Step {
        const char* name;
        void (*act)(int32_t g);
        int32_t value, maximum;
        const char* sent;
    } steps[] = {
        {"new", [](int32_t) {}, 0, 1, ""},
        {"above the maximum", [](int32_t h) { KivGaugeSetValue(h, 5); }, 1, 1, "32(1,0)"},
        {"raise the maximum", [](int32_t h) { KivGaugeSetMaxValue(h, 100); }, 1, 100, "33(100,1)"},
        {"a value", [](int32_t h) { KivGaugeSetValue(h, 80); }, 80, 100, "32(80,1)"},
        {"the same value", [](int32_t h) { KivGaugeSetValue(h, 80); }, 80, 100, ""},
        {"lower the maximum below it", [](int32_t h) { KivGaugeSetMaxValue(h, 50); }, 50, 50, "33(50,100) 32(50,80)"},
        {"quietly", [](int32_t h) { KivGaugeStoreMaxValue(h, 20); }, 20, 20, ""},
        {"quiet value cut", [](int32_t h) { KivGaugeStoreValue(h, 30); }, 20, 20, ""},
        {"indefinite mode takes maximum 10", [](int32_t h) { KivGaugeSetMode(h, 1); }, 10, 10,
         "31(1,0) 33(10,20) 32(10,20)"},
    };
    for (const Step& s : steps) {
        s.act(g);
        EXPECT_EQ(s.sent, takeLog()) << s.name;
        EXPECT_EQ(s.value, KivGaugeGetValue(g)) << s.name;
        EXPECT_EQ(s.maximum, KivGaugeGetMaxValue(g)) << s.name;
    }
    const int32_t sides = 4;
    EXPECT_EQ(64 + sides, CompGetPreferredWidth(g)) << "70 wide at least, but no wider than the 64-pixel screen";
    KivGaugeSetMaxValue(g, 1000);
    EXPECT_EQ(64 + sides, CompGetPreferredWidth(g)) << "at most the screen's width";
    KivGaugeSetMaxValue(g, 30);
    EXPECT_EQ(12 + sides, CompGetPreferredHeight(g));
    EXPECT_EQ(12 + sides, CompGetMinimumWidth(g));
    KivGaugeDelete(g);
}

TEST_F(GaugeTest, AnIndefiniteGaugeCountsRound) {
    int32_t g = KivGaugeCreate(0);
    KivGaugeSetMode(g, GUITK_GAUGE_INDEFINITE);
    KivGaugeSetValue(g, 9);
    KivGaugeIncrement(g, 1);
    EXPECT_EQ(10, KivGaugeGetValue(g));
    KivGaugeIncrement(g, 1);
    EXPECT_EQ(0, KivGaugeGetValue(g)) << "from the maximum to 0";
    KivGaugeDecrement(g, 0);
    EXPECT_EQ(10, KivGaugeGetValue(g)) << "from 0 to the maximum";
    EXPECT_EQ(0, KivGaugeGetIdleState(g));
    KivGaugeIdle(g, 1);
    EXPECT_EQ(1, KivGaugeGetIdleState(g));
    EXPECT_EQ(10, KivGaugeGetValue(g)) << "idle leaves the value";
    KivGaugeDelete(g);
}

TEST_F(GaugeTest, ArrowKeysInTheActiveStateChangeTheValueAndPostIt) {
    int32_t g = KivGaugeCreate(0);
    KivGaugeSetMaxValue(g, 2);
    struct Step {
        int32_t direction, type, key, result;
        const char* posted;
        int32_t value, state;
    } steps[] = {
        {0, 3, 18, 0, "", 0, 1},        // not active: the arrow is not the gauge's
        {0, 3, 20, 0, "6(0,0)", 0, 3},  // select makes it active
        {0, 3, 18, 1, "9(1,0)", 1, 3},  // right raises
        {0, 2, 18, 1, "9(2,1)", 2, 3},  // a repeat too
        {0, 3, 18, 1, "", 2, 3},        // at the maximum: nothing posted, focus kept
        {0, 3, 16, 1, "9(1,2)", 1, 3},  // left lowers
        {1, 3, 16, 1, "9(2,1)", 2, 3},  // right-to-left: left raises
        {1, 3, 18, 1, "9(1,2)", 1, 3},  //
        {0, 1, 18, 0, "", 1, 3},        // a release is not a step
        {0, 3, 17, 0, "", 1, 3},        // up and down pass
        {0, 3, 20, 0, "7(0,0)", 1, 2},  // select gives the focus back
    };
    for (const Step& s : steps) {
        SCOPED_TRACE("type " + std::to_string(s.type) + " key " + std::to_string(s.key));
        CompSetLanguageDirection(s.direction);
        events().clear();
        EXPECT_EQ(s.result, key(g, s.type, s.key));
        EXPECT_EQ(s.posted, takeEvents());
        EXPECT_EQ(s.value, KivGaugeGetValue(g));
        EXPECT_EQ(s.state, CompGetState(g));
    }
    CompSetLanguageDirection(0);
    KivGaugeDelete(g);
}

TEST_F(GaugeTest, TheBarIsTheValuesShareOfTheClientWidth) {
    int32_t g = KivGaugeCreate(0);
    CompSetLocation(g, 3, 3);
    CompSetSize(g, 54, 14);  // a client 50 wide
    struct Case {
        int32_t value, maximum, pixels;
    } cases[] = {
        {0, 1000, 0},
        {1, 1000, 1},     // rounds to 0, drawn 1 wide
        {999, 1000, 49},  // just below full is never full
        {1000, 1000, 50},
        {3, 10, 15},
        {0x7FFFFFF, 0x7FFFFFF, 50},
        {0x8000000, 0x10000000, 25},   // in sixteenths: 8 x 50 / 16
        {0x0FFFFFFF, 0x10000000, 46},  // 15 x 50 / 16
        {0x8000000, 0x8000001, 49},    // sixteen sixteenths fill it, but the value is below the maximum
    };
    for (const Case& c : cases) {
        KivGaugeSetMaxValue(g, c.maximum);
        KivGaugeSetValue(g, c.value);
        EXPECT_EQ(c.pixels, barPixels(g)) << c.value << " of " << c.maximum;
    }
    KivGaugeSetMaxValue(g, 10);
    KivGaugeSetValue(g, 3);
    CompSetLanguageDirection(1);
    paint(g);
    EXPECT_EQ(pixel(Black), at(3 + 2 + 49, 10)) << "right-to-left: the bar ends at the client's right";
    EXPECT_EQ(pixel(White), at(3 + 2 + 34, 10));
    CompSetLanguageDirection(0);
    CompSetState(g, GUITK_STATE_FOCUSED);
    paint(g);
    EXPECT_EQ("", comparePicture("gauge_focused", pictureOf(host, 64, 20)));
    EXPECT_EQ(pixel(Black), at(3, 3)) << "the focused row draws the outer frame";
    KivGaugeSetStyle(0x400 | 3, 1, 0xFFFF0000);
    KivGaugeSetStyle(0x400 | 1, 5, 0);
    paint(g);
    EXPECT_EQ(pixel(0xFFFF0000), at(5, 10)) << "a bar of its own colour";
    EXPECT_EQ(pixel(White), at(3, 3)) << "an outer frame in the trough's colour";
    KivGaugeDelete(g);
}

}  // namespace
