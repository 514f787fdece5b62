package javax.microedition.midlet;

import com.movane.micro.SystemOption;

import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.lcdui.List;

/**
 * The MIDlet selector, run when a suite holds more than one MIDlet: it lists the suite's
 * MIDlets by name and starts the one chosen; its Exit command ends the run.
 */
public class MidletSelector extends MIDlet implements CommandListener {
    private static final String SELF = "javax.microedition.midlet.MidletSelector";

    private List list;
    private Command exit;
    private String[] classes;
    private boolean launched;

    protected void startApp() throws MIDletStateChangeException {
        register();
        nativeNotifySelectorResumed();
        if (list != null) {
            Display.getDisplay(this).setCurrent(list);
            return;
        }
        int n = 0;
        while (getAppProperty("MIDlet-" + (n + 1)) != null) {
            n++;
        }
        if (n == 0) {
            nativeNotifySelectorGoesHidden();
            refuse("MIDlet-1", "the suite names no MIDlet class");
        }
        classes = new String[n];
        list = new List(getAppProperty("MIDlet-Name"), List.IMPLICIT);
        for (int i = 0; i < n; i++) {
            String entry = getAppProperty("MIDlet-" + (i + 1));
            String name = element(entry, 0);
            classes[i] = element(entry, 2);
            // the selector choosing itself would start itself again and again
            if (classes[i].equals(SELF)) {
                nativeNotifySelectorGoesHidden();
                refuse(SELF, "the suite names the selector as its MIDlet");
            }
            list.append(name.length() > 0 ? name : classes[i], null);
        }
        String exitLabel = SystemOption.getOption("midp_selector_exit");
        exit = new Command(exitLabel != null ? exitLabel : "Exit", Command.EXIT, 1);
        list.addCommand(exit);
        list.setCommandListener(this);
        Display.getDisplay(this).setCurrent(list);
    }

    public void commandAction(Command c, Displayable d) {
        if (c == exit) {
            nativeNotifySelectorGoesHidden();
            notifyDestroyed();
            return;
        }
        if (c != List.SELECT_COMMAND || launched) {
            return;
        }
        int chosen = list.getSelectedIndex();
        if (chosen < 0) {
            return;
        }
        nativeNotifySelectorGoesHidden();
        String className = classes[chosen];
        try {
            if (className.length() == 0) {
                refuse("MIDlet-" + (chosen + 1), "the entry names no MIDlet class");
            }
            launched = true;
            launch(className);
        } catch (MIDletStateChangeException e) {
            // said on standard error; the run ends as it would for a MIDlet that cannot start
            notifyDestroyed();
        }
    }

    private void launch(String className) throws MIDletStateChangeException {
        MIDlet midlet;
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
