import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * drawRegion and copyArea: their refusals, the size a rotated region takes, the anchors
 * copyArea repairs, and the clip left as it was.
 */
public class RegionCases {

    static final int LT = Graphics.LEFT | Graphics.TOP;

    static Image source() {
        int[] rgb = new int[10 * 20];
        for (int i = 0; i < rgb.length; i++) {
            rgb[i] = 0xFF000000;
        }
        return Image.createRGBImage(rgb, 10, 20, false);
    }

    static void run() {
        Case.runAll(new Case[] {
            new Case("drawRegion of an image into its own Graphics") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRegion(GraphicsTest.img, 0, 0, 1, 1, 0, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawRegion with transform 8") {
                protected String run() {
                    GraphicsTest.g.drawRegion(source(), 0, 0, 1, 1, 8, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawRegion with transform -1") {
                protected String run() {
                    GraphicsTest.g.drawRegion(source(), 0, 0, 1, 1, -1, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawRegion with BASELINE") {
                protected String run() {
                    GraphicsTest.g.drawRegion(source(), 0, 0, 1, 1, 0, 0, 0, Graphics.BASELINE | Graphics.LEFT);
                    return "accepted";
                }
            },
            new Case("drawRegion of null") {
                protected String run() {
                    GraphicsTest.g.drawRegion(null, 0, 0, 1, 1, 0, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawRegion with a negative height") {
                protected String run() {
                    GraphicsTest.g.drawRegion(source(), 0, 0, 1, -1, 0, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawRegion past the source's edge") {
                protected String run() {
                    GraphicsTest.g.drawRegion(source(), 5, 0, 6, 1, 0, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawRegion whose x + width overflows") {
                protected String run() {
                    GraphicsTest.g.drawRegion(source(), 5, 0, Integer.MAX_VALUE, 1, 0, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawRegion of width 0 draws nothing") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRegion(source(), 0, 0, 0, 5, 0, 0, 0, LT);
                    return GraphicsTest.marked();
                }
            },
            new Case("drawRegion TRANS_ROT90 of 10 x 20 takes 20 x 10 at the anchor") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRegion(source(), 0, 0, 10, 20, 5, 20, 20, Graphics.RIGHT | Graphics.BOTTOM);
                    return GraphicsTest.bounds();
                }
            },
            new Case("drawRegion restores the clip") {
                protected String run() {
                    GraphicsTest.fresh();
                    Graphics g = GraphicsTest.g;
                    g.setClip(1, 1, 3, 3);
                    g.drawRegion(source(), 0, 0, 2, 2, 0, 10, 10, LT);
                    g.setColor(0);
                    g.fillRect(0, 0, 20, 20);
                    return GraphicsTest.bounds();
                }
            },
            new Case("copyArea with LEFT | BASELINE copies as LEFT | TOP") {
                protected String run() {
                    GraphicsTest.fresh();
                    Graphics g = GraphicsTest.g;
                    g.setColor(0);
                    g.fillRect(0, 0, 2, 2);
                    g.copyArea(0, 0, 2, 2, 10, 10, Graphics.LEFT | Graphics.BASELINE);
                    return GraphicsTest.marked();
                }
            },
            new Case("copyArea with anchors 0 and -1 copies as TOP | LEFT") {
                protected String run() {
                    GraphicsTest.fresh();
                    Graphics g = GraphicsTest.g;
                    g.setColor(0);
                    g.fillRect(0, 0, 1, 1);
                    g.copyArea(0, 0, 1, 1, 5, 5, 0);
                    g.copyArea(0, 0, 1, 1, 7, 7, -1);
                    return GraphicsTest.marked();
                }
            },
            new Case("copyArea translated, RIGHT | BOTTOM, cut by the clip") {
                protected String run() {
                    GraphicsTest.fresh();
                    Graphics g = GraphicsTest.g;
                    g.setColor(0);
                    g.fillRect(0, 0, 3, 2);
                    g.translate(1, 1);
                    g.setClip(0, 0, 9, 9);
                    g.copyArea(-1, -1, 3, 2, 10, 10, Graphics.RIGHT | Graphics.BOTTOM);
                    return GraphicsTest.marked();
                }
            },
            new Case("copyArea from past the image's width") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.copyArea(15, 0, 6, 1, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("copyArea with a negative width") {
                protected String run() {
                    GraphicsTest.g.copyArea(0, 0, -1, 1, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("copyArea restores the clip") {
                protected String run() {
                    GraphicsTest.fresh();
                    Graphics g = GraphicsTest.g;
                    g.setClip(4, 4, 2, 2);
                    g.copyArea(0, 0, 3, 3, 10, 10, LT);
                    g.setColor(0);
                    g.fillRect(0, 0, 20, 20);
                    return GraphicsTest.bounds();
                }
            },
        });
    }
}
