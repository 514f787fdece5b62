package javax.microedition.lcdui;

/** Posts the events the display's event thread answers. */
final class UiEventHandler {
    /** MIDP event type: run the serial calls. Posting it twice in a row is harmless. */
    static final int SERIAL_CALLS = 4;
    /** A shown alert's time is up: parameter 1 is the serial it was shown with. */
    static final int ALERT_TIMEOUT = 5;
    /** One step of the shown screen's ticker and indicator. */
    static final int TICK = 6;

    private UiEventHandler() {
    }

    static native void nativePostMIDPEvent(int type, int param1, int param2, int param3, int param4);

    /** true posts a repaint event, false drops the one waiting. */
    static native void nativePostRepaintEvent(boolean post);

    static native void nativePostSetCurrentEvent();

    static native void nativePostSizeChangedEvent(int width, int height);
}
