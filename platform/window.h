// Our own small window system: window classes and procedures, posted and sent messages
// with their usual semantics, timers, focus, painting into the 16-bit screen image, and
// message boxes. Windows of another process (the other program) are reached through one
// Unix-domain seqpacket socket per window class in a per-user runtime folder; a handle
// holds the owning process's slot in its high half, so it is valid in both processes.
// Message parameters and results are pointer-wide inside a process; between processes
// they travel as 32-bit words (a value that does not fit is not sent).
#pragma once

#include <stdint.h>
#include <wchar.h>

typedef uint32_t HWND;
typedef uint32_t UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef int32_t BOOL;
typedef uint32_t DWORD;

typedef LRESULT (*WNDPROC)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
typedef void (*TIMERPROC)(HWND hwnd, UINT message, uint32_t idEvent, DWORD time);

struct RECT {
    int32_t left, top, right, bottom;
};
struct POINT {
    int32_t x, y;
};
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int32_t cbClsExtra;
    int32_t cbWndExtra;
    void* hInstance;
    void* hIcon;
    void* hCursor;
    void* hbrBackground;
    const wchar_t* lpszMenuName;
    const wchar_t* lpszClassName;
};

struct CREATESTRUCTW {
    void* lpCreateParams;
    void* hInstance;
    HWND hwndParent;
    int32_t cy, cx, y, x;
    uint32_t style;
    const wchar_t* lpszName;
    const wchar_t* lpszClass;
    uint32_t dwExStyle;
};

struct COPYDATASTRUCT {
    uint32_t dwData;
    uint32_t cbData;
    void* lpData;
};

// A device context: the screen image clipped to a window's rectangle.
struct DeviceContext {
    uint16_t* pixels;  // the screen image, null when there is none
    int32_t pitch;     // pixels per row of the screen image
    RECT clip;         // screen coordinates, inside the image
    POINT origin;      // screen position of the window's (0, 0)
};
typedef DeviceContext* HDC;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

enum : UINT {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_ENABLE = 0x000A,
    WM_SETREDRAW = 0x000B,
    WM_SETTEXT = 0x000C,
    WM_GETTEXT = 0x000D,
    WM_GETTEXTLENGTH = 0x000E,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_ERASEBKGND = 0x0014,
    WM_SHOWWINDOW = 0x0018,
    WM_SETTINGCHANGE = 0x001A,
    WM_CANCELMODE = 0x001F,
    WM_WINDOWPOSCHANGED = 0x0047,
    WM_COPYDATA = 0x004A,
    WM_NOTIFY = 0x004E,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_IME_STARTCOMPOSITION = 0x010D,
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    WM_TIMER = 0x0113,
    WM_CTLCOLOREDIT = 0x0133,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_IME_SETCONTEXT = 0x0281,
    WM_IME_NOTIFY = 0x0282,
    WM_HOTKEY = 0x0312,
    WM_QUERYNEWPALETTE = 0x030F,
    WM_USER = 0x0400,
};

// Virtual-key codes: a digit's code is its character. The phone keys a desktop keyboard
// lacks ride on function keys, so the display and the shell agree on them by these names.
enum : UINT {
    VK_BACK = 0x08,
    VK_RETURN = 0x0D,
    VK_ESCAPE = 0x1B,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_0 = '0',
    VK_1 = '1',
    VK_2 = '2',
    VK_3 = '3',
    VK_4 = '4',
    VK_5 = '5',
    VK_6 = '6',
    VK_7 = '7',
    VK_8 = '8',
    VK_9 = '9',
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F6 = 0x75,
    VK_F7 = 0x76,
    VK_F8 = 0x77,
    VK_F9 = 0x78,
    VK_F18 = 0x81,

    VK_SOFT1 = VK_F1,
    VK_SOFT2 = VK_F2,
    VK_VOLUME_UP = VK_F6,
    VK_VOLUME_DOWN = VK_F7,
    VK_STAR = VK_F8,
    VK_POUND = VK_F9,
    VK_STOP_MIDLET = VK_F18,
};

