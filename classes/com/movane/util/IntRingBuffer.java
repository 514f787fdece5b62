package com.movane.util;

import java.io.IOException;

/**
 * A ring of ints written five at a time and read one at a time by natives. The ring
 * uses the first currentFill slots of the buffer. A write does not check for unread
 * words: a writer that may get ahead of its reader asks available() first.
 */
public class IntRingBuffer {

    private int readIndex;
    private int writeIndex;
    private int dataCount;
    private int currentFill;
    private int[] buffer;

    static {
        initializeFieldIndex();
    }

    /** A ring of size slots; size must be at least 1. */
    public IntRingBuffer(int size) {
        if (size < 1) {
            throw new IllegalArgumentException();
        }
        buffer = new int[size];
        currentFill = size;
    }

    private static native void initializeFieldIndex();

    /** Writes a to e in that order. */
    public static native void write5(IntRingBuffer r, int a, int b, int c, int d, int e);

    /** The oldest unread word; IOException when there is none. */
    public native int read() throws IOException;

    /** The number of unread words. */
    public int available() {
        return dataCount;
    }

    /** The number of slots in the ring. */
    public int size() {
        return currentFill;
    }
}
