package com.movane.micro.event;

import javax.microedition.midlet.MIDlet;

/**
 * Answers the process events: 11 pauses the MIDlet, 13 suspends the VM (after the
 * MIDlet was paused by event 100 with 7), 12 resumes the VM, 100 with 100 resumes the
 * MIDlet and 100 with 103 pauses it.
 *
 * Before a VM suspend the handler announces it to the timer threads and runs the suspend
 * hooks, through which java.util.Timer parks its threads (Timer.waitResume): they wait
 * until the VM resume that answers the suspend. A suspend that the VM refuses takes its
 * announcement back (nativeExecuteVmSuspend), so no timer thread waits for a resume that
 * will not come.
 */
public class ProcessEventHandler {
    static final int PAUSE = 11;
    static final int RESUME = 12;
    static final int SUSPEND = 13;
    static final int VM_EVENT = 100;
    static final int VM_EVENT_SUSPEND = 7;
    static final int VM_EVENT_RESUME = 100;
    static final int VM_EVENT_PAUSE = 103;

    private static Runnable[] suspendHooks = new Runnable[0];

    /** Adds a hook that runs on the process event thread before each VM suspend. */
    public static synchronized void addSuspendHook(Runnable hook) {
        if (hook == null) {
            throw new NullPointerException();
        }
        Runnable[] hooks = new Runnable[suspendHooks.length + 1];
        System.arraycopy(suspendHooks, 0, hooks, 0, suspendHooks.length);
        hooks[suspendHooks.length] = hook;
        suspendHooks = hooks;
    }

    private static void runSuspendHooks() {
        Runnable[] hooks = suspendHooks;
        for (int i = 0; i < hooks.length; i++) {
            try {
                hooks[i].run();
            } catch (Throwable e) {
                // the suspend goes on: what a hook parked waits for its resume
            }
        }
    }

    void handle(int type, int parameter) {
        MIDlet midlet = MIDlet.getCurrent();
        switch (type) {
        case PAUSE:
            if (midlet != null) {
                midlet.pauseAppWrap();
            }
            break;
        case SUSPEND:
            nativeSweepKeyEventQueue();
            nativeHoldTimers();
            runSuspendHooks();
            nativeExecuteVmSuspend();
            break;
        case RESUME:
            nativeExecuteVmResume();
            break;
        case VM_EVENT:
            if (midlet == null) {
                break;
            }
            if (parameter == VM_EVENT_RESUME) {
                midlet.startAppWrap();
            } else if (parameter == VM_EVENT_SUSPEND || parameter == VM_EVENT_PAUSE) {
                midlet.pauseAppWrap();
            }
            break;
        default:
            break;
        }
    }

    static native void nativeExecuteVmStop();

    static native void nativeExecuteVmSuspend();

    static native void nativeExecuteVmResume();

    static native void nativeSweepKeyEventQueue();

    /** Announces a VM suspend to the timer threads: until its resume or its refusal they may park. */
    static native void nativeHoldTimers();

    static native boolean isThreadSwitchingMode();
}
