import javax.microedition.midlet.MIDlet;

/** Prints what its descriptor says of it and ends itself. */
public class Greeting extends MIDlet {
    public Greeting() {
        System.out.println("constructed");
    }

    protected void startApp() {
        System.out.println("startApp of " + getAppProperty("MIDlet-Name"));
        System.out.println("greeting: " + getAppProperty("Greeting-Text"));
        System.out.println("absent: " + getAppProperty("No-Such-Key"));
        notifyDestroyed();
    }

    protected void pauseApp() {
        System.out.println("pauseApp");
    }

    protected void destroyApp(boolean unconditional) {
        System.out.println("destroyApp " + unconditional);
    }
}
