package java.io;

/**
 * Prints text to an output stream. Characters are written as UTF-8. A failure of the
 * stream is kept for checkError, never thrown.
 */
public class PrintStream extends OutputStream {

    private OutputStream out;
    private boolean trouble;

    public PrintStream(OutputStream out) {
        if (out == null) {
            throw new NullPointerException();
        }
        this.out = out;
    }

    public void flush() {
        try {
            out.flush();
        } catch (IOException e) {
            trouble = true;
        }
    }

    public void close() {
        try {
            out.close();
        } catch (IOException e) {
            trouble = true;
        }
    }

    public boolean checkError() {
        flush();
        return trouble;
    }

    protected void setError() {
        trouble = true;
    }

    public void write(int b) {
        try {
            out.write(b);
        } catch (IOException e) {
            trouble = true;
        }
    }

    public void write(byte[] buf, int off, int len) {
        try {
            out.write(buf, off, len);
        } catch (IOException e) {
            trouble = true;
        }
    }

    // UTF-8: a surrogate pair is one four-byte character, a lone surrogate '?'.
    private void writeText(String s) {
        int n = s.length();
        byte[] bytes = new byte[n * 3];
        int at = 0;
        for (int i = 0; i < n; i++) {
            char c = s.charAt(i);
            if (c < 0x80) {
                bytes[at++] = (byte) c;
            } else if (c < 0x800) {
                bytes[at++] = (byte) (0xC0 | (c >> 6));
                bytes[at++] = (byte) (0x80 | (c & 0x3F));
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                char low = i + 1 < n ? s.charAt(i + 1) : 0;
                if (c <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                    int v = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    bytes[at++] = (byte) (0xF0 | (v >> 18));
                    bytes[at++] = (byte) (0x80 | ((v >> 12) & 0x3F));
                    bytes[at++] = (byte) (0x80 | ((v >> 6) & 0x3F));
                    bytes[at++] = (byte) (0x80 | (v & 0x3F));
                    i++;
                } else {
                    bytes[at++] = '?';
                }
            } else {
                bytes[at++] = (byte) (0xE0 | (c >> 12));
                bytes[at++] = (byte) (0x80 | ((c >> 6) & 0x3F));
                bytes[at++] = (byte) (0x80 | (c & 0x3F));
            }
        }
        write(bytes, 0, at);
    }

    public void print(boolean b) {
        writeText(b ? "true" : "false");
    }

    public void print(char c) {
        writeText(String.valueOf(c));
    }

    public void print(int i) {
        writeText(String.valueOf(i));
    }

    public void print(long l) {
        writeText(String.valueOf(l));
    }

    public void print(float f) {
        writeText(String.valueOf(f));
    }

    public void print(double d) {
        writeText(String.valueOf(d));
    }

    public void print(char[] s) {
        writeText(new String(s));
    }

    public void print(String s) {
        writeText(s == null ? "null" : s);
    }

    public void print(Object obj) {
        writeText(String.valueOf(obj));
    }

    public void println() {
        write('\n');
    }

    public void println(boolean x) {
        print(x);
        println();
    }

    public void println(char x) {
        print(x);
        println();
    }

    public void println(int x) {
        print(x);
        println();
    }

    public void println(long x) {
        print(x);
        println();
    }

    public void println(float x) {
        print(x);
        println();
    }

    public void println(double x) {
        print(x);
        println();
    }

    public void println(char[] x) {
        print(x);
        println();
    }

    public void println(String x) {
        print(x);
        println();
    }

    public void println(Object x) {
        print(x);
        println();
    }
}
