// The natives of the component peer classes of com.movane.kiv: button, label, title,
// alert, gauge and ticker. Each class has a finalizer that deletes its toolkit peer, a
// creation that throws OutOfMemoryError when the toolkit refuses, and setters and
// getters that pass the receiver's handle to the toolkit.
#pragma once

// clang-format off
#define KIV_PEER_NATIVES(X)                                                                             \
    X(KivButton, nativeInit) X(KivButton, nativeCreate) X(KivButton, nativeDelete)                      \
    X(KivButton, setText) X(KivButton, setImage) X(KivButton, setOffScreen)                             \
    X(KivLabel, nativeInit) X(KivLabel, nativeCreate) X(KivLabel, nativeDelete) X(KivLabel, setText)    \
    X(KivTitle, nativeInit) X(KivTitle, nativeCreate) X(KivTitle, nativeDelete) X(KivTitle, setText)    \
    X(KivGauge, nativeInit) X(KivGauge, nativeCreate) X(KivGauge, nativeDelete)                         \
    X(KivGauge, setMode) X(KivGauge, getMode) X(KivGauge, setValue) X(KivGauge, getValue)               \
    X(KivGauge, setMaxValue) X(KivGauge, getMaxValue)                                                   \
    X(KivGauge, increment) X(KivGauge, decrement) X(KivGauge, idle)                                     \
    X(KivTicker, nativeInit) X(KivTicker, nativeCreate) X(KivTicker, nativeDelete)                      \
    X(KivTicker, setText) X(KivTicker, update)                                                          \
    X(KivAlert, nativeInit) X(KivAlert, nativeCreate) X(KivAlert, nativeDelete)                         \
    X(KivAlert, setAlertType) X(KivAlert, getAlertType) X(KivAlert, setTitle) X(KivAlert, setMessage)   \
    X(KivAlert, setTicker0) X(KivAlert, setGauge0) X(KivAlert, setImage) X(KivAlert, setOffScreen)      \
    X(KivAlert, getViewPortWidth) X(KivAlert, getViewPortHeight)                                        \
    X(KivAlert, getClientWidth) X(KivAlert, getClientHeight) X(KivAlert, getViewX) X(KivAlert, getViewY)
// clang-format on

#define KIV_DECLARE_PEER_NATIVE(kind, name) void Java_com_movane_kiv_##kind##_##name();
KIV_PEER_NATIVES(KIV_DECLARE_PEER_NATIVE)
#undef KIV_DECLARE_PEER_NATIVE
