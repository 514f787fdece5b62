package java.util;

/**
 * Runs TimerTasks one after another on a thread of its own, in the order they are due.
 * The thread lives until cancel() or until a task throws; after that nothing more can be
 * scheduled.
 *
 * While the VM is suspended the thread is parked (waitResume): no task starts from the
 * suspend until the resume, and afterwards the tasks that fell due meanwhile run at
 * once, a fixed-rate task as often as it missed its period, a fixed-delay task once
 * and then a period after that run.
 */
public class Timer {

    private final TimerQueue queue = new TimerQueue();
    private final TimerThread thread = new TimerThread(this, queue);

    public Timer() {
        thread.start();
    }

    public void schedule(TimerTask task, long delay) {
        if (delay < 0) {
            throw new IllegalArgumentException("Negative delay.");
        }
        enqueue(task, System.currentTimeMillis() + delay, 0);
    }

    public void schedule(TimerTask task, Date time) {
        enqueue(task, time.getTime(), 0);
    }

    public void schedule(TimerTask task, long delay, long period) {
        if (delay < 0) {
            throw new IllegalArgumentException("Negative delay.");
        }
        if (period <= 0) {
            throw new IllegalArgumentException("Non-positive period.");
        }
        enqueue(task, System.currentTimeMillis() + delay, -period);
    }

    public void schedule(TimerTask task, Date firstTime, long period) {
        if (period <= 0) {
            throw new IllegalArgumentException("Non-positive period.");
        }
        enqueue(task, firstTime.getTime(), -period);
    }

    public void scheduleAtFixedRate(TimerTask task, long delay, long period) {
        if (delay < 0) {
            throw new IllegalArgumentException("Negative delay.");
        }
        if (period <= 0) {
            throw new IllegalArgumentException("Non-positive period.");
        }
        enqueue(task, System.currentTimeMillis() + delay, period);
    }

    public void scheduleAtFixedRate(TimerTask task, Date firstTime, long period) {
        if (period <= 0) {
            throw new IllegalArgumentException("Non-positive period.");
        }
        enqueue(task, firstTime.getTime(), period);
    }

    /** Ends the timer: scheduled tasks are dropped; a task running now finishes. */
    public void cancel() {
        synchronized (queue) {
            queue.open = false;
            queue.clear();
            queue.notify();
        }
        // a thread parked for a VM suspend ends now rather than at the resume
        endResumeWait(thread);
    }

    /**
     * Parks the calling timer thread until the VM resume that answers the suspend in
     * force; returns at once when none is (the resume came first, or the VM refused the
     * suspend).
     */
    native void waitResume();

    /** Lets the thread go from its wait for a resume, or from the one it is about to begin. */
    private static native void endResumeWait(Thread thread);

    private void enqueue(TimerTask task, long time, long period) {
        if (time < 0) {
            throw new IllegalArgumentException("Illegal execution time.");
        }
        synchronized (queue) {
            if (!queue.open) {
                throw new IllegalStateException("Timer already cancelled.");
            }
            synchronized (task.lock) {
                if (task.state != TimerTask.VIRGIN) {
                    throw new IllegalStateException("Task already scheduled or cancelled");
                }
                task.nextExecutionTime = time;
                task.period = period;
                task.state = TimerTask.SCHEDULED;
            }
            queue.add(task);
            if (queue.first() == task) {
                queue.notify();
            }
        }
    }
}

/**
 * A Timer's tasks ordered by their next execution time; tasks due at the same time keep
 * the order they were added in.
 */
class TimerQueue {
    boolean open = true;
    private TimerTask[] tasks = new TimerTask[8];
    private int size;

    boolean isEmpty() {
        return size == 0;
    }

    TimerTask first() {
        return tasks[0];
    }

    void add(TimerTask task) {
        if (size == tasks.length) {
            TimerTask[] grown = new TimerTask[size * 2];
            System.arraycopy(tasks, 0, grown, 0, size);
            tasks = grown;
        }
        int i = size;
        while (i > 0 && tasks[i - 1].nextExecutionTime > task.nextExecutionTime) {
            tasks[i] = tasks[i - 1];
            i--;
        }
        tasks[i] = task;
        size++;
    }

    void removeFirst() {
        System.arraycopy(tasks, 1, tasks, 0, size - 1);
        tasks[--size] = null;
    }

