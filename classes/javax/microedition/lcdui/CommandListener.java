package javax.microedition.lcdui;

public interface CommandListener {
    void commandAction(Command c, Displayable d);
}
