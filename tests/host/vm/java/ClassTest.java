/**
 * Class natives: forName with its errors, newInstance with its checks and the static
 * initialiser before the constructor, names and type tests.
 */
public class ClassTest {

    static void forName(String name) {
        try {
            Class c = Class.forName(name);
            System.out.println("forName " + name + " = " + c.getName());
        } catch (ClassNotFoundException e) {
            System.out.println("forName " + name + " -> " + e.getClass().getName() + ": " + e.getMessage());
        } catch (Throwable e) {
            System.out.println("forName " + name + " -> " + e.getClass().getName());
        }
    }

    static void newInstance(String name) {
        try {
            Object o = Class.forName(name).newInstance();
            System.out.println("newInstance " + name + " = " + o);
        } catch (Throwable e) {
            System.out.println("newInstance " + name + " -> " + e.getClass().getName());
        }
    }

    public static void main(String[] args) throws Exception {
        forName("java.lang.String");
        forName("java/lang/String");
        forName("NoSuchClass");
        forName("Bad..Name");
        forName("[I");
        forName("[Ljava.lang.Object;");
        StringBuffer longName = new StringBuffer();
        for (int i = 0; i < 60; i++) {
            longName.append("Long.Name.");
        }
        try {
            Class.forName(longName.append("End").toString());
        } catch (ClassNotFoundException e) {
            System.out.println("forName of a 603-character name -> " + e.getClass().getName());
        }
        forName("Created");
        forName("Created");
        newInstance("Created");
        newInstance("Abstract");
        newInstance("Marker");
        newInstance("NoDefault");
        newInstance("Hidden");
        newInstance("Throwing");
        try {
            Class.forName(null);
        } catch (NullPointerException e) {
            System.out.println("forName(null) -> " + e.getClass().getName());
        }

        Object s = "text";
        Class string = s.getClass();
        System.out.println("getClass = " + string.getName());
        System.out.println("toString = " + string);
        System.out.println("interface toString = " + Class.forName("java.lang.Runnable"));
        System.out.println("isInstance = " + string.isInstance(s) + " " + string.isInstance(null) + " "
            + string.isInstance(new Object()));
        Class object = new Object().getClass();
        System.out.println("isAssignableFrom = " + object.isAssignableFrom(string) + " " + string.isAssignableFrom(object));
        System.out.println("interface isAssignableFrom = "
            + Class.forName("java.lang.Runnable").isAssignableFrom(new Thread().getClass()));
        try {
            string.isAssignableFrom(null);
        } catch (NullPointerException e) {
            System.out.println("isAssignableFrom(null) -> " + e.getClass().getName());
        }
        int[] ints = new int[1];
        String[][] names = new String[1][1];
        System.out.println("array names = " + ints.getClass().getName() + " " + names.getClass().getName());
        System.out.println("isArray = " + ints.getClass().isArray() + " " + string.isArray());
        System.out.println("isInterface = " + Class.forName("java.lang.Runnable").isInterface() + " "
            + string.isInterface());
        System.out.println("array isInstance = " + Class.forName("[Ljava.lang.Object;").isInstance(names));
    }
}

class Created {
    static {
        System.out.println("Created: static initialiser");
    }

    Created() {
        System.out.println("Created: constructor");
    }

    public String toString() {
        return "a Created";
    }
}

abstract class Abstract {
}

interface Marker {
}

class NoDefault {
    NoDefault(int x) {
    }
}

class Hidden {
    private Hidden() {
    }
}

class Throwing {
    Throwing() {
        throw new IllegalStateException("from a constructor");
    }
}
