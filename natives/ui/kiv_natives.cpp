// KivComponent, KivMIDP and KivKeyEvent natives, the host services lent to the toolkit,
// the event sink and the completion callbacks.
#include "natives/ui/kiv_natives.h"

#include "graphics/mk_dialog.h"
#include "graphics/mk_graphics.h"
#include "graphics/mk_image.h"
#include "platform/vmsections.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_host.h"
#include "toolkit/guitk_screen.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"
#include "vm/services/amservice.h"
#include "vm/services/memory.h"
#include "vm/services/vmstate.h"
#include "vm/trace/tracelog.h"

namespace {

struct KivState {
    cell* handleSlot;  // permanent word: the slot of kivHandle
    VmCallbackRecord callbacks;
    P32Fn<GuiTkEventCallback> completions[KIV_COMPLETION_SLOTS];
};
VMBSS KivState Kiv;

// ---- host services ----------------------------------------------------------------

[[noreturn]] void kivToolkitError(int32_t code) {
    mvTraceLog_error("GUIToolKit throws exception %d\n", code);
    nativeFatalError("GUIToolKit error");
}

int32_t kivMemFree(void* block) { return mvMemory_freePointer(block); }

// The toolkit's allocator answers -1, the VM's 0, when nothing could be had.
int32_t kivHandleAlloc(int32_t size) {
    MemHandle handle = mvMemory_allocHandle(size);
    return handle == 0 ? -1 : (int32_t)handle;
}

int32_t kivHandleFree(uint32_t handle) { return freeHandle(handle); }
void* kivHandleLock(uint32_t handle) { return handleLock(handle); }
int32_t kivHandleUnlock(uint32_t handle) { return handleUnlock(handle); }
int32_t TraceNoop(int32_t, int32_t, int32_t) { return 0; }

const GuiTkHostServices HostServices = {
    kivToolkitError,
    mvMemory_allocPointer,
    kivMemFree,
    kivHandleAlloc,
    kivHandleFree,
    kivHandleLock,
    kivHandleUnlock,
    MkFontGetDefault,
    MkFontGetHeight,
    MkFontCharsWidth,
    MkFontFitChars,
    MkGraphicsCreateContext,
    MkGraphicsDestroyContext,
    MkFontGetDescent,  // one field reader serves the context's font too
    MkGraphicsSetFont,
    MkFontGetLeading,  // and its colour
    MkGraphicsSetColor,
    MkFontGetAscent,  // and its stroke style
    MkGraphicsSetStrokeStyle,
    MkGraphicsGetClip,
    MkGraphicsSetClip,
    MkImageGetWidth,
    MkImageGetHeight,
    MkGraphicsGetWidth,
    MkGraphicsGetHeight,
    MkSoftkeySetLabel,
    MkSoftkeyResetLabels,
    MkSoftkeySetScrollState,
    TraceNoop,
    MkSoftkeySetFocusState,
    MkSoftkeyPaint,
    MkVideoGetProperty,
    MkVideoStartDraw,
    MkVideoEndDraw,
    MkGraphicsDrawLine,
    MkGraphicsDrawRect,
    MkGraphicsFillRect,
    MkGraphicsDrawChars,
    MkGraphicsDrawImage,
    MkVideoDrawOffScreen,
    MkVideoDrawRegionARGBImage,
    MkDrawDialogScreen,
};

void kivVmStopped(void*) { GuiTkFinalize(); }

// ---- the event sink ----------------------------------------------------------------

[[noreturn]] void sinkFailed(const char* why) {
    mvTraceLog_error(why);
    nativeFatalError("GUIToolKit error");
}

}  // namespace

const GuiTkHostServices* kivHostServices(void) { return &HostServices; }

int32_t kivGetHandle(OBJECT object) { return getIntFieldByIndex(object, (int)*Kiv.handleSlot); }

int32_t kivRegisterCompletion(GuiTkEventCallback callback) {
    for (int32_t i = 0; i < KIV_COMPLETION_SLOTS; i++) {
        if (Kiv.completions[i].get() == callback) return i;
        if (Kiv.completions[i].get() == nullptr) {
            Kiv.completions[i] = callback;
            return i;
        }
    }
    return KIV_NO_COMPLETION;
}

int32_t kivCompletionIndex(int32_t addressWord) {
    if (addressWord == 0) return KIV_NO_COMPLETION;
    for (int32_t i = 0; i < KIV_COMPLETION_SLOTS && Kiv.completions[i].get() != nullptr; i++) {
        if ((int32_t)Kiv.completions[i].w == addressWord) return i;
    }
    return KIV_NO_COMPLETION;
}

