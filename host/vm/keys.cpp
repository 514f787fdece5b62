// Keys, soft keys and the stylus: window messages become the VM's key and pointer
// events; the key-state table feeds the game key states.
#include <string.h>

#include "host/common/hosttrace.h"
#include "host/vm/hostglue.h"
#include "host/vm/vmshell.h"
#include "vm/services/events.h"

namespace {

struct HostKey {
    UINT virtualKey;
    int32_t code;
    int32_t stateIndex;  // -1: no key state
    const char* name;
};

// The key's own state slot: the digits, star and pound at their key index, the arrows
// and select four below theirs, the soft keys one below.
enum {
    STATE_LEFT = 12,
    STATE_UP = 13,
    STATE_RIGHT = 14,
    STATE_DOWN = 15,
    STATE_SELECT = 16,
    STATE_SOFT1 = 20,
    STATE_SOFT2 = 21,
    STATE_SOFT3 = 22,
    KEY_STATES = 23,
};
// The bits of a key's state word: down now, down at the previous change, and pressed
// since the last read of the game keys.
enum : uint32_t { KEY_DOWN = 0x1, KEY_WAS_DOWN = 0x2, KEY_PRESSED_UNREAD = 0x4 };

// a key's name is its index's own
#define HK(virtualKey, index, state) \
    { virtualKey, index, state, #index }
// Backspace is the clear key of the desktop keyboard; it has no game state.
const HostKey hostKeys[] = {
    HK(VK_0, AM_KEYCODE_NUM0, AM_KEYCODE_NUM0),
    HK(VK_1, AM_KEYCODE_NUM1, AM_KEYCODE_NUM1),
    HK(VK_2, AM_KEYCODE_NUM2, AM_KEYCODE_NUM2),
    HK(VK_3, AM_KEYCODE_NUM3, AM_KEYCODE_NUM3),
    HK(VK_4, AM_KEYCODE_NUM4, AM_KEYCODE_NUM4),
    HK(VK_5, AM_KEYCODE_NUM5, AM_KEYCODE_NUM5),
    HK(VK_6, AM_KEYCODE_NUM6, AM_KEYCODE_NUM6),
    HK(VK_7, AM_KEYCODE_NUM7, AM_KEYCODE_NUM7),
    HK(VK_8, AM_KEYCODE_NUM8, AM_KEYCODE_NUM8),
    HK(VK_9, AM_KEYCODE_NUM9, AM_KEYCODE_NUM9),
    HK(VK_STAR, AM_KEYCODE_ASTERISK, AM_KEYCODE_ASTERISK),
    HK(VK_POUND, AM_KEYCODE_POUND, AM_KEYCODE_POUND),
    HK(VK_LEFT, AM_KEYCODE_LEFT, STATE_LEFT),
    HK(VK_UP, AM_KEYCODE_UP, STATE_UP),
    HK(VK_RIGHT, AM_KEYCODE_RIGHT, STATE_RIGHT),
    HK(VK_DOWN, AM_KEYCODE_DOWN, STATE_DOWN),
    HK(VK_RETURN, AM_KEYCODE_SELECT, STATE_SELECT),
    HK(VK_SOFT1, AM_KEYCODE_SOFT1, STATE_SOFT1),
    HK(VK_SOFT2, AM_KEYCODE_SOFT2, STATE_SOFT2),
    HK(VK_ESCAPE, AM_KEYCODE_SOFT3, STATE_SOFT3),
    HK(VK_BACK, AM_KEYCODE_CLEAR, -1),
};
#undef HK

volatile uint32_t keyStates[KEY_STATES];
uint32_t keyDownSet[8];

// Both the digit pad (2, 4, 6, 8 round 5; A to D on the corners) and the arrows with
// select play.
const struct {
    int32_t state;
    uint32_t bit;
} gameKeys[] = {
    {AM_KEYCODE_NUM1, GAME_A_PRESSED},    {AM_KEYCODE_NUM2, GAME_UP_PRESSED},   {AM_KEYCODE_NUM3, GAME_B_PRESSED},
    {AM_KEYCODE_NUM4, GAME_LEFT_PRESSED}, {AM_KEYCODE_NUM5, GAME_FIRE_PRESSED}, {AM_KEYCODE_NUM6, GAME_RIGHT_PRESSED},
    {AM_KEYCODE_NUM7, GAME_C_PRESSED},    {AM_KEYCODE_NUM8, GAME_DOWN_PRESSED}, {AM_KEYCODE_NUM9, GAME_D_PRESSED},
    {STATE_LEFT, GAME_LEFT_PRESSED},      {STATE_UP, GAME_UP_PRESSED},          {STATE_RIGHT, GAME_RIGHT_PRESSED},
    {STATE_DOWN, GAME_DOWN_PRESSED},      {STATE_SELECT, GAME_FIRE_PRESSED},
};

const HostKey* findHostKey(UINT vk) {
    for (const HostKey& k : hostKeys) {
        if (k.virtualKey == vk) return &k;
    }
    return nullptr;
}

#define KE(code, name) \
    { code, name, (int32_t)(sizeof name - 1) }
#define KE_NONE \
    { 0, nullptr, 0 }

struct QuirkRow {
    const char* name;
    const char* vendor;
};
const QuirkRow quirks[] = {
    {"Billiards", "Motorola"},
    {"Skipping Stones", "Motorola"},
    {"ExtremeAirSnowboarding", "Sumea"},
    {"6 in 1 Capone Casino", "Superscape"},
    {"\xE9\x9B\x85\xE8\x96\x87-\xE6\x80\xAA\xE5\x85\xBD\xE9\x98\xBF"
     "D\xE5\xA1\x94",
     "\xE9\x9B\x85\xE8\x96\x87\xE9\x80\x9A\xE4\xBF\xA1"},
};

struct SoftKey {
    std::wstring label = L" ";
    int32_t command;
};
// The window commands of the two soft keys.
enum { SOFTKEY_COMMAND_1 = 401, SOFTKEY_COMMAND_2 = 402 };
SoftKey softKeys[2] = {{L" ", SOFTKEY_COMMAND_1}, {L" ", SOFTKEY_COMMAND_2}};
bool softKeyBar = false;
bool softKeyBarShown = false;

}  // namespace

const KeyEntry DefaultKeyMap[KEY_STANDARD_ENTRIES] = {
    KE(48, "0"),     KE(49, "1"),     KE(50, "2"),     KE(51, "3"),  KE(52, "4"),     KE(53, "5"),     KE(54, "6"),
    KE(55, "7"),     KE(56, "8"),     KE(57, "9"),     KE(42, "*"),  KE(35, "#"),     KE_NONE,         KE_NONE,
    KE_NONE,         KE_NONE,         KE(-3, "LEFT"),  KE(-1, "UP"), KE(-4, "RIGHT"), KE(-2, "DOWN"),  KE(-5, "SELECT"),
    KE(-6, "SOFT1"), KE(-7, "SOFT2"), KE(-8, "SOFT3"), KE_NONE,      KE(-10, "SEND"), KE(-9, "CLEAR"),
};
const KeyEntry AlternateKeyMap[KEY_STANDARD_ENTRIES] = {
    KE(48, "0"),     KE(49, "1"),     KE(50, "2"),     KE(51, "3"),  KE(52, "4"),     KE(53, "5"),     KE(54, "6"),
    KE(55, "7"),     KE(56, "8"),     KE(57, "9"),     KE(42, "*"),  KE(35, "#"),     KE_NONE,         KE_NONE,
    KE_NONE,         KE_NONE,         KE(-3, "LEFT"),  KE(-1, "UP"), KE(-4, "RIGHT"), KE(-2, "DOWN"),  KE(-5, "SELECT"),
    KE(-7, "SOFT1"), KE(-8, "SOFT2"), KE(-6, "SOFT3"), KE_NONE,      KE(-10, "SEND"), KE(-9, "CLEAR"),
};

int32_t TranslateKey(UINT message, UINT virtualKey, LPARAM lParam, int32_t* kind, int32_t* code) {
    bool repeat = ((uint32_t)lParam >> 30) & 1;
    *kind = message == WM_KEYDOWN ? (repeat ? KEY_ACTION_REPEATED : KEY_ACTION_PRESSED) : KEY_ACTION_RELEASED;
    const HostKey* k = findHostKey(virtualKey);
    if (k == nullptr) return 0;
    *code = k->code;
    if (k->stateIndex >= 0) {
        uint32_t s = keyStates[k->stateIndex];
        s = (s & ~KEY_WAS_DOWN) | ((s & KEY_DOWN) ? (uint32_t)KEY_WAS_DOWN : 0u);
        if (message == WM_KEYDOWN) {
            if (!(s & KEY_DOWN)) s |= KEY_PRESSED_UNREAD;
            s |= KEY_DOWN;
        } else {
            s &= ~KEY_DOWN;
        }
        keyStates[k->stateIndex] = s;
    }
    return 1;
}

int32_t KeyEvent(UINT message, UINT virtualKey, LPARAM lParam, int32_t wasDown) {
    int32_t kind = 0, code = 0;
    if (!TranslateKey(message, virtualKey, lParam, &kind, &code)) return 0;
    if (wasDown) hostGlue.postKeyEvent(KEY_ACTION_TYPED, code, 0);
    return hostGlue.postKeyEvent(kind, code, 0);
}

LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam) {
    UINT vk = (UINT)wParam & 0xFF;
    keyDownSet[vk >> 5] |= 1u << (vk & 31);
    uint32_t repeatCount = (uint32_t)lParam & 0xFFFF;
    if (repeatCount > 1) {
        TraceLogA("repeatCnt=%d\n", repeatCount);
        return 0;
    }
    if (vk == VK_STOP_MIDLET) {
        PostToMainWindow(VM_CMD_STOP_MIDLET, 17, 17);
        return DefWindowProcW(GetMainWindow(), message, wParam, lParam);
    }
    if (vk == VK_VOLUME_UP) VolumeUp();
    if (vk == VK_VOLUME_DOWN) VolumeDown();
    KeyEvent(WM_KEYDOWN, vk, lParam, 0);
    return 0;
}

