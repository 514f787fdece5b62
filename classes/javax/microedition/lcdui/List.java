package javax.microedition.lcdui;

import com.movane.kiv.KivCheckBox;
import com.movane.kiv.KivComponent;
import com.movane.kiv.KivGUIEvent;
import com.movane.kiv.KivImplicitList;
import com.movane.kiv.KivList;
import com.movane.kiv.KivListBox;
import com.movane.kiv.KivMIDP;
import com.movane.kiv.KivRadioButton;
import com.movane.kiv.KivTicker;
import com.movane.kiv.KivTitle;

import java.util.Vector;

/**
 * A screen of choices on a toolkit list box: implicit (select runs the select command),
 * exclusive (one chosen) or multiple. The strings, images and fonts are kept here as
 * well, so that the getters answer what the application gave.
 */
public class List extends Screen implements Choice {
    public static final Command SELECT_COMMAND = new Command("", Command.SCREEN, 0);

    private final int type;
    private final KivListBox peer;
    private final Vector strings = new Vector();
    private final Vector images = new Vector();
    private final Vector fonts = new Vector();
    private Command selectCommand;
    private int fitPolicy = TEXT_WRAP_DEFAULT;
    private KivTicker ticker;
    /** The title line above the rows (the list box draws none of its own). */
    private KivTitle titleLine;
    private boolean shown;
    private boolean laying;

    public List(String title, int listType) {
        this(title, listType, new String[0], null);
    }

    public List(String title, int listType, String[] stringElements, Image[] imageElements) {
        if (listType != IMPLICIT && listType != EXCLUSIVE && listType != MULTIPLE) {
            throw new IllegalArgumentException("list type " + listType);
        }
        if (stringElements == null) {
            throw new NullPointerException();
        }
        if (imageElements != null && imageElements.length != stringElements.length) {
            throw new IllegalArgumentException("the image array is not as long as the string array");
        }
        for (int i = 0; i < stringElements.length; i++) {
            if (stringElements[i] == null) {
                throw new NullPointerException();
            }
        }
        type = listType;
        if (listType == IMPLICIT) {
            peer = new KivImplicitList(KivMIDP.LIST_IMPLICIT);
            selectCommand = SELECT_COMMAND;
        } else if (listType == EXCLUSIVE) {
            peer = new KivRadioButton(KivMIDP.LIST_EXCLUSIVE);
        } else {
            peer = new KivCheckBox(KivMIDP.LIST_MULTIPLE);
        }
        setTitle(title);
        for (int i = 0; i < stringElements.length; i++) {
            append(stringElements[i], imageElements == null ? null : imageElements[i]);
        }
    }

    public int size() {
        return strings.size();
    }

    public String getString(int elementNum) {
        check(elementNum, size());
        return (String) strings.elementAt(elementNum);
    }

    public Image getImage(int elementNum) {
        check(elementNum, size());
        return (Image) images.elementAt(elementNum);
    }

    public int append(String stringPart, Image imagePart) {
        synchronized (Display.calloutLock) {
            int n = size();
            insertAt(n, stringPart, imagePart);
            return n;
        }
    }

    public void insert(int elementNum, String stringPart, Image imagePart) {
        synchronized (Display.calloutLock) {
            check(elementNum, size() + 1);
            insertAt(elementNum, stringPart, imagePart);
        }
    }

    public void delete(int elementNum) {
        synchronized (Display.calloutLock) {
            check(elementNum, size());
            boolean wasSelected = type == EXCLUSIVE && peer.isSelected(elementNum);
            peer.removeItem(elementNum);
            strings.removeElementAt(elementNum);
            images.removeElementAt(elementNum);
            fonts.removeElementAt(elementNum);
            // an exclusive list keeps one choice while it has elements
            if (wasSelected && size() > 0) {
                peer.setSelected(elementNum < size() ? elementNum : size() - 1, true);
            }
        }
    }

    public void deleteAll() {
        synchronized (Display.calloutLock) {
            for (int i = size() - 1; i >= 0; i--) {
                peer.removeItem(i);
            }
            strings.removeAllElements();
            images.removeAllElements();
            fonts.removeAllElements();
        }
    }

