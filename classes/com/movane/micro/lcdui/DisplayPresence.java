package com.movane.micro.lcdui;

/**
 * Whether the MIDlet has a display: a question for the user (the permission prompt) needs
 * one to be shown on. The display sets it when it is made.
 */
public final class DisplayPresence {
    private static volatile boolean created;

    private DisplayPresence() {
    }

    public static void created() {
        created = true;
    }

    public static boolean isCreated() {
        return created;
    }
}
