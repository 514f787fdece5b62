import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.midlet.MIDlet;

/** Draws a few shapes, reports the keys and the pen it is given, and ends itself when the pen leaves the screen. */
public class Boxes extends MIDlet {
    private final Canvas canvas = new Canvas() {
        protected void paint(Graphics g) {
            int w = getWidth(), h = getHeight();
            g.setColor(0xFFFFFF);
            g.fillRect(0, 0, w, h);
            g.setColor(0xFF0000);
            g.fillRect(10, 10, 100, 50);
            g.setColor(0x00FF00);
            g.fillRect(w - 60, h - 40, 50, 30);
            g.setColor(0x0000FF);
            g.drawLine(0, 0, w - 1, h - 1);
            g.drawRect(20, 100, 80, 80);
        }

        protected void keyPressed(int keyCode) {
            System.out.println("keyPressed " + keyCode + " action " + getGameAction(keyCode));
        }

        protected void keyRepeated(int keyCode) {
            System.out.println("keyRepeated " + keyCode);
        }

        protected void keyReleased(int keyCode) {
            System.out.println("keyReleased " + keyCode);
        }

        protected void pointerPressed(int x, int y) {
            System.out.println("pointerPressed " + x + " " + y);
        }

        protected void pointerDragged(int x, int y) {
            System.out.println("pointerDragged " + x + " " + y);
        }

        protected void pointerReleased(int x, int y) {
            System.out.println("pointerReleased " + x + " " + y);
            notifyDestroyed();
        }
    };

    protected void startApp() {
        System.out.println("startApp " + canvas.getWidth() + "x" + canvas.getHeight());
        Display.getDisplay(this).setCurrent(canvas);
    }

    protected void pauseApp() {
        System.out.println("pauseApp");
    }

    protected void destroyApp(boolean unconditional) {
        System.out.println("destroyApp " + unconditional);
    }
}
