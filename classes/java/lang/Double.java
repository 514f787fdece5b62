package java.lang;

/**
 * A double in an object, its IEEE 754 bits, and its text (shortest digits that read back
 * exactly; parsing rounds correctly).
 */
public final class Double {

    public static final double POSITIVE_INFINITY = 1.0d / 0.0d;
    public static final double NEGATIVE_INFINITY = -1.0d / 0.0d;
    public static final double NaN = 0.0d / 0.0d;
    public static final double MAX_VALUE = 1.7976931348623157e+308;
    public static final double MIN_VALUE = 4.9e-324;

    private final double value;

    public Double(double value) {
        this.value = value;
    }

    public static String toString(double v) {
        return FloatingDecimal.toString(v);
    }

    public static Double valueOf(String s) throws NumberFormatException {
        return new Double(parseDouble(s));
    }

    public static double parseDouble(String s) throws NumberFormatException {
        return FloatingDecimal.parseDouble(s);
    }

    public static boolean isNaN(double v) {
        return v != v;
    }

    public static boolean isInfinite(double v) {
        return v == POSITIVE_INFINITY || v == NEGATIVE_INFINITY;
    }

    public boolean isNaN() {
        return isNaN(value);
    }

    public boolean isInfinite() {
        return isInfinite(value);
    }

    public String toString() {
        return toString(value);
    }

    public byte byteValue() {
        return (byte) value;
    }

    public short shortValue() {
        return (short) value;
    }

    public int intValue() {
        return (int) value;
    }

    public long longValue() {
        return (long) value;
    }

    public float floatValue() {
        return (float) value;
    }

    public double doubleValue() {
        return value;
    }

    public int hashCode() {
        long bits = doubleToLongBits(value);
        return (int) (bits ^ (bits >>> 32));
    }

    // Bit patterns, not ==: NaN equals NaN and 0.0 differs from -0.0.
    public boolean equals(Object obj) {
        return obj instanceof Double && doubleToLongBits(((Double) obj).value) == doubleToLongBits(value);
    }

    public static native long doubleToLongBits(double value);

    public static native double longBitsToDouble(long bits);
}
