package javax.microedition.rms;

public class RecordStoreException extends Exception {
    public RecordStoreException(String message) {
        super(message);
    }

    public RecordStoreException() {
    }
}