    /** The first task again, due at time: put back in its place. */
    void rescheduleFirst(long time) {
        TimerTask task = tasks[0];
        removeFirst();
        task.nextExecutionTime = time;
        add(task);
    }

    void clear() {
        for (int i = 0; i < size; i++) {
            tasks[i] = null;
        }
        size = 0;
    }
}

/**
 * The thread of a Timer: waits until the first task is due, runs it, and reschedules it
 * when it repeats. A task that throws ends the thread and the timer with it. Before a VM
 * suspend the process event handler asks every timer thread to park; a thread waiting
 * for its next task parks at once, a thread running a task parks when the task returns.
 */
class TimerThread extends Thread {
    // the longest the suspend waits for the timer threads to park, in milliseconds
    private static final int PARK_WAIT = 500;
    private static final Vector running = new Vector();

    static {
        com.movane.micro.event.ProcessEventHandler.addSuspendHook(new Runnable() {
            public void run() {
                parkAll();
            }
        });
    }

    // Owned by Timer's natives, which read them by position (first after Thread's): the
    // next thread in their chain of threads waiting for a resume, and the resumes this
    // one still waits for (-1: let go before it came to wait).
    private TimerThread nextResumeWaiter;
    private int resumeWaitsLeft;

    private final Timer timer;
    private final TimerQueue queue;
    // asked to park before a VM suspend (under the queue's lock)
    private boolean parkRequested;
    // a task is running: the thread parks when it returns
    private volatile boolean busy;
    // parked, or on its way to park
    private volatile boolean parked;

    TimerThread(Timer timer, TimerQueue queue) {
        this.timer = timer;
        this.queue = queue;
    }

    public void start() {
        synchronized (running) {
            running.addElement(this);
        }
        super.start();
    }

    /**
     * Asks every timer thread to park and gives them the time to: returns when each is
     * parked, on its way to park, or running a task.
     */
    static void parkAll() {
        TimerThread[] threads;
        synchronized (running) {
            threads = new TimerThread[running.size()];
            running.copyInto(threads);
        }
        for (int i = 0; i < threads.length; i++) {
            synchronized (threads[i].queue) {
                threads[i].parkRequested = true;
                threads[i].queue.notify();
            }
        }
        long end = System.currentTimeMillis() + PARK_WAIT;
        for (int i = 0; i < threads.length; i++) {
            while (!threads[i].settled() && System.currentTimeMillis() < end) {
                Thread.yield();
            }
        }
    }

    private boolean settled() {
        synchronized (queue) {
            return !parkRequested || busy || parked || !isAlive();
        }
    }

    public void run() {
        try {
            mainLoop();
        } finally {
            synchronized (queue) {
                queue.open = false;
                queue.clear();
            }
            synchronized (running) {
                running.removeElement(this);
            }
        }
    }

    private void mainLoop() {
        while (true) {
            TimerTask task;
            boolean due = false;
            synchronized (queue) {
                while (queue.isEmpty() && queue.open && !parkRequested) {
                    waitOn(queue, 0);
                }
                if (!queue.open) {
                    return;
                }
                if (parkRequested) {
                    parkRequested = false;
                    task = null;
                } else {
                    task = queue.first();
                    long now;
                    long time;
                    synchronized (task.lock) {
                        if (task.state == TimerTask.CANCELLED) {
                            queue.removeFirst();
                            continue;
                        }
                        now = System.currentTimeMillis();
                        time = task.nextExecutionTime;
                        due = time <= now;
                        if (due) {
                            if (task.period == 0) {
                                queue.removeFirst();
                                task.state = TimerTask.EXECUTED;
                            } else {
                                // fixed delay counts from now, fixed rate from when it was due
                                queue.rescheduleFirst(task.period < 0 ? now - task.period : time + task.period);
                            }
                            busy = true;
                        }
                    }
                    if (!due) {
                        waitOn(queue, time - now);
                    }
                }
            }
            if (task == null) {
                // outside the lock, so that the timer can be used and cancelled meanwhile
                parked = true;
                try {
                    timer.waitResume();
                } finally {
                    parked = false;
                }
            } else if (due) {
                try {
                    task.run();
                } finally {
                    busy = false;
                }
            }
        }
    }

    private static void waitOn(Object lock, long millis) {
        try {
            lock.wait(millis);
        } catch (InterruptedException e) {
            // look at the queue again
        }
    }
}
