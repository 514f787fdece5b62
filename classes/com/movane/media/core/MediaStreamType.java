package com.movane.media.core;

/** The stream types of the platform (none here). */
public final class MediaStreamType {
    private MediaStreamType() {
    }

    public static native int nativeGetCount();

    public static native int nativeGetControl(int index);

    public static native String nativeGetProtocolName(int table);
}
