package java.util;

/**
 * Runs TimerTasks one after another on a thread of its own, in the order they are due.
 * The thread lives until cancel() or until a task throws; after that nothing more can be
 * scheduled.
 */
public class Timer {

    private final TimerQueue queue = new TimerQueue();
    private final TimerThread thread = new TimerThread(queue);

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
    }

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
 * when it repeats. A task that throws ends the thread and the timer with it.
 */
class TimerThread extends Thread {
    private final TimerQueue queue;

    TimerThread(TimerQueue queue) {
        this.queue = queue;
    }

    public void run() {
        try {
            mainLoop();
        } finally {
            synchronized (queue) {
                queue.open = false;
                queue.clear();
            }
        }
    }

    private void mainLoop() {
        while (true) {
            TimerTask task;
            boolean due;
            synchronized (queue) {
                while (queue.isEmpty() && queue.open) {
                    waitOn(queue, 0);
                }
                if (queue.isEmpty()) {
                    return;
                }
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
                    }
                }
                if (!due) {
                    waitOn(queue, time - now);
                }
            }
            if (due) {
                task.run();
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
