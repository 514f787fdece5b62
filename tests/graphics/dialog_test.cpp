#include "graphics/mk_dialog.h"
#include "graphics/mk_host.h"

#include "canvas.h"
#include "platform/bitmap_font.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

class HostCallsTest : public ::testing::Test {
protected:
    static std::vector<std::pair<int32_t, std::u16string>> labels;
    static std::vector<uint32_t> beeps;
    void SetUp() override {
        saved = *mk_getHostHooks();
        labels.clear();
        beeps.clear();
        MkHostHooks hooks = {};
        hooks.menuBarSetSoftkeyLabel = [](int32_t key, const uint16_t* chars, int32_t count) {
            labels.push_back({key, std::u16string((const char16_t*)chars, count)});
        };
        hooks.messageBeep = [](uint32_t type) -> int32_t {
            beeps.push_back(type);
            return 1;
        };
        mk_setHostHooks(&hooks);
    }
    void TearDown() override { mk_setHostHooks(&saved); }
    MkHostHooks saved;
};
std::vector<std::pair<int32_t, std::u16string>> HostCallsTest::labels;
std::vector<uint32_t> HostCallsTest::beeps;

TEST_F(HostCallsTest, SoftkeyLabelsKeepTenCharactersAndPaintKeysOneAndTwo) {
    const char16_t* fourteen = u"Options menu..";
    MkSoftkeyResetLabels();
    MkSoftkeySetLabel((const uint16_t*)fourteen, 14, 1);
    MkSoftkeySetLabel((const uint16_t*)u"Back", 4, 2);
    MkSoftkeySetLabel((const uint16_t*)u"Three", 5, 3);
    MkSoftkeySetLabel((const uint16_t*)u"Nope", 4, 4);
    MkSoftkeySetLabel((const uint16_t*)u"Nope", 0, 1);
    MkSoftkeySetLabel(nullptr, 4, 1);
    MkSoftkeyPaint();
    ASSERT_EQ(2u, labels.size());
    EXPECT_EQ(1, labels[0].first);
    EXPECT_EQ(u"Options me", labels[0].second);
    EXPECT_EQ(2, labels[1].first);
    EXPECT_EQ(u"Back", labels[1].second);
    MkSoftkeySetScrollState(5);
    MkSoftkeyResetLabels();
    labels.clear();
    MkSoftkeyPaint();
    ASSERT_EQ(2u, labels.size());
    EXPECT_EQ(u"", labels[0].second);
    EXPECT_EQ(u"", labels[1].second);
    EXPECT_EQ(0, MkSoftkeyGetScrollState()) << "the reset clears the scroll arrows too";
}

TEST_F(HostCallsTest, CommandKeysAndAlertSounds) {
    int32_t table[8] = {0, 0, 0, 0, 0, 0, 0, -7};
    MkGetDefaultCommandKeys(table);
    EXPECT_EQ((std::vector<int32_t>{21, 21, 21, 21, 22, 22, 22, -7}), std::vector<int32_t>(table, table + 8));
    MkGetDefaultCommandKeys(nullptr);
    for (int kind = -1; kind <= 5; kind++) EXPECT_EQ(kind >= 0 && kind <= 4 ? 1 : 0, MkAlertPlaySound(kind)) << kind;
    EXPECT_EQ((std::vector<uint32_t>{0, 0x20, 0x10, 0x40, 0x30}), beeps);
    mk_setHostHooks(nullptr);
    EXPECT_EQ(0, MkAlertPlaySound(1)) << "no sound without a host";
}

TEST_F(HostCallsTest, OptionStringsMatchTheirKeyPrefix) {
    struct Case {
        const char* key;
        int32_t length;
        const char16_t* text;  // null: no match
    } cases[] = {
        {"midp20_permissionS", 18, u"Allow for this session"},
        {"midp20_permissionBlanket", 24, u"Allow and don't ask again"},
        {"midp20_permissionNever", 22, u"Never"},
        {"midp20_permissionNotNow", 23, u"Not now"},
        {"midp20_permissionSessionNo ", 27, u"No session this time"},
        {"midp20_permissionSessionNo", 27, nullptr},
        {"midp20_permissionX", 18, nullptr},
        {"", 0, u"Allow and don't ask again"},
    };
    for (const auto& c : cases) {
        int32_t length = -1;
        const uint16_t* text = MkOptionGetString(c.key, c.length, &length);
        if (c.text == nullptr) {
            EXPECT_EQ(nullptr, text) << c.key;
            EXPECT_EQ(0, length) << c.key;
            continue;
        }
        ASSERT_NE(nullptr, text) << c.key;
        EXPECT_EQ(std::u16string(c.text), std::u16string((const char16_t*)text, length)) << c.key;
    }
    int32_t length;
    EXPECT_EQ(nullptr, MkOptionGetString(nullptr, 5, &length));
    EXPECT_EQ(nullptr, MkOptionGetString("midp", 4, nullptr));
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, FontLayerStart(bitmap_font::renderer()));
        ctx = MkGraphicsCreateContext(&canvas.surface);
    }
    void TearDown() override {
        MkGraphicsDestroyContext(ctx);
        FontLayerStop();
    }
    int32_t draw(int32_t event, const char16_t* title, const char16_t* body) {
        return MkDrawDialogScreen(ctx, 0, event, (const uint16_t*)title, (int32_t)std::u16string(title).size(),
                                  (const uint16_t*)body, (int32_t)std::u16string(body).size());
    }
    int count(uint16_t pixel) const {
        int n = 0;
        for (int y = 0; y < canvas.surface.height; y++)
            for (int x = 0; x < canvas.surface.width; x++) n += canvas.at(x, y) == pixel;
        return n;
    }
    // The text pixels of a row band: black ones.
    int blackIn(int y0, int y1, int x0 = 0, int x1 = 120) const {
        int n = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) n += canvas.at(x, y) == 0x0000;
        return n;
    }
    Canvas canvas{120, 160, 0x1234};
    MkGraphicsContext* ctx;
};

