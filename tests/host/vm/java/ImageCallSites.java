import java.util.Hashtable;
import java.util.Vector;

/**
 * Library code calling back into the program's objects: the same call site in the
 * library sees receivers of different classes in turn and must reach each one's own
 * method (equals and hashCode from Vector and Hashtable, run through Thread).
 */
public class ImageCallSites {
    static class Always {
        public boolean equals(Object o) {
            return true;
        }

        public int hashCode() {
            return 1;
        }
    }

    static class Never extends Always {
        public boolean equals(Object o) {
            return false;
        }

        public int hashCode() {
            return 2;
        }
    }

    static class Named implements Runnable {
        final String name;
        final StringBuffer log;

        Named(String name, StringBuffer log) {
            this.name = name;
            this.log = log;
        }

        public void run() {
            log.append(name);
        }
    }

    static class Other implements Runnable {
        final StringBuffer log;

        Other(StringBuffer log) {
            this.log = log;
        }

        public void run() {
            log.append('*');
        }
    }

    public static void main(String[] args) throws InterruptedException {
        Vector v = new Vector();
        v.addElement("x");
        v.addElement("y");
        StringBuffer found = new StringBuffer();
        Object[] probes = {new Always(), new Never(), "y", new Always(), "z", new Never(), "x"};
        for (int round = 0; round < 3; round++) {
            for (int i = 0; i < probes.length; i++) found.append(v.indexOf(probes[i])).append(' ');
        }
        System.out.println("indexOf: " + found.toString().trim());

        Hashtable t = new Hashtable();
        Object always = new Always(), never = new Never();
        t.put(always, "always");
        t.put(never, "never");
        t.put("k", "string");
        StringBuffer got = new StringBuffer();
        Object[] keys = {new Always(), new Never(), "k", never, always, new Never(), "q"};
        for (int round = 0; round < 2; round++) {
            for (int i = 0; i < keys.length; i++) got.append(t.get(keys[i])).append(' ');
        }
        System.out.println("get: " + got.toString().trim());

        StringBuffer log = new StringBuffer();
        Runnable[] targets = {new Named("a", log), new Other(log), new Named("b", log), new Other(log)};
        for (int round = 0; round < 2; round++) {
            for (int i = 0; i < targets.length; i++) {
                Thread th = new Thread(targets[i]);
                th.start();
                th.join();
            }
        }
        System.out.println("run: " + log);
    }
}
