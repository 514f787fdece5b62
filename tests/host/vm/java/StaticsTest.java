/**
 * Statics start again with every run: a second run in the same process prints the same.
 */
public class StaticsTest {

    static int runs;
    static StringBuffer log = new StringBuffer("initialised");
    static final String CONSTANT = "constant";

    public static void main(String[] args) {
        runs++;
        log.append(" and used");
        System.out.println("runs " + runs + ", " + log + ", " + CONSTANT);
        System.out.println("interned across classes " + (Helper.text() == "shared"));
    }
}

class Helper {
    static String text() {
        return "shared";
    }
}
