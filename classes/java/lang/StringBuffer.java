package java.lang;

/**
 * A growable sequence of characters. Strings made by toString share the array until the
 * buffer changes a character they can see; the natives do the copying.
 */
public final class StringBuffer {

    private char[] value;
    private int count;
    private int shared;

    public StringBuffer() {
        this(16);
    }

    public StringBuffer(int length) {
        if (length < 0) {
            throw new NegativeArraySizeException();
        }
        value = new char[length];
    }

    public StringBuffer(String str) {
        this(str.length() + 16);
        append(str);
    }

    public int length() {
        return count;
    }

    public int capacity() {
        return value.length;
    }

    public native void ensureCapacity(int minimumCapacity);

    public native void setLength(int newLength);

    public native char charAt(int index);

    public native void getChars(int srcBegin, int srcEnd, char[] dst, int dstBegin);

    public native void setCharAt(int index, char ch);

    public StringBuffer append(Object obj) {
        return append(String.valueOf(obj));
    }

    public native StringBuffer append(String str);

    public native StringBuffer append(char[] str);

    public native StringBuffer append(char[] str, int offset, int len);

    public StringBuffer append(boolean b) {
        return append(b ? "true" : "false");
    }

    public native StringBuffer append(char c);

    public native StringBuffer append(int i);

    public StringBuffer append(long l) {
        return append(Long.toString(l));
    }

    public StringBuffer append(float f) {
        return append(Float.toString(f));
    }

    public StringBuffer append(double d) {
        return append(Double.toString(d));
    }

    public native StringBuffer delete(int start, int end);

    public native StringBuffer deleteCharAt(int index);

    public StringBuffer insert(int offset, Object obj) {
        return insert(offset, String.valueOf(obj));
    }

    public native StringBuffer insert(int offset, String str);

    public native StringBuffer insert(int offset, char[] str);

    public StringBuffer insert(int offset, boolean b) {
        return insert(offset, b ? "true" : "false");
    }

    public native StringBuffer insert(int offset, char c);

    public StringBuffer insert(int offset, int i) {
        return insert(offset, Integer.toString(i));
    }

    public StringBuffer insert(int offset, long l) {
        return insert(offset, Long.toString(l));
    }

    public StringBuffer insert(int offset, float f) {
        return insert(offset, Float.toString(f));
    }

    public StringBuffer insert(int offset, double d) {
        return insert(offset, Double.toString(d));
    }

    public native StringBuffer reverse();

    public native String toString();
}
