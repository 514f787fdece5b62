// Message names for trace lines, and the plain message boxes with their captions.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "host/common/msgbox.h"
#include "host/common/winmsg.h"

namespace {

TEST(WindowMessageNames, ProgramAndStandardMessagesAndUnknownNumbers) {
    struct Case {
        UINT number;
        const wchar_t* name;
    };
    const Case cases[] = {
        {0x4A0, L"VM_NOTIFY_STOP_MIDLET"},
        {WM_USER + 0x64, L"AMS_COMMANDLINE"},
        {0x4B2, L"WM_CLOSE_MODAL_DIALOG"},
        {0x4A1, L"VM_NOTIFY_APPDESTORYED"},
        {0x004A, L"WM_COPYDATA"},
        {0x0312, L"WM_HOTKEY"},
        {74565, L"0x2345"},
        {0x4B3, L"0x04B3"},
    };
    for (const Case& c : cases) EXPECT_EQ(std::wstring(GetWindowMessageName(c.number)), c.name) << c.number;
}

TEST(HostMessageBox, CaptionsByKindAndTheAnswerGivenBack) {
    std::string dir = "/tmp/movane-msgbox-test-" + std::to_string(getpid());
    setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    struct Case {
        int32_t kind;
        const wchar_t* caption;
        int32_t answer;
    };
    const Case cases[] = {
        {MSGBOX_RESUME, L"Movane Resume or Stop", IDNO},
        {MSGBOX_ROTATION, L"Movane Rotation Detected", IDOK},
        {MSGBOX_ERROR, L"Movane ", IDOK},
        {9, L"Movane ", IDOK},
    };
    static const Case* current;
    static int32_t kindWhileUp;
    for (const Case& c : cases) {
        current = &c;
        WindowSetMessageBoxObserver([](HWND box, const wchar_t* caption, const wchar_t*) {
            EXPECT_EQ(std::wstring(caption), current->caption);
            kindWhileUp = GetMessageBoxKind();
            PostMessageW(box, WM_COMMAND, (WPARAM)current->answer, 0);
        });
        EXPECT_EQ(ShowMessageBox(0, c.kind, L"text"), c.answer) << c.kind;
        EXPECT_EQ(kindWhileUp, c.kind);
        EXPECT_EQ(GetMessageBoxKind(), MSGBOX_NONE) << "cleared when the box ends";
    }
    WindowSetMessageBoxObserver(nullptr);
}

// The screen turning while the resume prompt is up answers it with Yes; with the
// rotation notice up it changes nothing.
TEST(HostMessageBox, RotationAnswersTheResumePromptOnly) {
    std::string dir = "/tmp/movane-msgbox-test-" + std::to_string(getpid());
    setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    struct Case {
        int32_t kind;
        int32_t expected;
    };
    const Case cases[] = {{MSGBOX_RESUME, IDYES}, {MSGBOX_ROTATION, IDOK}};
    for (const Case& c : cases) {
        WindowSetMessageBoxObserver([](HWND box, const wchar_t*, const wchar_t*) {
            EXPECT_EQ(HookMessageBox(0, 0), 1);
            EXPECT_EQ(GetHookedMessageBox(), box);
            SendMessageW(box, WM_SETTINGCHANGE, 0x3002, 0);
            // anything else ends the box with OK or No after the rotation's answer
            PostMessageW(box, WM_COMMAND, GetMessageBoxKind() == MSGBOX_RESUME ? IDNO : IDOK, 0);
        });
        EXPECT_EQ(ShowMessageBox(0, c.kind, L"text"), c.expected) << c.kind;
        EXPECT_EQ(GetHookedMessageBox(), 0u);
    }
    WindowSetMessageBoxObserver(nullptr);
}

}  // namespace
