package a.b;

/**
 * A main class in a package, named with dots on the command line.
 */
public class Packaged {

    public static void main(String[] args) {
        System.out.println("loaded " + new Packaged().getClass().getName());
    }
}
