package com.movane.security;

/**
 * The security policy of the running suite: whether a protected function may be used,
 * asking the user where the suite's protection domain says so.
 */
public abstract class SecurityManager {
    /** checkPermissionStatus: granted, denied, or to be asked. */
    public static final int GRANTED = 1;
    public static final int DENIED = 0;
    public static final int UNKNOWN = -1;

    private static SecurityManager instance;

    public static synchronized SecurityManager getInstance() {
        if (instance == null) {
            String name = nativeGetManager();
            try {
                instance = (SecurityManager) Class.forName(name).newInstance();
            } catch (Exception e) {
                throw new SecurityException("no security manager " + name + ": " + e);
            }
        }
        return instance;
    }

    /** GRANTED, DENIED, or UNKNOWN when only the user's answer can tell, without asking. */
    public abstract int checkPermissionStatus(String permission);

    /**
     * Returns when the permission is granted, asking the user where needed; throws
     * SecurityException when it is not. target names what is used (a URL, for example).
     */
    public abstract void checkPermission(String permission, String target);

    private static native String nativeGetManager();
}
