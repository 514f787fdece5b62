import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;
import javax.microedition.lcdui.game.Layer;
import javax.microedition.lcdui.game.LayerManager;
import javax.microedition.lcdui.game.Sprite;
import javax.microedition.lcdui.game.TiledLayer;

/**
 * A tiled layer with static and animated tiles painted through a layer manager whose view
 * window scrolls; the manager's order of layers; new tile sets; the argument errors of
 * both classes with their messages.
 */
public class TiledLayerTest {

    // four 2 x 2 tiles: R, a G/B checker, Y over transparent, K
    static final Image TILES = Pic.image(new String[] {"RRGBYYKK", "RRBG--KK"});
    // six tiles: the four, then two of C
    static final Image SIX = Pic.image(new String[] {"RRGBYYKKCCCC", "RRBG--KKCCCC"});
    static final Image TWO = Pic.image(new String[] {"MMCC", "MMCC"});

    public static void main(String[] args) {
        scene();
        tileSets();
        managerOrder();
        errors();
        managerErrors();
    }

    static String grid(TiledLayer t) {
        StringBuffer b = new StringBuffer();
        for (int row = 0; row < t.getRows(); row++) {
            b.append(row == 0 ? "" : " /");
            for (int col = 0; col < t.getColumns(); col++) {
                b.append(' ').append(t.getCell(col, row));
            }
        }
        return b.toString();
    }

    static TiledLayer layer() {
        TiledLayer t = new TiledLayer(5, 3, TILES, 2, 2);
        t.fillCells(0, 0, 5, 3, 1);
        t.fillCells(1, 1, 3, 1, 2);
        t.setCell(4, 2, 3);
        int a = t.createAnimatedTile(4);
        t.setCell(0, 2, a);
        t.setCell(2, 0, a);
        return t;
    }

    static void scene() {
        TiledLayer t = layer();
        System.out.println("layer " + t.getColumns() + " x " + t.getRows() + " cells of " + t.getCellWidth() + " x "
                + t.getCellHeight() + ", " + t.getWidth() + " x " + t.getHeight() + " pixels; cells" + grid(t));
        LayerManager lm = new LayerManager();
        lm.append(t);
        Image canvas = Image.createImage(12, 8);
        Graphics g = canvas.getGraphics();
        Pic.clear(canvas);
        lm.paint(g, 1, 1);
        Pic.show("the whole layer at 1,1", canvas);
        t.setAnimatedTile(-1, 2);
        Pic.clear(canvas);
        lm.paint(g, 1, 1);
        Pic.show("animated tile -1 now shows tile " + t.getAnimatedTile(-1), canvas);
        int[][] windows = {{3, 1, 6, 4}, {5, 2, 12, 8}, {-2, -1, 12, 8}};
        for (int i = 0; i < windows.length; i++) {
            int[] w = windows[i];
            lm.setViewWindow(w[0], w[1], w[2], w[3]);
            Pic.clear(canvas);
            lm.paint(g, 2, 1);
            Pic.show("view window " + w[0] + "," + w[1] + " " + w[2] + " x " + w[3] + " painted at 2,1", canvas);
        }
        // a sprite above the tiles, an invisible one below them
        Sprite top = new Sprite(Pic.image(new String[] {"MMM", "M-M"}));
        top.setPosition(1, 1);
        Sprite under = new Sprite(Pic.image(new String[] {"CCCCCCCCCC"}));
        under.setVisible(false);
        lm.insert(top, 0);
        lm.append(under);
        lm.setViewWindow(0, 0, 8, 4);
        g.translate(1, 2);
        g.setClip(0, 0, 6, 3);
        Pic.clear(canvas);
        lm.paint(g, 1, 0);
        Pic.show("sprite on top, clip 6 x 3 at 1,2 of the canvas, window 8 x 4 painted at 1,0 of the translated g",
                canvas);
        System.out.println("g afterwards: translation " + g.getTranslateX() + "," + g.getTranslateY() + " clip "
                + g.getClipX() + "," + g.getClipY() + " " + g.getClipWidth() + " x " + g.getClipHeight());
        t.setVisible(false);
        g.translate(-1, -2);
        g.setClip(0, 0, 12, 8);
        Pic.clear(canvas);
        lm.paint(g, 0, 0);
        Pic.show("tiled layer invisible", canvas);
        t.setVisible(true);
        Pic.clear(canvas);
        t.setPosition(-3, -1);
        t.paint(g);
        Pic.show("painted alone at -3,-1", canvas);
    }

