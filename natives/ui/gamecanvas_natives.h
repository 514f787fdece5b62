// GameCanvas natives: the full-screen size measured once, the context that draws on the
// screen, the flush of the off-screen buffer and the latched game-key states.
#pragma once

#include <stdint.h>

void Java_javax_microedition_lcdui_game_GameCanvas_initializeStaticValues();
void Java_javax_microedition_lcdui_game_GameCanvas_getFullScreenWidth();
void Java_javax_microedition_lcdui_game_GameCanvas_getFullScreenHeight();
void Java_javax_microedition_lcdui_game_GameCanvas_createGraphicsContext();
void Java_javax_microedition_lcdui_game_GameCanvas_initializeGameCanvas();
void Java_javax_microedition_lcdui_game_GameCanvas_nativeFlushGraphics();
void Java_javax_microedition_lcdui_game_GameCanvas_nativeGetKeyStates();
void Java_javax_microedition_lcdui_game_GameCanvas_nativeClearKeyStates();
void Java_javax_microedition_lcdui_game_GameCanvas_getOffScreenID();
