package javax.microedition.lcdui;

import com.movane.kiv.AbstractKivGUIEvent;
import com.movane.kiv.KivCommandMenu;
import com.movane.kiv.KivComponent;
import com.movane.kiv.KivGUIEvent;
import com.movane.kiv.KivList;
import com.movane.kiv.KivMIDP;
import com.movane.micro.lcdui.DisplayPresence;
import com.movane.micro.lcdui.GameCanvasAccess;

import java.util.Vector;

import javax.microedition.midlet.MIDlet;

/**
 * The MIDlet's display. One event thread (the EventDispatcher) calls every callback of
 * the application: paint, keys, pointer, commands, show and hide, sizeChanged and the
 * serial calls; a painter on another thread (serviceRepaints) takes the same lock, so no
 * two callbacks ever run at once.
 *
 * A canvas in normal mode leaves a soft-key bar at the bottom of the screen, where the
 * labels of its two soft-key commands are drawn, and below its ticker and title at the
 * top; in full-screen mode it has the whole screen. A high-level screen (so far the alert) is a tree of toolkit components above
 * the same bar: the display shows, paints and feeds it, and answers the toolkit's
 * requests to paint it again.
 *
 * Commands that find no soft key of their own are listed in the command menu, which
 * soft key 2 opens over the displayable; while it is open it takes the keys and the
 * stylus, soft key 1 closes it and soft key 2 or select runs the focused command.
 */
public class Display {
    public static final int LIST_ELEMENT = 1;
    public static final int CHOICE_GROUP_ELEMENT = 2;
    public static final int ALERT = 3;
    public static final int COLOR_BACKGROUND = 0;
    public static final int COLOR_FOREGROUND = 1;
    public static final int COLOR_HIGHLIGHTED_BACKGROUND = 2;
    public static final int COLOR_HIGHLIGHTED_FOREGROUND = 3;
    public static final int COLOR_BORDER = 4;
    public static final int COLOR_HIGHLIGHTED_BORDER = 5;

    private static final int[] COLORS = {0xFFFFFF, 0x000000, 0x3060C0, 0xFFFFFF, 0x000000, 0x3060C0};
    private static final int BAR_BACKGROUND = 0x202830;
    private static final int BAR_TEXT = 0xFFFFFF;
    private static final int BAR_MARGIN = 3;

    /** Key event kinds and pointer event kinds of the host. */
    private static final int KEY_PRESSED = 0;
    private static final int KEY_RELEASED = 1;
    private static final int KEY_REPEATED = 2;
    private static final int POINTER_PRESSED = 0;
    private static final int POINTER_RELEASED = 1;
    private static final int POINTER_DRAGGED = 3;
    private static final int EVENT_KEY = 0;
    private static final int EVENT_POINTER = 1;
    private static final int EVENT_REQUEST = 2;
    private static final int EVENT_MIDP = 3;
    private static final int EVENT_REPAINT = 4;
    private static final int EVENT_SET_CURRENT = 5;
    private static final int EVENT_SIZE_CHANGED = 6;
    private static final int EVENT_SHOW = 7;
    private static final int EVENT_HIDE = 8;
    /** The words of an event: its kind first, then the kind's own words. */
    private static final int WORD_KIND = 0;
    private static final int KEY_WORD_ACTION = 1;
    private static final int KEY_WORD_INDEX = 2;
    private static final int POINTER_WORD_ACTION = 1;
    private static final int POINTER_WORD_X = 2;
    private static final int POINTER_WORD_Y = 3;
    private static final int MIDP_WORD_TYPE = 1;

    /** Serialises every call into the application. */
    static final Object calloutLock = new Object();
    private static final Object creation = new Object();
    private static Display display;

    // The screen as last measured: its size and whether normal mode has soft keys.
    private static int screenWidth;
    private static int screenHeight;
    private static boolean normalHasSoftKeys = true;
    private static boolean measured;

    private final MIDlet midlet;
    /** What the application asked for last, and what is on the screen. */
    private Displayable requested;
    private Displayable shown;
    private boolean hidden;
    private Command[] softKeys = new Command[2];
    private boolean barDirty;
    /** The command menu while it is open, and the commands of its rows. */
    private KivCommandMenu menu;
    private Command[] menuCommands;
    /** A key pressed on the menu: its release and repeats belong to the menu too. */
    private int menuKey = -1;
    private boolean headerDirty;
    private boolean pointerDown;

