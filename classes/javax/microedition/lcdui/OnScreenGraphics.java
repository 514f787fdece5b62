package javax.microedition.lcdui;

/** Brackets drawing on the screen: the VM thread draws at a raised priority in between. */
final class OnScreenGraphics {
    private OnScreenGraphics() {
    }

    static native void nativeStartDraw();

    /** Ends the drawing; true has the screen refreshed. */
    static native void nativeEndDraw(boolean refresh);
}
