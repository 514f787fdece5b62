package java.lang;

/**
 * The root of the class hierarchy. Monitors, hash codes and the class of an object live in
 * the VM; only the plain defaults are Java.
 */
public class Object {

    public Object() {
    }

    public final native Class getClass();

    public native int hashCode();

    public boolean equals(Object obj) {
        return this == obj;
    }

    public String toString() {
        return getClass().getName() + "@" + Integer.toHexString(hashCode());
    }

    public final native void notify();

    public final native void notifyAll();

    public final void wait(long timeout) throws InterruptedException {
        wait0(timeout);
    }

    public final void wait(long timeout, int nanos) throws InterruptedException {
        if (timeout < 0) {
            throw new IllegalArgumentException("timeout value is negative");
        }
        if (nanos < 0 || nanos > 999999) {
            throw new IllegalArgumentException("nanosecond timeout value out of range");
        }
        // the VM counts whole milliseconds: round up rather than wait forever on timeout 0
        if (nanos >= 500000 || (nanos != 0 && timeout == 0)) {
            timeout++;
        }
        wait0(timeout);
    }

    public final void wait() throws InterruptedException {
        wait0(0);
    }

    private native void wait0(long timeout);
}
