package java.io;

/**
 * Bytes that are not modified UTF-8 where modified UTF-8 was expected.
 */
public class UTFDataFormatException extends IOException {

    public UTFDataFormatException() {
    }

    public UTFDataFormatException(String s) {
        super(s);
    }
}
