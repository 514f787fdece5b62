package com.movane.kiv;

/**
 * A toolkit request as the display's event thread reads it from the UI queue. The
 * request's completion is named by responseHandler, an index into the natives' table of
 * completion callbacks (-1: the request needs no answer).
 */
public abstract class AbstractKivGUIEvent {
    /** Request codes: a component asks to be painted, the screen to be painted, ... */
    public static final int REPAINT;
    public static final int REPAINT_SCREEN;
    public static final int OCCUPY_SCREEN;
    public static final int RELEASE_SCREEN;
    public static final int OCCUPY_INPUT_EVENT;
    public static final int RELEASE_INPUT_EVENT;
    public static final int NOTIFY_PREF_SIZE_CHANGED;

    static {
        if (!nativeInit()) {
            throw new Error("GUI events cannot be read");
        }
        REPAINT = nativeGetRepaint();
        REPAINT_SCREEN = nativeGetRepaintScreen();
        OCCUPY_SCREEN = nativeGetOccupyScreen();
        RELEASE_SCREEN = nativeGetReleaseScreen();
        OCCUPY_INPUT_EVENT = nativeGetOccupyInputEvent();
        RELEASE_INPUT_EVENT = nativeGetReleaseInputEvent();
        NOTIFY_PREF_SIZE_CHANGED = nativeGetNotifyPrefSizeChanged();
    }

    /** The words of a request: kind 2, component, its type, code, four arguments, word 0, callback. */
    private static final int WORD_COMPONENT = 1;
    private static final int WORD_COMPONENT_TYPE = 2;
    private static final int WORD_CODE = 3;
    private static final int WORD_ARGUMENTS = 4;
    private static final int WORD_ID = 8;
    private static final int WORD_CALLBACK = 9;
    public static final int WORDS = 10;

    protected int eventID;
    protected int componentHandle;
    protected int type;
    protected int param1;
    protected int param2;
    protected int param3;
    protected int param4;
    protected int responseHandler;
    protected int componentType;

    protected AbstractKivGUIEvent(int[] words) {
        eventID = words[WORD_ID];
        componentHandle = words[WORD_COMPONENT];
        componentType = words[WORD_COMPONENT_TYPE];
        type = words[WORD_CODE];
        param1 = words[WORD_ARGUMENTS];
        param2 = words[WORD_ARGUMENTS + 1];
        param3 = words[WORD_ARGUMENTS + 2];
        param4 = words[WORD_ARGUMENTS + 3];
        responseHandler = nativeResponseIndex(words[WORD_CALLBACK]);
    }

    public int getComponentHandle() {
        return componentHandle;
    }

    public int getComponentType() {
        return componentType;
    }

    public int getType() {
        return type;
    }

    public int getParam1() {
        return param1;
    }

    public int getParam2() {
        return param2;
    }

    private static native boolean nativeInit();

    /** The completion index of a request's callback word; -1 when it names none. */
    private static native int nativeResponseIndex(int callbackWord);

    private static native int nativeGetRepaint();

    private static native int nativeGetRepaintScreen();

    private static native int nativeGetOccupyScreen();

    private static native int nativeGetReleaseScreen();

    private static native int nativeGetOccupyInputEvent();

    private static native int nativeGetReleaseInputEvent();

    private static native int nativeGetNotifyPrefSizeChanged();
}
