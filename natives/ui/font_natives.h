// The natives of javax.microedition.lcdui.Font (creating fonts, measuring text, metrics)
// and of com.movane.util.Rectangle (the layout code's rectangle arithmetic).
#pragma once

#include "natives/ui/graphics_natives.h"

// Grows a to hold b as well; a rectangle of negative size holds nothing.
void RectUnion(GfxRect* a, const GfxRect& b);

void Java_javax_microedition_lcdui_Font_initializeIndex();
void Java_javax_microedition_lcdui_Font_nativeCreateFont();
void Java_javax_microedition_lcdui_Font_nativeGetDefault();
void Java_javax_microedition_lcdui_Font_charWidth();
void Java_javax_microedition_lcdui_Font_charsWidth();
void Java_javax_microedition_lcdui_Font_substringWidth();
void Java_javax_microedition_lcdui_Font_nativeGetHeight();
void Java_javax_microedition_lcdui_Font_nativeGetBaselinePosition();
void Java_javax_microedition_lcdui_Font_nativeGetType();
void Java_javax_microedition_lcdui_Font_nativeGetSize();
void Java_javax_microedition_lcdui_Font_nativeGetInvalidHandle();
void Java_javax_microedition_lcdui_Font_registNativeFinalizer();

void Java_com_movane_util_Rectangle_initializeFieldIndex();
void Java_com_movane_util_Rectangle_contains__IIIIII();
void Java_com_movane_util_Rectangle_contains__IIIIIIII();
void Java_com_movane_util_Rectangle_intersects();
void Java_com_movane_util_Rectangle_intersection();
void Java_com_movane_util_Rectangle_union();
