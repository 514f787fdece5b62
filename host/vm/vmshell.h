// The host shell of Movane_VM: the program's entry and start-up, the hidden main
// window with its message map and host state machine, keys, soft keys and stylus, and
// the screen back buffer the VM draws into.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "host/common/winmsg.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "storage/qmms_index.h"
#include "vm/services/keymap.h"

enum {
    HOST_NONE = 0,
    HOST_RUNNING = 1,
    HOST_PAUSED = 2,
    HOST_STARTING = 3,
    HOST_RESUMING = 4,
    HOST_SUSPENDING = 5,
    HOST_STOPPING = 6,
};

// Stop-flag bits.
enum { STOP_CLOSE_MANAGER = 0x01, STOP_SHOW_LIST = 0x04, STOP_NOTIFY = 0x08, STOP_END_PROGRAM = 0x10 };

enum { ORIENTATION_LANDSCAPE = 16, ORIENTATION_PORTRAIT = 17 };

struct HostStateRecord {
    int32_t HostState;
    uint32_t stopFlags;
    int32_t orientation;
    int32_t rotated;
    int32_t focused;
    int32_t focusCase;
    int32_t textInputMode;
    HWND textBox;
    uint32_t frameTimer;
    int32_t pendingStart;
    int16_t pendingSuite;
    int16_t pendingMidlet;
    int32_t storageStarted;
    int32_t resumeBox;
    int32_t waitCursorShown;
    std::wstring title;
    // paused, started, suspendGate and ran are written by the VM's threads too: only
    // through atomicLoad and atomicStore
    int32_t paused;
    int32_t started;
    int32_t suspendGate;
    // the MIDlet of this start reported its start (a run that ends after that is no
    // failed start, painted or not)
    int32_t ran;
    int32_t fullScreenPolicy;
    // the input panel was up at the last setting change
    int32_t inputPanelUp;
};
extern HostStateRecord hostState;

