package com.movane.kiv;

/** A list shown as a box of rows with one focused row (-1 for none). */
public abstract class KivListBox extends KivList {
    public native void setFocusedIndex(int index);

    public native int getFocusedIndex();
}
