// The main window's message map and the host state machine. Every handler runs on the
// window thread; the VM state callback only posts to it and writes the started and
// paused flags.
#include <string.h>

#include <algorithm>

#include <map>

#include "host/common/hosttrace.h"
#include "host/common/msgbox.h"
#include "host/common/settings.h"
#include "host/vm/hostglue.h"
#include "host/vm/vmshell.h"
#include "platform/atomicword.h"
#include "platform/display.h"
#include "platform/gapi.h"
#include "platform/sip.h"

void SetMainWindowHandle(HWND hwnd);

HostStateRecord hostState;

namespace {

typedef LRESULT (*Handler)(UINT message, WPARAM wParam, LPARAM lParam);
std::map<UINT, Handler>* messageMap;
std::vector<QmmsSuiteInfo> suiteList;

enum { FRAME_TIMER_ID = 1 };

void destroyChildren() {
    HWND main = GetMainWindow();
    for (HWND child = GetWindow(main, GW_CHILD); child != 0; child = GetWindow(main, GW_CHILD)) DestroyWindow(child);
}

void paintOnce(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (hostState.HostState != HOST_STOPPING) {
        int32_t mode = PaintMode();
        if (mode != 0) hostGlue.blitScreen(dc, mode);
    } else if (!hostState.rotated) {
        hostGlue.blitScreen(dc, 1);
    }
    EndPaint(hwnd, &ps);
}

void OnRotationDetected() {
    hostGlue.clearScreenBuffer();
    HWND main = GetMainWindow();
    HDC dc = GetDC(main);
    RECT r;
    GetClientRect(main, &r);
    FillRectPixel(dc, &r, 0xFFFF);
    ReleaseDC(main, dc);
    ShowMessageBox(main, MSGBOX_ROTATION, ShellString(STR_ROTATION_DETECTED).c_str());
    PostToMainWindow(VM_CMD_STOP_MIDLET, 0, 0);
}

void ShowResumePrompt() {
    std::wstring text = FormatShellString(ShellString(STR_RESUME_PROMPT), hostState.title, 0);
    hostState.resumeBox = 1;
    SetForegroundWindow(GetMainWindow());
    if (ShowMessageBox(GetMainWindow(), MSGBOX_RESUME, text.c_str()) != IDYES) {
        ScreenSetActive(0);
        KillFrameTimer();
        PostToMainWindow(VM_CMD_STOP_MIDLET, 12, 12);
        return;
    }
    ScreenSetActive(1);
    hostState.resumeBox = 0;
    if (hostState.textInputMode == 2 && hostState.textBox != 0) {
        hostState.textInputMode = 1;
        SendToMainWindow(VM_CMD_RESUME_MIDLET, 0, 0);
        SetFocus(hostState.textBox);
    } else {
        SendToMainWindow(VM_CMD_RESUME_MIDLET, 0, 0);
    }
}

LRESULT OnCreate(UINT, WPARAM, LPARAM) {
    hostState.orientation = GetScreenOrientation();
    SetMessageBoxKind(MSGBOX_NONE);
    return 0;
}

LRESULT OnDestroy(UINT, WPARAM, LPARAM) {
    if (hostState.storageStarted) hostGlue.storageFini();
    PostQuitMessage(0);
    return 0;
}

LRESULT OnActivate(UINT, WPARAM, LPARAM) { return 0; }

LRESULT OnKillFocus(UINT, WPARAM wParam, LPARAM) {
    wchar_t cls[64] = L"";
    GetClassNameW((HWND)wParam, cls, 64);
    TraceLogW(L"FocusWnd = \"%ls\" \n", cls);
    if (!hostState.focused) return 0;
    hostState.focused = 0;
    hostState.focusCase = hostState.textInputMode == 1 ? 0 : GetMessageBoxKind() == MSGBOX_NONE ? 3 : 2;
    if (hostState.focusCase == 3) {
        if (atomicLoad(&hostState.started) && hostState.HostState == HOST_RUNNING)
            PostToMainWindow(VM_CMD_SUSPEND_MIDLET, 0, 0);
    } else if (hostState.focusCase == 2) {
        HookMessageBox(GetMainWindow(), (HWND)wParam);
    }
    if (hostState.HostState != HOST_NONE) {
        KillFrameTimer();
        if (GetScreenOrientation() == ORIENTATION_PORTRAIT) hostGlue.closeDisplay();
        GameInputClose();
    }
    return 0;
}

LRESULT OnSetFocus(UINT, WPARAM wParam, LPARAM) {
    if (hostState.focused) return 0;
    int32_t focusCase;
    if (hostState.textInputMode == 1) {
        focusCase = (HWND)wParam == hostState.textBox ? 0 : 1;
    } else {
        focusCase = GetMessageBoxKind() == MSGBOX_NONE ? 3 : 2;
    }
    hostState.focusCase = focusCase;
    hostState.focused = 1;
    if (focusCase == 3 && atomicLoad(&hostState.started) &&
        (hostState.HostState == HOST_PAUSED || hostState.HostState == HOST_RESUMING ||
         hostState.HostState == HOST_SUSPENDING)) {
        int32_t now = GetScreenOrientation();
        if (now == hostState.orientation) {
            ShowResumePrompt();
        } else {
            hostState.rotated = 1;
            hostState.orientation = now;
            OnRotationDetected();
        }
        return 0;
    }
    if (focusCase == 0) {
        hostState.textInputMode = 0;
        RestoreSoftKeyLabels();
    } else if (focusCase == 1) {
        RestoreSoftKeyLabels();
        ScreenSetActive(1);
        if (PaintMode() == 1) {
            InvalidateRect(GetMainWindow(), nullptr, 0);
        } else {
            hostGlue.blitScreen(nullptr, PaintMode());
        }
        SetFocus(hostState.textBox);
        return 0;
    }
    if (hostState.HostState != HOST_NONE) {
        if (GetScreenOrientation() == ORIENTATION_PORTRAIT) hostGlue.openDisplay();
        RestartFrameTimer();
        ScreenSetActive(1);
        GameInputOpen();
    }
    return 0;
}

LRESULT OnPaint(UINT, WPARAM, LPARAM) {
    paintOnce(GetMainWindow());
    return 0;
}

LRESULT OnEraseBackground(UINT, WPARAM, LPARAM) { return 0; }

LRESULT OnSettingChange(UINT, WPARAM, LPARAM) {
    // the input panel: when it has gone down the window is drawn again
    SIPINFO sip = {};
    sip.cbSize = sizeof sip;
    if (SipGetInfo(&sip)) {
        if (sip.fdwFlags & SIPF_ON) {
            hostState.inputPanelUp = 1;
        } else if (hostState.inputPanelUp) {
            hostState.inputPanelUp = 0;
            ScreenSetActive(1);
            InvalidateRect(GetMainWindow(), nullptr, 0);
        }
    }
    if (hostState.HostState == HOST_RUNNING && hostState.focused) {
        int32_t now = GetScreenOrientation();
        if (now != hostState.orientation) {
            hostState.orientation = now;
            SendToMainWindow(VM_CMD_SUSPEND_MIDLET, 0, 0);
            KillFrameTimer();
            if (now == ORIENTATION_PORTRAIT) hostGlue.closeDisplay();
            hostState.rotated = 1;
            OnRotationDetected();
        }
    }
    // the shell's own setting-change handler has nothing to do on the desktop
    return 0;
}

LRESULT OnStartMidlet(UINT, WPARAM wParam, LPARAM) {
    int32_t suite = (int16_t)(wParam & 0xFFFF), midlet = (int16_t)(wParam >> 16);
    hostState.orientation = GetScreenOrientation();
    hostState.rotated = 0;
    hostState.pendingStart = 0;
    HWND box = GetHookedMessageBox();
    if (box != 0) {
        DestroyWindow(box);
        ForgetMessageBoxHook();
    }
    if (hostState.HostState == HOST_RUNNING || hostState.HostState == HOST_PAUSED ||
        hostState.HostState == HOST_SUSPENDING) {
        hostState.pendingStart = 1;
        hostState.pendingSuite = (int16_t)suite;
        hostState.pendingMidlet = (int16_t)midlet;
        hostGlue.requestStop();
        return 1;
    }
    hostState.HostState = HOST_STARTING;
    atomicStore(&hostState.ran, 0);
    if (!hostGlue.storageInit()) TraceLogA("qmms_init failed\n");
    BuildSuiteList();
    QmmsSuiteInfo record;
    if (!GetSuiteRecord(suite, &record)) {
        std::wstring text = FormatShellString(ShellString(STR_NO_SUCH_SUITE), L"", suite);
        ShowMessageBox(GetMainWindow(), MSGBOX_ERROR, text.c_str());
        // the manager waits for an answer: it shows its list again, and the host is idle
        hostState.HostState = HOST_NONE;
        hostGlue.storageFini();
        SendToManager(VM_NOTIFY_STOP_MIDLET, 0, STOP_RESULT_LIST);
        if (hostState.stopFlags & STOP_END_PROGRAM) PostToMainWindow(WM_DESTROY, 0, 0);
        hostState.stopFlags = 0;
        return 0;
    }
    hostState.waitCursorShown = 1;
    hostState.fullScreenPolicy = 0;
    hostState.storageStarted = 1;
    // a start that never began ends as a run that failed: the box and the manager's answer
    if (hostGlue.init() != 0 || hostGlue.startVmBySuite((int32_t)record.suiteId, midlet) != 0)
        PostToMainWindow(VM_NOTIFY_STOP_MIDLET, 0, 0);
    hostState.title = Utf8ToWide(record.name, sizeof record.name);
    HWND main = GetMainWindow();
    EnableWindow(main, 1);
    SetWindowTextW(main, hostState.title.c_str());
    DisplaySetTitle(WideToSystemText(hostState.title).c_str());
    ShowMainWindowFullScreen();
    ResetKeyState(&record);
    return 1;
}

LRESULT OnMidletStarted(UINT, WPARAM, LPARAM) {
    hostState.HostState = HOST_RUNNING;
    hostState.waitCursorShown = 0;
    if (hostState.focused) {
        BackLightOn();
        PostToManager(VM_NOTIFY_START_MIDLET, 0, 0);
        ShowSoftKeyBar(1);
        RestartFrameTimer();
        ScreenSetActive(1);
        InvalidateRect(GetMainWindow(), nullptr, 0);
    } else {
        ShowSoftKeyBar(1);
        PostToMainWindow(VM_CMD_SUSPEND_MIDLET, 0, 0);
    }
    int32_t now = GetScreenOrientation();
    if (now != hostState.orientation) {
        PostToMainWindow(VM_CMD_SUSPEND_MIDLET, 0, 0);
        hostState.rotated = 1;
        hostState.orientation = now;
        OnRotationDetected();
    }
    return 0;
}

LRESULT OnSuspendMidlet(UINT, WPARAM, LPARAM) {
    if (atomicLoad(&hostState.suspendGate) == 0) return 1;
    hostState.HostState = HOST_SUSPENDING;
    hostGlue.setKveThreadPriority(3);
    hostGlue.requestPause();
    BackLightRelease();
    if (hostState.focused) {
        KillFrameTimer();
        hostGlue.closeDisplay();
        GameInputClose();
    }
    ScreenSetActive(1);
    return 1;
}

LRESULT OnNotifySuspended(UINT, WPARAM, LPARAM) { return NotifyMidletPaused(); }

LRESULT OnResumeMidlet(UINT, WPARAM, LPARAM) {
    int32_t now = GetScreenOrientation();
    if (now == hostState.orientation) {
        hostState.HostState = HOST_RESUMING;
        if (hostState.textBox != 0) SendMessageW(hostState.textBox, VM_CMD_RESUME_MIDLET, 1, 0);
        hostGlue.requestResume();
    } else {
        hostState.rotated = 1;
        hostState.orientation = now;
        OnRotationDetected();
    }
    return 1;
}

LRESULT OnNotifyResumed(UINT, WPARAM, LPARAM) { return NotifyMidletResumed(); }

LRESULT OnStopMidlet(UINT, WPARAM wParam, LPARAM lParam) {
    hostState.stopFlags = (hostState.stopFlags & ~(uint32_t)wParam) | (uint32_t)lParam;
    if (hostState.HostState == HOST_NONE) return 1;
    KillFrameTimer();
    hostState.HostState = HOST_STOPPING;
    hostGlue.requestStop();
    return 1;
}

LRESULT OnMidletStopped(UINT, WPARAM, LPARAM) {
    if (hostState.pendingStart) {
        hostState.pendingStart = 0;
        hostState.HostState = HOST_NONE;
        hostGlue.storageFini();
        destroyChildren();
        hostState.textBox = 0;
        PostToMainWindow(VM_CMD_START_MIDLET,
                         (WPARAM)(uint16_t)hostState.pendingSuite | (WPARAM)(uint16_t)hostState.pendingMidlet << 16, 0);
        return 0;
    }
    uint32_t flags = hostState.stopFlags;
    hostState.stopFlags = 0;
    bool close = flags & STOP_CLOSE_MANAGER, list = flags & STOP_SHOW_LIST, notify = flags & STOP_NOTIFY;
    bool failed = hostState.HostState == HOST_STARTING && !atomicLoad(&hostState.ran);
    if (hostState.HostState != HOST_STOPPING) list = notify = true;
    if (failed) ShowMessageBox(GetMainWindow(), MSGBOX_ERROR, ShellString(STR_CANNOT_RUN).c_str());
    hostState.waitCursorShown = 0;
    hostState.HostState = HOST_NONE;
    hostGlue.storageFini();
    BackLightRelease();
    if (notify) {
        SendToManager(
            VM_NOTIFY_STOP_MIDLET, 0,
            (failed ? STOP_RESULT_FAILED : 0) | (list ? STOP_RESULT_LIST : 0) | (close ? STOP_RESULT_CLOSE : 0));
    }
    DestroySoftKeyBar();
    ShowWindow(GetMainWindow(), SW_HIDE);
    destroyChildren();
    hostState.textBox = 0;
    if (flags & STOP_END_PROGRAM) PostToMainWindow(WM_DESTROY, 0, 0);
    hostState.resumeBox = 0;
    return 0;
}

// Ends the program once no VM thread runs: a MIDlet is stopped (destroyApp) first, and
// the window and the store go when the VM reports it stopped, never under it.
void endProgram() {
    if (hostState.HostState == HOST_NONE) {
        DestroyWindow(GetMainWindow());
    } else if (hostState.HostState == HOST_STOPPING) {
        hostState.stopFlags |= STOP_END_PROGRAM;
    } else {
        SendToMainWindow(VM_CMD_STOP_MIDLET, 31, STOP_END_PROGRAM);
    }
}

LRESULT OnKillVmProcess(UINT, WPARAM, LPARAM) {
    endProgram();
    PostToManager(VM_NOTIFY_KILL_VM_PROCESS, 0, 0);
    return 1;
}

// The desktop's close, SIGTERM and SIGINT take the way of the manager's kill.
LRESULT OnClose(UINT, WPARAM, LPARAM) {
    endProgram();
    return 0;
}

LRESULT OnAppDestroyed(UINT, WPARAM, LPARAM) { return 0; }

LRESULT OnVmPaintReady(UINT, WPARAM, LPARAM) {
    if (hostState.HostState == HOST_STARTING && hostState.waitCursorShown) hostState.waitCursorShown = 0;
    return 0;
}

LRESULT OnGetState(UINT, WPARAM, LPARAM) { return hostState.HostState; }

LRESULT OnSetAmsWindow(UINT, WPARAM wParam, LPARAM) {
    SetManagerWindow((HWND)wParam);
    return 1;
}

LRESULT OnMainEventGui(UINT, WPARAM, LPARAM) { return 0; }

LRESULT OnMainEventTextInput(UINT, WPARAM wParam, LPARAM lParam) {
    hostState.textInputMode = (int32_t)wParam;
    if (wParam == 2) {
        if (hostState.HostState == HOST_RUNNING) PostToMainWindow(VM_CMD_SUSPEND_MIDLET, 0, 0);
    } else if (wParam == 1) {
        hostState.textBox = (HWND)lParam;
    } else if (wParam == 0) {
        hostState.textBox = 0;
    }
    return (LRESULT)wParam;
}

void buildMessageMap() {
    messageMap = new std::map<UINT, Handler>{
        {WM_CREATE, OnCreate},
        {WM_DESTROY, OnDestroy},
        {WM_CLOSE, OnClose},
        {WM_ACTIVATE, OnActivate},
        {WM_SETFOCUS, OnSetFocus},
        {WM_KILLFOCUS, OnKillFocus},
        {WM_PAINT, OnPaint},
        {WM_ERASEBKGND, OnEraseBackground},
        {WM_SETTINGCHANGE, OnSettingChange},
        {WM_KEYDOWN, OnKeyDown},
        {WM_KEYUP, OnKeyUp},
        {WM_HOTKEY, OnHotKey},
        {WM_COMMAND, OnCommand},
        {WM_MOUSEMOVE, OnPointer},
        {WM_LBUTTONDOWN, OnPointer},
        {WM_LBUTTONUP, OnPointer},
        {VM_CMD_KILL_VM_PROCESS, OnKillVmProcess},
        {VM_CMD_START_MIDLET, OnStartMidlet},
        {VM_NOTIFY_START_MIDLET, OnMidletStarted},
        {VM_CMD_SUSPEND_MIDLET, OnSuspendMidlet},
        {VM_NOTIFY_SUSPEND_MIDLET, OnNotifySuspended},
        {VM_CMD_RESUME_MIDLET, OnResumeMidlet},
        {VM_NOTIFY_RESUME_MIDLET, OnNotifyResumed},
        {VM_CMD_STOP_MIDLET, OnStopMidlet},
        {VM_NOTIFY_STOP_MIDLET, OnMidletStopped},
        {VM_NOTIFY_APPDESTORYED, OnAppDestroyed},
        {VM_NOTIFY_VMPAINTREADY, OnVmPaintReady},
        {VM_CMD_GET_STATE, OnGetState},
        {VM_CMD_SET_AMS_WINDOW, OnSetAmsWindow},
        {MAIN_EVENT_GUI, OnMainEventGui},
        {MAIN_EVENT_TEXT_INPUT, OnMainEventTextInput},
    };
}

}  // namespace

