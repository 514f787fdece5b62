package com.movane.security;

/** The permissions of the running suite's protection domain, by name. */
public final class PermissionFactory {
    private static DefaultPermission[] permissions;

    private PermissionFactory() {
    }

    private static synchronized DefaultPermission[] all() {
        if (permissions == null) {
            nativeInitialize();
            int n = nativeGetNumPermissions();
            DefaultPermission[] made = new DefaultPermission[n];
            for (int i = 0; i < n; i++) {
                made[i] = new DefaultPermission(i, nativeGetPermissionName(i));
            }
            permissions = made;
        }
        return permissions;
    }

    /** The permission of that name, or null when the domain has none. */
    public static DefaultPermission find(String name) {
        DefaultPermission[] a = all();
        for (int i = 0; i < a.length; i++) {
            if (a[i].getName().equals(name)) {
                return a[i];
            }
        }
        return null;
    }

    private static native void nativeInitialize();

    private static native int nativeGetNumPermissions();

    private static native String nativeGetPermissionName(int i);
}
