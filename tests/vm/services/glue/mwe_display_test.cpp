// The glue's display access against a double of the shell's screen: the copy waits for
// the MIDlet's start, takes the visible rows and clears the frame-ready flag; the
// straight access opens once; the clear whitens only the visible rectangle.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "vm/services/glue/mwe.h"
#include "vm/services/glue/mwe_internal.h"

namespace {

struct ScreenDouble {
    int32_t width = 8, height = 6, menu = 2;
    std::vector<uint16_t> pixels = std::vector<uint16_t>(8 * 8, 0x1234);
    int32_t active = 1;
    std::string log;
};
ScreenDouble* screen;

void metrics(int32_t* w, int32_t* h, int32_t* menu) {
    *w = screen->width;
    *h = screen->height;
    *menu = screen->menu;
}
void size(int32_t* w, int32_t* h, uint16_t** p) {
    *w = screen->width;
    *h = screen->height;
    *p = screen->pixels.data();
}
void setActive(int32_t flag) { screen->active = flag; }
void copy(void* dc, int32_t mode, int32_t top, int32_t bottom) {
    screen->log += "copy(" + std::string(dc ? "dc" : "-") + "," + std::to_string(mode) + "," + std::to_string(top) +
                   "," + std::to_string(bottom) + ") ";
}
void init() { screen->log += "init "; }
int32_t open() { return screen->log += "open ", 1; }
void close() { screen->log += "close "; }

class GlueDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        screen = &double_;
        MweShell shell = {};
        shell.screenMetrics = metrics;
        shell.screenGetSize = size;
        shell.screenSetActive = setActive;
        shell.screenCopy = copy;
        shell.displayInit = init;
        shell.displayOpen = open;
        shell.displayClose = close;
        mwe_setShell(&shell);
        mwe_stateCallback(MWE_STATE_ENDED);
    }
    void TearDown() override {
        mwe_stateCallback(MWE_STATE_ENDED);
        mwe_closeDisplay();
        mwe_setShell(nullptr);
        screen = nullptr;
    }
    ScreenDouble double_;
};

TEST_F(GlueDisplay, CopyWaitsForTheStartAndTakesTheVisibleRows) {
    int32_t menu = -1;
    MweSize s = mwe_getScreenRect(&menu);
    EXPECT_EQ(8, s.width);
    EXPECT_EQ(8, s.height) << "the screen with the menu band";
    EXPECT_EQ(2, menu);

    mwe_blitScreen(nullptr, 2);
    EXPECT_EQ("", double_.log) << "nothing before the MIDlet has started or painted";
    EXPECT_EQ(1, double_.active) << "and the frame stays ready";

    struct Case {
        int32_t code;  // state callback that makes the screen ready
        void* dc;
        int32_t mode;
        const char* log;
    };
    int dc = 0;
    const Case cases[] = {
        {MWE_STATE_STARTED, &dc, 1, "copy(dc,1,0,4) "},
        {MWE_STATE_PAINT_READY, nullptr, 2, "copy(-,2,0,4) "},
        {MWE_STATE_STARTED, nullptr, 3, "copy(-,3,0,4) "},
        {MWE_STATE_STARTED, nullptr, 0, ""},
    };
    for (const Case& c : cases) {
        mwe_stateCallback(c.code);
        double_.log.clear();
        double_.active = 1;
        mwe_blitScreen(c.dc, c.mode);
        EXPECT_EQ(c.log, double_.log) << "mode " << c.mode;
        EXPECT_EQ(0, double_.active) << "every mode clears the frame-ready flag, mode " << c.mode;
        int32_t right = 0, bottom = 0;
        mwe_getVmScreenEdges(&right, &bottom);
        EXPECT_EQ(8, right);
        EXPECT_EQ(6, bottom);
        EXPECT_EQ(0, mwe_isBlitBusy());
        mwe_stateCallback(MWE_STATE_ENDED);
    }
}

TEST_F(GlueDisplay, OpenOnceAndClearTheVisibleRectangle) {
    // other tests may have opened the display before: init runs at most once a process
    mwe_closeDisplay();
    double_.log.clear();
    EXPECT_EQ(1, mwe_openDisplay());
    EXPECT_EQ(1, mwe_openDisplay()) << "open already";
    std::string once = double_.log;
    EXPECT_TRUE(once == "init open " || once == "open ") << once;
    EXPECT_EQ(1, mwe_closeDisplay());
    double_.log.clear();
    EXPECT_EQ(1, mwe_openDisplay());
    EXPECT_EQ("open ", double_.log) << "no second set-up";

    mwe_getScreenRect(nullptr);
    mwe_clearScreenBuffer();
    // 8 x (6 - 2) visible pixels from the start of the buffer
    for (size_t i = 0; i < double_.pixels.size(); i++) {
        EXPECT_EQ(i < 32 ? 0xFFFF : 0x1234, double_.pixels[i]) << "pixel " << i;
    }
}

// The record of thread_kve's next message, in one static record: an event record is
// copied, any other message gives a zeroed record.
TEST(GlueReceive, EventRecordsAndOthers) {
    mweQueues_make();
    MweEvent e = {};
    e.sender = MWE_SENDER_CONTROL;
    e.kind = 6;
    e.data[199] = 0x5A;
    mwe_postEvent(3, &e);
    MweMsg* timer = mwe_allocMsg(MWE_MSG_TIMER);
    timer->u.timerId = 1;
    mwe_postMsg(MWE_QUEUE_KVE, timer);
    MweEvent* got = nullptr;
    EXPECT_EQ(1, mwe_receiveEvent(&got));
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(0, memcmp(&e, got, sizeof e));
    MweEvent* again = nullptr;
    EXPECT_EQ(0, mwe_receiveEvent(&again)) << "a timer message is no record";
    EXPECT_EQ(got, again) << "always the one static record";
    EXPECT_EQ(0, again->kind);
    EXPECT_EQ(0, again->data[199]);
    mweQueues_free();
}

}  // namespace
