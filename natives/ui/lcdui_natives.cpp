// Canvas, Displayable and Display natives.
#include "natives/ui/lcdui_natives.h"
#include "natives/ui/confirm_natives.h"
#include "natives/ui/kiv_natives.h"

#include "graphics/mk_dialog.h"
#include "graphics/mk_graphics.h"
#include "graphics/mk_image.h"
#include "natives/lib/dialog_natives.h"
#include "natives/lib/nativestack.h"
#include "natives/ui/dispmanager.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/services/keymap.h"

namespace {

struct LcduiState {
    int32_t displayWidth, displayHeight, displayThird;
    int32_t gameActions[LCDUI_GAME_ACTION_KEYS];
    int32_t fullScreen;
    int32_t commandKeys[LCDUI_COMMAND_KEYS];
    int32_t commandKeysFilled;
};
VMBSS LcduiState Lcdui;

// MIDP game actions.
enum { UP = 1, LEFT = 2, RIGHT = 5, DOWN = 6, FIRE = 8, GAME_A = 9, GAME_B = 10, GAME_C = 11, GAME_D = 12 };

// Key indexes 0-11, then 16-20.
const int32_t DefaultGameActions[17] = {0,      GAME_A, UP, GAME_B, LEFT, FIRE,  RIGHT, GAME_C, DOWN,
                                        GAME_D, 0,      0,  LEFT,   UP,   RIGHT, DOWN,  FIRE};

// Command ids 100 to 106 read these entries of the command-key table.
const int8_t CommandKeyEntries[7] = {0, 1, 3, 2, 6, 4, 5};

const int32_t CommandTypePriority[9] = {0, 6, 1, 3, 5, 8, 4, 2, 7};

// Natives declared static in Java have no receiver; instance ones replace it.
void dropReceiver(int32_t argumentWords) {
    if (CurrentNativeMethod != nullptr && CurrentNativeMethod->argCount > argumentWords) popObject();
}

int32_t accessClassCount(void) { return mvMidp2DispManager_getAccessClassNumber(); }

}  // namespace

int32_t lcduiSetFullScreenMode(int32_t on) {
    int32_t result = MkDisplaySetFullScreenMode(on ? 1 : 0);
    if (result != 0) Lcdui.fullScreen = on ? 1 : 0;
    return result;
}

int32_t lcduiGetFullScreenMode(void) { return Lcdui.fullScreen; }

const int32_t* lcduiGetCommandKeyTable(void) {
    if (!Lcdui.commandKeysFilled) {
        MkGetDefaultCommandKeys(Lcdui.commandKeys);
        Lcdui.commandKeysFilled = 1;
    }
    return Lcdui.commandKeys;
}

void lcdui_installServices(void) {
    ConfirmDialogScreen screen = {};
    screen.setFullScreenMode = lcduiSetFullScreenMode;
    screen.getFullScreenMode = lcduiGetFullScreenMode;
    screen.accessClassCount = accessClassCount;
    screen.accessClassName = mvMidp2DispManager_getAccessClassName;
    screen.runCompletion = kivRunCompletion;
    confirmNatives_fillScreen(&screen);
    confirmDialog_setScreen(&screen);
}

// ---------------------------------------------------------------------------------
// Canvas

void Java_javax_microedition_lcdui_Canvas_setDisplayInfo() {
    int32_t third = popInt(), height = popInt(), width = popInt();
    dropReceiver(3);
    Lcdui.displayWidth = width;
    Lcdui.displayHeight = height;
    Lcdui.displayThird = third;
}

void Java_javax_microedition_lcdui_Canvas_nativeGetWidth() {
    dropReceiver(0);
    pushInt(Lcdui.displayWidth);
}

void Java_javax_microedition_lcdui_Canvas_nativeGetHeight() {
    dropReceiver(0);
    pushInt(Lcdui.displayHeight);
}

