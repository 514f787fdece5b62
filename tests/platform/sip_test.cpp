// The stand-in input panel: its 48-byte record, and SipShowIM telling the top-level
// windows of each change.
#include "platform/sip.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct RuntimeFolder {
    RuntimeFolder() {
        std::string dir = "/tmp/movane-sip-test-" + std::to_string(getpid());
        setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    }
} runtimeFolder;

std::vector<std::string> seen;

LRESULT recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTINGCHANGE) {
        wchar_t title[16] = L"";
        GetWindowTextW(hwnd, title, 16);
        std::string name;
        for (const wchar_t* p = title; *p; p++) name += (char)*p;
        seen.push_back(name + ":" + std::to_string(wParam));
        return 0;
    }
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

TEST(InputPanel, TheRecordSaysWhetherThePanelIsUp) {
    EXPECT_EQ(sizeof(SIPINFO), 48u);
    SIPINFO info = {};
    EXPECT_EQ(SipGetInfo(&info), 0) << "cbSize must be 48";
    info.cbSize = 44;
    EXPECT_EQ(SipGetInfo(&info), 0);
    EXPECT_EQ(SipGetInfo(nullptr), 0);

    std::vector<uint16_t> image(240 * 320);
    WindowSetScreen(image.data(), 240, 320);
    SipShowIM(SIPF_OFF);
    info.cbSize = sizeof info;
    ASSERT_EQ(SipGetInfo(&info), 1);
    EXPECT_EQ(info.fdwFlags, (DWORD)SIPF_DOCKED);
    EXPECT_EQ(info.rcSipRect.top, 240);
    EXPECT_EQ(info.rcSipRect.bottom, 320);
    EXPECT_EQ(info.rcSipRect.right, 240);
    EXPECT_EQ(info.rcVisibleDesktop.bottom, 320);

    EXPECT_EQ(SipShowIM(SIPF_ON), 1);
    ASSERT_EQ(SipGetInfo(&info), 1);
    EXPECT_EQ(info.fdwFlags, (DWORD)(SIPF_DOCKED | SIPF_ON));
    EXPECT_EQ(info.rcVisibleDesktop.bottom, 240) << "the panel covers the bottom of the screen";
    EXPECT_EQ(info.dwImDataSize, 0u);
    EXPECT_EQ(SipShowIM(SIPF_DOCKED), 0) << "only on and off";
    EXPECT_EQ(SipShowIM(SIPF_OFF), 1);
    WindowSetScreen(nullptr, 0, 0);
    pump();
}

TEST(InputPanel, ChangesAreToldToTheTopLevelWindows) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = L"SipTestClass";
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND a = CreateWindowExW(0, L"SipTestClass", L"a", 0, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    HWND b = CreateWindowExW(0, L"SipTestClass", L"b", 0, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    CreateWindowExW(0, L"SipTestClass", L"child", WS_CHILD, 0, 0, 5, 5, a, nullptr, nullptr, nullptr);
    SipShowIM(SIPF_OFF);
    pump();
    seen.clear();

    struct Step {
        DWORD flags;
        size_t notices;  // WM_SETTINGCHANGE messages it brings
    };
    const Step steps[] = {{SIPF_ON, 2}, {SIPF_ON, 0}, {SIPF_OFF, 2}, {SIPF_OFF, 0}};
    for (const Step& s : steps) {
        seen.clear();
        SipShowIM(s.flags);
        pump();
        EXPECT_EQ(seen.size(), s.notices) << s.flags;
        for (const std::string& n : seen) {
            EXPECT_TRUE(n == "a:224" || n == "b:224") << n << ": to a top-level window, with SPI_SETSIPINFO";
        }
    }
    DestroyWindow(a);
    DestroyWindow(b);
    UnregisterClassW(L"SipTestClass", nullptr);
}

}  // namespace
