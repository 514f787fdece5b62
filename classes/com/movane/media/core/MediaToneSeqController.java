package com.movane.media.core;

/** Single tones through the tone player. */
public final class MediaToneSeqController {
    private MediaToneSeqController() {
    }

    /** Note 0-127, duration in milliseconds, volume 0-127; negative on failure. */
    public static native int nativePlaySingleTone(int note, int duration, int volume);
}
