import javax.microedition.midlet.MIDlet;
import javax.microedition.midlet.MIDletStateChangeException;

/**
 * Fails in startApp as its descriptor's "Thrower-Mode" says: "error" (throws an Error),
 * "runtime" (throws a RuntimeException), "hang" (never returns), "thread" (a thread of
 * its own dies of an exception; the MIDlet then ends itself), "refuse" (throws
 * MIDletStateChangeException).
 */
public class Thrower extends MIDlet {
    protected void startApp() throws MIDletStateChangeException {
        String mode = getAppProperty("Thrower-Mode");
        System.out.println("startApp " + mode);
        if ("error".equals(mode)) {
            throw new Error("broken on purpose");
        }
        if ("runtime".equals(mode)) {
            throw new IllegalStateException("refused on purpose");
        }
        if ("refuse".equals(mode)) {
            throw new MIDletStateChangeException("not now");
        }
        if ("thread".equals(mode)) {
            Thread t = new Thread() {
                public void run() {
                    throw new ArithmeticException("d\u00e9j\u00e0 vu");
                }
            };
            t.start();
            try {
                t.join();
            } catch (InterruptedException e) {
                // ends all the same
            }
            notifyDestroyed();
        }
        if ("hang".equals(mode)) {
            Object never = new Object();
            synchronized (never) {
                for (;;) {
                    try {
                        never.wait();
                    } catch (InterruptedException e) {
                        // keeps waiting
                    }
                }
            }
        }
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
        System.out.println("destroyApp " + unconditional);
    }
}
