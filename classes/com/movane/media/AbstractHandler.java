package com.movane.media;

/** The classes of control registered by the platform, newest first. */
public abstract class AbstractHandler {
    public static String[] getControlCreators() {
        String[] names = new String[nativeGetControlCreatorsCount()];
        nativeGetControlCreators(names);
        return names;
    }

    public static native int nativeGetControlCreatorsCount();

    public static native void nativeGetControlCreators(String[] names);
}
