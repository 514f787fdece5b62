package com.movane.kiv;

/**
 * The full-screen alert: an optional ticker and title above a scrolling body of an
 * image, a wrapped message and an optional gauge.
 */
public class KivAlert extends KivComponent {
    public static final int TYPE;
    public static final int TYPE_NULL;
    public static final int TYPE_INFO;
    public static final int TYPE_WARNING;
    public static final int TYPE_ERROR;
    public static final int TYPE_ALARM;
    public static final int TYPE_CONFIRMATION;

    static {
        nativeInit();
        TYPE = nativeGetAlertNo();
        TYPE_NULL = nativeGetTypeNull();
        TYPE_INFO = nativeGetTypeInfo();
        TYPE_WARNING = nativeGetTypeWarning();
        TYPE_ERROR = nativeGetTypeError();
        TYPE_ALARM = nativeGetTypeAlarm();
        TYPE_CONFIRMATION = nativeGetTypeConfirmation();
    }

    public KivAlert(int number) {
        kivHandle = nativeCreate(number);
    }

    /** TYPE_NULL .. TYPE_CONFIRMATION. */
    public native void setAlertType(int type);

    public native int getAlertType();

    /** null removes the title. */
    public native void setTitle(String title);

    public native void setMessage(String message);

    public void setTicker(KivTicker ticker) {
        setTicker0(ticker);
    }

    public void setGauge(KivGauge gauge) {
        setGauge0(gauge);
    }

    public native void setImage(int image);

    public native void setOffScreen(int offScreen);

    public native int getViewPortWidth();

    public native int getViewPortHeight();

    public native int getClientWidth();

    public native int getClientHeight();

    public native int getViewX();

    public native int getViewY();

    private native void setTicker0(KivTicker ticker);

    private native void setGauge0(KivGauge gauge);

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetAlertNo();

    private static native int nativeGetTypeNull();

    private static native int nativeGetTypeInfo();

    private static native int nativeGetTypeWarning();

    private static native int nativeGetTypeError();

    private static native int nativeGetTypeAlarm();

    private static native int nativeGetTypeConfirmation();
}
