/**
 * Prints its arguments; the class comes from a package.
 */
public class Arguments {

    public static void main(String[] args) {
        System.out.println("arguments " + args.length);
        for (int i = 0; i < args.length; i++) {
            System.out.println(i + ": " + args[i]);
        }
        System.err.println("to standard error");
    }
}
