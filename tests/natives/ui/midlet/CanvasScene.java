import java.io.IOException;

import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Font;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;
import javax.microedition.midlet.MIDlet;

/**
 * Paints a scene with the screen's Graphics in full-screen mode: shapes translated and
 * clipped, the sprite resource under every transform, text at each anchor, ARGB with
 * alpha; prints what the screen's Graphics says of itself, and that copyArea refuses it.
 */
public class CanvasScene extends MIDlet {

    static final int LT = Graphics.LEFT | Graphics.TOP;

    class Scene extends Canvas {
        private Image sprite;
        private boolean reported;

        Scene() {
            setFullScreenMode(true);
            try {
                sprite = Image.createImage("/sprite.png");
            } catch (IOException e) {
                System.out.println("no sprite: " + e);
            }
        }

        protected void paint(Graphics g) {
            if (!reported) {
                System.out.println("clip " + g.getClipX() + "," + g.getClipY() + " " + g.getClipWidth() + "x"
                        + g.getClipHeight() + ", translation " + g.getTranslateX() + "," + g.getTranslateY());
            }
            g.setColor(0xFFFFFF);
            g.fillRect(0, 0, getWidth(), getHeight());

            g.translate(10, 10);
            g.setColor(0x0000C0);
            g.drawRect(0, 0, 99, 59);
            g.clipRect(0, 0, 100, 60);
            g.setColor(0xC00000);
            g.fillArc(60, 20, 80, 80, 0, 360);
            g.setColor(0x00A000);
            g.fillTriangle(0, 59, 50, 0, 90, 59);
            g.setColor(0x000000);
            g.drawLine(-10, -10, 120, 70);
            g.translate(-10, -10);
            g.setClip(0, 0, getWidth(), getHeight());

            for (int t = 0; t < 8; t++) {
                g.drawRegion(sprite, 0, 0, 12, 8, t, 10 + t * 20, 90, LT);
            }

            int[] rgb = new int[40 * 20];
            for (int i = 0; i < rgb.length; i++) {
                rgb[i] = ((i % 40) * 6) << 24 | 0x0000FF;
            }
            g.setColor(0xC00000);
            g.fillRect(10, 120, 60, 10);
            g.drawRGB(rgb, 0, 40, 20, 115, 40, 20, true);

            int[] h = {Graphics.LEFT, Graphics.HCENTER, Graphics.RIGHT};
            int[] v = {Graphics.TOP, Graphics.BASELINE, Graphics.BOTTOM};
            for (int i = 0; i < 3; i++) {
                int x = 40 + i * 80;
                int y = 170 + i * 30;
                g.setColor(0xA0A0A0);
                g.drawLine(x - 30, y, x + 30, y);
                g.drawLine(x, y - 20, x, y + 20);
                g.setFont(Font.getFont(Font.FACE_PROPORTIONAL, i == 1 ? Font.STYLE_BOLD : Font.STYLE_PLAIN,
                        Font.SIZE_MEDIUM));
                g.setColor(0x000000);
                g.drawString("Ag " + i, x, y, h[i] | v[i]);
            }
            if (!reported) {
                reported = true;
                try {
                    g.copyArea(0, 0, 10, 10, 20, 20, LT);
                    System.out.println("copyArea on the screen drew");
                } catch (IllegalStateException e) {
                    System.out.println("copyArea on the screen: IllegalStateException");
                }
            }
        }
    }

    protected void startApp() {
        Display.getDisplay(this).setCurrent(new Scene());
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
