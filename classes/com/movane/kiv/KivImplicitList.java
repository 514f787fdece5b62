package com.movane.kiv;

/** Rows chosen by select: the list of a menu-like screen. */
public class KivImplicitList extends KivListBox {
    public static final int TYPE;

    static {
        nativeInit();
        TYPE = nativeGetImplicitListNo();
    }

    public KivImplicitList(int number) {
        kivHandle = nativeCreate(number);
    }

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetImplicitListNo();
}
