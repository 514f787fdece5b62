package com.movane.security.midp20;

/**
 * The permissions the suite's descriptor asks for ("MIDlet-Permissions", required, and
 * "MIDlet-Permissions-Opt", optional). A signed suite gets only those; an unsigned one is
 * judged by its domain alone, which asks the user.
 */
final class DeclaredPermissions {
    private final String[] names;
    private final boolean trusted;

    DeclaredPermissions() {
        String[] required = split(nativeGetAppProperty("MIDlet-Permissions"));
        String[] optional = split(nativeGetAppProperty("MIDlet-Permissions-Opt"));
        names = new String[required.length + optional.length];
        System.arraycopy(required, 0, names, 0, required.length);
        System.arraycopy(optional, 0, names, required.length, optional.length);
        trusted = nativeIsTrusted();
    }

    boolean isDeclared(String permission) {
        if (!trusted) {
            return true;
        }
        for (int i = 0; i < names.length; i++) {
            if (names[i].equals(permission)) {
                return true;
            }
        }
        return false;
    }

    /** The names of a comma-separated list, trimmed, empty ones left out. */
    static String[] split(String list) {
        if (list == null) {
            return new String[0];
        }
        int count = 0;
        String[] parts = new String[list.length() / 2 + 1];
        int at = 0;
        while (at <= list.length()) {
            int comma = list.indexOf(",", at);
            if (comma < 0) {
                comma = list.length();
            }
            String name = list.substring(at, comma).trim();
            if (name.length() > 0) {
                parts[count++] = name;
            }
            at = comma + 1;
        }
        String[] out = new String[count];
        System.arraycopy(parts, 0, out, 0, count);
        return out;
    }

    private static native String nativeGetAppProperty(String key);

    private static native boolean nativeIsTrusted();
}
