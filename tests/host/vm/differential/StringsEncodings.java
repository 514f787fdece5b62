import java.io.UnsupportedEncodingException;

// Strings and encodings: the String API and text to bytes and back in UTF-8 and
// ISO-8859-1, with malformed input, surrogate pairs and unmappable characters.
public class StringsEncodings {
    static String hex(byte[] b) {
        StringBuffer s = new StringBuffer();
        for (int i = 0; i < b.length; i++) {
            s.append(Integer.toHexString((b[i] & 0xFF) | 0x100).substring(1));
        }
        return s.toString();
    }

    static String units(String s) {
        StringBuffer b = new StringBuffer();
        for (int i = 0; i < s.length(); i++) {
            b.append(i == 0 ? "" : " ").append(Integer.toHexString(s.charAt(i)));
        }
        return b.toString();
    }

    static byte[] bytes(int[] values) {
        byte[] b = new byte[values.length];
        for (int i = 0; i < values.length; i++) {
            b[i] = (byte) values[i];
        }
        return b;
    }

    public static void main(String[] args) throws Exception {
        String[] texts = {"", "Hi!", "h\u00e9llo", "\u20ac 5", "\ud83d\ude00", "a\ud800b", "\udc00", "x\ud83d", "\u0000\u007f\u0080\u07ff\u0800\uffff",
                          "\u65e5\u672c"};
        String[] encodings = {"UTF-8", "utf-8", "UTF8", "ISO-8859-1", "ISO8859_1", "iso-8859-1"};
        for (int t = 0; t < texts.length; t++) {
            for (int e = 0; e < encodings.length; e++) {
                byte[] b = texts[t].getBytes(encodings[e]);
                System.out.println(units(texts[t]) + " in " + encodings[e] + ": " + hex(b) + " back: " + units(new String(b, encodings[e])));
            }
        }
        int[][] malformed = {{0xc3}, {0xc3, 0x28}, {0xe2, 0x82}, {0xe2, 0x82, 0x41}, {0xed, 0xa0, 0x80}, {0xed, 0x9f, 0xbf},
                             {0xf0, 0x9f, 0x98, 0x80}, {0xf0, 0x9f, 0x98}, {0xf4, 0x90, 0x80, 0x80}, {0xc0, 0xaf}, {0xe0, 0x80, 0xaf},
                             {0x80}, {0xbf, 0x41}, {0xfe, 0xff}, {0xf8, 0x88, 0x80, 0x80, 0x80}, {0xe1, 0x41, 0xe1, 0x80, 0x42}};
        for (int i = 0; i < malformed.length; i++) {
            byte[] b = bytes(malformed[i]);
            System.out.println(hex(b) + " as UTF-8: " + units(new String(b, "UTF-8")) + ", part: "
                + units(new String(b, 1, b.length - 1, "UTF-8")) + ", Latin-1: " + units(new String(b, 0, b.length, "ISO-8859-1")));
        }
        String[] bad = {"FOO", "UTF-9", "", "x.y"};
        for (int i = 0; i < bad.length; i++) {
            try {
                "a".getBytes(bad[i]);
                System.out.println(bad[i] + " encodes");
            } catch (UnsupportedEncodingException e) {
                System.out.println(bad[i] + ": UnsupportedEncodingException");
            }
            try {
                new String(new byte[1], bad[i]);
                System.out.println(bad[i] + " decodes");
            } catch (UnsupportedEncodingException e) {
                System.out.println(bad[i] + ": UnsupportedEncodingException");
            }
        }
        try {
            new String(new byte[4], 3, 2, "UTF-8");
            System.out.println("range accepted");
        } catch (IndexOutOfBoundsException e) {
            System.out.println("range: IndexOutOfBoundsException");
        }
        // the String API
        String s = "Hello, World";
        System.out.println(s.length() + " " + s.charAt(4) + " " + s.indexOf('o') + " " + s.indexOf('o', 5) + " " + s.lastIndexOf('o')
            + " " + s.lastIndexOf('o', 7) + " " + s.indexOf("World") + " " + s.indexOf("o", -3) + " " + s.indexOf("", 3)
            + " " + s.lastIndexOf('z') + " " + s.indexOf('l', 99));
        System.out.println(s.substring(7) + "|" + s.substring(0, 5) + "|" + s.substring(12) + "|" + s.concat("!") + "|" + s.replace('l', 'L')
            + "|" + s.toLowerCase() + "|" + s.toUpperCase() + "|" + "  pad \t\n".trim() + "|" + "\u00e9\u00c9".toUpperCase()
            + "|" + "\u00e9\u00c9".toLowerCase());
        System.out.println(s.startsWith("Hell") + " " + s.startsWith("World", 7) + " " + s.startsWith("x", -1) + " " + s.endsWith("ld")
            + " " + s.equals("Hello, World") + " " + s.equalsIgnoreCase("hELLO, wORLD") + " " + s.equalsIgnoreCase(null)
            + " " + s.regionMatches(true, 7, "xworldx", 1, 5) + " " + s.regionMatches(7, "world", 0, 5)
            + " " + s.regionMatches(-1, "H", 0, 1) + " " + s.regionMatches(0, "H", 0, -1));
        System.out.println(s.compareTo("Hello") + " " + "a".compareTo("b") + " " + "b".compareTo("a") + " " + "".compareTo("")
            + " " + s.hashCode() + " " + "".hashCode() + " " + (s.intern() == "Hello, World") + " " + (new String("q").intern() == "q"));
        char[] chars = new char[8];
        s.getChars(1, 5, chars, 2);
        System.out.println(new String(chars, 2, 4) + " " + String.valueOf(chars, 2, 3) + " " + new String(s.toCharArray()) + " "
            + String.valueOf(true) + String.valueOf('c') + String.valueOf(12) + String.valueOf(-5L) + String.valueOf(1.5f)
            + String.valueOf(2.25) + String.valueOf((Object) null) + String.valueOf(new char[] {'x', 'y'}));
        String[] failing = {"substring(-1)", "substring(13)", "substring(5,4)", "charAt(12)", "getChars(0,13)", "new(-1)"};
        for (int i = 0; i < failing.length; i++) {
            try {
                switch (i) {
                    case 0: s.substring(-1); break;
                    case 1: s.substring(13); break;
                    case 2: s.substring(5, 4); break;
                    case 3: s.charAt(12); break;
                    case 4: s.getChars(0, 13, chars, 0); break;
                    default: new String(chars, -1, 2); break;
                }
                System.out.println(failing[i] + " passed");
            } catch (StringIndexOutOfBoundsException e) {
                System.out.println(failing[i] + ": StringIndexOutOfBoundsException");
            } catch (IndexOutOfBoundsException e) {
                System.out.println(failing[i] + ": IndexOutOfBoundsException");
            }
        }
        StringBuffer b = new StringBuffer("abc");
        b.append(1).append('x').append(2L).append(1.5f).append(2.5).append(true).append((Object) null).append(new char[] {'q'});
        b.insert(0, "<").insert(2, 'I').insert(1, 9).insert(0, 3L).insert(0, false).insert(0, 0.5f).insert(0, 0.25);
        System.out.println(b + " " + b.length() + " " + b.charAt(3));
        b.setCharAt(0, 'Z');
        b.deleteCharAt(1).delete(2, 5).reverse();
        b.setLength(6);
        System.out.println(b + " " + b.length() + " " + new StringBuffer(b.toString()).reverse());
        // characters of Latin-1
        StringBuffer classes = new StringBuffer();
        for (int c = 0; c < 256; c++) {
            char ch = (char) c;
            if (c == 0xaa || c == 0xb5 || c == 0xba || c == 0xff) {
                // letters of Java SE, not of CLDC: see CldcDifferences
                continue;
            }
            classes.append(Character.isDigit(ch) ? 'd' : Character.isUpperCase(ch) ? 'U' : Character.isLowerCase(ch) ? 'l' : '.');
            if (Character.toUpperCase(ch) != ch || Character.toLowerCase(ch) != ch) {
                classes.append(Integer.toHexString(Character.toUpperCase(ch))).append('/').append(Integer.toHexString(Character.toLowerCase(ch)));
            }
        }
        System.out.println(classes);
        for (int radix = 1; radix <= 37; radix += 6) {
            System.out.println("digit radix " + radix + ": " + Character.digit('7', radix) + " " + Character.digit('z', radix) + " "
                + Character.digit('Z', radix) + " " + Character.digit('!', radix));
        }
        System.out.println(new Character('x').equals(new Character('x')) + " " + new Character('x').hashCode() + " " + new Character('q'));
        System.out.println(Integer.parseInt("-123") + " " + Integer.parseInt("7fffffff", 16) + " " + Integer.toString(-255, 16) + " "
            + Integer.toHexString(-1) + " " + Integer.toOctalString(8) + " " + Integer.toBinaryString(10) + " " + Long.parseLong("-9223372036854775808")
            + " " + Long.toString(Long.MIN_VALUE, 36) + " " + Integer.valueOf("12").intValue() + " " + Short.parseShort("-7") + " " + Byte.parseByte("7f", 16));
        String[] badNumbers = {"", "-", "2147483648", "12a", " 1", null};
        for (int i = 0; i < badNumbers.length; i++) {
            try {
                System.out.println("parseInt " + Integer.parseInt(badNumbers[i]));
            } catch (NumberFormatException e) {
                System.out.println("parseInt(" + badNumbers[i] + "): NumberFormatException");
            }
        }
    }
}