    // The region waiting to be painted, as corners; empty when dirtyX1 >= dirtyX2.
    private int dirtyX1;
    private int dirtyY1;
    private int dirtyX2;
    private int dirtyY2;

    private final Vector serialCalls = new Vector();
    private Graphics screen;

    /** Timeouts and ticks; the serial of the alert last shown. */
    private final ScreenClock clock = new ScreenClock();
    private int alertSerial;

    private Display(MIDlet midlet) {
        this.midlet = midlet;
        DisplayPresence.created();
        nativeInitializeDisplay();
        nativeNeedUpdateListInit();
        new EventDispatcher(this).start();
        clock.start();
    }

    public static Display getDisplay(MIDlet m) {
        if (m == null) {
            throw new NullPointerException();
        }
        synchronized (creation) {
            if (display == null) {
                display = new Display(m);
            }
            return display;
        }
    }

    public boolean isColor() {
        return true;
    }

    public int numColors() {
        return 32768;
    }

    public int numAlphaLevels() {
        return nativeNumAlphaLevels();
    }

    public int getColor(int colorSpecifier) {
        if (colorSpecifier < COLOR_BACKGROUND || colorSpecifier > COLOR_HIGHLIGHTED_BORDER) {
            throw new IllegalArgumentException();
        }
        return COLORS[colorSpecifier];
    }

    public int getBorderStyle(boolean highlighted) {
        return highlighted ? Graphics.SOLID : Graphics.DOTTED;
    }

    public int getBestImageWidth(int imageType) {
        return bestImageSize(imageType, true);
    }

    public int getBestImageHeight(int imageType) {
        return bestImageSize(imageType, false);
    }

    private static int bestImageSize(int imageType, boolean width) {
        measureScreen(null);
        switch (imageType) {
        case LIST_ELEMENT:
        case CHOICE_GROUP_ELEMENT:
            return 16;
        case ALERT:
            return width ? screenWidth : screenHeight / 2;
        default:
            throw new IllegalArgumentException();
        }
    }

    public boolean flashBacklight(int duration) {
        if (duration < 0) {
            throw new IllegalArgumentException();
        }
        return duration == 0 ? nativeStopBacklightFlash() : nativeStartBacklightFlash(duration);
    }

    public boolean vibrate(int duration) {
        if (duration < 0) {
            throw new IllegalArgumentException();
        }
        return duration == 0 ? nativeStopVibration() : nativeStartVibration(duration);
    }

    public void callSerially(Runnable r) {
        if (r == null) {
            throw new NullPointerException();
        }
        synchronized (serialCalls) {
            serialCalls.addElement(r);
        }
        UiEventHandler.nativePostMIDPEvent(UiEventHandler.SERIAL_CALLS, 0, 0, 0, 0);
    }

    public Displayable getCurrent() {
        return requested;
    }

    /** An alert shown this way returns to what was current before it. */
    public void setCurrent(Displayable next) {
        if (next == null) {
            return;
        }
        synchronized (calloutLock) {
            if (next instanceof Alert && next != requested) {
                ((Alert) next).next = returnTarget();
            }
            requested = next;
        }
        UiEventHandler.nativePostSetCurrentEvent();
    }

    public void setCurrent(Alert alert, Displayable nextDisplayable) {
        if (alert == null || nextDisplayable == null) {
            throw new NullPointerException();
        }
        if (nextDisplayable instanceof Alert) {
            throw new IllegalArgumentException("an alert cannot follow an alert");
        }
        synchronized (calloutLock) {
            alert.next = nextDisplayable;
            requested = alert;
        }
        UiEventHandler.nativePostSetCurrentEvent();
    }

    /** What an alert made current now returns to: the current one, or where its alert goes. */
    private Displayable returnTarget() {
        Displayable d = requested;
        return d instanceof Alert ? ((Alert) d).next : d;
    }

    // ---- the displayables' side -------------------------------------------------

    static boolean isShowing(Displayable d) {
        Display me = display;
        return me != null && me.shown == d && !me.hidden;
    }

    /** Sets the displayable's size for its present mode (the screen is measured once). */
    static void measure(Displayable d) {
        measureScreen(d);
        if (d.width < 0) {
            d.width = screenWidth;
            d.height = screenHeight - barHeight(d) - headerHeight(d);
        }
    }

