import javax.microedition.lcdui.Alert;
import javax.microedition.lcdui.AlertType;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.midlet.MIDlet;

/**
 * A splash alert shown from startApp that times out into a canvas; before it, the
 * argument checks of Alert and Display. * ends.
 */
public class AlertSplash extends MIDlet {
    private Display display;
    private long shownAt;

    protected void startApp() {
        if (display != null) {
            return;
        }
        display = Display.getDisplay(this);
        Alert splash = new Alert("Movane", "Starting the game. The canvas follows when the time is up.", null,
                AlertType.INFO);
        System.out.println("default timeout " + splash.getDefaultTimeout() + ", timeout " + splash.getTimeout());
        check("setTimeout(0)", splash, 0);
        check("setTimeout(-5)", splash, -5);
        splash.setTimeout(Alert.FOREVER);
        System.out.println("timeout FOREVER: " + (splash.getTimeout() == Alert.FOREVER));
        splash.setTimeout(2000);
        Board board = new Board();
        try {
            display.setCurrent(splash, null);
        } catch (NullPointerException e) {
            System.out.println("setCurrent(alert, null): NullPointerException");
        }
        try {
            display.setCurrent(splash, new Alert("second"));
        } catch (IllegalArgumentException e) {
            System.out.println("setCurrent(alert, alert): IllegalArgumentException");
        }
        System.out.println("type INFO: " + (splash.getType() == AlertType.INFO) + ", string " + splash.getString());
        shownAt = System.currentTimeMillis();
        display.setCurrent(splash, board);
        System.out.println("current is the splash: " + (display.getCurrent() == splash));
    }

    private static void check(String what, Alert a, int time) {
        try {
            a.setTimeout(time);
            System.out.println(what + " taken");
        } catch (IllegalArgumentException e) {
            System.out.println(what + ": IllegalArgumentException");
        }
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    class Board extends Canvas {
        protected void showNotify() {
            long after = System.currentTimeMillis() - shownAt;
            // the splash stays its two seconds, and not much longer
            System.out.println("canvas shown after the timeout: " + (after >= 2000 && after < 3500));
            System.out.println("current is the canvas: " + (display.getCurrent() == this));
        }

        protected void paint(Graphics g) {
            g.setColor(0x204080);
            g.fillRect(0, 0, getWidth(), getHeight());
            g.setColor(0xFFFFFF);
            g.drawString("board", getWidth() / 2, 40, Graphics.TOP | Graphics.HCENTER);
        }

        protected void keyPressed(int keyCode) {
            if (keyCode == KEY_STAR) {
                notifyDestroyed();
            }
        }
    }
}
