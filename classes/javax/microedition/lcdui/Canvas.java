package javax.microedition.lcdui;

/**
 * The low-level displayable: the application paints it and gets its keys and pointer
 * events, all on the display's event thread. Key codes and game actions come from the
 * platform's key table.
 */
public abstract class Canvas extends Displayable {
    public static final int UP = 1;
    public static final int DOWN = 6;
    public static final int LEFT = 2;
    public static final int RIGHT = 5;
    public static final int FIRE = 8;
    public static final int GAME_A = 9;
    public static final int GAME_B = 10;
    public static final int GAME_C = 11;
    public static final int GAME_D = 12;

    public static final int KEY_NUM0 = 48;
    public static final int KEY_NUM1 = 49;
    public static final int KEY_NUM2 = 50;
    public static final int KEY_NUM3 = 51;
    public static final int KEY_NUM4 = 52;
    public static final int KEY_NUM5 = 53;
    public static final int KEY_NUM6 = 54;
    public static final int KEY_NUM7 = 55;
    public static final int KEY_NUM8 = 56;
    public static final int KEY_NUM9 = 57;
    public static final int KEY_STAR = 42;
    public static final int KEY_POUND = 35;

    static {
        nativeInitGameAction();
    }

    /** The title and ticker above the canvas in normal mode; null until either is set. */
    CanvasHeader header;

    protected Canvas() {
    }

    public boolean isDoubleBuffered() {
        return true;
    }

    public boolean hasPointerEvents() {
        return true;
    }

    public boolean hasPointerMotionEvents() {
        return true;
    }

    public boolean hasRepeatEvents() {
        return true;
    }

    public int getKeyCode(int gameAction) {
        if (!isGameAction(gameAction)) {
            throw new IllegalArgumentException();
        }
        return nativeGetKeyCode(gameAction);
    }

    public String getKeyName(int keyCode) {
        String name = nativeGetKeyName(keyCode);
        if (name == null) {
            throw new IllegalArgumentException();
        }
        return name;
    }

    public int getGameAction(int keyCode) {
        int action = nativeGetGameAction(keyCode);
        if (action < 0) {
            throw new IllegalArgumentException();
        }
        return action;
    }

    public void setFullScreenMode(boolean mode) {
        if (mode != fullScreen) {
            fullScreen = mode;
            Display.fullScreenChanged(this);
        }
    }

    protected void keyPressed(int keyCode) {
    }

    protected void keyRepeated(int keyCode) {
    }

    protected void keyReleased(int keyCode) {
    }

    protected void pointerPressed(int x, int y) {
    }

    protected void pointerReleased(int x, int y) {
    }

    protected void pointerDragged(int x, int y) {
    }

    public final void repaint(int x, int y, int width, int height) {
        Display.repaint(this, x, y, width, height);
    }

    public final void repaint() {
        Display.repaint(this, 0, 0, getWidth(), getHeight());
    }

    public final void serviceRepaints() {
        Display.serviceRepaints(this);
    }

    protected void showNotify() {
    }

    protected void hideNotify() {
    }

    protected abstract void paint(Graphics g);

    protected void sizeChanged(int w, int h) {
    }

    private static boolean isGameAction(int action) {
        return action == UP || action == DOWN || action == LEFT || action == RIGHT || action == FIRE
                || (action >= GAME_A && action <= GAME_D);
    }

    static native void setDisplayInfo(int width, int height, int third);

    static native int nativeGetWidth();

    static native int nativeGetHeight();

    /** Measures the screen in its present mode; the soft-key count. */
    static native int nativeUpdateScreenProperty();

    static native void nativeInitGameAction();

    static native int nativeGetKeyCode(int gameAction);

    static native int nativeGetGameAction(int keyCode);

    static native String nativeGetKeyName(int keyCode);

    static native boolean nativeIsNecessaryKeycodeBackwardCompatible();
}
