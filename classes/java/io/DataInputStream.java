package java.io;

/**
 * Reads primitive values from an underlying input stream in big-endian order, and text in
 * modified UTF-8 behind a two-byte length.
 */
public class DataInputStream extends InputStream implements DataInput {

    protected InputStream in;

    public DataInputStream(InputStream in) {
        this.in = in;
    }

    public int read() throws IOException {
        return in.read();
    }

    public final int read(byte[] b) throws IOException {
        return in.read(b, 0, b.length);
    }

    public final int read(byte[] b, int off, int len) throws IOException {
        return in.read(b, off, len);
    }

    public final void readFully(byte[] b) throws IOException {
        readFully(b, 0, b.length);
    }

    public final void readFully(byte[] b, int off, int len) throws IOException {
        if (len < 0) {
            throw new IndexOutOfBoundsException();
        }
        int n = 0;
        while (n < len) {
            int got = in.read(b, off + n, len - n);
            if (got < 0) {
                throw new EOFException();
            }
            n += got;
        }
    }

    public final int skipBytes(int n) throws IOException {
        int total = 0;
        while (total < n) {
            int cur = (int) in.skip(n - total);
            if (cur <= 0) {
                break;
            }
            total += cur;
        }
        return total;
    }

    // one byte that must be there
    private int next() throws IOException {
        int b = in.read();
        if (b < 0) {
            throw new EOFException();
        }
        return b;
    }

    public final boolean readBoolean() throws IOException {
        return next() != 0;
    }

    public final byte readByte() throws IOException {
        return (byte) next();
    }

    public final int readUnsignedByte() throws IOException {
        return next();
    }

    public final short readShort() throws IOException {
        int high = next();
        return (short) ((high << 8) | next());
    }

    public final int readUnsignedShort() throws IOException {
        int high = next();
        return (high << 8) | next();
    }

    public final char readChar() throws IOException {
        int high = next();
        return (char) ((high << 8) | next());
    }

    public final int readInt() throws IOException {
        int a = next();
        int b = next();
        int c = next();
        return (a << 24) | (b << 16) | (c << 8) | next();
    }

    public final long readLong() throws IOException {
        long high = readInt();
        return (high << 32) + (readInt() & 0xFFFFFFFFL);
    }

    public final float readFloat() throws IOException {
        return Float.intBitsToFloat(readInt());
    }

    public final double readDouble() throws IOException {
        return Double.longBitsToDouble(readLong());
    }

    public final String readUTF() throws IOException {
        return readUTF(this);
    }

    public static final String readUTF(DataInput in) throws IOException {
        int length = in.readUnsignedShort();
        byte[] bytes = new byte[length];
        in.readFully(bytes, 0, length);
        char[] chars = new char[length];
        int n = 0;
        int at = 0;
        while (at < length) {
            int a = bytes[at] & 0xFF;
            if (a < 0x80) {
                chars[n++] = (char) a;
                at++;
            } else if ((a & 0xE0) == 0xC0) {
                if (at + 2 > length) {
                    throw new UTFDataFormatException("malformed input: partial character at end");
                }
                int b = bytes[at + 1];
                if ((b & 0xC0) != 0x80) {
                    throw new UTFDataFormatException("malformed input around byte " + (at + 2));
                }
                chars[n++] = (char) (((a & 0x1F) << 6) | (b & 0x3F));
                at += 2;
            } else if ((a & 0xF0) == 0xE0) {
                if (at + 3 > length) {
                    throw new UTFDataFormatException("malformed input: partial character at end");
                }
                int b = bytes[at + 1];
                int c = bytes[at + 2];
                if ((b & 0xC0) != 0x80 || (c & 0xC0) != 0x80) {
                    throw new UTFDataFormatException("malformed input around byte " + (at + 2));
                }
                chars[n++] = (char) (((a & 0x0F) << 12) | ((b & 0x3F) << 6) | (c & 0x3F));
                at += 3;
            } else {
                throw new UTFDataFormatException("malformed input around byte " + at);
            }
        }
        return new String(chars, 0, n);
    }

    public long skip(long n) throws IOException {
        return in.skip(n);
    }

    public int available() throws IOException {
        return in.available();
    }

    public void close() throws IOException {
        in.close();
    }

    public synchronized void mark(int readlimit) {
        in.mark(readlimit);
    }

    public synchronized void reset() throws IOException {
        in.reset();
    }

    public boolean markSupported() {
        return in.markSupported();
    }
}
