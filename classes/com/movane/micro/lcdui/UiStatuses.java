package com.movane.micro.lcdui;

/** Who owns the display: a system screen sets itself here while it is up. */
public final class UiStatuses {
    /** Non-null while a system screen occupies the display; GameCanvas flushes nothing then. */
    public static Object occupyScreenObject;

    private UiStatuses() {
    }
}
