/**
 * Calls Math.sin or Math.sqrt (args[0]: "sin", "sqrt" or "loop" for the bare loop) args[1]
 * times, for movane_host_vm_bench.
 */
public class MathBench {
    public static void main(String[] args) {
        int n = Integer.parseInt(args[1]);
        double x = 0.5;
        double sum = 0;
        if (args[0].equals("sin")) {
            for (int i = 0; i < n; i++) {
                sum += Math.sin(x);
                x += 0.001;
            }
        } else if (args[0].equals("sqrt")) {
            for (int i = 0; i < n; i++) {
                sum += Math.sqrt(x);
                x += 1.0;
            }
        } else {
            for (int i = 0; i < n; i++) {
                sum += x;
                x += 1.0;
            }
        }
        // keeps the sum alive
        if (sum == 0.25) {
            System.out.println(sum);
        }
    }
}
