package com.movane.util.i18n;

/**
 * ISO-8859-1 bytes to characters.
 */
public class ISO8859_1_Reader extends CharReader {

    public native int convert(byte[] src, int srcStart, int srcEnd, char[] dst, int dstStart, int dstEnd,
                              int[] count, byte[] carry);

    public native int sizeOf(byte[] src, int off, int len);
}
