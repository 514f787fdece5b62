import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Ticker;
import javax.microedition.midlet.MIDlet;

/**
 * A canvas in normal mode with a ticker and a title above it: the canvas paints from its
 * own origin below them, taps land in its own coordinates, and each change of the strip
 * gives it a new size. 1 drops the ticker, 2 the title, 3 goes full screen, 4 back to
 * normal with both again; * ends.
 */
public class HeaderCanvas extends MIDlet {
    private Board board;

    protected void startApp() {
        if (board != null) {
            return;
        }
        board = new Board();
        board.setTitle("High scores");
        board.setTicker(new Ticker("Weekly champion: Ada with 12,480 points"));
        Display.getDisplay(this).setCurrent(board);
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    class Board extends Canvas {
        protected void showNotify() {
            System.out.println("shown " + getWidth() + "x" + getHeight());
        }

        protected void sizeChanged(int w, int h) {
            System.out.println("sizeChanged " + w + "x" + h);
        }

        protected void paint(Graphics g) {
            int w = getWidth();
            int h = getHeight();
            if (g.getTranslateX() != 0 || g.getTranslateY() != 0 || g.getClipX() < 0 || g.getClipY() < 0) {
                System.out.println("paint: translated " + g.getTranslateY() + ", clip " + g.getClipY());
            }
            g.setColor(0x206040);
            g.fillRect(0, 0, w, h);
            g.setColor(0xFFFF00);
            g.drawRect(0, 0, w - 1, h - 1);
            g.drawLine(0, 0, w - 1, h - 1);
        }

        protected void pointerPressed(int x, int y) {
            System.out.println("pointerPressed " + x + "," + y);
        }

        protected void keyPressed(int keyCode) {
            switch (keyCode) {
            case KEY_NUM1:
                setTicker(null);
                break;
            case KEY_NUM2:
                setTitle(null);
                break;
            case KEY_NUM3:
                setFullScreenMode(true);
                break;
            case KEY_NUM4:
                setFullScreenMode(false);
                setTitle("Back again");
                setTicker(new Ticker("A new week starts"));
                break;
            case KEY_STAR:
                notifyDestroyed();
                break;
            default:
                break;
            }
        }
    }
}
