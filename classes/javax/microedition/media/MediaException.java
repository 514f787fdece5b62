package javax.microedition.media;

/** An unexpected error in a media operation. */
public class MediaException extends Exception {
    public MediaException() {
        super();
    }

    public MediaException(String reason) {
        super(reason);
    }
}
