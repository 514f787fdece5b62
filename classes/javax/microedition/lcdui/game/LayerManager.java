package javax.microedition.lcdui.game;

import javax.microedition.lcdui.Graphics;

/**
 * An ordered list of layers painted through a view window: index 0 is nearest to the
 * viewer and painted last.
 */
public class LayerManager {

    private Layer[] layers = new Layer[4];
    private int count;
    private int viewX;
    private int viewY;
    private int viewWidth = Integer.MAX_VALUE;
    private int viewHeight = Integer.MAX_VALUE;

    public LayerManager() {
    }

    public void append(Layer l) {
        if (l == null) {
            throw new NullPointerException();
        }
        removeAt(indexOf(l));
        insertAt(l, count);
    }

    public void insert(Layer l, int index) {
        if (l == null) {
            throw new NullPointerException();
        }
        int present = indexOf(l);
        // checked before the layer leaves its place, so that a bad index changes nothing
        int last = present >= 0 ? count - 1 : count;
        if (index < 0 || index > last) {
            throw new IndexOutOfBoundsException();
        }
        removeAt(present);
        insertAt(l, index);
    }

    public Layer getLayerAt(int index) {
        if (index < 0 || index >= count) {
            throw new IndexOutOfBoundsException();
        }
        return layers[index];
    }

    public int getSize() {
        return count;
    }

    public void remove(Layer l) {
        if (l == null) {
            throw new NullPointerException();
        }
        removeAt(indexOf(l));
    }

    public void setViewWindow(int x, int y, int width, int height) {
        if (width < 0 || height < 0) {
            throw new IllegalArgumentException();
        }
        viewX = x;
        viewY = y;
        viewWidth = width;
        viewHeight = height;
    }

    /**
     * Paints the view window's part of the layers with the window's top-left at (x, y) of
     * g, within g's clip; g's clip and translation are as before afterwards.
     */
    public void paint(Graphics g, int x, int y) {
        if (g == null) {
            throw new NullPointerException();
        }
        int clipX = g.getClipX();
        int clipY = g.getClipY();
        int clipW = g.getClipWidth();
        int clipH = g.getClipHeight();
        // the clip cut to the window, in long: the default window reaches Integer.MAX_VALUE
        long left = Math.max((long) clipX, (long) x);
        long top = Math.max((long) clipY, (long) y);
        long right = Math.min((long) clipX + clipW, (long) x + viewWidth);
        long bottom = Math.min((long) clipY + clipH, (long) y + viewHeight);
        if (right <= left || bottom <= top) {
            return;
        }
        int dx = x - viewX;
        int dy = y - viewY;
        g.setClip((int) left, (int) top, (int) (right - left), (int) (bottom - top));
        g.translate(dx, dy);
        try {
            for (int i = count - 1; i >= 0; i--) {
                Layer l = layers[i];
                if (l.isVisible()) {
                    l.paint(g);
                }
            }
        } finally {
            g.translate(-dx, -dy);
            g.setClip(clipX, clipY, clipW, clipH);
        }
    }

    private int indexOf(Layer l) {
        for (int i = 0; i < count; i++) {
            if (layers[i] == l) {
                return i;
            }
        }
        return -1;
    }

    private void removeAt(int index) {
        if (index < 0) {
            return;
        }
        count--;
        System.arraycopy(layers, index + 1, layers, index, count - index);
        layers[count] = null;
    }

    private void insertAt(Layer l, int index) {
        if (count == layers.length) {
            Layer[] grown = new Layer[count * 2];
            System.arraycopy(layers, 0, grown, 0, count);
            layers = grown;
        }
        System.arraycopy(layers, index, layers, index + 1, count - index);
        layers[index] = l;
        count++;
    }
}
