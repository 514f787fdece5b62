// Starting and stopping the toolkit through its module table.
#include "toolkit/guitk_host.h"

#include "support/hookscope.h"
#include "toolkit/guitk_layout.h"
#include "toolkit/guitk_screen.h"
#include "toolkit_host.h"
#include "vm/services/vmstate.h"

namespace {

// Every row's bit: high 0x1..0x80000000 but 0x200 and 0x4000, and the alert's low 0x10.
const uint32_t AllRowsHigh = 0xFFFFBDFFu;
const uint32_t AllRowsLow = 0x10u;

class StartStopTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, FontLayerStart(bitmap_font::renderer())); }
    void TearDown() override {
        GuiTkFinalize();
        FontLayerStop();
    }
    static std::pair<uint32_t, uint32_t> mask() {
        uint32_t low, high;
        GuiTkGetModuleMask(&low, &high);
        return {low, high};
    }
    ToolkitHost host;
};

TEST_F(StartStopTest, StartedTwiceInOneProcessLeavesNothingBehind) {
    for (int round = 1; round <= 2; round++) {
        ASSERT_EQ(0, GuiTkInitialize(0, nullptr, &host.table)) << "round " << round;
        EXPECT_EQ(std::make_pair(AllRowsLow | GUITK_MODULE_PEER_LOW, AllRowsHigh), mask()) << "round " << round;
        EXPECT_EQ(&host.table, GuiTkGetHostServices());
        EXPECT_EQ((void**)&host.table, guiTk_getHostTable()) << "the run keeps the table";
        EXPECT_EQ(64, GuiTkGetScreenWidth());
        EXPECT_EQ(48, GuiTkGetScreenHeight());
        EXPECT_EQ(2, GuiTkGetSoftkeyCount());
        EXPECT_EQ(p32Cell(MkFontGetDefault(0)), GuiTkGetDefaultFont());
        EXPECT_EQ(-1, CompGetNext(-1)) << "round " << round << ": an empty registry";

        // some of everything, destroyed again
        int32_t s = StrCreateWithCapacity(4);
        int32_t layout = LineLayoutCreate();
        LineLayoutSetText(layout, s);
        LineLayoutDestroy(layout);
        StrDestroy(s);

        EXPECT_EQ(0, GuiTkFinalize()) << "round " << round;
        EXPECT_EQ(std::make_pair(0u, 0u), mask()) << "round " << round;
        EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", host.leftBehind()) << "round " << round;
    }
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

TEST_F(StartStopTest, StoppingWhatNeverStartedDoesNothing) {
    EXPECT_EQ(0, GuiTkFinalize());
    EXPECT_EQ(std::make_pair(0u, 0u), mask());
    EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", host.leftBehind());
}

TEST_F(StartStopTest, ASecondStartWithoutAStopIsFatal) {
    ASSERT_EQ(0, GuiTkInitialize(0, nullptr, &host.table));
    EXPECT_GT(0, GuiTkInitialize(0, nullptr, &host.table));
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_STATE}, host.takeFatals());
    EXPECT_EQ(1, host.liveContexts) << "the running toolkit is left as it was";
    EXPECT_EQ(0, GuiTkFinalize());
    EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", host.leftBehind());
}

TEST_F(StartStopTest, AFailingModuleTakesTheOnesBeforeItDown) {
    // The modules that allocate a block: screen (row 7), default font (9), registry (10).
    struct Case {
        const char* name;
        int pointersBeforeFailure;
    } cases[] = {
        {"screen", 0},
        {"default font", 1},
        {"registry", 2},
    };
    for (const Case& c : cases) {
        host.pointersBeforeFailure = c.pointersBeforeFailure;
        EXPECT_EQ(-1, GuiTkInitialize(0, nullptr, &host.table)) << c.name;
        host.pointersBeforeFailure = -1;
        EXPECT_EQ(std::make_pair(0u, 0u), mask()) << c.name;
        EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", host.leftBehind()) << c.name;
        EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << c.name;
    }
    ASSERT_EQ(0, GuiTkInitialize(0, nullptr, &host.table)) << "a failed start leaves the toolkit startable";
}

