package com.movane.media.core;

/** The content types the handlers know: detection and their MIME texts. */
public final class MediaType {
    static {
        nativeInitialize();
    }

    public static final int TONE = 0x101;
    public static final int MIDI = 0x102;
    public static final int WAVE = 0x103;
    public static final int AMR = 0x108;

    int controllerID;

    private MediaType() {
    }

    private static native void nativeInitialize();

    /** The type code of the data, -1 when no handler takes them. */
    public static native int nativeDetectFromData(byte[] data);

    public static native boolean nativeCanStream(int handler);

    /** The handler of a type code, 0 when none. */
    public static native int nativeDetectControl(int type);

    public static native String nativeGetMimeType(int handler);

    /** The type codes in detection order. */
    public static native int[] nativeGetSupportedTypes();
}
