package verify;

// Nested try/finally blocks, copied into every exit path by the compiler.
public class Finally {
    int state;

    int nested(int[] a, int i) {
        try {
            try {
                if (a[i] < 0) {
                    return -1;
                }
                state += a[i];
            } finally {
                state++;
            }
            try {
                return a[i + 1] / a[i];
            } catch (ArithmeticException e) {
                return 0;
            } finally {
                state *= 2;
            }
        } catch (ArrayIndexOutOfBoundsException e) {
            return -2;
        } finally {
            state--;
        }
    }

    static String loop(String[] names) {
        StringBuffer out = new StringBuffer();
        for (int i = 0; i < names.length; i++) {
            try {
                if (names[i] == null) {
                    continue;
                }
                out.append(names[i]);
            } finally {
                out.append(',');
            }
        }
        return out.toString();
    }
}
