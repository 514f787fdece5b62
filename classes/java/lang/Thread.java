package java.lang;

/**
 * A green thread of the VM. The field order is the VM's: priority, the address of the
 * thread's record (0 until one is built), target, name.
 */
public class Thread implements Runnable {

    public static final int MIN_PRIORITY = 1;
    public static final int NORM_PRIORITY = 5;
    public static final int MAX_PRIORITY = 10;

    private int priority;
    private int record;
    private Runnable target;
    private String name;

    // The VM makes the main thread "Thread-0" without running a constructor.
    private static int threadCount;

    public Thread() {
        this(null, null);
    }

    public Thread(Runnable target) {
        this(target, null);
    }

    public Thread(String name) {
        this(null, name);
    }

    public Thread(Runnable target, String name) {
        this.priority = NORM_PRIORITY;
        this.target = target;
        this.name = name != null ? name : "Thread-" + nextThreadNumber();
    }

    private static synchronized int nextThreadNumber() {
        return ++threadCount;
    }

    public static native Thread currentThread();

    public static native void yield();

    public static void sleep(long millis) throws InterruptedException {
        sleep0(millis);
    }

    private static native void sleep0(long millis);

    public void start() {
        nativeStart();
    }

    private native void nativeStart();

    public void run() {
        if (target != null) {
            target.run();
        }
    }

    public final native boolean isAlive();

    public final void setPriority(int newPriority) {
        if (newPriority < MIN_PRIORITY || newPriority > MAX_PRIORITY) {
            throw new IllegalArgumentException();
        }
        setPriority0(newPriority);
    }

    private native void setPriority0(int newPriority);

    public final int getPriority() {
        return priority;
    }

    public final String getName() {
        return name;
    }

    public void interrupt() {
        interrupt0();
    }

    private native void interrupt0();

    public static native int activeCount();

    public final void join() throws InterruptedException {
        // the VM keeps no list of joiners: look again every few milliseconds
        while (isAlive()) {
            sleep(2);
        }
    }

    public String toString() {
        return "Thread[" + name + "," + priority + "]";
    }
}
