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

    /** The soft-key stand-in for the commands that have no key of their own. */
    static final Command MENU = new Command(option("midp_command_menu", "Menu"), Command.SCREEN, 0);

    /**
     * The commands for soft keys 1 and 2. Up to two commands: the most important one of
     * each side by its key in the command-key table, a free key taking the best of the
     * other side. More: soft key 1 keeps the best command of its side (or the best of
     * all), and soft key 2 opens the menu of all the others.
     */
    Command[] softKeyCommands() {
        Command[] all = commandsByImportance();
        Command[] keys = new Command[2];
        if (all.length > 2) {
            keys[0] = all[0];
            for (int i = 0; i < all.length; i++) {
                if (keyOf(all[i]) == 0) {
                    keys[0] = all[i];
                    break;
                }
            }
            keys[1] = MENU;
            return keys;
        }
        for (int i = 0; i < all.length; i++) {
            int key = keyOf(all[i]);
            if (keys[key] == null) {
                keys[key] = all[i];
            } else {
                keys[1 - key] = all[i];
            }
        }
        return keys;
    }

    /** The commands the menu lists, most important first: those not on a soft key. */
    Command[] menuCommands() {
        Command[] keys = softKeyCommands();
        if (keys[1] != MENU) {
            return new Command[0];
        }
        Command[] all = commandsByImportance();
        Command[] rest = new Command[all.length - 1];
        int n = 0;
        for (int i = 0; i < all.length; i++) {
            if (all[i] != keys[0]) {
                rest[n++] = all[i];
            }
        }
        return rest;
    }

    static String option(String key, String otherwise) {
        String value = com.movane.micro.SystemOption.getOption(key);
        return value != null ? value : otherwise;
    }

    private Command[] commandsByImportance() {
        Command[] all;
        synchronized (commands) {
            all = new Command[commands.size()];
            commands.copyInto(all);
        }
        // a stable insertion sort: equals keep the order they were added in
        for (int i = 1; i < all.length; i++) {
            Command c = all[i];
            int j = i - 1;
            while (j >= 0 && moreImportant(c, all[j])) {
                all[j + 1] = all[j];
                j--;
            }
            all[j + 1] = c;
        }
        return all;
    }

    /** 0 for soft key 1, 1 for soft key 2, by the platform's command-key table. */
    private static int keyOf(Command c) {
        return nativeGetCommandKey(commandKeyId(c.getCommandType())) == SOFT2 ? 1 : 0;
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
