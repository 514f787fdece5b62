package verify;

// Long and double locals live across branches and loops; slots are reused for
// other types between scopes.
public class Wide {
    static long sum(long[] values, double scale) {
        long total = 0;
        double weighted = 0.0;
        for (int i = 0; i < values.length; i++) {
            if (values[i] > 0) {
                total += values[i];
            } else {
                weighted += values[i] * scale;
            }
        }
        return total + (long) weighted;
    }

    static double reuse(boolean flag) {
        double result;
        {
            long a = flag ? 1L : -1L;
            result = a;
        }
        {
            int b = 3;
            float c = flag ? 1.5f : 2.5f;
            result += b * c;
        }
        {
            double d = result > 2 ? result / 2 : result * 2;
            long e = (long) d;
            result = e + d;
        }
        return result;
    }

    static long mixed(int n, long basis, double factor) {
        long x = basis;
        int i = 0;
        while (i < n) {
            double y = x * factor;
            if (y > 1e9) {
                x = (long) (y / 3);
            } else {
                x = x * 31 + i;
            }
            i++;
        }
        return x;
    }
}
