import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.List;

// Reads MathUlp's lines and checks each result against StrictMath: sqrt exact, the
// others within one ulp, and NaN, zeros and infinities exactly.
public class MathUlpCheck {
    static double parse(String s) {
        return Double.longBitsToDouble(Long.parseLong(s, 16));
    }

    public static void main(String[] args) throws Exception {
        List<String> lines = Files.readAllLines(Paths.get(args[0]));
        int bad = 0;
        String[] names = {"sin", "cos", "tan", "sqrt"};
        for (String line : lines) {
            String[] f = line.split(" ");
            double x = parse(f[0]);
            double[] want = {StrictMath.sin(x), StrictMath.cos(x), StrictMath.tan(x), StrictMath.sqrt(x)};
            for (int i = 0; i < 4; i++) {
                double got = parse(f[i + 1]);
                boolean exact = Double.doubleToLongBits(got) == Double.doubleToLongBits(want[i]);
                boolean special = Double.isNaN(want[i]) || Double.isInfinite(want[i]) || want[i] == 0.0 || i == 3;
                boolean ok = exact || (!special && Math.abs(got - want[i]) <= Math.ulp(want[i]));
                if (!ok) {
                    System.out.println(names[i] + "(" + x + ") = " + got + ", StrictMath gives " + want[i]);
                    bad++;
                }
            }
        }
        if (lines.size() < 4000) {
            System.out.println("only " + lines.size() + " lines");
            bad++;
        }
        System.exit(bad == 0 ? 0 : 1);
    }
}
