package com.movane.micro;

/**
 * Named options of the platform, with built-in defaults.
 */
public final class SystemOption {

    private SystemOption() {
    }

    /** The option's value, or null when it has none. */
    public static String getOption(String key) {
        if (key == null) {
            throw new NullPointerException();
        }
        return nativeGetOption(key);
    }

    private static native String nativeGetOption(String key);
}
