import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * The game's pictures, drawn at start: each is painted on magenta in a mutable image,
 * and magenta becomes transparent in the immutable image made from its pixels.
 */
final class Art {
    static final int TILE = 16;
    private static final int KEY = 0xFF00FF;

    private Art() {
    }

    /** Four sky tiles side by side: dark, light, dark with a dot, light with a dot. */
    static Image sky() {
        Image img = Image.createImage(4 * TILE, TILE);
        Graphics g = img.getGraphics();
        int[] colors = {0x101838, 0x182048, 0x101838, 0x182048};
        for (int i = 0; i < 4; i++) {
            g.setColor(colors[i]);
            g.fillRect(i * TILE, 0, TILE, TILE);
            if (i >= 2) {
                g.setColor(0x8090C0);
                g.fillRect(i * TILE + 5, 6, 2, 2);
            }
        }
        return Image.createImage(img);
    }

    /** A star in two frames: full and twinkling. */
    static Image star() {
        Image img = canvas(2 * TILE, TILE);
        Graphics g = img.getGraphics();
        for (int f = 0; f < 2; f++) {
            int x = f * TILE + 8;
            g.setColor(f == 0 ? 0xFFE040 : 0xFFF0A0);
            int r = f == 0 ? 7 : 6;
            g.fillTriangle(x, 0, x - r, 12, x + r, 12);
            g.fillTriangle(x, 15, x - r, 4, x + r, 4);
        }
        return transparent(img);
    }

    static Image rock() {
        Image img = canvas(TILE, TILE);
        Graphics g = img.getGraphics();
        g.setColor(0x806050);
        g.fillArc(0, 1, 16, 14, 0, 360);
        g.setColor(0x504038);
        g.fillArc(5, 5, 5, 4, 0, 360);
        return transparent(img);
    }

    static Image basket(int w, int h) {
        Image img = canvas(w, h);
        Graphics g = img.getGraphics();
        g.setColor(0xC08040);
        g.fillRoundRect(0, 0, w, h, 8, 8);
        g.setColor(0x603010);
        g.drawRoundRect(0, 0, w - 1, h - 1, 8, 8);
        g.drawLine(4, h / 2, w - 5, h / 2);
        return transparent(img);
    }

    private static Image canvas(int w, int h) {
        Image img = Image.createImage(w, h);
        Graphics g = img.getGraphics();
        g.setColor(KEY);
        g.fillRect(0, 0, w, h);
        return img;
    }

    /** Magenta as the 15-bit screen keeps it: each channel a few bits short. */
    private static boolean isKey(int pixel) {
        return ((pixel >> 16) & 0xFF) >= 0xF0 && ((pixel >> 8) & 0xFF) < 0x10 && (pixel & 0xFF) >= 0xF0;
    }

    private static Image transparent(Image img) {
        int w = img.getWidth();
        int h = img.getHeight();
        int[] argb = new int[w * h];
        img.getRGB(argb, 0, w, 0, 0, w, h);
        for (int i = 0; i < argb.length; i++) {
            argb[i] = isKey(argb[i]) ? 0 : argb[i] | 0xFF000000;
        }
        return Image.createRGBImage(argb, w, h, true);
    }
}