LRESULT MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (messageMap == nullptr) buildMessageMap();
    if (message == WM_CREATE) SetMainWindowHandle(hwnd);
    auto it = messageMap->find(message);
    if (it == messageMap->end()) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message != WM_PAINT && message != WM_MOUSEMOVE) {
        TraceLogW(L"MainWndProc: %ls (0x%04X 0x%08llX 0x%08llX)\n", GetWindowMessageName(message), message,
                  (unsigned long long)wParam, (unsigned long long)lParam);
    }
    return it->second(message, wParam, lParam);
}

void BuildSuiteList(void) {
    int32_t categories = hostGlue.categoryCount();
    if (categories < 1) return;
    suiteList.clear();
    for (int32_t c = 0; c < categories; c++) {
        int32_t n = hostGlue.countSuites(c);
        if (n <= 0) continue;
        std::vector<QmmsSuiteInfo> part((size_t)n);
        int32_t got = hostGlue.suiteList(c, part.data(), n);
        if (got > 0) suiteList.insert(suiteList.end(), part.begin(), part.begin() + std::min(got, n));
    }
}

int32_t GetSuiteRecord(int32_t index, QmmsSuiteInfo* record) {
    if (index < 0 || (size_t)index >= suiteList.size()) return 0;
    *record = suiteList[(size_t)index];
    return 1;
}

