import com.movane.security.SecurityManager;

import javax.microedition.lcdui.Alert;
import javax.microedition.lcdui.AlertType;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.midlet.MIDlet;

/**
 * A protected call as a protected API makes it: 5 on the canvas asks on the event
 * thread, 8 asks from a thread of the MIDlet's own while the canvas keeps animating, 0
 * shows an alert and asks over it; every answer is printed with the status that follows
 * it. * ends.
 */
public class PermissionPrompt extends MIDlet {
    static final String PERMISSION = "com.movane.test.Protected";

    private Display display;
    private Board board;

    protected void startApp() {
        if (display != null) {
            return;
        }
        display = Display.getDisplay(this);
        board = new Board();
        display.setCurrent(board);
        System.out.println("status at start: " + checkPermission(PERMISSION));
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    void use(String where) {
        try {
            SecurityManager.getInstance().checkPermission(PERMISSION, where);
            System.out.println(where + ": granted");
        } catch (SecurityException e) {
            System.out.println(where + ": refused");
        }
        System.out.println("status: " + checkPermission(PERMISSION));
    }

    class Board extends Canvas {
        protected void paint(Graphics g) {
            g.setColor(0x306030);
            g.fillRect(0, 0, getWidth(), getHeight());
            g.setColor(0xFFFFFF);
            g.drawString("board", 10, 10, Graphics.TOP | Graphics.LEFT);
        }

        protected void keyPressed(int keyCode) {
            if (keyCode == KEY_NUM5) {
                use("event thread");
            } else if (keyCode == KEY_NUM8) {
                new Thread() {
                    public void run() {
                        use("own thread");
                    }
                }.start();
            } else if (keyCode == KEY_NUM0) {
                Alert a = new Alert("Note", "An alert under the prompt.", null, AlertType.INFO);
                a.setTimeout(Alert.FOREVER);
                display.setCurrent(a);
                new Thread() {
                    public void run() {
                        use("over the alert");
                    }
                }.start();
            } else if (keyCode == KEY_STAR) {
                notifyDestroyed();
            }
        }
    }
}
