/**
 * Decodes one text over and over from Java, for the decoding benchmark: arguments are the
 * encoding and the number of times.
 */
public class DecodeLoop {

    public static void main(String[] args) throws Exception {
        StringBuffer text = new StringBuffer();
        for (int i = 0; i < 4000; i++) {
            text.append("\u65e5\u672c\u8a9e\u306e\u6587\u7ae0 text ");
        }
        byte[] bytes = text.toString().getBytes(args[0]);
        int times = Integer.parseInt(args[1]);
        int chars = 0;
        for (int i = 0; i < times; i++) {
            chars += new String(bytes, args[0]).length();
        }
        if (chars != times * text.length()) {
            throw new RuntimeException("decoded " + chars + " characters");
        }
    }
}
