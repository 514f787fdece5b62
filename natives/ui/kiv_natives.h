// The Java side's entry into the component toolkit: the natives of KivComponent, KivMIDP
// and KivKeyEvent, the host services the VM lends the toolkit, the event sink that posts
// toolkit events to the UI queue, and the table of completion callbacks through which a
// request's Java half answers it. Java never holds a callback's address, only its index
// in that table, so no Java int is ever called as code.
#pragma once

#include <stdint.h>

#include "natives/lib/nativestack.h"
#include "toolkit/guitk_comp.h"
#include "vm/core/records.h"

// The component handle of a peer object (its kivHandle).
int32_t kivGetHandle(OBJECT object);

// Instance natives that pass the receiver's handle to one toolkit operation: a getter
// pushes the result; a setter pops its int argument and drops the result.
template <typename R>
void kivCallGetter(R (*operation)(int32_t)) {
    pushInt((int32_t)operation(kivGetHandle(popObject())));
}
template <typename R, typename A>
void kivCallSetter(R (*operation)(int32_t, A)) {
    int32_t value = popInt();
    operation(kivGetHandle(popObject()), (A)value);
}

// The toolkit's host-service table as this VM fills it.
const GuiTkHostServices* kivHostServices(void);
// The event sink: the toolkit's default event handler.
int32_t kivPostGuiEvent(GuiTkEventCallback callback, GuiTkEvent* event);

// Completion callbacks by index. A request's callback is entered when the sink posts it;
// Java asks for its index with the address word the request carries and answers the
// request through that index.
enum { KIV_COMPLETION_SLOTS = 16, KIV_NO_COMPLETION = -1 };
// The callback's index, entered if new; -1 when the table is full.
int32_t kivRegisterCompletion(GuiTkEventCallback callback);
// The index of the entered callback at this address word; -1 for any other word.
int32_t kivCompletionIndex(int32_t addressWord);
// Calls the callback of an index with the block: 1, or 0 (nothing called) for an index
// that names no entered callback.
int32_t kivRunCompletion(int32_t index, int32_t* block);

void Java_com_movane_kiv_KivComponent_nativeInit();
void Java_com_movane_kiv_KivComponent_nativeUIGraphicsInit();
void Java_com_movane_kiv_KivComponent_getPrefGlobalColor();
void Java_com_movane_kiv_KivComponent_getGraphics();
void Java_com_movane_kiv_KivComponent_relayoutAll();
void Java_com_movane_kiv_KivComponent_setGrobalLanguageDirection();
void Java_com_movane_kiv_KivComponent_getType();
void Java_com_movane_kiv_KivComponent_setFocusPolicy();
void Java_com_movane_kiv_KivComponent_getFocusPolicy();
void Java_com_movane_kiv_KivComponent_setState();
void Java_com_movane_kiv_KivComponent_getState();
void Java_com_movane_kiv_KivComponent_setAlignmentX();
void Java_com_movane_kiv_KivComponent_setLocation();
void Java_com_movane_kiv_KivComponent_getX();
void Java_com_movane_kiv_KivComponent_getY();
void Java_com_movane_kiv_KivComponent_setSize();
void Java_com_movane_kiv_KivComponent_getWidth();
void Java_com_movane_kiv_KivComponent_getHeight();
void Java_com_movane_kiv_KivComponent_getPreferredWidth();
void Java_com_movane_kiv_KivComponent_getPreferredHeight();
void Java_com_movane_kiv_KivComponent_getPreferredWidthWithRespectToHeight();
void Java_com_movane_kiv_KivComponent_getPreferredHeightWithRespectToWidth();
void Java_com_movane_kiv_KivComponent_getMinimumWidth();
void Java_com_movane_kiv_KivComponent_getMinimumHeight();
void Java_com_movane_kiv_KivComponent_getInsetTop();
void Java_com_movane_kiv_KivComponent_getInsetLeft();
void Java_com_movane_kiv_KivComponent_getInsetRight();
void Java_com_movane_kiv_KivComponent_getInsetBottom();
void Java_com_movane_kiv_KivComponent_setFont();
void Java_com_movane_kiv_KivComponent_setTruncateMode();
void Java_com_movane_kiv_KivComponent_show();
void Java_com_movane_kiv_KivComponent_paint();
void Java_com_movane_kiv_KivComponent_hide();
void Java_com_movane_kiv_KivComponent_processKeyEvent();
void Java_com_movane_kiv_KivComponent_processPointerEvent();

// The constant natives of the component peers: one function per value, bound to every
// native that answers it (a function of its own for each would differ only by name).
// clang-format off
#define KIV_CONSTANTS(X)                                                                             \
    X(0) X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(11) X(12) X(13) X(20)                      \
    X(257) X(258) X(259) X(260) X(262) X(263) X(264) X(265) X(266) X(267) X(268) X(269) X(270)     \
    X(271) X(272) X(274) X(275) X(276) X(277)                                                      \
    X(0x10000) X(0x10002) X(0x10004) X(0x10005) X(0x10006) X(0x10007) X(0x10008) X(0x10009)        \
    X(0x1000A)
// clang-format on
#define KIV_DECLARE_CONSTANT(v) void kivPush_##v();
KIV_CONSTANTS(KIV_DECLARE_CONSTANT)
#undef KIV_DECLARE_CONSTANT
void kivPushMinusOne();

// A string setter: pops the string and the receiver and hands the toolkit the string's
// characters (null and 0 for a null string), pinned for the call; a negative result
// throws the preallocated OutOfMemoryError.
void kivSetText(int32_t (*operation)(int32_t, const uint16_t*, int32_t));

// The pattern every peer class follows: its finalizer record, filled and registered by
// nativeInit, and creation that throws OutOfMemoryError when the toolkit refuses.
struct NativeFinalizerRecord;
void kivPeerInit(NativeFinalizerRecord* record, const char* className,
                 int32_t (*finalizer)(OBJECT, NativeFinalizerRecord*));
// The finalizer's body: deletes the peer unless the handle is -1. Result 0.
int32_t kivPeerFinalize(OBJECT object, void (*destroy)(int32_t));
void kivPeerCreate(int32_t (*create)(int32_t));
