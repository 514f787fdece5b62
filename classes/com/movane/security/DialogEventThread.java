package com.movane.security;

import com.movane.micro.event.AbstractEventThread;

/** Reads the queues of the confirmation dialog while it holds the events. */
public abstract class DialogEventThread extends AbstractEventThread {
    private static final int EVENT_WORDS = 10;

    protected DialogEventThread() {
        super(EVENT_WORDS);
        threadId = initEventQueue(0);
    }

    private native int initEventQueue(int unused);

    protected native int getNextEvent(int thread, int[] event);
}
