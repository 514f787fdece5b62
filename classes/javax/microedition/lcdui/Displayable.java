package javax.microedition.lcdui;

import java.util.Vector;

/**
 * Something the display shows: its title, its commands with their listener, the
 * full-screen wish of a canvas, and the size it last reported. The display decides which
 * command goes on which soft key.
 */
public abstract class Displayable {
    /** Soft-key ids of the command-key table: the negative commands, then the positive ones. */
    private static final int KEY_BACK = 100;
    private static final int KEY_EXIT = 101;
    private static final int KEY_CANCEL = 102;
    private static final int KEY_STOP = 103;
    private static final int KEY_OK = 104;
    private static final int KEY_SCREEN = 105;
    private static final int KEY_ITEM = 106;
    /** Key indexes of the soft keys. */
    static final int SOFT1 = 21;
    static final int SOFT2 = 22;

    private static int[] typePriority;

    String title;
    Ticker ticker;
    final Vector commands = new Vector();
    CommandListener listener;
    boolean fullScreen;
    /** The size last given to the application through sizeChanged, or measured for it. */
    int width = -1;
    int height = -1;

    Displayable() {
    }

    public String getTitle() {
        return title;
    }

    public void setTitle(String s) {
        title = s;
        if (this instanceof Screen) {
            ((Screen) this).titleChanged();
        } else {
            Display.headerChanged(this);
        }
    }

    public Ticker getTicker() {
        return ticker;
    }

    /** A screen shows the ticker at its top, a canvas in normal mode above itself. */
    public void setTicker(Ticker t) {
        ticker = t;
        if (this instanceof Screen) {
            Display.tickerSet(this);
        } else {
            Display.headerChanged(this);
        }
    }

    public void addCommand(Command cmd) {
        if (cmd == null) {
            throw new NullPointerException();
        }
        synchronized (commands) {
            if (commands.indexOf(cmd) >= 0) {
                return;
            }
            commands.addElement(cmd);
        }
        Display.commandsChanged(this);
    }

    public void removeCommand(Command cmd) {
        boolean removed;
        synchronized (commands) {
            removed = commands.removeElement(cmd);
        }
        if (removed) {
            Display.commandsChanged(this);
        }
    }

    public void setCommandListener(CommandListener l) {
        listener = l;
    }

    public boolean isShown() {
        return Display.isShowing(this);
    }

    public int getWidth() {
        Display.measure(this);
        return width;
    }

    public int getHeight() {
        Display.measure(this);
        return height;
    }

    protected void sizeChanged(int w, int h) {
    }

    /**
     * The commands for soft keys 1 and 2: the most important one of each side by its
     * key in the command-key table; a free key takes the best of the other side.
     */
    Command[] softKeyCommands() {
        Command[] best = new Command[2];
        Command spare = null;
        synchronized (commands) {
            for (int i = 0; i < commands.size(); i++) {
                Command c = (Command) commands.elementAt(i);
                int key = nativeGetCommandKey(commandKeyId(c.getCommandType())) == SOFT2 ? 1 : 0;
                if (best[key] == null || moreImportant(c, best[key])) {
                    if (best[key] != null && (spare == null || moreImportant(best[key], spare))) {
                        spare = best[key];
                    }
                    best[key] = c;
                } else if (spare == null || moreImportant(c, spare)) {
                    spare = c;
                }
            }
        }
        if (best[0] == null) {
            best[0] = spare;
        } else if (best[1] == null) {
            best[1] = spare;
        }
        return best;
    }

    private static int commandKeyId(int type) {
        switch (type) {
        case Command.BACK:
            return KEY_BACK;
        case Command.EXIT:
            return KEY_EXIT;
        case Command.CANCEL:
            return KEY_CANCEL;
        case Command.STOP:
            return KEY_STOP;
        case Command.OK:
            return KEY_OK;
        case Command.SCREEN:
            return KEY_SCREEN;
        default:
            return KEY_ITEM;
        }
    }

    /** Lower priority values first; between equals, the type order of the platform. */
    private static boolean moreImportant(Command a, Command b) {
        if (a.getPriority() != b.getPriority()) {
            return a.getPriority() < b.getPriority();
        }
        if (typePriority == null) {
            typePriority = getCommandTypePriority();
        }
        return typePriority[a.getCommandType()] < typePriority[b.getCommandType()];
    }

    static native boolean nativeSetFullScreenMode(boolean mode);

    static native boolean nativeGetFullScreenMode();

    static native void nativeSetHighLevelGraphics(int mode);

    static native void nativeSetSoftLabel(int key, String label);

    static native void nativeResetSoftLabels();

    static native void nativePaintSoftkey();

    static native void _setFocusState(int state);

    static native void _setScrollState(int state);

    static native void _setScrollPosition(int a, int b, int c, int d, int e);

    static native int nativeGetCommandKey(int id);

    static native int translateKeyCode(int keyIndex);

    static native int _getPlatformKeyCode(int keyCode);

    static native void nativeDrawAniChars();

    static native int nativeGetUserKeyBase();

    static native boolean enableMappedBackCommand();

    static native boolean checkCommandPriorityFirst();

    static native int[] getCommandTypePriority();
}
