package com.movane.security;

import com.movane.micro.lcdui.DisplayPresence;
import com.movane.security.midp20.UserConfirmDialogImpl;

/**
 * Where a permission needs the user's answer: the system's confirmation dialog, shown
 * over whatever is on the screen while the asking thread waits.
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
        if (!DisplayPresence.isCreated()) {
            // a MIDlet without a display has nobody to ask
            return ANSWER_NOT_NOW;
        }
        int modes = allowedModes & DefaultPermission.MODE_MASK;
        int initial = initialMode(permission.getState() & DefaultPermission.MODE_MASK, modes);
        // refusing keeps the asking for the session when the domain asks once a session
        String deny = initial == DefaultPermission.MODE_SESSION ? "No for this session" : "Not now";
        int word = UserConfirmDialog.getDialog().askPermission(permission.getIndex(), title, message, modes, initial,
                deny);
        if (word < 0) {
            return ANSWER_NOT_NOW;
        }
        int mode = word & DefaultPermission.MODE_MASK;
        if ((word & UserConfirmDialogImpl.ALLOWED) != 0) {
            return mode == DefaultPermission.MODE_BLANKET ? ANSWER_BLANKET
                    : mode == DefaultPermission.MODE_SESSION ? ANSWER_SESSION : ANSWER_ONESHOT;
        }
        if (mode == DefaultPermission.MODE_NO) {
            return ANSWER_NEVER;
        }
        return mode == DefaultPermission.MODE_SESSION ? ANSWER_SESSION_NO : ANSWER_NOT_NOW;
    }

    /** The mode the dialog starts on: the permission's own when the domain offers it, else the most cautious offered. */
    private static int initialMode(int current, int modes) {
        if (current != 0 && current != DefaultPermission.MODE_NO && (modes & current) != 0) {
            return current;
        }
        int[] order = {DefaultPermission.MODE_ONESHOT, DefaultPermission.MODE_SESSION, DefaultPermission.MODE_BLANKET};
        for (int i = 0; i < order.length; i++) {
            if ((modes & order[i]) != 0) {
                return order[i];
            }
        }
        return DefaultPermission.MODE_ONESHOT;
    }

    /** After a choice between two settings that may not hold together: 1 keeps the one just chosen, 0 the other; -1 nobody chose. */
    public static int chooseExclusive(String title, String message, String first, String second) {
        if (!DisplayPresence.isCreated()) {
            return -1;
        }
        int row = UserConfirmDialog.getDialog().askExclusive(title, message, first, second);
        return row < 0 ? -1 : row == 0 ? 1 : 0;
    }
}
