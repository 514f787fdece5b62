/**
 * Synchronized methods whose lock must grow into a monitor (the thread already holds a
 * lock with a hash code) while the collector moves the thread's stack: the monitor
 * must be released when the method returns.
 */
public class SyncCallTest {
    static Object[] held;
    int count;

    static void hold() {
        held = new Object[60];
        for (int i = 0; i < held.length; i++) held[i] = new byte[64];
    }

    synchronized int bump() {
        return ++count;
    }

    static synchronized int bumpStatic(SyncCallTest t) {
        return t.bump();
    }

    static void check(String who) {
        Object outer = new Object();
        SyncCallTest inner = new SyncCallTest();
        System.out.println(who + " hash codes equal themselves: "
                + (outer.hashCode() == outer.hashCode() && inner.hashCode() == inner.hashCode()));
        for (int round = 0; round < 3; round++) {
            held = null;
            int n;
            synchronized (outer) {
                n = inner.bump();
                n = bumpStatic(inner);
            }
            try {
                inner.notify();
                System.out.println(who + " " + n + ": monitor still owned");
            } catch (IllegalMonitorStateException e) {
                System.out.println(who + " " + n + ": monitor released");
            }
            try {
                inner.getClass().notify();
                System.out.println(who + ": class monitor still owned");
            } catch (IllegalMonitorStateException e) {
                System.out.println(who + ": class monitor released");
            }
            hold();
        }
    }

    public static void main(String[] args) throws Exception {
        check("main");
        hold();
        Thread t = new Thread() {
            public void run() {
                check("thread");
            }
        };
        t.start();
        t.join();
    }
}
