// Movane_VM's shell headless, end to end on SDL's offscreen (or dummy) driver: a
// "-launch" run draws into the back buffer, the presented frame read back equals it,
// scripted keys and stylus reach the VM as its key codes and pointer events, and the
// manager's kill ends the program.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include <SDL2/SDL_mouse.h>
#include "fakevm.h"

#include "platform/display.h"
#include "platform/gapi.h"

namespace {

struct Folder {
    Folder() {
        std::string dir = "/tmp/movane-headless-test-" + std::to_string(getpid());
        setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 0);  // the race detector's run takes the dummy one
    }
} folder;

enum : UINT { READ_BACK = WM_USER + 1, READ_BACK_STRAIGHT = WM_USER + 2 };

LRESULT scriptProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == READ_BACK) return DisplayReadBack((uint16_t*)lParam);
    if (message == READ_BACK_STRAIGHT) {
        // on the window thread, between two frame-timer ticks: the screen image blacked
        // out, one copy the way asked for, then the presented frame
        int32_t w = 0, h = 0;
        uint16_t* frame = WindowHoldScreen(&w, &h);
        if (frame == nullptr) return 0;
        memset(frame, 0, (size_t)w * h * 2);
        WindowReleaseScreen(1);
        ScreenSetActive(1);
        ScreenBlit(nullptr, (int32_t)wParam);
        return DisplayReadBack((uint16_t*)lParam);
    }
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; i++) {
        if (done()) return true;
        usleep(5000);
    }
    return false;
}

TEST(Headless, LaunchPresentsTheBackBufferAndTakesKeysAndStylus) {
    int32_t keyCount = 0;
    const DisplayKeyBinding* keys = DisplayDefaultKeys(&keyCount);
    ScreenSetDeviceSize(240, 320, 0);
    ASSERT_EQ(DisplayOpen(240, 320, 2, "Movane", keys, keyCount), 1);
    int32_t outW = 0, outH = 0, scale = 0;
    DisplayOutputSize(&outW, &outH, &scale);
    EXPECT_EQ(outW, 480);
    EXPECT_EQ(outH, 640);

    hostGlue = fakevm::glue();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = scriptProc;
    wc.lpszClassName = L"ScriptClass";
    RegisterClassW(&wc);
    HWND script = CreateWindowExW(0, L"ScriptClass", L"", 0, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);

    std::vector<uint16_t> presented(240 * 320), drawn(240 * 320), way2(240 * 320), way3(240 * 320);
    bool sawRunning = false, readBack = false, readBackStraight = false;
    int32_t gameInput = -1, displayOpen = -1;
    GapiDisplayInfo info = {};
    uint32_t gameKeys = 0;
    std::thread user([&] {
        HWND main = 0;
        sawRunning = waitFor([&] {
            main = FindWindowW(L"Movane_VM", nullptr);
            return main != 0 && SendMessageW(main, VM_CMD_GET_STATE, 0, 0) == HOST_RUNNING;
        });
        if (!sawRunning) return;
        usleep(100000);  // a few frame-timer ticks
        uint16_t* pixels = nullptr;
        ScreenGetSize(nullptr, nullptr, &pixels);
        for (int i = 0; i < 240 * 320; i++) drawn[i] = pixels[i];
        readBack = SendMessageW(script, READ_BACK, 0, (LPARAM)presented.data()) == 1;
        readBackStraight = SendMessageW(script, READ_BACK_STRAIGHT, 2, (LPARAM)way2.data()) == 1 &&
                           SendMessageW(script, READ_BACK_STRAIGHT, 3, (LPARAM)way3.data()) == 1;
        gameInput = GameInputOpenCount();
        displayOpen = GapiIsDisplayOpen();
        ScreenDisplayInfo(&info);

        const SDL_Keycode typed[] = {SDLK_5,    SDLK_UP,   SDLK_RETURN,    SDLK_F1,     SDLK_F2, SDLK_KP_MULTIPLY,
                                     SDLK_HASH, SDLK_KP_7, SDLK_BACKSPACE, SDLK_ESCAPE, SDLK_a};
        for (SDL_Keycode k : typed) {
            DisplayInjectKey(k, 1);
            DisplayInjectKey(k, 0);
        }
        // the stylus at window pixels; the window shows the screen at twice its size
        DisplayInjectMouse(101, 151, SDL_BUTTON_LEFT, 1);
        DisplayInjectMotion(121, 171);
        DisplayInjectMouse(121, 171, SDL_BUTTON_LEFT, 0);
        DisplayInjectMotion(300, 300);  // no button: no stylus
        waitFor([] { return fakevm::taken().size() >= 34; });
        usleep(50000);
        gameKeys = GetGameKeyStates();
        PostMessageW(main, VM_CMD_KILL_VM_PROCESS, 0, 0);
    });
    int32_t code = VmWinMain(nullptr, L"-launch app.jad app.jar", 1);
    user.join();
    std::vector<std::string> got = fakevm::taken();
    fakevm::finish();
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(sawRunning) << "the MIDlet never ran";
    ASSERT_TRUE(readBack);
    int differing = 0;
    for (int i = 0; i < 240 * 320; i++) differing += presented[i] != drawn[i];
    EXPECT_EQ(differing, 0) << "the presented frame is the back buffer";
    ASSERT_TRUE(readBackStraight);
    int differing2 = 0, differing3 = 0;
    for (int i = 0; i < 240 * 320; i++) {
        differing2 += way2[i] != drawn[i];
        differing3 += way3[i] != drawn[i];
    }
    EXPECT_EQ(differing2, 0) << "the frame presented after a copy the straight way 2";
    EXPECT_EQ(differing3, 0) << "the frame presented after a copy the straight way 3";
    EXPECT_EQ(info.raw, 1) << "the direct display was set up on the screen image";
    EXPECT_EQ(info.width, 240);
    EXPECT_EQ(displayOpen, 1) << "the display is open while the MIDlet runs in front";
    EXPECT_EQ(gameInput, 1) << "so is the game-input mode";
    EXPECT_EQ(drawn[0], fakevm::cardPixel(0, 0, 240, 320)) << "the test card was drawn";

    std::vector<std::string> expected;
    for (int key : {5, 17, 20, 21, 22, 10, 11, 7, 26, 23}) {
        for (int kind : {0, 3, 1}) expected.push_back("key(" + std::to_string(kind) + "," + std::to_string(key) + ")");
    }
    for (const char* pen : {"pen(0,50,75)", "pen(3,60,85)", "pen(2,60,85)", "pen(1,60,85)"}) expected.push_back(pen);
    EXPECT_EQ(got, expected) << "the scripted keys and stylus as the VM got them";
    EXPECT_EQ(gameKeys, 0x100u | 0x2u | 0x800u) << "5 and select FIRE, up UP, 7 GAME_C, pressed since the last read";
    DestroyWindow(script);
    UnregisterClassW(L"ScriptClass", nullptr);
    hostGlue = hostGlueDefaults;
    DisplayClose();
}

}  // namespace
