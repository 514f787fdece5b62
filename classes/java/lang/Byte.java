package java.lang;

/**
 * A byte in an object.
 */
public final class Byte {

    public static final byte MIN_VALUE = (byte) 0x80;
    public static final byte MAX_VALUE = 0x7f;

    private final byte value;

    public Byte(byte value) {
        this.value = value;
    }

    public static byte parseByte(String s) throws NumberFormatException {
        return parseByte(s, 10);
    }

    public static byte parseByte(String s, int radix) throws NumberFormatException {
        return (byte) Long.parse(s, radix, MIN_VALUE, MAX_VALUE);
    }

    public byte byteValue() {
        return value;
    }

    public String toString() {
        return Integer.toString(value);
    }

    public int hashCode() {
        return value;
    }

    public boolean equals(Object obj) {
        return obj instanceof Byte && ((Byte) obj).value == value;
    }
}
