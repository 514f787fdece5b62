package com.movane.media;

import com.movane.media.core.MediaType;

/** The protocols and encoders of the media library. */
public final class MediaManager {
    static {
        nativeInitialize();
    }

    private MediaManager() {
    }

    /** The protocols content can be fetched over. */
    public static String[] getProtocols() {
        int n = nativeGetProtocolCount();
        String[] names = new String[n];
        for (int i = 0; i < n; i++) {
            names[i] = nativeGetProtocolName(i);
        }
        return names;
    }

    private static native void nativeInitialize();

    public static native int nativeGetProtocolCount();

    public static native String nativeGetProtocolName(int index);

    public static native int nativeGetEncoderCount(MediaType type);

    public static native String nativeGetEncoderType(MediaType type, int index);

    public static native int nativeGetSnapEncoderCount(MediaType type);

    public static native String nativeGetSnapEncoderType(MediaType type, int index);

    public static native String nativeGetInputDeviceMIMEType(MediaType type);

    public static native boolean nativeIsMIDIDevSupported();
}
