package samples;

public class Loops {
    static int sum(int[] values) {
        int total = 0;
        for (int i = 0; i < values.length; i++) {
            if (values[i] < 0) {
                continue;
            }
            total += values[i];
        }
        return total;
    }

    static int nested(int n) {
        int count = 0;
        outer:
        for (int i = 0; i < n; i++) {
            int j = 0;
            while (true) {
                if (j > i) {
                    break;
                }
                if (i * j > 50) {
                    break outer;
                }
                count++;
                j++;
            }
        }
        do {
            count--;
        } while (count > 100);
        return count;
    }
}
