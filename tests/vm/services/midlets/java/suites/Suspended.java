package suites;

import javax.microedition.midlet.MIDlet;

/**
 * A busy thread and a sleeper. The sleeper's nap ends the MIDlet; the host
 * suspends the run for longer than that nap, which must still take its full time
 * after the resume.
 */
public class Suspended extends MIDlet {
    private int starts;
    private volatile boolean paused;

    protected void startApp() {
        starts++;
        paused = false;
        System.out.println("startApp " + starts);
        if (starts > 1) {
            return;
        }
        new Thread() {
            public void run() {
                long sum = 0;
                for (int round = 0; round < 2000000000; round++) {
                    sum += round;
                    if ((round & 0xFFF) == 0) {
                        Thread.yield();
                    }
                }
                System.out.println("busy " + sum);
            }
        }.start();
        new Thread() {
            public void run() {
                try {
                    Thread.sleep(2500);
                } catch (InterruptedException e) {
                }
                System.out.println("nap over, paused " + paused);
                notifyDestroyed();
            }
        }.start();
    }

    protected void pauseApp() {
        paused = true;
        System.out.println("pauseApp");
    }

    protected void destroyApp(boolean unconditional) {
    }
}
