package javax.microedition.lcdui;

/**
 * The Graphics the toolkit's screens paint with: the clip, origin and context fields of
 * Graphics, whose indexes it keeps for the toolkit's own natives.
 */
class UIGraphics extends Graphics {

    static {
        nativeInit();
    }

    UIGraphics(int surface, int width, int height) {
        super(surface, width, height);
    }

    private static native int nativeInit();
}
