import java.io.IOException;

import javax.microedition.lcdui.Font;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * Scenes drawn into a mutable image, each compared with its reviewed reference picture
 * (the resource /scenes/<name>.png). "SceneTest -check" prints one line a scene;
 * "SceneTest <name>" writes the scene as PNG to standard output, for review.
 */
public class SceneTest {

    static final String[] NAMES = {"lines", "rects", "arcs", "triangles", "clip", "image_anchors",
        "region_transforms", "cropped_transforms", "text_anchors", "text_fonts", "rgb_alpha", "copy_area",
        "resource_images", "layer_sprites", "layer_manager"};

    static final int LT = Graphics.LEFT | Graphics.TOP;

    public static void main(String[] args) throws IOException {
        if (args.length == 1 && args[0].equals("-check")) {
            for (int i = 0; i < NAMES.length; i++) {
                System.out.println(NAMES[i] + ": " + compare(NAMES[i]));
            }
            return;
        }
        Image scene = draw(args[0]);
        int w = scene.getWidth();
        int h = scene.getHeight();
        int[] argb = new int[w * h];
        scene.getRGB(argb, 0, w, 0, 0, w, h);
        PngWriter.write(System.out, argb, w, h);
    }

    static String compare(String name) throws IOException {
        Image scene = draw(name);
        Image reference;
        try {
            reference = Image.createImage("/scenes/" + name + ".png");
        } catch (IOException e) {
            return "no reference";
        }
        int w = scene.getWidth();
        int h = scene.getHeight();
        if (reference.getWidth() != w || reference.getHeight() != h) {
            return "size " + w + "x" + h + ", reference " + reference.getWidth() + "x" + reference.getHeight();
        }
        int[] got = new int[w * h];
        int[] want = new int[w * h];
        scene.getRGB(got, 0, w, 0, 0, w, h);
        reference.getRGB(want, 0, w, 0, 0, w, h);
        int differ = 0;
        int first = -1;
        for (int i = 0; i < got.length; i++) {
            if (got[i] != want[i]) {
                if (first < 0) {
                    first = i;
                }
                differ++;
            }
        }
        if (differ == 0) {
            return "same";
        }
        return differ + " pixels differ, first at (" + first % w + ", " + first / w + "): "
                + Integer.toHexString(got[first]) + " for " + Integer.toHexString(want[first]);
    }

    static Image draw(String name) throws IOException {
        if (name.equals("lines")) {
            return lines();
        } else if (name.equals("rects")) {
            return rects();
        } else if (name.equals("arcs")) {
            return arcs();
        } else if (name.equals("triangles")) {
            return triangles();
        } else if (name.equals("clip")) {
            return clip();
        } else if (name.equals("image_anchors")) {
            return imageAnchors();
        } else if (name.equals("region_transforms")) {
            return regionTransforms();
        } else if (name.equals("cropped_transforms")) {
            return croppedTransforms();
        } else if (name.equals("text_anchors")) {
            return textAnchors();
        } else if (name.equals("text_fonts")) {
            return textFonts();
        } else if (name.equals("rgb_alpha")) {
            return rgbAlpha();
        } else if (name.equals("copy_area")) {
            return copyArea();
        } else if (name.equals("resource_images")) {
            return resourceImages();
        } else if (name.startsWith("layer_")) {
            return LayerScenes.draw(name);
        }
        throw new IllegalArgumentException("no scene " + name);
    }

    // Lines of every slope, solid and dotted, translated and cut by a clip.
    static Image lines() {
        Image img = Image.createImage(64, 64);
        Graphics g = img.getGraphics();
        g.translate(4, 4);
        g.setColor(0x000000);
        g.drawLine(0, 0, 55, 0);
        g.drawLine(0, 0, 0, 55);
        g.drawLine(0, 0, 55, 55);
        g.setColor(0xFF0000);
        g.drawLine(55, 5, 5, 30);
        g.setStrokeStyle(Graphics.DOTTED);
        g.setColor(0x0000FF);
        g.drawLine(10, 50, 50, 10);
        g.drawLine(5, 40, 55, 40);
        g.setStrokeStyle(Graphics.SOLID);
        g.setClip(20, 20, 20, 20);
        g.setColor(0x008000);
        for (int i = 0; i < 60; i += 6) {
            g.drawLine(i, 10, 60 - i, 50);
        }
        return img;
    }