    public void set(int elementNum, String stringPart, Image imagePart) {
        if (stringPart == null) {
            throw new NullPointerException();
        }
        synchronized (Display.calloutLock) {
            check(elementNum, size());
            Image image = copied(imagePart);
            peer.setText(elementNum, stringPart);
            setPeerImage(elementNum, image);
            strings.setElementAt(stringPart, elementNum);
            images.setElementAt(image, elementNum);
        }
    }

    public boolean isSelected(int elementNum) {
        check(elementNum, size());
        if (type == IMPLICIT) {
            return elementNum == getSelectedIndex();
        }
        return peer.isSelected(elementNum);
    }

    public int getSelectedIndex() {
        if (type == MULTIPLE || size() == 0) {
            return -1;
        }
        if (type == IMPLICIT) {
            // the focused row is the choice of an implicit list
            int focused = peer.getFocusedIndex();
            return focused >= 0 ? focused : peer.getSelectedIndex();
        }
        return peer.getSelectedIndex();
    }

    public int getSelectedFlags(boolean[] selectedArray_return) {
        if (selectedArray_return == null) {
            throw new NullPointerException();
        }
        int n = size();
        if (selectedArray_return.length < n) {
            throw new IllegalArgumentException("the array is shorter than the list");
        }
        int count = 0;
        for (int i = 0; i < selectedArray_return.length; i++) {
            boolean on = i < n && isSelected(i);
            selectedArray_return[i] = on;
            if (on) {
                count++;
            }
        }
        return count;
    }

    public void setSelectedIndex(int elementNum, boolean selected) {
        synchronized (Display.calloutLock) {
            check(elementNum, size());
            if (type == MULTIPLE) {
                peer.setSelected(elementNum, selected);
            } else if (selected) {
                // unselecting the choice of a single-choice list changes nothing
                if (type == EXCLUSIVE) {
                    peer.setSelected(elementNum, true);
                }
                peer.setFocusedIndex(elementNum);
            }
        }
    }

    public void setSelectedFlags(boolean[] selectedArray) {
        if (selectedArray == null) {
            throw new NullPointerException();
        }
        synchronized (Display.calloutLock) {
            int n = size();
            if (selectedArray.length < n) {
                throw new IllegalArgumentException("the array is shorter than the list");
            }
            if (n == 0) {
                return;
            }
            if (type == MULTIPLE) {
                for (int i = 0; i < n; i++) {
                    peer.setSelected(i, selectedArray[i]);
                }
                return;
            }
            int first = 0;
            for (int i = 0; i < n; i++) {
                if (selectedArray[i]) {
                    first = i;
                    break;
                }
            }
            setSelectedIndex(first, true);
        }
    }

    public void setFitPolicy(int policy) {
        if (policy < TEXT_WRAP_DEFAULT || policy > TEXT_WRAP_OFF) {
            throw new IllegalArgumentException("fit policy " + policy);
        }
        synchronized (Display.calloutLock) {
            fitPolicy = policy;
            peer.setWrapPolicy(policy == TEXT_WRAP_ON ? KivList.WRAP_ON
                    : policy == TEXT_WRAP_OFF ? KivList.WRAP_OFF : KivList.WRAP_DEFAULT);
        }
    }

    public int getFitPolicy() {
        return fitPolicy;
    }

    public void setFont(int elementNum, Font font) {
        synchronized (Display.calloutLock) {
            check(elementNum, size());
            Font f = font == null ? Font.getDefaultFont() : font;
            peer.setFont(elementNum, f._nId);
            fonts.setElementAt(f, elementNum);
        }
    }

    public Font getFont(int elementNum) {
        check(elementNum, size());
        return (Font) fonts.elementAt(elementNum);
    }

    public void setSelectCommand(Command command) {
        if (type != IMPLICIT) {
            return;
        }
        if (command == SELECT_COMMAND) {
            // the default is no command of the screen's own
            Command old = selectCommand;
            selectCommand = SELECT_COMMAND;
            if (old != null && old != SELECT_COMMAND) {
                super.removeCommand(old);
            }
            return;
        }
        if (command != null) {
            addCommand(command);
        }
        selectCommand = command;
    }

    public void addCommand(Command cmd) {
        if (cmd == SELECT_COMMAND) {
            return;
        }
        super.addCommand(cmd);
    }

