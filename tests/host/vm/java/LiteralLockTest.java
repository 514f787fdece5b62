/**
 * Locks on string literals, which the class image shares: entering, nesting, waiting,
 * notifying and contention from a second thread, and hash codes that stay the same.
 */
public class LiteralLockTest {
    static final String LOCK = "true";
    static final String OTHER = "false";
    static int counter;
    static boolean ready;

    static synchronized void nested() {
        synchronized (LOCK) {
            synchronized (OTHER) {
                synchronized (LOCK) {
                    counter++;
                }
            }
        }
    }

    public static void main(String[] args) throws Exception {
        int hash = LOCK.hashCode();
        int identity = System.identityHashCode(LOCK);
        synchronized (LOCK) {
            counter++;
            System.out.println("locked, hash kept: " + (LOCK.hashCode() == hash && System.identityHashCode(LOCK) == identity));
        }
        nested();
        try {
            LOCK.notify();
            System.out.println("notify outside the lock passed");
        } catch (IllegalMonitorStateException e) {
            System.out.println("notify outside the lock refused");
        }
        Thread t = new Thread() {
            public void run() {
                for (int i = 0; i < 200; i++) {
                    Object garbage = new int[20];
                    synchronized (LOCK) {
                        counter++;
                        if (i == 100) {
                            ready = true;
                            LOCK.notifyAll();
                        }
                    }
                }
            }
        };
        synchronized (LOCK) {
            t.start();
            while (!ready) LOCK.wait();
            System.out.println("woken by the other thread");
        }
        for (int i = 0; i < 200; i++) {
            Object garbage = new int[20];
            synchronized (LOCK) {
                counter++;
            }
            if (i % 50 == 0) Thread.yield();
        }
        t.join();
        System.out.println("counter " + counter);
        System.out.println("identity hash kept: " + (System.identityHashCode(LOCK) == identity));
    }
}
