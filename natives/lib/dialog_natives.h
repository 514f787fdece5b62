// Natives of the permission confirmation dialog, the application-state questions it and
// the display manager ask, and the display manager's MIDlet state. The dialog's screen,
// event queues and drawing belong to the UI toolkit: the natives reach them through a
// table the UI fills, whose defaults do nothing.
#pragma once

#include <stdint.h>

struct ConfirmDialogScreen {
    void (*obtainEventQueue)(int32_t dialog);  // events go to the dialog's queues
    void (*releaseEventQueue)(void);
    const int32_t* (*commandKeyTable)(void);  // entries 1 (cancel) and 4 (ok): key indices
    void (*startDraw)(void);
    void (*endDraw)(void);
    void (*postRepaint)(void);
    void (*postShowNotify)(int32_t shown);
    void (*setClip)(int32_t graphics, int32_t x, int32_t y, int32_t w, int32_t h);
    void (*fillRect)(int32_t graphics, int32_t color, int32_t x, int32_t y, int32_t w, int32_t h);
    int32_t (*setFullScreenMode)(int32_t on);
    int32_t (*getFullScreenMode)(void);
    int32_t (*accessClassCount)(void);
    const char* (*accessClassName)(int32_t index);
    // Completes a GUI event with the record through the completion of that index (Java
    // holds indices, never code addresses): 1, or 0 for an index naming none.
    int32_t (*runCompletion)(int32_t index, int32_t* record);
};

// Takes the set entries; null gives the defaults back.
void confirmDialog_setScreen(const ConfirmDialogScreen* screen);

// 2 inside startAppWrap, 3 inside pauseAppWrap, 4 inside destroyAppWrap of a class
// named MIDlet (in a package), the innermost deciding; 0 outside them.
int32_t findAppStateCallback(void);

void Java_com_movane_security_UserConfirmDialog_nativeGetDialog();
void Java_com_movane_security_UserConfirmDialog_obtainEventQueue();
void Java_com_movane_security_UserConfirmDialog_releaseEventQueue();
void Java_com_movane_security_UserConfirmDialog_nativeIsInterruption();
void Java_com_movane_security_UserConfirmDialog_nativeGetAppState();
void Java_com_movane_security_UserConfirmDialog_nativeRequestAppResume();
void Java_com_movane_security_UserConfirmDialog_nativeIsAppStateCallback();
void Java_com_movane_security_UserConfirmDialog_nativeFatalError();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeSystemExit();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetOkKeyIndex();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetCancelKeyIndex();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_notifyGUIEventDone();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeStartDraw();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeEndDraw();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativePostRepaint();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativePostShowNotify();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativePostHideNotify();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeSetClip();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeClearScreen();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeIsTrusted();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeSetFullScreenMode();
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetFullScreenMode();
void Java_com_movane_display_DisplayManager_nativeInit();
void Java_com_movane_display_DisplayManager_nativeGetMIDletState();
void Java_com_movane_display_DisplayManager_nativeDisplayableChanged();
void Java_com_movane_display_DisplayManager_nativeGetAccessClassNumber();
void Java_com_movane_display_DisplayManager_nativeGetAccessClassName();
