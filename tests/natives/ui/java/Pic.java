import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * Small pictures for the layer tests: images made from rows of letters, a canvas cleared
 * to white, and the canvas written back as letters, one per pixel.
 */
final class Pic {

    /** Letters and their colours; '-' is a transparent pixel. */
    static final String LETTERS = ".KRGBYCM-";
    static final int[] COLOURS = {0xFFFFFFFF, 0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00,
            0xFF00FFFF, 0xFFFF00FF, 0x00000000};

    private Pic() {
    }

    /** An immutable image with alpha from rows of letters, all of one length. */
    static Image image(String[] rows) {
        int w = rows[0].length();
        int h = rows.length;
        int[] argb = new int[w * h];
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                int i = LETTERS.indexOf(rows[y].charAt(x));
                if (i < 0) {
                    throw new IllegalArgumentException("no colour for " + rows[y].charAt(x));
                }
                argb[y * w + x] = COLOURS[i];
            }
        }
        return Image.createRGBImage(argb, w, h, true);
    }

    static void clear(Image canvas) {
        Graphics g = canvas.getGraphics();
        g.setColor(0xFFFFFF);
        g.fillRect(0, 0, canvas.getWidth(), canvas.getHeight());
    }

    /** The letter of the canvas pixel at (x, y); '?' for a colour not in the list. */
    static char at(Image canvas, int x, int y) {
        int[] pixel = new int[1];
        canvas.getRGB(pixel, 0, 1, x, y, 1, 1);
        return letter(pixel[0]);
    }

    static char letter(int argb) {
        if ((argb >>> 24) == 0) {
            return '-';
        }
        // the screen keeps five bits a component
        for (int i = 0; i < COLOURS.length; i++) {
            if ((COLOURS[i] >>> 24) != 0 && (COLOURS[i] & 0xF8F8F8) == (argb & 0xF8F8F8)) {
                return LETTERS.charAt(i);
            }
        }
        return '?';
    }

    /** Prints the title, then the canvas as rows of letters. */
    static void show(String title, Image canvas) {
        System.out.println(title);
        int w = canvas.getWidth();
        int h = canvas.getHeight();
        int[] argb = new int[w * h];
        canvas.getRGB(argb, 0, w, 0, 0, w, h);
        StringBuffer row = new StringBuffer();
        for (int y = 0; y < h; y++) {
            row.setLength(0);
            row.append("  ");
            for (int x = 0; x < w; x++) {
                row.append(letter(argb[y * w + x]));
            }
            System.out.println(row.toString());
        }
    }

    /** The exception a call threw, as its class name and message, or "no exception". */
    static String outcome(Throwable t) {
        if (t == null) {
            return "no exception";
        }
        String message = t.getMessage();
        return t.getClass().getName() + (message != null ? " \"" + message + "\"" : "");
    }
}
