import java.io.IOException;
import java.io.InputStream;

import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * Image: every way to make one and its refusals, reading pixels back with its range
 * checks, cropping with transforms, and surfaces that live as long as what draws on them.
 */
public class ImageTest {

    static String describe(Image img) {
        return img.getWidth() + "x" + img.getHeight() + (img.isMutable() ? " mutable" : " immutable");
    }

    static int[] argb(Image img) {
        int[] p = new int[img.getWidth() * img.getHeight()];
        img.getRGB(p, 0, img.getWidth(), 0, 0, img.getWidth(), img.getHeight());
        return p;
    }

    static String row(int[] p, int from, int count) {
        StringBuffer b = new StringBuffer();
        for (int i = from; i < from + count; i++) {
            b.append(i > from ? " " : "").append(Case.hex(p[i]));
        }
        return b.toString();
    }

    static byte[] resource(String name) throws IOException {
        InputStream in = "".getClass().getResourceAsStream(name);
        byte[] buffer = new byte[4096];
        int n = 0;
        for (int r; (r = in.read(buffer, n, buffer.length - n)) > 0;) {
            n += r;
        }
        byte[] data = new byte[n];
        System.arraycopy(buffer, 0, data, 0, n);
        return data;
    }

    static final int[] FOUR = {0xFF102030, 0x00405060, 0xFF708090, 0xFFA0B0C0};

