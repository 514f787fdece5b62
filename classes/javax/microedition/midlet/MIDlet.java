package javax.microedition.midlet;

import com.movane.micro.event.ProcessEventThread;

/**
 * The MIDlet life cycle. The static main is the run's entry: it starts the process event
 * thread, makes the MIDlet named by its argument (the constructor runs once) and starts
 * it; the process event handler then pauses, resumes and destroys it on the host's
 * commands through the wrap methods, which the natives find by name.
 */
public abstract class MIDlet {
    static final int STATE_LOADED = 0;
    static final int STATE_ACTIVE = 1;
    static final int STATE_PAUSED = 2;
    static final int STATE_DESTROYED = 3;

    private static MIDlet current;
    private static final Object creation = new Object();

    /** The life-cycle state, read by the display manager's native. */
    int _state;

    protected MIDlet() {
        synchronized (creation) {
            if (current != null && current._state != STATE_DESTROYED) {
                throw new SecurityException("MIDlet already created");
            }
            current = this;
        }
        _state = STATE_LOADED;
    }

    protected abstract void startApp() throws MIDletStateChangeException;

    protected abstract void pauseApp();

    protected abstract void destroyApp(boolean unconditional) throws MIDletStateChangeException;

    public static void main(String[] args) {
        initialize();
        ProcessEventThread.startHandler();
        try {
            // a class that is not a MIDlet is not even constructed: the start event
            // would find no MIDlet and the run would wait for ever
            Class c = Class.forName(args[0]);
            if (!Class.forName("javax.microedition.midlet.MIDlet").isAssignableFrom(c)) {
                notStarted(args[0], "it is not a MIDlet");
                return;
            }
            c.newInstance();
        } catch (Throwable t) {
            notStarted(args[0], t.toString());
            return;
        }
        // the process event thread starts it: from now on every change of state arrives
        // there, in the order the host asked for them
        notifyResumeEvent(false);
    }

    static void notStarted(String className, String why) {
        System.err.println("Movane_VM: the MIDlet " + className + " could not be started: " + why);
        nativeNoteExitStatus(EXIT_NOT_STARTED);
        nativeSystemExit(0);
    }

    /** The MIDlet being run, or null before its constructor. */
    public static MIDlet getCurrent() {
        return current;
    }

    /** Starts or resumes the MIDlet; a refusal or a runtime exception destroys it. */
    public final void startAppWrap() {
        if (_state == STATE_ACTIVE || _state == STATE_DESTROYED) {
            return;
        }
        boolean resuming = _state == STATE_PAUSED;
        try {
            startApp();
        } catch (MIDletStateChangeException e) {
            // the MIDlet would not start
            destroyAndExit(resuming ? 0 : EXIT_NOT_STARTED);
            return;
        } catch (Throwable t) {
            // an Error as well: left uncaught it would end the event thread and leave
            // the run waiting for a MIDlet that never comes up
            reportThrown("startApp", t);
            destroyAndExit(EXIT_UNCAUGHT);
            return;
        }
        if (_state == STATE_DESTROYED) {
            return;
        }
        _state = STATE_ACTIVE;
        nativeNotifyAppResumed(true);
        if (resuming) {
            nativePostShowNotify();
        }
    }

    /** Pauses an active MIDlet. */
    public final void pauseAppWrap() {
        if (_state != STATE_ACTIVE) {
            return;
        }
        try {
            pauseApp();
        } catch (Throwable t) {
            reportThrown("pauseApp", t);
            destroyAndExit(EXIT_UNCAUGHT);
            return;
        }
        if (_state == STATE_ACTIVE) {
            _state = STATE_PAUSED;
            nativeNotifyAppSuspended(false, false);
            nativePostHideNotify();
        }
    }

    /** Destroys the MIDlet; false when it refused a conditional destruction. */
    public final boolean destroyAppWrap(boolean unconditional) {
        if (_state == STATE_DESTROYED) {
            return true;
        }
        try {
            destroyApp(unconditional);
        } catch (MIDletStateChangeException e) {
            if (!unconditional) {
                return false;
            }
        } catch (Throwable t) {
            reportThrown("destroyApp", t);
            nativeNoteExitStatus(EXIT_UNCAUGHT);
        }
        _state = STATE_DESTROYED;
        nativeNotifyAppStopped(unconditional);
        return true;
    }

    private void destroyAndExit(int status) {
        nativeNoteExitStatus(status);
        destroyAppWrap(true);
        nativeSystemExit(0);
    }

    /** The program's exit status when a life-cycle method threw (see the README). */
    static final int EXIT_UNCAUGHT = 4;
    /** The program's exit status when the MIDlet could not be started. */
    static final int EXIT_NOT_STARTED = 3;

    static void reportThrown(String method, Throwable t) {
        String message = t.getMessage();
        System.err.println("Movane_VM: the MIDlet's " + method + " threw " + t.getClass().getName()
                + (message != null ? ": " + message : ""));
    }

    public final void notifyDestroyed() {
        if (_state != STATE_DESTROYED) {
            _state = STATE_DESTROYED;
            nativeNotifyAppStopped(true);
        }
        nativeSystemExit(0);
    }

    public final void notifyPaused() {
        if (_state == STATE_ACTIVE) {
            _state = STATE_PAUSED;
            nativeNotifyAppSuspended(true, false);
            nativePostHideNotify();
        }
    }

    public final void resumeRequest() {
        if (_state == STATE_PAUSED) {
            notifyResumeEvent(true);
        }
    }

    public final String getAppProperty(String key) {
        if (key == null) {
            throw new NullPointerException();
        }
        return nativeGetAppProperty(key);
    }

    public final boolean platformRequest(String url) throws javax.microedition.io.ConnectionNotFoundException {
        if (url == null) {
            throw new NullPointerException();
        }
        int result = nativePlatformRequest(url);
        if (result < 0) {
            throw new javax.microedition.io.ConnectionNotFoundException(url);
        }
        return result > 0;
    }

    /** 1 allowed, 0 denied, -1 unknown until the user is asked. */
    public final int checkPermission(String permission) {
        if (permission == null) {
            throw new NullPointerException();
        }
        return com.movane.security.SecurityManager.getInstance().checkPermissionStatus(permission);
    }

    static native void initialize();

    static native void notifyResumeEvent(boolean fromSelector);

    static native void nativeSystemExit(int code);

    /** Keeps the exit status for the program's end; 0 leaves the kept one. */
    static native void nativeNoteExitStatus(int status);

    private static native String nativeGetAppProperty(String key);

    private static native void nativeNotifyAppStopped(boolean unconditional);

    private static native void nativeNotifyAppSuspended(boolean byMidlet, boolean byHost);

    private static native void nativeNotifyAppResumed(boolean started);

    private static native int nativePlatformRequest(String url);

    static native void nativeStateCallbackToApp(int bits, boolean on);

    private static native boolean nativeIsTrusted();

    /** The current displayable is shown again (resume) or hidden (pause). */
    private static native void nativePostShowNotify();

    private static native void nativePostHideNotify();
}
