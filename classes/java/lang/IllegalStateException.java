package java.lang;

/**
 * A method was invoked at an illegal or inappropriate time.
 */
public class IllegalStateException extends RuntimeException {

    public IllegalStateException() {
    }

    public IllegalStateException(String message) {
        super(message);
    }
}
