package javax.microedition.lcdui;

import java.util.Vector;

/**
 * What a screen holds: a label, a layout, its own commands and the preferred size the
 * application may lock. An item belongs to at most one screen at a time.
 */
public abstract class Item {
    public static final int LAYOUT_DEFAULT = 0;
    public static final int LAYOUT_LEFT = 1;
    public static final int LAYOUT_RIGHT = 2;
    public static final int LAYOUT_CENTER = 3;
    public static final int LAYOUT_TOP = 0x10;
    public static final int LAYOUT_BOTTOM = 0x20;
    public static final int LAYOUT_VCENTER = 0x30;
    public static final int LAYOUT_NEWLINE_BEFORE = 0x100;
    public static final int LAYOUT_NEWLINE_AFTER = 0x200;
    public static final int LAYOUT_SHRINK = 0x400;
    public static final int LAYOUT_EXPAND = 0x800;
    public static final int LAYOUT_VSHRINK = 0x1000;
    public static final int LAYOUT_VEXPAND = 0x2000;
    public static final int LAYOUT_2 = 0x4000;
    public static final int PLAIN = 0;
    public static final int HYPERLINK = 1;
    public static final int BUTTON = 2;

    private static final int LAYOUT_BITS = 0x7F33;

    private String label;
    private int layout;
    private int lockedWidth = -1;
    private int lockedHeight = -1;
    final Vector commands = new Vector();
    private ItemCommandListener itemListener;
    private Command defaultCommand;
    /** The screen that holds the item, or null. */
    Screen owner;

    Item(String label) {
        this.label = label;
    }

    public String getLabel() {
        return label;
    }

    public void setLabel(String label) {
        checkNotAlertOwned();
        this.label = label;
    }

    public int getLayout() {
        return layout;
    }

    public void setLayout(int layout) {
        checkNotAlertOwned();
        if ((layout & ~LAYOUT_BITS) != 0) {
            throw new IllegalArgumentException("layout: " + layout);
        }
        this.layout = layout;
    }

    public void addCommand(Command cmd) {
        checkNotAlertOwned();
        if (cmd == null) {
            throw new NullPointerException();
        }
        if (commands.indexOf(cmd) < 0) {
            commands.addElement(cmd);
        }
    }

    public void removeCommand(Command cmd) {
        commands.removeElement(cmd);
        if (cmd == defaultCommand) {
            defaultCommand = null;
        }
    }

    public void setItemCommandListener(ItemCommandListener l) {
        checkNotAlertOwned();
        itemListener = l;
    }

    public void setDefaultCommand(Command cmd) {
        checkNotAlertOwned();
        defaultCommand = cmd;
        if (cmd != null) {
            addCommand(cmd);
        }
    }

    public int getPreferredWidth() {
        return lockedWidth >= 0 ? Math.max(lockedWidth, getMinimumWidth()) : naturalWidth();
    }

    public int getPreferredHeight() {
        return lockedHeight >= 0 ? Math.max(lockedHeight, getMinimumHeight()) : naturalHeight();
    }

    public void setPreferredSize(int width, int height) {
        checkNotAlertOwned();
        if (width < -1 || height < -1) {
            throw new IllegalArgumentException();
        }
        lockedWidth = width;
        lockedHeight = height;
    }

    public int getMinimumWidth() {
        return naturalWidth();
    }

    public int getMinimumHeight() {
        return naturalHeight();
    }

    public void notifyStateChanged() {
        // only an item of a form has a state listener to tell
        throw new IllegalStateException("the item is not in a form");
    }

    /** The size the item's content asks for. */
    abstract int naturalWidth();

    abstract int naturalHeight();

    /** An alert's indicator takes no changes that would need a label, commands or layout. */
    private void checkNotAlertOwned() {
        if (owner instanceof Alert) {
            throw new IllegalStateException("the item is the indicator of an alert");
        }
    }

    /** Whether the item is fit to be an alert's indicator besides its own kind's rules. */
    boolean plainForIndicator() {
        return label == null && commands.isEmpty() && itemListener == null && layout == LAYOUT_DEFAULT
                && lockedWidth == -1 && lockedHeight == -1;
    }
}
