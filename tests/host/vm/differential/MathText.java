// Math and floating-point text: exact results (rounding, square root, abs/min/max with
// signed zeros, NaN and infinities, degree conversions) and their printed form.
public class MathText {
    static final double NaN = 0.0 / 0.0;
    static final double INF = 1.0 / 0.0;

    static void show(String what, double d) {
        System.out.println(what + " = " + d + " [" + Long.toString(Double.doubleToLongBits(d), 16) + "]");
    }

    public static void main(String[] args) {
        double[] xs = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.0, 1e-300, -1e-300, 4.9e-324, 1e15, 123456789.75,
                       1e300, -1e300, Double.MAX_VALUE, INF, -INF, NaN, 2.5e-8, 1234.5678, -0.49999999999999994};
        for (int i = 0; i < xs.length; i++) {
            double x = xs[i];
            show("ceil(" + x + ")", Math.ceil(x));
            show("floor(" + x + ")", Math.floor(x));
            show("sqrt(" + x + ")", Math.sqrt(x));
            show("abs(" + x + ")", Math.abs(x));
            show("toRadians(" + x + ")", Math.toRadians(x));
            show("toDegrees(" + x + ")", Math.toDegrees(x));
            System.out.println("abs(float) [" + Integer.toHexString(Float.floatToIntBits(Math.abs((float) x))) + "]");
        }
        // the special values of the trigonometric functions are exact
        double[] special = {0.0, -0.0, INF, -INF, NaN};
        for (int i = 0; i < special.length; i++) {
            double x = special[i];
            show("sin(" + x + ")", Math.sin(x));
            show("cos(" + x + ")", Math.cos(x));
            show("tan(" + x + ")", Math.tan(x));
        }
        double[][] pairs = {{0.0, -0.0}, {-0.0, 0.0}, {NaN, 1.0}, {1.0, NaN}, {-INF, INF}, {3.0, 3.0}, {-2.5, 7.0}};
        for (int i = 0; i < pairs.length; i++) {
            double a = pairs[i][0];
            double b = pairs[i][1];
            show("max(" + a + ", " + b + ")", Math.max(a, b));
            show("min(" + a + ", " + b + ")", Math.min(a, b));
            System.out.println("float max/min " + Math.max((float) a, (float) b) + " " + Math.min((float) a, (float) b));
        }
        int[] ints = {0, 1, -1, Integer.MAX_VALUE, Integer.MIN_VALUE};
        for (int i = 0; i < ints.length; i++) {
            System.out.println("abs(" + ints[i] + ") = " + Math.abs(ints[i]) + " abs(long) = " + Math.abs((long) ints[i] * 3)
                + " max = " + Math.max(ints[i], -7) + " min = " + Math.min((long) ints[i], 7L));
        }
        System.out.println("E " + Math.E + " PI " + Math.PI);
        // text of doubles and floats both ways
        String[] texts = {"1", "-0", "1e10", "1.0E-5", "123.456e2", "0.1", "NaN", "-Infinity", " 7.5 ", "1e400", "4.9e-325",
                          "1.5f", "2d", "", "abc", "1..2"};
        for (int i = 0; i < texts.length; i++) {
            try {
                System.out.println("parseDouble(\"" + texts[i] + "\") = " + Double.parseDouble(texts[i]) + ", parseFloat = "
                    + Float.parseFloat(texts[i]));
            } catch (NumberFormatException e) {
                System.out.println("parseDouble(\"" + texts[i] + "\") NumberFormatException");
            }
        }
        float[] fs = {1.0f / 3, 100.0f, 1e-5f, 1e7f, 2.5e-38f, 3.4028235E38f, 1.4E-45f, -0.0f};
        for (int i = 0; i < fs.length; i++) {
            System.out.println("float " + fs[i] + " bits " + Integer.toHexString(Float.floatToIntBits(fs[i])) + " double "
                + (double) fs[i] + " int " + (int) fs[i] + " long " + (long) fs[i]);
        }
        System.out.println("NaN bits " + Integer.toHexString(Float.floatToIntBits(Float.intBitsToFloat(0x7F800001)))
            + " " + Long.toString(Double.doubleToLongBits(Double.longBitsToDouble(0x7FF0000000000001L)), 16));
        System.out.println("isNaN " + Double.isNaN(NaN) + " isInfinite " + Double.isInfinite(-INF) + " " + new Double(2.5).isNaN()
            + " " + Float.isInfinite(1.0f / 0.0f));
        System.out.println("casts " + (int) NaN + " " + (long) INF + " " + (int) -1e20 + " " + (long) 9.3e18 + " " + (int) -2.7);
    }
}
