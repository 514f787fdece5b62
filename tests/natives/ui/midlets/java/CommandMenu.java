import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.lcdui.Graphics;
import javax.microedition.midlet.MIDlet;

/**
 * A canvas in normal mode with five commands of mixed types: Exit on soft key 1, the
 * other four in the menu on soft key 2, each invoked in turn; Exit ends.
 */
public class CommandMenu extends MIDlet implements CommandListener {
    static final Command EXIT = new Command("Exit", Command.EXIT, 2);
    static final Command PAUSE = new Command("Pause", Command.STOP, 3);
    static final Command SAVE = new Command("Save", "Save the game", Command.SCREEN, 1);
    static final Command HELP = new Command("Help", Command.HELP, 1);
    static final Command OK = new Command("OK", Command.OK, 1);

    protected void startApp() {
        Board board = new Board();
        board.addCommand(EXIT);
        board.addCommand(PAUSE);
        board.addCommand(SAVE);
        board.addCommand(HELP);
        board.addCommand(OK);
        board.setCommandListener(this);
        Display.getDisplay(this).setCurrent(board);
    }

    public void commandAction(Command c, Displayable d) {
        System.out.println("commandAction " + c.getLabel());
        if (c == EXIT) {
            notifyDestroyed();
        }
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    class Board extends Canvas {
        protected void paint(Graphics g) {
            g.setColor(0x604020);
            g.fillRect(0, 0, getWidth(), getHeight());
        }

        protected void keyPressed(int keyCode) {
            System.out.println("keyPressed " + getKeyName(keyCode));
        }
    }
}