void ShowMainWindowFullScreen(void) {
    int32_t w = 0, h = 0;
    ScreenGetSize(&w, &h, nullptr);
    HWND main = GetMainWindow();
    MoveWindow(main, 0, 0, w, h, 0);
    ShowWindow(main, SW_SHOW);
    ShowSoftKeyBar(1);
    SetForegroundWindow(main);
}

int32_t PaintMode(void) {
    if (hostState.focused) {
        if (!ScreenIsActive() || hostState.HostState == HOST_NONE || hostState.HostState == HOST_STOPPING) return 0;
        if (GetWindow(GetMainWindow(), GW_CHILD) == 0 && GetScreenOrientation() == ORIENTATION_PORTRAIT &&
            !hostState.rotated) {
            return 2;
        }
        return 1;
    }
    return hostState.focusCase == 3 ? 0 : 1;
}

void FrameTimerProc(HWND hwnd, UINT, uint32_t, DWORD) {
    int32_t mode = PaintMode();
    if (mode == 1) {
        InvalidateRect(hwnd, nullptr, 0);
    } else if (mode != 0) {
        hostGlue.blitScreen(nullptr, mode);
    }
}

void RestartFrameTimer(void) {
    KillFrameTimer();
    uint32_t period = hostState.orientation == ORIENTATION_LANDSCAPE ? 100 : 40;
    hostState.frameTimer = SetTimer(GetMainWindow(), FRAME_TIMER_ID, period, FrameTimerProc);
}

