package com.movane.micro.event;

/**
 * Reads the user-interface queues (requests, MIDP events, keys and pointer, repaints) in
 * the order of their priorities; a request with a registered command callback reaches
 * the native side before it is handed to Java.
 */
public abstract class UiEventThread extends AbstractEventThread {
    private static final int EVENT_WORDS = 10;

    protected UiEventThread() {
        super(EVENT_WORDS);
        threadId = initEventQueue(0);
    }

    private native int initEventQueue(int unused);

    protected native int getNextEvent(int thread, int[] event);
}
