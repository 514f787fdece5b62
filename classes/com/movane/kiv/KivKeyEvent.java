package com.movane.kiv;

/** What a component's key handling answers. */
public final class KivKeyEvent {
    /** The result that keeps the focus in the component. */
    public static final int KEEP_FOCUS = nativeGetKeepFocusNo();

    private KivKeyEvent() {
    }

    private static native int nativeGetKeepFocusNo();
}
