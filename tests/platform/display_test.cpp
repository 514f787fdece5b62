// The key table of the settings: SDL key names and virtual keys; the close signals.
#include "platform/display.h"

#include <SDL2/SDL_keyboard.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/window.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// SDL's off-screen driver loads its graphics libraries when the display opens and
// unloads them when it closes; what they allocate on loading is never freed, and the
// leak checker can only name it "<unknown module>". Our own allocations are checked by
// the window tests, which open no display.
struct DisplayLibraries {
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler notTheirs;
#endif
};

TEST(DisplayKeys, ParsesTheSettingsTableAndRefusesWhatItDoesNotUnderstand) {
    struct Case {
        const char* text;
        int32_t count;
        SDL_Keycode firstKey;
        uint32_t firstVk;
    };
    const Case cases[] = {
        {"Up=38;Down=40", 2, SDLK_UP, 38},
        {"Keypad 5=53;", 1, SDLK_KP_5, 53},
        {"Q=49", 1, SDLK_q, 49},
        {"", 0, 0, 0},
        {"Up", -1, 0, 0},
        {"Up=", -1, 0, 0},
        {"NoSuchKey=38", -1, 0, 0},
        {"Up=0", -1, 0, 0},
        {"Up=256", -1, 0, 0},
        {"Up=3x", -1, 0, 0},
    };
    for (const Case& c : cases) {
        DisplayKeyBinding out[4] = {};
        EXPECT_EQ(DisplayParseKeys(c.text, out, 4), c.count) << c.text;
        if (c.count > 0) {
            EXPECT_EQ(out[0].key, c.firstKey) << c.text;
            EXPECT_EQ(out[0].virtualKey, c.firstVk) << c.text;
        }
    }
    DisplayKeyBinding small[1];
    EXPECT_EQ(DisplayParseKeys("Up=38;Down=40", small, 1), -1) << "more entries than room";
}

TEST(DisplayKeys, TheDefaultTableHasThePhoneKeys) {
    int32_t n = 0;
    const DisplayKeyBinding* keys = DisplayDefaultKeys(&n);
    struct Case {
        SDL_Keycode key;
        uint32_t vk;
    };
    const Case cases[] = {{SDLK_LEFT, 37},   {SDLK_UP, 38},  {SDLK_RIGHT, 39}, {SDLK_DOWN, 40},
                          {SDLK_RETURN, 13}, {SDLK_0, 48},   {SDLK_KP_9, 57},  {SDLK_KP_MULTIPLY, 119},
                          {SDLK_HASH, 120},  {SDLK_F1, 112}, {SDLK_F2, 113},   {SDLK_BACKSPACE, 8},
                          {SDLK_ESCAPE, 27}};
    for (const Case& c : cases) {
        int found = -1;
        for (int32_t i = 0; i < n; i++) {
            if (keys[i].key == c.key) found = (int)keys[i].virtualKey;
        }
        EXPECT_EQ(found, (int)c.vk) << SDL_GetKeyName(c.key);
    }
}

int closesSeen = 0;
LRESULT closeCounter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        closesSeen++;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool blocked(int signal) {
    sigset_t now;
    pthread_sigmask(SIG_BLOCK, nullptr, &now);
    return sigismember(&now, signal) == 1;
}

// SIGTERM and SIGINT sent to the process while other threads run reach the active window
// as WM_CLOSE, handled on the window's own thread, and the process lives on.
TEST(DisplayCloseSignals, AreTakenByThePumpAsWindowCloses) {
    int32_t count = 0;
    const DisplayKeyBinding* keys = DisplayDefaultKeys(&count);
    {
        [[maybe_unused]] DisplayLibraries loading;
        ASSERT_EQ(DisplayOpen(64, 64, 1, "signals", keys, count), 1);
    }
    EXPECT_TRUE(blocked(SIGTERM) && blocked(SIGINT));
    WNDCLASSW wc = {};
    wc.lpfnWndProc = closeCounter;
    wc.lpszClassName = L"CloseSignalClass";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, L"CloseSignalClass", L"", 0, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(w, 0u);
    SetActiveWindow(w);
    std::atomic<bool> stop{false};
    std::thread busy([&] {
        while (!stop) usleep(1000);
    });
    const int signals[] = {SIGTERM, SIGINT};
    for (int signal : signals) {
        int before = closesSeen;
        ASSERT_EQ(kill(getpid(), signal), 0);
        MSG msg;
        for (int i = 0; i < 200 && closesSeen == before; i++) {
            while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            usleep(5000);
        }
        EXPECT_EQ(closesSeen, before + 1) << "signal " << signal;
    }
    stop = true;
    busy.join();
    DestroyWindow(w);
    UnregisterClassW(L"CloseSignalClass", nullptr);
    {
        [[maybe_unused]] DisplayLibraries unloading;
        DisplayClose();
    }
    EXPECT_FALSE(blocked(SIGTERM) || blocked(SIGINT)) << "the mask before the display is back";
}

