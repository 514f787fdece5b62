package java.io;

import com.movane.util.i18n.CharReader;
import com.movane.util.i18n.Helper;

/**
 * Reads characters from a byte stream in a character encoding, by default the system's.
 * Bytes are read in blocks; a character cut by the end of a block waits for the next.
 */
public class InputStreamReader extends Reader {

    private InputStream in;
    private final CharReader converter;
    private final byte[] bytes = new byte[128];
    private char[] chars = new char[0];
    private int charPos;
    private int charEnd;
    private boolean atEnd;

    public InputStreamReader(InputStream is) {
        this(is, defaultReader());
    }

    public InputStreamReader(InputStream is, String enc) throws UnsupportedEncodingException {
        this(is, Helper.getReader(enc));
    }

    private InputStreamReader(InputStream is, CharReader converter) {
        super(is);
        in = is;
        this.converter = converter;
        converter.reset();
    }

    private static CharReader defaultReader() {
        try {
            return Helper.getReader(Helper.getDefaultEncoding());
        } catch (UnsupportedEncodingException e) {
            throw new RuntimeException("no default encoding " + Helper.getDefaultEncoding());
        }
    }

    private void ensureOpen() throws IOException {
        if (in == null) {
            throw new IOException("Stream closed");
        }
    }

    // Decodes the next block; false once the input is used up.
    private boolean fill() throws IOException {
        if (atEnd) {
            return false;
        }
        int n = in.read(bytes, 0, bytes.length);
        if (n < 0) {
            atEnd = true;
            n = 0;
        }
        int room = converter.maxChars(bytes, 0, n);
        if (chars.length < room) {
            chars = new char[room];
        }
        charPos = 0;
        charEnd = converter.decode(bytes, 0, n, chars, 0, atEnd);
        return true;
    }

    public int read() throws IOException {
        synchronized (lock) {
            ensureOpen();
            while (charPos == charEnd) {
                if (!fill()) {
                    return -1;
                }
            }
            return chars[charPos++];
        }
    }

    public int read(char[] cbuf, int off, int len) throws IOException {
        synchronized (lock) {
            ensureOpen();
            if (off < 0 || len < 0 || off > cbuf.length - len) {
                throw new IndexOutOfBoundsException();
            }
            if (len == 0) {
                return 0;
            }
            while (charPos == charEnd) {
                if (!fill()) {
                    return -1;
                }
            }
            int n = Math.min(len, charEnd - charPos);
            System.arraycopy(chars, charPos, cbuf, off, n);
            charPos += n;
            return n;
        }
    }

    public long skip(long n) throws IOException {
        synchronized (lock) {
            ensureOpen();
            return super.skip(n);
        }
    }

    public boolean markSupported() {
        return false;
    }

    public void mark(int readAheadLimit) throws IOException {
        throw new IOException("mark() not supported");
    }

    public void reset() throws IOException {
        throw new IOException("reset() not supported");
    }

    public boolean ready() throws IOException {
        synchronized (lock) {
            ensureOpen();
            return charPos < charEnd || in.available() > 0;
        }
    }

    public void close() throws IOException {
        synchronized (lock) {
            if (in != null) {
                in.close();
                in = null;
            }
        }
    }
}
