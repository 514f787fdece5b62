/**
 * String natives: searches, comparisons, case, replace, trim, intern and their errors.
 */
public class StringTest {

    static void show(String what, Object value) {
        System.out.println(what + " = " + value);
    }

    static void show(String what, int value) {
        System.out.println(what + " = " + value);
    }

    static void show(String what, boolean value) {
        System.out.println(what + " = " + value);
    }

    public static void main(String[] args) {
        String s = "hello, world";
        show("charAt(4)", s.charAt(4));
        try {
            s.charAt(12);
        } catch (StringIndexOutOfBoundsException e) {
            show("charAt(12)", e.getClass().getName());
        }
        try {
            s.charAt(-1);
        } catch (StringIndexOutOfBoundsException e) {
            show("charAt(-1)", e.getClass().getName());
        }
        show("indexOf('o')", s.indexOf('o'));
        show("indexOf('o', 5)", s.indexOf('o', 5));
        show("indexOf('o', -7)", s.indexOf('o', -7));
        show("indexOf('z')", s.indexOf('z'));
        show("lastIndexOf('o')", s.lastIndexOf('o'));
        show("lastIndexOf('o', 7)", s.lastIndexOf('o', 7));
        show("lastIndexOf('o', 99)", s.lastIndexOf('o', 99));
        show("lastIndexOf('o', -1)", s.lastIndexOf('o', -1));
        show("indexOf(\"world\")", s.indexOf("world"));
        show("indexOf(\"o\", 5)", s.indexOf("o", 5));
        show("indexOf(\"worlds\")", s.indexOf("worlds"));
        show("\"abc\".indexOf(\"\", 5)", "abc".indexOf("", 5));
        show("\"abc\".indexOf(\"\", 1)", "abc".indexOf("", 1));
        show("\"\".indexOf(\"\", 0)", "".indexOf("", 0));
        try {
            s.indexOf((String) null);
        } catch (NullPointerException e) {
            show("indexOf(null)", e.getClass().getName());
        }

        show("equals same", s.equals(s));
        show("equals copy", s.equals(new String("hello, world")));
        show("equals other", s.equals("hello, World"));
        show("equals null", s.equals(null));
        show("equals StringBuffer", s.equals(new StringBuffer(s)));
        show("substring equals", s.substring(7).equals("world"));
        show("hashCode", s.hashCode());
        show("\"\".hashCode", "".hashCode());
        show("substring hashCode", s.substring(7).hashCode() == "world".hashCode());
        show("startsWith hello", s.startsWith("hello"));
        show("startsWith world at 7", s.startsWith("world", 7));
        show("startsWith world at 8", s.startsWith("world", 8));
        show("startsWith at -1", s.startsWith("h", -1));
        show("endsWith world", s.endsWith("world"));
        show("compareTo", "apple".compareTo("apricot"));
        show("compareTo prefix", "app".compareTo("apple"));
        show("compareTo equal", "apple".compareTo("apple"));
        try {
            s.compareTo(null);
        } catch (NullPointerException e) {
            show("compareTo(null)", e.getClass().getName());
        }
        show("regionMatches", s.regionMatches(7, "a world", 2, 5));
        show("regionMatches case", s.regionMatches(7, "WORLD", 0, 5));
        show("regionMatches ignore case", s.regionMatches(true, 7, "WORLD", 0, 5));
        show("regionMatches negative len", s.regionMatches(0, "x", 0, -1));
        show("regionMatches past end", s.regionMatches(10, "ldx", 0, 3));
        show("equalsIgnoreCase", "Hello".equalsIgnoreCase("hELLO"));

        String capitals = "ABC";
        show("toUpperCase same object", capitals.toUpperCase() == capitals);
        String withDigit = "ABC1";
        show("toUpperCase with digit new", withDigit.toUpperCase() != withDigit);
        show("toUpperCase with digit equal", withDigit.toUpperCase().equals(withDigit));
        show("toLowerCase", "Hello World".toLowerCase());
        show("toUpperCase", "Hello World".toUpperCase());
        String latin = "\u00df\u00ff\u00e9";
        String upper = latin.toUpperCase();
        show("toUpperCase latin", Integer.toHexString(upper.charAt(0)) + " " + Integer.toHexString(upper.charAt(1)) + " "
            + Integer.toHexString(upper.charAt(2)));
        show("toLowerCase latin", Integer.toHexString("\u00c9\u00de".toLowerCase().charAt(0)) + " "
            + Integer.toHexString("\u00c9\u00de".toLowerCase().charAt(1)));

        show("replace", s.replace('o', '0'));
        show("replace none same", s.replace('z', 'y') == s);
        show("replace equal same", s.replace('o', 'o') == s);
        show("trim", "[" + " \t\n x y \r\u0001".trim() + "]");
        show("trim nothing same", s.trim() == s);
        show("trim keeps a0", "\u00a0x\u00a0".trim().length());
        show("trim all", "[" + "   ".trim() + "]");

        String ab = "a" + "b";
        String a = "a";
        String built = a + "b";
        show("built == literal", built == "ab");
        show("intern == literal", built.intern() == "ab");
        show("literal in another class", Other.LITERAL == "shared literal");
        show("intern new", new String("fresh").intern() == new String("fresh").intern());
        show("concat", "con".concat("cat"));
        show("valueOf", String.valueOf(42) + String.valueOf(true) + String.valueOf('c') + String.valueOf((Object) null));
        show("ab", ab);
    }
}

class Other {
    static String LITERAL = "shared literal";
}
