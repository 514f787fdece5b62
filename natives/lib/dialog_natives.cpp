// Confirmation dialog, application-state and display-manager natives.
#include "natives/lib/dialog_natives.h"

#include <stdio.h>
#include <string.h>

#include "natives/lib/nativestack.h"
#include "platform/vmsections.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/interp.h"
#include "vm/core/native.h"
#include "vm/core/tables.h"
#include "vm/services/vmstate.h"

static const char DialogClassName[] = "com.movane.security.midp20.UserConfirmDialogImpl";

enum {
    STATE_APP_PAUSE_REQUEST = 0x01,
    STATE_INTERRUPTIONS = 0x0E,
    COMMAND_KEY_CANCEL = 1,
    COMMAND_KEY_OK = 4,
    SOFT_KEY_FIRST = 21,
    SOFT_KEY_LAST = 23,
    WHITE = 0xFFFFFF,
};

static void noQueue(int32_t) {}
static void nothing(void) {}
static const int32_t* noKeyTable(void) { return nullptr; }
static void noShowNotify(int32_t) {}
static void noClip(int32_t, int32_t, int32_t, int32_t, int32_t) {}
static void noFill(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
static int32_t noFullScreen(int32_t) { return 0; }
static int32_t zero(void) { return 0; }
static const char* noName(int32_t) { return nullptr; }
static int32_t noCompletion(int32_t, int32_t*) { return 0; }

static const ConfirmDialogScreen DefaultScreen = {noQueue, nothing,      noKeyTable, nothing,     nothing,
                                                  nothing, noShowNotify, noClip,     noFill,      noFullScreen,
                                                  zero,    zero,         noName,     noCompletion};

// The screen is given once by the program's start-up and serves every run, so it lives
// with the host's hooks (a run's reset clears vmbss).
struct DialogScreenHooks {
    ConfirmDialogScreen screen;
    int32_t screenSet;
};
static VMHOOKS DialogScreenHooks DialogScreen;

struct DialogNativeState {
    int32_t stateFieldIndex;  // of MIDlet's "_state", plus one; 0 while unknown
};
static VMBSS DialogNativeState Dialog;

template <typename Fn>
static void take(Fn* slot, Fn given, Fn fallback) {
    *slot = given != nullptr ? given : fallback;
}

void confirmDialog_setScreen(const ConfirmDialogScreen* s) {
    DialogScreen.screenSet = s != nullptr;
    if (s == nullptr) return;
    const ConfirmDialogScreen& d = DefaultScreen;
    ConfirmDialogScreen& t = DialogScreen.screen;
    take(&t.obtainEventQueue, s->obtainEventQueue, d.obtainEventQueue);
    take(&t.releaseEventQueue, s->releaseEventQueue, d.releaseEventQueue);
    take(&t.commandKeyTable, s->commandKeyTable, d.commandKeyTable);
    take(&t.startDraw, s->startDraw, d.startDraw);
    take(&t.endDraw, s->endDraw, d.endDraw);
    take(&t.postRepaint, s->postRepaint, d.postRepaint);
    take(&t.postShowNotify, s->postShowNotify, d.postShowNotify);
    take(&t.setClip, s->setClip, d.setClip);
    take(&t.fillRect, s->fillRect, d.fillRect);
    take(&t.setFullScreenMode, s->setFullScreenMode, d.setFullScreenMode);
    take(&t.getFullScreenMode, s->getFullScreenMode, d.getFullScreenMode);
    take(&t.accessClassCount, s->accessClassCount, d.accessClassCount);
    take(&t.accessClassName, s->accessClassName, d.accessClassName);
    take(&t.runCompletion, s->runCompletion, d.runCompletion);
}

// These natives serve static and instance methods alike: a receiver, when there is one,
// lies below the arguments.
static void dropReceiver(int32_t argumentWords) {
    if (CurrentNativeMethod != nullptr && CurrentNativeMethod->argCount > argumentWords) popObject();
}

static const ConfirmDialogScreen* screen() { return DialogScreen.screenSet ? &DialogScreen.screen : &DefaultScreen; }

// ---------------------------------------------------------------------------------
// Application state

static bool nameIs(const NameTableEntry* name, const char* text) {
    return name != nullptr && name->length == strlen(text) && memcmp(name->bytes, text, name->length) == 0;
}

int32_t findAppStateCallback(void) {
    static const struct {
        const char* method;
        int32_t code;
    } Wraps[] = {{"pauseAppWrap", 3}, {"destroyAppWrap", 4}, {"startAppWrap", 2}};
    for (FrameRecord* fp = Regs.fp; fp != nullptr; fp = fp->previousFp) {
        MethodRecord* m = fp->thisMethod;
        ClassRecord* c = m ? m->ofClass : nullptr;
        if (c == nullptr || c->packageName == nullptr || c->packageName->length == 0 || !nameIs(c->baseName, "MIDlet"))
            continue;
        int length = 0;
        const char* name = changeKeyToName(m->nt.k.nameKey, &length);
        for (const auto& w : Wraps) {
            if (name != nullptr && length == (int)strlen(w.method) && memcmp(name, w.method, (size_t)length) == 0)
                return w.code;
        }
    }
    return 0;
}

void Java_com_movane_security_UserConfirmDialog_nativeGetDialog() {
    dropReceiver(0);
    StringInstance* s = tryInstantiateString(DialogClassName, (int32_t)strlen(DialogClassName));
    if (s != nullptr) pushObject(s);
}

void Java_com_movane_security_UserConfirmDialog_obtainEventQueue() {
    dropReceiver(0);
    screen()->obtainEventQueue(1);
}
void Java_com_movane_security_UserConfirmDialog_releaseEventQueue() {
    dropReceiver(0);
    screen()->releaseEventQueue();
}

void Java_com_movane_security_UserConfirmDialog_nativeIsInterruption() {
    int32_t s = popInt();
    dropReceiver(1);
    int32_t mask = mvVm_getStateFlags();
    pushInt((mask & STATE_INTERRUPTIONS) != 0 && (mask & MV_STATE_STOPPED) != s);
}

void Java_com_movane_security_UserConfirmDialog_nativeGetAppState() {
    dropReceiver(0);
    pushInt(mvVm_getStateFlags());
}

void Java_com_movane_security_UserConfirmDialog_nativeRequestAppResume() {
    dropReceiver(0);
    if (mvVm_getStateFlags() & STATE_APP_PAUSE_REQUEST) mvVm_setAppPaused(1);
}

void Java_com_movane_security_UserConfirmDialog_nativeIsAppStateCallback() {
    dropReceiver(0);
    pushInt(findAppStateCallback());
}

void Java_com_movane_security_UserConfirmDialog_nativeFatalError() {
    fatalError("[permission] InterruptedException occurred in Permission Confirmation Dialog.");
}

// ---------------------------------------------------------------------------------
// The dialog

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeSystemExit() { vmExitLongjmp(-127); }

// A soft key 21..23 of the command-key table gives 1..3; anything else the default.
static int32_t softKey(int32_t entry, int32_t fallback) {
    const int32_t* table = screen()->commandKeyTable();
    int32_t key = table != nullptr ? table[entry] : 0;
    return key >= SOFT_KEY_FIRST && key <= SOFT_KEY_LAST ? key - 20 : fallback;
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetOkKeyIndex() {
    dropReceiver(0);
    pushInt(softKey(COMMAND_KEY_OK, 1));
}
void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetCancelKeyIndex() {
    dropReceiver(0);
    pushInt(softKey(COMMAND_KEY_CANCEL, 2));
}

// The last argument is the index of the event's completion (-1: none). It used to be a
// code address in a Java int, which let a program call any function of the VM.
void Java_com_movane_security_midp20_UserConfirmDialogImpl_notifyGUIEventDone() {
    int32_t index = popInt();
    int32_t a[9];
    for (int i = 8; i >= 1; i--) a[i] = popInt();
    dropReceiver(9);
    int32_t record[8] = {a[8], a[1], a[3], a[4], a[5], a[6], a[7], a[2]};
    if (index == -1) return;
    if (screen()->runCompletion(index, record) == 0) {
        char message[48];
        snprintf(message, sizeof message, "responseHandler: %ld", (long)index);
        tryRaiseExceptionWithMessage("java/lang/IllegalArgumentException", message);
    }
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeStartDraw() {
    dropReceiver(0);
    screen()->startDraw();
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeEndDraw() {
    dropReceiver(0);
    screen()->endDraw();
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativePostRepaint() {
    dropReceiver(0);
    screen()->postRepaint();
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativePostShowNotify() {
    dropReceiver(0);
    screen()->postShowNotify(1);
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativePostHideNotify() {
    dropReceiver(0);
    screen()->postShowNotify(0);
}

struct Rect {
    int32_t g, x, y, w, h;
};

static Rect popRect() {
    Rect r;
    r.h = popInt();
    r.w = popInt();
    r.y = popInt();
    r.x = popInt();
    r.g = popInt();
    dropReceiver(5);
    return r;
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeSetClip() {
    Rect r = popRect();
    screen()->setClip(r.g, r.x, r.y, r.w, r.h);
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeClearScreen() {
    Rect r = popRect();
    screen()->setClip(r.g, r.x, r.y, r.w, r.h);
    screen()->fillRect(r.g, WHITE, r.x, r.y, r.w, r.h);
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeIsTrusted() {
    dropReceiver(0);
    pushInt(mvVm_isTrusted() == 1);
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeSetFullScreenMode() {
    int32_t on = popInt();
    dropReceiver(1);
    pushInt(screen()->setFullScreenMode(on) != 0);
}

void Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetFullScreenMode() {
    dropReceiver(0);
    pushInt(screen()->getFullScreenMode() != 0);
}

// ---------------------------------------------------------------------------------
// The display manager

void Java_com_movane_display_DisplayManager_nativeInit() {
    dropReceiver(0);
    ClassRecord* midlet = tryGetClass("javax/microedition/midlet/MIDlet");
    if (midlet == nullptr) return;
    int index = getFieldIndex("_state", "I", midlet);
    Dialog.stateFieldIndex = index >= 0 ? index + 1 : 0;
}

void Java_com_movane_display_DisplayManager_nativeGetMIDletState() {
    OBJECT midlet = popObject();
    dropReceiver(1);
    if (midlet == nullptr) raiseException(NullPointerException);
    pushInt(Dialog.stateFieldIndex > 0 ? getIntFieldByIndex(midlet, Dialog.stateFieldIndex - 1) : 0);
}

void Java_com_movane_display_DisplayManager_nativeDisplayableChanged() {
    popInt();
    popInt();
    dropReceiver(2);
}

void Java_com_movane_display_DisplayManager_nativeGetAccessClassNumber() {
    dropReceiver(0);
    pushInt(screen()->accessClassCount());
}

void Java_com_movane_display_DisplayManager_nativeGetAccessClassName() {
    int32_t index = popInt();
    dropReceiver(1);
    const char* name = screen()->accessClassName(index);
    if (name == nullptr) raiseException("java/lang/IllegalArgumentException");
    StringInstance* s = tryInstantiateString(name, (int32_t)strlen(name));
    if (s != nullptr) pushObject(s);
}
