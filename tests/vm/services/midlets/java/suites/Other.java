package suites;

import javax.microedition.midlet.MIDlet;

/** The second MIDlet of a suite; never started by the selector's first choice. */
public class Other extends MIDlet {
    protected void startApp() {
        System.out.println("Other startApp");
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
