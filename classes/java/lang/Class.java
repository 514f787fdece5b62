package java.lang;

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

    // Runs native work the VM put on the Java stack; its code is one VM-only opcode.
    private static native void runCustomCode();

    public String toString() {
        return (isInterface() ? "interface " : "class ") + getName();
    }
}
