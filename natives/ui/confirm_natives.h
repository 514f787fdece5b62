// The natives of com.movane.kiv.KivConfirm, the Java peer of the toolkit's confirmation
// dialog, with their own binding table (the UI bindings list it under the class).
#pragma once

#include <stdint.h>

#include "natives/lib/bindings.h"
#include "natives/lib/dialog_natives.h"

// A count the UI's class table can hold as a constant, so that the table stays read-only.
enum { KIV_CONFIRM_NATIVE_COUNT = 32 };
extern const NativeMethodBinding KivConfirmNatives[KIV_CONFIRM_NATIVE_COUNT];

// The dialog's screen as the UI gives it to the dialog natives: the event queues' dialog
// mode, the command keys, drawing on the screen context and the display's notices.
void confirmNatives_fillScreen(ConfirmDialogScreen* screen);

void Java_com_movane_kiv_KivConfirm_nativeInit();
void Java_com_movane_kiv_KivConfirm_nativeCreate();
void Java_com_movane_kiv_KivConfirm_nativeDelete();
void Java_com_movane_kiv_KivConfirm_setPermissionIndex();
void Java_com_movane_kiv_KivConfirm_setMessage();
void Java_com_movane_kiv_KivConfirm_setTitle();
void Java_com_movane_kiv_KivConfirm_setTextOk();
void Java_com_movane_kiv_KivConfirm_setTextCancel();
void Java_com_movane_kiv_KivConfirm_setOkKeyPos();
void Java_com_movane_kiv_KivConfirm_setCancelKeyPos();
void Java_com_movane_kiv_KivConfirm_setInitialInteractionMode();
void Java_com_movane_kiv_KivConfirm_setInteractionModes();
void Java_com_movane_kiv_KivConfirm_setDialogType();
void Java_com_movane_kiv_KivConfirm_setBackgroundColor();
void Java_com_movane_kiv_KivConfirm_setForegroundColor();
void Java_com_movane_kiv_KivConfirm_setNativeDialogEvtHandler();
void Java_com_movane_kiv_KivConfirm_setTextExclusiveChoices();
void Java_com_movane_kiv_KivConfirm_setClientInsets();
void Java_com_movane_kiv_KivConfirm_setTextChoices();
void Java_com_movane_kiv_KivConfirm_nativeGetConfirmNo();
void Java_com_movane_kiv_KivConfirm_nativeGetPermissionDialogNo();
void Java_com_movane_kiv_KivConfirm_nativeGetTypeHttp();
void Java_com_movane_kiv_KivConfirm_nativeGetResponse();
void Java_com_movane_kiv_KivConfirm_nativeGetChoice();
void Java_com_movane_kiv_KivConfirm_nativeGetCancelResponse();
void Java_com_movane_kiv_KivConfirm_nativeGetBlanket();
void Java_com_movane_kiv_KivConfirm_nativeGetSession();
void Java_com_movane_kiv_KivConfirm_nativeGetOneShot();
void Java_com_movane_kiv_KivConfirm_nativeGetNo();
void Java_com_movane_kiv_KivConfirm_nativeGetDialogTypeNormal();
void Java_com_movane_kiv_KivConfirm_nativeGetDialogTypeAlert();
void Java_com_movane_kiv_KivConfirm_nativeGetDialogTypeExclusive();
