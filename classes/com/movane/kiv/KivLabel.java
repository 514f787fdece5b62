package com.movane.kiv;

/** A read-only text of one or more lines. */
public class KivLabel extends KivComponent {
    public static final int TYPE;

    static {
        nativeInit();
        TYPE = nativeGetLabelNo();
    }

    public KivLabel(int number) {
        kivHandle = nativeCreate(number);
    }

    public native void setText(String text);

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetLabelNo();
}
