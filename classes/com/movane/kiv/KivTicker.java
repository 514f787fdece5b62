package com.movane.kiv;

/** A line of text that moves sideways one step at each update. */
public class KivTicker extends KivComponent {
    public static final int TYPE;

    static {
        nativeInit();
        TYPE = nativeGetTickerNo();
    }

    public KivTicker(int number) {
        kivHandle = nativeCreate(number);
    }

    public native void setText(String text);

    /** Moves the text one step. */
    public native void update();

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetTickerNo();
}
