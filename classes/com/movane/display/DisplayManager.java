package com.movane.display;

import javax.microedition.midlet.MIDlet;

/**
 * The system's view of the display: the MIDlet's life-cycle state, the registered
 * display access classes, and whether a system dialog holds the screen (the display
 * paints nothing of its own then, and repaints everything when the dialog is gone).
 */
public final class DisplayManager {
    private static boolean initialized;
    private static int dialogs;

    private DisplayManager() {
    }

    private static synchronized void init() {
        if (!initialized) {
            nativeInit();
            initialized = true;
        }
    }

    public static int getMIDletState(MIDlet m) {
        init();
        return nativeGetMIDletState(m);
    }

    /** The class names registered for display access. */
    public static String[] getAccessClassNames() {
        int n = nativeGetAccessClassNumber();
        String[] names = new String[n];
        for (int i = 0; i < n; i++) {
            names[i] = nativeGetAccessClassName(i);
        }
        return names;
    }

    /** A system dialog takes the screen and the input until dialogEnded. */
    public static synchronized void dialogStarted() {
        dialogs++;
    }

    public static synchronized void dialogEnded() {
        if (dialogs > 0) {
            dialogs--;
        }
    }

    /** True while a system dialog holds the screen. */
    public static synchronized boolean isDialogShown() {
        return dialogs > 0;
    }

    private static native void nativeInit();

    private static native int nativeGetMIDletState(MIDlet m);

    static native void nativeDisplayableChanged(int d, boolean b);

    private static native int nativeGetAccessClassNumber();

    private static native String nativeGetAccessClassName(int i);
}
