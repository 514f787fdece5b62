import java.io.*;

// InputStreamReader and OutputStreamWriter in UTF-8 and ISO-8859-1, over whole arrays and
// over a stream that gives one byte per read, so that characters arrive cut in parts.
public class CharStreams {
    static String hex(byte[] b) {
        StringBuffer s = new StringBuffer();
        for (int i = 0; i < b.length; i++) {
            s.append(Integer.toHexString((b[i] & 0xFF) | 0x100).substring(1));
        }
        return s.toString();
    }

    static byte[] bytes(int[] values) {
        byte[] b = new byte[values.length];
        for (int i = 0; i < values.length; i++) {
            b[i] = (byte) values[i];
        }
        return b;
    }

    static class OneByOne extends InputStream {
        private final byte[] data;
        private int at;

        OneByOne(byte[] data) {
            this.data = data;
        }

        public int read() {
            return at < data.length ? data[at++] & 0xFF : -1;
        }

        public int read(byte[] b, int off, int len) {
            if (len == 0) {
                return 0;
            }
            int c = read();
            if (c < 0) {
                return -1;
            }
            b[off] = (byte) c;
            return 1;
        }
    }

    static String units(Reader r) throws IOException {
        StringBuffer s = new StringBuffer();
        int c;
        while ((c = r.read()) != -1) {
            s.append(Integer.toHexString(c)).append(' ');
        }
        return s.toString();
    }

    public static void main(String[] args) throws IOException {
        // character streams
        String text = "na\u00efve \u20ac \ud83d\ude00 end";
        String[] encodings = {"UTF-8", "ISO-8859-1"};
        for (int e = 0; e < encodings.length; e++) {
            ByteArrayOutputStream sink = new ByteArrayOutputStream();
            Writer w = new OutputStreamWriter(sink, encodings[e]);
            w.write(text, 0, 6);
            w.write(text.substring(6).toCharArray());
            w.write('!');
            w.write("\ud83d");
            w.write("\ude01");
            w.flush();
            w.close();
            byte[] written = sink.toByteArray();
            System.out.println(encodings[e] + " writer: " + hex(written));
            Reader r = new InputStreamReader(new ByteArrayInputStream(written), encodings[e]);
            char[] cbuf = new char[3];
            StringBuffer got = new StringBuffer();
            int n;
            System.out.println("ready " + r.ready() + " skip " + r.skip(2));
            while ((n = r.read(cbuf, 0, cbuf.length)) != -1) {
                got.append(cbuf, 0, n);
            }
            System.out.println(encodings[e] + " reader: " + got + " " + got.length() + " markSupported " + r.markSupported());
            r.close();
            try {
                r.read();
            } catch (IOException x) {
                System.out.println("read after close: IOException");
            }
        }
        Reader split = new InputStreamReader(new ByteArrayInputStream(bytes(new int[] {0xf0, 0x9f, 0x98, 0x80, 0x41, 0xe2})), "UTF-8");
        System.out.println(Integer.toHexString(split.read()) + " " + Integer.toHexString(split.read()) + " "
            + Integer.toHexString(split.read()) + " " + Integer.toHexString(split.read()) + " " + split.read());
        try {
            new InputStreamReader(new ByteArrayInputStream(new byte[0]), "NOPE");
        } catch (UnsupportedEncodingException e) {
            System.out.println("reader NOPE: UnsupportedEncodingException");
        }
        try {
            new OutputStreamWriter(new ByteArrayOutputStream(), "NOPE");
        } catch (UnsupportedEncodingException e) {
            System.out.println("writer NOPE: UnsupportedEncodingException");
        }
        int[][] cut = {{0xe2, 0x82, 0xac, 0x41}, {0xf0, 0x9f, 0x98, 0x80, 0x42}, {0xe2, 0x82}, {0xc3, 0x41}, {0xf0, 0x9f, 0x98},
                       {0xed, 0xa0, 0x80, 0x43}, {0x41, 0xe9, 0xff}};
        for (int i = 0; i < cut.length; i++) {
            System.out.println(hex(bytes(cut[i])) + " one by one: " + units(new InputStreamReader(new OneByOne(bytes(cut[i])), "UTF-8"))
                + "| Latin-1: " + units(new InputStreamReader(new OneByOne(bytes(cut[i])), "ISO-8859-1")));
        }
        // a long text crosses the reader's blocks
        StringBuffer longText = new StringBuffer();
        for (int i = 0; i < 300; i++) {
            longText.append(i % 3 == 0 ? "\u20ac" : i % 3 == 1 ? "\ud83d\ude03" : "a\u00e9");
        }
        byte[] encoded = longText.toString().getBytes("UTF-8");
        Reader r = new InputStreamReader(new ByteArrayInputStream(encoded), "UTF-8");
        char[] all = new char[2000];
        int n = 0;
        int got;
        while ((got = r.read(all, n, 7)) > 0) {
            n += got;
        }
        System.out.println("long text " + encoded.length + " bytes " + n + " chars " + new String(all, 0, n).equals(longText.toString()));
        // one character at a time, pairs split between writes
        ByteArrayOutputStream sink = new ByteArrayOutputStream();
        Writer w = new OutputStreamWriter(sink, "UTF-8");
        for (int i = 0; i < 20; i++) {
            w.write(longText.charAt(i));
        }
        w.write("\ud83d");
        w.close();
        System.out.println("char by char " + hex(sink.toByteArray()));
        try {
            w.write('x');
        } catch (IOException e) {
            System.out.println("write after close: IOException");
        }
    }
}
