// Keys, soft keys and the stylus: window messages become the VM's key and pointer
// events; the key-state table feeds the game key states.
#include <string.h>

#include "host/common/hosttrace.h"
#include "host/vm/hostglue.h"
#include "host/vm/vmshell.h"

namespace {

struct HostKey {
    UINT virtualKey;
    int32_t code;
    int32_t stateIndex;  // -1: no key state
    const char* name;
};

// Backspace is the clear key of the desktop keyboard; it has no game state.
const HostKey hostKeys[] = {
    {48, 0, 0, "AM_KEYCODE_NUM0"},     {49, 1, 1, "AM_KEYCODE_NUM1"},        {50, 2, 2, "AM_KEYCODE_NUM2"},
    {51, 3, 3, "AM_KEYCODE_NUM3"},     {52, 4, 4, "AM_KEYCODE_NUM4"},        {53, 5, 5, "AM_KEYCODE_NUM5"},
    {54, 6, 6, "AM_KEYCODE_NUM6"},     {55, 7, 7, "AM_KEYCODE_NUM7"},        {56, 8, 8, "AM_KEYCODE_NUM8"},
    {57, 9, 9, "AM_KEYCODE_NUM9"},     {119, 10, 10, "AM_KEYCODE_ASTERISK"}, {120, 11, 11, "AM_KEYCODE_POUND"},
    {37, 16, 12, "AM_KEYCODE_LEFT"},   {38, 17, 13, "AM_KEYCODE_UP"},        {39, 18, 14, "AM_KEYCODE_RIGHT"},
    {40, 19, 15, "AM_KEYCODE_DOWN"},   {13, 20, 16, "AM_KEYCODE_SELECT"},    {112, 21, 20, "AM_KEYCODE_SOFT1"},
    {113, 22, 21, "AM_KEYCODE_SOFT2"}, {27, 23, 22, "AM_KEYCODE_SOFT3"},     {8, 26, -1, "AM_KEYCODE_CLEAR"},
};

enum { KEY_STATES = 23 };
volatile uint32_t keyStates[KEY_STATES];
uint32_t keyDownSet[8];

const struct {
    int32_t index;
    uint32_t bit;
} gameKeys[] = {
    {1, 0x200}, {2, 0x2},    {3, 0x400}, {4, 0x4},  {5, 0x100}, {6, 0x20},  {7, 0x800},
    {8, 0x40},  {9, 0x1000}, {12, 0x4},  {13, 0x2}, {14, 0x20}, {15, 0x40}, {16, 0x100},
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
SoftKey softKeys[2] = {{L" ", 401}, {L" ", 402}};
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
    *kind = message == WM_KEYDOWN ? (repeat ? 2 : 0) : 1;
    const HostKey* k = findHostKey(virtualKey);
    if (k == nullptr) return 0;
    *code = k->code;
    if (k->stateIndex >= 0) {
        uint32_t s = keyStates[k->stateIndex];
        s = (s & ~0x2u) | ((s & 0x1u) << 1);
        if (message == WM_KEYDOWN) {
            if (!(s & 0x1u)) s |= 0x4u;
            s |= 0x1u;
        } else {
            s &= ~0x1u;
        }
        keyStates[k->stateIndex] = s;
    }
    return 1;
}

int32_t KeyEvent(UINT message, UINT virtualKey, LPARAM lParam, int32_t wasDown) {
    int32_t kind = 0, code = 0;
    if (!TranslateKey(message, virtualKey, lParam, &kind, &code)) return 0;
    if (wasDown) hostGlue.postKeyEvent(3, code, 0);
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
    if (vk == 129) {
        PostToMainWindow(VM_CMD_STOP_MIDLET, 17, 17);
        return DefWindowProcW(GetMainWindow(), message, wParam, lParam);
    }
    if (vk == 117) VolumeUp();
    if (vk == 118) VolumeDown();
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
        if (vk == 27) {
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
    int32_t code = (wParam & 0xFFFF) == 401 ? 21 : (wParam & 0xFFFF) == 402 ? 22 : -1;
    if (code < 0) return 0;
    hostGlue.postKeyEvent(0, code, 0);
    hostGlue.postKeyEvent(1, code, 0);
    hostGlue.postKeyEvent(3, code, 0);
    return 0;
}

LRESULT OnPointer(UINT message, WPARAM, LPARAM lParam) {
    int32_t x = (int16_t)((uint32_t)lParam & 0xFFFF), y = (int16_t)((uint32_t)lParam >> 16);
    if (message == WM_LBUTTONDOWN) {
        hostGlue.postPointerEvent(0, x, y);
    } else if (message == WM_LBUTTONUP) {
        hostGlue.postPointerEvent(2, x, y);
        hostGlue.postPointerEvent(1, x, y);
    } else if (message == WM_MOUSEMOVE) {
        hostGlue.postPointerEvent(3, x, y);
    }
    return 0;
}

uint32_t GetGameKeyStates(void) {
    uint32_t result = 0;
    for (const auto& g : gameKeys) {
        uint32_t s = keyStates[g.index];
        if (s & 0x5u) {
            result |= g.bit;
            keyStates[g.index] = s & ~0x4u;
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
    if (commandId != 401 && commandId != 402) return 0;
    SoftKey& k = softKeys[commandId - 401];
    std::wstring label = text && *text ? text : L" ";
    if (label != k.label) k.label = label;
    k.command = commandValue;
    return 1;
}

int32_t MenuBarSetSoftkeyLabel(int32_t softKey, const wchar_t* text, int32_t length) {
    if (softKey != 1 && softKey != 2) return 0;
    std::wstring label = text ? std::wstring(text, length >= 0 ? (size_t)length : wcslen(text)) : L"";
    return SetSoftKeyLabel(400 + softKey, 400 + softKey, label.c_str());
}

void RestoreSoftKeyLabels(void) {}

void DestroySoftKeyBar(void) {
    softKeys[0].label = L" ";
    softKeys[1].label = L" ";
    softKeyBar = false;
    softKeyBarShown = false;
}

int32_t GetSoftKeyCommand(int32_t commandId) {
    if (commandId != 401 && commandId != 402) return -1;
    return softKeys[commandId - 401].command;
}

int32_t GetSoftKeyCommandByKey(UINT virtualKey) {
    if (virtualKey == 112) return GetSoftKeyCommand(401);
    if (virtualKey == 113) return GetSoftKeyCommand(402);
    return -1;
}

const wchar_t* GetSoftKeyLabel(int32_t commandId) {
    if (commandId != 401 && commandId != 402) return nullptr;
    return softKeys[commandId - 401].label.c_str();
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
