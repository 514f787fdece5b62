// The ticker: its scrolling step by step in both directions and its paint.
#include "kind_fixture.h"
#include "toolkit/guitk_ticker.h"

namespace {

class TickerTest : public KindTest {
protected:
    int32_t make(const char16_t* text, int32_t width) {
        int32_t t = KivTickerCreate(0);
        CompSetSize(t, width, lineHeight() + 4);
        KivTickerSetText(t, units(text), (int32_t)std::u16string(text).size());
        return t;
    }
};

TEST_F(TickerTest, EachAdvanceMovesHalfAFontHeightAndWrapsAround) {
    const std::u16string text = u"ABCDEFGH";
    const int32_t w = advanceOf(text), step = lineHeight() / 2, client = 100;
    int32_t t = make(text.c_str(), client + 4);
    ASSERT_GT(step, 0);
    // left: 0, -step, ... while not below -w, then the client width
    std::vector<int32_t> expected, seen;
    for (int32_t p = 0; p >= -w; p -= step) expected.push_back(p);
    expected.push_back(client);
    expected.push_back(client - step);
    seen.push_back(KivTickerGetPosition(t));
    for (size_t i = 1; i < expected.size(); i++) {
        KivTickerUpdate(t);
        seen.push_back(KivTickerGetPosition(t));
    }
    EXPECT_EQ(expected, seen);

    // right: restarts at -w and wraps past the client width
    KivTickerSetDirection(t, 1);
    KivTickerSetText(t, units(text.c_str()), (int32_t)text.size());
    EXPECT_EQ(-w, KivTickerGetPosition(t)) << "a new text starts at the entry edge";
    expected.clear();
    seen.clear();
    for (int32_t p = -w; p <= client; p += step) expected.push_back(p);
    expected.push_back(-w);
    seen.push_back(KivTickerGetPosition(t));
    for (size_t i = 1; i < expected.size(); i++) {
        KivTickerUpdate(t);
        seen.push_back(KivTickerGetPosition(t));
    }
    EXPECT_EQ(expected, seen);
    KivTickerDelete(t);
}

TEST_F(TickerTest, TextAndFontResetThePosition) {
    int32_t t = make(u"Hello", 60);
    KivTickerUpdate(t);
    KivTickerUpdate(t);
    EXPECT_NE(0, KivTickerGetPosition(t));
    KivTickerSetText(t, units(u"Bye"), 3);
    EXPECT_EQ(0, KivTickerGetPosition(t));
    EXPECT_EQ(advanceOf(u"Bye") + 4, CompGetPreferredWidth(t));
    EXPECT_EQ(lineHeight() + 4, CompGetMinimumHeight(t));
    KivTickerUpdate(t);
    EXPECT_NE(0, KivTickerGetPosition(t));
    // the font layer keeps one font, so the font message is sent as a change would send it
    CompSendMessage2(t, GUITK_MSG_FONT, font(), font());
    EXPECT_EQ(0, KivTickerGetPosition(t));
    KivTickerDelete(t);
}

TEST_F(TickerTest, InTheActiveStateKeysAndPointerArePassedBy) {
    int32_t t = make(u"x", 30);
    EXPECT_EQ(GUITK_STATE_DISABLED, CompGetState(t));
    CompSetState(t, GUITK_STATE_ACTIVE);
    GuiTkKeyEvent key = {t, 3, 18, 0};
    EXPECT_EQ(0, CompProcessKeyEvent(&key));
    GuiTkPointerEvent press = {t, {0, 0, 1, 1}};
    EXPECT_EQ(0, CompProcessPointerEvent(&press));
    EXPECT_EQ(0, KivTickerGetPosition(t));
    KivTickerDelete(t);
}

TEST_F(TickerTest, PaintedAtItsPositionInsideItsFrame) {
    int32_t t = make(u"Ab", 40);
    CompSetLocation(t, 2, 2);
    const int32_t clientX = 2 + 2;
    for (int32_t position : {0, 9, -3}) {
        KivTickerSetPosition(t, position);
        paint(t);
        // 'A' has its stem in its first column; the text line sits centred in the client
        int32_t stemX = clientX + position;
        int32_t stemY = 2 + 2 + 5;
        if (stemX >= clientX) {
            EXPECT_EQ(pixel(Black), at(stemX, stemY)) << "position " << position;
        }
        EXPECT_EQ(pixel(White), at(stemX - 1 >= clientX ? stemX - 1 : clientX + 10, stemY)) << position;
    }
    KivTickerSetPosition(t, 9);
    KivTickerSetFrameStyle(1, 1, 0xFFFF0000);
    paint(t);
    EXPECT_EQ("", comparePicture("ticker_red_frame", pictureOf(host, 48, 24)));
    EXPECT_EQ(pixel(0xFFFF0000), at(2, 2));
    KivTickerSetFrameStyle(1, 3, 0);
    paint(t);
    EXPECT_EQ(pixel(White), at(2, 2)) << "a frame in the background colour";
    KivTickerDelete(t);
}

}  // namespace
