package suites;

import javax.microedition.midlet.MIDlet;

/** Threads that sleep and wait; only the host's stop ends the run. */
public class Sleeper extends MIDlet {
    private final Object lock = new Object();

    protected void startApp() {
        new Thread() {
            public void run() {
                try {
                    Thread.sleep(1000000);
                } catch (InterruptedException e) {
                }
                System.out.println("sleeper woke");
            }
        }.start();
        new Thread() {
            public void run() {
                synchronized (lock) {
                    try {
                        lock.wait();
                    } catch (InterruptedException e) {
                    }
                }
                System.out.println("waiter woke");
            }
        }.start();
        System.out.println("Sleeper started");
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