LRESULT OnKeyUp(UINT message, WPARAM wParam, LPARAM lParam) {
    UINT vk = (UINT)wParam & 0xFF;
    bool wasDown = keyDownSet[vk >> 5] & (1u << (vk & 31));
    keyDownSet[vk >> 5] &= ~(1u << (vk & 31));
    uint32_t repeatCount = (uint32_t)lParam & 0xFFFF;
    if (repeatCount > 1) {
        TraceLogA("repeatCnt=%d\n", repeatCount);
        return 0;
    }
    // a key-up is taken in every state, so that no key stays down across a pause
    if (((uint32_t)lParam >> 30) & 1) KeyEvent(WM_KEYUP, vk, lParam, wasDown);
    return 0;
}

LRESULT OnHotKey(UINT, WPARAM, LPARAM lParam) {
    if (hostState.HostState != HOST_RUNNING) return 0;
    UINT modifiers = (UINT)lParam & 0xFFFF, vk = ((UINT)lParam >> 16) & 0xFFFF;
    if (hostState.textInputMode == 1) {
        if (vk == VK_ESCAPE) {
            TraceLogA("Focused Window = 0x%08X, CurTextBox = 0x%08X \n", GetFocus(), hostState.textBox);
            return 0;
        }
        if (hostState.textBox != 0) return SendMessageW(hostState.textBox, WM_HOTKEY, 0, lParam);
        return 0;
    }
    if (modifiers == MOD_KEYUP) {
        KeyEvent(WM_KEYUP, vk, (LPARAM)(1u << 30), 0);
    } else {
        KeyEvent(WM_KEYDOWN, vk, 0, 0);
    }
    return 0;
}

