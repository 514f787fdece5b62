package java.lang;

/**
 * An exceptional arithmetic condition, such as an integer division by zero.
 */
public class ArithmeticException extends RuntimeException {

    public ArithmeticException() {
    }

    public ArithmeticException(String message) {
        super(message);
    }
}
