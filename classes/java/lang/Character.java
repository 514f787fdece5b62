package java.lang;

/**
 * A char in an object, and the character classes of ISO 8859-1 (no other character is a
 * letter of either case or a digit).
 */
public final class Character {

    public static final int MIN_RADIX = 2;
    public static final int MAX_RADIX = 36;
    public static final char MIN_VALUE = '\u0000';
    public static final char MAX_VALUE = '\uffff';

    private final char value;

    public Character(char value) {
        this.value = value;
    }

    public char charValue() {
        return value;
    }

    public int hashCode() {
        return value;
    }

    public boolean equals(Object obj) {
        return obj instanceof Character && ((Character) obj).value == value;
    }

    public String toString() {
        return String.valueOf(value);
    }

    public static boolean isLowerCase(char ch) {
        return (ch >= 'a' && ch <= 'z') || (ch >= '\u00df' && ch <= '\u00f6')
            || (ch >= '\u00f8' && ch <= '\u00ff');
    }

    public static boolean isUpperCase(char ch) {
        return (ch >= 'A' && ch <= 'Z') || (ch >= '\u00c0' && ch <= '\u00d6')
            || (ch >= '\u00d8' && ch <= '\u00de');
    }

    public static boolean isDigit(char ch) {
        return ch >= '0' && ch <= '9';
    }

    public static char toLowerCase(char ch) {
        return isUpperCase(ch) ? (char) (ch + 0x20) : ch;
    }

    public static char toUpperCase(char ch) {
        // sharp s and y with diaeresis have no upper-case letter in ISO 8859-1
        if (isLowerCase(ch) && ch != '\u00df' && ch != '\u00ff') {
            return (char) (ch - 0x20);
        }
        return ch;
    }

    public static int digit(char ch, int radix) {
        if (radix < MIN_RADIX || radix > MAX_RADIX) {
            return -1;
        }
        int d;
        if (ch >= '0' && ch <= '9') {
            d = ch - '0';
        } else if (ch >= 'a' && ch <= 'z') {
            d = ch - 'a' + 10;
        } else if (ch >= 'A' && ch <= 'Z') {
            d = ch - 'A' + 10;
        } else {
            return -1;
        }
        return d < radix ? d : -1;
    }
}
