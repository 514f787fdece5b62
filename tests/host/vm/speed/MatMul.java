// Dense matrix product in doubles, and its trace.
public class MatMul {
    static double[][] matrix(int n, int offset) {
        double[][] m = new double[n][n];
        for (int i = 0; i < n; i++)
            for (int j = 0; j < n; j++) m[i][j] = ((i * 31 + j * 17 + offset) % 23) / 7.0 - 1.5;
        return m;
    }

    static double[][] multiply(double[][] a, double[][] b) {
        int n = a.length;
        double[][] c = new double[n][n];
        for (int i = 0; i < n; i++) {
            double[] ai = a[i], ci = c[i];
            for (int k = 0; k < n; k++) {
                double aik = ai[k];
                double[] bk = b[k];
                for (int j = 0; j < n; j++) ci[j] += aik * bk[j];
            }
        }
        return c;
    }

    public static void main(String[] args) {
        int n = args.length > 0 ? Integer.parseInt(args[0]) : 40;
        double[][] c = multiply(matrix(n, 1), matrix(n, 2));
        double trace = 0;
        for (int i = 0; i < n; i++) trace += c[i][i];
        System.out.println("trace * 1000: " + (long) (trace * 1000));
    }
}
