// The GameCanvas flush on a screen of the test's own: the flushed rectangle of the
// buffer reaches the screen at its own place and nothing else does; a skipped flush and
// a canvas without a screen context draw nothing; the key states come from the host.
#include <gtest/gtest.h>

#include <algorithm>

#include "graphics/mk_graphics.h"
#include "graphics/mk_host.h"
#include "graphics/mk_image.h"
#include "natives/lib/nativecall.h"
#include "natives/ui/gamecanvas_natives.h"
#include "platform/lowmem.h"
#include "platform/p32.h"
#include "support/vmasm.h"

using namespace vmasm;

namespace {

enum { W = 40, H = 30 };
// The screen's pixels lie in the low window, as the surface's word holds their address.
uint16_t* const screenPixels = (uint16_t*)lowCalloc(W * H, sizeof(uint16_t));
MkSurface screen = {nullptr, W, H, 0, 1};
int32_t keyStates;
int32_t frames;

class GameCanvasNatives : public ::testing::Test {
protected:
    void SetUp() override {
        saved = *mk_getHostHooks();
        MkHostHooks hooks = {};
        hooks.screenGetSurface = [] { return &screen; };
        hooks.screenGetVideoProperty = [](MkVideoProperty* out) { *out = {&screen, 1, 32768, 2, 1, 1, 1, 1, 0}; };
        hooks.gameKeyStates = [] { return keyStates; };
        hooks.threadDrawDone = [](int32_t refresh) { frames += refresh != 0; };
        mk_setHostHooks(&hooks);
        screen.pixels = screenPixels;
        std::fill(screenPixels, screenPixels + W * H, 0);
        frames = 0;
    }
    void TearDown() override { mk_setHostHooks(&saved); }
    MkHostHooks saved;
};

// Flushes inside a run (the flush asks for the class of the screen's owner).
void flush(int32_t x, int32_t y, int32_t w, int32_t h, int32_t context, int32_t offScreen, int32_t skip) {
    Vm vm;
    RunResult r = vm.inside([&] {
        NativeCall c;
        c.arg(x).arg(y).arg(w).arg(h).arg(context).arg(offScreen).arg(skip).arg(0);
        Java_javax_microedition_lcdui_game_GameCanvas_nativeFlushGraphics();
    });
    ASSERT_EQ(0, r.exitCode) << r.trace;
}

TEST_F(GameCanvasNatives, FlushCopiesTheRectangleOnly) {
    MkSurface* buffer = MkOffScreenCreate(W, H);
    ASSERT_NE(MK_SURFACE_FAILED, buffer);
    MkGraphicsContext* onBuffer = MkGraphicsCreateContext(buffer);
    const int32_t all[4] = {0, 0, W, H};
    MkGraphicsSetColor(onBuffer, 0xFF0000);
    MkGraphicsFillRect(onBuffer, all);
    uint16_t red = buffer->pixels[0];
    MkGraphicsContext* onScreen = MkGraphicsCreateContext(&screen);
    int32_t ctx = p32Cell(onScreen), off = p32Cell(buffer);

    struct Case {
        const char* name;
        int32_t context, skip;
        int32_t redPixels, frames;
    };
    const Case cases[] = {
        {"a flush of 10x5 at (3, 4)", ctx, 0, 50, 1},
        {"a skipped flush", ctx, 1, 0, 0},
        {"no screen context", -1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::fill(screenPixels, screenPixels + W * H, 0);
        frames = 0;
        flush(3, 4, 10, 5, c.context, off, c.skip);
        int32_t n = 0, outside = 0;
        for (int32_t y = 0; y < H; y++) {
            for (int32_t x = 0; x < W; x++) {
                bool in = x >= 3 && x < 13 && y >= 4 && y < 9;
                if (screenPixels[y * W + x] == red) (in ? n : outside)++;
            }
        }
        EXPECT_EQ(c.redPixels, n) << c.name;
        EXPECT_EQ(0, outside) << c.name;
        EXPECT_EQ(c.frames, frames) << c.name;
    }
    int32_t clip[4];
    MkGraphicsGetClip(onScreen, clip);
    EXPECT_EQ(3, clip[0]);
    EXPECT_EQ(10, clip[2]) << "the clip stays at the flushed rectangle";
    MkGraphicsDestroyContext(onScreen);
    MkGraphicsDestroyContext(onBuffer);
    MkImageDestroy(buffer);
}

TEST_F(GameCanvasNatives, KeyStatesComeFromTheHost) {
    keyStates = 0x120;
    NativeCall c;
    EXPECT_EQ(0x120, c.call(Java_javax_microedition_lcdui_game_GameCanvas_nativeGetKeyStates));
}

}  // namespace
