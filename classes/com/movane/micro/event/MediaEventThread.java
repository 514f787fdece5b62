package com.movane.micro.event;

/** Reads the media events, five words each. */
public abstract class MediaEventThread extends AbstractEventThread {
    protected MediaEventThread(int events) {
        super(5);
        threadId = initEventQueue(events);
    }

    private native int initEventQueue(int n);
}