    static void tileSets() {
        TiledLayer t = layer();
        System.out.println("animated tiles: " + t.createAnimatedTile(0) + " " + t.createAnimatedTile(4));
        t.setStaticTileSet(SIX, 2, 2);
        t.setCell(1, 0, 6);
        System.out.println("six tiles keep cells and animated tiles:" + grid(t) + "; -3 shows " + t.getAnimatedTile(-3));
        t.setStaticTileSet(SIX, 4, 2);
        System.out.println("three 4 x 2 tiles clear them:" + grid(t) + "; " + t.getWidth() + " x " + t.getHeight()
                + " pixels, cells " + t.getCellWidth() + " x " + t.getCellHeight());
        Throwable caught = null;
        try {
            t.getAnimatedTile(-1);
        } catch (Throwable e) {
            caught = e;
        }
        System.out.println("animated tile -1 is gone: " + Pic.outcome(caught));
        System.out.println("animated tiles start again at " + t.createAnimatedTile(3));
        t.setCell(0, 0, -1);
        t.setCell(1, 0, 3);
        t.setStaticTileSet(TWO, 2, 2);
        t.setCell(2, 1, 2);
        Image canvas = Image.createImage(10, 6);
        Pic.clear(canvas);
        t.paint(canvas.getGraphics());
        Pic.show("fewer tiles again, painted:" + grid(t), canvas);
    }

    static String names(LayerManager lm, Layer[] known, String letters) {
        StringBuffer b = new StringBuffer();
        for (int i = 0; i < lm.getSize(); i++) {
            Layer l = lm.getLayerAt(i);
            for (int k = 0; k < known.length; k++) {
                if (known[k] == l) {
                    b.append(letters.charAt(k));
                }
            }
        }
        return b.toString();
    }

    static void managerOrder() {
        Image one = Pic.image(new String[] {"K"});
        Layer[] l = {new Sprite(one), new Sprite(one), new Sprite(one), new TiledLayer(1, 1, one, 1, 1)};
        LayerManager lm = new LayerManager();
        StringBuffer b = new StringBuffer("order:");
        lm.append(l[0]);
        lm.append(l[1]);
        lm.append(l[2]);
        b.append(" appended ").append(names(lm, l, "abct"));
        lm.append(l[0]);
        b.append(", a again ").append(names(lm, l, "abct"));
        lm.insert(l[2], 0);
        b.append(", c at 0 ").append(names(lm, l, "abct"));
        lm.insert(l[3], 3);
        b.append(", t at 3 ").append(names(lm, l, "abct"));
        lm.insert(l[3], 1);
        b.append(", t at 1 ").append(names(lm, l, "abct"));
        lm.remove(l[1]);
        lm.remove(l[1]);
        b.append(", b removed twice ").append(names(lm, l, "abct"));
        System.out.println(b.toString() + ", size " + lm.getSize());
    }

    static final String[] ERRORS = {"image null", "0 columns", "0 rows", "tile width 0", "tile height 0",
            "tile width not dividing the image", "animated from static -1", "animated from static 5",
            "set animated 0", "set animated -2 of 1", "set animated to static 5", "get animated 0", "get animated 1",
            "get animated -2 of 1", "cell 5,0", "cell 0,3", "cell -1,0", "cell tile 5", "cell tile -2 past col bounds",
            "get cell 0,3", "get cell -1,0", "fill 0 x -5", "fill 2 x -5", "fill -3 x 0", "fill past the right edge",
            "fill past the bottom", "fill from -1", "fill from a column near the int limit", "fill tile 5 past bounds",
            "new tile set null", "new tile set tile 3 x 2", "paint null", "paint null while invisible",
            "65536 columns", "65536 rows", "4097 x 4096 cells", "32768 tiles", "new tile set of 32768 tiles"};

