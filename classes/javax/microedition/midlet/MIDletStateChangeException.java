package javax.microedition.midlet;

/** Thrown by a MIDlet that refuses a change of its state. */
public class MIDletStateChangeException extends Exception {
    public MIDletStateChangeException() {
    }

    public MIDletStateChangeException(String message) {
        super(message);
    }
}
