/**
 * Static initialisers that fail while the collector moves the thread's stack: the
 * caller sees the initialiser's Error and later NoClassDefFoundError, and nothing
 * else in the heap is overwritten.
 */
public class ClinitErrorTest {
    static Object[] held;

    static void hold() {
        held = new Object[60];
        for (int i = 0; i < held.length; i++) held[i] = new byte[64];
    }

    static class Fails {
        static int value = compute();

        static int compute() {
            IllegalStateException e = new IllegalStateException("no value");
            held = null;
            throw e;
        }
    }

    static class FailsWithError {
        static int value = compute();

        static int compute() {
            ArithmeticError e = new ArithmeticError();
            held = null;
            throw e;
        }
    }

    static class ArithmeticError extends Error {
    }

    static class FailsWithText {
        static int value = compute();

        static int compute() {
            throw new IllegalStateException("\u00e9\u00a9\ud83d\ude00");
        }
    }

    static String tail(String m, int n) {
        if (m == null || m.length() < n) return "none";
        StringBuffer codes = new StringBuffer();
        for (int k = m.length() - n; k < m.length(); k++) codes.append(' ').append(Integer.toHexString(m.charAt(k)));
        return codes.toString();
    }

    static String describe(Throwable t) {
        String name = t.getClass().getName();
        // the small library's Error of a failing initialiser carries the cause in its message
        if (name.equals("java.lang.ExceptionInInitializerError") || name.equals("java.lang.Error")) {
            return "java.lang.Error";
        }
        return name;
    }

    static void check(String who) {
        int[] live = new int[3000];
        for (int i = 0; i < live.length; i++) live[i] = i * 7;
        for (int round = 0; round < 2; round++) {
            try {
                System.out.println(who + " value " + Fails.value);
            } catch (Throwable t) {
                System.out.println(who + " " + describe(t));
            }
            try {
                System.out.println(who + " value " + FailsWithError.value);
            } catch (Throwable t) {
                System.out.println(who + " " + describe(t));
            }
            hold();
        }
        try {
            System.out.println(who + " value " + FailsWithText.value);
        } catch (Throwable t) {
            // the message keeps every character of the cause's message
            System.out.println(who + " " + describe(t) + ", message ends" + tail(t.getMessage(), 4));
        }
        boolean intact = true;
        for (int i = 0; i < live.length; i++) intact &= live[i] == i * 7;
        System.out.println(who + " live array intact: " + intact);
    }

    public static void main(String[] args) throws Exception {
        hold();
        Thread t = new Thread() {
            public void run() {
                check("thread");
            }
        };
        t.start();
        t.join();
    }
}
