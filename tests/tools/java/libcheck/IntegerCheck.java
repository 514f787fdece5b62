package libcheck;

import java.util.Random;

/**
 * The library's Integer, Long and Character (copied into this package, where they shadow
 * the JDK's) against the JDK's: number text in every radix, parsing with its overflow
 * edges, and the character classes of ASCII (above it the library knows ISO 8859-1 only).
 * The JDK also takes a leading '+', which CLDC does not.
 */
public class IntegerCheck {
    static int failures = 0;

    static void fail(String message) {
        if (failures++ < 20) {
            System.out.println("FAIL " + message);
        }
    }

    static String jdkParse(String s, int radix, boolean isLong) {
        if (s != null && s.startsWith("+")) {
            return "NumberFormatException";
        }
        try {
            return isLong ? String.valueOf(java.lang.Long.parseLong(s, radix))
                          : String.valueOf(java.lang.Integer.parseInt(s, radix));
        } catch (NumberFormatException e) {
            return "NumberFormatException";
        }
    }

    static String ourParse(String s, int radix, boolean isLong) {
        try {
            return isLong ? String.valueOf(Long.parseLong(s, radix))
                          : String.valueOf(Integer.parseInt(s, radix));
        } catch (NumberFormatException e) {
            return "NumberFormatException";
        }
    }

    static void same(String what, String ours, String jdk) {
        if (!ours.equals(jdk)) {
            fail(what + ": " + ours + ", the JDK " + jdk);
        }
    }

    static void checkParse(String s, int radix) {
        same("parseInt(\"" + s + "\", " + radix + ")", ourParse(s, radix, false), jdkParse(s, radix, false));
        same("parseLong(\"" + s + "\", " + radix + ")", ourParse(s, radix, true), jdkParse(s, radix, true));
    }

    public static void main(String[] args) {
        int n = java.lang.Integer.parseInt(args[0]);
        Random r = new Random(java.lang.Long.parseLong(args[1]));
        int[] fixed = {0, 1, -1, 9, 10, java.lang.Integer.MIN_VALUE, java.lang.Integer.MAX_VALUE, 255, -255};
        for (int t = 0; t < n; t++) {
            int i = t < fixed.length ? fixed[t] : (t % 3 == 0 ? r.nextInt() : r.nextInt(2000) - 1000);
            int radix = 1 + r.nextInt(37);  // 1 and 37 fall back to 10
            same("toString(" + i + ", " + radix + ")", Integer.toString(i, radix), java.lang.Integer.toString(i, radix));
            same("toString(" + i + ")", Integer.toString(i), java.lang.Integer.toString(i));
            same("toHexString(" + i + ")", Integer.toHexString(i), java.lang.Integer.toHexString(i));
            same("toOctalString(" + i + ")", Integer.toOctalString(i), java.lang.Integer.toOctalString(i));
            same("toBinaryString(" + i + ")", Integer.toBinaryString(i), java.lang.Integer.toBinaryString(i));
            int pr = 2 + r.nextInt(35);
            String text = java.lang.Integer.toString(i, pr);
            checkParse(r.nextInt(4) == 0 ? text.toUpperCase() : text, pr);
            long l = r.nextLong() >> r.nextInt(64);
            checkParse(java.lang.Long.toString(l, pr), pr);
            StringBuilder junk = new StringBuilder();
            for (int k = r.nextInt(12); k > 0; k--) {
                junk.append("-+0129azAZ. ".charAt(r.nextInt(12)));
            }
            checkParse(junk.toString(), 10);
            checkParse(junk.toString(), 36);
        }
        String[] edges = {"2147483647", "2147483648", "-2147483648", "-2147483649",
            "9223372036854775807", "9223372036854775808", "-9223372036854775808",
            "-9223372036854775809", "-", "", null, "0x10", "00012", "-0", "--1", " 1"};
        for (String e : edges) {
            checkParse(e, 10);
        }
        same("parseInt radix 37", ourParse("1", 37, false), "NumberFormatException");
        for (int c = 0; c < 128; c++) {
            char ch = (char) c;
            for (int radix = 1; radix <= 37; radix++) {
                if (Character.digit(ch, radix) != java.lang.Character.digit(ch, radix)) {
                    fail("digit(" + c + ", " + radix + ")");
                }
            }
            if (Character.isDigit(ch) != java.lang.Character.isDigit(ch)
                || Character.isLowerCase(ch) != java.lang.Character.isLowerCase(ch)
                || Character.isUpperCase(ch) != java.lang.Character.isUpperCase(ch)
                || Character.toLowerCase(ch) != java.lang.Character.toLowerCase(ch)
                || Character.toUpperCase(ch) != java.lang.Character.toUpperCase(ch)) {
                fail("character class of " + c);
            }
        }
        // ISO 8859-1 letters: the tables of the String natives
        for (int c = 0xc0; c <= 0xff; c++) {
            char ch = (char) c;
            boolean upper = c <= 0xde && c != 0xd7;
            boolean lower = c >= 0xdf && c != 0xf7;
            if (Character.isUpperCase(ch) != upper || Character.isLowerCase(ch) != lower) {
                fail("case of " + c);
            }
            int up = (lower && c != 0xdf && c != 0xff) ? c - 0x20 : c;
            int down = upper ? c + 0x20 : c;
            if (Character.toUpperCase(ch) != up || Character.toLowerCase(ch) != down) {
                fail("case mapping of " + c);
            }
        }
        System.out.println(failures == 0 ? "ok" : failures + " failures");
        System.exit(failures == 0 ? 0 : 1);
    }
}
