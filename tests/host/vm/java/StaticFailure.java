/**
 * A main class whose static initialiser fails: the error reaches no handler.
 */
public class StaticFailure {

    static int value = compute();

    static int compute() {
        throw new IllegalStateException("no value");
    }

    public static void main(String[] args) {
        System.out.println("never");
    }
}
