package com.movane.util.i18n;

/**
 * UTF-8 bytes to characters.
 */
public class UTF8_Reader extends CharReader {

    public native int convert(byte[] src, int srcStart, int srcEnd, char[] dst, int dstStart, int dstEnd,
                              int[] count, byte[] carry);

    public native int sizeOf(byte[] src, int off, int len);
}
