package java.io;

/**
 * The character encoding named is not supported.
 */
public class UnsupportedEncodingException extends IOException {

    public UnsupportedEncodingException() {
    }

    public UnsupportedEncodingException(String s) {
        super(s);
    }
}
