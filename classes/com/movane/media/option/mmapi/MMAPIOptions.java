package com.movane.media.option.mmapi;

/** Options of the media library. */
public final class MMAPIOptions {
    private MMAPIOptions() {
    }

    public static native int nativeGetOption_MEDIA_MMAPI_SUPPORTS_HTTPS();

    public static native int nativeGetOption_MEDIA_MMAPI_VIDEOCONTROL_ALWAYS_CANCREATE();
}