// ---- entry and start-up ----
int32_t VmWinMain(void* instance, const wchar_t* commandLine, int32_t showCommand);
HWND FindManagerWindow(void);
void SetManagerWindow(HWND hwnd);
BOOL PostToManager(UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendToManager(UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostToMainWindow(UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendToMainWindow(UINT message, WPARAM wParam, LPARAM lParam);
HWND GetMainWindow(void);
int32_t CreateMainWindow(void* instance, int32_t showCommand);
void SplitString(const std::wstring& text, const wchar_t* delimiters, std::vector<std::wstring>* out);
void ParseCommandLine(const wchar_t* commandLine);
// The single-string command line: arguments joined with spaces, one that is empty or holds
// a space, a tab, a line break or a quote in double quotes (a quote inside doubled), so
// that SplitCommandLine gives them back whole. Empty items between two separators stay.
std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments);
void SplitCommandLine(const std::wstring& text, std::vector<std::wstring>* out);
int32_t GetScreenOrientation(void);

// ---- UI-language module and the program's strings ----
// String ids of the shell: those the Parts give, then the program's own from 3000 on
// (2000 to 2033 are the permission prompts' texts).
enum : uint32_t {
    STR_SOFTKEY_LEFT = 1201,
    STR_SOFTKEY_RIGHT = 1202,
    STR_RESUME_PROMPT = 1211,  // "%s": the window title
    STR_ROTATION_DETECTED = 1215,
    STR_LOW_MEMORY = 1239,
    STR_CANNOT_RUN = 3000,
    STR_OUT_OF_MEMORY = 3001,
    STR_NO_SUCH_SUITE = 3002,  // "%d": the suite index
};
struct StringModule;
// The resource module record: the UI-language library (null when none is loaded) and
// the program's instance.
struct ResourceModuleRecord {
    StringModule* module;
    void* instance;
};
// With a user UI language other than 0 and 1033 loads the library named after the
// program with ".%04X.mui" appended (a missing or malformed one leaves the module null,
// traced); the record becomes the process-wide resource module either way. 1 when a
// library was loaded.
int32_t LoadMuiResourceLibrary(ResourceModuleRecord* record, void* instance);
// Frees the library when one is loaded, and clears the process-wide pointer when it
// points at this record.
void FreeMuiResourceLibrary(ResourceModuleRecord* record);
ResourceModuleRecord* GetResourceModule(void);
// String id of the resource module (the library's, else the program's own) in a newly
// allocated text, tried in buffers of 256, 512, 1024 ... characters; 1 when a
// non-empty text was produced (free it with FreeResourceString), else 0 with *out as
// it was.
int32_t LoadResourceString(uint32_t id, wchar_t** out);
void FreeResourceString(wchar_t* text);
// The program's own text of id; null for an id it does not have.
const wchar_t* BuiltInShellString(uint32_t id);
// The text of id as the shell shows it (empty for an unknown id).
std::wstring ShellString(uint32_t id);
// Fills "%s" with text and "%d" with number ("%%" is one '%'); any other '%' stays as
// it is, so a translated text is never a format the C library reads.
std::wstring FormatShellString(const std::wstring& format, const std::wstring& text, int32_t number);
// Test seams: the program path the library is named after (null: the program's own),
// and the allocator of LoadResourceString's buffers and texts (null: malloc and free).
void ResourceSetProgramPath(const char* path);
void ResourceSetAllocator(void* (*alloc)(size_t size), void (*release)(void* block));

// ---- main window ----
LRESULT MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void BuildSuiteList(void);
int32_t GetSuiteRecord(int32_t index, QmmsSuiteInfo* record);
void ShowMainWindowFullScreen(void);
int32_t PaintMode(void);
void FrameTimerProc(HWND hwnd, UINT message, uint32_t id, DWORD time);
void RestartFrameTimer(void);
void KillFrameTimer(void);
LRESULT NotifyMidletPaused(void);
LRESULT NotifyMidletResumed(void);
// The VM state callback of the host glue: (vmId, event code, parameter).
void HostVmStateCallback(int32_t vmId, int32_t code, int32_t parameter);
// What the host glue calls on its control thread: each state-callback code (1 started
// or resumed, 2 suspended, 3 ended, 4 paint ready) for the started, paused and ran
// flags, and the paused and resumed handlers, which the window thread then runs.
void HostGlueStateNotice(int32_t code);
void HostGlueMidletPaused(void);
void HostGlueMidletResumed(void);
// Forgets the shell's process state (tests: one fresh shell per case).
void ResetHostShell(void);

// ---- keys, soft keys, stylus ----
// The bits of the game-key states, as GameCanvas's *_PRESSED constants give them to the
// game (a library test holds the two sides together).
enum : uint32_t {
    GAME_UP_PRESSED = 1u << 1,
    GAME_LEFT_PRESSED = 1u << 2,
    GAME_RIGHT_PRESSED = 1u << 5,
    GAME_DOWN_PRESSED = 1u << 6,
    GAME_FIRE_PRESSED = 1u << 8,
    GAME_A_PRESSED = 1u << 9,
    GAME_B_PRESSED = 1u << 10,
    GAME_C_PRESSED = 1u << 11,
    GAME_D_PRESSED = 1u << 12,
};
int32_t TranslateKey(UINT message, UINT virtualKey, LPARAM lParam, int32_t* kind, int32_t* code);
int32_t KeyEvent(UINT message, UINT virtualKey, LPARAM lParam, int32_t wasDown);
LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnKeyUp(UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnHotKey(UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnCommand(UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnPointer(UINT message, WPARAM wParam, LPARAM lParam);
uint32_t GetGameKeyStates(void);
const KeyEntry* SelectKeyMap(const QmmsSuiteInfo* record);
void ResetKeyState(const QmmsSuiteInfo* record);
void ResetKeyStateDefault(void);
const char* GetKeyCodeName(UINT virtualKey);
extern const KeyEntry DefaultKeyMap[KEY_STANDARD_ENTRIES];
extern const KeyEntry AlternateKeyMap[KEY_STANDARD_ENTRIES];
// The volume keys move the wave-out volume one of five steps (the same 16-bit level on
// both channels). The volume lives in the shell until the sound layer gives its own
// pair (null gives the shell's own back, at full volume).
void VolumeUp(void);
void VolumeDown(void);
uint32_t GetWaveOutVolume(void);
void SetWaveOutVolumeAccess(uint32_t (*get)(void), void (*set)(uint32_t volume));
// While a MIDlet runs in front with BackLightAlways set to 1, the screen is kept on;
// 1 while that is held.
void BackLightOn(void);
void BackLightRelease(void);
int32_t BackLightHeld(void);
void ShowSoftKeyBar(int32_t show);
int32_t SetSoftKeyLabel(int32_t commandId, int32_t commandValue, const wchar_t* text);
int32_t MenuBarSetSoftkeyLabel(int32_t softKey, const wchar_t* text, int32_t length);
void RestoreSoftKeyLabels(void);
void DestroySoftKeyBar(void);
int32_t GetSoftKeyCommand(int32_t commandId);
int32_t GetSoftKeyCommandByKey(UINT virtualKey);
const wchar_t* GetSoftKeyLabel(int32_t commandId);
int32_t IsFullScreen(int32_t requested);
int32_t IsSoftKeyBarVisible(int32_t requested);

// ---- screen back buffer ----
// Allocates the back buffer (width x (height + band)) through the allocator; 0 with the
// out-of-memory notice when it cannot be had: no screen exists then.
int32_t ScreenFontInit(void);
void ScreenFontTerm(void);
MkSurface* ScreenGetSurface(void);
void ScreenGetSize(int32_t* width, int32_t* height, uint16_t** pixels);
MkVideoProperty* ScreenGetVideoProperty(void);
void ScreenSetActive(int32_t flag);
int32_t ScreenIsActive(void);
int32_t DisplaySetFullScreenMode(int32_t mode);
void KveThreadBoostPriority(void);
void KveThreadDrawDone(int32_t frameReady);
// Copies rows top..bottom-1 of the back buffer to the window: mode 1 through the
// device context (null: the window's own), modes 2 and 3 straight into the display's
// frame memory (platform/gapi.h) between a begin and an end draw, mode 3 then
// invalidates every child window of the main window.
void ScreenCopy(HDC dc, int32_t mode, int32_t top, int32_t bottom);
// The direct display around the focus (the host glue's display access calls them):
// GapiInitDisplay into the shell's information record (once; a straight copy before it
// does it too), the display opened for the main window, and suspended and closed.
void ScreenDisplayInit(void);
int32_t ScreenDisplayOpen(void);
void ScreenDisplayClose(void);
// A copy of the information record; 0 before GapiInitDisplay was made.
struct GapiDisplayInfo;
int32_t ScreenDisplayInfo(GapiDisplayInfo* out);
// The shell's own copy of the whole buffer, only while a MIDlet has started; it clears
// the frame-ready flag.
void ScreenBlit(HDC dc, int32_t mode);
void ScreenClear(void);
// The device screen size (the desktop display's) and the soft-key band height.
void ScreenSetDeviceSize(int32_t width, int32_t height, int32_t band);
void ScreenGetDeviceSize(int32_t* width, int32_t* height, int32_t* band);
// Test seam: the back buffer's allocator (null restores lowAlloc and lowFree).
void ScreenSetAllocator(void* (*alloc)(uint32_t size), void (*release)(void* block));
