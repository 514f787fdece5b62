import javax.microedition.lcdui.Alert;
import javax.microedition.lcdui.AlertType;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.lcdui.Graphics;
import javax.microedition.midlet.MIDlet;

/**
 * Logs every callback of its canvases. Keys with a job: 1 switches full-screen mode,
 * 3 runs the repaint and serial-call sequence, 7 shows the other canvas, 9 (on its
 * release) pauses the MIDlet and asks to be resumed, * ends.
 */
public class EventLog extends MIDlet implements CommandListener {
    static final Command BACK = new Command("Back", Command.BACK, 1);
    static final Command OK = new Command("Select", Command.OK, 1);
    static final Command HELP = new Command("Help", Command.HELP, 5);

    private Display display;
    private LogCanvas first;
    private LogCanvas second;

    protected void startApp() {
        if (display != null) {
            // a resume: the display shows the canvas again by itself
            return;
        }
        display = Display.getDisplay(this);
        first = new LogCanvas("first", 0x2050A0);
        second = new LogCanvas("second", 0x20A050);
        first.addCommand(BACK);
        first.addCommand(OK);
        first.addCommand(HELP);
        first.setCommandListener(this);
        second.addCommand(BACK);
        // wider than its half of the bar: cut with "..."
        second.addCommand(new Command("Send the whole message", Command.OK, 1));
        second.setCommandListener(this);
        try {
            display.setCurrent(new Alert("Note", "high-level", null, AlertType.INFO));
        } catch (IllegalArgumentException e) {
            System.out.println("setCurrent of an Alert: " + e.getMessage());
        }
        System.out.println("current before the switch: " + (display.getCurrent() == null ? "none" : "some"));
        display.setCurrent(first);
        System.out.println("current after setCurrent: " + ((LogCanvas) display.getCurrent()).name);
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
        System.out.println("destroyApp");
    }

    public void commandAction(Command c, Displayable d) {
        System.out.println("commandAction " + c.getLabel() + " on " + ((LogCanvas) d).name);
    }

    void other(LogCanvas from) {
        display.setCurrent(from == first ? second : first);
    }

    void serialSequence(final LogCanvas c) {
        c.logPaints = true;
        c.repaint();
        display.callSerially(new Runnable() {
            public void run() {
                System.out.println("serial call, current " + ((LogCanvas) display.getCurrent()).name);
                c.repaint();
                System.out.println("serviceRepaints from the serial call");
                c.serviceRepaints();
                System.out.println("serviceRepaints returned");
                c.logPaints = false;
            }
        });
        System.out.println("callSerially posted");
        // more serial calls than the event queue has room for: none is lost
        final int[] ran = new int[1];
        for (int i = 0; i < FLOOD; i++) {
            final int n = i + 1;
            display.callSerially(new Runnable() {
                public void run() {
                    ran[0]++;
                    if (n == FLOOD) {
                        System.out.println(ran[0] + " of " + FLOOD + " serial calls ran, in order: " + (ran[0] == n));
                    }
                }
            });
        }
    }

    static final int FLOOD = 300;

    void pauseAndResume() {
        notifyPaused();
        resumeRequest();
    }

    void end() {
        notifyDestroyed();
    }

    class LogCanvas extends Canvas {
        final String name;
        final int color;
        boolean logPaints;

        LogCanvas(String name, int color) {
            this.name = name;
            this.color = color;
        }

        protected void paint(Graphics g) {
            if (logPaints) {
                System.out.println("paint " + name);
            }
            g.setColor(color);
            g.fillRect(0, 0, getWidth(), getHeight());
            g.setColor(0xFFFFFF);
            g.drawRect(2, 2, getWidth() - 5, getHeight() - 5);
            g.fillRect(getWidth() / 2 - 10, getHeight() / 2 - 10, 20, 20);
        }

        protected void showNotify() {
            System.out.println("showNotify " + name + " " + getWidth() + "x" + getHeight());
        }

        protected void hideNotify() {
            System.out.println("hideNotify " + name);
        }

        protected void sizeChanged(int w, int h) {
            System.out.println("sizeChanged " + name + " " + w + "x" + h);
        }

        private String describe(int keyCode) {
            int action = getGameAction(keyCode);
            return keyCode + " " + getKeyName(keyCode) + " action " + action
                    + (action != 0 ? " (key code of the action " + getKeyCode(action) + ")" : "");
        }

        protected void keyPressed(int keyCode) {
            System.out.println("keyPressed " + describe(keyCode));
            if (keyCode == KEY_NUM1) {
                setFullScreenMode(!fullScreen());
            } else if (keyCode == KEY_NUM3) {
                serialSequence(this);
            } else if (keyCode == KEY_NUM7) {
                other(this);

            } else if (keyCode == KEY_STAR) {
                end();
            }
        }

        private boolean full;

        private boolean fullScreen() {
            return full;
        }

        public void setFullScreenMode(boolean mode) {
            full = mode;
            System.out.println("setFullScreenMode " + mode);
            super.setFullScreenMode(mode);
            System.out.println("size now " + getWidth() + "x" + getHeight());
        }

        protected void keyRepeated(int keyCode) {
            System.out.println("keyRepeated " + describe(keyCode));
        }

        protected void keyReleased(int keyCode) {
            System.out.println("keyReleased " + describe(keyCode));
            if (keyCode == KEY_NUM9) {
                pauseAndResume();
            }
        }

        protected void pointerPressed(int x, int y) {
            System.out.println("pointerPressed " + x + "," + y);
        }

        protected void pointerDragged(int x, int y) {
            System.out.println("pointerDragged " + x + "," + y);
        }

        protected void pointerReleased(int x, int y) {
            System.out.println("pointerReleased " + x + "," + y);
        }
    }
}