    private static void measureScreen(Displayable d) {
        if (measured) {
            return;
        }
        int softKeys = Canvas.nativeUpdateScreenProperty();
        screenWidth = Canvas.nativeGetWidth();
        screenHeight = Canvas.nativeGetHeight();
        if (!Displayable.nativeGetFullScreenMode()) {
            normalHasSoftKeys = softKeys > 0;
        }
        measured = true;
    }

    private static int barHeight(Displayable d) {
        if (d.fullScreen || !normalHasSoftKeys) {
            return 0;
        }
        return Font.getDefaultFont().getHeight() + 2 * BAR_MARGIN;
    }

    /** The height of a canvas's title and ticker strip in its present mode. */
    private static int headerHeight(Displayable d) {
        if (!(d instanceof Canvas) || d.fullScreen) {
            return 0;
        }
        CanvasHeader h = ((Canvas) d).header;
        return h == null ? 0 : h.height();
    }

    /** A canvas got another title or ticker: the strip above it follows, and its size. */
    static void headerChanged(Displayable d) {
        if (!(d instanceof Canvas) || d instanceof javax.microedition.lcdui.game.GameCanvas) {
            // a game canvas flushes its buffer to the top of the screen: no strip above it
            return;
        }
        Canvas c = (Canvas) d;
        synchronized (calloutLock) {
            if (c.header == null) {
                if (d.title == null && d.ticker == null) {
                    return;
                }
                c.header = new CanvasHeader();
            }
            c.header.sync(d);
            Display me = display;
            if (me == null || me.shown != d) {
                // measured again when it is asked for or shown
                d.width = -1;
                return;
            }
            me.applyScreenMode(d);
        }
    }

    static void commandsChanged(Displayable d) {
        Display me = display;
        if (me == null || me.shown != d) {
            return;
        }
        synchronized (calloutLock) {
            // the menu lists what was there when it opened
            me.closeMenu();
            me.updateSoftKeys();
        }
        me.barDirty = true;
        me.postRepaint();
    }

    /** A displayable got another ticker (or none). */
    static void tickerSet(Displayable d) {
        Display me = display;
        if (me == null || me.shown != d || !(d instanceof Screen)) {
            return;
        }
        synchronized (calloutLock) {
            ((Screen) d).syncTicker();
            me.clock.setTicking(((Screen) d).animated());
        }
    }

    /** The parts of a shown screen changed: lay it out and paint it again. */
    static void screenLayoutChanged(Screen s) {
        Display me = display;
        if (me == null || me.shown != s || me.hidden) {
            return;
        }
        synchronized (calloutLock) {
            s.showOn(KivComponent.getGraphics(), s.width, s.height);
            me.repaintAll();
        }
    }

    /** A ticker got a new text: the shown screen's copy takes it. */
    static void tickerChanged(Ticker t) {
        Display me = display;
        if (me == null) {
            return;
        }
        Displayable d = me.shown;
        if (d instanceof Screen && d.ticker == t) {
            synchronized (calloutLock) {
                ((Screen) d).syncTicker();
            }
        } else if (d instanceof Canvas && d.ticker == t) {
            headerChanged(d);
        }
    }

    static void fullScreenChanged(Canvas c) {
        Display me = display;
        if (me == null || me.shown != c) {
            c.width = -1;
            return;
        }
        synchronized (calloutLock) {
            me.applyScreenMode(c);
        }
    }

    static void repaint(Canvas c, int x, int y, int w, int h) {
        Display me = display;
        if (me == null || me.shown != c || me.hidden || w <= 0 || h <= 0) {
            return;
        }
        me.addDirty(x, y, x + w, y + h);
        me.postRepaint();
    }

    static void serviceRepaints(Canvas c) {
        Display me = display;
        if (me == null || me.shown != c) {
            return;
        }
        me.paintPending();
    }

    private synchronized void addDirty(int x1, int y1, int x2, int y2) {
        if (dirtyX1 >= dirtyX2 || dirtyY1 >= dirtyY2) {
            dirtyX1 = x1;
            dirtyY1 = y1;
            dirtyX2 = x2;
            dirtyY2 = y2;
            return;
        }
        dirtyX1 = Math.min(dirtyX1, x1);
        dirtyY1 = Math.min(dirtyY1, y1);
        dirtyX2 = Math.max(dirtyX2, x2);
        dirtyY2 = Math.max(dirtyY2, y2);
    }

