package com.movane.media.core;

/** The volume control of a handler: volumes 0 to 127. */
public final class MediaVolumeController {
    private MediaVolumeController() {
    }

    public static native int nativeGetFuncID(int handler);

    public static native int nativeSetVolume(int table, int id, int volume);

    public static native int nativeGetVolume(int table, int id);
}
