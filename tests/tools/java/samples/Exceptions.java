package samples;

public class Exceptions {
    private int state;

    int tryCatchFinally(String s) {
        int r = 0;
        try {
            r = Integer.parseInt(s);
        } catch (NumberFormatException e) {
            r = -1;
        } catch (RuntimeException e) {
            r = -2;
        } finally {
            state++;
        }
        return r;
    }

    int nested(Object o) {
        try {
            try {
                if (o == null) {
                    throw new IllegalArgumentException("null");
                }
                return o.hashCode();
            } catch (IllegalArgumentException e) {
                state = 7;
                throw new IllegalStateException(e.getMessage());
            } finally {
                state += 2;
            }
        } catch (IllegalStateException e) {
            return state;
        }
    }

    synchronized int guarded(int[] a) {
        synchronized (a) {
            return a.length > 0 ? a[0] : -1;
        }
    }
}
