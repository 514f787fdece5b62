package com.movane.util;

/**
 * Guards methods that only the system's own classes may call: each check passes when the
 * method that called the guarded method lies in a system package (or in one of the
 * packages named), and throws SecurityException otherwise.
 */
public final class Secure {
    private Secure() {
    }

    public static native void checkPackage();

    public static native void checkPackage(String pkg);

    public static native void checkPackage(String[] pkgs);
}
