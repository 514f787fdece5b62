/**
 * Exceptions thrown by the VM and by Java code, caught with their messages; and one that
 * is not caught, which ends the run with exit code 128.
 */
public class ExceptionTest {

    static void report(Throwable t) {
        System.out.println(t.getClass().getName() + " / " + t.getMessage() + " / " + t);
    }

    static int depth(int n) {
        if (n == 0) {
            throw new IllegalArgumentException("bottom reached");
        }
        return depth(n - 1) + 1;
    }

    public static void main(String[] args) {
        try {
            int[] a = new int[2];
            a[2] = 1;
        } catch (ArrayIndexOutOfBoundsException e) {
            System.out.println("array index: " + e.getClass().getName());
        }
        try {
            Object o = "s";
            Integer i = (Integer) o;
            System.out.println(i);
        } catch (ClassCastException e) {
            System.out.println("cast: " + e.getClass().getName());
        }
        try {
            String s = null;
            s.length();
        } catch (NullPointerException e) {
            System.out.println("null: " + e.getClass().getName());
        }
        try {
            int zero = args.length;
            System.out.println(1 / zero);
        } catch (ArithmeticException e) {
            System.out.println("divide: " + e.getClass().getName());
        }
        try {
            depth(50);
        } catch (IllegalArgumentException e) {
            report(e);
        }
        try {
            throw new Error();
        } catch (Error e) {
            report(e);
        }
        try {
            Integer.parseInt("12x");
        } catch (NumberFormatException e) {
            System.out.println("parse: " + e.getClass().getName());
        }
        try {
            try {
                throw new RuntimeException("inner");
            } finally {
                System.out.println("finally runs");
            }
        } catch (RuntimeException e) {
            report(e);
        }
        new RuntimeException("printed").printStackTrace();
        System.out.println("now one that is not caught");
        throw new IllegalStateException("uncaught");
    }
}
