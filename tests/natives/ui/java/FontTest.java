import javax.microedition.lcdui.Font;

import com.movane.util.Rectangle;

/**
 * Font: the choice of fonts and their refusals, measuring and its range checks with their
 * messages; Rectangle: containment edges, intersection and union with their edge cases.
 */
public class FontTest {

    static String describe(Font f) {
        return "face " + f.getFace() + " style " + f.getStyle() + " size " + f.getSize() + (f.isPlain() ? " plain" : "")
                + (f.isBold() ? " bold" : "") + (f.isItalic() ? " italic" : "") + (f.isUnderlined() ? " underlined" : "");
    }

    static Font font() {
        return Font.getDefaultFont();
    }

    static String rect(Rectangle r) {
        return r.x + "," + r.y + " " + r.width + "x" + r.height;
    }

    public static void main(String[] args) {
        Case.runAll(new Case[] {
            new Case("the default font") {
                protected String run() {
                    return describe(Font.getDefaultFont());
                }
            },
            new Case("getFont(FONT_STATIC_TEXT) is the default font") {
                protected String run() {
                    return "" + (Font.getFont(Font.FONT_STATIC_TEXT) == Font.getDefaultFont());
                }
            },
            new Case("getFont(2)") {
                protected String run() {
                    return describe(Font.getFont(2));
                }
            },
            new Case("a bold italic large proportional font") {
                protected String run() {
                    Font f = Font.getFont(Font.FACE_PROPORTIONAL, Font.STYLE_BOLD | Font.STYLE_ITALIC, Font.SIZE_LARGE);
                    return describe(f) + ", asked again the same " + (f == Font.getFont(64, 3, 16));
                }
            },
            new Case("an underlined small monospace font") {
                protected String run() {
                    return describe(Font.getFont(Font.FACE_MONOSPACE, Font.STYLE_UNDERLINED, Font.SIZE_SMALL));
                }
            },
            new Case("face 1") {
                protected String run() {
                    return describe(Font.getFont(1, 0, 0));
                }
            },
            new Case("style 8") {
                protected String run() {
                    return describe(Font.getFont(0, 8, 0));
                }
            },
            new Case("size 7") {
                protected String run() {
                    return describe(Font.getFont(0, 0, 7));
                }
            },
            new Case("metrics") {
                protected String run() {
                    Font f = font();
                    int base = f.getBaselinePosition();
                    return "height above 0 " + (f.getHeight() > 0) + ", baseline inside " + (base > 0 && base <= f.getHeight());
                }
            },
            new Case("widths agree") {
                protected String run() {
                    Font f = font();
                    int chars = f.charsWidth(new char[] {'x', 'A', 'g', 'y'}, 1, 2);
                    int sum = f.charWidth('A') + f.charWidth('g');
                    return (f.stringWidth("Ag") == sum) + " " + (f.substringWidth("xAgy", 1, 2) == sum) + " " + (chars == sum)
                            + " " + (sum > 0);
                }
            },
            new Case("stringWidth of the empty string") {
                protected String run() {
                    return "" + font().stringWidth("");
                }
            },
            new Case("stringWidth(null)") {
                protected String run() {
                    return "" + font().stringWidth(null);
                }
            },
            new Case("charsWidth at the end with length 0") {
                protected String run() {
                    return "" + font().charsWidth(new char[3], 3, 0);
                }
            },
            new Case("charsWidth one past the end") {
                protected String run() {
                    return "" + font().charsWidth(new char[3], 4, 0);
                }
            },
            new Case("charsWidth with a negative offset") {
                protected String run() {
                    return "" + font().charsWidth(new char[3], -2, 0);
                }
            },
            new Case("charsWidth with a negative length") {
                protected String run() {
                    return "" + font().charsWidth(new char[3], 0, -1);
                }
            },
            new Case("charsWidth whose offset + length overflows") {
                protected String run() {
                    return "" + font().charsWidth(new char[3], 1, Integer.MAX_VALUE);
                }
            },
            new Case("charsWidth(null, 0, 0)") {
                protected String run() {
                    return "" + font().charsWidth(null, 0, 0);
                }
            },
            new Case("substringWidth of the empty string") {
                protected String run() {
                    return "" + font().substringWidth("", 0, 0);
                }
            },
            new Case("substringWidth from offset 1 of the empty string") {
                protected String run() {
                    return "" + font().substringWidth("", 1, 0);
                }
            },
            new Case("substringWidth one past the end") {
                protected String run() {
                    return "" + font().substringWidth("abc", 1, 3);
                }
            },
            new Case("substringWidth whose offset + len overflows") {
                protected String run() {
                    return "" + font().substringWidth("abc", 2, Integer.MAX_VALUE);
                }
            },
            new Case("substringWidth(null, 0, 0)") {
                protected String run() {
                    return "" + font().substringWidth(null, 0, 0);
                }
            },
            new Case("a rectangle holds the point on its far corner") {
                protected String run() {
                    return Rectangle.contains(0, 0, 10, 10, 10, 10) + " " + Rectangle.contains(0, 0, 10, 10, 11, 10);
                }
            },
            new Case("a rectangle holds one that shares its edges") {
                protected String run() {
                    return Rectangle.contains(0, 0, 10, 10, 0, 0, 10, 10) + " "
                            + Rectangle.contains(0, 0, 10, 10, 5, 5, 6, 2);
                }
            },
            new Case("intersects: touching edges, zero widths") {
                protected String run() {
                    return Rectangle.intersects(0, 0, 10, 10, 10, 0, 5, 5) + " " + Rectangle.intersects(0, 0, 10, 10, 9, 9, 5, 5)
                            + " " + Rectangle.intersects(0, 0, 10, 10, 5, 5, 0, 0) + " "
                            + Rectangle.intersects(0, 0, 10, 10, 10, 5, 0, 1);
                }
            },
            new Case("intersection in place") {
                protected String run() {
                    Rectangle r = new Rectangle(0, 0, 10, 10);
                    Rectangle same = Rectangle.intersection(r, 5, -5, 10, 10);
                    return rect(r) + " " + (same == r);
                }
            },
            new Case("intersection of disjoint rectangles") {
                protected String run() {
                    return rect(Rectangle.intersection(new Rectangle(0, 0, 10, 10), 20, 20, 5, 5));
                }
            },
            new Case("union with a negative width leaves the receiver") {
                protected String run() {
                    return rect(Rectangle.union(new Rectangle(1, 2, 3, 4), 0, 0, -1, 5));
                }
            },
            new Case("union into a receiver of negative width takes the other") {
                protected String run() {
                    return rect(Rectangle.union(new Rectangle(1, 2, -3, 4), 5, 6, 7, 8));
                }
            },
            new Case("union grows to both") {
                protected String run() {
                    return rect(Rectangle.union(new Rectangle(0, 0, 10, 10), 5, -5, 10, 10));
                }
            },
            new Case("union whose right edge overflows") {
                protected String run() {
                    return rect(Rectangle.union(new Rectangle(0, 0, 10, 10), 10, 0, Integer.MAX_VALUE, 10));
                }
            },
        });
    }
}
