package com.movane.util.i18n;

/**
 * Characters to bytes of one encoding. A high surrogate that ends one part of a stream
 * waits for the next part, where its low surrogate may be.
 */
public abstract class CharWriter {

    private final int[] count = new int[1];

    private char pending;

    /**
     * Converts src[srcStart, srcEnd) into dst[dstStart, dstEnd); unmappable characters
     * become "?". count[0] gets the position reached in dst. Returns the characters
     * consumed, -1 when dst is too small, 0 when a range is empty or outside its array.
     */
    public abstract int convert(char[] src, int srcStart, int srcEnd, byte[] dst, int dstStart, int dstEnd,
                                int[] count);

    /**
     * A bound on the bytes that src[off, off + len) gives.
     */
    public abstract int sizeOf(char[] src, int off, int len);

    /**
     * The bytes of the whole text src[off, off + len).
     */
    public byte[] encode(char[] src, int off, int len) {
        if (off < 0 || len < 0 || off > src.length - len) {
            throw new ArrayIndexOutOfBoundsException();
        }
        byte[] bytes = new byte[sizeOf(src, off, len)];
        int n = 0;
        if (len > 0) {
            if (convert(src, off, off + len, bytes, 0, bytes.length, count) < 0) {
                throw new ArrayIndexOutOfBoundsException();
            }
            n = count[0];
        }
        if (n == bytes.length) {
            return bytes;
        }
        byte[] exact = new byte[n];
        System.arraycopy(bytes, 0, exact, 0, n);
        return exact;
    }

    /**
     * The bytes of the next part of a stream, src[off, off + len); end says that the
     * stream ends with this part.
     */
    public byte[] encode(char[] src, int off, int len, boolean end) {
        char[] text = src;
        int start = off;
        int stop = off + len;
        if (pending != 0) {
            text = new char[len + 1];
            text[0] = pending;
            System.arraycopy(src, off, text, 1, len);
            start = 0;
            stop = len + 1;
            pending = 0;
        }
        if (!end && stop > start && text[stop - 1] >= '\uD800' && text[stop - 1] <= '\uDBFF') {
            stop--;
            pending = text[stop];
        }
        return encode(text, start, stop - start);
    }

    /**
     * Forgets a waiting high surrogate.
     */
    public void reset() {
        pending = 0;
    }
}
