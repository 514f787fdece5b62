package com.movane.util;

/**
 * Text to the VM trace log, as it is.
 */
public final class SystemLog {

    private SystemLog() {
    }

    public static native void print(String s);

    public static native void println(String s);
}