    private void postRepaint() {
        UiEventHandler.nativePostRepaintEvent(true);
    }

    private void repaintAll() {
        barDirty = true;
        headerDirty = true;
        addDirty(0, 0, screenWidth, screenHeight);
        postRepaint();
    }

    // ---- the event thread's side ------------------------------------------------

    /** One event of the user-interface queues, on the event thread. */
    void dispatch(int[] e, int n) {
        switch (e[WORD_KIND]) {
        case EVENT_KEY:
            key(e[KEY_WORD_ACTION], e[KEY_WORD_INDEX]);
            break;
        case EVENT_POINTER:
            pointer(e[POINTER_WORD_ACTION], e[POINTER_WORD_X], e[POINTER_WORD_Y]);
            break;
        case EVENT_REQUEST:
            request(e);
            break;
        case EVENT_MIDP:
            if (e[MIDP_WORD_TYPE] == UiEventHandler.SERIAL_CALLS) {
                runSerialCalls();
            } else if (e[MIDP_WORD_TYPE] == UiEventHandler.ALERT_TIMEOUT) {
                alertTimedOut(e[MIDP_WORD_TYPE + 1]);
            } else if (e[MIDP_WORD_TYPE] == UiEventHandler.TICK) {
                tick();
            }
            break;
        case EVENT_REPAINT:
            paintPending();
            break;
        case EVENT_SET_CURRENT:
            switchCurrent();
            break;
        case EVENT_SIZE_CHANGED:
            measured = false;
            synchronized (calloutLock) {
                if (shown != null) {
                    applyScreenMode(shown);
                    if (shown instanceof Screen) {
                        ((Screen) shown).root().setSize(shown.width, shown.height);
                    }
                }
            }
            break;
        case EVENT_SHOW:
        case EVENT_HIDE:
            setHidden(e[WORD_KIND] == EVENT_HIDE);
            break;
        default:
            break;
        }
    }

    private void switchCurrent() {
        synchronized (calloutLock) {
            Displayable next = requested;
            if (next == null || next == shown) {
                return;
            }
            Displayable old = shown;
            if (menu != null) {
                menu.hide();
                menu = null;
                menuCommands = null;
            }
            if (old instanceof Canvas && ((Canvas) old).header != null) {
                ((Canvas) old).header.hide();
            }
            if (old instanceof Canvas && !hidden) {
                call((Canvas) old, CALL_HIDE);
            } else if (old instanceof Screen) {
                ((Screen) old).hideScreen();
            }
            clock.disarmAlert();
            clock.setTicking(false);
            shown = next;
            pointerDown = false;
            applyScreenMode(next);
            if (next instanceof Canvas && !hidden) {
                GameCanvasAccess.becameVisible(next);
                call((Canvas) next, CALL_SHOW);
            } else if (next instanceof Screen) {
                showScreen((Screen) next);
            }
        }
    }

    private void showScreen(Screen s) {
        s.showOn(KivComponent.getGraphics(), s.width, s.height);
        clock.setTicking(s.animated());
        if (s instanceof Alert) {
            Alert a = (Alert) s;
            alertSerial++;
            int time = a.effectiveTimeout();
            if (time != Alert.FOREVER) {
                clock.armAlert(alertSerial, time);
            }
            AlertType type = a.getType();
            if (type != null) {
                type.playSound(this);
            }
        }
    }

    /** Dismissal of the shown alert: on to the displayable it was given. */
    private void dismiss(Alert a) {
        Displayable next = a.next;
        if (shown != a || next == null) {
            return;
        }
        requested = next;
        switchCurrent();
    }

    private void alertTimedOut(int serial) {
        synchronized (calloutLock) {
            if (!(shown instanceof Alert) || serial != alertSerial || hidden) {
                return;
            }
            Alert a = (Alert) shown;
            if (a.listener == null) {
                dismiss(a);
            } else {
                command(a, Alert.DISMISS_COMMAND);
            }
        }
    }

    private void tick() {
        clock.tickTaken();
        synchronized (calloutLock) {
            // what moved asks the toolkit for an update, which paints it
            if (shown instanceof Screen && !hidden) {
                ((Screen) shown).tick();
            } else if (headerHeight(shown) > 0 && !hidden) {
                ((Canvas) shown).header.tick();
            }
        }
    }