void KillFrameTimer(void) {
    if (hostState.frameTimer) KillTimer(GetMainWindow(), FRAME_TIMER_ID);
    hostState.frameTimer = 0;
}

LRESULT NotifyMidletPaused(void) {
    hostGlue.setKveThreadPriority(3);
    hostState.HostState = HOST_PAUSED;
    PostToManager(VM_NOTIFY_SUSPEND_MIDLET, 0, 0);
    return 1;
}

LRESULT NotifyMidletResumed(void) {
    hostState.HostState = HOST_RUNNING;
    PostToManager(VM_NOTIFY_RESUME_MIDLET, 0, 0);
    if (GetScreenOrientation() == ORIENTATION_PORTRAIT) hostGlue.openDisplay();
    BackLightOn();
    HWND main = GetMainWindow();
    ShowWindow(main, SW_SHOW);
    ShowSoftKeyBar(1);
    SetForegroundWindow(main);
    ScreenSetActive(1);
    paintOnce(main);
    RestartFrameTimer();
    return 1;
}

void HostVmStateCallback(int32_t vmId, int32_t code, int32_t parameter) {
    switch (code) {
        case 20:  // application started
        case 22:  // application resumed
            atomicStore(&hostState.started, 1);
            atomicStore(&hostState.ran, 1);
            if (code == 22) {
                atomicStore(&hostState.paused, 0);
                PostToMainWindow(VM_NOTIFY_RESUME_MIDLET, 0, 0);
            } else if (!atomicLoad(&hostState.paused)) {
                PostToMainWindow(VM_NOTIFY_START_MIDLET, 0, 0);
            }
            break;
        case 2:   // suspended
        case 21:  // paused
            atomicStore(&hostState.paused, 1);
            PostToMainWindow(VM_NOTIFY_SUSPEND_MIDLET, 0, 0);
            break;
        case 3:  // resumed
            atomicStore(&hostState.paused, 0);
            PostToMainWindow(VM_NOTIFY_RESUME_MIDLET, 0, 0);
            break;
        case 4:  // stopped
            atomicStore(&hostState.started, 0);
            atomicStore(&hostState.paused, 0);
            PostToMainWindow(VM_NOTIFY_STOP_MIDLET, 0, 0);
            break;
        case 10:
            PostToMainWindow(VM_NOTIFY_VMPAINTREADY, 0, 0);
            break;
        case 23:
            PostToMainWindow(VM_NOTIFY_APPDESTORYED, 0, 0);
            break;
    }
}

