/**
 * One case of a table: runs, and prints its name with what it returned or threw, so that
 * the expected output names the outcome of every case.
 */
public abstract class Case {

    final String name;

    protected Case(String name) {
        this.name = name;
    }

    /** What the case saw; an exception it throws is printed instead. */
    protected abstract String run() throws Exception;

    public static void runAll(Case[] cases) {
        for (int i = 0; i < cases.length; i++) {
            String result;
            try {
                result = cases[i].run();
            } catch (Exception e) {
                String message = e.getMessage();
                result = "threw " + e.getClass().getName() + (message != null ? " \"" + message + "\"" : "");
            }
            System.out.println(cases[i].name + ": " + result);
        }
    }

    public static String hex(int v) {
        return Integer.toHexString(v);
    }
}
