package com.movane.media.core;

/** Content read from a stream of a stream type. */
public class MediaStream extends MediaBuffer {
    static {
        initializeFieldIndex();
    }

    int streamID;
    int streamControlID;

    public MediaStream(int type, int streamControl, String locator) {
        super(type, null);
        streamControlID = streamControl;
        streamID = nativeCreate(streamControl, locator);
    }

    private static native void initializeFieldIndex();

    private static native int nativeCreate(int table, String locator);

    public static native int nativeConnect(int table, int id);

    public static native String nativeGetPermission(int table, int id);

    public static native String nativeGetMIMEType(int table, int id);

    public static native int nativeDestroy(int table, int id);

    public static native int nativeCheckOpen(int handler, int a, int b);

    public static native int nativeCheckClose(int handler, int a);
}
