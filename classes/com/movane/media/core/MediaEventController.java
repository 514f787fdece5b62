package com.movane.media.core;

/** The event details of a handler. */
public final class MediaEventController {
    private MediaEventController() {
    }

    public static native int nativeGetFuncID(int handler);

    public static native String nativeGetErrorCause(int table, int a, int b);

    public static native String nativeGetUserType(int table, int a, int b);

    public static native int nativeGetUserParamType(int table, int a, int b);

    public static native int nativeGetUserParamInt(int table, int a, int b);

    public static native String nativeGetUserParamString(int table, int a, int b);
}