// SIGINT ignored by the parent (a background job of a script) stays ignored: the display
// neither blocks nor takes it, and SIGTERM still closes.
TEST(DisplayCloseSignals, ASignalTheParentIgnoresStaysIgnored) {
    struct sigaction ignore = {}, before = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGINT, &ignore, &before), 0);
    int32_t count = 0;
    const DisplayKeyBinding* keys = DisplayDefaultKeys(&count);
    {
        [[maybe_unused]] DisplayLibraries loading;
        ASSERT_EQ(DisplayOpen(64, 64, 1, "ignored", keys, count), 1);
    }
    EXPECT_FALSE(blocked(SIGINT));
    EXPECT_TRUE(blocked(SIGTERM));
    {
        [[maybe_unused]] DisplayLibraries unloading;
        DisplayClose();
    }
    sigaction(SIGINT, &before, nullptr);
}

// The program's own window may be hidden, neither active nor focused: the close goes to
// the window named for it, even while the window's thread does not pump the display.
TEST(DisplayCloseSignals, ReachTheNamedWindowWhenNoneIsActive) {
    int32_t count = 0;
    const DisplayKeyBinding* keys = DisplayDefaultKeys(&count);
    {
        [[maybe_unused]] DisplayLibraries loading;
        ASSERT_EQ(DisplayOpen(64, 64, 1, "signals", keys, count), 1);
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = closeCounter;
    wc.lpszClassName = L"CloseTargetClass";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, L"CloseTargetClass", L"", 0, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(w, 0u);
    SetActiveWindow(0);
    SetFocus(0);
    DisplaySetCloseTarget(w);
    int before = closesSeen;
    ASSERT_EQ(kill(getpid(), SIGTERM), 0);
    // the close is posted by the display's watcher: it is in the queue without a pump
    MSG msg;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool queued = false;
    while (!queued && std::chrono::steady_clock::now() < end) {
        queued = PeekMessageW(&msg, w, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != 0;
        if (!queued) usleep(2000);
    }
    EXPECT_TRUE(queued);
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ(closesSeen, before + 1);
    DisplaySetCloseTarget(0);
    DestroyWindow(w);
    UnregisterClassW(L"CloseTargetClass", nullptr);
    {
        [[maybe_unused]] DisplayLibraries unloading;
        DisplayClose();
    }
}

// With a deadline set, a close signal that does not end the program in time, or a
// second signal, ends it at once: a program stuck anywhere still goes.
TEST(DisplayCloseSignalsDeathTest, ASecondSignalOrTheDeadlineEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* name;
        int32_t deadlineMs;
        std::vector<int> signals;
        int status;
    };
    const Case cases[] = {
        {"the deadline passes", 300, {SIGTERM}, 128 + SIGTERM},
        {"a second signal", 600000, {SIGTERM, SIGINT}, 128 + SIGINT},
        {"a second signal, SIGINT first", 600000, {SIGINT, SIGTERM}, 128 + SIGTERM},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                int32_t count = 0;
                const DisplayKeyBinding* keys = DisplayDefaultKeys(&count);
                if (DisplayOpen(64, 64, 1, "signals", keys, count) != 1) _exit(3);
                DisplaySetCloseDeadline(c.deadlineMs);
                for (int signal : c.signals) {
                    kill(getpid(), signal);
                    usleep(50000);
                }
                // busy elsewhere: nothing here ends the process
                for (int i = 0; i < 2000; i++) usleep(10000);
                _exit(0);
            },
            ::testing::ExitedWithCode(c.status), "ended at once")
            << c.name;
    }
}

}  // namespace
