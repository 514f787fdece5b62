package java.lang;

/**
 * Compile-only: javac builds string concatenation with this class, and the class converter
 * turns every reference into StringBuffer, which has each of these methods. It is never
 * converted, packed or loaded.
 */
public final class StringBuilder {

    public StringBuilder() {
    }

    public StringBuilder(int capacity) {
    }

    public StringBuilder(String str) {
    }

    public native StringBuilder append(Object obj);

    public native StringBuilder append(String str);

    public native StringBuilder append(char[] str);

    public native StringBuilder append(char[] str, int offset, int len);

    public native StringBuilder append(boolean b);

    public native StringBuilder append(char c);

    public native StringBuilder append(int i);

    public native StringBuilder append(long l);

    public native StringBuilder append(float f);

    public native StringBuilder append(double d);

    public native int length();

    public native String toString();
}
