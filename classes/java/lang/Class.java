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

    public String toString() {
        return (isInterface() ? "interface " : "class ") + getName();
    }
}
