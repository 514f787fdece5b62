package com.movane.media.core;

/**
 * Content handed to a player. The player reads the bytes in place, so they stay pinned
 * against moves from lock() until unlock() (or until the buffer dies).
 */
public class MediaBuffer {
    static {
        nativeInitialize();
    }

    int mediaType;
    int extraDataID;
    byte[] data;
    int lockCount;

    public MediaBuffer(int type, byte[] data) {
        this.mediaType = type;
        this.data = data;
    }

    public byte[] getData() {
        return data;
    }

    public synchronized void lock() {
        if (data != null && lockCount == 0) {
            nativeLock(data);
            lockCount = 1;
        }
    }

    public synchronized void unlock() {
        if (data != null && lockCount > 0) {
            nativeUnlock(data);
            lockCount = 0;
        }
    }

    private static native void nativeInitialize();

    private static native void nativeLock(byte[] data);

    private static native void nativeUnlock(byte[] data);

    public static native boolean nativeCanStream(String type);

    public static native int nativeCheckOpen(int handler, byte[] data);

    public static native int nativeCheck(int handler, int id, int[] value);

    public static native int nativeCheckClose(int handler, int id);

    public static native int nativeGetMediaSize(int handler, int id, int[] size);

    /** Microseconds, -1 when the handler cannot tell. */
    public static native long nativeGetDuration(int handler, int id);

    public static native boolean nativeIsSupportedMetaData(int handler);
}
