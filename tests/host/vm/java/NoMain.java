/**
 * A main class without main: its static initialiser runs, then the run fails.
 */
public class NoMain {
    static {
        System.out.println("initialised");
    }

    public static void noMain(String[] args) {
    }
}
