package com.movane.security;

/**
 * The system's question to the user about a permission. The dialog class is named by the
 * system; while it is up it takes the event queues (keys, pointer and toolkit requests go
 * to its own thread), and the asking thread waits for the answer without holding up the
 * VM's other threads.
 */
public abstract class UserConfirmDialog {
    private static UserConfirmDialog dialog;
    private static boolean busy;
    private static final Object turn = new Object();

    /** The system's dialog. */
    public static synchronized UserConfirmDialog getDialog() {
        if (dialog == null) {
            String name = nativeGetDialog();
            try {
                dialog = (UserConfirmDialog) Class.forName(name).newInstance();
            } catch (Exception e) {
                throw new SecurityException("no confirmation dialog " + name + ": " + e);
            }
        }
        return dialog;
    }

    /**
     * The answer to a permission question: the allowed flag in bit 8 and the interaction
     * mode in the low bits; -1 when nobody answered.
     */
    public final int askPermission(int permissionIndex, String title, String message, int modes, int initialMode,
            String denyText) {
        enter();
        try {
            return showPermission(permissionIndex, title, message, modes, initialMode, denyText);
        } finally {
            leave();
        }
    }

    /** The row (0 or 1) chosen between two settings; -1 for cancel or no answer. */
    public final int askExclusive(String title, String message, String first, String second) {
        enter();
        try {
            return showExclusive(title, message, first, second);
        } finally {
            leave();
        }
    }

    protected abstract int showPermission(int permissionIndex, String title, String message, int modes,
            int initialMode, String denyText);

    protected abstract int showExclusive(String title, String message, String first, String second);

    // One question at a time: a second asking thread waits for the first answer.
    private static void enter() {
        synchronized (turn) {
            while (busy) {
                try {
                    turn.wait();
                } catch (InterruptedException e) {
                    nativeFatalError();
                }
            }
            busy = true;
        }
    }

    private static void leave() {
        synchronized (turn) {
            busy = false;
            turn.notifyAll();
        }
    }

    private static native String nativeGetDialog();

    protected static native void obtainEventQueue();

    protected static native void releaseEventQueue();

    protected static native boolean nativeIsInterruption(int state);

    protected static native int nativeGetAppState();

    protected static native void nativeRequestAppResume();

    /** 2 inside startApp, 3 inside pauseApp, 4 inside destroyApp, 0 elsewhere. */
    protected static native int nativeIsAppStateCallback();

    protected static native void nativeFatalError();
}
