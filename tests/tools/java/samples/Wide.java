package samples;

public class Wide {
    static double mix(long a, double b, int n) {
        long acc = a;
        double scale = b;
        for (int i = 0; i < n; i++) {
            if ((i & 1) == 0) {
                acc += i;
            } else {
                scale *= 0.5;
            }
        }
        float f = n > 3 ? 1.5f : 2.5f;
        long[] la = new long[] {acc, a};
        return acc * scale + f + la[1];
    }

    long between(long x, int y, double z) {
        long keep = x;
        if (y > 0) {
            double d = z * y;
            keep += (long) d;
        } else {
            int k = y - 1;
            keep -= k;
        }
        return keep;
    }

    // The frame after the block drops a long and a double: two types, four slots.
    static long chopWide(int n) {
        long total = 0;
        if (n > 0) {
            long a = n;
            double b = 2.0;
            while (a > 0) {
                total += (long) b;
                a--;
            }
        }
        return total;
    }
}
