import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;
import javax.microedition.lcdui.game.Sprite;
import javax.microedition.lcdui.game.TiledLayer;

/**
 * Sprites painted into a mutable image: each transform, the reference pixel held on one
 * screen point through every transform, frame sequences, new images, copies, translation
 * and clip, and the argument errors with their messages.
 */
public class SpriteTest {

    static final String[] TRANSFORMS = {"NONE", "MIRROR_ROT180", "MIRROR", "ROT180", "MIRROR_ROT270", "ROT90",
            "ROT270", "MIRROR_ROT90"};

    // two 3 x 2 frames; the second has a transparent pixel
    static final Image SHEET = Pic.image(new String[] {"RGBMCY", "YCMB-R"});
    // four 3 x 2 frames in two rows, told apart by their top-left pixel: R, M, K, G
    static final Image FOUR = Pic.image(new String[] {"RGBMCY", "YCMB-R", "KKKGGG", "KKKGGG"});

    public static void main(String[] args) {
        transforms();
        referencePixel();
        frames();
        newImages();
        copies();
        translationAndClip();
        errors();
    }

    static void transforms() {
        Image canvas = Image.createImage(7, 7);
        for (int t = 0; t < 8; t++) {
            Sprite s = new Sprite(SHEET, 3, 2);
            s.setFrame(1);
            s.setTransform(t);
            s.setPosition(2, 2);
            Pic.clear(canvas);
            s.paint(canvas.getGraphics());
            Pic.show(TRANSFORMS[t] + ": " + s.getWidth() + " x " + s.getHeight(), canvas);
        }
    }

    static void referencePixel() {
        // the reference pixel is frame pixel (2, 1), an M; it stays on (4, 4)
        Image canvas = Image.createImage(9, 9);
        Sprite s = new Sprite(SHEET, 3, 2);
        s.defineReferencePixel(2, 1);
        System.out.println("defined: position " + s.getX() + "," + s.getY() + " reference " + s.getRefPixelX() + ","
                + s.getRefPixelY());
        s.setRefPixelPosition(4, 4);
        int[] order = {5, 3, 0, 7, 1, 6, 2, 4, 0};
        for (int i = 0; i < order.length; i++) {
            s.setTransform(order[i]);
            Pic.clear(canvas);
            s.paint(canvas.getGraphics());
            Pic.show(TRANSFORMS[order[i]] + ": position " + s.getX() + "," + s.getY() + " size " + s.getWidth() + " x "
                    + s.getHeight() + " reference " + s.getRefPixelX() + "," + s.getRefPixelY() + " shows "
                    + Pic.at(canvas, 4, 4), canvas);
        }
        // a bad transform changes nothing
        s.setTransform(Sprite.TRANS_ROT90);
        try {
            s.setTransform(8);
        } catch (IllegalArgumentException e) {
            System.out.println("transform 8: " + Pic.outcome(e));
        }
        System.out.println("after it: position " + s.getX() + "," + s.getY() + " size " + s.getWidth() + " x "
                + s.getHeight() + " reference " + s.getRefPixelX() + "," + s.getRefPixelY());
        // a new reference pixel leaves the position alone
        s.defineReferencePixel(0, 0);
        System.out.println("redefined under ROT90: position " + s.getX() + "," + s.getY() + " reference "
                + s.getRefPixelX() + "," + s.getRefPixelY());
    }

    static char shown(Sprite s, Image canvas) {
        Pic.clear(canvas);
        s.setPosition(0, 0);
        s.paint(canvas.getGraphics());
        return Pic.at(canvas, 0, 0);
    }

    static void frames() {
        Image canvas = Image.createImage(3, 2);
        Sprite s = new Sprite(FOUR, 3, 2);
        System.out.println("raw frames " + s.getRawFrameCount() + ", sequence " + s.getFrameSequenceLength());
        StringBuffer walk = new StringBuffer("next:");
        for (int i = 0; i < 5; i++) {
            walk.append(' ').append(s.getFrame()).append(shown(s, canvas));
            s.nextFrame();
        }
        walk.append(" prev:");
        for (int i = 0; i < 5; i++) {
            walk.append(' ').append(s.getFrame()).append(shown(s, canvas));
            s.prevFrame();
        }
        System.out.println(walk.toString());
        int[] sequence = {3, 3, 1, 2};
        s.setFrameSequence(sequence);
        sequence[0] = 0;  // the sprite keeps its own copy
        walk.setLength(0);
        walk.append("sequence 3 3 1 2:");
        for (int i = 0; i < 5; i++) {
            walk.append(' ').append(s.getFrame()).append(shown(s, canvas));
            s.nextFrame();
        }
        s.setFrame(2);
        walk.append(", set 2: ").append(shown(s, canvas));
        s.prevFrame();
        s.prevFrame();
        s.prevFrame();
        walk.append(", back 3: ").append(s.getFrame()).append(shown(s, canvas));
        System.out.println(walk.toString() + ", length " + s.getFrameSequenceLength());
        s.setFrameSequence(null);
        System.out.println("default again: length " + s.getFrameSequenceLength() + ", frame " + s.getFrame()
                + shown(s, canvas));
    }

    static String state(Sprite s) {
        return "frame " + s.getFrame() + " of " + s.getFrameSequenceLength() + " (raw " + s.getRawFrameCount()
                + "), position " + s.getX() + "," + s.getY() + ", size " + s.getWidth() + " x " + s.getHeight()
                + ", reference " + s.getRefPixelX() + "," + s.getRefPixelY();
    }

