package com.movane.kiv;

/** Rows of which exactly one is chosen, each with a round mark. */
public class KivRadioButton extends KivListBox {
    public static final int TYPE;

    static {
        nativeInit();
        TYPE = nativeGetRadioButtonNo();
    }

    public KivRadioButton(int number) {
        kivHandle = nativeCreate(number);
    }

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetRadioButtonNo();
}
