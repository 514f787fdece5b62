package com.movane.kiv;

/** A toolkit request that is answered once it has been handled. */
public class KivGUIEvent extends AbstractKivGUIEvent {
    public KivGUIEvent(int[] words) {
        super(words);
    }

    /**
     * Completes the request in the toolkit. A response index that names no completion
     * is refused with IllegalArgumentException.
     */
    public native void notifyDone();
}
