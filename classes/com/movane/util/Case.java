package com.movane.util;

/**
 * Case of ASCII letters only, whatever the locale.
 */
public final class Case {

    private Case() {
    }

    /** s with A to Z lowered; s itself when it has none; null for null. */
    public static native String toLower(String s);
}
