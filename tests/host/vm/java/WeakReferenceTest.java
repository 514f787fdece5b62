import java.lang.ref.WeakReference;

/**
 * Weak references: the referent stays while it is strongly held and is cleared once it
 * is not.
 */
public class WeakReferenceTest {

    public static void main(String[] args) {
        Object strong = new StringBuffer("held");
        WeakReference held = new WeakReference(strong);
        WeakReference dropped = new WeakReference(new StringBuffer("dropped"));
        System.gc();
        System.out.println("held " + held.get());
        System.out.println("dropped " + dropped.get());
        held.clear();
        System.out.println("cleared " + held.get());
        System.out.println("strong " + strong);
    }
}
