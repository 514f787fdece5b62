package com.movane.kiv;

/** One line showing the chosen row; select opens the rows in a window over the screen. */
public class KivPopUpList extends KivList {
    public static final int TYPE;

    static {
        nativeInit();
        TYPE = nativeGetPopUpListNo();
    }

    public KivPopUpList(int number) {
        kivHandle = nativeCreate(number);
    }

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetPopUpListNo();
}
