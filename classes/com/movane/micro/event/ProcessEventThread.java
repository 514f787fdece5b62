package com.movane.micro.event;

/** Reads the process events {type, parameter} that the host's commands post. */
public class ProcessEventThread extends AbstractEventThread {
    private static final int EVENT_WORDS = 2;

    private final ProcessEventHandler handler = new ProcessEventHandler();

    private ProcessEventThread() {
        super(EVENT_WORDS);
        threadId = initEventQueue(EVENT_WORDS);
    }

    /** Creates the process event queue and starts its thread. */
    public static void startHandler() {
        new ProcessEventThread().start();
    }

    protected boolean handleEvent(int[] event, int n) {
        handler.handle(event[0], event[1]);
        return true;
    }

    private native int initEventQueue(int n);

    public static native boolean isBackwardCompatibleK6();
}
