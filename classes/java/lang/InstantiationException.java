package java.lang;

/**
 * An interface or abstract class was asked for an instance.
 */
public class InstantiationException extends Exception {

    public InstantiationException() {
    }

    public InstantiationException(String message) {
        super(message);
    }
}
