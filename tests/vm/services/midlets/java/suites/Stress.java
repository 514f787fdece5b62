package suites;

import com.movane.micro.event.MediaEventThread;
import com.movane.micro.thread.NativeThreadJoinnerEventThread;
import javax.microedition.midlet.MIDlet;

/**
 * Two event threads take the events four host threads post, each event {poster,
 * sequence}; every poster's events must arrive once each and in order.
 */
public class Stress extends MIDlet {
    static final int POSTERS = 4;
    static final int EACH = 25000;

    private static final int[] expected = new int[POSTERS];
    private static int total;
    private static int faults;
    private static Stress self;

    static synchronized boolean take(int poster, int sequence) {
        if (poster < 0 || poster >= POSTERS || expected[poster] != sequence) {
            faults++;
        } else {
            expected[poster]++;
        }
        total++;
        if (total == POSTERS * EACH) {
            System.out.println("events " + total + " faults " + faults);
            self.notifyDestroyed();
        }
        return true;
    }

    static class Joiner extends NativeThreadJoinnerEventThread {
        Joiner() {
            super(2);
        }

        protected boolean handleEvent(int[] event, int n) {
            return take(event[0], event[1]);
        }
    }

    static class Media extends MediaEventThread {
        Media() {
            super(100);
        }

        protected boolean handleEvent(int[] event, int n) {
            return take(event[0], event[1]);
        }
    }

    protected void startApp() {
        self = this;
        new Joiner().start();
        new Media().start();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
