/**
 * Class names and arguments beyond ASCII: Class.forName finds a class whose name is
 * not ASCII, misses one that does not exist, and arguments keep every character.
 */
public class NonAsciiNames {
    public static void main(String[] args) throws Exception {
        Class c = Class.forName("\u00dc");
        System.out.println("found: " + c.getName().equals("\u00dc"));
        Object o = c.newInstance();
        System.out.println("made: " + (o != null));
        try {
            Class.forName("\u00d1othere\u20ac");
            System.out.println("found a missing class");
        } catch (ClassNotFoundException e) {
            System.out.println("missing class refused");
        }
        for (int i = 0; i < args.length; i++) {
            String a = args[i];
            StringBuffer codes = new StringBuffer();
            for (int k = 0; k < a.length(); k++) codes.append(' ').append(Integer.toHexString(a.charAt(k)));
            System.out.println("argument " + i + ":" + codes);
        }
    }
}

class \u00dc {
}
