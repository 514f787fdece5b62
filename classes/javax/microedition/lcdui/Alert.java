package javax.microedition.lcdui;

import com.movane.kiv.KivAlert;
import com.movane.kiv.KivComponent;
import com.movane.kiv.KivMIDP;
import com.movane.kiv.KivTicker;

/**
 * A screen that tells the user something: a title, a text, an image and an activity
 * indicator. It is dismissed after its timeout, or when the user picks one of its
 * commands (DISMISS_COMMAND while it has none of its own); with two or more commands it
 * stays until one is picked. Dismissal goes on to the displayable given to setCurrent.
 */
public class Alert extends Screen {
    public static final int FOREVER = -2;
    public static final Command DISMISS_COMMAND = new Command("", Command.OK, 0);

    private static final int DEFAULT_TIMEOUT = 2000;

    private final KivAlert peer;
    private String text;
    private Image image;
    private AlertType type;
    private int timeout = DEFAULT_TIMEOUT;
    private Gauge indicator;
    /** Where dismissal goes; set by Display.setCurrent. */
    Displayable next;

    public Alert(String title) {
        this(title, null, null, null);
    }

    public Alert(String title, String alertText, Image alertImage, AlertType alertType) {
        peer = new KivAlert(KivMIDP.ALERT);
        setTitle(title);
        setString(alertText);
        setImage(alertImage);
        setType(alertType);
    }

    public int getDefaultTimeout() {
        return DEFAULT_TIMEOUT;
    }

    public int getTimeout() {
        return timeout;
    }

    public void setTimeout(int time) {
        if (time <= 0 && time != FOREVER) {
            throw new IllegalArgumentException("time: " + time);
        }
        timeout = time;
    }

    /** How long it stays when shown: FOREVER while it has two or more commands. */
    int effectiveTimeout() {
        synchronized (commands) {
            return commands.size() >= 2 ? FOREVER : timeout;
        }
    }

    public AlertType getType() {
        return type;
    }

    public void setType(AlertType type) {
        this.type = type;
        peer.setAlertType(type == null ? KivAlert.TYPE_NULL : type.kivType());
    }

    public String getString() {
        return text;
    }

    public void setString(String str) {
        text = str;
        peer.setMessage(str);
    }

    public Image getImage() {
        return image;
    }

    /** A mutable image is copied: later drawing into it does not change the alert. */
    public void setImage(Image img) {
        if (img != null && img.isMutable()) {
            img = Image.createImage(img);
        }
        image = img;
        if (img == null) {
            peer.setImage(KivComponent.INVALID_HANDLE);
        } else if (img.isOffScreen) {
            peer.setOffScreen(img._nId);
        } else {
            peer.setImage(img._nId);
        }
    }

    public Gauge getIndicator() {
        return indicator;
    }

    /**
     * A gauge that is non-interactive, in no other screen, without label, commands,
     * listener, layout or locked size; null removes the indicator.
     */
    public void setIndicator(Gauge gauge) {
        if (gauge != null && gauge != indicator) {
            if (gauge.isInteractive() || gauge.owner != null || !gauge.plainForIndicator()) {
                throw new IllegalArgumentException("the gauge cannot be an alert's indicator");
            }
        }
        if (indicator != null) {
            indicator.owner = null;
        }
        indicator = gauge;
        if (gauge != null) {
            gauge.owner = this;
        }
        peer.setGauge(gauge == null ? null : gauge.peer());
    }

    public void addCommand(Command cmd) {
        if (cmd == DISMISS_COMMAND) {
            // it is there implicitly while the alert has no other command
            return;
        }
        super.addCommand(cmd);
    }

    public void removeCommand(Command cmd) {
        if (cmd == DISMISS_COMMAND) {
            return;
        }
        super.removeCommand(cmd);
    }

    Command[] softKeyCommands() {
        synchronized (commands) {
            if (commands.isEmpty()) {
                Command[] keys = new Command[2];
                keys[0] = DISMISS_COMMAND;
                return keys;
            }
        }
        return super.softKeyCommands();
    }

    KivComponent root() {
        return peer;
    }

    /** A shown alert is active: its own key hook scrolls a text longer than the screen. */
    void showOn(int graphics, int width, int height) {
        super.showOn(graphics, width, height);
        peer.setState(KivComponent.ACTIVE);
    }

    void attachTicker(KivTicker ticker) {
        peer.setTicker(ticker);
    }

    void titleChanged() {
        peer.setTitle(title);
    }

    boolean tick() {
        boolean moved = super.tick();
        if (indicator != null && indicator.tick()) {
            moved = true;
        }
        return moved;
    }

    boolean animated() {
        return super.animated() || (indicator != null && indicator.getMaxValue() == Gauge.INDEFINITE);
    }
}
