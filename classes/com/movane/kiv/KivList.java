package com.movane.kiv;

/**
 * The items every list-like component keeps: text, image, font, selection and wrap
 * policy per row, and an optional title. Indexes run from 0 to getSize() - 1; the
 * toolkit treats any other index as a fatal error, so callers check them first.
 */
public abstract class KivList extends KivComponent {
    public static final int WRAP_DEFAULT;
    public static final int WRAP_ON;
    public static final int WRAP_OFF;
    /** The event code a list posts when the user changed a selection. */
    public static final int SELECTION_CHANGED;

    static {
        WRAP_DEFAULT = nativeGetWrapDefault();
        WRAP_ON = nativeGetWrapOn();
        WRAP_OFF = nativeGetWrapOff();
        SELECTION_CHANGED = nativeGetSelectionChanged();
    }

    public native void insertItem(int index);

    public native void removeItem(int index);

    public native int getSize();

    public native void setText(int index, String text);

    public native void setFont(int index, int font);

    public native void setImage(int index, int image);

    public native void setOffScreen(int index, int offScreen);

    public native void setSelected(int index, boolean selected);

    public native boolean isSelected(int index);

    /** The first selected row, or -1. */
    public native int getSelectedIndex();

    public native void setWrapPolicy(int policy);

    public native int getWrapPolicy();

    public static native int getPrefImageWidth();

    public static native int getPrefImageHeight();

    public native void setTitle(String title);

    private static native int nativeGetWrapDefault();

    private static native int nativeGetWrapOn();

    private static native int nativeGetWrapOff();

    private static native int nativeGetSelectionChanged();
}