LRESULT OnCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (hostState.textInputMode == 1 && hostState.textBox != 0)
        return SendMessageW(hostState.textBox, message, wParam, lParam);
    UINT command = (UINT)wParam & 0xFFFF;
    int32_t code = command == SOFTKEY_COMMAND_1   ? AM_KEYCODE_SOFT1
                   : command == SOFTKEY_COMMAND_2 ? AM_KEYCODE_SOFT2
                                                  : -1;
    if (code < 0) return 0;
    hostGlue.postKeyEvent(KEY_ACTION_PRESSED, code, 0);
    hostGlue.postKeyEvent(KEY_ACTION_RELEASED, code, 0);
    hostGlue.postKeyEvent(KEY_ACTION_TYPED, code, 0);
    return 0;
}

LRESULT OnPointer(UINT message, WPARAM, LPARAM lParam) {
    int32_t x = (int16_t)((uint32_t)lParam & 0xFFFF), y = (int16_t)((uint32_t)lParam >> 16);
    if (message == WM_LBUTTONDOWN) {
        hostGlue.postPointerEvent(POINTER_ACTION_PRESSED, x, y);
    } else if (message == WM_LBUTTONUP) {
        hostGlue.postPointerEvent(POINTER_ACTION_TAPPED, x, y);
        hostGlue.postPointerEvent(POINTER_ACTION_RELEASED, x, y);
    } else if (message == WM_MOUSEMOVE) {
        hostGlue.postPointerEvent(POINTER_ACTION_DRAGGED, x, y);
    }
    return 0;
}

uint32_t GetGameKeyStates(void) {
    uint32_t result = 0;
    for (const auto& g : gameKeys) {
        uint32_t s = keyStates[g.state];
        if (s & (KEY_DOWN | KEY_PRESSED_UNREAD)) {
            result |= g.bit;
            keyStates[g.state] = s & ~KEY_PRESSED_UNREAD;
        }
    }
    return result;
}

