package java.lang;

/**
 * No class of the given name could be found.
 */
public class ClassNotFoundException extends Exception {

    public ClassNotFoundException() {
    }

    public ClassNotFoundException(String message) {
        super(message);
    }
}
