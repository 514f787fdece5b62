package javax.microedition.lcdui.game;

import com.movane.micro.lcdui.GameCanvasAccess;

import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * A canvas with an off-screen buffer of the full screen's size: the game draws into the
 * buffer through getGraphics and shows it with flushGraphics; getKeyStates reads the game
 * keys, each latched from its press until the next read.
 */
public abstract class GameCanvas extends Canvas {
    public static final int UP_PRESSED = 1 << Canvas.UP;
    public static final int DOWN_PRESSED = 1 << Canvas.DOWN;
    public static final int LEFT_PRESSED = 1 << Canvas.LEFT;
    public static final int RIGHT_PRESSED = 1 << Canvas.RIGHT;
    public static final int FIRE_PRESSED = 1 << Canvas.FIRE;
    public static final int GAME_A_PRESSED = 1 << Canvas.GAME_A;
    public static final int GAME_B_PRESSED = 1 << Canvas.GAME_B;
    public static final int GAME_C_PRESSED = 1 << Canvas.GAME_C;
    public static final int GAME_D_PRESSED = 1 << Canvas.GAME_D;

    /** The screen context the natives flush with; -1 when none could be made. */
    private int m_GfxContextID = -1;
    private boolean m_bSuppressGameKey;
    private final Image buffer;

    static {
        initializeStaticValues();
        GameCanvasAccess.install(new Access());
    }

    private static final class Access extends GameCanvasAccess {
        protected boolean isSuppressing(Object canvas) {
            return canvas instanceof GameCanvas && ((GameCanvas) canvas).m_bSuppressGameKey;
        }

        protected void shown(Object canvas) {
            if (canvas instanceof GameCanvas) {
                nativeClearKeyStates();
            }
        }
    }

    protected GameCanvas(boolean suppressKeyEvents) {
        initializeStaticValues();
        int w = getFullScreenWidth();
        int h = getFullScreenHeight();
        buffer = Image.createImage(w > 0 ? w : 1, h > 0 ? h : 1);
        initializeGameCanvas(this, suppressKeyEvents);
        m_GfxContextID = createGraphicsContext();
    }

    protected Graphics getGraphics() {
        return buffer.getGraphics();
    }

    /** 0 while the canvas is not shown; the latched presses are dropped then. */
    public int getKeyStates() {
        if (!isShown()) {
            nativeClearKeyStates();
            return 0;
        }
        return nativeGetKeyStates();
    }

    public void paint(Graphics g) {
        g.drawImage(buffer, 0, 0, Graphics.TOP | Graphics.LEFT);
    }

    public void flushGraphics(int x, int y, int width, int height) {
        int right = Math.min(x + width, getWidth());
        int bottom = Math.min(y + height, getHeight());
        x = Math.max(x, 0);
        y = Math.max(y, 0);
        if (right <= x || bottom <= y) {
            return;
        }
        flush(x, y, right - x, bottom - y);
    }

    public void flushGraphics() {
        flush(0, 0, getWidth(), getHeight());
    }

    private void flush(int x, int y, int width, int height) {
        // a canvas that is not on the screen keeps the screen as it is
        nativeFlushGraphics(x, y, width, height, m_GfxContextID, getOffScreenID(buffer), !isShown(), false);
    }

    private static native void initializeStaticValues();

    private static native int getFullScreenWidth();

    private static native int getFullScreenHeight();

    private static native int createGraphicsContext();

    private static native void initializeGameCanvas(GameCanvas canvas, boolean suppress);

    private static native void nativeFlushGraphics(int x, int y, int width, int height, int context, int offScreen,
            boolean skip, boolean atOrigin);

    private static native int nativeGetKeyStates();

    private static native void nativeClearKeyStates();

    private static native int getOffScreenID(Image image);
}
