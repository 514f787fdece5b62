package com.movane.util.i18n;

/**
 * Shift_JIS (JIS X 0201 and JIS X 0208) bytes to characters.
 */
public class SJIS_Reader extends CharReader {

    public native int convert(byte[] src, int srcStart, int srcEnd, char[] dst, int dstStart, int dstEnd,
                              int[] count, byte[] carry);

    public native int sizeOf(byte[] src, int off, int len);

    protected boolean carryClearedByCaller() {
        return true;
    }
}
