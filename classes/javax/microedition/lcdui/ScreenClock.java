package javax.microedition.lcdui;

/**
 * The display's clock for what happens by itself: an alert's timeout and the steps of a
 * shown screen's ticker and indicator. It only posts MIDP events; the display's event
 * thread does the work. At most one tick waits in the queue at a time, so a busy event
 * thread never finds the queue flooded.
 */
final class ScreenClock extends Thread {
    /** A shown screen starts moving after a pause, so that its text can be read first. */
    static final int TICK_PAUSE = 1500;
    static final int TICK_INTERVAL = 150;

    private int alertSerial;
    private long alertDeadline;
    private boolean alertArmed;
    private boolean ticking;
    private boolean tickPosted;
    private long nextTick;

    /** The shown alert of this serial times out after ms milliseconds. */
    synchronized void armAlert(int serial, int ms) {
        alertSerial = serial;
        alertDeadline = System.currentTimeMillis() + ms;
        alertArmed = true;
        notify();
    }

    synchronized void disarmAlert() {
        alertArmed = false;
    }

    synchronized void setTicking(boolean on) {
        if (on && !ticking) {
            nextTick = System.currentTimeMillis() + TICK_PAUSE;
        }
        ticking = on;
        notify();
    }

    /** The event thread took the last tick. */
    synchronized void tickTaken() {
        tickPosted = false;
        notify();
    }

    public void run() {
        for (;;) {
            synchronized (this) {
                long now = System.currentTimeMillis();
                if (alertArmed && now >= alertDeadline) {
                    alertArmed = false;
                    UiEventHandler.nativePostMIDPEvent(UiEventHandler.ALERT_TIMEOUT, alertSerial, 0, 0, 0);
                }
                if (ticking && !tickPosted && now >= nextTick) {
                    tickPosted = true;
                    nextTick = now + TICK_INTERVAL;
                    UiEventHandler.nativePostMIDPEvent(UiEventHandler.TICK, 0, 0, 0, 0);
                }
                long wait = 0;
                if (alertArmed) {
                    wait = alertDeadline - now;
                }
                if (ticking && !tickPosted && (wait == 0 || nextTick - now < wait)) {
                    wait = nextTick - now;
                }
                try {
                    if (!alertArmed && !(ticking && !tickPosted)) {
                        wait();
                    } else if (wait > 0) {
                        wait(wait);
                    }
                } catch (InterruptedException e) {
                    // nothing to stop: the clock runs as long as the display
                }
            }
        }
    }
}
