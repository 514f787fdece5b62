// KivConfirm natives.
#include "natives/ui/confirm_natives.h"

#include "graphics/mk_graphics.h"
#include "natives/lib/nativestack.h"
#include "natives/ui/kiv_natives.h"
#include "natives/ui/lcdui_natives.h"
#include "platform/vmsections.h"
#include "toolkit/guitk_confirm.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_screen.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"
#include "vm/services/amservice.h"

namespace {

VMBSS NativeFinalizerRecord ConfirmFinalizer;

int32_t confirmFinalize(OBJECT object, NativeFinalizerRecord*) { return kivPeerFinalize(object, KivConfirmDelete); }

typedef int32_t (*TextSetter)(int32_t, const uint16_t*, int32_t);

}  // namespace

void Java_com_movane_kiv_KivConfirm_nativeInit() {
    kivPeerInit(&ConfirmFinalizer, "com/movane/kiv/KivConfirm", confirmFinalize);
}
void Java_com_movane_kiv_KivConfirm_nativeCreate() { kivPeerCreate(KivConfirmCreate); }
void Java_com_movane_kiv_KivConfirm_nativeDelete() { KivConfirmDelete(popInt()); }

void Java_com_movane_kiv_KivConfirm_setPermissionIndex() { kivCallSetter(KivConfirmSetPermissionIndex); }
void Java_com_movane_kiv_KivConfirm_setMessage() { kivSetText(KivConfirmSetMessage); }
void Java_com_movane_kiv_KivConfirm_setTitle() { kivSetText(KivConfirmSetTitle); }
void Java_com_movane_kiv_KivConfirm_setTextOk() { kivSetText(KivConfirmSetTextOk); }
void Java_com_movane_kiv_KivConfirm_setTextCancel() { kivSetText(KivConfirmSetTextCancel); }
void Java_com_movane_kiv_KivConfirm_setOkKeyPos() { kivCallSetter(KivConfirmSetOkKeyPos); }
void Java_com_movane_kiv_KivConfirm_setCancelKeyPos() { kivCallSetter(KivConfirmSetCancelKeyPos); }
void Java_com_movane_kiv_KivConfirm_setInitialInteractionMode() { kivCallSetter(KivConfirmSetInitialInteractionMode); }
void Java_com_movane_kiv_KivConfirm_setInteractionModes() {
    int32_t modes = popInt();
    if (KivConfirmSetInteractionModes(kivGetHandle(popObject()), modes) < 0) throwOutOfMemoryObject();
}
void Java_com_movane_kiv_KivConfirm_setDialogType() { kivCallSetter(KivConfirmSetDialogType); }
void Java_com_movane_kiv_KivConfirm_setBackgroundColor() { kivCallSetter(KivConfirmSetBackgroundColor); }
void Java_com_movane_kiv_KivConfirm_setForegroundColor() { kivCallSetter(KivConfirmSetForegroundColor); }
void Java_com_movane_kiv_KivConfirm_setNativeDialogEvtHandler() {
    popObject();
    KivConfirmSetNativeDialogEvtHandler();
}

void Java_com_movane_kiv_KivConfirm_setTextExclusiveChoices() {
    StringInstance* second = (StringInstance*)popObject();
    StringInstance* first = (StringInstance*)popObject();
    int32_t handle = kivGetHandle(popObject());
    // both pinned at once: the toolkit takes the two in one call
    if (first != nullptr && lockStringChars(first) == nullptr) throwPendingException();
    if (second != nullptr && lockStringChars(second) == nullptr) {
        if (first != nullptr) unlockStringChars(first);
        throwPendingException();
    }
    int32_t result = KivConfirmSetTextExclusiveChoices(
        handle, first ? getStringCharsPointer(first) : nullptr, first ? getStringLength(first) : 0,
        second ? getStringCharsPointer(second) : nullptr, second ? getStringLength(second) : 0);
    if (second != nullptr) unlockStringChars(second);
    if (first != nullptr) unlockStringChars(first);
    if (result < 0) throwOutOfMemoryObject();
}

void Java_com_movane_kiv_KivConfirm_setClientInsets() {
    int32_t bottom = popInt(), right = popInt(), left = popInt(), top = popInt();
    KivConfirmSetClientInsets(top, left, right, bottom);
}

