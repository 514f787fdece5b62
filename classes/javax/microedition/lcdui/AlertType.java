package javax.microedition.lcdui;

public class AlertType {
    public static final AlertType INFO = new AlertType(3);
    public static final AlertType WARNING = new AlertType(4);
    public static final AlertType ERROR = new AlertType(2);
    public static final AlertType ALARM = new AlertType(0);
    public static final AlertType CONFIRMATION = new AlertType(1);

    /** The system sound this type plays; -1 for an application's own type. */
    private final int sound;

    protected AlertType() {
        sound = -1;
    }

    private AlertType(int sound) {
        this.sound = sound;
    }

    public boolean playSound(Display display) {
        if (display == null) {
            throw new NullPointerException();
        }
        return sound >= 0 && nativePlaySound(sound);
    }

    private static native boolean nativePlaySound(int type);
}
