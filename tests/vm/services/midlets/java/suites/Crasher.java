package suites;

import javax.microedition.midlet.MIDlet;

/** startApp throws a runtime exception; destroyApp(true) follows. */
public class Crasher extends MIDlet {
    protected void startApp() {
        System.out.println("Crasher startApp");
        Object nothing = null;
        nothing.hashCode();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
        System.out.println("Crasher destroyApp " + unconditional);
    }
}