    public void removeCommand(Command cmd) {
        if (cmd != null && cmd == selectCommand) {
            selectCommand = null;
        }
        super.removeCommand(cmd);
    }

    // ---- the display's side ------------------------------------------------------

    KivComponent root() {
        return peer;
    }

    void attachTicker(KivTicker t) {
        KivTicker old = ticker;
        ticker = t;
        if (old != null && old != t && shown) {
            old.hide();
        }
        if (shown && !laying) {
            Display.screenLayoutChanged(this);
        }
    }

    void titleChanged() {
        peer.setTitle(title);
        if (title == null) {
            if (titleLine != null && shown) {
                titleLine.hide();
            }
            titleLine = null;
        } else {
            if (titleLine == null) {
                titleLine = new KivTitle(KivMIDP.DISPLAYABLE_TITLE);
            }
            titleLine.setText(title);
        }
        Display.screenLayoutChanged(this);
    }

    /** The ticker, then the title above the list box; the list box takes the rest and is active. */
    void showOn(int graphics, int width, int height) {
        laying = true;
        try {
            syncTicker();
        } finally {
            laying = false;
        }
        int top = place(ticker, 0, width, graphics);
        top = place(titleLine, top, width, graphics);
        peer.setLocation(0, top);
        peer.setSize(width, height - top);
        peer.show(graphics);
        peer.setState(KivComponent.ACTIVE);
        shown = true;
    }

    private static int place(KivComponent c, int y, int width, int graphics) {
        if (c == null) {
            return y;
        }
        int h = c.getPreferredHeight();
        c.setLocation(0, y);
        c.setSize(width, h);
        c.show(graphics);
        return y + h;
    }

    void hideScreen() {
        if (ticker != null) {
            ticker.hide();
        }
        if (titleLine != null) {
            titleLine.hide();
        }
        peer.hide();
        shown = false;
    }

    void paintScreen(int graphics) {
        // each part starts on a fresh context: a paint leaves the clip narrowed
        int g = graphics;
        if (ticker != null) {
            ticker.paint(g);
            KivComponent.nativeUIGraphicsInit();
            g = KivComponent.getGraphics();
        }
        if (titleLine != null) {
            titleLine.paint(g);
            KivComponent.nativeUIGraphicsInit();
            g = KivComponent.getGraphics();
        }
        peer.paint(g);
    }

    /** The implicit list's choice runs the select command. */
    Command guiEvent(KivGUIEvent e) {
        if (e.getComponentHandle() != peer.handle() || e.getType() != KivList.SELECTION_CHANGED) {
            return null;
        }
        return type == IMPLICIT ? selectCommand : null;
    }

    // ---- helpers -----------------------------------------------------------------

    private void insertAt(int n, String stringPart, Image imagePart) {
        if (stringPart == null) {
            throw new NullPointerException();
        }
        Image image = copied(imagePart);
        boolean first = size() == 0;
        peer.insertItem(n);
        try {
            peer.setText(n, stringPart);
        } catch (OutOfMemoryError e) {
            peer.removeItem(n);
            throw e;
        }
        setPeerImage(n, image);
        strings.insertElementAt(stringPart, n);
        images.insertElementAt(image, n);
        fonts.insertElementAt(Font.getDefaultFont(), n);
        if (first && type == EXCLUSIVE) {
            // an exclusive list always has a choice while it has elements (an implicit
            // one's choice is its focused row: a selection there is the user's choice)
            peer.setSelected(0, true);
        }
    }

    private void setPeerImage(int n, Image image) {
        if (image == null) {
            peer.setImage(n, KivComponent.INVALID_HANDLE);
        } else if (image.isOffScreen) {
            peer.setOffScreen(n, image._nId);
        } else {
            peer.setImage(n, image._nId);
        }
    }

    /** A mutable image is copied: later drawing into it does not change the list. */
    private static Image copied(Image image) {
        return image != null && image.isMutable() ? Image.createImage(image) : image;
    }

    private static void check(int index, int limit) {
        if (index < 0 || index >= limit) {
            throw new IndexOutOfBoundsException("element " + index + " of " + limit);
        }
    }
}
