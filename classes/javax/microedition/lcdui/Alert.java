package javax.microedition.lcdui;

/**
 * An alert's content. Showing one needs the UI toolkit, which is not there yet:
 * Display.setCurrent refuses it with an exception that says so.
 */
public class Alert extends Screen {
    public static final int FOREVER = -2;
    public static final Command DISMISS_COMMAND = new Command("", Command.OK, 0);

    private static final int DEFAULT_TIMEOUT = 2000;

    private String text;
    private Image image;
    private AlertType type;
    private int timeout = DEFAULT_TIMEOUT;

    public Alert(String title) {
        this(title, null, null, null);
    }

    public Alert(String title, String alertText, Image alertImage, AlertType alertType) {
        setTitle(title);
        text = alertText;
        setImage(alertImage);
        type = alertType;
    }

    public int getDefaultTimeout() {
        return DEFAULT_TIMEOUT;
    }

    public int getTimeout() {
        return timeout;
    }

    public void setTimeout(int time) {
        if (time <= 0 && time != FOREVER) {
            throw new IllegalArgumentException();
        }
        timeout = time;
    }

    public AlertType getType() {
        return type;
    }

    public void setType(AlertType type) {
        this.type = type;
    }

    public String getString() {
        return text;
    }

    public void setString(String str) {
        text = str;
    }

    public Image getImage() {
        return image;
    }

    public void setImage(Image img) {
        image = img;
    }
}
