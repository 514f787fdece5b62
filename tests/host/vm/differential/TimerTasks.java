import java.util.Date;
import java.util.Timer;
import java.util.TimerTask;

// Timer and TimerTask: order of execution, repetition at a fixed delay and a fixed rate,
// cancellation, and the errors of scheduling. The program waits on the tasks themselves,
// never on the clock, so a slow machine changes no line.
public class TimerTasks {
    static final Object lock = new Object();
    static StringBuffer log = new StringBuffer();
    static int pending;

    static class Named extends TimerTask {
        final String name;
        final int limit;
        int runs;
        long firstScheduled;
        long lastScheduled;
        boolean cancelledItself;

        Named(String name, int limit) {
            this.name = name;
            this.limit = limit;
        }

        public void run() {
            runs++;
            long t = scheduledExecutionTime();
            if (runs == 1) {
                firstScheduled = t;
            }
            lastScheduled = t;
            synchronized (lock) {
                log.append(name).append(' ').append(runs).append('\n');
                if (limit == 0 || runs == limit) {
                    if (limit > 0) {
                        cancelledItself = cancel();
                    }
                    pending--;
                    lock.notifyAll();
                }
            }
        }
    }

    static void await(int tasks) throws InterruptedException {
        synchronized (lock) {
            while (pending > 0) {
                lock.wait();
            }
            System.out.print(log);
            log = new StringBuffer();
        }
    }

    static void expect(String what, Runnable action) {
        try {
            action.run();
            System.out.println(what + ": no exception");
        } catch (NullPointerException e) {
            System.out.println(what + ": NullPointerException");
        } catch (RuntimeException e) {
            System.out.println(what + ": " + e.getClass().getName() + " " + e.getMessage());
        }
    }

    public static void main(String[] args) throws InterruptedException {
        final Timer timer = new Timer();

        // one-shot tasks run in the order they are due, whatever the order of scheduling
        pending = 4;
        timer.schedule(new Named("third", 0), 60);
        timer.schedule(new Named("first", 0), 20);
        timer.schedule(new Named("second", 0), 40);
        long at = System.currentTimeMillis() + 80;
        Named dated = new Named("dated", 0);
        timer.schedule(dated, new Date(at));
        await(4);
        System.out.println("dated task ran at its date: " + (dated.firstScheduled == at));
        System.out.println("cancel after its one run: " + dated.cancel());

        // a fixed delay and a fixed rate, each cancelling itself in its third run
        pending = 1;
        Named delay = new Named("delay", 3);
        timer.schedule(delay, 5, 15);
        await(1);
        System.out.println("fixed delay cancelled itself: " + delay.cancelledItself + ", again: " + delay.cancel());
        System.out.println("fixed delay steps at least the period: " + (delay.lastScheduled - delay.firstScheduled >= 30));
        pending = 1;
        Named rate = new Named("rate", 3);
        timer.scheduleAtFixedRate(rate, 5, 15);
        await(1);
        System.out.println("fixed rate steps exactly the period: " + (rate.lastScheduled - rate.firstScheduled));
        pending = 1;
        Named datedRate = new Named("dated rate", 2);
        timer.scheduleAtFixedRate(datedRate, new Date(System.currentTimeMillis() + 5), 10);
        await(1);
        pending = 1;
        Named datedDelay = new Named("dated delay", 2);
        timer.schedule(datedDelay, new Date(System.currentTimeMillis() + 5), 10);
        await(1);

        // a cancelled task never runs; the one behind it does
        pending = 1;
        Named dropped = new Named("dropped", 0);
        timer.schedule(dropped, 10);
        System.out.println("cancel while scheduled: " + dropped.cancel() + ", again: " + dropped.cancel());
        timer.schedule(new Named("kept", 0), 20);
        await(1);
        System.out.println("never scheduled: " + new Named("idle", 0).cancel());

        final Named task = new Named("task", 0);
        expect("negative delay", new Runnable() { public void run() { timer.schedule(task, -1); } });
        expect("zero period", new Runnable() { public void run() { timer.schedule(task, 10, 0); } });
        expect("negative rate", new Runnable() { public void run() { timer.scheduleAtFixedRate(task, 10, -5); } });
        expect("negative delay first", new Runnable() { public void run() { timer.schedule(task, -1, 0); } });
        expect("date before 1970", new Runnable() { public void run() { timer.schedule(task, new Date(-5)); } });
        expect("dated zero period", new Runnable() { public void run() { timer.schedule(task, new Date(5), 0); } });
        expect("dated negative rate", new Runnable() {
            public void run() { timer.scheduleAtFixedRate(task, new Date(5), -1); } });
        expect("null task", new Runnable() { public void run() { timer.schedule(null, 10); } });
        expect("null date", new Runnable() { public void run() { timer.schedule(task, (Date) null); } });
        expect("scheduled", new Runnable() { public void run() { timer.schedule(task, 100000); } });
        expect("scheduled twice", new Runnable() { public void run() { timer.schedule(task, 100000); } });
        final Named cancelled = new Named("cancelled", 0);
        cancelled.cancel();
        expect("cancelled task", new Runnable() { public void run() { timer.schedule(cancelled, 10); } });

        // a cancelled timer drops its tasks and takes no more
        timer.cancel();
        System.out.println("task of a cancelled timer: " + task.cancel());
        expect("cancelled timer", new Runnable() { public void run() { timer.schedule(new Named("late", 0), 10); } });
        timer.cancel();
        System.out.println("done");
    }
}
