/**
 * Float and Double: their bit conversions (NaN folded to the canonical NaN, negative
 * zero kept), text in both directions, and arithmetic the interpreter does in SSE2.
 */
public class FloatTest {
    static String hex(long v) {
        return Long.toString(v, 16);
    }

    public static void main(String[] args) {
        float[] floats = {0.0f, -0.0f, 1.5f, -2.25f, 0.1f, 3.4028235e38f, 1.4e-45f, 1e10f, 123456.78f};
        for (int i = 0; i < floats.length; i++) {
            float f = floats[i];
            int bits = Float.floatToIntBits(f);
            System.out.println("float " + f + " bits " + hex(bits & 0xffffffffL) + " back " + Float.intBitsToFloat(bits));
        }
        double[] doubles = {0.0, -0.0, 0.1 + 0.2, 1.0 / 3, -1e-300, 1.7976931348623157e308, 4.9e-324, 2.5e15, 100.0};
        for (int i = 0; i < doubles.length; i++) {
            double d = doubles[i];
            long bits = Double.doubleToLongBits(d);
            System.out.println("double " + d + " bits " + hex(bits) + " back " + Double.longBitsToDouble(bits));
        }
        // every NaN becomes the one canonical NaN; the raw bits survive the way back
        float oddNaN = Float.intBitsToFloat(0x7f800123);
        System.out.println("float NaN " + oddNaN + " bits " + hex(Float.floatToIntBits(oddNaN))
                + " is NaN " + Float.isNaN(oddNaN));
        double oddDoubleNaN = Double.longBitsToDouble(0xfff0000000000001L);
        System.out.println("double NaN " + oddDoubleNaN + " bits " + hex(Double.doubleToLongBits(oddDoubleNaN))
                + " is NaN " + Double.isNaN(oddDoubleNaN));
        System.out.println("infinities " + (1.0f / 0.0f) + " " + (-1.0 / 0.0));
        System.out.println("parsed " + Float.parseFloat("2.5e-3") + " " + Double.parseDouble("-7.125")
                + " " + Double.valueOf("1e100").doubleValue());
        System.out.println("equals: NaN " + new Double(0.0 / 0.0).equals(new Double(Double.NaN))
                + ", zeros " + new Float(0.0f).equals(new Float(-0.0f)));
        double sum = 0;
        for (int i = 1; i <= 100; i++) {
            sum += 1.0 / i;
        }
        System.out.println("harmonic(100) = " + sum + ", as float " + (float) sum + ", as int " + (int) sum);
    }
}
