package java.lang;

/**
 * An object of the wrong type was stored into an array of objects.
 */
public class ArrayStoreException extends RuntimeException {

    public ArrayStoreException() {
    }

    public ArrayStoreException(String message) {
        super(message);
    }
}