// The texts go in from the never row up, as the rows of the full mode set lie; a rebuild
// keeps the dialog's modes across it. All six stay pinned while the toolkit, which
// allocates from the same heap, copies them.
void Java_com_movane_kiv_KivConfirm_setTextChoices() {
    StringInstance* texts[6];
    for (int32_t k = 5; k >= 0; k--) texts[k] = (StringInstance*)popObject();
    int32_t rebuild = popInt();
    int32_t handle = kivGetHandle(popObject());
    for (StringInstance* t : texts)
        if (t == nullptr) raiseException(NullPointerException);
    for (int32_t k = 0; k < 6; k++) {
        if (lockStringChars(texts[k]) != nullptr) continue;
        while (--k >= 0) unlockStringChars(texts[k]);
        throwPendingException();
    }
    const TextSetter setters[6] = {KivConfirmSetChoiceText1, KivConfirmSetChoiceText2, KivConfirmSetChoiceText3,
                                   KivConfirmSetChoiceText4, KivConfirmSetChoiceText5, KivConfirmSetChoiceText6};
    int32_t keptModes = KivConfirmGetInteractionModes(handle);
    int32_t keptInitial = KivConfirmGetInitialInteractionMode(handle);
    bool ok = !rebuild || KivConfirmSetInteractionModes(handle, -1) >= 0;
    for (int32_t k = 5; k >= 0 && ok; k--)
        ok = setters[k](handle, getStringCharsPointer(texts[k]), getStringLength(texts[k])) >= 0;
    if (rebuild && ok) {
        ok = KivConfirmSetInteractionModes(handle, keptModes) >= 0;
        KivConfirmSetInitialInteractionMode(handle, keptInitial);
    }
    for (StringInstance* t : texts) unlockStringChars(t);
    if (!ok) throwOutOfMemoryObject();
}

// The constants: one named function each, as the class image names every native.
void Java_com_movane_kiv_KivConfirm_nativeGetConfirmNo() { pushInt(GUITK_TYPE_CONFIRM); }
void Java_com_movane_kiv_KivConfirm_nativeGetPermissionDialogNo() { pushInt(GUITK_CONFIRM_NUMBER); }
void Java_com_movane_kiv_KivConfirm_nativeGetTypeHttp() { pushInt(0); }
void Java_com_movane_kiv_KivConfirm_nativeGetResponse() { pushInt(GUITK_EVENT_CHANGED); }
void Java_com_movane_kiv_KivConfirm_nativeGetChoice() { pushInt(GUITK_EVENT_CHOICE); }
void Java_com_movane_kiv_KivConfirm_nativeGetCancelResponse() { pushInt(GUITK_EVENT_CANCEL_RESPONSE); }
void Java_com_movane_kiv_KivConfirm_nativeGetBlanket() { pushInt(GUITK_CONFIRM_BLANKET); }
void Java_com_movane_kiv_KivConfirm_nativeGetSession() { pushInt(GUITK_CONFIRM_SESSION); }
void Java_com_movane_kiv_KivConfirm_nativeGetOneShot() { pushInt(GUITK_CONFIRM_ONESHOT); }
void Java_com_movane_kiv_KivConfirm_nativeGetNo() { pushInt(GUITK_CONFIRM_NO); }
void Java_com_movane_kiv_KivConfirm_nativeGetDialogTypeNormal() { pushInt(GUITK_CONFIRM_NORMAL); }
void Java_com_movane_kiv_KivConfirm_nativeGetDialogTypeAlert() { pushInt(GUITK_CONFIRM_ALERT); }
void Java_com_movane_kiv_KivConfirm_nativeGetDialogTypeExclusive() { pushInt(GUITK_CONFIRM_EXCLUSIVE); }

