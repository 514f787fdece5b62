package com.movane.util.i18n;

/**
 * Characters to ISO-8859-1 bytes.
 */
public class ISO8859_1_Writer extends CharWriter {

    public native int convert(char[] src, int srcStart, int srcEnd, byte[] dst, int dstStart, int dstEnd,
                              int[] count);

    public native int sizeOf(char[] src, int off, int len);
}
