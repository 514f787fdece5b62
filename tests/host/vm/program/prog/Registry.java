package prog;

import java.util.Hashtable;

public class Registry {
    static final Hashtable NAMES = new Hashtable();
    static int order;

    static {
        register("alpha");
        register("beta");
        register("gamma");
    }

    static void register(String s) {
        NAMES.put(s, new Integer(order++));
    }

    public static int indexOf(String s) {
        Integer i = (Integer) NAMES.get(s);
        return i == null ? -1 : i.intValue();
    }
}
