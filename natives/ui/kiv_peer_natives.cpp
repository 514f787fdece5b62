// Button, label, title, gauge and ticker peer natives.
#include "natives/ui/kiv_peer_natives.h"

#include "natives/ui/kiv_natives.h"
#include "toolkit/guitk_alert.h"
#include "toolkit/guitk_button.h"
#include "toolkit/guitk_gauge.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_ticker.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"

// One finalizer record per class in the run's data, its finalizer deleting the peer.
#define KIV_PEER_LIFETIME(kind)                                                       \
    static VMBSS NativeFinalizerRecord kind##Finalizer;                               \
    static int32_t kind##Finalize(OBJECT object, NativeFinalizerRecord*) {            \
        return kivPeerFinalize(object, kind##Delete);                                 \
    }                                                                                 \
    void Java_com_movane_kiv_##kind##_nativeInit() {                                  \
        kivPeerInit(&kind##Finalizer, "com/movane/kiv/" #kind, kind##Finalize);       \
    }                                                                                 \
    void Java_com_movane_kiv_##kind##_nativeCreate() { kivPeerCreate(kind##Create); } \
    void Java_com_movane_kiv_##kind##_nativeDelete() { kind##Delete(popInt()); }

KIV_PEER_LIFETIME(KivButton)
KIV_PEER_LIFETIME(KivLabel)
KIV_PEER_LIFETIME(KivTitle)
KIV_PEER_LIFETIME(KivGauge)
KIV_PEER_LIFETIME(KivTicker)
KIV_PEER_LIFETIME(KivAlert)
#undef KIV_PEER_LIFETIME

void Java_com_movane_kiv_KivButton_setText() { kivSetText(KivButtonSetText); }
void Java_com_movane_kiv_KivButton_setImage() { kivCallSetter(KivButtonSetImage); }
void Java_com_movane_kiv_KivButton_setOffScreen() { kivCallSetter(KivButtonSetOffScreen); }

void Java_com_movane_kiv_KivLabel_setText() { kivSetText(KivLabelSetText); }
void Java_com_movane_kiv_KivTitle_setText() { kivSetText(KivTitleSetText); }

void Java_com_movane_kiv_KivGauge_setMode() { kivCallSetter(KivGaugeSetMode); }
void Java_com_movane_kiv_KivGauge_getMode() { kivCallGetter(KivGaugeGetMode); }
void Java_com_movane_kiv_KivGauge_setValue() { kivCallSetter(KivGaugeSetValue); }
void Java_com_movane_kiv_KivGauge_getValue() { kivCallGetter(KivGaugeGetValue); }
void Java_com_movane_kiv_KivGauge_setMaxValue() { kivCallSetter(KivGaugeSetMaxValue); }
void Java_com_movane_kiv_KivGauge_getMaxValue() { kivCallGetter(KivGaugeGetMaxValue); }
void Java_com_movane_kiv_KivGauge_increment() { kivCallSetter(KivGaugeIncrement); }
void Java_com_movane_kiv_KivGauge_decrement() { kivCallSetter(KivGaugeDecrement); }
void Java_com_movane_kiv_KivGauge_idle() { kivCallSetter(KivGaugeIdle); }

void Java_com_movane_kiv_KivTicker_setText() { kivSetText(KivTickerSetText); }
void Java_com_movane_kiv_KivTicker_update() { KivTickerUpdate(kivGetHandle(popObject())); }

void Java_com_movane_kiv_KivAlert_setAlertType() {
    int32_t type = popInt();
    // the handler refused the type
    if (KivAlertSetAlertType(kivGetHandle(popObject()), type) < 0) throwOutOfMemoryObject();
}
void Java_com_movane_kiv_KivAlert_getAlertType() { kivCallGetter(KivAlertGetAlertType); }
void Java_com_movane_kiv_KivAlert_setTitle() { kivSetText(KivAlertSetTitle); }
void Java_com_movane_kiv_KivAlert_setMessage() { kivSetText(KivAlertSetMessage); }

// The child's handle, or -1 for none.
static int32_t childHandle() {
    OBJECT child = popObject();
    return child == nullptr ? -1 : kivGetHandle(child);
}

void Java_com_movane_kiv_KivAlert_setTicker0() {
    int32_t ticker = childHandle();
    KivAlertSetTicker(kivGetHandle(popObject()), ticker);
}

void Java_com_movane_kiv_KivAlert_setGauge0() {
    int32_t gauge = childHandle();
    KivAlertSetGauge(kivGetHandle(popObject()), gauge);
}

void Java_com_movane_kiv_KivAlert_setImage() { kivCallSetter(KivAlertSetImage); }
void Java_com_movane_kiv_KivAlert_setOffScreen() { kivCallSetter(KivAlertSetOffScreen); }
void Java_com_movane_kiv_KivAlert_getViewPortWidth() { kivCallGetter(KivAlertGetViewPortWidth); }
void Java_com_movane_kiv_KivAlert_getViewPortHeight() { kivCallGetter(KivAlertGetViewPortHeight); }
void Java_com_movane_kiv_KivAlert_getClientWidth() { kivCallGetter(KivAlertGetClientWidth); }
void Java_com_movane_kiv_KivAlert_getClientHeight() { kivCallGetter(KivAlertGetClientHeight); }
void Java_com_movane_kiv_KivAlert_getViewX() { kivCallGetter(KivAlertGetViewX); }
void Java_com_movane_kiv_KivAlert_getViewY() { kivCallGetter(KivAlertGetViewY); }
