/**
 * Multi-dimensional arrays made while the collector moves the thread's stack:
 * every dimension must keep its count.
 */
public class MultiArrayTest {
    static Object keep;

    static String shape(int[][][] m) {
        return m.length + "x" + m[m.length - 1].length + "x" + m[m.length - 1][m[0].length - 1].length;
    }

    // Objects that die once the thread's stack has been made above them, so that the
    // collector slides the stack down while the array is being made.
    static Object[] held;

    static void hold() {
        held = new Object[60];
        for (int i = 0; i < held.length; i++) held[i] = new byte[64];
    }

    static void make(String who) {
        for (int round = 0; round < 3; round++) {
            held = null;
            int[][][] m = new int[20][20][3];
            long[][] l = new long[6][9];
            String[][] s = new String[5][];
            char[][][][] c = new char[2][3][4][5];
            System.out.println(who + " " + shape(m) + " " + l.length + "x" + l[5].length + " " + s.length + " "
                    + c.length + "x" + c[1].length + "x" + c[1][2].length + "x" + c[1][2][3].length);
        }
    }

    public static void main(String[] args) throws Exception {
        make("main");
        hold();
        Thread t = new Thread() {
            public void run() {
                make("thread");
            }
        };
        t.start();
        t.join();
        hold();
        Thread u = new Thread() {
            public void run() {
                make("second");
            }
        };
        u.start();
        u.join();
        try {
            int[][] bad = new int[3][-1];
            System.out.println("no exception " + bad.length);
        } catch (NegativeArraySizeException e) {
            System.out.println("negative size refused");
        }
    }
}
