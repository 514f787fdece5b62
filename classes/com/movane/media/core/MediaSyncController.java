package com.movane.media.core;

/** The synchronisation control of a handler. */
public final class MediaSyncController {
    private MediaSyncController() {
    }

    public static native int nativeGetFuncID(int handler);

    public static native int nativeUseClockOf(int table, int id, int x, int y);

    public static native int nativeUseOwnClock(int table, int id);

    public static native long nativeGetClock(int table, int id);
}
