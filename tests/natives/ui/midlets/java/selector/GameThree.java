import javax.microedition.midlet.MIDlet;

/** One of three MIDlets of a suite: says which, then ends. */
public class GameThree extends MIDlet {
    protected void startApp() {
        System.out.println("GameThree started");
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
