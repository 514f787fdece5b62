package prog;

public class Fib {
    private static final long[] memo = new long[93];

    static {
        memo[1] = 1;
    }

    public static long of(int n) {
        if (n < 2) {
            return n;
        }
        if (memo[n] == 0) {
            memo[n] = of(n - 1) + of(n - 2);
        }
        return memo[n];
    }

    // 2x2 matrix power, as a cross-check of the memo.
    public static long byMatrix(int n) {
        Matrix r = Matrix.identity(2);
        Matrix m = new Matrix(2);
        m.cells[0][0] = 1;
        m.cells[0][1] = 1;
        m.cells[1][0] = 1;
        while (n > 0) {
            if ((n & 1) != 0) {
                r = r.times(m);
            }
            m = m.times(m);
            n >>= 1;
        }
        return r.cells[0][1];
    }
}
