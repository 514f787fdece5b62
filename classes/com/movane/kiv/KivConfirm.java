package com.movane.kiv;

/**
 * The full-screen permission prompt: a title, a message and the answers the permission
 * allows (or two exclusive rows), answered with the soft keys. The answer arrives as a
 * request of code RESPONSE (allowed, mode), CHOICE (row) or CANCEL_RESPONSE.
 */
public class KivConfirm extends KivComponent {
    public static final int TYPE;
    public static final int NUMBER;
    public static final int RESPONSE;
    public static final int CHOICE;
    public static final int CANCEL_RESPONSE;
    public static final int BLANKET;
    public static final int SESSION;
    public static final int ONESHOT;
    public static final int NO;
    public static final int DIALOG_NORMAL;
    public static final int DIALOG_ALERT;
    public static final int DIALOG_EXCLUSIVE;

    static {
        nativeInit();
        TYPE = nativeGetConfirmNo();
        NUMBER = nativeGetPermissionDialogNo();
        RESPONSE = nativeGetResponse();
        CHOICE = nativeGetChoice();
        CANCEL_RESPONSE = nativeGetCancelResponse();
        BLANKET = nativeGetBlanket();
        SESSION = nativeGetSession();
        ONESHOT = nativeGetOneShot();
        NO = nativeGetNo();
        DIALOG_NORMAL = nativeGetDialogTypeNormal();
        DIALOG_ALERT = nativeGetDialogTypeAlert();
        DIALOG_EXCLUSIVE = nativeGetDialogTypeExclusive();
    }

    public KivConfirm() {
        kivHandle = nativeCreate(NUMBER);
    }

    /** Deletes the toolkit's dialog now rather than when the object is collected. */
    public void dispose() {
        int h = kivHandle;
        kivHandle = -1;
        if (h != -1) {
            nativeDelete(h);
        }
    }

    public native void setPermissionIndex(int index);

    public native void setMessage(String message);

    public native void setTitle(String title);

    public native void setTextOk(String text);

    public native void setTextCancel(String text);

    /** 1..3: the soft key that carries the label. */
    public native void setOkKeyPos(int position);

    public native void setCancelKeyPos(int position);

    public native void setInitialInteractionMode(int mode);

    public native void setInteractionModes(int modes);

    public native void setDialogType(int type);

    public native void setBackgroundColor(int argb);

    public native void setForegroundColor(int argb);

    /** Every dialog is drawn and keyed by the host's own dialog screen from now on. */
    public native void setNativeDialogEvtHandler();

    public native void setTextExclusiveChoices(String first, String second);

    public static native void setClientInsets(int top, int left, int right, int bottom);

    /** Blanket, session, (kept), one-shot, deny and never texts; none may be null. */
    public native void setTextChoices(boolean rebuild, String blanket, String session, String sessionNo,
            String oneShot, String deny, String never);

    private static native boolean nativeInit();

    private static native int nativeCreate(int number);

    static native void nativeDelete(int handle);

    private static native int nativeGetConfirmNo();

    private static native int nativeGetPermissionDialogNo();

    private static native int nativeGetResponse();

    private static native int nativeGetChoice();

    private static native int nativeGetCancelResponse();

    private static native int nativeGetBlanket();

    private static native int nativeGetSession();

    private static native int nativeGetOneShot();

    private static native int nativeGetNo();

    private static native int nativeGetDialogTypeNormal();

    private static native int nativeGetDialogTypeAlert();

    private static native int nativeGetDialogTypeExclusive();
}
