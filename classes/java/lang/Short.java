package java.lang;

/**
 * A short in an object.
 */
public final class Short {

    public static final short MIN_VALUE = (short) 0x8000;
    public static final short MAX_VALUE = 0x7fff;

    private final short value;

    public Short(short value) {
        this.value = value;
    }

    public static short parseShort(String s) throws NumberFormatException {
        return parseShort(s, 10);
    }

    public static short parseShort(String s, int radix) throws NumberFormatException {
        return (short) Long.parse(s, radix, MIN_VALUE, MAX_VALUE);
    }

    public short shortValue() {
        return value;
    }

    public String toString() {
        return Integer.toString(value);
    }

    public int hashCode() {
        return value;
    }

    public boolean equals(Object obj) {
        return obj instanceof Short && ((Short) obj).value == value;
    }
}
