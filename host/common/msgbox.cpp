// One box record per process, owned by the window thread.
#include "host/common/msgbox.h"

#include "host/common/hosttrace.h"
#include "host/common/winmsg.h"

namespace {
struct {
    int32_t kind;
    HWND owner;
    HWND box;
    WNDPROC previous;
    int32_t hooked;
    int32_t seen;
} record;

LRESULT MessageBoxHookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    record.seen++;
    if (record.seen == 1) {
        TraceLogW(L"MsgBox: %ls (0x%04X 0x%08llX 0x%08llX)\n", GetWindowMessageName(message), message,
                  (unsigned long long)wParam, (unsigned long long)lParam);
    }
    // a display-settings reset (the screen turned) answers the resume prompt with Yes
    if (message == WM_SETTINGCHANGE && wParam == 0x3002 && record.kind == MSGBOX_RESUME) {
        PostMessageW(hwnd, WM_COMMAND, IDYES, 0);
    }
    return record.previous ? record.previous(hwnd, message, wParam, lParam)
                           : DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

const wchar_t* MessageBoxCaption(int32_t kind) {
    if (kind == MSGBOX_RESUME) return L"Movane Resume or Stop";
    if (kind == MSGBOX_ROTATION) return L"Movane Rotation Detected";
    return L"Movane ";
}

int32_t ShowMessageBox(HWND owner, int32_t kind, const wchar_t* text) {
    record.kind = kind;
    UINT style = (kind == MSGBOX_RESUME ? MB_YESNO : MB_OK) | MB_ICONQUESTION;
    int32_t answer = MessageBoxW(owner, text, MessageBoxCaption(kind), style);
    record.kind = MSGBOX_NONE;
    record.hooked = 0;
    record.owner = 0;
    record.box = 0;
    return answer;
}

int32_t GetMessageBoxKind(void) { return record.kind; }
int32_t SetMessageBoxKind(int32_t kind) {
    int32_t old = record.kind;
    record.kind = kind;
    return old;
}
HWND GetHookedMessageBox(void) { return record.hooked ? record.box : 0; }
void ForgetMessageBoxHook(void) {
    record.hooked = 0;
    record.box = 0;
}

int32_t HookMessageBox(HWND owner, HWND focusWindow) {
    HWND box = FindWindowW(L"Dialog", MessageBoxCaption(record.kind));
    if (box == 0) box = focusWindow;
    if (box == 0) return 0;
    wchar_t cls[64];
    if (GetClassNameW(box, cls, 64) > 0) TraceLogW(L"MsgBox Class = \"%ls\"\n", cls);
    SetWindowTextW(box, MessageBoxCaption(record.kind));
    if (record.hooked) return 0;
    record.hooked = 1;
    record.seen = 0;
    record.owner = owner;
    record.box = box;
    record.previous = SetWindowProc(box, MessageBoxHookProc);
    return 1;
}
