package com.movane.kiv;

/** A bar showing a value between 0 and a maximum; an indefinite one counts round. */
public class KivGauge extends KivComponent {
    public static final int TYPE;
    public static final int NORMAL;
    public static final int INDEFINITE;
    public static final int CONTINUOUS;
    public static final int INCREMENTAL;
    /** The event code of a value the user changed. */
    public static final int VALUE_CHANGED;

    static {
        nativeInit();
        TYPE = nativeGetGaugeNo();
        NORMAL = nativeGetNormal();
        INDEFINITE = nativeGetIndefinite();
        CONTINUOUS = nativeGetContinuous();
        INCREMENTAL = nativeGetIncremental();
        VALUE_CHANGED = nativeGetValueChanged();
    }

    public KivGauge(int number) {
        kivHandle = nativeCreate(number);
    }

    /** NORMAL or INDEFINITE; INDEFINITE sets the maximum to 10. */
    public native void setMode(int mode);

    public native int getMode();

    /** Not below 0; cut to the maximum. */
    public native void setValue(int value);

    public native int getValue();

    /** Above 0. */
    public native void setMaxValue(int maximum);

    public native int getMaxValue();

    /** Only in INDEFINITE mode: one step on, one back, or idle, with the idle state. */
    public native void increment(int state);

    public native void decrement(int state);

    public native void idle(int state);

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetGaugeNo();

    private static native int nativeGetNormal();

    private static native int nativeGetIndefinite();

    private static native int nativeGetContinuous();

    private static native int nativeGetIncremental();

    private static native int nativeGetValueChanged();
}
