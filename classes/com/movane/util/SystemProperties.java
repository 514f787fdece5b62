package com.movane.util;

/**
 * Display and platform facts: the screen's sizes and abilities, the vendor, profile and
 * VM texts.
 */
public final class SystemProperties {

    static {
        initializeFieldIndex();
    }

    private SystemProperties() {
    }

    private static native void initializeFieldIndex();

    /** Width of the screen area the current layout leaves to a displayable. */
    public static native int nativeGetVirtualWidth();

    public static native int nativeGetVirtualHeight();

    public static native int nativeGetFullScreenWidth();

    public static native int nativeGetFullScreenHeight();

    public static native boolean nativeIsColor();

    public static native int nativeNumColors();

    public static native boolean hasRepeatEvents();

    public static native boolean hasPointerEvents();

    public static native boolean hasPointerMotionEvents();

    public static native int nativeGetSoftkeyCount();

    public static native String nativeGetVendorName();

    public static native String nativeGetVendorVersion();

    public static native int nativeGetProfileType();

    /** Profile version i (0 to 8), the empty string for another i. */
    public static native String nativeGetProfileVersion(int i);

    public static native int nativeGetStartupType();

    public static native String nativeGetVMVersion();

    public static native String nativeGetVMInformation();

    public static native String nativeGetVMDetail();
}