void HostGlueStateNotice(int32_t code) {
    switch (code) {
        case 1:  // started or resumed
            atomicStore(&hostState.started, 1);
            atomicStore(&hostState.paused, 0);
            atomicStore(&hostState.ran, 1);
            break;
        case 2:
            atomicStore(&hostState.paused, 1);
            break;
        case 3:
            atomicStore(&hostState.started, 0);
            atomicStore(&hostState.paused, 0);
            break;
    }
}

void HostGlueMidletPaused(void) { PostToMainWindow(VM_NOTIFY_SUSPEND_MIDLET, 0, 0); }
void HostGlueMidletResumed(void) { PostToMainWindow(VM_NOTIFY_RESUME_MIDLET, 0, 0); }

namespace {
int32_t backLightHeld;
}

void BackLightOn(void) {
    if (ReadSettingDword("BackLightAlways") == 1) {
        if (!backLightHeld) DisplayKeepScreenOn(1);
        backLightHeld = 1;
    } else {
        // the setting was turned off meanwhile: the hold is forgotten
        if (backLightHeld) DisplayKeepScreenOn(0);
        backLightHeld = 0;
    }
}

void BackLightRelease(void) {
    if (backLightHeld) DisplayKeepScreenOn(0);
    backLightHeld = 0;
}

int32_t BackLightHeld(void) { return backLightHeld; }

void ResetHostShell(void) {
    hostState = HostStateRecord();
    atomicStore(&hostState.suspendGate, 1);
    hostState.fullScreenPolicy = 2;
    BackLightRelease();
    GameInputClose();
    suiteList.clear();
    SetManagerWindow(0);
    DestroySoftKeyBar();
}