    /** A toolkit request: painting is done at once; every request is answered. */
    private void request(int[] e) {
        KivGUIEvent request = new KivGUIEvent(e);
        Command run = null;
        Displayable on = shown;
        try {
            int code = request.getType();
            synchronized (calloutLock) {
                if (menu != null && request.getComponentHandle() == menu.handle()) {
                    if (code == KivList.SELECTION_CHANGED) {
                        chooseFromMenu(request.getParam1());
                    } else if (code == KivCommandMenu.CANCELED) {
                        closeMenu();
                    } else if (code == AbstractKivGUIEvent.REPAINT || code == AbstractKivGUIEvent.REPAINT_SCREEN) {
                        paintPending();
                    }
                    return;
                }
            }
            if (shown instanceof Screen && !hidden) {
                run = ((Screen) shown).guiEvent(request);
            }
            if (code == AbstractKivGUIEvent.REPAINT || code == AbstractKivGUIEvent.REPAINT_SCREEN) {
                if (shown instanceof Screen && !hidden) {
                    addDirty(0, 0, screenWidth, screenHeight);
                    paintPending();
                } else if (headerHeight(shown) > 0 && !hidden) {
                    headerDirty = true;
                    paintPending();
                }
            }
        } finally {
            request.notifyDone();
        }
        if (run != null) {
            synchronized (calloutLock) {
                command(on, run);
            }
        }
    }

    private void setHidden(boolean hide) {
        synchronized (calloutLock) {
            if (hidden == hide) {
                return;
            }
            hidden = hide;
            if (shown instanceof Canvas) {
                if (!hide) {
                    GameCanvasAccess.becameVisible(shown);
                }
                call((Canvas) shown, hide ? CALL_HIDE : CALL_SHOW);
            } else if (shown instanceof Screen) {
                clock.setTicking(!hide && ((Screen) shown).animated());
            }
            if (headerHeight(shown) > 0) {
                clock.setTicking(!hide && ((Canvas) shown).header.animated());
            }
            if (!hide) {
                repaintAll();
            }
        }
    }

    /** Puts the screen in the displayable's mode, tells it a new size, repaints it all. */
    private void applyScreenMode(Displayable d) {
        Displayable.nativeSetFullScreenMode(d.fullScreen);
        measured = false;
        measureScreen(d);
        int w = screenWidth;
        int top = headerHeight(d);
        int h = screenHeight - barHeight(d) - top;
        // the first size a displayable has is no change
        boolean changed = d.width >= 0 && (w != d.width || h != d.height);
        d.width = w;
        d.height = h;
        if (d instanceof Canvas && ((Canvas) d).header != null) {
            CanvasHeader header = ((Canvas) d).header;
            if (top > 0) {
                header.show(KivComponent.getGraphics(), w);
                clock.setTicking(header.animated() && !hidden);
            } else {
                header.hide();
                clock.setTicking(false);
            }
        }
        updateSoftKeys();
        if (changed && d instanceof Canvas) {
            call((Canvas) d, CALL_SIZE);
        }
        repaintAll();
    }

    private void updateSoftKeys() {
        Displayable d = shown;
        if (menu != null) {
            softKeys = new Command[] {MENU_BACK, MENU_SELECT};
        } else {
            softKeys = d != null ? d.softKeyCommands() : new Command[2];
        }
        Displayable.nativeResetSoftLabels();
        for (int k = 0; k < 2; k++) {
            if (softKeys[k] != null) {
                Displayable.nativeSetSoftLabel(k, labelOf(softKeys[k]));
            }
        }
        Displayable.nativePaintSoftkey();
        barDirty = true;
    }

