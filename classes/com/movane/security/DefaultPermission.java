package com.movane.security;

import com.movane.util.Secure;

/**
 * One permission of the running suite's protection domain: its index in the domain, its
 * name, and its state in the permission store. A state's low four bits are its
 * interaction mode (MODE_*); only the system's classes may change it.
 */
public final class DefaultPermission {
    public static final int MODE_BLANKET = 0x01;
    public static final int MODE_SESSION = 0x02;
    public static final int MODE_ONESHOT = 0x04;
    public static final int MODE_NO = 0x08;
    public static final int MODE_MASK = 0x0F;
    /** The user chose the mode: a blanket mode grants only then. */
    public static final int USER_SET = 0x10;
    /** Granted by the domain without asking. */
    public static final int ALLOWED = 0x100;

    /** Answers of setState. */
    public static final int CHANGED = 0;
    public static final int CHOICE_NEEDED = 1;
    public static final int REFUSED = 2;

    private final int index;
    private final String name;

    DefaultPermission(int index, String name) {
        this.index = index;
        this.name = name;
    }

    public int getIndex() {
        return index;
    }

    public String getName() {
        return name;
    }

    public int getState() {
        return nativeGetState(index);
    }

    /** The modes the user may choose for this permission (MODE_* bits). */
    public int getInteractionModes() {
        return nativeGetInteractionModes(index);
    }

    /** CHANGED, CHOICE_NEEDED (then resolve it with setExclusiveChoice) or REFUSED. */
    public int setState(int state) {
        Secure.checkPackage();
        return nativeSetState(index, state);
    }

    public static int setExclusiveChoice(int choice) {
        Secure.checkPackage();
        return nativeSetExclusiveChoice(choice);
    }

    /** Stores the changed states; a store that fails throws SecurityException and the states stay as stored before. */
    public static void commitStates() {
        Secure.checkPackage();
        nativeBeginModifyStates();
        nativeEndModifyStates();
    }

    public String getTitle() {
        return nativeGetTitle(index);
    }

    /** The prompt's message with "%1", "%2", ... filled from the pieces of args, which NUL characters separate (piece 0 is unused). */
    public String getMessage(String args) {
        return nativeGetMessage(index, args);
    }

    public static String getAlertTitle() {
        return nativeGetAlertTitle(0);
    }

    public static String getAlertMessage() {
        return nativeGetAlertMessage(0);
    }

    /** The two texts between which the user chooses after CHOICE_NEEDED. */
    public static String[] getExclusiveChoices() {
        String[] out = new String[2];
        nativeGetExclusiveChoices(out);
        return out;
    }

    private static native int nativeGetState(int i);

    private static native int nativeSetState(int i, int state);

    private static native int nativeGetInteractionModes(int i);

    private static native String nativeGetMessage(int i, String arg);

    private static native String nativeGetTitle(int i);

    private static native String nativeGetAlertMessage(int i);

    private static native String nativeGetAlertTitle(int i);

    private static native void nativeGetExclusiveChoices(String[] out);

    private static native int nativeSetExclusiveChoice(int choice);

    private static native int nativeBeginModifyStates();

    private static native int nativeEndModifyStates();
}
