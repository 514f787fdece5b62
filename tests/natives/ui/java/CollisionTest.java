import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;
import javax.microedition.lcdui.game.Sprite;
import javax.microedition.lcdui.game.TiledLayer;

/**
 * Collisions of a sprite with a sprite, a tiled layer and an image, each case asked at
 * the rectangle level and at the pixel level: transforms, collision rectangles, empty
 * and animated cells, invisible parties, mutable and immutable images.
 */
public class CollisionTest {

    static final Image SOLID = Pic.image(new String[] {"RRRR", "RRRR", "RRRR", "RRRR"});
    // columns 0 and 1 opaque
    static final Image LEFT = Pic.image(new String[] {"GG--", "GG--", "GG--", "GG--"});
    // only (0, 2) opaque
    static final Image LONE = Pic.image(new String[] {"----", "----", "B---", "----"});
    // tile 1 opaque, tile 2 transparent
    static final Image TILES = Pic.image(new String[] {"RRRR----", "RRRR----", "RRRR----", "RRRR----"});

    /** One case: sprite A against B (a Sprite, a TiledLayer or an Image at bx, by). */
    static final class Case {
        final String name;
        final Sprite a;
        Object b;
        int bx;
        int by;

        Case(String name, Sprite a) {
            this.name = name;
            this.a = a;
        }

        Case with(Object other, int x, int y) {
            b = other;
            bx = x;
            by = y;
            return this;
        }

        boolean collides(boolean pixelLevel) {
            if (b instanceof Sprite) {
                return a.collidesWith((Sprite) b, pixelLevel);
            }
            if (b instanceof TiledLayer) {
                return a.collidesWith((TiledLayer) b, pixelLevel);
            }
            return a.collidesWith((Image) b, bx, by, pixelLevel);
        }
    }

    static Sprite sprite(Image image, int x, int y) {
        Sprite s = new Sprite(image);
        s.setPosition(x, y);
        return s;
    }

    static Sprite turned(Image image, int transform, int x, int y) {
        Sprite s = new Sprite(image);
        s.setTransform(transform);
        s.setPosition(x, y);
        return s;
    }

    static Sprite collisionRect(Image image, int x, int y, int cx, int cy, int cw, int ch) {
        Sprite s = sprite(image, x, y);
        s.defineCollisionRectangle(cx, cy, cw, ch);
        return s;
    }

    static Sprite hidden(Image image, int x, int y) {
        Sprite s = sprite(image, x, y);
        s.setVisible(false);
        return s;
    }

    /** Three 4 x 4 cells at (x, 0): empty, tile 1, animated tile -1 showing tile `animated`. */
    static TiledLayer cells(int x, int animated, boolean visible) {
        TiledLayer t = new TiledLayer(3, 1, TILES, 4, 4);
        t.setCell(1, 0, 1);
        t.setCell(2, 0, t.createAnimatedTile(animated));
        t.setPosition(x, 0);
        t.setVisible(visible);
        return t;
    }

    static Image mutable() {
        Image image = Image.createImage(4, 4);
        Graphics g = image.getGraphics();
        g.setColor(0x0000FF);
        g.fillRect(0, 0, 4, 4);
        return image;
    }

