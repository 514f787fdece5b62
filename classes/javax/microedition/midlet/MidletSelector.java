package javax.microedition.midlet;

/**
 * The MIDlet selector, run when a suite holds more than one MIDlet. Until the suite has a
 * screen to choose on, it lists the suite's MIDlets and launches the first, as a user
 * taking the first entry would.
 */
public class MidletSelector extends MIDlet {
    protected void startApp() throws MIDletStateChangeException {
        register();
        nativeNotifySelectorResumed();
        String chosen = null;
        for (int n = 1;; n++) {
            String entry = getAppProperty("MIDlet-" + n);
            if (entry == null) {
                break;
            }
            String name = element(entry, 0);
            System.out.println("MIDlet-" + n + ": " + name);
            if (chosen == null) {
                chosen = element(entry, 2);
            }
        }
        nativeNotifySelectorGoesHidden();
        if (chosen == null || chosen.length() == 0) {
            refuse("MIDlet-1", "the suite names no MIDlet class");
        }
        launch(chosen);
    }

    private void launch(String className) throws MIDletStateChangeException {
        MIDlet midlet;
        // the selector launching itself would do so again and again
        if (className.equals("javax.microedition.midlet.MidletSelector")) {
            refuse(className, "the suite names the selector as its MIDlet");
        }
        _state = STATE_DESTROYED;  // the selector steps aside for the MIDlet it starts
        try {
            Class c = Class.forName(className);
            if (!Class.forName("javax.microedition.midlet.MIDlet").isAssignableFrom(c)) {
                refuse(className, "it is not a MIDlet");
            }
            midlet = (MIDlet) c.newInstance();
        } catch (MIDletStateChangeException e) {
            throw e;
        } catch (Throwable t) {
            refuse(className, t.toString());
            return;
        }
        nativeSetAppStart();
        midlet.startAppWrap();
    }

    /** Says why, then the selector is destroyed as a MIDlet that would not start. */
    private void refuse(String className, String why) throws MIDletStateChangeException {
        _state = STATE_LOADED;
        System.err.println("Movane_VM: the MIDlet " + className + " could not be started: " + why);
        throw new MIDletStateChangeException("Launching " + className + " failed.");
    }

    /** Element n (from 0) of a comma-separated list, trimmed. */
    static String element(String list, int n) {
        int start = 0;
        for (int i = 0; i < n; i++) {
            start = list.indexOf(',', start) + 1;
            if (start == 0) {
                return "";
            }
        }
        int end = list.indexOf(',', start);
        return (end < 0 ? list.substring(start) : list.substring(start, end)).trim();
    }

    protected void pauseApp() {
        nativeNotifySelectorGoesHidden();
    }

    protected void destroyApp(boolean unconditional) {
    }

    private static native void nativeNotifySelectorResumed();

    private static native void nativeNotifySelectorGoesHidden();

    private static native void nativeSetAppStart();

    private static native void register();
}
