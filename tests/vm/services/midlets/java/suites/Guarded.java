package suites;

import com.movane.security.DefaultPermission;
import com.movane.security.PermissionFactory;
import com.movane.security.SecurityManager;
import javax.microedition.midlet.MIDlet;

/**
 * Asks for permissions: the status of each, a use of the test stand-in that must ask
 * the user, and a change of state that only the system may make.
 */
public class Guarded extends MIDlet {
    protected void startApp() {
        String[] names = {"com.movane.test.Protected", "javax.microedition.io.Connector.http",
                "javax.microedition.io.Connector.sms", "com.example.Unknown"};
        for (int i = 0; i < names.length; i++) {
            System.out.println(names[i] + " " + checkPermission(names[i]));
        }
        try {
            SecurityManager.getInstance().checkPermission("com.movane.test.Protected", "the test");
            System.out.println("granted");
        } catch (SecurityException e) {
            System.out.println("SecurityException " + e.getMessage());
        }
        try {
            PermissionFactory.find("com.movane.test.Protected").setState(DefaultPermission.MODE_BLANKET);
            System.out.println("state changed by the MIDlet");
        } catch (SecurityException e) {
            System.out.println("setState refused");
        }
        try {
            checkPermission(null);
        } catch (NullPointerException e) {
            System.out.println("null refused");
        }
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
