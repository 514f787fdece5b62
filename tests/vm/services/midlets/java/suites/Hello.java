package suites;

import javax.microedition.midlet.MIDlet;

/** Starts a thread that prints and ends the MIDlet. */
public class Hello extends MIDlet {
    public Hello() {
        System.out.println("Hello constructed");
    }

    protected void startApp() {
        System.out.println("Hello startApp");
        new Thread() {
            public void run() {
                System.out.println("Hello thread");
                notifyDestroyed();
            }
        }.start();
    }

    protected void pauseApp() {
        System.out.println("Hello pauseApp");
    }

    protected void destroyApp(boolean unconditional) {
        System.out.println("Hello destroyApp " + unconditional);
    }
}
