import javax.microedition.midlet.MIDlet;

/** One of three MIDlets of a suite: says which, then ends. */
public class GameOne extends MIDlet {
    protected void startApp() {
        System.out.println("GameOne started");
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
