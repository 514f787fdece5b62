package java.lang;

/**
 * The superclass of everything that can be thrown. No stack trace is recorded.
 */
public class Throwable {

    // First field: the VM stores messages of the exceptions it raises here directly.
    private String detailMessage;

    public Throwable() {
    }

    public Throwable(String message) {
        detailMessage = message;
    }

    public String getMessage() {
        return detailMessage;
    }

    public String toString() {
        String name = getClass().getName();
        return detailMessage == null ? name : name + ": " + detailMessage;
    }

    public void printStackTrace() {
        // the native only writes its note to the trace; it ignores the stream
        printStackTrace0(null);
    }

    private native void printStackTrace0(Object stream);

    private static native void nativeSysLogPrint(byte[] text);

    private static native boolean nativeIsSysLog();
}