    private void key(int kind, int index) {
        synchronized (calloutLock) {
            Displayable d = shown;
            if (d == null || hidden) {
                return;
            }
            if (index == Displayable.SOFT1 || index == Displayable.SOFT2) {
                Command c = softKeys[index - Displayable.SOFT1];
                if (c != null) {
                    if (kind == KEY_PRESSED) {
                        softKey(d, c);
                    }
                    return;
                }
            }
            int toolkitKind = kind == KEY_PRESSED ? KivComponent.KEY_PRESSED
                    : kind == KEY_REPEATED ? KivComponent.KEY_REPEATED : KivComponent.KEY_RELEASED;
            if (menu != null) {
                if (kind == KEY_PRESSED) {
                    menuKey = index;
                } else if (kind == KEY_RELEASED && index == menuKey) {
                    menuKey = -1;
                }
                menu.processKeyEvent(toolkitKind, index, '\0');
                return;
            }
            if (index == menuKey) {
                // the menu closed on this key's press: its repeats and release are the menu's
                boolean press = kind == KEY_PRESSED;
                if (press || kind == KEY_RELEASED) {
                    menuKey = -1;
                }
                if (!press) {
                    return;
                }
            }
            if (d instanceof Screen) {
                ((Screen) d).keyEvent(toolkitKind, index);
                return;
            }
            if (!(d instanceof Canvas)) {
                return;
            }
            Canvas canvas = (Canvas) d;
            int code = Displayable.translateKeyCode(index);
            if (GameCanvasAccess.suppressesGameKeys(canvas) && Canvas.nativeGetGameAction(code) > 0) {
                return;
            }
            if (kind == KEY_PRESSED) {
                call(canvas, CALL_KEY_PRESSED, code, 0);
            } else if (kind == KEY_RELEASED) {
                call(canvas, CALL_KEY_RELEASED, code, 0);
            } else if (kind == KEY_REPEATED) {
                call(canvas, CALL_KEY_REPEATED, code, 0);
            }
        }
    }

    private void pointer(int kind, int x, int y) {
        synchronized (calloutLock) {
            Displayable d = shown;
            if (d == null || hidden) {
                return;
            }
            int top = headerHeight(d);
            if (kind == POINTER_PRESSED && y >= top + d.height && barHeight(d) > 0) {
                // a tap on a label of the soft-key bar is its command
                Command c = softKeys[x < screenWidth / 2 ? 0 : 1];
                if (c != null) {
                    softKey(d, c);
                }
                return;
            }
            if (menu != null) {
                menu.processPointerEvent(kind, 0, x, y);
                return;
            }
            if (d instanceof Screen) {
                ((Screen) d).pointerEvent(kind, x, y);
                return;
            }
            if (!(d instanceof Canvas)) {
                return;
            }
            Canvas canvas = (Canvas) d;
            y -= top;
            if (kind == POINTER_PRESSED) {
                if (y < 0) {
                    // the title and ticker take no taps
                    return;
                }
                pointerDown = true;
                call(canvas, CALL_POINTER_PRESSED, x, y);
            } else if (kind == POINTER_DRAGGED && pointerDown) {
                call(canvas, CALL_POINTER_DRAGGED, x, y);
            } else if (kind == POINTER_RELEASED && pointerDown) {
                pointerDown = false;
                call(canvas, CALL_POINTER_RELEASED, x, y);
            }
        }
    }

    /** What a soft key holds: a command, the menu, or the menu's own two keys. */
    private void softKey(Displayable d, Command c) {
        if (c == Displayable.MENU) {
            openMenu(d);
        } else if (c == MENU_BACK) {
            closeMenu();
        } else if (c == MENU_SELECT) {
            chooseFromMenu(menu.getFocusedIndex());
        } else {
            command(d, c);
        }
    }

    private void openMenu(Displayable d) {
        Command[] cmds = d.menuCommands();
        if (cmds.length == 0 || menu != null) {
            return;
        }
        KivCommandMenu m = new KivCommandMenu(KivMIDP.COMMAND_MENU);
        for (int i = 0; i < cmds.length; i++) {
            m.insertItem(i);
            String longLabel = cmds[i].getLongLabel();
            m.setText(i, longLabel != null ? longLabel : cmds[i].getLabel());
        }
        m.setLocation(0, 0);
        m.setSize(screenWidth, screenHeight - barHeight(d));
        menu = m;
        menuCommands = cmds;
        m.show(KivComponent.getGraphics());
        m.setState(KivComponent.ACTIVE);
        m.setFocusedIndex(0);
        updateSoftKeys();
        repaintAll();
    }

    private void closeMenu() {
        KivCommandMenu m = menu;
        if (m == null) {
            return;
        }
        menu = null;
        menuCommands = null;
        m.hide();
        updateSoftKeys();
        repaintAll();
    }

    private void chooseFromMenu(int row) {
        Command[] cmds = menuCommands;
        Displayable d = shown;
        closeMenu();
        if (cmds != null && row >= 0 && row < cmds.length) {
            command(d, cmds[row]);
        }
    }

