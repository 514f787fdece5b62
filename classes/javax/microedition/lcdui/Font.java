package javax.microedition.lcdui;

/**
 * A font: its face, style and size as asked for, and the handle of the font record that
 * measures and draws it, which the natives read by name.
 */
public final class Font {

    public static final int FACE_SYSTEM = 0;
    public static final int FACE_MONOSPACE = 32;
    public static final int FACE_PROPORTIONAL = 64;

    public static final int STYLE_PLAIN = 0;
    public static final int STYLE_BOLD = 1;
    public static final int STYLE_ITALIC = 2;
    public static final int STYLE_UNDERLINED = 4;

    public static final int SIZE_SMALL = 8;
    public static final int SIZE_MEDIUM = 0;
    public static final int SIZE_LARGE = 16;

    public static final int FONT_STATIC_TEXT = 0;
    public static final int FONT_INPUT_TEXT = 1;

    // Read by the natives by name.
    int _nId;
    boolean isDefault;

    private final int face;
    private final int style;
    private final int size;

    // One object per face, style and size, made when first asked for.
    private static final Font[] fonts = new Font[3 * 8 * 3];
    private static Font defaultFont;

    static {
        initializeIndex();
        registNativeFinalizer();
    }

    private Font(int face, int style, int size, int handle) {
        this.face = face;
        this.style = style;
        this.size = size;
        _nId = handle;
    }

    public static Font getDefaultFont() {
        if (defaultFont == null) {
            Font f = new Font(FACE_SYSTEM, STYLE_PLAIN, SIZE_MEDIUM, nativeGetDefault(FACE_SYSTEM));
            f.isDefault = true;
            defaultFont = f;
        }
        return defaultFont;
    }

    public static Font getFont(int fontSpecifier) {
        if (fontSpecifier != FONT_STATIC_TEXT && fontSpecifier != FONT_INPUT_TEXT) {
            throw new IllegalArgumentException();
        }
        return getDefaultFont();
    }

    public static Font getFont(int face, int style, int size) {
        if (face != FACE_SYSTEM && face != FACE_MONOSPACE && face != FACE_PROPORTIONAL) {
            throw new IllegalArgumentException();
        }
        if ((style & ~(STYLE_BOLD | STYLE_ITALIC | STYLE_UNDERLINED)) != 0) {
            throw new IllegalArgumentException();
        }
        if (size != SIZE_SMALL && size != SIZE_MEDIUM && size != SIZE_LARGE) {
            throw new IllegalArgumentException();
        }
        if (face == FACE_SYSTEM && style == STYLE_PLAIN && size == SIZE_MEDIUM) {
            return getDefaultFont();
        }
        int sizeIndex = size == SIZE_SMALL ? 0 : size == SIZE_MEDIUM ? 1 : 2;
        int slot = (face / 32 * 8 + style) * 3 + sizeIndex;
        Font f = fonts[slot];
        if (f == null) {
            f = new Font(face, style, size, nativeCreateFont(face | style, size));
            fonts[slot] = f;
        }
        return f;
    }

    public int getStyle() {
        return style;
    }

    public int getSize() {
        return size;
    }

    public int getFace() {
        return face;
    }

    public boolean isPlain() {
        return style == STYLE_PLAIN;
    }

    public boolean isBold() {
        return (style & STYLE_BOLD) != 0;
    }

    public boolean isItalic() {
        return (style & STYLE_ITALIC) != 0;
    }

    public boolean isUnderlined() {
        return (style & STYLE_UNDERLINED) != 0;
    }

    public int getHeight() {
        return nativeGetHeight(_nId);
    }

    public int getBaselinePosition() {
        return nativeGetBaselinePosition(_nId);
    }

    public native int charWidth(char ch);

    public native int charsWidth(char[] ch, int offset, int length);

    public int stringWidth(String str) {
        if (str == null) {
            throw new NullPointerException();
        }
        return substringWidth(str, 0, str.length());
    }

    public native int substringWidth(String str, int offset, int len);

    // ------------------------------------------------------------------------

    private static native void initializeIndex();

    private static native int nativeCreateFont(int faceStyle, int size);

    private static native int nativeGetDefault(int face);

    private static native int nativeGetHeight(int font);

    private static native int nativeGetBaselinePosition(int font);

    static native int nativeGetType(int font);

    static native int nativeGetSize(int font);

    static native int nativeGetInvalidHandle();

    private static native void registNativeFinalizer();
}
