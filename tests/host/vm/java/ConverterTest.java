import com.movane.util.i18n.CharReader;
import com.movane.util.i18n.CharWriter;
import com.movane.util.i18n.Helper;
import com.movane.util.i18n.SJIS_Reader;
import com.movane.util.i18n.SJIS_Writer;

/**
 * The converter classes from Java: names of encodings, whole texts, streams cut at every
 * byte, and the natives' argument checks.
 */
public class ConverterTest {

    static String hex(byte[] b, int n) {
        StringBuffer sb = new StringBuffer();
        for (int i = 0; i < n; i++) {
            if (i > 0) sb.append(' ');
            sb.append(Integer.toHexString((b[i] & 0xff) | 0x100).substring(1));
        }
        return sb.toString();
    }

    static String hex(char[] c, int n) {
        StringBuffer sb = new StringBuffer();
        for (int i = 0; i < n; i++) {
            if (i > 0) sb.append(' ');
            sb.append(Integer.toHexString(c[i] | 0x10000).substring(1));
        }
        return sb.toString();
    }

    // A stream cut after every byte decodes as the whole text does.
    static void streamed(String enc, byte[] bytes) throws Exception {
        String whole = hex(Helper.byteToCharArray(bytes, 0, bytes.length, enc), Helper.byteToCharArray(bytes, 0, bytes.length, enc).length);
        CharReader r = Helper.getReader(enc);
        char[] out = new char[bytes.length * 2 + 2];
        int n = 0;
        for (int i = 0; i < bytes.length; i++) {
            n += r.decode(bytes, i, 1, out, n, false);
        }
        n += r.decode(bytes, bytes.length, 0, out, n, true);
        System.out.println(enc + " " + whole + (hex(out, n).equals(whole) ? " same in parts" : " DIFFERS in parts: " + hex(out, n)));
    }

    static void encoded(String enc, String text) throws Exception {
        char[] c = text.toCharArray();
        byte[] whole = Helper.charToByteArray(c, 0, c.length, enc);
        CharWriter w = Helper.getWriter(enc);
        StringBuffer parts = new StringBuffer();
        for (int i = 0; i < c.length; i++) {
            byte[] b = w.encode(c, i, 1, false);
            if (b.length > 0) parts.append(parts.length() > 0 ? " " : "").append(hex(b, b.length));
        }
        byte[] last = w.encode(c, c.length, 0, true);
        if (last.length > 0) parts.append(parts.length() > 0 ? " " : "").append(hex(last, last.length));
        String w1 = hex(whole, whole.length);
        System.out.println(enc + " " + w1 + (parts.toString().equals(w1) ? " same in parts" : " DIFFERS in parts: " + parts));
    }

    public static void main(String[] args) throws Exception {
        String[] names = {"UTF-8", "utf-8", "UTF8", "ISO-8859-1", "ISO8859_1", "latin1", "Shift_JIS", "SJIS", "x-sjis",
                          "EUC-JP", "ISO-8859-2", "", "com.movane.util.i18n.SJIS", "Char"};
        for (int i = 0; i < names.length; i++) {
            try {
                System.out.println(names[i] + ": " + Helper.getReader(names[i]).getClass().getName() + " "
                                   + Helper.getWriter(names[i]).getClass().getName());
            } catch (java.io.UnsupportedEncodingException e) {
                System.out.println(names[i] + ": unsupported " + e.getMessage());
            }
        }
        System.out.println("default " + Helper.getDefaultEncoding());

        String text = "A\u00e9\u3042\ud83d\ude00\ud800x\uff71\\~";
        encoded("UTF-8", text);
        encoded("ISO-8859-1", text);
        encoded("SJIS", text);

        streamed("UTF-8", new byte[] {0x41, (byte) 0xe3, (byte) 0x81, (byte) 0x82, (byte) 0xf0, (byte) 0x9f, (byte) 0x98,
                                      (byte) 0x80, (byte) 0xed, (byte) 0xa0, (byte) 0x80, (byte) 0xe3, 0x41, (byte) 0xf0,
                                      (byte) 0x9f});
        streamed("SJIS", new byte[] {(byte) 0x82, (byte) 0xa0, 0x5c, (byte) 0xb1, (byte) 0x8a, (byte) 0xbf, (byte) 0x81,
                                     0x7f, (byte) 0x80, (byte) 0x82});
        streamed("ISO-8859-1", new byte[] {0x41, (byte) 0xe9, (byte) 0xff});

        // the natives' checks
        SJIS_Writer w = new SJIS_Writer();
        SJIS_Reader r = new SJIS_Reader();
        int[] count = new int[1];
        char[] c = {'a', 'b'};
        byte[] b = new byte[4];
        System.out.println("empty source " + w.convert(c, 1, 1, b, 0, 4, count));
        System.out.println("past the end " + w.convert(c, 0, 3, b, 0, 4, count));
        System.out.println("null destination " + r.convert(b, 0, 1, null, 0, 1, count, null));
        try {
            w.convert(c, 0, 2, b, 0, 4, null);
        } catch (NullPointerException e) {
            System.out.println("null count: NullPointerException");
        }
        try {
            w.convert(c, 0, 2, b, 0, 4, new int[0]);
        } catch (ArrayIndexOutOfBoundsException e) {
            System.out.println("empty count: ArrayIndexOutOfBoundsException");
        }
        try {
            r.convert(b, 0, 1, c, 0, 1, count, new byte[0]);
        } catch (ArrayIndexOutOfBoundsException e) {
            System.out.println("empty carry: ArrayIndexOutOfBoundsException");
        }
        try {
            w.sizeOf(c, 1, 2);
        } catch (ArrayIndexOutOfBoundsException e) {
            System.out.println("sizeOf past the end: ArrayIndexOutOfBoundsException");
        }
        System.out.println("sizeOf of nothing " + w.sizeOf(null, 5, 0) + " " + r.sizeOf(null, -1, -1));
        System.out.println("sizeOf " + w.sizeOf(new char[] {'a', '\u3042', '\uff71'}, 0, 3) + " "
                           + r.sizeOf(new byte[] {0x41, (byte) 0x82, (byte) 0xa0, (byte) 0x82}, 0, 4));
    }
}
