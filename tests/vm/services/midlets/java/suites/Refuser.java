package suites;

import javax.microedition.midlet.MIDlet;
import javax.microedition.midlet.MIDletStateChangeException;

/** startApp refuses to start; destroyApp(true) follows. */
public class Refuser extends MIDlet {
    protected void startApp() throws MIDletStateChangeException {
        System.out.println("Refuser startApp");
        throw new MIDletStateChangeException("not now");
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
        System.out.println("Refuser destroyApp " + unconditional);
    }
}
