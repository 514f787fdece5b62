package java.io;

/**
 * A failed input or output operation.
 */
public class IOException extends Exception {

    public IOException() {
    }

    public IOException(String message) {
        super(message);
    }
}
