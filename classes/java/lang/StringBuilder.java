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

    public native int capacity();

    public native void ensureCapacity(int minimumCapacity);

    public native void setLength(int newLength);

    public native char charAt(int index);

    public native void getChars(int srcBegin, int srcEnd, char[] dst, int dstBegin);

    public native void setCharAt(int index, char ch);

    public native StringBuilder delete(int start, int end);

    public native StringBuilder deleteCharAt(int index);

    public native StringBuilder insert(int offset, Object obj);

    public native StringBuilder insert(int offset, String str);

    public native StringBuilder insert(int offset, char[] str);

    public native StringBuilder insert(int offset, boolean b);

    public native StringBuilder insert(int offset, char c);

    public native StringBuilder insert(int offset, int i);

    public native StringBuilder insert(int offset, long l);

    public native StringBuilder insert(int offset, float f);

    public native StringBuilder insert(int offset, double d);

    public native StringBuilder reverse();
}