    private void command(Displayable d, Command c) {
        CommandListener l = d.listener;
        if (l == null) {
            // an alert without a listener of its own is dismissed by any of its commands
            if (d instanceof Alert) {
                dismiss((Alert) d);
            }
            return;
        }
        try {
            l.commandAction(c, d);
        } catch (Throwable t) {
            report("commandAction", t);
        }
    }

    private void runSerialCalls() {
        // what was asked before now runs after the repaints asked before it
        paintPending();
        int n = serialCalls.size();
        for (int i = 0; i < n; i++) {
            Runnable r;
            synchronized (serialCalls) {
                if (serialCalls.isEmpty()) {
                    return;
                }
                r = (Runnable) serialCalls.elementAt(0);
                serialCalls.removeElementAt(0);
            }
            synchronized (calloutLock) {
                try {
                    r.run();
                } catch (Throwable t) {
                    report("callSerially", t);
                }
            }
        }
    }

    /** Paints what is waiting, on the caller's thread. */
    void paintPending() {
        synchronized (calloutLock) {
            Displayable d = shown;
            // the waiting event is dropped before the region is taken: a repaint asked
            // after the taking posts a new one
            UiEventHandler.nativePostRepaintEvent(false);
            int x1, y1, x2, y2;
            synchronized (this) {
                x1 = Math.max(dirtyX1, 0);
                y1 = Math.max(dirtyY1, 0);
                x2 = dirtyX2;
                y2 = dirtyY2;
                dirtyX1 = dirtyX2 = 0;
                dirtyY1 = dirtyY2 = 0;
            }
            if (menu != null && !hidden) {
                paintMenu();
                return;
            }
            if (d instanceof Screen && !hidden) {
                paintScreen((Screen) d, x1 < x2 && y1 < y2);
                return;
            }
            if (!(d instanceof Canvas) || hidden) {
                return;
            }
            Canvas canvas = (Canvas) d;
            x2 = Math.min(x2, canvas.width);
            y2 = Math.min(y2, canvas.height);
            boolean paint = x1 < x2 && y1 < y2;
            int top = headerHeight(canvas);
            boolean header = headerDirty && top > 0;
            if (!paint && !barDirty && !header) {
                return;
            }
            Graphics g = screenGraphics();
            OnScreenGraphics.nativeStartDraw();
            if (header) {
                headerDirty = false;
                canvas.header.paint();
            }
            if (paint) {
                resetGraphics(g, canvas, top);
                g.setClip(x1, y1, x2 - x1, y2 - y1);
                try {
                    canvas.paint(g);
                } catch (Throwable t) {
                    report("paint", t);
                }
            }
            if (barDirty) {
                barDirty = false;
                paintSoftKeyBar(g, canvas);
            }
            OnScreenGraphics.nativeEndDraw(true);
        }
    }

    /** The screen's components (when asked) and the soft-key bar (when it changed). */
    private void paintScreen(Screen s, boolean paint) {
        if (!paint && !barDirty) {
            return;
        }
        Graphics g = screenGraphics();
        OnScreenGraphics.nativeStartDraw();
        if (paint) {
            // the components narrow the clip as they paint and leave it so: each paint
            // starts on a fresh context that covers the screen
            KivComponent.nativeUIGraphicsInit();
            s.paintScreen(KivComponent.getGraphics());
        }
        if (barDirty) {
            barDirty = false;
            paintSoftKeyBar(g, s);
        }
        OnScreenGraphics.nativeEndDraw(true);
    }

    /** The open command menu covers the displayable down to the soft-key bar. */
    private void paintMenu() {
        Graphics g = screenGraphics();
        OnScreenGraphics.nativeStartDraw();
        KivComponent.nativeUIGraphicsInit();
        menu.paint(KivComponent.getGraphics());
        if (barDirty) {
            barDirty = false;
            paintSoftKeyBar(g, shown);
        }
        OnScreenGraphics.nativeEndDraw(true);
    }

    private Graphics screenGraphics() {
        if (screen == null) {
            screen = Graphics.forScreen(screenWidth, screenHeight);
        }
        return screen;
    }

    /** The state a paint starts with, confined to the canvas top pixels down the screen. */
    private static void resetGraphics(Graphics g, Canvas c, int top) {
        g.reset(screenWidth, screenHeight);
        if (top > 0) {
            g.setBase(top);
        }
        g.setUpperClip(0, 0, c.width, c.height);
        g.setClip(0, 0, c.width, c.height);
    }