int32_t kivRunCompletion(int32_t index, int32_t* block) {
    if (index < 0 || index >= KIV_COMPLETION_SLOTS) return 0;
    GuiTkEventCallback callback = Kiv.completions[index].get();
    if (callback == nullptr) return 0;
    callback(block);
    return 1;
}

int32_t kivPostGuiEvent(GuiTkEventCallback callback, GuiTkEvent* event) {
    // entered before the post: the queue may complete a coalesced request at once
    if (kivRegisterCompletion(callback) < 0) sinkFailed("GUI completion table full!\n");
    int32_t type = event->component != -1 ? CompGetType(event->component) : 0;
    int32_t posted = AmPostRequest(event->component, type, event->code, event->args[0], event->args[1], event->args[2],
                                   event->args[3], event->word0, callback);
    if (posted == 0) sinkFailed("GUI event queue full!\n");
    return posted;
}

// ---- the peers' shared pattern ------------------------------------------------------------

void kivSetText(int32_t (*operation)(int32_t, const uint16_t*, int32_t)) {
    StringInstance* text = (StringInstance*)popObject();
    int32_t handle = kivGetHandle(popObject());
    int32_t result;
    if (text == nullptr) {
        result = operation(handle, nullptr, 0);
    } else {
        // pinned: the toolkit allocates while it copies the characters
        if (lockStringChars(text) == nullptr) throwPendingException();
        result = operation(handle, getStringCharsPointer(text), getStringLength(text));
        unlockStringChars(text);
    }
    if (result < 0) throwOutOfMemoryObject();
}

void kivPeerInit(NativeFinalizerRecord* record, const char* className,
                 int32_t (*finalizer)(OBJECT, NativeFinalizerRecord*)) {
    if (record->clazz != nullptr) {  // registered already in this run: a second link would loop the list
        pushInt(1);
        return;
    }
    ClassRecord* clazz = tryGetClass(className);
    if (clazz == nullptr) {
        pushInt(0);
        return;
    }
    record->clazz = clazz;
    record->finalizer = finalizer;
    pushInt(registerNativeFinalizer(record) == 0);
}

int32_t kivPeerFinalize(OBJECT object, void (*destroy)(int32_t)) {
    if (Kiv.handleSlot == nullptr) return 0;
    int32_t handle = kivGetHandle(object);
    // 0: the constructor never got as far as its peer
    if (handle != -1 && handle != 0) destroy(handle);
    return 0;
}

void kivPeerCreate(int32_t (*create)(int32_t)) {
    int32_t handle = create(popInt());
    if (handle == -1) {
        throwOutOfMemoryObject();
        return;
    }
    pushInt(handle);
}

// ---- start and stop ------------------------------------------------------------------

void Java_com_movane_kiv_KivComponent_nativeInit() {
    if (GuiTkInitialize(0, nullptr, &HostServices) < 0) {
        pushInt(0);
        return;
    }
    CompSetDefaultHandler(kivPostGuiEvent);
    Kiv.callbacks = VmCallbackRecord{};
    Kiv.callbacks.stopped = kivVmStopped;
    if (mvVmCallback_registerFunction(&Kiv.callbacks) == 0) {
        GuiTkFinalize();
        pushInt(0);
        return;
    }
    Kiv.handleSlot = callocPermanentObject(1);
    ClassRecord* component = tryGetClass("com/movane/kiv/KivComponent");
    if (component == nullptr) {
        pushInt(0);
        return;
    }
    *Kiv.handleSlot = getFieldIndex("kivHandle", "I", component);
    pushInt(1);
}

void Java_com_movane_kiv_KivComponent_nativeUIGraphicsInit() {
    if (GuiTkRecreateScreenContext() < 0) {
        throwOutOfMemoryObject();
        return;
    }
    pushInt(1);
}

// ---- static natives --------------------------------------------------------------------

void Java_com_movane_kiv_KivComponent_getPrefGlobalColor() { pushInt((int32_t)CompGetGlobalColor(popInt())); }
void Java_com_movane_kiv_KivComponent_getGraphics() { pushInt(GuiTkGetScreenGraphics()); }
void Java_com_movane_kiv_KivComponent_relayoutAll() { CompRelayoutAll(); }
void Java_com_movane_kiv_KivComponent_setGrobalLanguageDirection() { CompSetLanguageDirection(popInt()); }

