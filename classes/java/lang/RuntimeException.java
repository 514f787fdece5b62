package java.lang;

/**
 * Exceptions that need not be declared.
 */
public class RuntimeException extends Exception {

    public RuntimeException() {
    }

    public RuntimeException(String message) {
        super(message);
    }
}
