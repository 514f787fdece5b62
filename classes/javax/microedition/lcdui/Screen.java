package javax.microedition.lcdui;

/** The high-level screens. None can be shown until the UI toolkit is there. */
public abstract class Screen extends Displayable {
    Screen() {
    }
}
