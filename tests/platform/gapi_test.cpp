// The direct display over the window system's screen image: the information record in
// raw mode and without a screen, begin and end draw holding the frame in pairs, the
// display's open state and the game-input counter.
#include "platform/gapi.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

struct RuntimeFolder {
    RuntimeFolder() {
        std::string dir = "/tmp/movane-gapi-test-" + std::to_string(getpid());
        setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    }
} runtimeFolder;

LRESULT plainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(Gapi, InitTracesTheKernelVersionAndAnswersWithTheScreenImage) {
    struct utsname u;
    ASSERT_EQ(uname(&u), 0);
    int major = 0, minor = 0;
    ASSERT_EQ(sscanf(u.release, "%d.%d", &major, &minor), 2);
    int32_t a = -1, b = -1;
    GapiSystemVersion(&a, &b);
    EXPECT_EQ(a, major);
    EXPECT_EQ(b, minor);

    // no screen image: the Game API's properties, no frame, raw mode off
    WindowSetScreen(nullptr, 0, 0);
    GapiDisplayInfo info;
    memset(&info, 0x55, sizeof info);
    testing::internal::CaptureStdout();
    EXPECT_EQ(GapiInitDisplay(&info), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "OS ver= " + std::to_string(major) + "." + std::to_string(minor) + "\n");
    EXPECT_EQ(info.raw, 0);
    EXPECT_EQ(info.frame, nullptr);
    EXPECT_EQ(info.format, (uint32_t)(GAPI_KF_DIRECT | GAPI_KF_DIRECT565));
    EXPECT_EQ(info.bitsPerPixel, 16);
    EXPECT_EQ(GapiBeginDraw(&info), nullptr) << "nothing to draw into while the display is closed";
    EXPECT_EQ(GapiEndDraw(), 0);

    // the screen image is the raw frame buffer
    std::vector<uint16_t> image(240 * 320, 0);
    WindowSetScreen(image.data(), 240, 320);
    testing::internal::CaptureStdout();
    EXPECT_EQ(GapiInitDisplay(&info), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(info.raw, 1);
    EXPECT_EQ(info.format, (uint32_t)GAPI_FORMAT_565);
    EXPECT_EQ(info.bitsPerPixel, 16);
    EXPECT_EQ(info.xPitch, 2);
    EXPECT_EQ(info.yPitch, 480);
    EXPECT_EQ(info.width, 240);
    EXPECT_EQ(info.height, 320);
    EXPECT_EQ(info.frame, (uint8_t*)image.data());
    WindowSetScreen(nullptr, 0, 0);
}

TEST(Gapi, BeginAndEndDrawHoldTheFrameInPairs) {
    std::vector<uint16_t> image(240 * 320, 0), other(120 * 160, 0);
    WindowSetScreen(image.data(), 240, 320);
    GapiDisplayInfo info;
    testing::internal::CaptureStdout();
    GapiInitDisplay(&info);
    testing::internal::GetCapturedStdout();
    WindowTakeScreenChanged();

    uint8_t* frame = GapiBeginDraw(&info);
    ASSERT_EQ(frame, (uint8_t*)image.data());
    EXPECT_EQ(info.frame, frame);
    ((uint16_t*)frame)[0] = 0x1234;
    EXPECT_EQ(WindowTakeScreenChanged(), 0) << "not shown before the end draw";
    // the screen image is not replaced while it is drawn into
    std::atomic<bool> replaced{false};
    std::thread display([&] {
        WindowSetScreen(other.data(), 120, 160);
        replaced = true;
    });
    usleep(50000);
    EXPECT_FALSE(replaced) << "the display waits for the end draw";
    EXPECT_EQ(GapiEndDraw(), 1);
    display.join();
    EXPECT_TRUE(replaced);
    EXPECT_EQ(WindowTakeScreenChanged(), 1) << "the end draw marks the frame for presentation";
    EXPECT_EQ(image[0], 0x1234);
    EXPECT_EQ(GapiEndDraw(), 0) << "an end draw without a begin";

    // the next begin takes the image now in place, and brings the record up to date
    frame = GapiBeginDraw(&info);
    EXPECT_EQ(frame, (uint8_t*)other.data());
    EXPECT_EQ(info.width, 120);
    EXPECT_EQ(info.height, 160);
    EXPECT_EQ(info.yPitch, 240);
    // a second begin (another thread) waits for the first one's end
    std::atomic<bool> second{false};
    std::thread drawer([&] {
        GapiDisplayInfo mine;
        if (GapiBeginDraw(&mine) != nullptr) {
            second = true;
            GapiEndDraw();
        }
    });
    usleep(50000);
    EXPECT_FALSE(second);
    EXPECT_EQ(GapiEndDraw(), 1);
    drawer.join();
    EXPECT_TRUE(second);
    WindowSetScreen(nullptr, 0, 0);
    EXPECT_EQ(GapiBeginDraw(&info), nullptr) << "no screen image: nothing is held";
    EXPECT_EQ(GapiEndDraw(), 0);
}

TEST(Gapi, WithoutARawFrameTheOpenDisplayGivesTheFrame) {
    WindowSetScreen(nullptr, 0, 0);
    GapiDisplayInfo info;
    testing::internal::CaptureStdout();
    GapiInitDisplay(&info);
    testing::internal::GetCapturedStdout();
    std::vector<uint16_t> image(64 * 64, 0);
    WindowSetScreen(image.data(), 64, 64);
    EXPECT_EQ(GapiBeginDraw(&info), nullptr) << "the Game API draws only into an open display";

    WNDCLASSW wc = {};
    wc.lpfnWndProc = plainProc;
    wc.lpszClassName = L"GapiTestClass";
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND hwnd = CreateWindowExW(0, L"GapiTestClass", L"", 0, 0, 0, 64, 64, 0, nullptr, nullptr, nullptr);
    EXPECT_EQ(GapiOpenDisplay(0), 0) << "no window, no display";
    EXPECT_EQ(GapiIsDisplayOpen(), 0);
    EXPECT_EQ(GapiOpenDisplay(hwnd), 1);
    EXPECT_EQ(GapiOpenDisplay(hwnd), 1) << "open already";
    EXPECT_EQ(GapiIsDisplayOpen(), 1);
    EXPECT_EQ(GapiBeginDraw(&info), (uint8_t*)image.data());
    EXPECT_EQ(info.raw, 0);
    EXPECT_EQ(info.frame, nullptr) << "the record's frame pointer is the raw one only";
    EXPECT_EQ(GapiEndDraw(), 1);
    GapiSuspendDisplay();
    GapiCloseDisplay();
    EXPECT_EQ(GapiIsDisplayOpen(), 0);
    EXPECT_EQ(GapiBeginDraw(&info), nullptr);
    DestroyWindow(hwnd);
    UnregisterClassW(L"GapiTestClass", nullptr);
    WindowSetScreen(nullptr, 0, 0);
}

TEST(Gapi, GameInputOpensOnce) {
    GameInputClose();
    EXPECT_EQ(GameInputOpenCount(), 0);
    EXPECT_EQ(GameInputOpen(), 1);
    EXPECT_EQ(GameInputOpenCount(), 1);
    EXPECT_EQ(GameInputOpen(), 0) << "the counter keeps it from opening twice";
    EXPECT_EQ(GameInputOpenCount(), 1);
    GameInputClose();
    EXPECT_EQ(GameInputOpenCount(), 0);
    GameInputClose();
    EXPECT_EQ(GameInputOpenCount(), 0) << "closing a closed mode does nothing";
    EXPECT_EQ(GameInputOpen(), 1);
    GameInputClose();
}

}  // namespace
