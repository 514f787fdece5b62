package suites;

import javax.microedition.midlet.MIDlet;

/** Prints its application properties. */
public class Properties extends MIDlet {
    private static final String[] KEYS = {"MIDlet-Name", "MIDlet-Version", "Only-Manifest", "Only-Jad", "Both",
                                          "Continued", "Greeting", "Missing"};

    protected void startApp() {
        for (int i = 0; i < KEYS.length; i++) {
            System.out.println(KEYS[i] + "=" + getAppProperty(KEYS[i]));
        }
        // longer than any one buffer the native starts with: read whole, never cut
        String longValue = getAppProperty("Long");
        System.out.println("Long length=" + (longValue == null ? -1 : longValue.length()));
        try {
            getAppProperty(null);
        } catch (NullPointerException e) {
            System.out.println("null key: NullPointerException");
        }
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
