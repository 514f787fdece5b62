package suites;

import com.movane.micro.event.UiEventThread;
import javax.microedition.midlet.MIDlet;

/** A user-interface event thread waiting on its four groups prints what wakes it. */
public class UiWaiter extends MIDlet {
    static final int EVENTS = 4;
    static int taken;
    static UiWaiter self;

    static class Ui extends UiEventThread {
        protected boolean handleEvent(int[] event, int n) {
            StringBuffer line = new StringBuffer("event");
            for (int i = 0; i < n; i++) {
                line.append(' ').append(event[i]);
            }
            System.out.println(line.toString());
            if (++taken == EVENTS) {
                self.notifyDestroyed();
            }
            return true;
        }
    }

    protected void startApp() {
        self = this;
        new Ui().start();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
