/**
 * What a program does to the classes of the built-in image: locks and hashes their class
 * objects, runs their static initialisers, changes their statics and compares their
 * literals. Every run prints the same, and the image is the same after every run.
 */
public class ImageTest {

    public static void main(String[] args) throws Exception {
        Class integer = Class.forName("java.lang.Integer");
        int hash = System.identityHashCode(integer);
        System.out.println("class hash stays " + (hash == System.identityHashCode(integer)));
        synchronized (integer) {
            System.out.println("locked " + integer.getName());
        }
        // library statics restart with every run: the first new thread is Thread-1
        System.out.println(new Thread().getName() + " " + new Thread().getName());
        String literal = "literal of the program";
        System.out.println("literal hash stays " + (System.identityHashCode(literal) == System.identityHashCode(literal)));
        System.out.println("library literal is the program's " + ("true" == String.valueOf(true)));
        System.out.println("interned at run time " + (("tr" + "ue".toString()).intern() == "true"));
        String fresh = new StringBuffer("not in the ").append("image").toString();
        System.out.println("new interned string " + (fresh.intern() == "not in the image"));
        Object o = Class.forName("java.util.Vector").newInstance();
        System.out.println("made " + o.getClass().getName() + " " + o.toString());
        System.out.println("Integer.MAX_VALUE " + Integer.MAX_VALUE + ", parsed " + Integer.parseInt("-1234"));
    }
}
