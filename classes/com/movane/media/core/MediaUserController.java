package com.movane.media.core;

/** The user controls of a handler (no player of this system offers any). */
public final class MediaUserController {
    private MediaUserController() {
    }

    public static native int nativeGetFuncID(int handler);

    public static native int nativeSetParam(int table, int a, int b, int c, int[] values);

    public static native int nativeGetParam(int table, int a, int b, int c, int[] values);

    public static native String nativeGetString(int table, int a, int b, int c);

    public static native int nativeSetString(int table, int a, int b, int c, String text);
}
