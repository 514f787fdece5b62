// The small platform calls of the back end: soft-key labels, the default command keys,
// alert sounds, the option strings of the permission prompt, and the full-screen
// two-button confirmation screen the toolkit draws through its host services.
#pragma once

#include "graphics/mk_graphics.h"

#include <stdint.h>

enum { MK_SOFTKEY_LABEL_MAX = 10 };

void MkSoftkeySetLabel(const uint16_t* chars, int32_t count, int32_t key);
void MkSoftkeyResetLabels(void);
void MkSoftkeySetScrollState(int32_t value);
int32_t MkSoftkeyGetScrollState(void);
void MkSoftkeySetFocusState(int32_t value);
void MkSoftkeyPaint(void);
void MkGetDefaultCommandKeys(int32_t* table);  // seven entries
int32_t MkAlertPlaySound(int32_t kind);        // 1 when a sound played
// The option text whose key starts with the first length characters of key; null when
// none does. The text stays valid until the next call.
const uint16_t* MkOptionGetString(const char* key, int32_t length, int32_t* outLength);
// Handles the key event (-1 reset, 16 left, 18 right, 20 select), then draws the screen;
// after a select 16 means "YES" and 32 "NO", otherwise 0.
int32_t MkDrawDialogScreen(MkGraphicsContext* ctx, int32_t unused, int32_t event, const uint16_t* title,
                           int32_t titleLength, const uint16_t* body, int32_t bodyLength);
void MkTracePrint(const char* text);