#define NATIVE(name, descriptor, fn) \
    { name, descriptor, fn, #fn }
#define PEER(name, descriptor) NATIVE(#name, descriptor, Java_com_movane_kiv_KivConfirm_##name)
#define CONSTANT(name, value) NATIVE(#name, "()I", Java_com_movane_kiv_KivConfirm_##name)
const NativeMethodBinding KivConfirmNatives[KIV_CONFIRM_NATIVE_COUNT] = {
    PEER(nativeInit, "()Z"),
    PEER(nativeCreate, "(I)I"),
    PEER(nativeDelete, "(I)V"),
    PEER(setPermissionIndex, "(I)V"),
    PEER(setMessage, "(Ljava/lang/String;)V"),
    PEER(setTitle, "(Ljava/lang/String;)V"),
    PEER(setTextOk, "(Ljava/lang/String;)V"),
    PEER(setTextCancel, "(Ljava/lang/String;)V"),
    PEER(setOkKeyPos, "(I)V"),
    PEER(setCancelKeyPos, "(I)V"),
    PEER(setInitialInteractionMode, "(I)V"),
    PEER(setInteractionModes, "(I)V"),
    PEER(setDialogType, "(I)V"),
    PEER(setBackgroundColor, "(I)V"),
    PEER(setForegroundColor, "(I)V"),
    PEER(setNativeDialogEvtHandler, "()V"),
    PEER(setTextExclusiveChoices, "(Ljava/lang/String;Ljava/lang/String;)V"),
    PEER(setClientInsets, "(IIII)V"),
    PEER(setTextChoices,
         "(ZLjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;"
         "Ljava/lang/String;)V"),
    CONSTANT(nativeGetConfirmNo, GUITK_TYPE_CONFIRM),
    CONSTANT(nativeGetPermissionDialogNo, GUITK_CONFIRM_NUMBER),
    CONSTANT(nativeGetTypeHttp, 0),
    CONSTANT(nativeGetResponse, GUITK_EVENT_CHANGED),
    CONSTANT(nativeGetChoice, GUITK_EVENT_CHOICE),
    CONSTANT(nativeGetCancelResponse, GUITK_EVENT_CANCEL_RESPONSE),
    CONSTANT(nativeGetBlanket, GUITK_CONFIRM_BLANKET),
    CONSTANT(nativeGetSession, GUITK_CONFIRM_SESSION),
    CONSTANT(nativeGetOneShot, GUITK_CONFIRM_ONESHOT),
    CONSTANT(nativeGetNo, GUITK_CONFIRM_NO),
    CONSTANT(nativeGetDialogTypeNormal, GUITK_CONFIRM_NORMAL),
    CONSTANT(nativeGetDialogTypeAlert, GUITK_CONFIRM_ALERT),
    CONSTANT(nativeGetDialogTypeExclusive, GUITK_CONFIRM_EXCLUSIVE),
};

// ---- the dialog's screen ---------------------------------------------------------------

namespace {

void postRepaint(void) { AmPostRepaintRequest(); }
void postShowNotify(int32_t shown) { AmPostShowNotify(shown); }
void endDraw(void) { MkVideoEndDraw(1); }

// Java names a context by an int: only the toolkit's screen context is taken, so that no
// Java value is ever used as an address.
MkGraphicsContext* screenContext(int32_t g) {
    GuiTkGraphics screen = GuiTkGetScreenGraphics();
    return g == screen && screen != GUITK_NONE ? p32Ptr<MkGraphicsContext>(g) : nullptr;
}

void setClip(int32_t g, int32_t x, int32_t y, int32_t w, int32_t h) {
    MkGraphicsContext* ctx = screenContext(g);
    const int32_t rect[4] = {x, y, w, h};
    if (ctx != nullptr) MkGraphicsSetClip(ctx, rect);
}

void fillRect(int32_t g, int32_t color, int32_t x, int32_t y, int32_t w, int32_t h) {
    MkGraphicsContext* ctx = screenContext(g);
    const int32_t rect[4] = {x, y, w, h};
    if (ctx == nullptr) return;
    MkGraphicsSetColor(ctx, (uint32_t)color);
    MkGraphicsFillRect(ctx, rect);
}

}  // namespace

void confirmNatives_fillScreen(ConfirmDialogScreen* screen) {
    screen->obtainEventQueue = AmObtainEventQueue;
    screen->releaseEventQueue = AmReleaseEventQueue;
    screen->commandKeyTable = lcduiGetCommandKeyTable;
    screen->startDraw = MkVideoStartDraw;
    screen->endDraw = endDraw;
    screen->postRepaint = postRepaint;
    screen->postShowNotify = postShowNotify;
    screen->setClip = setClip;
    screen->fillRect = fillRect;
}
