package java.lang;

/**
 * A string does not have the format of a number.
 */
public class NumberFormatException extends IllegalArgumentException {

    public NumberFormatException() {
    }

    public NumberFormatException(String message) {
        super(message);
    }
}
