import javax.microedition.lcdui.Alert;
import javax.microedition.lcdui.AlertType;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.midlet.MIDlet;

/**
 * Switches 500 times between a canvas and an alert, timing each setCurrent(alert) to the
 * end of the alert's first paint (a serial call runs only after the repaints before it);
 * prints the mean on standard error and "done" when every switch arrived.
 */
public class AlertSwitch extends MIDlet implements Runnable {
    static final int ROUNDS = 500;

    private Display display;
    private Board board;
    private Alert alert;
    private int round;
    private boolean onAlert;
    private long started;
    private long total;

    protected void startApp() {
        if (display != null) {
            return;
        }
        display = Display.getDisplay(this);
        board = new Board();
        alert = new Alert("Level complete", "Well played: 3 stars and a new record.", null, AlertType.INFO);
        alert.setTimeout(Alert.FOREVER);
        display.setCurrent(board);
        display.callSerially(this);
    }

    public void run() {
        if (onAlert) {
            if (display.getCurrent() != alert) {
                System.out.println("round " + round + ": the alert is not current");
            }
            total += System.currentTimeMillis() - started;
            onAlert = false;
            display.setCurrent(board);
            display.callSerially(this);
            return;
        }
        if (round == ROUNDS) {
            System.err.println("setCurrent(alert) to its frame: " + (total * 1000 / ROUNDS) + " us, mean of " + ROUNDS);
            System.out.println("done");
            notifyDestroyed();
            return;
        }
        round++;
        onAlert = true;
        started = System.currentTimeMillis();
        display.setCurrent(alert);
        display.callSerially(this);
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    class Board extends Canvas {
        protected void paint(Graphics g) {
            g.setColor(0x405060);
            g.fillRect(0, 0, getWidth(), getHeight());
        }
    }
}
