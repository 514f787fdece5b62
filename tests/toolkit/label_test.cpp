// The label and the title: sizes, wrapping against truncating, text handles and the
// title's underline style.
#include "kind_fixture.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_string.h"

namespace {

class LabelTest : public KindTest {};

TEST_F(LabelTest, ANewLabelIsDisabledAndOneWBig) {
    int32_t l = KivLabelCreate(0);
    const uint16_t w = 'W';
    EXPECT_EQ(GUITK_STATE_DISABLED, CompGetState(l));
    EXPECT_EQ(GuiTkFontCharsWidth(font(), &w, 1), CompGetMinimumWidth(l));
    EXPECT_EQ(lineHeight(), CompGetMinimumHeight(l));
    EXPECT_EQ(-1, KivLabelGetText(l));
    setLabelText(l, u"ab\ncde");
    EXPECT_EQ(advanceOf(u"cde"), CompGetPreferredWidth(l)) << "the widest line";
    EXPECT_EQ(2 * lineHeight(), CompGetPreferredHeight(l));
    CompSetTruncateMode(l, 1);
    CompSendMessage2(l, GUITK_LABEL_MSG_TEXT_CHANGED, KivLabelGetText(l), 0);
    EXPECT_EQ(advanceOf(u"ab"), CompGetPreferredWidth(l)) << "truncating: the first line (its LF has no width)";
    EXPECT_EQ(lineHeight(), CompGetPreferredHeight(l));
    KivLabelDelete(l);
}

TEST_F(LabelTest, WrapsByCharacterUnlessTruncating) {
    int32_t l = KivLabelCreate(0);
    const std::u16string text = u"abcdabcd";
    setLabelText(l, text.c_str());
    int32_t half = advanceOf(u"abcd");
    EXPECT_EQ(2 * lineHeight(), CompGetPreferredHeightForWidth(l, half)) << "two lines at half the width";
    EXPECT_EQ(lineHeight(), CompGetPreferredHeightForWidth(l, advanceOf(text)));
    CompSetTruncateMode(l, 1);
    EXPECT_EQ(lineHeight(), CompGetPreferredHeightForWidth(l, half)) << "truncating never wraps";
    CompSetTruncateMode(l, 0);
    CompSetLocation(l, 0, 0);
    CompSetSize(l, half, 2 * lineHeight());
    paint(l);
    EXPECT_EQ("", comparePicture("label_wrapped", pictureOf(host, 32, 2 * lineHeight())));
    EXPECT_EQ(pixel(Black), at(0, 3)) << "'a' opens the first line";
    EXPECT_EQ(pixel(Black), at(0, lineHeight() + 3)) << "'a' opens the second too";
    CompSetTruncateMode(l, 1);
    paint(l);
    EXPECT_EQ(pixel(White), at(0, lineHeight() + 3)) << "truncated: one line, cut";
    KivLabelDelete(l);
}

TEST_F(LabelTest, TitleTextAndUnderline) {
    int32_t t = KivTitleCreate(0);
    EXPECT_EQ(1, CompGetTruncateMode(t));
    EXPECT_EQ(GUITK_STATE_DISABLED, CompGetState(t));
    EXPECT_EQ(2, CompGetMinimumWidth(t)) << "no text: only the insets";
    EXPECT_EQ(0, KivTitleSetText(t, nullptr, 0));
    int32_t empty = KivTitleGetText(t);
    EXPECT_NE(-1, empty) << "zero characters are an empty string";
    EXPECT_EQ(0, StrGetLength(empty));
    KivTitleSetText(t, units(u"Hi"), 2);
    EXPECT_EQ(advanceOf(u"Hi") + 2, CompGetPreferredWidth(t));
    EXPECT_EQ(lineHeight() + 3, CompGetPreferredHeight(t));
    CompSetLocation(t, 1, 1);
    CompSetSize(t, 20, lineHeight() + 3);
    int32_t bottom = 1 + lineHeight() + 3 - 1;
    struct Case {
        int32_t mode;
        uint32_t color, background, drawn;
    } cases[] = {
        {1, 0xFFFF0000, White, 0xFFFF0000},
        {2, 0xFFFF0000, White, Black},            // the foreground
        {3, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF},  // the background
        {1, 0x00FF0000, White, 0},                // transparent: none
    };
    for (const Case& c : cases) {
        KivTitleSetStyle(1, c.mode, c.color);
        CompSetBackground(t, c.background);
        paint(t);
        uint16_t expected = c.drawn == 0 ? ToolkitHost::kPaper : pixel(c.drawn);
        EXPECT_EQ(expected, at(1, bottom)) << "mode " << c.mode;
        EXPECT_EQ(expected, at(20, bottom)) << "mode " << c.mode;
        EXPECT_EQ(pixel(c.background), at(1, bottom - 1)) << "mode " << c.mode;
    }
    KivTitleDelete(t);
}

}  // namespace
