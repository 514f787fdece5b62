package com.movane.kiv;

/**
 * The full-screen menu of the commands that have no soft key of their own: one numbered
 * row per command under the title "Menu". Choosing a row posts SELECTION_CHANGED with its
 * index; leaving it without a choice posts the request CANCELED.
 */
public class KivCommandMenu extends KivListBox {
    public static final int TYPE;
    public static final int CANCELED;

    static {
        nativeInit();
        TYPE = nativeGetCommandMenuNo();
        CANCELED = nativeGetCanceled();
    }

    public KivCommandMenu(int number) {
        kivHandle = nativeCreate(number);
    }

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetCommandMenuNo();

    private static native int nativeGetCanceled();
}
