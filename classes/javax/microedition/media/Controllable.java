package javax.microedition.media;

/** An object that hands out controls by name. */
public interface Controllable {
    Control[] getControls();

    Control getControl(String controlType);
}
