package com.movane.micro.lcdui;

/**
 * Lets the display ask whether a canvas suppresses the key events of the game keys: the
 * game package installs the answer, so that no public method of its canvas says it.
 */
public abstract class GameKeySuppression {
    private static GameKeySuppression installed;

    public static void install(GameKeySuppression answer) {
        if (installed == null) {
            installed = answer;
        }
    }

    public static boolean suppresses(Object canvas) {
        GameKeySuppression answer = installed;
        return answer != null && answer.isSuppressing(canvas);
    }

    protected abstract boolean isSuppressing(Object canvas);
}
