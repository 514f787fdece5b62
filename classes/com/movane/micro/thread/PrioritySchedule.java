package com.movane.micro.thread;

/**
 * Scheduling controls of the current thread: stretches that run without a switch, and
 * the dispatch priority 0 to 6 that orders the ready queue.
 */
public final class PrioritySchedule {

    private PrioritySchedule() {
    }

    public static native void disableSwitchThread();

    public static native void enableSwitchThread();

    public static native void setDispatchPriority(int priority);

    public static native int getDispatchPriority();
}
