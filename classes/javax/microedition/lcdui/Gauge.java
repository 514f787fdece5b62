package javax.microedition.lcdui;

import com.movane.kiv.KivGauge;
import com.movane.kiv.KivMIDP;

/**
 * A bar graph of a value. A non-interactive gauge may be the indicator of an alert; an
 * indefinite one shows activity instead of a value: idle, updating step by step, or
 * running on its own.
 */
public class Gauge extends Item {
    public static final int INDEFINITE = -1;
    public static final int CONTINUOUS_IDLE = 0;
    public static final int INCREMENTAL_IDLE = 1;
    public static final int CONTINUOUS_RUNNING = 2;
    public static final int INCREMENTAL_UPDATING = 3;

    private final boolean interactive;
    private int maxValue;
    private int value;
    private KivGauge peer;

    public Gauge(String label, boolean interactive, int maxValue, int initialValue) {
        super(label);
        this.interactive = interactive;
        checkMaximum(maxValue);
        this.maxValue = maxValue;
        this.value = checkValue(maxValue, initialValue);
    }

    public void setValue(int value) {
        int v = checkValue(maxValue, value);
        int old = this.value;
        this.value = v;
        if (peer == null) {
            return;
        }
        if (maxValue != INDEFINITE) {
            peer.setValue(v);
        } else if (v == INCREMENTAL_UPDATING) {
            // each update moves the bar one step
            peer.increment(KivGauge.INCREMENTAL);
        } else if (v != old) {
            peer.idle(v == CONTINUOUS_RUNNING || v == CONTINUOUS_IDLE ? KivGauge.CONTINUOUS : KivGauge.INCREMENTAL);
        }
    }

    public int getValue() {
        return value;
    }

    public void setMaxValue(int maxValue) {
        checkMaximum(maxValue);
        int old = this.maxValue;
        this.maxValue = maxValue;
        if (old == INDEFINITE && maxValue != INDEFINITE) {
            value = 0;
        } else if (old != INDEFINITE && maxValue == INDEFINITE) {
            value = CONTINUOUS_IDLE;
        } else if (maxValue != INDEFINITE && value > maxValue) {
            value = maxValue;
        }
        if (peer != null) {
            applyTo(peer);
        }
    }

    public int getMaxValue() {
        return maxValue;
    }

    public boolean isInteractive() {
        return interactive;
    }

    private void checkMaximum(int max) {
        if (max > 0 || (max == INDEFINITE && !interactive)) {
            return;
        }
        throw new IllegalArgumentException("maxValue: " + max);
    }

    /** An indefinite gauge takes one of its four states; a definite one is cut to 0..max. */
    private static int checkValue(int max, int v) {
        if (max == INDEFINITE) {
            if (v < CONTINUOUS_IDLE || v > INCREMENTAL_UPDATING) {
                throw new IllegalArgumentException("value: " + v);
            }
            return v;
        }
        return v < 0 ? 0 : v > max ? max : v;
    }

    /** The toolkit's gauge for a screen to show, made on first use. */
    KivGauge peer() {
        if (peer == null) {
            KivGauge g = new KivGauge(interactive ? KivMIDP.GAUGE_INTERACTIVE : KivMIDP.GAUGE_NON_INTERACTIVE);
            applyTo(g);
            peer = g;
        }
        return peer;
    }

    private void applyTo(KivGauge g) {
        if (maxValue == INDEFINITE) {
            g.setMode(KivGauge.INDEFINITE);
            g.idle(value == CONTINUOUS_IDLE || value == CONTINUOUS_RUNNING ? KivGauge.CONTINUOUS
                    : KivGauge.INCREMENTAL);
        } else {
            g.setMode(KivGauge.NORMAL);
            g.setMaxValue(maxValue);
            g.setValue(value);
        }
    }

    /** A running indefinite gauge moves one step at each tick of its screen. */
    boolean tick() {
        if (peer == null || maxValue != INDEFINITE || value != CONTINUOUS_RUNNING) {
            return false;
        }
        peer.increment(KivGauge.CONTINUOUS);
        return true;
    }

    int naturalWidth() {
        return peer().getPreferredWidth();
    }

    int naturalHeight() {
        return peer().getPreferredHeight();
    }
}
