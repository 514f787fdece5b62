// The small natives of the high-level LCDUI classes that are not component peers: the
// text components' class set-up and extra check, the string item's fitting count, the
// screen's system exit, and the GUI-event classes through which Java answers a toolkit
// request.
#pragma once

#include <stdint.h>

void Java_javax_microedition_lcdui_TextComponent_nativeInit();
void Java_javax_microedition_lcdui_TextComponent_nativeExtraCheck();
void Java_javax_microedition_lcdui_TextField_nativeInit();
void Java_javax_microedition_lcdui_TextBox_nativeInit();
void Java_javax_microedition_lcdui_StringItem_nativeGetDrawableCount();
void Java_javax_microedition_lcdui_Screen_nativeSystemExit();
void Java_com_movane_kiv_AbstractKivGUIEvent_nativeInit();
void Java_com_movane_kiv_AbstractKivGUIEvent_nativeResponseIndex();
void Java_com_movane_kiv_KivGUIEvent_notifyDone();

// The extra checks a text component may name by index (its extraChkFunc, 1-based; 0 is
// none). The table is empty: no component has one yet.
typedef int32_t (*TextExtraCheck)(int32_t constraints, const uint16_t* chars, int32_t length);
enum { TEXT_EXTRA_CHECKS = 0 };
