package javax.microedition.lcdui;

/**
 * A line of text that runs across the top of a screen. One ticker may be set on several
 * displayables; each shown screen moves its own copy of the text.
 */
public class Ticker {
    private String text;

    public Ticker(String str) {
        if (str == null) {
            throw new NullPointerException();
        }
        text = str;
    }

    public String getString() {
        return text;
    }

    public void setString(String str) {
        if (str == null) {
            throw new NullPointerException();
        }
        text = str;
        Display.tickerChanged(this);
    }
}
