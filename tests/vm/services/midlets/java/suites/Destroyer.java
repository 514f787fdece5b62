package suites;

import javax.microedition.midlet.MIDlet;

/** Ends itself from startApp. */
public class Destroyer extends MIDlet {
    protected void startApp() {
        System.out.println("Destroyer startApp");
        notifyDestroyed();
        System.out.println("not reached");
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
        System.out.println("Destroyer destroyApp must not run");
    }
}
