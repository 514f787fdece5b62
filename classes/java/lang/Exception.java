package java.lang;

/**
 * Conditions a program may want to catch.
 */
public class Exception extends Throwable {

    public Exception() {
    }

    public Exception(String message) {
        super(message);
    }
}
