package com.sun.cldc.io;

import java.io.IOException;
import java.io.InputStream;

/**
 * A resource of the class path (a JAR entry) read as a stream.
 */
public class ResourceInputStream extends InputStream {

    private Object stream;

    public ResourceInputStream(String name) throws IOException {
        stream = open(name);
    }

    public int read() throws IOException {
        if (stream == null) {
            throw new IOException();
        }
        return read(stream);
    }

    public int read(byte[] b, int off, int len) throws IOException {
        if (b == null) {
            throw new NullPointerException();
        }
        if (off < 0 || len < 0 || off > b.length - len) {
            throw new IndexOutOfBoundsException();
        }
        if (stream == null) {
            throw new IOException();
        }
        if (len == 0) {
            return 0;
        }
        return readBytes(stream, b, off, -1, len);
    }

    public int available() throws IOException {
        if (stream == null) {
            throw new IOException();
        }
        return size(stream);
    }

    public void close() throws IOException {
        close(stream);
        stream = null;
    }

    private static native Object open(String name) throws IOException;

    private static native void close(Object stream);

    private static native int read(Object stream);

    private static native int readBytes(Object stream, byte[] b, int off, int position, int len);

    private static native int size(Object stream);
}
