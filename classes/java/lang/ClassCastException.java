package java.lang;

/**
 * An object was cast to a class of which it is not an instance.
 */
public class ClassCastException extends RuntimeException {

    public ClassCastException() {
    }

    public ClassCastException(String message) {
        super(message);
    }
}
