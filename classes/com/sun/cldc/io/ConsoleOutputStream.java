package com.sun.cldc.io;

import java.io.OutputStream;

/**
 * The console: the host's standard output or standard error.
 */
public class ConsoleOutputStream extends OutputStream {

    public static final int STANDARD_OUTPUT = 1;
    public static final int STANDARD_ERROR = 2;

    // First field: the natives read it to choose the host stream.
    private final int sink;

    public ConsoleOutputStream(int sink) {
        this.sink = sink;
    }

    public native void write(int b);

    public native void write(byte[] b);

    public native void write(byte[] b, int off, int len);

    public native void flush();
}