const KeyEntry* SelectKeyMap(const QmmsSuiteInfo* record) {
    if (record != nullptr) {
        for (const QuirkRow& q : quirks) {
            if (strncmp(record->name, q.name, sizeof record->name) == 0 &&
                strncmp(record->vendor, q.vendor, sizeof record->vendor) == 0) {
                return AlternateKeyMap;
            }
        }
    }
    return DefaultKeyMap;
}

void ResetKeyState(const QmmsSuiteInfo* record) {
    hostGlue.setKeyMap(SelectKeyMap(record), nullptr);
    for (auto& s : keyStates) s = 0;
    memset(keyDownSet, 0, sizeof keyDownSet);
}

void ResetKeyStateDefault(void) { ResetKeyState(nullptr); }

const char* GetKeyCodeName(UINT virtualKey) {
    const HostKey* k = findHostKey(virtualKey);
    return k ? k->name : nullptr;
}

// The soft-key bar is the two labels; the desktop has no menu band of its own.
void ShowSoftKeyBar(int32_t show) {
    softKeyBar = true;
    softKeyBarShown = show != 0;
}

int32_t SetSoftKeyLabel(int32_t commandId, int32_t commandValue, const wchar_t* text) {
    if (commandId != SOFTKEY_COMMAND_1 && commandId != SOFTKEY_COMMAND_2) return 0;
    SoftKey& k = softKeys[commandId - SOFTKEY_COMMAND_1];
    std::wstring label = text && *text ? text : L" ";
    if (label != k.label) k.label = label;
    k.command = commandValue;
    return 1;
}

int32_t MenuBarSetSoftkeyLabel(int32_t softKey, const wchar_t* text, int32_t length) {
    if (softKey != 1 && softKey != 2) return 0;
    std::wstring label = text ? std::wstring(text, length >= 0 ? (size_t)length : wcslen(text)) : L"";
    int32_t command = softKey == 1 ? SOFTKEY_COMMAND_1 : SOFTKEY_COMMAND_2;
    return SetSoftKeyLabel(command, command, label.c_str());
}

void RestoreSoftKeyLabels(void) {}

void DestroySoftKeyBar(void) {
    softKeys[0].label = L" ";
    softKeys[1].label = L" ";
    softKeyBar = false;
    softKeyBarShown = false;
}

int32_t GetSoftKeyCommand(int32_t commandId) {
    if (commandId != SOFTKEY_COMMAND_1 && commandId != SOFTKEY_COMMAND_2) return -1;
    return softKeys[commandId - SOFTKEY_COMMAND_1].command;
}

int32_t GetSoftKeyCommandByKey(UINT virtualKey) {
    if (virtualKey == VK_SOFT1) return GetSoftKeyCommand(SOFTKEY_COMMAND_1);
    if (virtualKey == VK_SOFT2) return GetSoftKeyCommand(SOFTKEY_COMMAND_2);
    return -1;
}

const wchar_t* GetSoftKeyLabel(int32_t commandId) {
    if (commandId != SOFTKEY_COMMAND_1 && commandId != SOFTKEY_COMMAND_2) return nullptr;
    return softKeys[commandId - SOFTKEY_COMMAND_1].label.c_str();
}

int32_t IsFullScreen(int32_t requested) {
    if (hostState.fullScreenPolicy == 1) return 1;
    return requested && hostState.fullScreenPolicy != 0;
}

int32_t IsSoftKeyBarVisible(int32_t requested) {
    if (hostState.fullScreenPolicy == 1) return 0;
    return hostState.fullScreenPolicy == 0 || !requested;
}

// ---- volume keys ----

namespace {
uint32_t volumeWord = 0xFFFFFFFFu;
uint32_t ownVolume(void) { return volumeWord; }
void setOwnVolume(uint32_t v) { volumeWord = v; }
uint32_t (*getVolume)(void) = ownVolume;
void (*setVolume)(uint32_t) = setOwnVolume;

// Five steps between silence and full; the level of the low channel, rounded.
void stepVolume(int32_t delta) {
    uint32_t low = getVolume() & 0xFFFF;
    int32_t level = (int32_t)((low * 5 + 65535 / 2) / 65535) + delta;
    if (level < 0) level = 0;
    if (level > 5) level = 5;
    uint32_t v = (uint32_t)level * 13107u;
    setVolume(v << 16 | v);
}
}  // namespace

void SetWaveOutVolumeAccess(uint32_t (*get)(void), void (*set)(uint32_t volume)) {
    getVolume = get && set ? get : ownVolume;
    setVolume = get && set ? set : setOwnVolume;
    if (!get || !set) volumeWord = 0xFFFFFFFFu;
}

uint32_t GetWaveOutVolume(void) { return getVolume(); }
void VolumeUp(void) { stepVolume(1); }
void VolumeDown(void) { stepVolume(-1); }
