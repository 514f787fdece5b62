package java.util;

/**
 * There is no element to answer.
 */
public class NoSuchElementException extends RuntimeException {

    public NoSuchElementException() {
    }

    public NoSuchElementException(String message) {
        super(message);
    }
}
