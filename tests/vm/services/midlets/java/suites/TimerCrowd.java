package suites;

import java.util.Timer;
import java.util.TimerTask;
import javax.microedition.midlet.MIDlet;

/**
 * Many timers across VM suspends: from the start, "Crowd-Timers" timers (12 by default),
 * each with a fixed-delay task of period 100 ms. A watcher thread sleeps "Crowd-Run" ms
 * (1200 by default), ends the timers and prints every run of timer i as "T<i> <time of
 * the run>", whether the timers' threads ended, then "end <time>", and destroys the
 * MIDlet. pauseApp prints "pause <time>".
 *
 * With "Crowd-Cancel: <i>" pauseApp cancels timer i and prints "cancel <time> alive
 * <bool> ended <bool>": whether its thread was alive before and had ended before
 * pauseApp returned.
 */
public class TimerCrowd extends MIDlet {
    static final int CAPACITY = 200;

    private Timer[] timers;
    private Thread[] threads;
    private long[][] runs;
    private int[] counts;
    private boolean started;

    class Beat extends TimerTask {
        final int index;

        Beat(int index) {
            this.index = index;
        }

        public void run() {
            long now = System.currentTimeMillis();
            synchronized (runs) {
                threads[index] = Thread.currentThread();
                if (counts[index] < CAPACITY) {
                    runs[index][counts[index]++] = now;
                }
            }
        }
    }

    private int property(String name, int otherwise) {
        String value = getAppProperty(name);
        return value == null ? otherwise : Integer.parseInt(value);
    }

    protected void startApp() {
        if (started) {
            return;
        }
        started = true;
        int n = property("Crowd-Timers", 12);
        final long runTime = property("Crowd-Run", 1200);
        timers = new Timer[n];
        threads = new Thread[n];
        runs = new long[n][CAPACITY];
        counts = new int[n];
        for (int i = 0; i < n; i++) {
            timers[i] = new Timer();
            timers[i].schedule(new Beat(i), 0, 100);
        }
        new Thread() {
            public void run() {
                try {
                    Thread.sleep(runTime);
                } catch (InterruptedException e) {
                }
                finish();
            }
        }.start();
    }

    private static boolean waitEnded(Thread thread) {
        for (int i = 0; i < 100 && thread != null && thread.isAlive(); i++) {
            try {
                Thread.sleep(10);
            } catch (InterruptedException e) {
            }
        }
        return thread == null || !thread.isAlive();
    }

    private void finish() {
        long end = System.currentTimeMillis();
        for (int i = 0; i < timers.length; i++) {
            timers[i].cancel();
        }
        boolean ended = true;
        for (int i = 0; i < timers.length; i++) {
            ended = waitEnded(threads[i]) && ended;
        }
        synchronized (runs) {
            for (int i = 0; i < timers.length; i++) {
                for (int k = 0; k < counts[i]; k++) {
                    System.out.println("T" + i + " " + runs[i][k]);
                }
            }
        }
        System.out.println("timer threads ended " + ended);
        System.out.println("end " + end);
        notifyDestroyed();
    }

    protected void pauseApp() {
        System.out.println("pause " + System.currentTimeMillis());
        int index = property("Crowd-Cancel", -1);
        if (index < 0) {
            return;
        }
        Thread thread;
        synchronized (runs) {
            thread = threads[index];
        }
        boolean alive = thread != null && thread.isAlive();
        timers[index].cancel();
        long cancelled = System.currentTimeMillis();
        boolean ended = waitEnded(thread);
        System.out.println("cancel " + cancelled + " alive " + alive + " ended " + ended);
    }

    protected void destroyApp(boolean unconditional) {
    }
}
