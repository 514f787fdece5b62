/**
 * StringBuffer natives: growth, the array shared with strings and copied on change,
 * edits and their errors.
 */
public class StringBufferTest {

    static void show(String what, Object value) {
        System.out.println(what + " = " + value);
    }

    static void error(String what, Exception e) {
        System.out.println(what + " -> " + e.getClass().getName() + (e.getMessage() == null ? "" : ": " + e.getMessage()));
    }

    public static void main(String[] args) {
        StringBuffer sb = new StringBuffer();
        show("capacity", String.valueOf(sb.capacity()));
        sb.append("0123456789abcdef");
        show("full", sb.capacity() + " " + sb.length());
        sb.append('g');
        show("grown", String.valueOf(sb.capacity()));
        StringBuffer big = new StringBuffer(4);
        big.append("a string longer than ten");
        show("needed size wins", String.valueOf(big.capacity()));

        StringBuffer shared = new StringBuffer("abc");
        String before = shared.toString();
        shared.append('d');
        show("append after toString", before + " " + shared);
        shared.setCharAt(0, 'X');
        show("setCharAt after toString", before + " " + shared);
        String second = shared.toString();
        shared.reverse();
        show("reverse after toString", second + " " + shared);
        String third = shared.toString();
        shared.delete(0, 2);
        show("delete after toString", third + " " + shared);
        String fourth = shared.toString();
        shared.insert(0, "<<");
        show("insert after toString", fourth + " " + shared);
        String fifth = shared.toString();
        shared.deleteCharAt(0);
        show("deleteCharAt after toString", fifth + " " + shared);
        String sixth = shared.toString();
        shared.setLength(2);
        shared.append("zz");
        show("setLength after toString", sixth + " " + shared);
        String seventh = new String(shared);
        shared.setCharAt(1, '!');
        show("new String(sb) then setCharAt", seventh + " " + shared);
        StringBuffer cleared = new StringBuffer("0123456789012345678901234");
        cleared.toString();
        cleared.setLength(0);
        show("setLength(0) on shared", cleared.capacity() + " " + cleared.length());
        StringBuffer longer = new StringBuffer("ab");
        longer.setLength(4);
        show("setLength longer", longer.length() + " " + (int) longer.charAt(3));

        StringBuffer n = new StringBuffer();
        n.append((String) null).append(',').insert(0, (String) null);
        show("null appended and inserted", n);
        show("append int", new StringBuffer().append(-2147483648).append(' ').append(0).append(' ').append(123));
        show("append long", new StringBuffer().append(-9223372036854775808L));
        char[] letters = {'w', 'x', 'y', 'z'};
        show("append char[]", new StringBuffer("_").append(letters).append(letters, 1, 2));
        show("insert char[] and char", new StringBuffer("ad").insert(1, letters).insert(0, 'A'));
        show("append boolean and object", new StringBuffer().append(true).append(new StringBuffer("sb")));
        show("reverse odd", new StringBuffer("abcde").reverse());
        show("reverse even", new StringBuffer("abcd").reverse());
        show("reverse one", new StringBuffer("a").reverse());
        show("delete end past count", new StringBuffer("abcdef").delete(2, 99));
        show("delete nothing", new StringBuffer("abcdef").delete(3, 3));
        char[] dst = {'-', '-', '-', '-', '-'};
        new StringBuffer("hello").getChars(1, 4, dst, 1);
        show("getChars", new String(dst));

        try {
            new StringBuffer("abc").charAt(5);
        } catch (Exception e) {
            error("charAt(5)", e);
        }
        try {
            new StringBuffer("abc").setCharAt(-1, 'x');
        } catch (Exception e) {
            error("setCharAt(-1)", e);
        }
        try {
            new StringBuffer("abc").getChars(2, 1, dst, 0);
        } catch (Exception e) {
            error("getChars(2, 1)", e);
        }
        try {
            new StringBuffer("abc").getChars(0, 4, dst, 0);
        } catch (Exception e) {
            error("getChars(0, 4)", e);
        }
        try {
            new StringBuffer("abc").getChars(0, 3, dst, 3);
        } catch (Exception e) {
            error("getChars into short array", e);
        }
        try {
            new StringBuffer("abc").getChars(0, 1, null, 0);
        } catch (Exception e) {
            error("getChars(null)", e);
        }
        try {
            new StringBuffer("abc").delete(2, 1);
        } catch (Exception e) {
            error("delete(2, 1)", e);
        }
        try {
            new StringBuffer("abc").delete(-1, 1);
        } catch (Exception e) {
            error("delete(-1, 1)", e);
        }
        try {
            new StringBuffer("abc").deleteCharAt(3);
        } catch (Exception e) {
            error("deleteCharAt(3)", e);
        }
        try {
            new StringBuffer("abc").insert(4, "x");
        } catch (Exception e) {
            error("insert(4)", e);
        }
        try {
            new StringBuffer("abc").insert(0, (char[]) null);
        } catch (Exception e) {
            error("insert(null char[])", e);
        }
        try {
            new StringBuffer("abc").append(letters, 3, 2);
        } catch (Exception e) {
            error("append(char[], 3, 2)", e);
        }
        try {
            new StringBuffer("abc").append(letters, 1, 0x7fffffff);
        } catch (Exception e) {
            error("append(char[], 1, MAX_VALUE)", e);
        }
        try {
            new StringBuffer("abc").getChars(0, 3, dst, 0x7ffffffe);
        } catch (Exception e) {
            error("getChars at MAX_VALUE - 1", e);
        }
        try {
            new StringBuffer("abc").setLength(-1);
        } catch (Exception e) {
            error("setLength(-1)", e);
        }
    }
}
