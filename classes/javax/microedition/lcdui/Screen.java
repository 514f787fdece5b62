package javax.microedition.lcdui;

import com.movane.kiv.KivComponent;
import com.movane.kiv.KivGUIEvent;
import com.movane.kiv.KivMIDP;
import com.movane.kiv.KivTicker;

/**
 * A high-level screen: a tree of toolkit components under one root that the display
 * lays out, shows, paints and hands keys and the stylus to, all on its event thread.
 */
public abstract class Screen extends Displayable {
    /** The toolkit's copy of the ticker shown at the top, or null. */
    private KivTicker tickerPeer;

    Screen() {
    }

    /** The component that fills the screen. */
    abstract KivComponent root();

    /** Puts the ticker component in place (null takes it away). */
    abstract void attachTicker(KivTicker ticker);

    abstract void titleChanged();

    /** Gives the ticker component the ticker's present text, making or dropping it. */
    void syncTicker() {
        Ticker t = ticker;
        if (t == null) {
            if (tickerPeer != null) {
                attachTicker(null);
                tickerPeer = null;
            }
            return;
        }
        if (tickerPeer == null) {
            tickerPeer = new KivTicker(KivMIDP.TICKER);
            tickerPeer.setText(t.getString());
            attachTicker(tickerPeer);
        } else {
            tickerPeer.setText(t.getString());
        }
    }

    void showOn(int graphics, int width, int height) {
        syncTicker();
        KivComponent r = root();
        r.setLocation(0, 0);
        r.setSize(width, height);
        r.show(graphics);
    }

    void hideScreen() {
        root().hide();
    }

    void paintScreen(int graphics) {
        root().paint(graphics);
    }

    int keyEvent(int kind, int key) {
        return root().processKeyEvent(kind, key, '\0');
    }

    int pointerEvent(int kind, int x, int y) {
        return root().processPointerEvent(kind, 0, x, y);
    }

    /**
     * A toolkit event of one of the screen's components: the command it runs, or null
     * when it runs none.
     */
    Command guiEvent(KivGUIEvent e) {
        return null;
    }

    /** One step of what moves on its own; true when anything moved. */
    boolean tick() {
        if (tickerPeer == null) {
            return false;
        }
        tickerPeer.update();
        return true;
    }

    /** Whether the screen has something that moves on its own. */
    boolean animated() {
        return tickerPeer != null;
    }

    /** Leaves the VM at once: for screens that cannot go on. */
    static native void nativeSystemExit();
}
