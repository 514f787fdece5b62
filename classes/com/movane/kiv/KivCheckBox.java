package com.movane.kiv;

/** Rows each chosen or not on its own, each with a square mark. */
public class KivCheckBox extends KivListBox {
    public static final int TYPE;

    static {
        nativeInit();
        TYPE = nativeGetCheckBoxNo();
    }

    public KivCheckBox(int number) {
        kivHandle = nativeCreate(number);
    }

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetCheckBoxNo();
}
