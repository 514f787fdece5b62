package com.movane.kiv;

/**
 * The Java half of a toolkit component: kivHandle names the native component, which the
 * natives of the subclasses create and a native finalizer deletes with the object. The
 * toolkit starts with the first use of this class.
 */
public abstract class KivComponent {
    public static final int DISABLED;
    public static final int ENABLED;
    public static final int FOCUSED;
    public static final int ACTIVE;
    public static final int FOCUS_POLICY_OCCUPY;
    public static final int FOCUS_POLICY_SMOOTH;
    public static final int INVALID_HANDLE;
    public static final int ALIGN_X_CENTER;
    public static final int ALIGN_X_LEFT;
    public static final int ALIGN_X_RIGHT;
    public static final int COLOR_BACKGROUND;
    public static final int COLOR_FOREGROUND;
    public static final int COLOR_FOCUSED_BACKGROUND;
    public static final int COLOR_FOCUSED_FOREGROUND;
    public static final int COLOR_BORDER;
    public static final int COLOR_FOCUSED_BORDER;
    public static final int DIR_LTR;
    public static final int DIR_RTL;

    /** Key event kinds of the toolkit. */
    public static final int KEY_RELEASED = 1;
    public static final int KEY_REPEATED = 2;
    public static final int KEY_PRESSED = 3;

    static {
        if (!nativeInit()) {
            throw new Error("the GUI toolkit cannot start");
        }
        DISABLED = nativeGetDisabled();
        ENABLED = nativeGetEnabled();
        FOCUSED = nativeGetFocused();
        ACTIVE = nativeGetActive();
        FOCUS_POLICY_OCCUPY = nativeGetFocusPolicyOccupy();
        FOCUS_POLICY_SMOOTH = nativeGetFocusPolicySmooth();
        INVALID_HANDLE = nativeGetInvalidHandle();
        ALIGN_X_CENTER = nativeGetAlignXCenter();
        ALIGN_X_LEFT = nativeGetAlignXLeft();
        ALIGN_X_RIGHT = nativeGetAlignXRight();
        COLOR_BACKGROUND = nativeGetPrefGlobalColorBackground();
        COLOR_FOREGROUND = nativeGetPrefGlobalColorForeground();
        COLOR_FOCUSED_BACKGROUND = nativeGetPrefGlobalColorFocusedBackground();
        COLOR_FOCUSED_FOREGROUND = nativeGetPrefGlobalColorFocusedForeground();
        COLOR_BORDER = nativeGetPrefGlobalColorBorder();
        COLOR_FOCUSED_BORDER = nativeGetPrefGlobalColorFocusedBorder();
        DIR_LTR = nativeGetDirLtr();
        DIR_RTL = nativeGetDirRtl();
    }

    /** -1 until the subclass's creation succeeded; the finalizer passes over it. */
    protected int kivHandle = -1;

    protected KivComponent() {
    }

    public int handle() {
        return kivHandle;
    }

    private static native boolean nativeInit();

    /** A fresh context on the screen; answers true or throws OutOfMemoryError. */
    public static native boolean nativeUIGraphicsInit();

    public static native int getPrefGlobalColor(int index);

    /** The toolkit's graphics context on the screen. */
    public static native int getGraphics();

    public static native void relayoutAll();

    public static native void setGrobalLanguageDirection(int direction);

    public native int getType();

    public native void setFocusPolicy(int policy);

    public native int getFocusPolicy();

    public native void setState(int state);

    public native int getState();

    public native void setAlignmentX(int alignment);

    public native void setLocation(int x, int y);

    public native int getX();

    public native int getY();

    public native void setSize(int width, int height);

    public native int getWidth();

    public native int getHeight();

    public native int getPreferredWidth();

    public native int getPreferredHeight();

    public native int getPreferredWidthWithRespectToHeight(int height);

    public native int getPreferredHeightWithRespectToWidth(int width);

    public native int getMinimumWidth();

    public native int getMinimumHeight();

    public native int getInsetTop();

    public native int getInsetLeft();

    public native int getInsetRight();

    public native int getInsetBottom();

    public native void setFont(int font);

    public native void setTruncateMode(boolean truncate);

    public native void show(int graphics);

    public native void paint(int graphics);

    public native void hide();

    /** kind: KEY_PRESSED, KEY_REPEATED or KEY_RELEASED; key: a toolkit key code. */
    public native int processKeyEvent(int kind, int key, char character);

    public native int processPointerEvent(int kind, int argument, int x, int y);

    private static native int nativeGetDisabled();

    private static native int nativeGetEnabled();

    private static native int nativeGetFocused();

    private static native int nativeGetActive();

    private static native int nativeGetFocusPolicyOccupy();

    private static native int nativeGetFocusPolicySmooth();

    private static native int nativeGetInvalidHandle();

    private static native int nativeGetTrue();

    private static native int nativeGetFalse();

    private static native int nativeGetPrefGlobalColorBackground();

    private static native int nativeGetPrefGlobalColorForeground();

    private static native int nativeGetPrefGlobalColorFocusedBackground();

    private static native int nativeGetPrefGlobalColorFocusedForeground();

    private static native int nativeGetPrefGlobalColorBorder();

    private static native int nativeGetPrefGlobalColorFocusedBorder();

    private static native int nativeGetAlignXCenter();

    private static native int nativeGetAlignXLeft();

    private static native int nativeGetAlignXRight();

    private static native int nativeGetDirLtr();

    private static native int nativeGetDirRtl();
}
