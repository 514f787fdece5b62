/**
 * System and Runtime natives: array copies, hash codes, properties, the clock, exits,
 * Long.toString.
 */
public class SystemTest {

    static void show(String what, Object value) {
        System.out.println(what + " = " + value);
    }

    static String ints(int[] a) {
        StringBuffer b = new StringBuffer();
        for (int i = 0; i < a.length; i++) {
            b.append(i == 0 ? "" : ",").append(a[i]);
        }
        return b.toString();
    }

    static String objects(Object[] a) {
        StringBuffer b = new StringBuffer();
        for (int i = 0; i < a.length; i++) {
            b.append(i == 0 ? "" : ",").append(a[i]);
        }
        return b.toString();
    }

    static void copy(String what, Object src, int srcPos, Object dst, int dstPos, int length) {
        try {
            System.arraycopy(src, srcPos, dst, dstPos, length);
            System.out.println(what + " ok");
        } catch (RuntimeException e) {
            System.out.println(what + " -> " + e.getClass().getName());
        }
    }

    public static void main(String[] args) {
        int[] a = {1, 2, 3, 4, 5};
        int[] b = new int[5];
        copy("length 0 at the ends", a, 5, b, 5, 0);
        copy("srcPos one past, length 0", a, 6, b, 0, 0);
        copy("negative length", a, 0, b, 0, -1);
        copy("negative dstPos", a, 0, b, -1, 1);
        copy("past the end", a, 3, b, 0, 3);
        copy("overflowing position", a, 0x7fffffff, b, 0, 2);
        copy("null source", null, 0, b, 0, 1);
        copy("null destination", a, 0, null, 0, 1);
        copy("int to long", a, 0, new long[5], 0, 1);
        copy("not an array", "abc", 0, b, 0, 1);
        copy("ints to Object[]", a, 0, new Object[5], 0, 1);
        copy("copy", a, 1, b, 0, 4);
        show("b", ints(b));
        copy("overlap up", a, 0, a, 1, 4);
        show("a", ints(a));
        int[] c = {1, 2, 3, 4, 5};
        copy("overlap down", c, 1, c, 0, 4);
        show("c", ints(c));
        Object[] mixed = {"one", new Integer(2), "three"};
        String[] strings = {"-", "-", "-"};
        copy("String then Integer into String[]", mixed, 0, strings, 0, 3);
        show("strings", objects(strings));
        Object[] objects = new Object[3];
        copy("String[] into Object[]", strings, 0, objects, 0, 3);
        show("objects", objects(objects));
        Object[] withNull = {null, "x"};
        copy("nulls into String[]", withNull, 0, strings, 1, 2);
        show("strings", objects(strings));
        char[] chars = {'a', 'b', 'c', 'd'};
        copy("chars", chars, 0, chars, 2, 2);
        show("chars", new String(chars));
        long[] longs = {1L << 40, 2, 3};
        copy("longs", longs, 0, longs, 1, 2);
        show("longs", longs[0] + "," + longs[1] + "," + longs[2]);

        Object o = new Object();
        show("hashCode is identityHashCode", String.valueOf(o.hashCode() == System.identityHashCode(o)));
        show("identityHashCode(null)", String.valueOf(System.identityHashCode(null)));
        show("hashCode stays", String.valueOf(o.hashCode() == o.hashCode()));
        show("String hash is not identity", String.valueOf("ab".hashCode() == 3105));

        show("microedition.configuration", System.getProperty("microedition.configuration"));
        show("microedition.profiles", System.getProperty("microedition.profiles"));
        show("UTF_8_InternalEncodingName", System.getProperty("UTF_8_InternalEncodingName"));
        show("default.timezone (an option, not a property)", System.getProperty("default.timezone"));
        show("no.such.property", System.getProperty("no.such.property"));
        long now = System.currentTimeMillis();
        show("clock after 2020", String.valueOf(now > 1577836800000L));

        Runtime runtime = Runtime.getRuntime();
        show("free below total", String.valueOf(runtime.freeMemory() <= runtime.totalMemory()));
        show("total positive", String.valueOf(runtime.totalMemory() > 0));
        try {
            System.exit(3);
            show("exit", "returned");
        } catch (SecurityException e) {
            show("exit", e.getClass().getName());
        }

        show("Long.toString(MIN_VALUE)", Long.toString(-9223372036854775808L, 10));
        show("Long.toString(MAX_VALUE, 36)", Long.toString(9223372036854775807L, 36));
        show("Long.toString(-255, 16)", Long.toString(-255L, 16));
        show("Long.toString(5, 2)", Long.toString(5L, 2));
        show("Long.toString(100, 1)", Long.toString(100L, 1));
        show("Long.toString(100, 37)", Long.toString(100L, 37));
        show("Long.toString(0)", Long.toString(0L));
    }
}
