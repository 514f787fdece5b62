// The entry of Movane_VM: trace file, the link to the manager, the one hidden main
// window (a second instance brings the first forward and ends), the command line, and
// the message loop.
#include <stdio.h>
#include <stdlib.h>

#include "host/common/hosttrace.h"
#include "host/common/settings.h"
#include "host/vm/hostglue.h"
#include "host/vm/vmshell.h"
#include "platform/display.h"
#include "vm/services/glue/mwe.h"

namespace {
HWND managerWindow;
HWND mainWindow;
void* programInstance;
// The resource module record of the process (its pointer is what GetResourceModule
// reads while the program runs).
ResourceModuleRecord resourceModule;

}  // namespace

HWND FindManagerWindow(void) {
    if (managerWindow == 0) managerWindow = FindWindowW(L"Movane_AMS", nullptr);
    return managerWindow;
}

void SetManagerWindow(HWND hwnd) { managerWindow = hwnd; }

BOOL PostToManager(UINT message, WPARAM wParam, LPARAM lParam) {
    if (managerWindow == 0) return 0;
    return PostMessageW(managerWindow, message, wParam, lParam);
}

LRESULT SendToManager(UINT message, WPARAM wParam, LPARAM lParam) {
    if (managerWindow == 0) return 0;
    return SendMessageW(managerWindow, message, wParam, lParam);
}

BOOL PostToMainWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(mainWindow, message, wParam, lParam);
}
LRESULT SendToMainWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(mainWindow, message, wParam, lParam);
}
HWND GetMainWindow(void) { return mainWindow; }

int32_t GetScreenOrientation(void) {
    RECT r = {0, 0, 0, 0};
    if (mainWindow == 0 || !GetWindowRect(mainWindow, &r)) {
        int32_t w = 0, h = 0;
        ScreenGetSize(&w, &h, nullptr);
        r = {0, 0, w, h};
    }
    int32_t w = r.right - r.left, h = r.bottom - r.top;
    if (w > h) return ORIENTATION_LANDSCAPE;
    if (h > w) return ORIENTATION_PORTRAIT;
    uint32_t angle = 0;
    if (!RegReadDword(HKEY_LOCAL_MACHINE, "System\\GDI\\Rotation", "Angle", &angle) || angle == 0 || angle == 180) {
        return ORIENTATION_PORTRAIT;
    }
    return ORIENTATION_LANDSCAPE;
}

int32_t CreateMainWindow(void* instance, int32_t showCommand) {
    programInstance = instance;
    HWND running = FindWindowW(L"Movane_VM", nullptr);
    if (running != 0) {
        SetForegroundWindow(running | 1u);
        return 0;
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"Movane_VM";
    if (!RegisterClassW(&wc)) return 0;
    HWND hwnd = CreateWindowExW(0, L"Movane_VM", L"", WS_DISABLED, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, 0, nullptr, instance, nullptr);
    if (hwnd == 0) {
        TraceLogA("window creation failed");
        UnregisterClassW(L"Movane_VM", instance);
        return 0;
    }
    ShowWindow(hwnd, SW_HIDE);
    // the hidden window is neither active nor focused: the close signals come here
    DisplaySetCloseTarget(hwnd);
    PostToManager(VM_NOTIFY_CREATE_VM_PROCESS, hwnd, 0);
    return 1;
}

void SplitString(const std::wstring& text, const wchar_t* delimiters, std::vector<std::wstring>* out) {
    out->clear();
    size_t position = 0;
    while (position < text.size()) {
        size_t next = text.find_first_of(delimiters, position);
        if (next == std::wstring::npos) {
            out->push_back(text.substr(position));
            break;
        }
        out->push_back(text.substr(position, next - position));
        position = next + 1;
    }
}

std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (size_t i = 0; i < arguments.size(); i++) {
        const std::wstring& a = arguments[i];
        if (i > 0) line += L' ';
        if (!a.empty() && a.find_first_of(L" \t\r\n\"") == std::wstring::npos) {
            line += a;
            continue;
        }
        line += L'"';
        for (wchar_t c : a) {
            if (c == L'"') line += L'"';
            line += c;
        }
        line += L'"';
    }
    return line;
}

void SplitCommandLine(const std::wstring& text, std::vector<std::wstring>* out) {
    out->clear();
    std::wstring item;
    bool quoted = false, any = false;
    for (size_t i = 0; i < text.size(); i++) {
        wchar_t c = text[i];
        if (quoted) {
            if (c != L'"') {
                item += c;
            } else if (i + 1 < text.size() && text[i + 1] == L'"') {
                item += c;
                i++;
            } else {
                quoted = false;
            }
        } else if (c == L'"') {
            quoted = any = true;
        } else if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            out->push_back(item);
            item.clear();
            any = false;
        } else {
            item += c;
            any = true;
        }
    }
    // a trailing separator ends the last item and starts none
    if (any || !item.empty()) out->push_back(item);
}