enum : uint32_t {
    WS_CHILD = 0x40000000u,
    WS_VISIBLE = 0x10000000u,
    WS_DISABLED = 0x08000000u,
};
enum { CW_USEDEFAULT = (int32_t)0x80000000 };
enum { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };
enum { WA_INACTIVE = 0, WA_ACTIVE = 1 };
enum { GW_HWNDNEXT = 2, GW_CHILD = 5 };
enum { PM_NOREMOVE = 0, PM_REMOVE = 1 };
enum { MOD_ALT = 1, MOD_CONTROL = 2, MOD_SHIFT = 4, MOD_KEYUP = 0x1000 };
enum { MB_OK = 0, MB_YESNO = 4, MB_ICONQUESTION = 0x20 };
enum { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Classes are per process; a class also gets its socket, unless a live process holds it.
BOOL RegisterClassW(const WNDCLASSW* wc);
BOOL UnregisterClassW(const wchar_t* className, void* instance);

HWND CreateWindowExW(uint32_t exStyle, const wchar_t* className, const wchar_t* title, uint32_t style, int32_t x,
                     int32_t y, int32_t width, int32_t height, HWND parent, void* menu, void* instance, void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int32_t command);
BOOL IsWindowVisible(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL MoveWindow(HWND hwnd, int32_t x, int32_t y, int32_t width, int32_t height, BOOL repaint);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL SetWindowTextW(HWND hwnd, const wchar_t* text);
int32_t GetWindowTextW(HWND hwnd, wchar_t* text, int32_t max);
int32_t GetClassNameW(HWND hwnd, wchar_t* name, int32_t max);
HWND GetParent(HWND hwnd);
HWND GetWindow(HWND hwnd, UINT command);
WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc);  // returns the previous procedure
// The process-local window found by class (and title unless null); another process's
// window of a class whose socket it holds when there is none here.
HWND FindWindowW(const wchar_t* className, const wchar_t* title);

// To a window of another process the parameters go as words: wParam below 2^32, lParam
// from -2^31 to 2^32 - 1 (it arrives sign-extended from 32 bits); other values fail with
// 0 and nothing sent. The answer of a send from there is its low 32 bits, sign-extended.
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int32_t exitCode);
// 0 for WM_QUIT, -1 on a bad argument, else 1. Messages of every window of the thread.
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// 1 while the calling thread handles a message sent from another thread or process.
BOOL InSendMessage(void);

uint32_t SetTimer(HWND hwnd, uint32_t id, uint32_t elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, uint32_t id);

HWND SetFocus(HWND hwnd);
HWND GetFocus(void);
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow(void);
// The lowest bit of the handle is ignored; another process's window is raised there.
BOOL SetForegroundWindow(HWND hwnd);

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL UpdateWindow(HWND hwnd);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND hwnd);
int32_t ReleaseDC(HWND hwnd, HDC dc);
// Fills a rectangle (window coordinates) of a device context with one 16-bit pixel.
void FillRectPixel(HDC dc, const RECT* rect, uint16_t pixel);

BOOL RegisterHotKey(HWND hwnd, int32_t id, UINT modifiers, UINT virtualKey);
BOOL UnregisterHotKey(HWND hwnd, int32_t id);

// A modal box of class "Dialog" captioned caption; the thread keeps serving messages
// until a button is chosen (Return: the first, Escape: the last). The answer.
int32_t MessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// ---- for the display and the tests ----

// Key and pointer input from the display: a hot key goes to its window as WM_HOTKEY,
// any other key to the focus window; a pointer message to the active window.
void WindowPostKey(UINT virtualKey, BOOL down, BOOL repeat);
void WindowPostPointer(UINT message, int32_t x, int32_t y);
// The screen image windows paint into; null for none.
void WindowSetScreen(uint16_t* pixels, int32_t width, int32_t height);
// Hooks of the display, called on the thread that set them: pump input (each wait of
// that thread is then cut to pumpMs), and raise the desktop window.
struct WindowDisplayHooks {
    void (*pumpInput)(void);
    void (*raise)(void);
    int32_t pumpMs;
};
void WindowSetDisplayHooks(const WindowDisplayHooks* hooks);  // null removes them
// 1 when the screen image changed since the last call (a device context was released,
// or a hold of the image ended with a change).
BOOL WindowTakeScreenChanged(void);
// Posts the message to every top-level window of this process (a system notice such as
// WM_SETTINGCHANGE); the number of windows it was posted to.
int32_t WindowPostToTopLevel(UINT message, WPARAM wParam, LPARAM lParam);
// The screen image's size (0 x 0 without one).
void WindowGetScreenSize(int32_t* width, int32_t* height);
// The straight access to the screen image: holds it (waiting while another hold lasts)
// and gives its pixels, rows of width pixels one after the other; null without an image
// (nothing is held then). Until the hold ends WindowSetScreen waits, so the pixels stay
// valid. WindowReleaseScreen ends the hold, marking the image changed when asked; 0
// when nothing was held. Any thread may end a hold.
uint16_t* WindowHoldScreen(int32_t* width, int32_t* height);
BOOL WindowReleaseScreen(BOOL changed);
// Called with each message box as it opens (after its window exists); null removes it.
void WindowSetMessageBoxObserver(void (*observer)(HWND box, const wchar_t* caption, const wchar_t* text));
// The runtime folder of the class sockets: MOVANE_RUNTIME_DIR, else
// $XDG_RUNTIME_DIR/movane, else /tmp/movane-<uid>. Read at first use.
const char* WindowRuntimeDir(void);
// Makes the runtime folder at path when missing; 1 when it is a folder (not a link) of
// this user closed to others, else 0 with the reason in why. The folders this program
// chooses itself ($XDG_RUNTIME_DIR/movane, /tmp/movane-<uid>) are refused otherwise,
// with a message on standard error, and the process then runs alone.
int WindowCheckRuntimeDir(const char* path, char* why, size_t size);
// This process's slot (1-254, the high half of its handles), taken at first use.
uint32_t WindowProcessSlot(void);