    static Case[] cases() {
        return new Case[] {
            new Case("frames apart", sprite(SOLID, 0, 0)).with(sprite(SOLID, 4, 0), 0, 0),
            new Case("one column shared", sprite(SOLID, 0, 0)).with(sprite(SOLID, 3, 0), 0, 0),
            new Case("one corner shared", sprite(SOLID, 0, 0)).with(sprite(SOLID, 3, -3), 0, 0),
            new Case("overlap where A is transparent", sprite(LEFT, 0, 0)).with(sprite(LEFT, 2, 0), 0, 0),
            new Case("A mirrored brings its opaque half over B's", turned(LEFT, Sprite.TRANS_MIRROR, 0, 0))
                    .with(sprite(LEFT, 2, 0), 0, 0),
            new Case("A rotated 90: opaque rows on top, B below them", turned(LEFT, Sprite.TRANS_ROT90, 0, 0))
                    .with(sprite(SOLID, 0, 2), 0, 0),
            new Case("A rotated 270: opaque rows at the bottom", turned(LEFT, Sprite.TRANS_ROT270, 0, 0))
                    .with(sprite(SOLID, 0, 2), 0, 0),
            new Case("lone pixel (0,2) under MIRROR_ROT90 lies at (1,3)",
                    turned(LONE, Sprite.TRANS_MIRROR_ROT90, 0, 0)).with(sprite(Pic.image(new String[] {"K"}), 1, 3), 0, 0),
            new Case("lone pixel under MIRROR_ROT90 is not at (2,0)",
                    turned(LONE, Sprite.TRANS_MIRROR_ROT90, 0, 0)).with(sprite(Pic.image(new String[] {"K"}), 2, 0), 0, 0),
            new Case("both rotated 180", turned(LEFT, Sprite.TRANS_ROT180, 0, 0))
                    .with(turned(LEFT, Sprite.TRANS_ROT180, 2, 0), 0, 0),
            new Case("collision rectangle of one pixel, B beside it", collisionRect(SOLID, 0, 0, 0, 0, 1, 1))
                    .with(sprite(SOLID, 1, 1), 0, 0),
            new Case("collision rectangle of one pixel, B over it", collisionRect(SOLID, 0, 0, 0, 0, 1, 1))
                    .with(sprite(SOLID, 0, 0), 0, 0),
            new Case("collision rectangle reaching left of the frame", collisionRect(SOLID, 0, 0, -2, 0, 6, 4))
                    .with(sprite(SOLID, -4, 0), 0, 0),
            new Case("collision rectangle beyond the frame, mirrored", mirroredWide())
                    .with(sprite(SOLID, -3, 0), 0, 0),
            new Case("empty collision rectangle of A", collisionRect(SOLID, 5, 0, 0, 0, 0, 4))
                    .with(sprite(SOLID, 2, 0), 0, 0),
            new Case("empty collision rectangle of B", sprite(SOLID, 2, 0))
                    .with(collisionRect(SOLID, 5, 0, 0, 0, 4, 0), 0, 0),
            new Case("A invisible", hidden(SOLID, 0, 0)).with(sprite(SOLID, 0, 0), 0, 0),
            new Case("B invisible", sprite(SOLID, 0, 0)).with(hidden(SOLID, 0, 0), 0, 0),
            new Case("over the empty cell only", sprite(SOLID, 0, 0)).with(cells(0, 1, true), 0, 0),
            new Case("one column of the static tile", sprite(SOLID, 1, 0)).with(cells(0, 1, true), 0, 0),
            new Case("over the animated cell showing tile 1", sprite(SOLID, 9, 0)).with(cells(0, 1, true), 0, 0),
            new Case("over the animated cell showing tile 2", sprite(SOLID, 9, 0)).with(cells(0, 2, true), 0, 0),
            new Case("tiled layer moved under A", sprite(SOLID, 0, 0)).with(cells(-6, 1, true), 0, 0),
            new Case("tiled layer invisible", sprite(SOLID, 5, 0)).with(cells(0, 1, false), 0, 0),
            new Case("A invisible over a tile", hidden(SOLID, 5, 0)).with(cells(0, 1, true), 0, 0),
            new Case("image's opaque half under A", sprite(SOLID, 0, 0)).with(LEFT, 2, 0),
            new Case("image's transparent half under A", sprite(SOLID, 0, 0)).with(LEFT, -2, 0),
            new Case("image apart", sprite(SOLID, 0, 0)).with(LEFT, 0, 4),
            new Case("mutable image under A's opaque half", sprite(LEFT, 2, 0)).with(mutable(), 0, 0),
            new Case("mutable image under A's transparent half only", sprite(LEFT, -2, 0)).with(mutable(), 0, 0),
            new Case("A invisible over an image", hidden(SOLID, 0, 0)).with(SOLID, 0, 0),
        };
    }

    // 4 x 4, collision rectangle (0, 0, 6, 4) reaching two columns past the right edge;
    // mirrored, it reaches two columns past the left edge instead
    static Sprite mirroredWide() {
        Sprite s = collisionRect(SOLID, 0, 0, 0, 0, 6, 4);
        s.setTransform(Sprite.TRANS_MIRROR);
        s.setPosition(0, 0);
        return s;
    }

    public static void main(String[] args) {
        Case[] cases = cases();
        for (int i = 0; i < cases.length; i++) {
            Case c = cases[i];
            System.out.println(c.name + ": rectangle " + c.collides(false) + ", pixel " + c.collides(true));
        }
    }
}
