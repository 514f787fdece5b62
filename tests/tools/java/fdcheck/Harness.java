package fdcheck;

import java.math.BigDecimal;
import java.util.Random;

/**
 * Runs the library's float and double text conversions on the host JVM (the class copied
 * into this package) against the JDK's: every string must read back exactly, with no more
 * digits than the JDK prints, and every parse must equal the JDK's correctly rounded one.
 */
public class Harness {
    static int failures = 0;

    static void fail(String message) {
        if (failures++ < 20) {
            System.out.println("FAIL " + message);
        }
    }

    // Significant digits of a Java-format number.
    static int digits(String s) {
        String m = s.replace("-", "");
        int e = m.indexOf('E');
        if (e >= 0) {
            m = m.substring(0, e);
        }
        m = m.replace(".", "").replaceAll("^0+", "").replaceAll("0+$", "");
        return Math.max(m.length(), 1);
    }

    static void checkDouble(double d) {
        String ours = FloatingDecimal.toString(d);
        String jdk = Double.toString(d);
        if (Double.doubleToLongBits(Double.parseDouble(ours)) != Double.doubleToLongBits(d)) {
            fail("double " + jdk + " printed as " + ours + ", which reads back differently");
        }
        if (!ours.equals(jdk) && (digits(ours) > digits(jdk) || ours.contains("E") != jdk.contains("E"))) {
            fail("double " + jdk + " printed as " + ours);
        }
    }

    static void checkFloat(float f) {
        String ours = FloatingDecimal.toString(f);
        String jdk = Float.toString(f);
        if (Float.floatToIntBits(Float.parseFloat(ours)) != Float.floatToIntBits(f)) {
            fail("float " + jdk + " printed as " + ours + ", which reads back differently");
        }
        if (!ours.equals(jdk) && (digits(ours) > digits(jdk) || ours.contains("E") != jdk.contains("E"))) {
            fail("float " + jdk + " printed as " + ours);
        }
    }

    static void checkParse(String s) {
        double a;
        double b;
        float fa;
        float fb;
        try { a = Double.parseDouble(s); } catch (NumberFormatException e) { a = -7.0; }
        try { b = FloatingDecimal.parseDouble(s); } catch (NumberFormatException e) { b = -7.0; }
        if (Double.doubleToLongBits(a) != Double.doubleToLongBits(b)) {
            fail("parseDouble(\"" + s + "\") gave " + b + ", the JDK " + a);
        }
        try { fa = Float.parseFloat(s); } catch (NumberFormatException e) { fa = -7.0f; }
        try { fb = FloatingDecimal.parseFloat(s); } catch (NumberFormatException e) { fb = -7.0f; }
        if (Float.floatToIntBits(fa) != Float.floatToIntBits(fb)) {
            fail("parseFloat(\"" + s + "\") gave " + fb + ", the JDK " + fa);
        }
    }

    static void expect(String actual, String expected) {
        if (!actual.equals(expected)) {
            fail("printed " + actual + ", expected " + expected);
        }
    }

    public static void main(String[] args) {
        // fixed points, the layout rules included
        expect(FloatingDecimal.toString(0.0), "0.0");
        expect(FloatingDecimal.toString(-0.0), "-0.0");
        expect(FloatingDecimal.toString(1.0), "1.0");
        expect(FloatingDecimal.toString(0.001), "0.001");
        expect(FloatingDecimal.toString(1.0E-4), "1.0E-4");
        expect(FloatingDecimal.toString(9999999.0), "9999999.0");
        expect(FloatingDecimal.toString(1.0E7), "1.0E7");
        expect(FloatingDecimal.toString(123456.789), "123456.789");
        expect(FloatingDecimal.toString(1.0E23), "1.0E23");
        expect(FloatingDecimal.toString(Double.MIN_VALUE), "4.9E-324");
        expect(FloatingDecimal.toString(Double.MAX_VALUE), "1.7976931348623157E308");
        expect(FloatingDecimal.toString(Float.MIN_VALUE), "1.4E-45");
        expect(FloatingDecimal.toString(Float.MAX_VALUE), "3.4028235E38");
        expect(FloatingDecimal.toString(0.1f), "0.1");
        expect(FloatingDecimal.toString(Double.NaN), "NaN");
        expect(FloatingDecimal.toString(Float.NEGATIVE_INFINITY), "-Infinity");

        Random r = new Random(Long.parseLong(args[1]));
        int n = Integer.parseInt(args[0]);
        for (int i = 0; i < n; i++) {
            double d = Double.longBitsToDouble(r.nextLong());
            if (!Double.isNaN(d)) {
                checkDouble(d);
            }
            float f = Float.intBitsToFloat(r.nextInt());
            if (!Float.isNaN(f)) {
                checkFloat(f);
            }
            checkDouble((double) r.nextInt(100000) / (1 + r.nextInt(1000)));
            checkFloat((float) r.nextInt(100000) / (1 + r.nextInt(1000)));
            checkFloat(Float.intBitsToFloat(r.nextInt(1 << 24)));  // subnormal and tiny
            checkDouble(Double.longBitsToDouble(r.nextLong() & 0x001fffffffffffffL));
        }
        String[] texts = {
            "1", "-1", "+1.5", ".5", "5.", ".", "", "e5", "1e", "1e+", "1e-5", "1E400", "1e-400",
            "  3.25  ", "NaN", "-NaN", "-Infinity", "+Infinity", "Infinityx", "1.0f", "1.0d",
            "1.0x", "1.0ff", "00000.000001", "1__2", "1.2.3", "--1",
            "2.4703282292062327e-324", "2.4703282292062328e-324", "4.9406564584124654e-324",
            "1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308",
            "3.4028235e38", "3.4028236e38", "1.4e-45", "7.0e-46", "7.1e-46",
            "2.2250738585072011e-308", "2.2250738585072012e-308",
            "0.00000000000000000000000000000000000000000000000000000000000000000000001e71",
        };
        for (String s : texts) {
            checkParse(s);
        }
        StringBuilder sb = new StringBuilder();
        for (int i = 0; i < n; i++) {
            sb.setLength(0);
            int len = 1 + r.nextInt(30);
            for (int k = 0; k < len; k++) {
                sb.append((char) ('0' + r.nextInt(10)));
            }
            if (r.nextBoolean()) {
                sb.insert(r.nextInt(sb.length() + 1), '.');
            }
            if (r.nextBoolean()) {
                sb.append('e').append(r.nextInt(700) - 350);
            }
            checkParse(sb.toString());
        }
        // exact midpoints between neighbours: the half-to-even cases
        for (int i = 0; i < n / 10; i++) {
            double d = Double.longBitsToDouble(r.nextLong() & 0x7fefffffffffffffL);
            BigDecimal mid = new BigDecimal(d).add(new BigDecimal(Math.nextUp(d)))
                .divide(BigDecimal.valueOf(2));
            checkParse(mid.toString());
            float f = Float.intBitsToFloat(r.nextInt() & 0x7f7fffff);
            mid = new BigDecimal(f).add(new BigDecimal(Math.nextUp(f))).divide(BigDecimal.valueOf(2));
            checkParse(mid.toString());
        }
        System.out.println(failures == 0 ? "ok" : failures + " failures");
        System.exit(failures == 0 ? 0 : 1);
    }
}
