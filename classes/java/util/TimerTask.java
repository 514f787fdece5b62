package java.util;

/**
 * A task a Timer runs once or repeatedly.
 */
public abstract class TimerTask implements Runnable {

    static final int VIRGIN = 0;
    static final int SCHEDULED = 1;
    static final int EXECUTED = 2;
    static final int CANCELLED = 3;

    final Object lock = new Object();
    int state = VIRGIN;
    long nextExecutionTime;
    // 0 for one execution; above 0 a fixed rate; below 0 a fixed delay of -period
    long period;

    protected TimerTask() {
    }

    public abstract void run();

    /**
     * Stops the task's future executions: true when that prevented at least one, false
     * when the task was never scheduled, already cancelled, or ran its one execution.
     */
    public boolean cancel() {
        synchronized (lock) {
            boolean result = state == SCHEDULED;
            state = CANCELLED;
            return result;
        }
    }

    /** When the most recent execution (or the one in progress) was due. */
    public long scheduledExecutionTime() {
        synchronized (lock) {
            return period < 0 ? nextExecutionTime + period : nextExecutionTime - period;
        }
    }
}
