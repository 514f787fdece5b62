import javax.microedition.lcdui.Alert;
import javax.microedition.lcdui.AlertType;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Gauge;
import javax.microedition.lcdui.Graphics;
import javax.microedition.midlet.MIDlet;

/**
 * An alert whose text is longer than the screen, scrolled with the keys and dismissed to
 * a canvas; there 5 shows an alert with a running indefinite gauge that moves by itself,
 * dismissed the same way; * ends.
 */
public class AlertScroll extends MIDlet {
    private Display display;
    private Board board;

    protected void startApp() {
        if (display != null) {
            return;
        }
        display = Display.getDisplay(this);
        board = new Board();
        StringBuffer text = new StringBuffer();
        for (int i = 1; i <= 24; i++) {
            text.append("Rule ").append(i).append(": collect every gem of the level before the time runs out. ");
        }
        Alert rules = new Alert("Rules", text.toString(), null, AlertType.INFO);
        rules.setTimeout(Alert.FOREVER);
        display.setCurrent(rules, board);
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    void showWait() {
        Gauge spinner = new Gauge(null, false, Gauge.INDEFINITE, Gauge.CONTINUOUS_RUNNING);
        Alert wait = new Alert("Please wait", "Connecting to the score server.", null, null);
        wait.setIndicator(spinner);
        wait.setTimeout(Alert.FOREVER);
        System.out.println("indefinite: " + (spinner.getMaxValue() == Gauge.INDEFINITE) + ", running: "
                + (spinner.getValue() == Gauge.CONTINUOUS_RUNNING));
        display.setCurrent(wait, board);
    }

    class Board extends Canvas {
        protected void showNotify() {
            System.out.println("canvas shown");
        }

        protected void paint(Graphics g) {
            g.setColor(0x304060);
            g.fillRect(0, 0, getWidth(), getHeight());
        }

        protected void keyPressed(int keyCode) {
            if (keyCode == KEY_NUM5) {
                showWait();
            } else if (keyCode == KEY_STAR) {
                notifyDestroyed();
            }
        }
    }
}