    // Outlines at size 0 and 1, fills, round rectangles, a translated and clipped group.
    static Image rects() {
        Image img = Image.createImage(64, 64);
        Graphics g = img.getGraphics();
        g.setColor(0x000000);
        g.drawRect(2, 2, 10, 8);
        g.drawRect(16, 2, 0, 0);
        g.drawRect(20, 2, 1, 1);
        g.fillRect(26, 2, 10, 8);
        g.fillRect(40, 2, 0, 8);
        g.setColor(0xC00000);
        g.drawRoundRect(2, 14, 20, 14, 8, 8);
        g.fillRoundRect(26, 14, 20, 14, 40, 6);
        g.setStrokeStyle(Graphics.DOTTED);
        g.drawRect(50, 2, 10, 26);
        g.setStrokeStyle(Graphics.SOLID);
        g.translate(10, 32);
        g.clipRect(0, 0, 30, 20);
        g.setColor(0x0000C0);
        g.fillRect(-5, -5, 20, 20);
        g.fillRoundRect(18, 4, 30, 12, 6, 6);
        g.setColor(0x00A000);
        g.drawRect(0, 0, 29, 19);
        return img;
    }

    // Arcs: quarters, a full turn both ways, one through 0 degrees, negative arcs, fills.
    static Image arcs() {
        Image img = Image.createImage(64, 64);
        Graphics g = img.getGraphics();
        g.setColor(0x000000);
        g.drawArc(2, 2, 28, 28, 0, 90);
        g.drawArc(2, 2, 28, 28, 180, -90);
        g.drawArc(34, 2, 28, 20, 0, 360);
        g.drawArc(34, 2, 28, 20, 0, 0);
        g.setColor(0xC00000);
        g.fillArc(2, 34, 28, 28, 350, 20);
        g.fillArc(2, 34, 28, 28, 90, -45);
        g.setColor(0x0000C0);
        g.fillArc(34, 34, 28, 28, 45, 270);
        g.setColor(0x00A000);
        g.fillArc(34, 26, 28, 6, 0, -360);
        return img;
    }

    // Triangles of each winding, one thin, one degenerate (nothing), one cut by the clip.
    static Image triangles() {
        Image img = Image.createImage(64, 64);
        Graphics g = img.getGraphics();
        g.setColor(0x000000);
        g.fillTriangle(2, 2, 30, 2, 2, 30);
        g.setColor(0xC00000);
        g.fillTriangle(62, 2, 34, 30, 62, 30);
        g.setColor(0x0000C0);
        g.fillTriangle(2, 40, 60, 44, 2, 48);
        g.fillTriangle(10, 50, 10, 50, 30, 60);
        g.setClip(32, 50, 32, 14);
        g.setColor(0x00A000);
        g.fillTriangle(20, 62, 48, 34, 62, 62);
        return img;
    }

    // Nested clips in translated coordinates: each fill shows the clip it had.
    static Image clip() {
        Image img = Image.createImage(64, 64);
        Graphics g = img.getGraphics();
        g.setColor(0xE0E0E0);
        g.fillRect(0, 0, 64, 64);
        g.translate(8, 8);
        g.setClip(0, 0, 40, 40);
        g.setColor(0xC0C0FF);
        g.fillRect(-8, -8, 64, 64);
        g.clipRect(10, 10, 100, 100);
        g.setColor(0x0000C0);
        g.fillRect(-8, -8, 64, 64);
        g.translate(20, 20);
        g.clipRect(-5, -5, 10, 10);
        g.setColor(0xC00000);
        g.fillRect(-20, -20, 64, 64);
        g.translate(-28, -28);
        g.setClip(50, 0, 20, 10);
        g.setColor(0x00A000);
        g.fillRect(0, 0, 64, 64);
        g.setClip(0, 56, 64, 8);
        g.clipRect(70, 56, 10, 8);
        g.setColor(0x000000);
        g.fillRect(0, 0, 64, 64);
        return img;
    }

