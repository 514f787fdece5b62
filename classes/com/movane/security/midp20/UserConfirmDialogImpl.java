package com.movane.security.midp20;

import com.movane.display.DisplayManager;
import com.movane.kiv.AbstractKivGUIEvent;
import com.movane.kiv.KivComponent;
import com.movane.kiv.KivConfirm;
import com.movane.kiv.KivGUIEvent;
import com.movane.security.DialogEventThread;
import com.movane.security.UserConfirmDialog;

import javax.microedition.lcdui.Display;
import javax.microedition.midlet.MIDlet;

/**
 * The permission prompt on the component toolkit. While it is up the display is told it
 * is hidden (it paints nothing and gets no input), the dialog's own event thread feeds
 * the keys and the pointer to the dialog and paints it on the screen, and the asking
 * thread waits. The answer closes the dialog; the display is told it is shown again and
 * repaints what was there.
 */
public final class UserConfirmDialogImpl extends UserConfirmDialog {
    /** Answer words: the allowed flag and the mode. */
    public static final int ALLOWED = 0x100;

    private static final int EVENT_KEY = 0;
    private static final int EVENT_POINTER = 1;
    private static final int EVENT_REQUEST = 2;
    private static final int KEY_PRESSED = 0;
    private static final int KEY_RELEASED = 1;
    private static final int KEY_REPEATED = 2;

    private static final String OK = "OK";
    private static final String CANCEL = "Cancel";

    public UserConfirmDialogImpl() {
    }

    protected int showPermission(int permissionIndex, String title, String message, int modes, int initialMode,
            String denyText) {
        KivConfirm c = new KivConfirm();
        c.setPermissionIndex(permissionIndex);
        c.setTitle(title);
        c.setMessage(message);
        c.setTextChoices(false, "Allow and don't ask again", "Allow for this session", "No for this session",
                "Allow and ask me next time", denyText, "Never");
        c.setInteractionModes(modes);
        c.setInitialInteractionMode(initialMode);
        c.setDialogType(KivConfirm.DIALOG_NORMAL);
        return run(c);
    }

    protected int showExclusive(String title, String message, String first, String second) {
        KivConfirm c = new KivConfirm();
        c.setTitle(title);
        c.setMessage(message);
        c.setDialogType(KivConfirm.DIALOG_EXCLUSIVE);
        c.setTextExclusiveChoices(first, second);
        c.setTextCancel(CANCEL);
        c.setCancelKeyPos(nativeGetCancelKeyIndex());
        return run(c);
    }

    /** Shows the dialog until it is answered; its answer word. */
    private int run(KivConfirm c) {
        c.setTextOk(OK);
        c.setOkKeyPos(nativeGetOkKeyIndex());
        c.setLocation(0, 0);
        c.setSize(c.getMinimumWidth(), c.getMinimumHeight());
        Session s = new Session(c);
        DisplayManager.dialogStarted();
        nativePostHideNotify();
        obtainEventQueue();
        try {
            c.show(KivComponent.getGraphics());
            c.setState(KivComponent.ACTIVE);
            s.start();
            nativePostRepaint();
            afterDisplay(s);
            return s.waitForAnswer();
        } finally {
            releaseEventQueue();
            c.hide();
            c.dispose();
            DisplayManager.dialogEnded();
            nativePostShowNotify();
        }
    }

    /**
     * The display may be painting or switching screens while the dialog comes up (when it
     * is asked from a thread other than the display's): a serial call runs after the
     * display's pending switch and the hide notice, and paints the dialog again on top.
     */
    private static void afterDisplay(final Session s) {
        MIDlet m = MIDlet.getCurrent();
        if (m == null) {
            return;
        }
        Display.getDisplay(m).callSerially(new Runnable() {
            public void run() {
                if (!s.isAnswered()) {
                    nativePostRepaint();
                }
            }
        });
    }

    /** The dialog's thread: its queues' events until the answer. */
    private final class Session extends DialogEventThread {
        private final KivConfirm dialog;
        private boolean answered;
        private int answer = -1;

        Session(KivConfirm dialog) {
            this.dialog = dialog;
        }

        synchronized boolean isAnswered() {
            return answered;
        }

        synchronized int waitForAnswer() {
            while (!answered) {
                try {
                    wait();
                } catch (InterruptedException e) {
                    nativeFatalError();
                }
            }
            return answer;
        }

        private synchronized void answer(int word) {
            answer = word;
            answered = true;
            notifyAll();
        }

        protected boolean handleEvent(int[] e, int n) {
            switch (e[0]) {
            case EVENT_KEY:
                // a typed character means nothing to the dialog
                if (e[1] == KEY_PRESSED || e[1] == KEY_RELEASED || e[1] == KEY_REPEATED) {
                    int kind = e[1] == KEY_PRESSED ? KivComponent.KEY_PRESSED
                            : e[1] == KEY_REPEATED ? KivComponent.KEY_REPEATED : KivComponent.KEY_RELEASED;
                    dialog.processKeyEvent(kind, e[2], '\0');
                }
                break;
            case EVENT_POINTER:
                dialog.processPointerEvent(e[1], 0, e[2], e[3]);
                break;
            case EVENT_REQUEST:
                request(new KivGUIEvent(e));
                break;
            default:
                break;
            }
            return !answered;
        }

        /** Every request is completed; the dialog's own ones are read first. */
        private void request(KivGUIEvent r) {
            try {
                int code = r.getType();
                boolean mine = r.getComponentHandle() == dialog.handle();
                if (mine && code == KivConfirm.RESPONSE) {
                    answer((r.getParam1() != 0 ? ALLOWED : 0) | r.getParam2());
                } else if (mine && code == KivConfirm.CHOICE) {
                    answer(r.getParam1());
                } else if (mine && code == KivConfirm.CANCEL_RESPONSE) {
                    answer(-1);
                } else if (code == AbstractKivGUIEvent.REPAINT || code == AbstractKivGUIEvent.REPAINT_SCREEN) {
                    paint();
                }
            } finally {
                r.notifyDone();
            }
        }

        private void paint() {
            if (answered) {
                return;
            }
            nativeStartDraw();
            KivComponent.nativeUIGraphicsInit();
            int g = KivComponent.getGraphics();
            nativeClearScreen(g, 0, 0, dialog.getWidth(), dialog.getHeight());
            dialog.paint(g);
            nativeEndDraw();
        }
    }

    private static native void nativeSystemExit();

    private static native int nativeGetOkKeyIndex();

    private static native int nativeGetCancelKeyIndex();

    private static native void notifyGUIEventDone(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8,
            int f);

    private static native void nativeStartDraw();

    private static native void nativeEndDraw();

    private static native void nativePostRepaint();

    private static native void nativePostShowNotify();

    private static native void nativePostHideNotify();

    private static native void nativeSetClip(int g, int x, int y, int w, int h);

    private static native void nativeClearScreen(int g, int x, int y, int w, int h);

    private static native boolean nativeIsTrusted();

    private static native boolean nativeSetFullScreenMode(boolean on);

    private static native boolean nativeGetFullScreenMode();
}
