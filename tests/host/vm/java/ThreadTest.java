/**
 * Threads: start, join, synchronized counting, wait and notify, a second start.
 */
public class ThreadTest implements Runnable {

    static int counter;
    static final Object lock = new Object();
    static int turn;

    public void run() {
        for (int i = 0; i < 1000; i++) {
            synchronized (lock) {
                counter++;
            }
        }
    }

    static class PingPong extends Thread {
        private final int me;
        private final StringBuffer log;

        PingPong(int me, StringBuffer log) {
            this.me = me;
            this.log = log;
        }

        public void run() {
            for (int i = 0; i < 3; i++) {
                synchronized (lock) {
                    while (turn != me) {
                        try {
                            lock.wait();
                        } catch (InterruptedException e) {
                            return;
                        }
                    }
                    log.append(me == 0 ? "ping " : "pong ");
                    turn = 1 - me;
                    lock.notifyAll();
                }
            }
        }
    }

    public static void main(String[] args) throws InterruptedException {
        Thread[] threads = new Thread[4];
        for (int i = 0; i < threads.length; i++) {
            threads[i] = new Thread(new ThreadTest());
            threads[i].start();
        }
        for (int i = 0; i < threads.length; i++) {
            threads[i].join();
        }
        System.out.println("counter " + counter);

        StringBuffer log = new StringBuffer();
        Thread ping = new PingPong(0, log);
        Thread pong = new PingPong(1, log);
        pong.start();
        ping.start();
        ping.join();
        pong.join();
        System.out.println(log.toString().trim());
        System.out.println("alive after join " + ping.isAlive());
        try {
            ping.start();
        } catch (IllegalThreadStateException e) {
            System.out.println("second start -> " + e.getClass().getName());
        }
        System.out.println("current " + (Thread.currentThread() != null));
        Thread.sleep(5);
        System.out.println("slept");
    }
}