TEST_F(DialogTest, KeysMoveTheFocusAndSelectAnswers) {
    struct Step {
        int32_t event, result;
    } steps[] = {{-1, 0}, {20, 16}, {16, 0}, {20, 32}, {99, 0}, {20, 32},
                 {18, 0}, {20, 16}, {16, 0}, {-1, 0},  {20, 16}};
    for (const auto& s : steps) EXPECT_EQ(s.result, draw(s.event, u"Title", u"Body")) << "event " << s.event;
}

TEST_F(DialogTest, TheScreenHasItsColoursAndTheFocusFrameFollowsTheChoice) {
    draw(-1, u"Use network?", u"Body");
    EXPECT_EQ(0, count(0x1234)) << "the whole clip is painted";
    EXPECT_GT(count(0xBDF7), 0) << "button faces";
    // buttons at h - 2fh - bh + fh = 160 - 28 - 16 + 14 = 130; the margin is the width
    // of "Y" (5), a button is "YES" (13) + 2 wide; the focus frame starts 2 up and left
    const int top = 130, left = 5, right = 120 - 5 - 15;
    EXPECT_EQ(0x001F, canvas.at(right - 2, top - 2)) << "frame around the right button, YES";
    EXPECT_EQ(0x001F, canvas.at(right - 2 + 13 + 6, top - 2 + 14 + 6)) << "its far corner";
    EXPECT_NE(0x001F, canvas.at(left - 2, top - 2));
    EXPECT_EQ(0x0000, canvas.at(right, top)) << "button frame";
    EXPECT_EQ(0xBDF7, canvas.at(right + 1, top + 1)) << "button face";
    draw(16, u"Use network?", u"Body");
    EXPECT_EQ(0x001F, canvas.at(left - 2, top - 2)) << "frame around the left button, NO";
    EXPECT_NE(0x001F, canvas.at(right - 2, top - 2));
    // the title rule from (0, fh) to (w, fh)
    for (int x = 0; x < 120; x++) EXPECT_EQ(0x0000, canvas.at(x, 14)) << x;
}

TEST_F(DialogTest, TitlesAreCentredOrCutWithDots) {
    draw(-1, u"AB", u"");
    // "AB" is 8 wide: centred at (120 - 8) / 2 = 56; its stems are the glyphs' first columns
    EXPECT_EQ(0x0000, canvas.at(56, 5));
    EXPECT_EQ(0x0000, canvas.at(61, 5));
    EXPECT_EQ(0, blackIn(0, 14, 0, 56));

    // 40 'A's are 200 wide: 24 fit, 21 are kept, then "..." behind their 105 pixels
    std::u16string wide(40, u'A');
    draw(-1, wide.c_str(), u"");
    EXPECT_EQ(0x0000, canvas.at(0, 5));
    EXPECT_EQ(0x0000, canvas.at(100, 5));
    EXPECT_EQ(0x0000, canvas.at(105, 5)) << "the first dot";
    EXPECT_EQ(0, blackIn(2, 13, 105 + 4 * 3, 120)) << "nothing after the three dots";
}

TEST_F(DialogTest, ATitleWhoseFirstLineIsShorterThanThreeCharactersKeepsOnlyTheDots) {
    // a line feed after two characters: the first line is 3 characters long, none kept
    std::u16string title = u"AB\n" + std::u16string(40, u'A');
    draw(-1, title.c_str(), u"");
    EXPECT_EQ(0x0000, canvas.at(0, 5)) << "the first dot at x";
    EXPECT_EQ(0, blackIn(2, 13, 12, 120));
    title = u"A\n" + std::u16string(40, u'A');
    draw(-1, title.c_str(), u"");
    EXPECT_EQ(0x0000, canvas.at(0, 5));
    EXPECT_EQ(0, blackIn(2, 13, 12, 120)) << "a two-character line draws no negative count";
}

TEST_F(DialogTest, TheBodyWrapsAtCharacterBoundariesInsideItsArea) {
    // 30 characters "AB C": no line feed; wrapping ignores the blanks
    std::u16string body;
    for (int i = 0; i < 10; i++) body += u"AB ";
    draw(-1, u"T", body.c_str());
    // 10 * (5 + 3 + 2) = 100 pixels fit in 120: one line; three times as much wraps
    EXPECT_GT(blackIn(16, 30), 0);
    EXPECT_EQ(0, blackIn(30, 44)) << "one line";
    std::u16string longer = body + body + body;
    draw(-1, u"T", longer.c_str());
    EXPECT_GT(blackIn(30, 44), 0) << "second line";
    EXPECT_GT(blackIn(44, 58), 0) << "third line";
    // a long body stops at the button bar's area
    std::u16string huge(2000, u'B');
    draw(-1, u"T", huge.c_str());
    // the body's area: rows fh + 2 = 16 through 160 - (16 + 28) - 15 - 1 = 100 rows
    EXPECT_GT(blackIn(100, 116, 20, 100), 0) << "the area's last rows";
    EXPECT_EQ(0, blackIn(116, 130 - 2, 20, 100)) << "nothing between the body area and the buttons";
}

TEST_F(DialogTest, AReadOnlySurfaceIsStillDrawn) {
    canvas.surface.writable = 0;
    draw(-1, u"Title", u"Body");
    EXPECT_EQ(0, count(0x1234));
}

}  // namespace
