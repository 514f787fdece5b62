import javax.microedition.lcdui.Alert;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Gauge;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Ticker;
import javax.microedition.midlet.MIDlet;

/**
 * An alert with a ticker and a progress indicator, and what an indicator may not be.
 * A thread raises the progress after a while; the alert's command leaves it for a
 * canvas; * ends.
 */
public class AlertIndicator extends MIDlet implements CommandListener {
    static final Command DONE = new Command("Done", Command.OK, 1);

    private Display display;
    private Alert alert;
    private Gauge progress;
    private Board board;

    protected void startApp() {
        if (display != null) {
            return;
        }
        display = Display.getDisplay(this);
        board = new Board();
        progress = new Gauge(null, false, 10, 4);
        refuse("an interactive gauge", new Gauge(null, true, 10, 4));
        refuse("a gauge with a label", new Gauge("label", false, 10, 4));
        Gauge withCommand = new Gauge(null, false, 10, 4);
        withCommand.addCommand(DONE);
        refuse("a gauge with a command", withCommand);
        try {
            new Gauge(null, true, Gauge.INDEFINITE, 0);
        } catch (IllegalArgumentException e) {
            System.out.println("an interactive indefinite gauge: IllegalArgumentException");
        }
        System.out.println("value cut to the maximum: " + new Gauge(null, false, 10, 99).getValue());

        alert = new Alert("Downloading", "Fetching level 2 of the game.", null, null);
        alert.setTicker(new Ticker("News: new levels every week, more to come"));
        alert.setIndicator(progress);
        alert.setTimeout(Alert.FOREVER);
        alert.addCommand(DONE);
        alert.setCommandListener(this);
        System.out.println("indicator set: " + (alert.getIndicator() == progress) + ", ticker "
                + alert.getTicker().getString());
        Alert other = new Alert("other");
        try {
            other.setIndicator(progress);
        } catch (IllegalArgumentException e) {
            System.out.println("a gauge of another alert: IllegalArgumentException");
        }
        try {
            progress.setLabel("late");
        } catch (IllegalStateException e) {
            System.out.println("labelling an indicator: IllegalStateException");
        }
        display.setCurrent(alert, board);
    }

    private void refuse(String what, Gauge g) {
        try {
            new Alert("x").setIndicator(g);
            System.out.println(what + " taken");
        } catch (IllegalArgumentException e) {
            System.out.println(what + ": IllegalArgumentException");
        }
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    public void commandAction(Command c, Displayable d) {
        System.out.println("commandAction " + c.getLabel() + ", progress " + progress.getValue());
        display.setCurrent(board);
    }

    class Board extends Canvas {
        Board() {
            setTitle("board");
        }

        protected void showNotify() {
            System.out.println("canvas shown");
        }

        protected void paint(Graphics g) {
            g.setColor(0x603030);
            g.fillRect(0, 0, getWidth(), getHeight());
        }

        protected void keyPressed(int keyCode) {
            if (keyCode == KEY_STAR) {
                notifyDestroyed();
            }
        }
    }

    // the progress moves on a thread of its own, as a download would
    {
        new Thread() {
            public void run() {
                try {
                    Thread.sleep(2500);
                } catch (InterruptedException e) {
                    return;
                }
                progress.setValue(8);
                System.out.println("progress raised to " + progress.getValue());
            }
        }.start();
    }
}
