/**
 * Math without numeric natives: abs, min and max of every type, NaN and the two zeros.
 * Floating results are shown through integer arithmetic only.
 */
public class MathTest {

    static String sign(double d) {
        if (d != d) {
            return "NaN";
        }
        if (d == 0.0) {
            return 1.0 / d > 0 ? "+0" : "-0";
        }
        return d > 0 ? "+" + (long) d : "-" + (long) -d;
    }

    public static void main(String[] args) {
        System.out.println("abs int " + Math.abs(-5) + " " + Math.abs(5) + " " + Math.abs(-2147483648));
        System.out.println("abs long " + Math.abs(-5L) + " " + Math.abs(-9223372036854775808L));
        System.out.println("min max int " + Math.min(3, -4) + " " + Math.max(3, -4));
        System.out.println("min max long " + Math.min(3L, -4L) + " " + Math.max(3L, -4L));
        System.out.println("abs float " + sign(Math.abs(-2.5f)) + " " + sign(Math.abs(-0.0f)) + " " + sign(Math.abs(0.0f / 0.0f)));
        System.out.println("abs double " + sign(Math.abs(-7.0)) + " " + sign(Math.abs(-0.0)));
        System.out.println("max float " + sign(Math.max(1.0f, 2.0f)) + " " + sign(Math.max(-0.0f, 0.0f)) + " "
            + sign(Math.max(0.0f, -0.0f)) + " " + sign(Math.max(0.0f / 0.0f, 1.0f)) + " " + sign(Math.max(1.0f, 0.0f / 0.0f)));
        System.out.println("min float " + sign(Math.min(1.0f, 2.0f)) + " " + sign(Math.min(-0.0f, 0.0f)) + " "
            + sign(Math.min(0.0f, -0.0f)) + " " + sign(Math.min(0.0f / 0.0f, 1.0f)));
        System.out.println("max double " + sign(Math.max(-3.0, -4.0)) + " " + sign(Math.max(-0.0, 0.0)) + " "
            + sign(Math.max(0.0, -0.0)));
        System.out.println("min double " + sign(Math.min(-3.0, -4.0)) + " " + sign(Math.min(-0.0, 0.0)) + " "
            + sign(Math.min(0.0, -0.0)) + " " + sign(Math.min(1.0, 0.0 / 0.0)));
    }
}