    static void attempt(int i, TiledLayer t) {
        switch (i) {
            case 0: new TiledLayer(1, 1, null, 2, 2); break;
            case 1: new TiledLayer(0, 1, TILES, 2, 2); break;
            case 2: new TiledLayer(1, 0, TILES, 2, 2); break;
            case 3: new TiledLayer(1, 1, TILES, 0, 2); break;
            case 4: new TiledLayer(1, 1, TILES, 2, 0); break;
            case 5: new TiledLayer(1, 1, TILES, 3, 2); break;
            case 6: t.createAnimatedTile(-1); break;
            case 7: t.createAnimatedTile(5); break;
            case 8: t.setAnimatedTile(0, 1); break;
            case 9: t.setAnimatedTile(-2, 1); break;
            case 10: t.setAnimatedTile(-1, 5); break;
            case 11: t.getAnimatedTile(0); break;
            case 12: t.getAnimatedTile(1); break;
            case 13: t.getAnimatedTile(-2); break;
            case 14: t.setCell(5, 0, 1); break;
            case 15: t.setCell(0, 3, 1); break;
            case 16: t.setCell(-1, 0, 1); break;
            case 17: t.setCell(0, 0, 5); break;
            case 18: t.setCell(9, 0, -2); break;
            case 19: t.getCell(0, 3); break;
            case 20: t.getCell(-1, 0); break;
            case 21: t.fillCells(0, 0, 0, -5, 1); break;
            case 22: t.fillCells(0, 0, 2, -5, 1); break;
            case 23: t.fillCells(0, 0, -3, 0, 1); break;
            case 24: t.fillCells(4, 0, 2, 1, 1); break;
            case 25: t.fillCells(0, 2, 1, 2, 1); break;
            case 26: t.fillCells(-1, 0, 1, 1, 1); break;
            case 27: t.fillCells(Integer.MAX_VALUE, 0, 2, 1, 1); break;
            case 28: t.fillCells(9, 9, 1, 1, 5); break;
            case 29: t.setStaticTileSet(null, 2, 2); break;
            case 30: t.setStaticTileSet(TILES, 3, 2); break;
            case 31: t.paint(null); break;
            case 32: t.setVisible(false); t.paint(null); break;
            case 33: new TiledLayer(65536, 1, TILES, 2, 2); break;
            case 34: new TiledLayer(1, 65536, TILES, 2, 2); break;
            case 35: new TiledLayer(4097, 4096, TILES, 2, 2); break;
            case 36: new TiledLayer(1, 1, Image.createImage(256, 128), 1, 1); break;
            case 37: t.setStaticTileSet(Image.createImage(256, 128), 1, 1); break;
            default: throw new RuntimeException("no case " + i);
        }
    }

    static void errors() {
        for (int i = 0; i < ERRORS.length; i++) {
            TiledLayer t = layer();
            String before = grid(t) + " " + t.getAnimatedTile(-1) + " " + t.getWidth();
            Throwable caught = null;
            try {
                attempt(i, t);
            } catch (Throwable e) {
                caught = e;
            }
            String after = grid(t) + " " + t.getAnimatedTile(-1) + " " + t.getWidth();
            System.out.println(ERRORS[i] + ": " + Pic.outcome(caught) + (after.equals(before) ? "" : ", changed" + after));
        }
    }

    static final String[] MANAGER_ERRORS = {"append null", "insert null", "insert at -1", "insert past the end",
            "insert a present layer at the size", "layer at -1", "layer at the size", "remove null",
            "view window width -1", "view window height -1", "paint null"};

    static void managerErrors() {
        Image one = Pic.image(new String[] {"K"});
        Layer[] l = {new Sprite(one), new Sprite(one), new Sprite(one)};
        for (int i = 0; i < MANAGER_ERRORS.length; i++) {
            LayerManager lm = new LayerManager();
            lm.append(l[0]);
            lm.append(l[1]);
            Throwable caught = null;
            try {
                switch (i) {
                    case 0: lm.append(null); break;
                    case 1: lm.insert(null, 0); break;
                    case 2: lm.insert(l[2], -1); break;
                    case 3: lm.insert(l[2], 3); break;
                    case 4: lm.insert(l[0], 2); break;
                    case 5: lm.getLayerAt(-1); break;
                    case 6: lm.getLayerAt(2); break;
                    case 7: lm.remove(null); break;
                    case 8: lm.setViewWindow(0, 0, -1, 0); break;
                    case 9: lm.setViewWindow(0, 0, 0, -1); break;
                    case 10: lm.paint(null, 0, 0); break;
                    default: throw new RuntimeException("no case " + i);
                }
            } catch (Throwable e) {
                caught = e;
            }
            System.out.println(MANAGER_ERRORS[i] + ": " + Pic.outcome(caught) + ", layers " + names(lm, l, "abc"));
        }
    }
}
