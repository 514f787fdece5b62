package javax.microedition.lcdui;

import com.movane.micro.event.UiEventThread;

/** The display's event thread: every event of the user-interface queues goes to the display. */
final class EventDispatcher extends UiEventThread {
    private final Display display;

    EventDispatcher(Display display) {
        this.display = display;
    }

    protected boolean handleEvent(int[] event, int n) {
        display.dispatch(event, n);
        return true;
    }
}
