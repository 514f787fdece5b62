package java.lang;

/**
 * An index of some sort is out of range.
 */
public class IndexOutOfBoundsException extends RuntimeException {

    public IndexOutOfBoundsException() {
    }

    public IndexOutOfBoundsException(String message) {
        super(message);
    }
}
