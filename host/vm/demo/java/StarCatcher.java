import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.midlet.MIDlet;

/**
 * Star Catcher, the bundled demo: steer the basket with the arrow keys (or 4 and 6),
 * catch the falling stars, dodge the rocks. Three rocks end the game; FIRE starts a new
 * one. The descriptor may set "Demo-Frame-Delay" (milliseconds a frame, 0 for as fast
 * as it goes), "Demo-Full-Screen" (1: no soft-key bar) and "Demo-Benchmark-Frames" (run
 * that many frames, print the rate, end).
 */
public class StarCatcher extends MIDlet implements CommandListener {
    private final Command exit = new Command("Exit", Command.EXIT, 1);
    private final Command pause = new Command("Pause", Command.SCREEN, 1);
    private GameScreen screen;

    protected void startApp() {
        if (screen == null) {
            screen = new GameScreen(intProperty("Demo-Frame-Delay", 40), intProperty("Demo-Benchmark-Frames", 0),
                    this);
            screen.setFullScreenMode(intProperty("Demo-Full-Screen", 0) == 1);
            screen.addCommand(exit);
            screen.addCommand(pause);
            screen.setCommandListener(this);
            Display.getDisplay(this).setCurrent(screen);
            screen.start();
        } else {
            screen.setPaused(false);
        }
    }

    protected void pauseApp() {
        if (screen != null) {
            screen.setPaused(true);
        }
    }

    protected void destroyApp(boolean unconditional) {
        if (screen != null) {
            screen.stop();
        }
    }

    public void commandAction(Command c, Displayable d) {
        if (c == exit) {
            quit();
        } else if (c == pause) {
            screen.setPaused(!screen.isPaused());
        }
    }

    void quit() {
        destroyApp(true);
        notifyDestroyed();
    }

    private int intProperty(String key, int fallback) {
        String value = getAppProperty(key);
        if (value == null) {
            return fallback;
        }
        try {
            return Integer.parseInt(value.trim());
        } catch (NumberFormatException e) {
            return fallback;
        }
    }
}