    private void paintSoftKeyBar(Graphics g, Displayable c) {
        int top = headerHeight(c) + c.height;
        int h = screenHeight - top;
        if (h <= 0) {
            return;
        }
        g.reset(screenWidth, screenHeight);
        g.setUpperClip(0, top, screenWidth, h);
        g.setClip(0, top, screenWidth, h);
        g.setColor(BAR_BACKGROUND);
        g.fillRect(0, top, screenWidth, h);
        g.setColor(BAR_TEXT);
        int y = top + BAR_MARGIN;
        int room = screenWidth / 2 - 2 * BAR_MARGIN;
        Font font = g.getFont();
        if (softKeys[0] != null) {
            g.drawString(fit(labelOf(softKeys[0]), font, room), BAR_MARGIN + 1, y, Graphics.TOP | Graphics.LEFT);
        }
        if (softKeys[1] != null) {
            g.drawString(fit(labelOf(softKeys[1]), font, room), screenWidth - BAR_MARGIN - 1, y,
                    Graphics.TOP | Graphics.RIGHT);
        }
    }

    /** An alert's implicit dismiss command has an empty label: the user sees "OK". */
    private static String labelOf(Command c) {
        return c == Alert.DISMISS_COMMAND ? "OK" : c.getLabel();
    }

    /** The soft keys while the command menu is open. */
    private static final Command MENU_BACK = new Command("Back", Command.BACK, 0);
    private static final Command MENU_SELECT = new Command("Select", Command.OK, 0);

    /** The label, cut and ended with "..." when it is wider than its half of the bar. */
    private static String fit(String label, Font font, int room) {
        if (font.stringWidth(label) <= room) {
            return label;
        }
        int n = label.length();
        while (n > 0 && font.stringWidth(label.substring(0, n) + "...") > room) {
            n--;
        }
        return label.substring(0, n).trim() + "...";
    }

    // ---- calls into the application ---------------------------------------------

    private static final int CALL_SHOW = 0;
    private static final int CALL_HIDE = 1;
    private static final int CALL_SIZE = 2;
    private static final int CALL_KEY_PRESSED = 3;
    private static final int CALL_KEY_RELEASED = 4;
    private static final int CALL_KEY_REPEATED = 5;
    private static final int CALL_POINTER_PRESSED = 6;
    private static final int CALL_POINTER_RELEASED = 7;
    private static final int CALL_POINTER_DRAGGED = 8;

    private static final String[] CALL_NAMES = {"showNotify", "hideNotify", "sizeChanged", "keyPressed",
            "keyReleased", "keyRepeated", "pointerPressed", "pointerReleased", "pointerDragged"};

    private static void call(Canvas c, int what) {
        call(c, what, 0, 0);
    }

    /** Calls the canvas; what it throws is reported and goes no further. */
    private static void call(Canvas c, int what, int a, int b) {
        try {
            switch (what) {
            case CALL_SHOW:
                c.showNotify();
                break;
            case CALL_HIDE:
                c.hideNotify();
                break;
            case CALL_SIZE:
                c.sizeChanged(c.width, c.height);
                break;
            case CALL_KEY_PRESSED:
                c.keyPressed(a);
                break;
            case CALL_KEY_RELEASED:
                c.keyReleased(a);
                break;
            case CALL_KEY_REPEATED:
                c.keyRepeated(a);
                break;
            case CALL_POINTER_PRESSED:
                c.pointerPressed(a, b);
                break;
            case CALL_POINTER_RELEASED:
                c.pointerReleased(a, b);
                break;
            default:
                c.pointerDragged(a, b);
                break;
            }
        } catch (Throwable t) {
            report(CALL_NAMES[what], t);
        }
    }

    private static void report(String where, Throwable t) {
        System.err.println("Uncaught exception in " + where + ": " + t);
    }

    private static native void nativeInitializeDisplay();

    private static native int nativeNumAlphaLevels();

    static native void nativeClearArrows();

    private static native int nativeNeedUpdateListInit();

    static native boolean nativeNeedUpdate(Displayable d);

    static native int nativeGetRepaintInterval();

    private static native boolean nativeStartBacklightFlash(int duration);

    private static native boolean nativeStopBacklightFlash();

    private static native boolean nativeStartVibration(int duration);

    private static native boolean nativeStopVibration();
}