    static Image sprite() throws IOException {
        return Image.createImage("/sprite.png");
    }

    // The sprite at every image anchor around nine marked points.
    static Image imageAnchors() throws IOException {
        Image img = Image.createImage(96, 72);
        Graphics g = img.getGraphics();
        Image s = sprite();
        int[] h = {Graphics.LEFT, Graphics.HCENTER, Graphics.RIGHT};
        int[] v = {Graphics.TOP, Graphics.VCENTER, Graphics.BOTTOM};
        for (int i = 0; i < 3; i++) {
            for (int j = 0; j < 3; j++) {
                int x = 16 + i * 32;
                int y = 12 + j * 24;
                g.setColor(0xA0A0A0);
                g.drawLine(x - 14, y, x + 14, y);
                g.drawLine(x, y - 10, x, y + 10);
                g.drawImage(s, x, y, h[i] | v[j]);
            }
        }
        return img;
    }

    // A 7 x 6 region of the sprite under each transform, anchored at marked points,
    // then the whole sprite from a mutable copy under each transform.
    static Image regionTransforms() throws IOException {
        Image img = Image.createImage(96, 64);
        Graphics g = img.getGraphics();
        Image s = sprite();
        Image mutable = Image.createImage(12, 8);
        mutable.getGraphics().drawImage(s, 0, 0, LT);
        for (int t = 0; t < 8; t++) {
            int x = 4 + t * 12;
            g.setColor(0xA0A0A0);
            g.drawLine(x - 2, 8, x + 8, 8);
            g.drawRegion(s, 3, 1, 7, 6, t, x, 8, t % 2 == 0 ? LT : Graphics.LEFT | Graphics.VCENTER);
            g.drawRegion(mutable, 0, 0, 12, 8, t, (t % 4) * 24 + 2, 24 + (t / 4) * 20, LT);
        }
        return img;
    }

    // Images made by createImage(image, x, y, w, h, transform) from an image with
    // transparency: the notch stays transparent over a grey ground.
    static Image croppedTransforms() throws IOException {
        Image img = Image.createImage(96, 48);
        Graphics g = img.getGraphics();
        g.setColor(0x808080);
        g.fillRect(0, 0, 96, 48);
        Image s = sprite();
        for (int t = 0; t < 8; t++) {
            Image c = Image.createImage(s, 2, 1, 10, 7, t);
            g.drawImage(c, (t % 4) * 24 + 2, (t / 4) * 24 + 2, LT);
        }
        return img;
    }

    // One string at each text anchor around marked points.
    static Image textAnchors() {
        Image img = Image.createImage(120, 96);
        Graphics g = img.getGraphics();
        int[] h = {Graphics.LEFT, Graphics.HCENTER, Graphics.RIGHT};
        int[] v = {Graphics.TOP, Graphics.BASELINE, Graphics.BOTTOM};
        for (int i = 0; i < 3; i++) {
            int x = 20 + i * 40;
            int y = 16 + i * 30;
            g.setColor(0xC00000);
            g.drawLine(0, y, 119, y);
            g.drawLine(x, 0, x, 95);
            g.setColor(0x000000);
            g.drawString("Ag", x, y, h[i] | v[i]);
            g.setColor(0x0000C0);
            g.drawChar('x', x, y, h[(i + 1) % 3] | v[(i + 1) % 3]);
        }
        g.setColor(0x008000);
        g.drawSubstring("sub string", 4, 6, 60, 94, Graphics.HCENTER | Graphics.BOTTOM);
        g.drawChars(new char[] {'c', 'h', 'a', 'r', 's'}, 1, 3, 0, 0, 0);
        return img;
    }