void Java_javax_microedition_lcdui_Canvas_nativeUpdateScreenProperty() {
    dropReceiver(0);
    MkVideoProperty video = {};
    MkVideoGetProperty(&video);
    Lcdui.displayWidth = MkGraphicsGetWidth(video.surface);
    Lcdui.displayHeight = MkGraphicsGetHeight(video.surface);
    Lcdui.displayThird = video.softkeyCount;
    pushInt(Lcdui.displayThird);
}

void Java_javax_microedition_lcdui_Canvas_nativeInitGameAction() {
    dropReceiver(0);
    for (int32_t i = 0; i < 12; i++) Lcdui.gameActions[i] = DefaultGameActions[i];
    for (int32_t i = 12; i < 17; i++) Lcdui.gameActions[i + 4] = DefaultGameActions[i];
}

void Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode() {
    int32_t gameAction = popInt();
    dropReceiver(1);
    int32_t code = 0;
    for (int32_t i = LCDUI_GAME_ACTION_KEYS - 1; i >= 0; i--) {
        if (Lcdui.gameActions[i] == gameAction) {
            code = mvKey_getKeyCode(i);
            break;
        }
    }
    pushInt(code);
}

void Java_javax_microedition_lcdui_Canvas_nativeGetGameAction() {
    int32_t keyCode = popInt();
    dropReceiver(1);
    int32_t index = mvKey_getKeyIndex(keyCode);
    if (index < 0) {
        pushInt(-1);
    } else {
        pushInt(index < LCDUI_GAME_ACTION_KEYS ? Lcdui.gameActions[index] : 0);
    }
}

void Java_javax_microedition_lcdui_Canvas_nativeGetKeyName() {
    int32_t keyCode = popInt();
    dropReceiver(1);
    const char* name = nullptr;
    int32_t length = 0;
    if (!mvKey_getKeyName(keyCode, &name, &length)) {
        pushObject(nullptr);
        return;
    }
    StringInstance* s = tryInstantiateString(name, length);
    if (s == nullptr) throwPendingException();
    pushObject(s);
}

void Java_javax_microedition_lcdui_Canvas_nativeIsNecessaryKeycodeBackwardCompatible() {
    dropReceiver(0);
    pushInt(0);
}

// ---------------------------------------------------------------------------------
// Displayable

void Java_javax_microedition_lcdui_Displayable_nativeSetFullScreenMode() {
    int32_t on = popInt();
    dropReceiver(1);
    pushInt(lcduiSetFullScreenMode(on));
}

void Java_javax_microedition_lcdui_Displayable_nativeGetFullScreenMode() {
    dropReceiver(0);
    pushInt(lcduiGetFullScreenMode());
}

void Java_javax_microedition_lcdui_Displayable_nativeSetHighLevelGraphics() {
    popInt();
    dropReceiver(1);
}

void Java_javax_microedition_lcdui_Displayable_nativeSetSoftLabel() {
    StringInstance* label = (StringInstance*)popObject();
    int32_t key = popInt();
    dropReceiver(2);
    if (label == nullptr) raiseException(NullPointerException);
    if (lockStringChars(label) == nullptr) throwPendingException();
    int32_t length = getStringLength(label);
    if (length > 0) MkSoftkeySetLabel(getStringCharsPointer(label), length, key + 1);
    unlockStringChars(label);
}

void Java_javax_microedition_lcdui_Displayable_nativeResetSoftLabels() {
    dropReceiver(0);
    MkSoftkeyResetLabels();
}

void Java_javax_microedition_lcdui_Displayable_nativePaintSoftkey() {
    dropReceiver(0);
    MkSoftkeyPaint();
}

void Java_javax_microedition_lcdui_Displayable__1setFocusState() {
    int32_t value = popInt();
    dropReceiver(1);
    MkSoftkeySetFocusState(value & 15);
}

void Java_javax_microedition_lcdui_Displayable__1setScrollState() {
    int32_t value = popInt();
    dropReceiver(1);
    MkSoftkeySetScrollState(value & 15);
}

void Java_javax_microedition_lcdui_Displayable__1setScrollPosition() {
    for (int i = 0; i < 5; i++) popInt();
    dropReceiver(5);
}

