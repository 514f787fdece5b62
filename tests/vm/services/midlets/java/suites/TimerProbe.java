package suites;

import java.util.Timer;
import java.util.TimerTask;
import javax.microedition.midlet.MIDlet;

/**
 * Timer tasks across VM suspends. From the start, on one timer a fixed-rate task R and a
 * fixed-delay task D, both of period 100 ms, and one-shot tasks O1 and O2 due 700 ms and
 * 1300 ms after it; on a timer of its own a one-shot task L due 1300 ms after the start,
 * whose thread has nothing else to wake it before. A watcher thread sleeps "Probe-Run" ms of running time (the time the VM is
 * suspended does not count), ends the timer and prints every run as "<task> <time of
 * the run> <scheduled time>", whether the timers' threads ended, then "end <time>", and
 * destroys the MIDlet. pauseApp and
 * startApp print "pause <time>" and "start <time>".
 *
 * With "Probe-Mode: cancel" pauseApp cancels the first timer, prints "cancel <time> alive
 * <bool> ended <bool>": whether the timer thread was alive before and had ended before
 * pauseApp returned; and the watcher tries a new timer: "new timer ran <bool>".
 */
public class TimerProbe extends MIDlet {
    static final int CAPACITY = 400;
    static final String[] NAMES = {"R", "D", "O1", "O2", "L"};

    private final long[][] runs = new long[NAMES.length][CAPACITY * 2];
    private final int[] counts = new int[NAMES.length];
    private Timer timer;
    private Timer lone;
    private volatile Thread timerThread;
    private volatile Thread loneThread;
    private boolean started;
    private boolean cancelMode;

    class Probe extends TimerTask {
        final int index;

        Probe(int index) {
            this.index = index;
        }

        public void run() {
            long now = System.currentTimeMillis();
            if (index == 4) {
                loneThread = Thread.currentThread();
            } else {
                timerThread = Thread.currentThread();
            }
            synchronized (runs) {
                int n = counts[index];
                if (n < CAPACITY) {
                    runs[index][2 * n] = now;
                    runs[index][2 * n + 1] = scheduledExecutionTime();
                    counts[index] = n + 1;
                }
            }
        }
    }

    protected void startApp() {
        System.out.println("start " + System.currentTimeMillis());
        if (started) {
            return;
        }
        started = true;
        cancelMode = "cancel".equals(getAppProperty("Probe-Mode"));
        String run = getAppProperty("Probe-Run");
        final long runTime = run == null ? 1500 : Long.parseLong(run);
        timer = new Timer();
        timer.scheduleAtFixedRate(new Probe(0), 0, 100);
        timer.schedule(new Probe(1), 0, 100);
        timer.schedule(new Probe(2), 700);
        timer.schedule(new Probe(3), 1300);
        lone = new Timer();
        lone.schedule(new Probe(4), 1300);
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
        timer.cancel();
        lone.cancel();
        boolean ended = waitEnded(timerThread) && waitEnded(loneThread);
        synchronized (runs) {
            for (int i = 0; i < NAMES.length; i++) {
                for (int n = 0; n < counts[i]; n++) {
                    System.out.println(NAMES[i] + " " + runs[i][2 * n] + " " + runs[i][2 * n + 1]);
                }
            }
        }
        System.out.println("timer threads ended " + ended);
        if (cancelMode) {
            final boolean[] ran = new boolean[1];
            Timer fresh = new Timer();
            fresh.schedule(new TimerTask() {
                public void run() {
                    synchronized (ran) {
                        ran[0] = true;
                        ran.notify();
                    }
                }
            }, 20);
            synchronized (ran) {
                try {
                    if (!ran[0]) {
                        ran.wait(2000);
                    }
                } catch (InterruptedException e) {
                }
            }
            fresh.cancel();
            System.out.println("new timer ran " + ran[0]);
        }
        System.out.println("end " + end);
        notifyDestroyed();
    }

    protected void pauseApp() {
        System.out.println("pause " + System.currentTimeMillis());
        if (!cancelMode) {
            return;
        }
        Thread thread = timerThread;
        boolean alive = thread != null && thread.isAlive();
        timer.cancel();
        long cancelled = System.currentTimeMillis();
        boolean ended = waitEnded(thread);
        System.out.println("cancel " + cancelled + " alive " + alive + " ended " + ended);
    }

    protected void destroyApp(boolean unconditional) {
    }
}
