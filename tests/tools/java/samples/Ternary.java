package samples;

public class Ternary {
    final Object value;
    final int number;

    Ternary(Object value) {
        this.value = value;
        this.number = 0;
    }

    // A branch before super(): the frames hold the uninitialised this.
    Ternary(boolean c) {
        this(c ? "yes" : (Object) new StringBuffer("no"));
    }

    static Ternary make(boolean c, String a, Integer b) {
        return new Ternary(c ? (Object) a : b);
    }

    static Object[] arrays(boolean c, String[] a, Integer[] b) {
        Object[] r = c ? (Object[]) a : b;
        int[][] grid = new int[3][4];
        return r instanceof String[] ? r : new Object[] {grid};
    }
}
