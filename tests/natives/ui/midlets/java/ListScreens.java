import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Choice;
import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.List;
import javax.microedition.midlet.MIDlet;

/**
 * An implicit main menu whose choice opens a canvas (Back returns), an exclusive list of
 * difficulties and a multiple list of options, each answered with its OK command; the
 * menu's last entry ends.
 */
public class ListScreens extends MIDlet implements CommandListener {
    static final Command BACK = new Command("Back", Command.BACK, 1);
    static final Command OK = new Command("OK", Command.OK, 1);

    private Display display;
    private List menu;
    private List level;
    private List options;
    private Board board;

    protected void startApp() {
        if (display != null) {
            return;
        }
        display = Display.getDisplay(this);
        menu = new List("Main menu", Choice.IMPLICIT,
                new String[] {"Play", "Difficulty", "Options", "A very long entry that does not fit on one line of the screen", "Quit"},
                null);
        menu.setCommandListener(this);
        level = new List("Difficulty", Choice.EXCLUSIVE, new String[] {"Easy", "Normal", "Hard"}, null);
        level.setSelectedIndex(1, true);
        level.addCommand(OK);
        level.setCommandListener(this);
        options = new List("Options", Choice.MULTIPLE, new String[] {"Sound", "Vibration", "Hints"}, null);
        options.setSelectedIndex(0, true);
        options.addCommand(OK);
        options.setCommandListener(this);
        board = new Board();
        board.addCommand(BACK);
        board.setCommandListener(this);
        report();
        display.setCurrent(menu);
    }

    private void report() {
        System.out.println("menu " + menu.size() + " entries, selected " + menu.getSelectedIndex() + ", level "
                + level.getString(level.getSelectedIndex()));
    }

    public void commandAction(Command c, Displayable d) {
        if (d == menu && c == List.SELECT_COMMAND) {
            int i = menu.getSelectedIndex();
            System.out.println("chosen " + i + ": " + menu.getString(i));
            switch (i) {
            case 0:
                display.setCurrent(board);
                break;
            case 1:
                display.setCurrent(level);
                break;
            case 2:
                display.setCurrent(options);
                break;
            case 4:
                notifyDestroyed();
                break;
            default:
                break;
            }
        } else if (d == level) {
            System.out.println("level " + level.getString(level.getSelectedIndex()));
            display.setCurrent(menu);
        } else if (d == options) {
            boolean[] flags = new boolean[options.size()];
            int n = options.getSelectedFlags(flags);
            StringBuffer b = new StringBuffer();
            for (int i = 0; i < flags.length; i++) {
                if (flags[i]) {
                    b.append(' ').append(options.getString(i));
                }
            }
            System.out.println("options " + n + ":" + b);
            display.setCurrent(menu);
        } else if (c == BACK) {
            display.setCurrent(menu);
        }
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    class Board extends Canvas {
        protected void paint(Graphics g) {
            g.setColor(0x305070);
            g.fillRect(0, 0, getWidth(), getHeight());
        }
    }
}
