import javax.microedition.lcdui.Image;
import javax.microedition.lcdui.game.Sprite;
import javax.microedition.lcdui.game.TiledLayer;

/**
 * Layers when the native records cannot be allocated: run by layer_memory_test, whose
 * allocator refuses a sprite record, the record of a 3 x 3 tiled layer and every
 * animated-tile node. Each case prints what it saw.
 */
public class LayerMemoryTest {

    public static void main(String[] args) {
        Image image = Image.createImage(4, 4);
        TiledLayer small = new TiledLayer(2, 2, image, 1, 1);
        for (int i = 0; i < 5; i++) {
            String seen;
            try {
                seen = attempt(i, image, small);
            } catch (Throwable t) {
                seen = Pic.outcome(t);
            }
            System.out.println(i + ": " + seen);
        }
    }

    static String attempt(int i, Image image, TiledLayer small) {
        switch (i) {
            case 0: return "sprite " + new Sprite(image);
            case 1: return "tiled layer " + new TiledLayer(3, 3, image, 1, 1);
            case 2: return "animated tile " + small.createAnimatedTile(1);
            case 3: return "animated tile -1 shows " + small.getAnimatedTile(-1);
            case 4: small.setCell(0, 0, -1); return "cell set";
            default: throw new RuntimeException("no case " + i);
        }
    }
}
