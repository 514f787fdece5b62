package com.movane.rms;

import java.io.IOException;

/** A record-store file of the porting layer, read and written at a file position. */
public final class RandomAccessFile {
    public static final byte MODE_READ = 0;
    public static final byte MODE_CREATE = 1;
    public static final byte MODE_READ_WRITE = 2;

    private int handle;

    /** Opens the file; null when the porting layer refuses (a missing file in mode 0 or 2). */
    public static RandomAccessFile open(String name, byte mode) {
        int h = nativeOpen(name, mode);
        if (h == -1) {
            return null;
        }
        RandomAccessFile file = new RandomAccessFile();
        file.handle = h;
        return file;
    }

    private RandomAccessFile() {
    }

    public void close() {
        if (handle != -1) {
            nativeClose(handle);
            handle = -1;
        }
    }

    private int handle() throws IOException {
        if (handle == -1) {
            throw new IOException("file closed");
        }
        return handle;
    }

    private static void checkRange(byte[] b, int off, int len) {
        if (off < 0 || len < 0 || off > b.length - len) {
            throw new ArrayIndexOutOfBoundsException();
        }
    }

    /** Reads len bytes whole; the end of the file before them is an error. */
    public void readFully(byte[] b, int off, int len) throws IOException {
        checkRange(b, off, len);
        int h = handle();
        while (len > 0) {
            int n = nativeRead(h, b, off, len);
            if (n <= 0) {
                throw new IOException(n == 0 ? "end of file" : "read failed");
            }
            off += n;
            len -= n;
        }
    }

    public void write(byte[] b, int off, int len) throws IOException {
        checkRange(b, off, len);
        int result = nativeWrite(handle(), b, off, len);
        if (result == -2) {
            throw new IOException("write outside a commit");
        }
        if (result != 0) {
            throw new IOException("write failed or the record-store quota is used up");
        }
    }

    public void seek(int position) throws IOException {
        if (nativeSeek(handle(), position, (byte) 0) != position) {
            throw new IOException("seek failed");
        }
    }

    public int length() throws IOException {
        int n = nativeLength(handle());
        if (n < 0) {
            throw new IOException("length unknown");
        }
        return n;
    }

    public void truncate(int size) throws IOException {
        int result = nativeTruncate(handle(), size);
        if (result == -2) {
            throw new IOException("truncation outside a commit");
        }
        if (result != 0) {
            throw new IOException("truncation failed");
        }
    }

    public void reserveSpace(int n) throws IOException {
        nativeReserveSpace(handle(), n);
    }

    public void freeSpace(int n) throws IOException {
        nativeFreeSpace(handle(), n);
    }

    public static int getPreferredReadSize() {
        return nativeGetPreferredReadSize();
    }

    public static int getPreferredWriteSize() {
        return nativeGetPreferredWriteSize();
    }

    private static native int nativeOpen(String name, byte mode);
    private static native byte nativeClose(int h);
    private static native int nativeRead(int h, byte[] b, int off, int len);
    private static native int nativeWrite(int h, byte[] b, int off, int len);
    private static native int nativeSeek(int h, int pos, byte origin);
    private static native int nativeLength(int h);
    private static native byte nativeTruncate(int h, int size);
    private static native int nativeReserveSpace(int h, int n);
    private static native void nativeFreeSpace(int h, int n);
    private static native int nativeGetPreferredReadSize();
    private static native int nativeGetPreferredWriteSize();
    static native int nativeGetDivideReserveFlag();
    static native boolean nativeIsInterruption();
    static native boolean nativeIsRequestedSuspendTemprary();
    static native void nativeNotifySuspendedTemporary();
}
