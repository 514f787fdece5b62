/**
 * Fills the heap with a chain of arrays until the VM gives up.
 */
public class OutOfMemoryTest {
    public static void main(String[] args) {
        System.out.println("filling");
        Object[] head = new Object[1];
        Object[] tail = head;
        while (true) {
            Object[] next = new Object[1000];
            tail[0] = next;
            tail = next;
        }
    }
}