void ParseCommandLine(const wchar_t* commandLine) {
    if (commandLine == nullptr || *commandLine == 0) {
        ShowWindow(mainWindow, SW_HIDE);
        return;
    }
    std::vector<std::wstring> items;
    SplitCommandLine(commandLine, &items);
    if (items.empty()) return;
    const std::wstring& option = items[0];
    if (option == L"-launch" && items.size() >= 3) {
        std::string jad = WideToSystemText(items[1]), jar = WideToSystemText(items[2]);
        int32_t number = items.size() > 3 ? (int32_t)wcstol(items[3].c_str(), nullptr, 10) : 0;
        // on the desktop the screen is this window: it is shown for the run, starting
        // already as a manager's start does, so that the focus it takes opens the direct
        // display and the game-input mode
        hostState.HostState = HOST_STARTING;
        ShowWindow(mainWindow, SW_SHOW);
        EnableWindow(mainWindow, 1);
        ShowMainWindowFullScreen();
        hostState.fullScreenPolicy = 0;
        hostState.storageStarted = 1;
        hostState.stopFlags |= STOP_END_PROGRAM;  // nobody else is there to end the program
        ResetKeyStateDefault();
        // a start that never began still ends as a run: the box, then the program's end
        if (hostGlue.init() != 0 || hostGlue.startVmFromFiles(jad.c_str(), jar.c_str(), number) != 0) {
            fprintf(stderr, "Movane_VM: %s %s could not be started\n", jad.c_str(), jar.c_str());
            PostToMainWindow(VM_NOTIFY_STOP_MIDLET, 0, 0);
        }
    } else if (option == L"-launch") {
        // nothing to run: without a word the program would wait for ever
        fprintf(stderr, "Movane_VM: -launch needs a JAD and a JAR: Movane_VM -launch <jad> <jar> [midlet]\n");
        mwe_noteExitStatus(MWE_EXIT_NOT_STARTED);
        PostToMainWindow(WM_DESTROY, 0, 0);
    } else if (option == L"-tckauto" && items.size() >= 2) {
        std::string url = WideToSystemText(items[1]);
        ShowWindow(mainWindow, SW_SHOW);
        hostGlue.init();
        EnableWindow(mainWindow, 1);
        ShowMainWindowFullScreen();
        if (hostGlue.startVmByPath(url.c_str()) != 0) {
            // refused (there is no test client): nothing would ever end the program
            fprintf(stderr, "Movane_VM: -tckauto %s: the test run could not be started (no test client)\n",
                    url.c_str());
            ShowWindow(mainWindow, SW_HIDE);
            PostQuitMessage(MWE_EXIT_NOT_STARTED);
            return;
        }
        BuildSuiteList();
        ResetKeyStateDefault();
    } else if (option == L"-R" && items.size() >= 2) {
        std::vector<std::wstring> parts;
        SplitString(items[1], L"_", &parts);
        int32_t suite = 0, midlet = 0;
        if (parts.size() == 2) {
            suite = (int32_t)wcstol(parts[0].c_str(), nullptr, 10);
            midlet = (int32_t)wcstol(parts[1].c_str(), nullptr, 10);
        } else if (parts.size() == 1) {
            suite = (int32_t)wcstol(parts[0].c_str(), nullptr, 10);
        }
        TraceLogA("ParseCommandLine(): SuiteIndex = %d, MidletIndex=%d\n", suite, midlet);
        hostState.stopFlags |= STOP_END_PROGRAM;
        PostToMainWindow(VM_CMD_START_MIDLET, (WPARAM)((uint32_t)suite & 0xFFFF) | ((uint32_t)midlet << 16), 0);
    }
}

int32_t VmWinMain(void* instance, const wchar_t* commandLine, int32_t showCommand) {
    ResetHostShell();
    OpenTraceLog("Movane_vm.trace.txt");
    FindManagerWindow();
    if (!CreateMainWindow(instance, showCommand)) {
        CloseTraceLog();
        return 0;
    }
    LoadMuiResourceLibrary(&resourceModule, instance);
    ParseCommandLine(commandLine);
    MSG msg;
    while (GetMessageW(&msg, 0, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    int32_t exitCode = (int32_t)msg.wParam;
    // a WM_DESTROY posted to end the loop left the window itself in place
    if (IsWindow(mainWindow)) {
        SetWindowProc(mainWindow, DefWindowProcW);
        DestroyWindow(mainWindow);
    }
    UnregisterClassW(L"Movane_VM", instance);
    DisplaySetCloseTarget(0);
    mainWindow = 0;
    // the library is freed and the process-wide pointer to its record cleared
    FreeMuiResourceLibrary(&resourceModule);
    CloseTraceLog();
    return exitCode;
}

// Set by the window procedure when WM_CREATE arrives.
void SetMainWindowHandle(HWND hwnd);
void SetMainWindowHandle(HWND hwnd) { mainWindow = hwnd; }
