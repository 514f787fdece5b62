package com.movane.media.core;

/**
 * One native player: its type code and id, made through a handler. When the object
 * dies its finalizer destroys the player.
 */
public final class MediaControl {
    static {
        nativeInitialize();
    }

    /** Control kinds for nativeGetControlName. */
    public static final int CONTROL_VOLUME = 1;
    public static final int CONTROL_TONE = 0x1000;

    private final int mediaType;
    private int playerID;
    private final int handler;

    /** A new player of the type through its handler; playerID 0 when none was made. */
    public MediaControl(int type, int handler) {
        this.mediaType = type;
        this.handler = handler;
        playerID = handler == 0 ? 0 : nativeCreate(type, handler);
    }

    public int getType() {
        return mediaType;
    }

    public int getHandler() {
        return handler;
    }

    public int getPlayerId() {
        return playerID;
    }

    public int set(byte[] data) {
        return nativeSet(handler, playerID, data, 0);
    }

    public int load() {
        return nativeLoad(handler, playerID);
    }

    public int start(int loops) {
        return nativeStart(handler, playerID, loops);
    }

    public int stop() {
        return nativeStop(handler, playerID);
    }

    public int pause() {
        return nativePause(handler, playerID);
    }

    public int restart() {
        return nativeRestart(handler, playerID);
    }

    public int unload() {
        return nativeUnload(handler, playerID);
    }

    public int getState() {
        return nativeGetState(handler, playerID);
    }

    public int setTime(long time) {
        return nativeSetTime(handler, playerID, time);
    }

    public long getTime() {
        return nativeGetTime(handler, playerID);
    }

    public boolean hasControl(int kind) {
        return nativeGetControlName(handler, kind) != null;
    }

    private static native void nativeInitialize();

    private static native int nativeCreate(int type, int handler);

    private static native int nativeSet(int handler, int id, byte[] data, int extra);

    private static native int nativeLoad(int handler, int id);

    private static native int nativeStart(int handler, int id, int loops);

    private static native int nativeStop(int handler, int id);

    private static native int nativePause(int handler, int id);

    private static native int nativeRestart(int handler, int id);

    private static native int nativeUnload(int handler, int id);

    private static native int nativeGetState(int handler, int id);

    public static native int nativeGetIncludedContents(int handler, int id);

    private static native int nativeSetTime(int handler, int id, long time);

    private static native long nativeGetTime(int handler, int id);

    public static native String nativeGetControlName(int handler, int kind);

    public static native int nativeGetUserClassCount(int handler);

    public static native String nativeGetUserClass(int handler, int index, int[] out);

    public static native void nativeNotifyBlockingComplete(boolean first);

    public static native void nativeNotifyDeviceRelased(int code);

    public static native void nativeNotifyDeviceAcquired(int code);

    public static native int nativeFlushEvents(int a, int b);
}
