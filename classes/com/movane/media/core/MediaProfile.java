package com.movane.media.core;

/** Whether a type code is supported at all. */
public final class MediaProfile {
    private MediaProfile() {
    }

    public static native int nativeGetSupportedProfiles(int type);
}
