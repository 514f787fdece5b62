package com.movane.util.i18n;

/**
 * Characters to Shift_JIS (JIS X 0201 and JIS X 0208) bytes.
 */
public class SJIS_Writer extends CharWriter {

    public native int convert(char[] src, int srcStart, int srcEnd, byte[] dst, int dstStart, int dstEnd,
                              int[] count);

    public native int sizeOf(char[] src, int off, int len);
}
