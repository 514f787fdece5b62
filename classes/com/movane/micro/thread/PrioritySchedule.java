package com.movane.micro.thread;

/**
 * The scheduling word of the current thread: a switch lock that keeps the thread running
 * through the end of its time slice, and its dispatch priority (0..6) in the ready queue.
 */
public final class PrioritySchedule {
    private PrioritySchedule() {
    }

    public static native void disableSwitchThread();

    public static native void enableSwitchThread();

    public static native void setDispatchPriority(int priority);

    public static native int getDispatchPriority();
}
