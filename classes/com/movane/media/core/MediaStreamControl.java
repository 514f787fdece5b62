package com.movane.media.core;

/** Streaming into a player through its handler. */
public final class MediaStreamControl {
    private MediaStreamControl() {
    }

    public static native boolean nativeCanStream(int handler);

    public static native int nativeSet(int handler, int a, int b, int c);
}
