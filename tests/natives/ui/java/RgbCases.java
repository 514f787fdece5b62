import javax.microedition.lcdui.Graphics;

/**
 * drawRGB: every element the call would read is checked before any pixel is drawn, a
 * negative scan length takes rows upward, a scan length of 0 repeats the row, and the
 * clip is the one from before the call.
 */
public class RgbCases {

    // Element i holds 0xFF0000nn with nn = i, so a drawn pixel names its element.
    static int[] numbered(int n) {
        int[] a = new int[n];
        for (int i = 0; i < n; i++) {
            a[i] = 0xFF000000 | i * 8;
        }
        return a;
    }

    // The elements drawn in the rows and columns given, as element numbers.
    static String elements(int x, int y, int w, int h) {
        int[] p = new int[w * h];
        GraphicsTest.img.getRGB(p, 0, w, x, y, w, h);
        StringBuffer b = new StringBuffer();
        for (int i = 0; i < p.length; i++) {
            if (i > 0) {
                b.append(i % w == 0 ? " / " : " ");
            }
            b.append(p[i] == GraphicsTest.WHITE ? "-" : "" + (p[i] & 0xFF) / 8);
        }
        return b.toString();
    }

    static void run() {
        Case.runAll(new Case[] {
            new Case("drawRGB rows, scan 3") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRGB(numbered(9), 1, 3, 0, 0, 2, 3, false);
                    return elements(0, 0, 3, 3);
                }
            },
            new Case("drawRGB whose last row ends before its scan length would") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRGB(numbered(9), 0, 4, 0, 0, 1, 3, false);
                    return elements(0, 0, 2, 3);
                }
            },
            new Case("drawRGB with a negative scan takes rows upward") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRGB(numbered(9), 6, -3, 0, 0, 3, 3, false);
                    return elements(0, 0, 3, 3);
                }
            },
            new Case("drawRGB with scan 0 repeats the row") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRGB(numbered(9), 2, 0, 0, 0, 2, 3, false);
                    return elements(0, 0, 2, 3);
                }
            },
            new Case("drawRGB with overlapping rows, scan 1") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRGB(numbered(9), 0, 1, 0, 0, 3, 3, false);
                    return elements(0, 0, 3, 3);
                }
            },
            new Case("drawRGB whose upward rows reach before the array") {
                protected String run() {
                    GraphicsTest.fresh();
                    try {
                        GraphicsTest.g.drawRGB(numbered(9), 2, -3, 0, 0, 2, 2, false);
                    } catch (ArrayIndexOutOfBoundsException e) {
                        return "ArrayIndexOutOfBoundsException, drawn " + GraphicsTest.marked();
                    }
                    return "accepted";
                }
            },
            new Case("drawRGB whose first row runs past the end with a negative scan") {
                protected String run() {
                    GraphicsTest.g.drawRGB(numbered(9), 7, -3, 0, 0, 3, 2, false);
                    return "accepted";
                }
            },
            new Case("drawRGB whose last row runs past the end") {
                protected String run() {
                    GraphicsTest.g.drawRGB(numbered(9), 0, 3, 0, 0, 4, 3, false);
                    return "accepted";
                }
            },
            new Case("drawRGB whose span overflows") {
                protected String run() {
                    GraphicsTest.g.drawRGB(numbered(9), 0, 0x40000000, 0, 0, 1, 5, false);
                    return "accepted";
                }
            },
            new Case("drawRGB with a negative span that wraps") {
                protected String run() {
                    GraphicsTest.g.drawRGB(numbered(9), 8, Integer.MIN_VALUE, 0, 0, 1, 3, false);
                    return "accepted";
                }
            },
            new Case("drawRGB with the offset at the length") {
                protected String run() {
                    GraphicsTest.g.drawRGB(numbered(9), 9, 1, 0, 0, 1, 1, false);
                    return "accepted";
                }
            },
            new Case("drawRGB with a negative offset") {
                protected String run() {
                    GraphicsTest.g.drawRGB(numbered(9), -1, 1, 0, 0, 1, 1, false);
                    return "accepted";
                }
            },
            new Case("drawRGB of null with width 0") {
                protected String run() {
                    GraphicsTest.g.drawRGB(null, 0, 1, 0, 0, 0, 1, false);
                    return "accepted";
                }
            },
            new Case("drawRGB with width 0 and a bad offset draws nothing") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRGB(numbered(1), 5, 1, 0, 0, 0, 1, false);
                    return GraphicsTest.marked();
                }
            },
            new Case("drawRGB beyond the right edge is cut to it") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRGB(numbered(9), 0, 3, 18, 0, 3, 1, false);
                    return elements(17, 0, 3, 1);
                }
            },
            new Case("drawRGB at a negative x is cut by the clip") {
                protected String run() {
                    GraphicsTest.fresh();
                    GraphicsTest.g.drawRGB(numbered(9), 0, 3, -2, 0, 3, 1, false);
                    return elements(0, 0, 2, 1);
                }
            },
            new Case("drawRGB with alpha: opaque, transparent, half-transparent elements") {
                protected String run() {
                    GraphicsTest.fresh();
                    int[] a = {0xFF000008, 0x00000010, 0x80000018};
                    GraphicsTest.g.drawRGB(a, 0, 3, 0, 0, 3, 1, true);
                    String alpha = elements(0, 0, 3, 1);
                    GraphicsTest.g.drawRGB(a, 0, 3, 0, 1, 3, 1, false);
                    return alpha + ", without alpha " + elements(0, 1, 3, 1);
                }
            },
            new Case("drawRGB restores the clip") {
                protected String run() {
                    GraphicsTest.fresh();
                    Graphics g = GraphicsTest.g;
                    g.setClip(2, 2, 4, 4);
                    g.drawRGB(numbered(9), 0, 3, 0, 0, 3, 3, false);
                    g.setColor(0);
                    g.fillRect(0, 0, 20, 20);
                    return GraphicsTest.bounds();
                }
            },
        });
    }
}
