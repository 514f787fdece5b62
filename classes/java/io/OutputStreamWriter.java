package java.io;

import com.movane.util.i18n.CharWriter;
import com.movane.util.i18n.Helper;

/**
 * Writes characters to a byte stream in a character encoding, by default the system's.
 * The bytes go to the stream at each write; a high surrogate at the end of a write waits
 * for its partner in the next one.
 */
public class OutputStreamWriter extends Writer {

    private OutputStream out;
    private final CharWriter converter;

    public OutputStreamWriter(OutputStream os) {
        this(os, defaultWriter());
    }

    public OutputStreamWriter(OutputStream os, String enc) throws UnsupportedEncodingException {
        this(os, Helper.getWriter(enc));
    }

    private OutputStreamWriter(OutputStream os, CharWriter converter) {
        super(os);
        out = os;
        this.converter = converter;
        converter.reset();
    }

    private static CharWriter defaultWriter() {
        try {
            return Helper.getWriter(Helper.getDefaultEncoding());
        } catch (UnsupportedEncodingException e) {
            throw new RuntimeException("no default encoding " + Helper.getDefaultEncoding());
        }
    }

    private void ensureOpen() throws IOException {
        if (out == null) {
            throw new IOException("Stream closed");
        }
    }

    public void write(int c) throws IOException {
        char[] one = {(char) c};
        write(one, 0, 1);
    }

    public void write(char[] cbuf, int off, int len) throws IOException {
        synchronized (lock) {
            ensureOpen();
            if (off < 0 || len < 0 || off > cbuf.length - len) {
                throw new IndexOutOfBoundsException();
            }
            byte[] bytes = converter.encode(cbuf, off, len, false);
            out.write(bytes, 0, bytes.length);
        }
    }

    public void write(String str, int off, int len) throws IOException {
        if (len < 0) {
            throw new IndexOutOfBoundsException();
        }
        char[] chars = new char[len];
        str.getChars(off, off + len, chars, 0);
        write(chars, 0, len);
    }

    public void flush() throws IOException {
        synchronized (lock) {
            ensureOpen();
            out.flush();
        }
    }

    // A surrogate still waiting becomes '?'.
    public void close() throws IOException {
        synchronized (lock) {
            if (out == null) {
                return;
            }
            byte[] bytes = converter.encode(new char[0], 0, 0, true);
            out.write(bytes, 0, bytes.length);
            out.close();
            out = null;
        }
    }
}
