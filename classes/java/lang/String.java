package java.lang;

import java.io.UnsupportedEncodingException;

import com.movane.util.i18n.Helper;

/**
 * An immutable sequence of UTF-16 code units. The character work is native; the fields
 * are the layout the VM relies on.
 */
public final class String {

    private char[] value;
    private int offset;
    private int count;

    public String() {
        value = new char[0];
    }

    public String(String value) {
        this.value = value.value;
        this.offset = value.offset;
        this.count = value.count;
    }

    public String(char[] value) {
        this(value, 0, value.length);
    }

    public String(char[] value, int offset, int count) {
        if (offset < 0) {
            throw new StringIndexOutOfBoundsException(offset);
        }
        if (count < 0) {
            throw new StringIndexOutOfBoundsException(count);
        }
        if (offset > value.length - count) {
            throw new StringIndexOutOfBoundsException(offset + count);
        }
        char[] copy = new char[count];
        for (int i = 0; i < count; i++) {
            copy[i] = value[offset + i];
        }
        this.value = copy;
        this.count = count;
    }

    public String(byte[] bytes, int off, int len, String enc) throws UnsupportedEncodingException {
        this(Helper.byteToCharArray(bytes, off, len, enc), true);
    }

    public String(byte[] bytes, String enc) throws UnsupportedEncodingException {
        this(bytes, 0, bytes.length, enc);
    }

    public String(byte[] bytes, int off, int len) {
        this(decodeDefault(bytes, off, len), true);
    }

    public String(byte[] bytes) {
        this(bytes, 0, bytes.length);
    }

    public String(StringBuffer buffer) {
        newString(buffer);
    }

    // Shares value: for substrings and arrays made here that no one else holds.
    private String(int offset, int count, char[] value) {
        this.value = value;
        this.offset = offset;
        this.count = count;
    }

    // ISO-8859-1 stands in when the default encoding is one the system does not have.
    private static char[] decodeDefault(byte[] bytes, int off, int len) {
        try {
            return Helper.byteToCharArray(bytes, off, len, Helper.getDefaultEncoding());
        } catch (UnsupportedEncodingException e) {
            if (off < 0 || len < 0 || off > bytes.length - len) {
                throw new StringIndexOutOfBoundsException();
            }
            char[] chars = new char[len];
            for (int i = 0; i < len; i++) {
                chars[i] = (char) (bytes[off + i] & 0xFF);
            }
            return chars;
        }
    }

    private static byte[] encodeLatin1(char[] chars, int off, int len) {
        byte[] bytes = new byte[len];
        for (int i = 0; i < len; i++) {
            char c = chars[off + i];
            bytes[i] = c <= 0xFF ? (byte) c : (byte) '?';
        }
        return bytes;
    }

    // Takes a decoded array that no one else holds.
    private String(char[] decoded, boolean unused) {
        this.value = decoded;
        this.count = decoded.length;
    }

    private native void newString(StringBuffer buffer);

    public int length() {
        return count;
    }

    public native char charAt(int index);

    public void getChars(int srcBegin, int srcEnd, char[] dst, int dstBegin) {
        if (srcBegin < 0) {
            throw new StringIndexOutOfBoundsException(srcBegin);
        }
        if (srcEnd > count) {
            throw new StringIndexOutOfBoundsException(srcEnd);
        }
        if (srcBegin > srcEnd) {
            throw new StringIndexOutOfBoundsException(srcEnd - srcBegin);
        }
        int n = srcEnd - srcBegin;
        // check before copying, so that a failure leaves dst untouched
        if (dstBegin < 0 || dstBegin > dst.length - n) {
            throw new ArrayIndexOutOfBoundsException(dstBegin < 0 ? dstBegin : dstBegin + n);
        }
        char[] v = value;
        int from = offset + srcBegin;
        for (int i = 0; i < n; i++) {
            dst[dstBegin + i] = v[from + i];
        }
    }

    public byte[] getBytes(String enc) throws UnsupportedEncodingException {
        return Helper.charToByteArray(value, offset, count, enc);
    }

    public byte[] getBytes() {
        try {
            return Helper.charToByteArray(value, offset, count, Helper.getDefaultEncoding());
        } catch (UnsupportedEncodingException e) {
            return encodeLatin1(value, offset, count);
        }
    }

    public native boolean equals(Object anObject);

    public boolean equalsIgnoreCase(String anotherString) {
        return anotherString != null && anotherString.count == count
            && regionMatches(true, 0, anotherString, 0, count);
    }

    public native int compareTo(String anotherString);

    public boolean regionMatches(int toffset, String other, int ooffset, int len) {
        return regionMatches(false, toffset, other, ooffset, len);
    }

    public native boolean regionMatches(boolean ignoreCase, int toffset, String other,
                                        int ooffset, int len);

    public native boolean startsWith(String prefix, int toffset);

    public boolean startsWith(String prefix) {
        return startsWith(prefix, 0);
    }

    public boolean endsWith(String suffix) {
        return startsWith(suffix, count - suffix.count);
    }

    public native int hashCode();

    public native int indexOf(int ch);

    public native int indexOf(int ch, int fromIndex);

    public int lastIndexOf(int ch) {
        return lastIndexOfChar(ch, count - 1);
    }

    public int lastIndexOf(int ch, int fromIndex) {
        return lastIndexOfChar(ch, fromIndex);
    }

    private native int lastIndexOfChar(int ch, int fromIndex);

    public int indexOf(String str) {
        return indexOfString(str, 0);
    }

    public int indexOf(String str, int fromIndex) {
        return indexOfString(str, fromIndex);
    }

    private native int indexOfString(String str, int fromIndex);

    public String substring(int beginIndex) {
        return substring(beginIndex, count);
    }

    public String substring(int beginIndex, int endIndex) {
        if (beginIndex < 0) {
            throw new StringIndexOutOfBoundsException(beginIndex);
        }
        if (endIndex > count) {
            throw new StringIndexOutOfBoundsException(endIndex);
        }
        if (beginIndex > endIndex) {
            throw new StringIndexOutOfBoundsException(endIndex - beginIndex);
        }
        if (beginIndex == 0 && endIndex == count) {
            return this;
        }
        return new String(offset + beginIndex, endIndex - beginIndex, value);
    }

    public String concat(String str) {
        int n = str.count;
        if (n == 0) {
            return this;
        }
        char[] buf = new char[count + n];
        getChars(0, count, buf, 0);
        str.getChars(0, n, buf, count);
        return new String(0, buf.length, buf);
    }

    public native String replace(char oldChar, char newChar);

    public native String toLowerCase();

    public native String toUpperCase();

    public native String trim();

    public String toString() {
        return this;
    }

    public char[] toCharArray() {
        char[] result = new char[count];
        getChars(0, count, result, 0);
        return result;
    }

    public static String valueOf(Object obj) {
        return obj == null ? "null" : obj.toString();
    }

    public static String valueOf(char[] data) {
        return new String(data);
    }

    public static String valueOf(char[] data, int offset, int count) {
        return new String(data, offset, count);
    }

    public static String valueOf(boolean b) {
        return b ? "true" : "false";
    }

    public static String valueOf(char c) {
        char[] data = {c};
        return new String(0, 1, data);
    }

    public static String valueOf(int i) {
        return Integer.toString(i);
    }

    public static String valueOf(long l) {
        return Long.toString(l);
    }

    public static String valueOf(float f) {
        return Float.toString(f);
    }

    public static String valueOf(double d) {
        return Double.toString(d);
    }

    public native String intern();
}
