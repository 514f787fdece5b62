package com.movane.micro.thread;

import com.movane.micro.event.AbstractEventThread;

/** Reads the fixed-length events that native threads post when they finish work. */
public abstract class NativeThreadJoinnerEventThread extends AbstractEventThread {
    protected NativeThreadJoinnerEventThread(int words) {
        super(words);
        threadId = initEventQueue(words);
    }

    private native int initEventQueue(int n);
}
