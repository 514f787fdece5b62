package javax.microedition.lcdui;

public interface ItemCommandListener {
    void commandAction(Command c, Item item);
}
