package java.lang;

/**
 * The running VM: its memory and its end.
 */
public class Runtime {

    private static Runtime currentRuntime;

    private Runtime() {
    }

    public static Runtime getRuntime() {
        if (currentRuntime == null) {
            currentRuntime = new Runtime();
        }
        return currentRuntime;
    }

    // Raises SecurityException when the VM start has refused exits, as for MIDlets.
    public void exit(int status) {
        exitInternal(status);
    }

    private native void exitInternal(int status);

    public native long freeMemory();

    public native long totalMemory();

    public native void gc();
}
