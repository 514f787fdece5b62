import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;
import javax.microedition.lcdui.game.Sprite;
import javax.microedition.lcdui.game.TiledLayer;

/**
 * Paints layers into a 240 x 320 mutable image: "sprite n" draws a 16 x 16 sprite with
 * transparent pixels n times over the screen under changing transforms, "tiled n" paints
 * a tiled layer covering the screen n times, scrolling it a pixel each time; "collide n"
 * tests a sprite against a large map n times.
 */
public class LayerBench {

    public static void main(String[] args) {
        int n = Integer.parseInt(args[1]);
        Image screen = Image.createImage(240, 320);
        Graphics g = screen.getGraphics();
        if (args[0].equals("sprite")) {
            Sprite s = new Sprite(pattern(64, 16, 0x40), 16, 16);
            for (int i = 0; i < n; i++) {
                s.setTransform(i & 7);
                s.setPosition((i * 7) % 225, (i * 13) % 305);
                s.nextFrame();
                s.paint(g);
            }
        } else if (args[0].equals("collide")) {
            // a sprite against a map of 64 x 64 cells at the pixel level: transparent tiles
            // everywhere (tile 5), opaque ones (tile 1) on the last row
            TiledLayer map = new TiledLayer(64, 64, pattern(128, 16, 0x40), 16, 16);
            map.fillCells(0, 0, 64, 63, 5);
            map.fillCells(0, 63, 64, 1, 1);
            Sprite s = new Sprite(pattern(64, 16, 0x40), 16, 16);
            int hits = 0;
            for (int i = 0; i < n; i++) {
                s.setPosition((i * 7) % 1000, (i * 13) % 1000);
                if (s.collidesWith(map, true)) {
                    hits++;
                }
            }
            System.out.println(hits + " hits");
        } else {
            TiledLayer t = new TiledLayer(16, 21, pattern(128, 16, 0), 16, 16);
            for (int c = 0; c < 16; c++) {
                for (int r = 0; r < 21; r++) {
                    t.setCell(c, r, 1 + (c + r) % 8);
                }
            }
            for (int i = 0; i < n; i++) {
                t.setPosition(-(i & 15), -(i & 15));
                t.paint(g);
            }
        }
        System.out.println("done");
    }

    /** An image of w x h with a colour pattern; every pixel whose index ANDs with holes is transparent. */
    static Image pattern(int w, int h, int holes) {
        int[] argb = new int[w * h];
        for (int i = 0; i < argb.length; i++) {
            argb[i] = (i & holes) != 0 ? 0 : 0xFF000000 | (i * 0x10305);
        }
        return Image.createRGBImage(argb, w, h, true);
    }
}
