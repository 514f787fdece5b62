package java.lang;

import java.io.PrintStream;

import com.sun.cldc.io.ConsoleOutputStream;

/**
 * The console streams, the clock, array copies and system properties.
 */
public final class System {

    public static final PrintStream out = new PrintStream(new ConsoleOutputStream(ConsoleOutputStream.STANDARD_OUTPUT));

    public static final PrintStream err = new PrintStream(new ConsoleOutputStream(ConsoleOutputStream.STANDARD_ERROR));

    private System() {
    }

    public static native long currentTimeMillis();

    public static native void arraycopy(Object src, int srcPos, Object dst, int dstPos, int length);

    public static native int identityHashCode(Object x);

    public static String getProperty(String key) {
        if (key == null) {
            throw new NullPointerException();
        }
        if (key.length() == 0) {
            throw new IllegalArgumentException();
        }
        return getProperty0(key);
    }

    private static native String getProperty0(String key);

    public static void exit(int status) {
        Runtime.getRuntime().exit(status);
    }

    public static void gc() {
        Runtime.getRuntime().gc();
    }
}
