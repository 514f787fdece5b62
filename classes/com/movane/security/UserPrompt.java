package com.movane.security;

/**
 * Where a permission needs the user's answer. The confirmation dialog answers here once
 * it exists; until then nobody can be asked, so every question is answered "not now"
 * (nothing is granted) and the question is reported on standard error.
 */
public final class UserPrompt {
    /** "Allow and don't ask again" */
    public static final int ANSWER_BLANKET = 1;
    /** "Allow for this session" */
    public static final int ANSWER_SESSION = 2;
    /** "No for this session" */
    public static final int ANSWER_SESSION_NO = 3;
    /** "Allow and ask me next time" */
    public static final int ANSWER_ONESHOT = 4;
    /** "Not now" */
    public static final int ANSWER_NOT_NOW = 5;
    /** "Never" */
    public static final int ANSWER_NEVER = 6;

    private UserPrompt() {
    }

    /** The user's answer to the prompt; allowedModes are the DefaultPermission.MODE_* bits the domain offers. */
    public static int ask(DefaultPermission permission, String title, String message, int allowedModes) {
        System.err.println("Movane_VM: no confirmation dialog; " + permission.getName() + " is not granted: " + title
                + " " + message);
        return ANSWER_NOT_NOW;
    }

    /** After a choice between two settings that may not hold together: 1 keeps the one just chosen, 0 the other; -1 nobody chose. */
    public static int chooseExclusive(String title, String message, String first, String second) {
        System.err.println("Movane_VM: no confirmation dialog; " + title + " " + message + " [" + first + " | "
                + second + "]");
        return -1;
    }
}
