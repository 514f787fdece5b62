package com.movane.kiv;

/** A push button showing a text, an image or an off-screen image. */
public class KivButton extends KivComponent {
    public static final int TYPE;
    /** The event code of a push. */
    public static final int PUSHED;

    static {
        nativeInit();
        TYPE = nativeGetButtonNo();
        PUSHED = nativeGetPushed();
    }

    public KivButton(int number) {
        kivHandle = nativeCreate(number);
    }

    public native void setText(String text);

    public native void setImage(int image);

    public native void setOffScreen(int offScreen);

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetButtonNo();

    private static native int nativeGetPushed();
}
