package com.movane.midlet;

/** The running suite's application properties (the JAD over the manifest). */
public final class AppProperties {
    private AppProperties() {
    }

    public static native String getProperty(String key);
}
