package javax.microedition.lcdui.game;

import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * A visual element of a game: a position, a size and visibility. The natives of Sprite
 * and TiledLayer read and write these fields by name.
 */
public abstract class Layer {

    int m_LayerX;
    int m_LayerY;
    int m_LayerWidth;
    int m_LayerHeight;
    /** Bit 0: visible. */
    int m_LayerFlags = 1;

    /** The native records keep frame, tile and grid sizes in 16 bits. */
    static final int MAX_RECORD_SIZE = 0xFFFF;

    Layer(int width, int height) {
        m_LayerWidth = width;
        m_LayerHeight = height;
    }

    public void setPosition(int x, int y) {
        m_LayerX = x;
        m_LayerY = y;
    }

    public void move(int dx, int dy) {
        m_LayerX += dx;
        m_LayerY += dy;
    }

    public final int getX() {
        return m_LayerX;
    }

    public final int getY() {
        return m_LayerY;
    }

    public final int getWidth() {
        return m_LayerWidth;
    }

    public final int getHeight() {
        return m_LayerHeight;
    }

    public void setVisible(boolean visible) {
        if (visible) {
            m_LayerFlags |= 1;
        } else {
            m_LayerFlags &= ~1;
        }
    }

    public final boolean isVisible() {
        return (m_LayerFlags & 1) != 0;
    }

    public abstract void paint(Graphics g);

    /**
     * Checks an image cut into cells of w x h: the image not null, the cell at least one
     * pixel and dividing the image exactly. Answers the number of cells.
     */
    static int cellCount(Image image, int w, int h) {
        if (image == null) {
            throw new NullPointerException();
        }
        int imageW = image.getWidth();
        int imageH = image.getHeight();
        if (w < 1 || h < 1 || imageW % w != 0 || imageH % h != 0) {
            throw new IllegalArgumentException();
        }
        if (imageW > MAX_RECORD_SIZE || imageH > MAX_RECORD_SIZE) {
            throw new IllegalArgumentException("image larger than 65535 pixels a side");
        }
        return (imageW / w) * (imageH / h);
    }
}