    // A line in each face, style and size, each in its font's height.
    static Image textFonts() {
        Image img = Image.createImage(160, 120);
        Graphics g = img.getGraphics();
        int[] faces = {Font.FACE_SYSTEM, Font.FACE_MONOSPACE, Font.FACE_PROPORTIONAL};
        int[] styles = {Font.STYLE_PLAIN, Font.STYLE_BOLD, Font.STYLE_ITALIC, Font.STYLE_UNDERLINED};
        int[] sizes = {Font.SIZE_SMALL, Font.SIZE_MEDIUM, Font.SIZE_LARGE};
        int y = 0;
        for (int i = 0; i < 3; i++) {
            Font f = Font.getFont(faces[i], styles[i + 1], sizes[i]);
            g.setFont(f);
            g.setColor(0x000000);
            g.drawString("Face" + i, 2, y, LT);
            g.setColor(0xC00000);
            g.drawRect(2, y, f.stringWidth("Face" + i) - 1, f.getHeight() - 1);
            y += f.getHeight() + 2;
        }
        g.setFont(null);
        g.setColor(0x0000C0);
        g.drawString("default", 158, 118, Graphics.RIGHT | Graphics.BOTTOM);
        return img;
    }

    // ARGB blocks with and without alpha, a negative scan length (rows upward), a scan of
    // zero (the same row again), and a block cut by the right edge.
    static Image rgbAlpha() {
        Image img = Image.createImage(64, 64);
        Graphics g = img.getGraphics();
        g.setColor(0x0000C0);
        g.fillRect(0, 0, 64, 8);
        g.fillRect(0, 0, 8, 64);
        int[] rgb = new int[16 * 16];
        for (int y = 0; y < 16; y++) {
            for (int x = 0; x < 16; x++) {
                int alpha = x < 8 ? 0xFF : 0x00;
                rgb[y * 16 + x] = alpha << 24 | (y * 16) << 16 | (x * 16);
            }
        }
        g.drawRGB(rgb, 0, 16, 4, 4, 16, 16, true);
        g.drawRGB(rgb, 0, 16, 24, 4, 16, 16, false);
        g.drawRGB(rgb, 15 * 16, -16, 44, 4, 16, 16, true);
        g.drawRGB(rgb, 8 * 16, 0, 4, 24, 16, 8, false);
        g.drawRGB(rgb, 0, 16, 56, 24, 16, 16, false);
        g.translate(20, 40);
        g.drawRGB(rgb, 17, 16, 0, 0, 6, 6, false);
        return img;
    }

    // Areas copied with anchors, overlapping themselves, and cut by the clip.
    static Image copyArea() {
        Image img = Image.createImage(64, 64);
        Graphics g = img.getGraphics();
        g.setColor(0xC00000);
        g.fillRect(0, 0, 8, 8);
        g.setColor(0x0000C0);
        g.fillRect(8, 0, 8, 8);
        g.setColor(0x000000);
        g.drawLine(0, 0, 15, 7);
        g.copyArea(0, 0, 16, 8, 48, 0, Graphics.LEFT | Graphics.TOP);
        g.copyArea(0, 0, 16, 8, 32, 24, Graphics.HCENTER | Graphics.VCENTER);
        g.copyArea(0, 0, 16, 8, 16, 40, Graphics.RIGHT | Graphics.BOTTOM);
        g.copyArea(0, 0, 16, 8, 4, 4, Graphics.LEFT | Graphics.TOP);
        g.translate(40, 40);
        g.setClip(0, 0, 10, 10);
        g.copyArea(-40, -40, 16, 8, 4, 4, 0);
        return img;
    }

    // Images from PNG resources: with alpha, opaque, and the immutable copy of a mutable one.
    static Image resourceImages() throws IOException {
        Image img = Image.createImage(48, 32);
        Graphics g = img.getGraphics();
        g.setColor(0x808080);
        g.fillRect(0, 0, 48, 32);
        g.drawImage(sprite(), 2, 2, LT);
        g.drawImage(Image.createImage("checker.png"), 18, 2, LT);
        Image mutable = Image.createImage(10, 10);
        Graphics mg = mutable.getGraphics();
        mg.setColor(0x00A000);
        mg.fillArc(0, 0, 10, 10, 0, 360);
        Image copy = Image.createImage(mutable);
        mg.setColor(0xC00000);
        mg.fillRect(0, 0, 10, 10);
        g.drawImage(copy, 30, 2, LT);
        g.drawImage(mutable, 30, 16, LT);
        return img;
    }
}
