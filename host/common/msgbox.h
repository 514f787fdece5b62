// The host's plain message boxes: kind 1 the resume-or-stop prompt, 2 the rotation
// notice, any other an error notice; and the hook that watches a box while it is up.
#pragma once

#include "platform/window.h"

enum { MSGBOX_NONE = 0, MSGBOX_RESUME = 1, MSGBOX_ROTATION = 2, MSGBOX_ERROR = 3 };

// The button chosen (IDYES = 6 ...).
int32_t ShowMessageBox(HWND owner, int32_t kind, const wchar_t* text);
int32_t GetMessageBoxKind(void);
int32_t SetMessageBoxKind(int32_t kind);  // the old kind
HWND GetHookedMessageBox(void);
void ForgetMessageBoxHook(void);
// 1 when the box now up was found and hooked.
int32_t HookMessageBox(HWND owner, HWND focusWindow);
const wchar_t* MessageBoxCaption(int32_t kind);
