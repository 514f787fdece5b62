package java.io;

/**
 * An output stream that collects its bytes in an array that grows as needed.
 */
public class ByteArrayOutputStream extends OutputStream {

    protected byte[] buf;
    protected int count;

    public ByteArrayOutputStream() {
        this(32);
    }

    public ByteArrayOutputStream(int size) {
        if (size < 0) {
            throw new IllegalArgumentException("Negative initial size: " + size);
        }
        buf = new byte[size];
    }

    private void ensure(int needed) {
        if (needed > buf.length) {
            int size = buf.length << 1;
            if (size < needed) {
                size = needed;
            }
            byte[] bigger = new byte[size];
            System.arraycopy(buf, 0, bigger, 0, count);
            buf = bigger;
        }
    }

    public synchronized void write(int b) {
        ensure(count + 1);
        buf[count++] = (byte) b;
    }

    public synchronized void write(byte[] b, int off, int len) {
        if (b == null) {
            throw new NullPointerException();
        }
        if (off < 0 || len < 0 || off > b.length - len) {
            throw new IndexOutOfBoundsException();
        }
        if (len == 0) {
            return;
        }
        ensure(count + len);
        System.arraycopy(b, off, buf, count, len);
        count += len;
    }

    public synchronized void reset() {
        count = 0;
    }

    public synchronized byte[] toByteArray() {
        byte[] copy = new byte[count];
        System.arraycopy(buf, 0, copy, 0, count);
        return copy;
    }

    public int size() {
        return count;
    }

    // the bytes in the default encoding
    public String toString() {
        return new String(buf, 0, count);
    }

    public synchronized void close() throws IOException {
    }
}
