/** Does nothing: what a run costs before any program code. */
public class EmptyMain {
    public static void main(String[] args) {
    }
}
