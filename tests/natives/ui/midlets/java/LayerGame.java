import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;
import javax.microedition.lcdui.game.GameCanvas;
import javax.microedition.lcdui.game.LayerManager;
import javax.microedition.lcdui.game.Sprite;
import javax.microedition.lcdui.game.TiledLayer;
import javax.microedition.midlet.MIDlet;

/**
 * A full-screen game canvas over a layer manager: a grass and water map larger than the
 * screen, a brick wall layer, a star and the hero. One step a key: the arrows move the
 * hero 16 pixels and the view window follows it, fire turns it and shows its next frame;
 * the water moves on with every step. Each step logs the positions and the hero's
 * collisions with the wall (rectangle and pixel level) and the star, and the cell under
 * it. The clear key ends.
 */
public class LayerGame extends MIDlet {
    protected void startApp() {
        Display.getDisplay(this).setCurrent(new Game(this));
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    static Image tiles() {
        // 1 grass, 2 and 3 water in two phases, 4 brick with a transparent gap on top
        int[] argb = new int[64 * 16];
        for (int y = 0; y < 16; y++) {
            for (int x = 0; x < 16; x++) {
                argb[y * 64 + x] = ((x * 3 + y * 5) % 7 == 0) ? 0xFF107010 : 0xFF30B030;
                argb[y * 64 + 16 + x] = ((x + y) % 8 == 0) ? 0xFFC0E0FF : 0xFF2050C0;
                argb[y * 64 + 32 + x] = ((x + y) % 8 == 4) ? 0xFFC0E0FF : 0xFF2050C0;
                argb[y * 64 + 48 + x] = y < 4 ? 0 : (y % 6 == 3 || (x + (y / 6) * 8) % 16 == 0) ? 0xFF303030 : 0xFFB04020;
            }
        }
        return Image.createRGBImage(argb, 64, 16, true);
    }

    static Image hero() {
        // two 16 x 16 frames: an arrow pointing right, red then yellow, transparent around it
        int[] argb = new int[32 * 16];
        for (int f = 0; f < 2; f++) {
            for (int y = 0; y < 16; y++) {
                for (int x = 0; x < 16; x++) {
                    int dy = y < 8 ? 7 - y : y - 8;
                    boolean in = (x < 10 && dy < 3) || (x >= 8 && dy <= 15 - x);
                    argb[y * 32 + f * 16 + x] = in ? (f == 0 ? 0xFFE02020 : 0xFFF0E020) : 0;
                }
            }
        }
        return Image.createRGBImage(argb, 32, 16, true);
    }

    static Image star() {
        int[] argb = new int[12 * 12];
        for (int y = 0; y < 12; y++) {
            for (int x = 0; x < 12; x++) {
                int dx = Math.abs(2 * x - 11);
                int dy = Math.abs(2 * y - 11);
                argb[y * 12 + x] = (dx < 3 || dy < 3 || dx + dy < 10) ? 0xFFFFFF40 : 0;
            }
        }
        return Image.createRGBImage(argb, 12, 12, true);
    }

    static class Game extends GameCanvas {
        private final MIDlet midlet;
        private final TiledLayer map;
        private final TiledLayer wall;
        private final Sprite player;
        private final Sprite goal;
        private final LayerManager layers = new LayerManager();
        private final int water;
        private int steps;
        private int viewX;
        private int viewY;

        Game(MIDlet midlet) {
            super(false);
            this.midlet = midlet;
            setFullScreenMode(true);
            Image set = tiles();
            map = new TiledLayer(30, 25, set, 16, 16);
            map.fillCells(0, 0, 30, 25, 1);
            water = map.createAnimatedTile(2);
            map.fillCells(0, 12, 30, 3, water);
            map.fillCells(12, 12, 2, 3, 1);
            wall = new TiledLayer(30, 25, set, 16, 16);
            wall.fillCells(17, 2, 1, 8, 4);
            wall.fillCells(18, 9, 6, 1, 4);
            player = new Sprite(hero(), 16, 16);
            player.defineReferencePixel(8, 8);
            player.defineCollisionRectangle(2, 2, 12, 12);
            player.setRefPixelPosition(56, 72);
            goal = new Sprite(star());
            goal.setPosition(290, 62);
            layers.append(player);
            layers.append(goal);
            layers.append(wall);
            layers.append(map);
            draw();
        }

        private void draw() {
            int w = getWidth();
            int h = getHeight();
            // the view follows the hero, kept within the map
            viewX = Math.max(0, Math.min(map.getWidth() - w, player.getRefPixelX() - w / 2));
            viewY = Math.max(0, Math.min(map.getHeight() - h, player.getRefPixelY() - h / 2));
            layers.setViewWindow(viewX, viewY, w, h);
            Graphics g = getGraphics();
            layers.paint(g, 0, 0);
            flushGraphics();
        }

        private void step(int action) {
            if (action == LEFT) {
                player.move(-16, 0);
            } else if (action == RIGHT) {
                player.move(16, 0);
            } else if (action == UP) {
                player.move(0, -16);
            } else if (action == DOWN) {
                player.move(0, 16);
            } else if (action == FIRE) {
                player.setTransform(player.getFrame() == 0 ? Sprite.TRANS_ROT90 : Sprite.TRANS_NONE);
                player.nextFrame();
            }
            steps++;
            map.setAnimatedTile(water, steps % 2 == 0 ? 2 : 3);
            draw();
            System.out.println("step " + steps + ": hero " + player.getX() + "," + player.getY() + " frame "
                    + player.getFrame() + ", view " + viewX + "," + viewY + ", wall " + player.collidesWith(wall, false)
                    + "/" + player.collidesWith(wall, true) + ", star " + player.collidesWith(goal, true)
                    + ", on " + (map.getCell(player.getRefPixelX() / 16, player.getRefPixelY() / 16) == water
                    ? "water" : "grass"));
        }

        protected void keyPressed(int keyCode) {
            int action = 0;
            try {
                action = getGameAction(keyCode);
            } catch (IllegalArgumentException e) {
                // not a key of the keypad: ends like the clear key
            }
            if (action == 0) {
                midlet.notifyDestroyed();
                return;
            }
            step(action);
        }
    }
}
