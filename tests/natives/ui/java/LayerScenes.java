import java.io.IOException;

import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;
import javax.microedition.lcdui.game.LayerManager;
import javax.microedition.lcdui.game.Sprite;
import javax.microedition.lcdui.game.TiledLayer;

/**
 * The game-layer scenes of SceneTest: a sprite under every transform placed by its
 * reference pixel, and a tiled layer with an animated tile and sprites above and below
 * it, seen through two view windows of a layer manager.
 */
final class LayerScenes {

    private LayerScenes() {
    }

    static Image draw(String name) throws IOException {
        if (name.equals("layer_sprites")) {
            return sprites();
        } else if (name.equals("layer_manager")) {
            return manager();
        }
        throw new IllegalArgumentException("no scene " + name);
    }

    // sprite.png (its black pixel at 0, 0, a transparent corner at the bottom right) under
    // the eight transforms in MIDP order, each with its reference pixel, the black pixel,
    // on the centre of a grey cross; a frame sequence of its 6 x 4 quarters below.
    static Image sprites() throws IOException {
        Image img = Image.createImage(112, 64);
        Graphics g = img.getGraphics();
        g.setColor(0xE0E0E0);
        g.fillRect(0, 0, 112, 64);
        Image sheet = Image.createImage("/sprite.png");
        Sprite s = new Sprite(sheet);
        for (int t = 0; t < 8; t++) {
            int x = 12 + (t % 4) * 28;
            int y = 10 + (t / 4) * 22;
            g.setColor(0x808080);
            g.drawLine(x - 10, y, x + 10, y);
            g.drawLine(x, y - 10, x, y + 10);
            s.setTransform(t);
            s.setRefPixelPosition(x, y);
            s.paint(g);
        }
        Sprite quarters = new Sprite(sheet, 6, 4);
        quarters.setFrameSequence(new int[] {3, 2, 1, 0, 3});
        quarters.defineReferencePixel(3, 2);
        quarters.setTransform(Sprite.TRANS_ROT90);
        for (int i = 0; i < 5; i++) {
            quarters.setRefPixelPosition(12 + i * 10, 56);
            quarters.paint(g);
            quarters.nextFrame();
        }
        return img;
    }

    /** Four 8 x 8 tiles: grass, water, water with its waves moved, brick. */
    static Image tiles() {
        int[] argb = new int[32 * 8];
        for (int y = 0; y < 8; y++) {
            for (int x = 0; x < 8; x++) {
                argb[y * 32 + x] = ((x * 3 + y * 5) % 7 == 0) ? 0xFF107010 : 0xFF30B030;
                argb[y * 32 + 8 + x] = ((x + y) % 4 == 0) ? 0xFFC0E0FF : 0xFF2050C0;
                argb[y * 32 + 16 + x] = ((x + y) % 4 == 2) ? 0xFFC0E0FF : 0xFF2050C0;
                argb[y * 32 + 24 + x] = (y % 4 == 3 || (x + (y / 4) * 4) % 8 == 0) ? 0xFF303030 : 0xFFB04020;
            }
        }
        return Image.createRGBImage(argb, 32, 8, false);
    }

    // A 16 x 10 grid: grass, a river of animated water, a brick wall; a sprite on the
    // tiles, one under them that only the river's gaps would show (there are none), and
    // an invisible one. The left window sees the map's top-left, the right one is
    // scrolled down and right after the water moved on and the sprite turned.
    static Image manager() throws IOException {
        TiledLayer map = new TiledLayer(16, 10, tiles(), 8, 8);
        map.fillCells(0, 0, 16, 10, 1);
        int water = map.createAnimatedTile(2);
        map.fillCells(5, 0, 2, 10, water);
        map.fillCells(9, 4, 7, 1, 4);
        map.setPosition(0, 0);
        Image sheet = Image.createImage("/sprite.png");
        Sprite hero = new Sprite(sheet);
        hero.setPosition(20, 14);
        Sprite under = new Sprite(sheet);
        under.setPosition(8, 30);
        Sprite hidden = new Sprite(sheet);
        hidden.setPosition(24, 30);
        hidden.setVisible(false);
        LayerManager lm = new LayerManager();
        lm.append(hero);
        lm.append(hidden);
        lm.append(map);
        lm.append(under);

        Image img = Image.createImage(140, 52);
        Graphics g = img.getGraphics();
        g.setColor(0xFFFFFF);
        g.fillRect(0, 0, 140, 52);
        lm.setViewWindow(0, 0, 64, 44);
        lm.paint(g, 4, 4);
        map.setAnimatedTile(water, 3);
        hero.setTransform(Sprite.TRANS_MIRROR);
        hero.move(24, 18);
        lm.setViewWindow(40, 20, 64, 44);
        lm.paint(g, 72, 4);
        g.setColor(0x000000);
        g.drawRect(3, 3, 65, 45);
        g.drawRect(71, 3, 65, 45);
        return img;
    }
}
