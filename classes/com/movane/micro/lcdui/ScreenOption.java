package com.movane.micro.lcdui;

/** Screen options of the platform. */
public final class ScreenOption {
    private ScreenOption() {
    }

    /** Ends the VM run at once. */
    public static native void nativeSystemExit();

    public static native boolean nativeIsRtl();
}
