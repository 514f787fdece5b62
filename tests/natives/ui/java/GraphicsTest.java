import javax.microedition.lcdui.Font;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * Graphics into a mutable image, read back with getRGB: colours and stroke, translation
 * and clip arithmetic, anchors, argument checks, and the checks of the ranges text and
 * pixel-array calls read before they draw.
 */
public class GraphicsTest {

    static final int LT = Graphics.LEFT | Graphics.TOP;
    static final int WHITE = 0xFFF8F8F8;

    static Image img;
    static Graphics g;

    static void fresh() {
        img = Image.createImage(20, 20);
        g = img.getGraphics();
    }

    static int pixel(int x, int y) {
        int[] p = new int[1];
        img.getRGB(p, 0, 1, x, y, 1, 1);
        return p[0];
    }

    // The pixels that are not white, as "x,y" in rows, or "none".
    static String marked() {
        int[] p = new int[20 * 20];
        img.getRGB(p, 0, 20, 0, 0, 20, 20);
        StringBuffer b = new StringBuffer();
        for (int i = 0; i < p.length; i++) {
            if (p[i] != WHITE) {
                b.append(b.length() == 0 ? "" : " ").append(i % 20).append(',').append(i / 20);
            }
        }
        return b.length() == 0 ? "none" : b.toString();
    }

    // The marked area's bounds as x,y wxh.
    static String bounds() {
        int[] p = new int[20 * 20];
        img.getRGB(p, 0, 20, 0, 0, 20, 20);
        int x0 = 99, y0 = 99, x1 = -1, y1 = -1;
        for (int i = 0; i < p.length; i++) {
            if (p[i] != WHITE) {
                x0 = Math.min(x0, i % 20);
                y0 = Math.min(y0, i / 20);
                x1 = Math.max(x1, i % 20);
                y1 = Math.max(y1, i / 20);
            }
        }
        return x1 < 0 ? "none" : x0 + "," + y0 + " " + (x1 - x0 + 1) + "x" + (y1 - y0 + 1);
    }

    static String clip() {
        return g.getClipX() + "," + g.getClipY() + " " + g.getClipWidth() + "x" + g.getClipHeight();
    }

    static Image block(int w, int h) {
        int[] rgb = new int[w * h];
        for (int i = 0; i < rgb.length; i++) {
            rgb[i] = 0xFF000000;
        }
        return Image.createRGBImage(rgb, w, h, false);
    }

