package com.movane.micro.event;

/**
 * A Java thread that reads the events of its queues: it takes what is there and waits
 * (parked by the VM) when nothing is, until an event arrives.
 */
public abstract class AbstractEventThread extends Thread {
    protected int threadId;
    protected final int[] words;

    protected AbstractEventThread(int maxWords) {
        words = new int[maxWords];
    }

    public void run() {
        for (;;) {
            int n = getNextEvent(threadId, words);
            if (n == 0) {
                waitNextEvent(threadId);
                continue;
            }
            if (!handleEvent(words, n)) {
                return;
            }
        }
    }

    /** Handles one event; false ends the thread. */
    protected abstract boolean handleEvent(int[] event, int n);

    /** True when an event is already there; false after the thread has waited for one. */
    protected native boolean waitNextEvent(int thread);

    /** Copies the next event into the array and answers its length, 0 when none. */
    protected native int getNextEvent(int thread, int[] event);
}
