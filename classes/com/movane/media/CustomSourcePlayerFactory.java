package com.movane.media;

/** Custom media sources of the platform (none here). */
public final class CustomSourcePlayerFactory {
    private CustomSourcePlayerFactory() {
    }

    public static native int nativeGetCount();

    public static native String nativeGetScheme(int index);

    public static native String nativeGetCreator();
}
