package javax.microedition.lcdui;

import com.movane.kiv.KivComponent;
import com.movane.kiv.KivMIDP;
import com.movane.kiv.KivTicker;
import com.movane.kiv.KivTitle;

/**
 * The strip above a canvas in normal mode: its ticker, then its title, drawn by the same
 * toolkit components a screen uses. The canvas gets the room below it.
 */
final class CanvasHeader {
    private KivTicker ticker;
    private KivTitle title;
    private boolean shown;

    /** Makes, updates or drops the components for the canvas's title and ticker. */
    void sync(Displayable d) {
        Ticker t = d.ticker;
        if (t == null) {
            dropTicker();
        } else {
            if (ticker == null) {
                ticker = new KivTicker(KivMIDP.TICKER);
            }
            ticker.setText(t.getString());
        }
        String s = d.title;
        if (s == null) {
            dropTitle();
        } else {
            if (title == null) {
                title = new KivTitle(KivMIDP.DISPLAYABLE_TITLE);
            }
            title.setText(s);
        }
    }

    int height() {
        return heightOf(ticker) + heightOf(title);
    }

    boolean animated() {
        return ticker != null;
    }

    /** Places the components across the top of a screen width pixels wide and shows them. */
    void show(int graphics, int width) {
        int y = place(ticker, 0, width, graphics);
        place(title, y, width, graphics);
        shown = true;
    }

    void hide() {
        if (ticker != null) {
            ticker.hide();
        }
        if (title != null) {
            title.hide();
        }
        shown = false;
    }

    /** Paints both parts; each starts on a fresh context, as a paint leaves the clip narrowed. */
    void paint() {
        if (ticker != null) {
            KivComponent.nativeUIGraphicsInit();
            ticker.paint(KivComponent.getGraphics());
        }
        if (title != null) {
            KivComponent.nativeUIGraphicsInit();
            title.paint(KivComponent.getGraphics());
        }
    }

    /** One step of the ticker; true when it moved. */
    boolean tick() {
        if (ticker == null) {
            return false;
        }
        ticker.update();
        return true;
    }

    private int place(KivComponent c, int y, int width, int graphics) {
        if (c == null) {
            return y;
        }
        int h = heightOf(c);
        c.setLocation(0, y);
        c.setSize(width, h);
        c.show(graphics);
        return y + h;
    }

    private void dropTicker() {
        if (ticker != null) {
            if (shown) {
                ticker.hide();
            }
            ticker = null;
        }
    }

    private void dropTitle() {
        if (title != null) {
            if (shown) {
                title.hide();
            }
            title = null;
        }
    }

    private static int heightOf(KivComponent c) {
        return c == null ? 0 : c.getPreferredHeight();
    }
}
