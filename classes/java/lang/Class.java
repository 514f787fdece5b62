package java.lang;

import java.io.IOException;
import java.io.InputStream;

import com.sun.cldc.io.ResourceInputStream;

/**
 * The class of an object. A Class object is the VM's class record itself, so this class
 * has no fields and no public constructor.
 */
public final class Class {

    private Class() {
    }

    public static native Class forName(String className) throws ClassNotFoundException;

    public native Object newInstance() throws InstantiationException, IllegalAccessException;

    public native boolean isInstance(Object obj);

    public native boolean isAssignableFrom(Class cls);

    public native boolean isInterface();

    public native boolean isArray();

    public native String getName();

    // A name without a leading '/' is relative to the folder of this class's package.
    public InputStream getResourceAsStream(String name) {
        if (name.length() > 0 && name.charAt(0) == '/') {
            name = name.substring(1);
        } else {
            String className = getName();
            int dot = className.lastIndexOf('.');
            if (dot >= 0) {
                name = className.substring(0, dot + 1).replace('.', '/') + name;
            }
        }
        try {
            return new ResourceInputStream(name);
        } catch (IOException e) {
            return null;
        }
    }

    // Runs native work the VM put on the Java stack; its code is one VM-only opcode.
    private static native void runCustomCode();

    public String toString() {
        return (isInterface() ? "interface " : "class ") + getName();
    }
}