// ---- instance natives ------------------------------------------------------------------

void Java_com_movane_kiv_KivComponent_getType() { kivCallGetter(CompGetType); }
void Java_com_movane_kiv_KivComponent_setFocusPolicy() { kivCallSetter(CompSetFocusPolicy); }
void Java_com_movane_kiv_KivComponent_getFocusPolicy() { kivCallGetter(CompGetFocusPolicy); }
void Java_com_movane_kiv_KivComponent_setState() { kivCallSetter(CompSetState); }
void Java_com_movane_kiv_KivComponent_getState() { kivCallGetter(CompGetState); }
void Java_com_movane_kiv_KivComponent_setAlignmentX() { kivCallSetter(CompSetAlignmentX); }
void Java_com_movane_kiv_KivComponent_getX() { kivCallGetter(CompGetX); }
void Java_com_movane_kiv_KivComponent_getY() { kivCallGetter(CompGetY); }
void Java_com_movane_kiv_KivComponent_getWidth() { kivCallGetter(CompGetWidth); }
void Java_com_movane_kiv_KivComponent_getHeight() { kivCallGetter(CompGetHeight); }
void Java_com_movane_kiv_KivComponent_getPreferredWidth() { kivCallGetter(CompGetPreferredWidth); }
void Java_com_movane_kiv_KivComponent_getPreferredHeight() { kivCallGetter(CompGetPreferredHeight); }
void Java_com_movane_kiv_KivComponent_getPreferredWidthWithRespectToHeight() {
    int32_t height = popInt();
    pushInt(CompGetPreferredWidthForHeight(kivGetHandle(popObject()), height));
}
void Java_com_movane_kiv_KivComponent_getPreferredHeightWithRespectToWidth() {
    int32_t width = popInt();
    pushInt(CompGetPreferredHeightForWidth(kivGetHandle(popObject()), width));
}
void Java_com_movane_kiv_KivComponent_getMinimumWidth() { kivCallGetter(CompGetMinimumWidth); }
void Java_com_movane_kiv_KivComponent_getMinimumHeight() { kivCallGetter(CompGetMinimumHeight); }
void Java_com_movane_kiv_KivComponent_getInsetTop() { kivCallGetter(CompGetInsetTop); }
void Java_com_movane_kiv_KivComponent_getInsetLeft() { kivCallGetter(CompGetInsetLeft); }
void Java_com_movane_kiv_KivComponent_getInsetRight() { kivCallGetter(CompGetInsetRight); }
void Java_com_movane_kiv_KivComponent_getInsetBottom() { kivCallGetter(CompGetInsetBottom); }
void Java_com_movane_kiv_KivComponent_setFont() { kivCallSetter(CompSetFont); }
void Java_com_movane_kiv_KivComponent_setTruncateMode() { kivCallSetter(CompSetTruncateMode); }
void Java_com_movane_kiv_KivComponent_show() { kivCallSetter(CompShow); }
void Java_com_movane_kiv_KivComponent_paint() { kivCallSetter(CompPaint); }
void Java_com_movane_kiv_KivComponent_hide() { CompHide(kivGetHandle(popObject())); }

void Java_com_movane_kiv_KivComponent_setLocation() {
    int32_t y = popInt(), x = popInt();
    CompSetLocation(kivGetHandle(popObject()), x, y);
}

void Java_com_movane_kiv_KivComponent_setSize() {
    int32_t height = popInt(), width = popInt();
    CompSetSize(kivGetHandle(popObject()), width, height);
}

void Java_com_movane_kiv_KivComponent_processKeyEvent() {
    int32_t character = popInt(), key = popInt(), kind = popInt();
    GuiTkKeyEvent event = {kivGetHandle(popObject()), kind, key, character};
    pushInt(CompProcessKeyEvent(&event));
}

void Java_com_movane_kiv_KivComponent_processPointerEvent() {
    int32_t y = popInt(), x = popInt(), argument = popInt(), kind = popInt();
    GuiTkPointerEvent event = {kivGetHandle(popObject()), {kind, argument, x, y}};
    pushInt(CompProcessPointerEvent(&event));
}

// ---- constants -------------------------------------------------------------------------

#define KIV_DEFINE_CONSTANT(v) \
    void kivPush_##v() { pushInt(v); }
KIV_CONSTANTS(KIV_DEFINE_CONSTANT)
#undef KIV_DEFINE_CONSTANT
void kivPushMinusOne() { pushInt(-1); }
