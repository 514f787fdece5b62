/**
 * Runtime.gc with live objects on the Java stack, in locals and in statics: they stay.
 */
public class GcTest {

    static String kept = "kept in a static";

    public static void main(String[] args) {
        StringBuffer local = new StringBuffer("kept in a local");
        for (int i = 0; i < 1000; i++) {
            new StringBuffer("garbage ").append(i).toString();
        }
        Runtime.getRuntime().gc();
        System.gc();
        System.out.println(kept);
        System.out.println(local);
        System.out.println("free below total " + (Runtime.getRuntime().freeMemory() <= Runtime.getRuntime().totalMemory()));
    }
}
