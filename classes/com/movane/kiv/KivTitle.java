package com.movane.kiv;

/** One clipped line of text above an underline: the title of a screen. */
public class KivTitle extends KivComponent {
    public static final int TYPE;

    static {
        nativeInit();
        TYPE = nativeGetTitleNo();
    }

    public KivTitle(int number) {
        kivHandle = nativeCreate(number);
    }

    public native void setText(String text);

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetTitleNo();
}
