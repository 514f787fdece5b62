package com.movane.util.i18n;

/**
 * Characters to UTF-8 bytes.
 */
public class UTF8_Writer extends CharWriter {

    public native int convert(char[] src, int srcStart, int srcEnd, byte[] dst, int dstStart, int dstEnd,
                              int[] count);

    public native int sizeOf(char[] src, int off, int len);
}