    static void newImages() {
        Image canvas = Image.createImage(3, 2);
        Sprite s = new Sprite(SHEET, 3, 2);
        s.setFrameSequence(new int[] {1, 0});
        s.setFrame(1);
        s.setImage(FOUR, 3, 2);
        System.out.println("more frames keep the sequence: " + state(s) + ", shows " + shown(s, canvas));
        s.setImage(FOUR, 3, 2);
        System.out.println("as many keep it too: " + state(s));
        s.setFrameSequence(new int[] {3, 2, 1});
        s.setFrame(2);
        s.setImage(SHEET, 3, 2);
        System.out.println("fewer restore the default: " + state(s) + ", shows " + shown(s, canvas));

        // a new frame size keeps the reference pixel where it is and resets the collision rectangle
        Sprite r = new Sprite(SHEET, 3, 2);
        r.defineReferencePixel(1, 1);
        r.setTransform(Sprite.TRANS_ROT90);
        r.setRefPixelPosition(10, 10);
        r.defineCollisionRectangle(1, 0, 1, 1);
        System.out.println("before: " + state(r));
        r.setImage(FOUR, 6, 4);
        System.out.println("one 6 x 4 frame: " + state(r));
        Sprite probe = new Sprite(Pic.image(new String[] {"K"}));
        probe.setPosition(r.getX(), r.getY());
        System.out.println("its top-left corner collides: " + r.collidesWith(probe, false));
    }

    static void copies() {
        Image canvas = Image.createImage(7, 7);
        Sprite s = new Sprite(FOUR, 3, 2);
        s.setFrameSequence(new int[] {2, 1, 0});
        s.setFrame(1);
        s.defineReferencePixel(2, 0);
        s.setTransform(Sprite.TRANS_MIRROR_ROT90);
        s.setRefPixelPosition(3, 3);
        s.defineCollisionRectangle(0, 1, 3, 1);
        Sprite c = new Sprite(s);
        System.out.println("original: " + state(s));
        System.out.println("copy:     " + state(c));
        Pic.clear(canvas);
        c.paint(canvas.getGraphics());
        Pic.show("the copy painted", canvas);
        c.nextFrame();
        System.out.println("the copy moves on alone: " + c.getFrame() + " against " + s.getFrame());
        s.setVisible(false);
        System.out.println("a copy of an invisible sprite is invisible: " + !new Sprite(s).isVisible());
    }

    static void translationAndClip() {
        Image canvas = Image.createImage(7, 5);
        Sprite s = new Sprite(SHEET, 3, 2);
        s.setPosition(1, 1);
        Pic.clear(canvas);
        Graphics g = canvas.getGraphics();
        g.translate(2, 1);
        s.paint(g);
        g.translate(-2, -1);
        g.setClip(0, 0, 2, 5);
        s.paint(g);
        Pic.show("translated by 2,1, then again untranslated with a clip two columns wide", canvas);
        s.setVisible(false);
        Pic.clear(canvas);
        s.paint(canvas.getGraphics());
        Pic.show("invisible", canvas);
    }

    static final String[] ERRORS = {"image null", "image null with a frame size", "frame width 0",
            "frame width not dividing the image", "frame height not dividing the image", "copy of null",
            "transform 8", "transform -1", "frame -1", "frame 2 of 2", "empty sequence", "sequence past the frames",
            "negative sequence entry", "collision width -1", "collision height -1", "paint null",
            "paint null while invisible", "collides with null sprite", "collides with null tiled layer",
            "collides with null image", "new image null", "new image with frame 0 x 2",
            "image 65536 pixels wide"};

    static void attempt(int i, Sprite s) {
        switch (i) {
            case 0: new Sprite((Image) null); break;
            case 1: new Sprite(null, 1, 1); break;
            case 2: new Sprite(SHEET, 0, 2); break;
            case 3: new Sprite(SHEET, 4, 2); break;
            case 4: new Sprite(SHEET, 3, 3); break;
            case 5: new Sprite((Sprite) null); break;
            case 6: s.setTransform(8); break;
            case 7: s.setTransform(-1); break;
            case 8: s.setFrame(-1); break;
            case 9: s.setFrame(2); break;
            case 10: s.setFrameSequence(new int[0]); break;
            case 11: s.setFrameSequence(new int[] {0, 2}); break;
            case 12: s.setFrameSequence(new int[] {-1}); break;
            case 13: s.defineCollisionRectangle(0, 0, -1, 1); break;
            case 14: s.defineCollisionRectangle(0, 0, 1, -1); break;
            case 15: s.paint(null); break;
            case 16: s.setVisible(false); s.paint(null); break;
            case 17: s.collidesWith((Sprite) null, true); break;
            case 18: s.collidesWith((TiledLayer) null, false); break;
            case 19: s.collidesWith((Image) null, 0, 0, true); break;
            case 20: s.setImage(null, 3, 2); break;
            case 21: s.setImage(SHEET, 0, 2); break;
            case 22: new Sprite(Image.createImage(65536, 1), 1, 1); break;
            default: throw new RuntimeException("no case " + i);
        }
    }

    static void errors() {
        for (int i = 0; i < ERRORS.length; i++) {
            Sprite s = new Sprite(SHEET, 3, 2);
            s.setFrame(1);
            String before = state(s);
            Throwable caught = null;
            try {
                attempt(i, s);
            } catch (Throwable t) {
                caught = t;
            }
            String after = state(s);
            System.out.println(ERRORS[i] + ": " + Pic.outcome(caught) + (after.equals(before) ? "" : ", changed " + after));
        }
    }
}
