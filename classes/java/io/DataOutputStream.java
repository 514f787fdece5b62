package java.io;

/**
 * Writes primitive values to an underlying output stream in big-endian order, and text in
 * modified UTF-8 behind a two-byte length.
 */
public class DataOutputStream extends OutputStream implements DataOutput {

    protected OutputStream out;

    public DataOutputStream(OutputStream out) {
        this.out = out;
    }

    public void write(int b) throws IOException {
        out.write(b);
    }

    public void write(byte[] b, int off, int len) throws IOException {
        out.write(b, off, len);
    }

    public void flush() throws IOException {
        out.flush();
    }

    public void close() throws IOException {
        out.close();
    }

    public final void writeBoolean(boolean v) throws IOException {
        out.write(v ? 1 : 0);
    }

    public final void writeByte(int v) throws IOException {
        out.write(v);
    }

    public final void writeShort(int v) throws IOException {
        out.write(v >>> 8);
        out.write(v);
    }

    public final void writeChar(int v) throws IOException {
        out.write(v >>> 8);
        out.write(v);
    }

    public final void writeInt(int v) throws IOException {
        out.write(v >>> 24);
        out.write(v >>> 16);
        out.write(v >>> 8);
        out.write(v);
    }

    public final void writeLong(long v) throws IOException {
        writeInt((int) (v >>> 32));
        writeInt((int) v);
    }

    public final void writeFloat(float v) throws IOException {
        writeInt(Float.floatToIntBits(v));
    }

    public final void writeDouble(double v) throws IOException {
        writeLong(Double.doubleToLongBits(v));
    }

    public final void writeChars(String s) throws IOException {
        int n = s.length();
        for (int i = 0; i < n; i++) {
            writeChar(s.charAt(i));
        }
    }

    // U+0000 takes two bytes and a supplementary character two three-byte halves, so that
    // the text never holds a zero byte.
    public final void writeUTF(String str) throws IOException {
        int n = str.length();
        int size = 0;
        for (int i = 0; i < n; i++) {
            char c = str.charAt(i);
            size += c >= 0x0001 && c <= 0x007F ? 1 : c <= 0x07FF ? 2 : 3;
        }
        if (size > 65535) {
            throw new UTFDataFormatException("encoded string too long: " + size + " bytes");
        }
        byte[] bytes = new byte[size + 2];
        bytes[0] = (byte) (size >>> 8);
        bytes[1] = (byte) size;
        int at = 2;
        for (int i = 0; i < n; i++) {
            char c = str.charAt(i);
            if (c >= 0x0001 && c <= 0x007F) {
                bytes[at++] = (byte) c;
            } else if (c <= 0x07FF) {
                bytes[at++] = (byte) (0xC0 | (c >> 6));
                bytes[at++] = (byte) (0x80 | (c & 0x3F));
            } else {
                bytes[at++] = (byte) (0xE0 | (c >> 12));
                bytes[at++] = (byte) (0x80 | ((c >> 6) & 0x3F));
                bytes[at++] = (byte) (0x80 | (c & 0x3F));
            }
        }
        out.write(bytes, 0, size + 2);
    }
}
