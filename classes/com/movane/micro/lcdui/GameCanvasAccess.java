package com.movane.micro.lcdui;

/**
 * What the display asks of a game canvas: whether it suppresses the key events of the
 * game keys, and the news that it has become visible. The game package installs the
 * answer, so that no public method of its canvas says it.
 */
public abstract class GameCanvasAccess {
    private static GameCanvasAccess installed;

    public static void install(GameCanvasAccess access) {
        if (installed == null) {
            installed = access;
        }
    }

    public static boolean suppressesGameKeys(Object canvas) {
        GameCanvasAccess access = installed;
        return access != null && access.isSuppressing(canvas);
    }

    /** The canvas is on the screen now; presses made while it was not are forgotten. */
    public static void becameVisible(Object canvas) {
        GameCanvasAccess access = installed;
        if (access != null) {
            access.shown(canvas);
        }
    }

    protected abstract boolean isSuppressing(Object canvas);

    protected abstract void shown(Object canvas);
}
