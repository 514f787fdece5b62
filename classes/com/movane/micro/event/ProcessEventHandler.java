package com.movane.micro.event;

import javax.microedition.midlet.MIDlet;

/**
 * Answers the process events: 11 pauses the MIDlet, 13 suspends the VM (after the
 * MIDlet was paused by event 100 with 7), 12 resumes the VM, 100 with 100 resumes the
 * MIDlet and 100 with 103 pauses it.
 */
public class ProcessEventHandler {
    static final int PAUSE = 11;
    static final int RESUME = 12;
    static final int SUSPEND = 13;
    static final int VM_EVENT = 100;
    static final int VM_EVENT_SUSPEND = 7;
    static final int VM_EVENT_RESUME = 100;
    static final int VM_EVENT_PAUSE = 103;

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

    static native boolean isThreadSwitchingMode();
}
