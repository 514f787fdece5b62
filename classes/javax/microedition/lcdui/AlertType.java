package javax.microedition.lcdui;

public class AlertType {
    public static final AlertType INFO = new AlertType(3, 1);
    public static final AlertType WARNING = new AlertType(4, 2);
    public static final AlertType ERROR = new AlertType(2, 3);
    public static final AlertType ALARM = new AlertType(0, 4);
    public static final AlertType CONFIRMATION = new AlertType(1, 5);

    /** The system sound this type plays; -1 for an application's own type. */
    private final int sound;
    /** The alert type the toolkit stores; 0 for an application's own type. */
    private final int kind;

    protected AlertType() {
        sound = -1;
        kind = 0;
    }

    private AlertType(int sound, int kind) {
        this.sound = sound;
        this.kind = kind;
    }

    int kivType() {
        return kind;
    }

    public boolean playSound(Display display) {
        if (display == null) {
            throw new NullPointerException();
        }
        return sound >= 0 && nativePlaySound(sound);
    }

    private static native boolean nativePlaySound(int type);
}
