// Prints x and the bits of sin, cos, tan and sqrt of x, for a table of special values and
// a seeded spread of arguments from tiny to huge; MathUlpCheck compares them with Java
// SE's StrictMath.
public class MathUlp {
    static String bits(double d) {
        return Long.toString(Double.doubleToLongBits(d), 16);
    }

    public static void main(String[] args) {
        double[] special = {0.0, -0.0, 1.0 / 0.0, -1.0 / 0.0, 0.0 / 0.0, Math.PI, Math.PI / 2, -Math.PI / 4, 1e-300, 4.9e-324,
                            2.2250738585072014E-308, 1e22, 1e300, -1e300, Double.MAX_VALUE, 0x1p1023 * 1.5, 3.0 * Math.PI / 2,
                            1e9, 6.283185307179586, 710.0, 1e-8};
        for (int i = 0; i < special.length; i++) {
            print(special[i]);
        }
        long seed = 20261210L;
        for (int i = 0; i < 6000; i++) {
            seed = (seed * 0x5DEECE66DL + 0xBL) & ((1L << 48) - 1);
            double x;
            switch (i % 3) {
                case 0: x = Double.longBitsToDouble(seed << 16 ^ seed * 31); break;
                case 1: x = (seed % 2000000) / 1000.0 - 1000.0; break;
                default: x = (seed % 100000) * 1e-5; break;
            }
            if (x == x) {
                print(x);
            }
        }
    }

    static void print(double x) {
        System.out.println(bits(x) + " " + bits(Math.sin(x)) + " " + bits(Math.cos(x)) + " " + bits(Math.tan(x)) + " "
            + bits(Math.sqrt(x)));
    }
}
