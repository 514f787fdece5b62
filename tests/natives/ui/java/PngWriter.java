import java.io.IOException;
import java.io.OutputStream;

/**
 * Writes ARGB pixels as an RGBA PNG: one deflate block of fixed codes whose matches repeat
 * the pixel before or the row above, which is what flat scenes are made of.
 */
public final class PngWriter {

    private static int[] crcTable;

    private PngWriter() {
    }

    public static void write(OutputStream out, int[] argb, int width, int height) throws IOException {
        out.write(new byte[] {(byte) 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
        byte[] header = new byte[13];
        putInt(header, 0, width);
        putInt(header, 4, height);
        header[8] = 8;
        header[9] = 6;
        chunk(out, "IHDR", header, header.length);

        int rowBytes = 1 + width * 4;
        byte[] raw = new byte[rowBytes * height];
        for (int y = 0; y < height; y++) {
            int at = y * rowBytes + 1;
            for (int x = 0; x < width; x++) {
                int p = argb[y * width + x];
                raw[at++] = (byte) (p >> 16);
                raw[at++] = (byte) (p >> 8);
                raw[at++] = (byte) p;
                raw[at++] = (byte) (p >>> 24);
            }
        }
        Bits z = new Bits(raw.length / 4 + 64);
        z.bits(0x78, 8);
        z.bits(0x01, 8);
        deflate(z, raw, rowBytes);
        z.align();
        int a = 1;
        int b = 0;
        for (int i = 0; i < raw.length; i++) {
            a = (a + (raw[i] & 0xFF)) % 65521;
            b = (b + a) % 65521;
        }
        z.bits(((b << 16) | a) >>> 24, 8);
        z.bits(((b << 16) | a) >>> 16 & 0xFF, 8);
        z.bits(((b << 16) | a) >>> 8 & 0xFF, 8);
        z.bits(a & 0xFF, 8);
        chunk(out, "IDAT", z.data, z.length);
        chunk(out, "IEND", new byte[0], 0);
        out.flush();
    }

    private static final int[] LENGTH_BASE = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51,
        59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    private static final int[] LENGTH_EXTRA = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4,
        5, 5, 5, 5, 0};
    private static final int[] DISTANCE_BASE = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385,
        513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    private static final int[] DISTANCE_EXTRA = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9,
        10, 10, 11, 11, 12, 12, 13, 13};

    // Greedy matches at distance 4 (the pixel before) or one row (the pixel above).
    private static void deflate(Bits z, byte[] raw, int rowBytes) {
        z.bits(1, 1);
        z.bits(1, 2);
        int i = 0;
        while (i < raw.length) {
            int bestLength = 0;
            int bestDistance = 0;
            int[] distances = {4, rowBytes};
            for (int k = 0; k < 2; k++) {
                int d = distances[k];
                if (d > i || d > 32768) {
                    continue;
                }
                int n = 0;
                while (n < 258 && i + n < raw.length && raw[i + n] == raw[i + n - d]) {
                    n++;
                }
                if (n > bestLength) {
                    bestLength = n;
                    bestDistance = d;
                }
            }
            if (bestLength >= 3) {
                int c = 0;
                while (c + 1 < LENGTH_BASE.length && LENGTH_BASE[c + 1] <= bestLength) {
                    c++;
                }
                symbol(z, 257 + c);
                z.bits(bestLength - LENGTH_BASE[c], LENGTH_EXTRA[c]);
                int dc = 0;
                while (dc + 1 < DISTANCE_BASE.length && DISTANCE_BASE[dc + 1] <= bestDistance) {
                    dc++;
                }
                z.reversed(dc, 5);
                z.bits(bestDistance - DISTANCE_BASE[dc], DISTANCE_EXTRA[dc]);
                i += bestLength;
            } else {
                symbol(z, raw[i] & 0xFF);
                i++;
            }
        }
        symbol(z, 256);
    }

    // A literal or length symbol in the fixed code.
    private static void symbol(Bits z, int v) {
        if (v < 144) {
            z.reversed(0x30 + v, 8);
        } else if (v < 256) {
            z.reversed(0x190 + v - 144, 9);
        } else if (v < 280) {
            z.reversed(v - 256, 7);
        } else {
            z.reversed(0xC0 + v - 280, 8);
        }
    }

    // Deflate's bit stream: values low bit first, Huffman codes high bit first.
    private static final class Bits {
        byte[] data;
        int length;
        private int buffer;
        private int count;

        Bits(int capacity) {
            data = new byte[capacity];
        }

        void bits(int value, int n) {
            for (int k = 0; k < n; k++) {
                bit((value >>> k) & 1);
            }
        }

        void reversed(int code, int n) {
            for (int k = n - 1; k >= 0; k--) {
                bit((code >>> k) & 1);
            }
        }

        void align() {
            while (count != 0) {
                bit(0);
            }
        }

        private void bit(int b) {
            buffer |= b << count;
            if (++count == 8) {
                if (length == data.length) {
                    byte[] larger = new byte[data.length * 2];
                    System.arraycopy(data, 0, larger, 0, length);
                    data = larger;
                }
                data[length++] = (byte) buffer;
                buffer = 0;
                count = 0;
            }
        }
    }

    private static void chunk(OutputStream out, String type, byte[] data, int length) throws IOException {
        byte[] head = new byte[8];
        putInt(head, 0, length);
        for (int i = 0; i < 4; i++) {
            head[4 + i] = (byte) type.charAt(i);
        }
        out.write(head);
        out.write(data, 0, length);
        int crc = update(update(0xFFFFFFFF, head, 4, 4), data, 0, length) ^ 0xFFFFFFFF;
        byte[] tail = new byte[4];
        putInt(tail, 0, crc);
        out.write(tail);
    }

    private static int update(int crc, byte[] data, int offset, int length) {
        if (crcTable == null) {
            crcTable = new int[256];
            for (int n = 0; n < 256; n++) {
                int c = n;
                for (int k = 0; k < 8; k++) {
                    c = (c & 1) != 0 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
                }
                crcTable[n] = c;
            }
        }
        for (int i = offset; i < offset + length; i++) {
            crc = crcTable[(crc ^ data[i]) & 0xFF] ^ (crc >>> 8);
        }
        return crc;
    }

    private static void putInt(byte[] b, int at, int v) {
        b[at] = (byte) (v >>> 24);
        b[at + 1] = (byte) (v >>> 16);
        b[at + 2] = (byte) (v >>> 8);
        b[at + 3] = (byte) v;
    }
}
