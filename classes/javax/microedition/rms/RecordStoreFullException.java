package javax.microedition.rms;

public class RecordStoreFullException extends RecordStoreException {
    public RecordStoreFullException(String message) {
        super(message);
    }

    public RecordStoreFullException() {
    }
}
