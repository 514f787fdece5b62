package java.util;

/**
 * A stack without elements was asked for one.
 */
public class EmptyStackException extends RuntimeException {

    public EmptyStackException() {
    }
}