MkGraphicsContext* noContext(MkSurface*) { return MK_NO_CONTEXT; }
MkFont* noFont(int32_t) { return (MkFont*)(intptr_t)-1; }

TEST_F(StartStopTest, ScreenWithoutAContextOrNoDefaultFontFailsTheStart) {
    host.table.gfxCreateContext = noContext;
    EXPECT_EQ(-1, GuiTkInitialize(0, nullptr, &host.table)) << "no context";
    EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", host.leftBehind());
    ToolkitHost other;
    other.table.fontGetDefault = noFont;
    EXPECT_EQ(-1, GuiTkInitialize(0, nullptr, &other.table)) << "no default font";
    EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", other.leftBehind());
    EXPECT_EQ(std::make_pair(0u, 0u), mask());
}

int32_t refusingPeers(int32_t, const void*) { return -3; }
int32_t PeerStarts;
int32_t countingPeers(int32_t count, const void* options) {
    PeerStarts++;
    return count == 0 && options == nullptr ? 5 : -1;
}

TEST_F(StartStopTest, ThePeerToolkitStartsLastAndCanRefuse) {
    {
        HookScope<int32_t (*)(int32_t, const void*)> peers(GuiTkPeers.MgurInit, refusingPeers);
        EXPECT_EQ(-3, GuiTkInitialize(0, nullptr, &host.table)) << "its result is the start's";
        EXPECT_EQ(std::make_pair(0u, 0u), mask()) << "everything before it is down again";
        EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", host.leftBehind());
    }
    HookScope<int32_t (*)(int32_t, const void*)> peers(GuiTkPeers.MgurInit, countingPeers);
    PeerStarts = 0;
    EXPECT_EQ(5, GuiTkInitialize(0, nullptr, &host.table)) << "its result is the start's";
    EXPECT_EQ(1, PeerStarts);
    EXPECT_EQ(GUITK_MODULE_PEER_LOW, mask().first & GUITK_MODULE_PEER_LOW);
}

TEST_F(StartStopTest, WrapperGuardsKeepEmptyRequestsFromTheHost) {
    ASSERT_EQ(0, GuiTkInitialize(0, nullptr, &host.table));
    GuiTkGraphics gfx = GuiTkGetScreenGraphics();
    GuiTkGfxSetColor(gfx, 0x000000);
    const uint16_t ab[2] = {'a', 'b'};
    EXPECT_EQ(0, GuiTkFontCharsWidth(GuiTkFontGetDefault(), ab, 0));
    EXPECT_EQ(9, GuiTkFontCharsWidth(GuiTkFontGetDefault(), ab, 2)) << "the bitmap face: a 4, b 5";
    EXPECT_EQ(0, GuiTkFontFitChars(GuiTkFontGetDefault(), ab, 2, -1));
    EXPECT_EQ(1, GuiTkFontFitChars(GuiTkFontGetDefault(), ab, 2, 8));
    struct Case {
        const char* name;
        void (*draw)(GuiTkGraphics gfx);
        bool marks;
    } cases[] = {
        {"outline of negative width",
         [](GuiTkGraphics g) {
             GuiTkRect r = {1, 1, -1, 3};
             GuiTkGfxDrawRect(g, &r);
         },
         false},
        {"outline of zero width",
         [](GuiTkGraphics g) {
             GuiTkRect r = {1, 1, 0, 3};
             GuiTkGfxDrawRect(g, &r);
         },
         true},
        {"fill of zero height",
         [](GuiTkGraphics g) {
             GuiTkRect r = {1, 1, 3, 0};
             GuiTkGfxFillRect(g, &r);
         },
         false},
        {"fill",
         [](GuiTkGraphics g) {
             GuiTkRect r = {1, 1, 3, 2};
             GuiTkGfxFillRect(g, &r);
         },
         true},
        {"no characters", [](GuiTkGraphics g) { GuiTkGfxDrawChars(g, nullptr, 0, 0, 0); }, false},
    };
    for (const Case& c : cases) {
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 64; x++) host.screen.set(x, y, ToolkitHost::kPaper);
        c.draw(gfx);
        EXPECT_EQ(c.marks, !host.screen.marked(ToolkitHost::kPaper).empty()) << c.name;
    }
    EXPECT_EQ(0, GuiTkFinalize());
}

}  // namespace