void Java_javax_microedition_lcdui_Displayable_nativeGetCommandKey() {
    int32_t id = popInt();
    dropReceiver(1);
    const int32_t* table = lcduiGetCommandKeyTable();
    pushInt(id >= 100 && id <= 106 ? table[CommandKeyEntries[id - 100]] : -1);
}

void Java_javax_microedition_lcdui_Displayable_translateKeyCode() {
    int32_t index = popInt();
    dropReceiver(1);
    pushInt(mvKey_translateKeyCode(index));
}

void Java_javax_microedition_lcdui_Displayable__1getPlatformKeyCode() {
    int32_t keyCode = popInt();
    dropReceiver(1);
    pushInt(keyCode == 0 ? -1 : mvKey_getKeyIndex(keyCode));
}

void Java_javax_microedition_lcdui_Displayable_nativeDrawAniChars() { dropReceiver(0); }

void Java_javax_microedition_lcdui_Displayable_nativeGetUserKeyBase() {
    dropReceiver(0);
    pushInt(KEY_EXTENDED_BASE);
}

void Java_javax_microedition_lcdui_Displayable_enableMappedBackCommand() {
    dropReceiver(0);
    pushInt(0);
}

void Java_javax_microedition_lcdui_Displayable_checkCommandPriorityFirst() {
    dropReceiver(0);
    pushInt(0);
}

void Java_javax_microedition_lcdui_Displayable_getCommandTypePriority() {
    dropReceiver(0);
    ArrayObject* array = tryNewIntArray(CommandTypePriority, 9);
    if (array != nullptr) pushObject(array);
}

// ---------------------------------------------------------------------------------
// Display

void Java_javax_microedition_lcdui_Display_nativeInitializeDisplay() {
    dropReceiver(0);
    dispCreateVirtualScreen();
}

void Java_javax_microedition_lcdui_Display_nativeNumAlphaLevels() {
    dropReceiver(0);
    pushInt(dispGetVideoProperty()->alphaLevels);
}

void Java_javax_microedition_lcdui_Display_nativeClearArrows() {
    dropReceiver(0);
    MkSoftkeySetScrollState(0);
    MkSoftkeySetFocusState(0);
}

void Java_javax_microedition_lcdui_Display_nativeNeedUpdateListInit() {
    dropReceiver(0);
    pushInt(dispHasNeedUpdateList() ? 0 : dispNullDisplayableInit());
}

void Java_javax_microedition_lcdui_Display_nativeNeedUpdate() {
    OBJECT displayable = popObject();
    dropReceiver(1);
    pushInt(dispNeedUpdate(displayable) ? 0 : 1);
}

void Java_javax_microedition_lcdui_Display_nativeGetRepaintInterval() {
    dropReceiver(0);
    pushInt(0);
}

static void backlightRequest(int32_t argumentWords) {
    for (int32_t i = 0; i < argumentWords; i++) popInt();
    dropReceiver(argumentWords);
    if (dispGetBacklightFlash() != 0) dispSetBacklightFlash(0);
    pushInt(1);
}

void Java_javax_microedition_lcdui_Display_nativeStartBacklightFlash() { backlightRequest(1); }
void Java_javax_microedition_lcdui_Display_nativeStopBacklightFlash() { backlightRequest(0); }

void Java_javax_microedition_lcdui_Display_nativeStartVibration() {
    popInt();
    dropReceiver(1);
    pushInt(1);
}

void Java_javax_microedition_lcdui_Display_nativeStopVibration() {
    dropReceiver(0);
    pushInt(1);
}

// ---------------------------------------------------------------------------------
// OnScreenGraphics

void Java_javax_microedition_lcdui_OnScreenGraphics_nativeStartDraw() {
    dropReceiver(0);
    MkVideoStartDraw();
}

void Java_javax_microedition_lcdui_OnScreenGraphics_nativeEndDraw() {
    int32_t refresh = popInt();
    dropReceiver(1);
    MkVideoEndDraw(refresh);
}
