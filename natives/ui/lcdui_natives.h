// Natives of Canvas (screen size, key codes, game actions), Displayable (full-screen
// mode, soft-key labels, command keys, key-code translation, command priorities) and
// Display (alpha levels, arrows, the no-update test, backlight and vibration), with the
// full-screen word the permission dialog and GameCanvas share.
#pragma once

#include <stdint.h>

enum { LCDUI_GAME_ACTION_KEYS = 27, LCDUI_COMMAND_KEYS = 7 };

// The screen layer's answer; the word keeps the mode when it was accepted.
int32_t lcduiSetFullScreenMode(int32_t on);
int32_t lcduiGetFullScreenMode(void);
const int32_t* lcduiGetCommandKeyTable(void);
// Gives the permission dialog the full-screen words and the display manager's access
// classes; the program's start-up calls it once.
void lcdui_installServices(void);

void Java_javax_microedition_lcdui_Canvas_setDisplayInfo();
void Java_javax_microedition_lcdui_Canvas_nativeGetWidth();
void Java_javax_microedition_lcdui_Canvas_nativeGetHeight();
void Java_javax_microedition_lcdui_Canvas_nativeUpdateScreenProperty();
void Java_javax_microedition_lcdui_Canvas_nativeInitGameAction();
void Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode();
void Java_javax_microedition_lcdui_Canvas_nativeGetGameAction();
void Java_javax_microedition_lcdui_Canvas_nativeGetKeyName();
void Java_javax_microedition_lcdui_Canvas_nativeIsNecessaryKeycodeBackwardCompatible();

void Java_javax_microedition_lcdui_Displayable_nativeSetFullScreenMode();
void Java_javax_microedition_lcdui_Displayable_nativeGetFullScreenMode();
void Java_javax_microedition_lcdui_Displayable_nativeSetHighLevelGraphics();
void Java_javax_microedition_lcdui_Displayable_nativeSetSoftLabel();
void Java_javax_microedition_lcdui_Displayable_nativeResetSoftLabels();
void Java_javax_microedition_lcdui_Displayable_nativePaintSoftkey();
void Java_javax_microedition_lcdui_Displayable__1setFocusState();
void Java_javax_microedition_lcdui_Displayable__1setScrollState();
void Java_javax_microedition_lcdui_Displayable__1setScrollPosition();
void Java_javax_microedition_lcdui_Displayable_nativeGetCommandKey();
void Java_javax_microedition_lcdui_Displayable_translateKeyCode();
void Java_javax_microedition_lcdui_Displayable__1getPlatformKeyCode();
void Java_javax_microedition_lcdui_Displayable_nativeDrawAniChars();
void Java_javax_microedition_lcdui_Displayable_nativeGetUserKeyBase();
void Java_javax_microedition_lcdui_Displayable_enableMappedBackCommand();
void Java_javax_microedition_lcdui_Displayable_checkCommandPriorityFirst();
void Java_javax_microedition_lcdui_Displayable_getCommandTypePriority();

// The display's first use starts the virtual screen (the same work as the MIDlet's
// nativeInitializeDisplay).
void Java_javax_microedition_lcdui_Display_nativeInitializeDisplay();
void Java_javax_microedition_lcdui_Display_nativeNumAlphaLevels();
void Java_javax_microedition_lcdui_Display_nativeClearArrows();
void Java_javax_microedition_lcdui_Display_nativeNeedUpdateListInit();
void Java_javax_microedition_lcdui_Display_nativeNeedUpdate();
void Java_javax_microedition_lcdui_Display_nativeGetRepaintInterval();
void Java_javax_microedition_lcdui_Display_nativeStartBacklightFlash();
void Java_javax_microedition_lcdui_Display_nativeStopBacklightFlash();
void Java_javax_microedition_lcdui_Display_nativeStartVibration();
void Java_javax_microedition_lcdui_Display_nativeStopVibration();

// The drawing bracket of the Java painters: raise the VM thread for drawing, and end the
// drawing (a non-zero flag refreshes the screen).
void Java_javax_microedition_lcdui_OnScreenGraphics_nativeStartDraw();
void Java_javax_microedition_lcdui_OnScreenGraphics_nativeEndDraw();
