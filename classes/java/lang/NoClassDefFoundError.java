package java.lang;

/**
 * The definition of a class could not be found.
 */
public class NoClassDefFoundError extends Error {

    public NoClassDefFoundError() {
    }

    public NoClassDefFoundError(String message) {
        super(message);
    }
}