    public static void main(String[] args) {
        Case.runAll(new Case[] {
            new Case("new mutable image") {
                protected String run() {
                    Image img = Image.createImage(3, 2);
                    return describe(img) + ", " + row(argb(img), 0, 6);
                }
            },
            new Case("createImage(0, 5)") {
                protected String run() {
                    return describe(Image.createImage(0, 5));
                }
            },
            new Case("createImage(5, -1)") {
                protected String run() {
                    return describe(Image.createImage(5, -1));
                }
            },
            new Case("a mutable image too large to make") {
                protected String run() {
                    try {
                        return describe(Image.createImage(100000, 100000));
                    } catch (OutOfMemoryError e) {
                        return "OutOfMemoryError, then " + describe(Image.createImage(2, 2));
                    }
                }
            },
            new Case("getGraphics of an immutable image") {
                protected String run() {
                    Image.createRGBImage(FOUR, 2, 2, false).getGraphics();
                    return "accepted";
                }
            },
            new Case("a PNG resource with alpha") {
                protected String run() throws IOException {
                    Image img = Image.createImage("/sprite.png");
                    int[] p = argb(img);
                    return describe(img) + ", corners " + Case.hex(p[0]) + " " + Case.hex(p[11]) + " "
                            + Case.hex(p[7 * 12]) + " " + Case.hex(p[7 * 12 + 11]);
                }
            },
            new Case("a PNG resource named without a slash") {
                protected String run() throws IOException {
                    return describe(Image.createImage("checker.png"));
                }
            },
            new Case("a missing resource") {
                protected String run() throws IOException {
                    return describe(Image.createImage("/missing.png"));
                }
            },
            new Case("a broken resource") {
                protected String run() throws IOException {
                    return describe(Image.createImage("/broken.png"));
                }
            },
            new Case("createImage((String) null)") {
                protected String run() throws IOException {
                    return describe(Image.createImage((String) null));
                }
            },
            new Case("a PNG inside a byte array") {
                protected String run() throws IOException {
                    byte[] png = resource("/sprite.png");
                    byte[] padded = new byte[png.length + 7];
                    System.arraycopy(png, 0, padded, 5, png.length);
                    return describe(Image.createImage(padded, 5, png.length));
                }
            },
            new Case("bytes that are no image") {
                protected String run() {
                    return describe(Image.createImage(new byte[] {1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, 9));
                }
            },
            new Case("a truncated PNG in a byte array") {
                protected String run() throws IOException {
                    byte[] png = resource("/broken.png");
                    return describe(Image.createImage(png, 0, png.length));
                }
            },
            new Case("no bytes") {
                protected String run() {
                    return describe(Image.createImage(new byte[4], 2, 0));
                }
            },
            new Case("a byte range past the array") {
                protected String run() {
                    return describe(Image.createImage(new byte[4], 2, 3));
                }
            },
            new Case("a byte range whose end overflows") {
                protected String run() {
                    return describe(Image.createImage(new byte[4], 2, Integer.MAX_VALUE));
                }
            },
            new Case("createImage((byte[]) null, 0, 0)") {
                protected String run() {
                    return describe(Image.createImage((byte[]) null, 0, 0));
                }
            },
            new Case("a PNG from a stream") {
                protected String run() throws IOException {
                    InputStream in = "".getClass().getResourceAsStream("/checker.png");
                    return describe(Image.createImage(in));
                }
            },
            new Case("createImage((InputStream) null)") {
                protected String run() throws IOException {
                    return describe(Image.createImage((InputStream) null));
                }
            },
            new Case("createRGBImage with alpha") {
                protected String run() {
                    Image img = Image.createRGBImage(FOUR, 2, 2, true);
                    return describe(img) + ", " + row(argb(img), 0, 4);
                }
            },
            new Case("createRGBImage without alpha") {
                protected String run() {
                    return row(argb(Image.createRGBImage(FOUR, 2, 2, false)), 0, 4);
                }
            },
            new Case("createRGBImage of too short an array") {
                protected String run() {
                    return describe(Image.createRGBImage(FOUR, 3, 2, false));
                }
            },
            new Case("createRGBImage whose size overflows") {
                protected String run() {
                    return describe(Image.createRGBImage(FOUR, 65536, 65536, false));
                }
            },
            new Case("createRGBImage of width 0") {
                protected String run() {
                    return describe(Image.createRGBImage(FOUR, 0, 2, false));
                }
            },
            new Case("createRGBImage(null, 1, 1, false)") {
                protected String run() {
                    return describe(Image.createRGBImage(null, 1, 1, false));
                }
            },
            new Case("the immutable copy of an immutable image is the image") {
                protected String run() {
                    Image img = Image.createRGBImage(FOUR, 2, 2, false);
                    return "" + (Image.createImage(img) == img);
                }
            },
            new Case("the immutable copy of a mutable image keeps its pixels") {
                protected String run() {
                    Image img = Image.createImage(2, 1);
                    Graphics g = img.getGraphics();
                    g.setColor(0x00FF00);
                    g.fillRect(0, 0, 1, 1);
                    Image copy = Image.createImage(img);
                    g.fillRect(1, 0, 1, 1);
                    return describe(copy) + ", " + row(argb(copy), 0, 2);
                }
            },
            new Case("getRGB with a negative scan length writes rows upward") {
                protected String run() {
                    Image img = Image.createRGBImage(FOUR, 2, 2, false);
                    int[] p = new int[5];
                    img.getRGB(p, 3, -3, 0, 0, 2, 2);
                    return row(p, 0, 5);
                }
            },
            new Case("getRGB of one pixel at an offset") {
                protected String run() {
                    int[] p = new int[3];
                    Image.createRGBImage(FOUR, 2, 2, false).getRGB(p, 2, 1, 1, 1, 1, 1);
                    return row(p, 0, 3);
                }
            },
            new Case("getRGB with width 0 reads nothing") {
                protected String run() {
                    int[] p = new int[1];
                    Image.createRGBImage(FOUR, 2, 2, false).getRGB(p, 5, 1, 0, 0, 0, 1);
                    return row(p, 0, 1);
                }
            },
            new Case("getRGB past the image") {
                protected String run() {
                    Image.createRGBImage(FOUR, 2, 2, false).getRGB(new int[4], 0, 2, 1, 0, 2, 2);
                    return "accepted";
                }
            },
            new Case("getRGB with a scan length below the width") {
                protected String run() {
                    Image.createRGBImage(FOUR, 2, 2, false).getRGB(new int[4], 0, 1, 0, 0, 2, 2);
                    return "accepted";
                }
            },
            new Case("getRGB past the array") {
                protected String run() {
                    int[] p = new int[3];
                    try {
                        Image.createRGBImage(FOUR, 2, 2, false).getRGB(p, 0, 2, 0, 0, 2, 2);
                    } catch (ArrayIndexOutOfBoundsException e) {
                        return "ArrayIndexOutOfBoundsException, array " + row(p, 0, 3);
                    }
                    return "accepted";
                }
            },
            new Case("getRGB rows upward reaching before the array") {
                protected String run() {
                    Image.createRGBImage(FOUR, 2, 2, false).getRGB(new int[4], 1, -2, 0, 0, 2, 2);
                    return "accepted";
                }
            },
            new Case("getRGB(null, ...)") {
                protected String run() {
                    Image.createRGBImage(FOUR, 2, 2, false).getRGB(null, 0, 2, 0, 0, 2, 2);
                    return "accepted";
                }
            },
            new Case("a region under TRANS_ROT90") {
                protected String run() {
                    int[] six = {1, 2, 3, 4, 5, 6};
                    for (int i = 0; i < 6; i++) {
                        six[i] = 0xFF000000 | six[i] * 8;
                    }
                    Image img = Image.createImage(Image.createRGBImage(six, 3, 2, false), 0, 0, 3, 2, 5);
                    int[] p = argb(img);
                    StringBuffer b = new StringBuffer(describe(img) + ",");
                    for (int i = 0; i < p.length; i++) {
                        b.append(' ').append((p[i] & 0xFF) / 8);
                    }
                    return b.toString();
                }
            },
            new Case("a region keeps transparency") {
                protected String run() {
                    Image img = Image.createImage(Image.createRGBImage(FOUR, 2, 2, true), 0, 0, 2, 1, 2);
                    return describe(img) + ", " + row(argb(img), 0, 2);
                }
            },
            new Case("a region of a mutable image is immutable") {
                protected String run() {
                    return describe(Image.createImage(Image.createImage(4, 4), 1, 1, 2, 3, 0));
                }
            },
            new Case("the whole immutable image untransformed is the image") {
                protected String run() {
                    Image img = Image.createRGBImage(FOUR, 2, 2, false);
                    return "" + (Image.createImage(img, 0, 0, 2, 2, 0) == img);
                }
            },
            new Case("a region with transform 8") {
                protected String run() {
                    return describe(Image.createImage(Image.createImage(4, 4), 0, 0, 1, 1, 8));
                }
            },
            new Case("a region past the image") {
                protected String run() {
                    return describe(Image.createImage(Image.createImage(4, 4), 2, 0, 3, 1, 0));
                }
            },
            new Case("a region of height 0") {
                protected String run() {
                    return describe(Image.createImage(Image.createImage(4, 4), 0, 0, 1, 0, 0));
                }
            },
            new Case("a region of null") {
                protected String run() {
                    return describe(Image.createImage(null, 0, 0, 1, 1, 0));
                }
            },
            new Case("a Graphics keeps its image's surface alive") {
                protected String run() {
                    Graphics g = Image.createImage(40, 40).getGraphics();
                    System.gc();
                    // were the first surface freed, this one could take its memory
                    Image other = Image.createImage(40, 40);
                    g.setColor(0xFF0000);
                    g.fillRect(0, 0, 40, 40);
                    return "the other image is " + Case.hex(argb(other)[0]);
                }
            },
            new Case("images dropped by the hundred") {
                protected String run() {
                    for (int i = 0; i < 400; i++) {
                        Image.createImage(64, 64).getGraphics().fillRect(0, 0, 64, 64);
                    }
                    return "made";
                }
            },
        });
    }
}
