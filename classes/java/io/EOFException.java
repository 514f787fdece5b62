package java.io;

/**
 * The end of the input came before the data that was asked for.
 */
public class EOFException extends IOException {

    public EOFException() {
    }

    public EOFException(String s) {
        super(s);
    }
}
