import com.movane.micro.lcdui.UiStatuses;

import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.game.GameCanvas;
import javax.microedition.midlet.MIDlet;

/**
 * A GameCanvas that suppresses the game keys' events (so only 0, * and the clear key
 * reach it): 0 reads the key states and logs them, * draws a frame into the buffer and
 * flushes the top half of it, soft key 1 flushes while a system screen occupies the
 * display (nothing may change), soft key 2 hides the canvas for a while (a pause), the
 * clear key ends.
 */
public class KeyStates extends MIDlet {
    protected void startApp() {
        Display.getDisplay(this).setCurrent(new States(this));
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    static class States extends GameCanvas {
        private final MIDlet midlet;
        private int frame;

        States(MIDlet midlet) {
            super(true);
            this.midlet = midlet;
            setFullScreenMode(true);
            Graphics g = getGraphics();
            g.setColor(0x404040);
            g.fillRect(0, 0, getWidth(), getHeight());
            flushGraphics();
        }

        protected void showNotify() {
            System.out.println("showNotify " + getWidth() + "x" + getHeight());
            flushGraphics();
        }

        protected void keyPressed(int keyCode) {
            System.out.println("keyPressed " + keyCode);
            if (keyCode == KEY_NUM0) {
                System.out.println("key states 0x" + Integer.toHexString(getKeyStates()));
            } else if (keyCode == KEY_STAR) {
                Graphics g = getGraphics();
                frame++;
                g.setColor(frame == 1 ? 0xE04040 : 0x40E040);
                g.fillRect(0, 0, getWidth(), getHeight());
                g.setColor(0xFFFFFF);
                g.drawString("frame " + frame, 10, 10, Graphics.TOP | Graphics.LEFT);
                // only the top half reaches the screen
                flushGraphics(0, 0, getWidth(), getHeight() / 2);
            } else if (getGameAction(keyCode) != 0) {
                System.out.println("a game key came through");
            } else if (keyCode == -6) {
                // a system screen owns the display: the flush must leave the screen alone
                UiStatuses.occupyScreenObject = this;
                Graphics g = getGraphics();
                g.setColor(0x4040E0);
                g.fillRect(0, 0, getWidth(), getHeight());
                flushGraphics();
                UiStatuses.occupyScreenObject = null;
                System.out.println("flushed while the screen was occupied");
            } else if (keyCode != -7) {
                midlet.notifyDestroyed();
            }
        }

        protected void keyReleased(int keyCode) {
            System.out.println("keyReleased " + keyCode);
            if (keyCode == -7) {
                hideForAWhile();
            }
        }

        /** Paused, the canvas is hidden: a key pressed meanwhile is not reported. */
        private void hideForAWhile() {
            midlet.notifyPaused();
            new Thread() {
                public void run() {
                    try {
                        Thread.sleep(900);
                    } catch (InterruptedException e) {
                    }
                    System.out.println("hidden: shown " + isShown() + ", key states 0x"
                            + Integer.toHexString(getKeyStates()));
                    midlet.resumeRequest();
                }
            }.start();
        }

        protected void hideNotify() {
            System.out.println("hideNotify");
        }
    }
}
