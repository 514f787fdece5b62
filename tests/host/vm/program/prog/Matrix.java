package prog;

public class Matrix {
    final long[][] cells;

    public Matrix(int n) {
        cells = new long[n][n];
    }

    public static Matrix identity(int n) {
        Matrix m = new Matrix(n);
        for (int i = 0; i < n; i++) {
            m.cells[i][i] = 1;
        }
        return m;
    }

    public Matrix times(Matrix o) {
        int n = cells.length;
        Matrix r = new Matrix(n);
        for (int i = 0; i < n; i++) {
            for (int j = 0; j < n; j++) {
                long s = 0;
                for (int k = 0; k < n; k++) {
                    s += cells[i][k] * o.cells[k][j];
                }
                r.cells[i][j] = s;
            }
        }
        return r;
    }
}
