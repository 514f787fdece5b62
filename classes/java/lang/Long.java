package java.lang;

/**
 * A long in an object, and the conversions between longs and text.
 */
public final class Long {

    public static final long MIN_VALUE = 0x8000000000000000L;
    public static final long MAX_VALUE = 0x7fffffffffffffffL;

    private final long value;

    public Long(long value) {
        this.value = value;
    }

    public static long parseLong(String s, int radix) throws NumberFormatException {
        return parse(s, radix, MIN_VALUE, MAX_VALUE);
    }

    public static long parseLong(String s) throws NumberFormatException {
        return parse(s, 10, MIN_VALUE, MAX_VALUE);
    }

    // The parser of all integer types: an optional '-', then digits of the radix, with a
    // result between min and max.
    static long parse(String s, int radix, long min, long max) throws NumberFormatException {
        if (s == null) {
            throw new NumberFormatException("null");
        }
        if (radix < Character.MIN_RADIX || radix > Character.MAX_RADIX) {
            throw new NumberFormatException("radix " + radix + " out of range");
        }
        int n = s.length();
        int i = 0;
        boolean negative = n > 0 && s.charAt(0) == '-';
        if (negative) {
            i++;
        }
        if (i == n) {
            throw new NumberFormatException(s);
        }
        // accumulate negatively: the negative range is the larger one
        long limit = negative ? min : -max;
        long multmin = limit / radix;
        long result = 0;
        while (i < n) {
            int digit = Character.digit(s.charAt(i++), radix);
            if (digit < 0 || result < multmin) {
                throw new NumberFormatException(s);
            }
            result *= radix;
            if (result < limit + digit) {
                throw new NumberFormatException(s);
            }
            result -= digit;
        }
        return negative ? result : -result;
    }

    public static native String toString(long i, int radix);

    public static String toString(long i) {
        return toString(i, 10);
    }

    public long longValue() {
        return value;
    }

    public float floatValue() {
        return value;
    }

    public double doubleValue() {
        return value;
    }

    public String toString() {
        return toString(value, 10);
    }

    public int hashCode() {
        return (int) (value ^ (value >>> 32));
    }

    public boolean equals(Object obj) {
        return obj instanceof Long && ((Long) obj).value == value;
    }
}
