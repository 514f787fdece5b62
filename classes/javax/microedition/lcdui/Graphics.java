package javax.microedition.lcdui;

/**
 * Drawing onto the screen or a mutable image. The state a MIDlet sets lives in the fields
 * below, which the natives read by name: the clip and the upper clip in translated
 * coordinates, the origin offset (device = MIDlet + offset), the colour. The natives check
 * their own arguments and throw the MIDP exceptions.
 */
public class Graphics {

    public static final int HCENTER = 1;
    public static final int VCENTER = 2;
    public static final int LEFT = 4;
    public static final int RIGHT = 8;
    public static final int TOP = 16;
    public static final int BOTTOM = 32;
    public static final int BASELINE = 64;

    public static final int SOLID = 0;
    public static final int DOTTED = 1;

    // Read and written by the natives by name.
    int _nId;
    int _nIdScreen;
    int WIDTH;
    int HEIGHT;
    int _nClipX;
    int _nClipY;
    int _nClipW;
    int _nClipH;
    int _nUpperClipX;
    int _nUpperClipY;
    int _nUpperClipW;
    int _nUpperClipH;
    int _nOriginOffsetX;
    int _nOriginOffsetY;
    int _nRGB;

    /** Where the canvas starts on the screen: hidden from the MIDlet's translation. */
    private int baseY;
    private Font font;
    // The image drawn into: its surface lives as long as the Image object does.
    private Image target;

    static {
        initializeFieldIndex();
        registNativeFinalizer();
    }

    /**
     * A Graphics on the surface with the given handle (0: the screen) of the given size,
     * with no translation, the whole surface as clip and upper clip, black, solid, in the
     * default font.
     */
    Graphics(int surface, int width, int height) {
        _nIdScreen = surface;
        _nId = nativeCreateGraphics(surface);
        WIDTH = width;
        HEIGHT = height;
        _nClipW = width;
        _nClipH = height;
        _nUpperClipW = width;
        _nUpperClipH = height;
        font = Font.getDefaultFont();
        nativeSetFont(font._nId);
    }

    /** A Graphics that draws into the mutable image. */
    static Graphics forImage(Image image) {
        Graphics g = new Graphics(image._nId, image._nWidth, image._nHeight);
        g.target = image;
        return g;
    }

    /** A Graphics that draws onto the screen, which is width x height pixels now. */
    static Graphics forScreen(int width, int height) {
        return new Graphics(0, width, height);
    }

    /**
     * Back to the state of a new Graphics on a surface now width x height pixels:
     * no translation, the whole surface as clip and upper clip, black, solid, the
     * default font.
     */
    void reset(int width, int height) {
        WIDTH = width;
        HEIGHT = height;
        _nOriginOffsetX = 0;
        _nOriginOffsetY = 0;
        baseY = 0;
        setUpperClip(0, 0, width, height);
        setClip(0, 0, width, height);
        setColor(0);
        setStrokeStyle(SOLID);
        setFont(null);
    }

    // ------------------------------------------------------------------------
    // Translation and clip

    public native void translate(int x, int y);

    /** Absolute translation: the origin offset becomes (x, y). */
    native void setOrigin(int x, int y);

    public int getTranslateX() {
        return _nOriginOffsetX;
    }

    public int getTranslateY() {
        return _nOriginOffsetY - baseY;
    }

    /**
     * Makes (0, top) of the surface the MIDlet's origin, with no translation as far as
     * the MIDlet can tell; the caller sets the clips.
     */
    void setBase(int top) {
        setOrigin(0, top);
        baseY = top;
    }

    public int getClipX() {
        return _nClipX;
    }

    public int getClipY() {
        return _nClipY;
    }

    public int getClipWidth() {
        return _nClipW;
    }

    public int getClipHeight() {
        return _nClipH;
    }

    public native void clipRect(int x, int y, int width, int height);

    public native void setClip(int x, int y, int width, int height);

    /** The outer limit every clip is cut to, in translated coordinates. */
    native void setUpperClip(int x, int y, int width, int height);

    /**
     * Fills the whole surface white, whatever the clip. The context is left white with the
     * whole surface as clip (the fields keep what the MIDlet set): call setColor and
     * setClip again before drawing on.
     */
    native void clearRect();

    // ------------------------------------------------------------------------
    // Colour, stroke, font

    public native void setColor(int red, int green, int blue);

    public native void setColor(int rgb);

    public int getColor() {
        return _nRGB;
    }

    public int getRedComponent() {
        return (_nRGB >> 16) & 0xFF;
    }

    public int getGreenComponent() {
        return (_nRGB >> 8) & 0xFF;
    }

    public int getBlueComponent() {
        return _nRGB & 0xFF;
    }

    public native void setGrayScale(int value);

    public native int getGrayScale();

    public native int getDisplayColor(int color);

    public native void setStrokeStyle(int style);

    public native int getStrokeStyle();

    public void setFont(Font font) {
        if (font == null) {
            font = Font.getDefaultFont();
        }
        this.font = font;
        nativeSetFont(font._nId);
    }

    public Font getFont() {
        return font;
    }

    // ------------------------------------------------------------------------
    // Shapes

    public native void drawLine(int x1, int y1, int x2, int y2);

    public native void drawRect(int x, int y, int width, int height);

    public native void fillRect(int x, int y, int width, int height);

    public native void drawRoundRect(int x, int y, int width, int height, int arcWidth, int arcHeight);

    public native void fillRoundRect(int x, int y, int width, int height, int arcWidth, int arcHeight);

    public native void drawArc(int x, int y, int width, int height, int startAngle, int arcAngle);

    public native void fillArc(int x, int y, int width, int height, int startAngle, int arcAngle);

    public native void fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3);

    // ------------------------------------------------------------------------
    // Text

    public native void drawString(String str, int x, int y, int anchor);

    public native void drawSubstring(String str, int offset, int len, int x, int y, int anchor);

    public native void drawChar(char character, int x, int y, int anchor);

    public native void drawChars(char[] data, int offset, int length, int x, int y, int anchor);

    // ------------------------------------------------------------------------
    // Images and pixels

    public native void drawImage(Image img, int x, int y, int anchor);

    public native void drawRegion(Image src, int x_src, int y_src, int width, int height, int transform,
            int x_dest, int y_dest, int anchor);

    public native void drawRGB(int[] rgbData, int offset, int scanlength, int x, int y, int width, int height,
            boolean processAlpha);

    public native void copyArea(int x_src, int y_src, int width, int height, int x_dest, int y_dest, int anchor);

    // ------------------------------------------------------------------------

    private static native int nativeCreateGraphics(int surface);

    private native void nativeSetFont(int font);

    static native int nativeGetInvalidHandle();

    private static native void initializeFieldIndex();

    private static native void registNativeFinalizer();
}