    public static void main(String[] args) {
        Case.runAll(new Case[] {
            new Case("setColor(int) keeps the low 24 bits") {
                protected String run() {
                    fresh();
                    g.setColor(0x12345678);
                    return Case.hex(g.getColor()) + " r" + g.getRedComponent() + " g" + g.getGreenComponent() + " b"
                            + g.getBlueComponent();
                }
            },
            new Case("setColor(256, 0, 0) is refused and keeps the colour") {
                protected String run() {
                    fresh();
                    g.setColor(0x102030);
                    try {
                        g.setColor(256, 0, 0);
                    } catch (IllegalArgumentException e) {
                        return "IllegalArgumentException, colour " + Case.hex(g.getColor());
                    }
                    return "accepted";
                }
            },
            new Case("setColor(-1, 0, 0)") {
                protected String run() {
                    g.setColor(-1, 0, 0);
                    return "accepted";
                }
            },
            new Case("grey of red") {
                protected String run() {
                    g.setColor(0xFF0000);
                    return "" + g.getGrayScale();
                }
            },
            new Case("setGrayScale(200) reads back") {
                protected String run() {
                    g.setGrayScale(200);
                    return Case.hex(g.getColor()) + " grey " + g.getGrayScale();
                }
            },
            new Case("setGrayScale(256)") {
                protected String run() {
                    g.setGrayScale(256);
                    return "accepted";
                }
            },
            new Case("getDisplayColor") {
                protected String run() {
                    return Case.hex(g.getDisplayColor(0xFF123456));
                }
            },
            new Case("stroke styles") {
                protected String run() {
                    g.setStrokeStyle(Graphics.DOTTED);
                    int dotted = g.getStrokeStyle();
                    g.setStrokeStyle(Graphics.SOLID);
                    return dotted + " " + g.getStrokeStyle();
                }
            },
            new Case("setStrokeStyle(2)") {
                protected String run() {
                    g.setStrokeStyle(2);
                    return "accepted";
                }
            },
            new Case("translate moves the clip fields, not the device clip") {
                protected String run() {
                    fresh();
                    g.setClip(2, 3, 5, 6);
                    g.translate(10, 20);
                    String fields = g.getTranslateX() + "," + g.getTranslateY() + " clip " + clip();
                    g.setColor(0);
                    g.fillRect(-20, -30, 40, 40);
                    return fields + ", filled " + bounds();
                }
            },
            new Case("clipRect touching the right edge leaves a clip of width 0 there") {
                protected String run() {
                    fresh();
                    g.setClip(2, 2, 10, 10);
                    g.clipRect(12, 4, 5, 5);
                    return clip();
                }
            },
            new Case("clipRect wholly to the right leaves the empty clip") {
                protected String run() {
                    fresh();
                    g.setClip(2, 2, 10, 10);
                    g.clipRect(13, 4, 5, 5);
                    return clip();
                }
            },
            new Case("clipRect intersects and fills only there") {
                protected String run() {
                    fresh();
                    g.setClip(2, 2, 10, 10);
                    g.clipRect(8, -4, 10, 10);
                    g.setColor(0);
                    g.fillRect(0, 0, 20, 20);
                    return clip() + ", filled " + bounds();
                }
            },
            new Case("setClip with a negative width") {
                protected String run() {
                    fresh();
                    g.setClip(3, 3, -1, 5);
                    g.setColor(0);
                    g.fillRect(0, 0, 20, 20);
                    return clip() + ", filled " + bounds();
                }
            },
            new Case("a clip beyond the image is cut to it") {
                protected String run() {
                    fresh();
                    g.setClip(-5, 15, 100, 100);
                    g.setColor(0);
                    g.fillRect(-50, -50, 100, 100);
                    return clip() + ", filled " + bounds();
                }
            },
            new Case("drawRect at size 0 draws one pixel, fillRect at size 0 nothing") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    g.drawRect(3, 4, 0, 0);
                    g.fillRect(8, 8, 0, 5);
                    g.drawRect(8, 8, -1, 5);
                    return marked();
                }
            },
            new Case("fillTriangle with two equal vertices draws nothing") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    g.fillTriangle(1, 1, 1, 1, 15, 15);
                    g.fillTriangle(1, 1, 15, 15, 15, 15);
                    return marked();
                }
            },
            new Case("drawArc with arcAngle 0 draws nothing") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    g.drawArc(2, 2, 10, 10, 30, 0);
                    g.fillArc(2, 2, 10, 10, 30, 0);
                    return marked();
                }
            },
            new Case("drawLine translated") {
                protected String run() {
                    fresh();
                    g.translate(3, 4);
                    g.setColor(0);
                    g.drawLine(0, 0, 2, 0);
                    return marked();
                }
            },
            new Case("drawImage with HCENTER of a 5-wide image moves it 2 left") {
                protected String run() {
                    fresh();
                    g.drawImage(block(5, 1), 10, 10, Graphics.HCENTER | Graphics.TOP);
                    return bounds();
                }
            },
            new Case("drawImage with VCENTER | RIGHT") {
                protected String run() {
                    fresh();
                    g.drawImage(block(4, 5), 10, 10, Graphics.RIGHT | Graphics.VCENTER);
                    return bounds();
                }
            },
            new Case("drawImage with anchor 0 is TOP | LEFT") {
                protected String run() {
                    fresh();
                    g.drawImage(block(2, 2), 10, 10, 0);
                    return bounds();
                }
            },
            new Case("drawImage with BASELINE") {
                protected String run() {
                    g.drawImage(block(2, 2), 10, 10, Graphics.BASELINE | Graphics.LEFT);
                    return "accepted";
                }
            },
            new Case("drawImage of null") {
                protected String run() {
                    g.drawImage(null, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawString with LEFT | TOP | VCENTER is drawn as TOP") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    g.drawString("I", 0, 0, LT | Graphics.VCENTER);
                    String top = bounds();
                    fresh();
                    g.setColor(0);
                    g.drawString("I", 0, 0, LT);
                    return top.equals(bounds()) ? "same as TOP" : top + " against " + bounds();
                }
            },
            new Case("drawString with LEFT | VCENTER") {
                protected String run() {
                    g.drawString("I", 0, 0, Graphics.LEFT | Graphics.VCENTER);
                    return "accepted";
                }
            },
            new Case("drawString with a negative anchor") {
                protected String run() {
                    g.drawString("I", 0, 0, -1);
                    return "accepted";
                }
            },
            new Case("drawString of null") {
                protected String run() {
                    g.drawString(null, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawString BASELINE puts the baseline on y") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    Font f = g.getFont();
                    g.drawString("I", 5, 15, Graphics.BASELINE | Graphics.LEFT);
                    int[] p = new int[20];
                    img.getRGB(p, 0, 1, 6, 0, 1, 20);
                    int bottom = -1;
                    for (int y = 0; y < 20; y++) {
                        if (p[y] != WHITE) {
                            bottom = y;
                        }
                    }
                    return "ink ends on row " + bottom + ", baseline position " + (f.getBaselinePosition() > 0);
                }
            },
            new Case("drawString of a literal of the class library") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    String literal = String.valueOf(true);
                    g.drawString(literal, 0, 0, LT);
                    g.drawSubstring(literal, 1, 2, 0, 0, LT);
                    return "drawn " + (!marked().equals("none")) + ", width " + (g.getFont().stringWidth(literal) > 0);
                }
            },
            new Case("drawSubstring at the end with len 0 draws nothing") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    g.drawSubstring("abc", 3, 0, 0, 0, LT);
                    return marked();
                }
            },
            new Case("drawSubstring one past the length") {
                protected String run() {
                    g.drawSubstring("abc", 0, 4, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawSubstring whose offset + len overflows") {
                protected String run() {
                    g.drawSubstring("abc", 2, Integer.MAX_VALUE, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawSubstring with a negative offset") {
                protected String run() {
                    g.drawSubstring("abc", -1, 1, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawSubstring range checked before the anchor") {
                protected String run() {
                    g.drawSubstring("abc", 0, 9, 0, 0, -1);
                    return "accepted";
                }
            },
            new Case("drawSubstring draws the same as drawString of the part") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    g.drawSubstring("xIy", 1, 1, 4, 2, LT);
                    String sub = marked();
                    fresh();
                    g.setColor(0);
                    g.drawString("I", 4, 2, LT);
                    return sub.equals(marked()) ? "same" : sub + " against " + marked();
                }
            },
            new Case("drawChars whose offset + length overflows") {
                protected String run() {
                    g.drawChars(new char[] {'a', 'b'}, 1, Integer.MAX_VALUE, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawChars one past the end") {
                protected String run() {
                    g.drawChars(new char[] {'a', 'b'}, 1, 2, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawChars at the end with length 0 draws nothing") {
                protected String run() {
                    fresh();
                    g.setColor(0);
                    g.drawChars(new char[] {'a', 'b'}, 2, 0, 0, 0, LT);
                    return marked();
                }
            },
            new Case("drawChars anchor checked before the range") {
                protected String run() {
                    g.drawChars(new char[] {'a'}, 5, 5, 0, 0, 3);
                    return "accepted";
                }
            },
            new Case("drawChars of null") {
                protected String run() {
                    g.drawChars(null, 0, 0, 0, 0, LT);
                    return "accepted";
                }
            },
            new Case("drawChar with an anchor of BOTTOM | VCENTER") {
                protected String run() {
                    g.drawChar('a', 0, 0, Graphics.BOTTOM | Graphics.VCENTER | Graphics.LEFT);
                    return "accepted";
                }
            },
        });
        RgbCases.run();
        RegionCases.run();
    }
}
