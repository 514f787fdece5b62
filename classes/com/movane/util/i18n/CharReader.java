package com.movane.util.i18n;

/**
 * Bytes of one encoding to characters. The start of a character that ends one part of
 * a stream waits in the carry for the next part.
 */
public abstract class CharReader {

    private final byte[] carry = new byte[4];

    private final int[] count = new int[1];

    /**
     * Converts src[srcStart, srcEnd) into dst[dstStart, dstEnd); unmappable input becomes
     * U+FFFD. count[0] gets the position reached in dst; carry (may be null) holds the
     * start of a character cut off by the end of the input. Returns the bytes consumed,
     * -1 when dst is too small, 0 when a range is empty or outside its array.
     */
    public abstract int convert(byte[] src, int srcStart, int srcEnd, char[] dst, int dstStart, int dstEnd,
                                int[] count, byte[] carry);

    /**
     * A bound on the characters that src[off, off + len) gives without a carry.
     */
    public abstract int sizeOf(byte[] src, int off, int len);

    /**
     * Whether the caller empties the carry once its byte has been used.
     */
    protected boolean carryClearedByCaller() {
        return false;
    }

    /**
     * The room decode needs for a part of len bytes.
     */
    public int maxChars(byte[] src, int off, int len) {
        return sizeOf(src, off, len) + 1;
    }

    /**
     * The characters of the whole text src[off, off + len).
     */
    public char[] decode(byte[] src, int off, int len) {
        if (off < 0 || len < 0 || off > src.length - len) {
            throw new ArrayIndexOutOfBoundsException();
        }
        reset();
        char[] chars = new char[maxChars(src, off, len)];
        int n = decode(src, off, len, chars, 0, true);
        if (n == chars.length) {
            return chars;
        }
        char[] exact = new char[n];
        System.arraycopy(chars, 0, exact, 0, n);
        return exact;
    }

    /**
     * Decodes the next part of a stream, src[off, off + len), into dst from dstOff, which
     * has room for maxChars(src, off, len) characters; end says that the stream ends with
     * this part, so that a character it cuts short becomes U+FFFD. Returns the characters
     * written.
     */
    public int decode(byte[] src, int off, int len, char[] dst, int dstOff, boolean end) {
        int written = 0;
        int start = off;
        int stop = off + len;
        if (start < stop && carry[0] != 0 && carryClearedByCaller()) {
            // the held lead byte and the first new byte make one character
            written += step(src, start, start + 1, dst, dstOff);
            carry[0] = 0;
            start++;
        }
        if (start < stop) {
            written += step(src, start, stop, dst, dstOff + written);
        }
        if (end && carry[0] != 0) {
            dst[dstOff + written] = '\uFFFD';
            written++;
            reset();
        }
        return written;
    }

    /**
     * Forgets a carried character start.
     */
    public void reset() {
        for (int i = 0; i < carry.length; i++) {
            carry[i] = 0;
        }
    }

    private int step(byte[] src, int start, int stop, char[] dst, int dstStart) {
        int r = convert(src, start, stop, dst, dstStart, dst.length, count, carry);
        if (r <= 0) {
            throw new ArrayIndexOutOfBoundsException();
        }
        return count[0] - dstStart;
    }
}
