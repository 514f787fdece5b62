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
 * Modal alerts over a canvas: 5 shows one with only the implicit dismiss command, which
 * soft key 1 dismisses back to the canvas; 8 shows one with two commands of its own and a
 * listener, which answers soft key 2; * ends.
 */
public class AlertModal extends MIDlet implements CommandListener {
    static final Command YES = new Command("Yes", Command.OK, 1);
    static final Command NO = new Command("No", Command.CANCEL, 1);

    private Display display;
    private Board board;
    private Alert question;

    protected void startApp() {
        if (display != null) {
            return;
        }
        display = Display.getDisplay(this);
        board = new Board();
        display.setCurrent(board);
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    void showNote() {
        Alert note = new Alert("Note", "Saved. Press OK to go on.", null, AlertType.CONFIRMATION);
        note.setTimeout(Alert.FOREVER);
        // the implicit command cannot be taken away
        note.removeCommand(Alert.DISMISS_COMMAND);
        display.setCurrent(note);
        System.out.println("note current: " + (display.getCurrent() == note));
    }

    void showQuestion() {
        question = new Alert("Quit?", "Leave the game now?", null, AlertType.WARNING);
        question.addCommand(YES);
        question.addCommand(NO);
        question.setCommandListener(this);
        // two commands make it modal whatever its timeout
        question.setTimeout(500);
        display.setCurrent(question, board);
    }

    public void commandAction(Command c, Displayable d) {
        System.out.println("commandAction " + c.getLabel() + " on the question: " + (d == question));
        display.setCurrent(board);
    }

    class Board extends Canvas {
        protected void showNotify() {
            System.out.println("canvas shown");
        }

        protected void hideNotify() {
            System.out.println("canvas hidden");
        }

        protected void paint(Graphics g) {
            g.setColor(0x306030);
            g.fillRect(0, 0, getWidth(), getHeight());
        }

        protected void keyPressed(int keyCode) {
            if (keyCode == KEY_NUM5) {
                showNote();
            } else if (keyCode == KEY_NUM8) {
                showQuestion();
            } else if (keyCode == KEY_STAR) {
                notifyDestroyed();
            }
        }
    }
}
