package java.io;

/**
 * An input or output operation was interrupted; bytesTransferred says how far it got.
 */
public class InterruptedIOException extends IOException {

    public int bytesTransferred;

    public InterruptedIOException() {
    }

    public InterruptedIOException(String s) {
        super(s);
    }
}
