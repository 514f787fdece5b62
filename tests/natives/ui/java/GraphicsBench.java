import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * Makes args[1] Graphics calls of one kind (args[0]: "fillRect", "drawLine", "drawImage",
 * "drawString", or "loop" for the bare loop) into a 240 x 320 mutable image, for
 * movane_natives_ui_bench. Each call draws a small shape, as a game's frame does.
 */
public class GraphicsBench {
    public static void main(String[] args) {
        int n = Integer.parseInt(args[1]);
        Graphics g = Image.createImage(240, 320).getGraphics();
        int[] rgb = new int[16 * 16];
        for (int i = 0; i < rgb.length; i++) {
            rgb[i] = (i & 1) == 0 ? 0xFF00C000 : 0x00000000;
        }
        Image sprite = Image.createRGBImage(rgb, 16, 16, true);
        String kind = args[0];
        int mode = kind.equals("fillRect") ? 0 : kind.equals("drawLine") ? 1 : kind.equals("drawImage") ? 2
                : kind.equals("drawString") ? 3 : 4;
        int x = 0;
        int y = 0;
        for (int i = 0; i < n; i++) {
            x = x < 200 ? x + 3 : 0;
            y = y < 280 ? y + 7 : 0;
            switch (mode) {
            case 0: g.fillRect(x, y, 20, 20); break;
            case 1: g.drawLine(x, y, x + 30, y + 20); break;
            case 2: g.drawImage(sprite, x, y, Graphics.TOP | Graphics.LEFT); break;
            case 3: g.drawString("Score 12345", x, y, Graphics.TOP | Graphics.LEFT); break;
            default: g.setColor(x); break;
            }
        }
    }
}
