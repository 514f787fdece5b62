package samples;

public class StaticInit {
    static final int CONSTANT = 42;
    static final String NAME = "static";
    static final int[] SQUARES;
    static long total;

    static {
        SQUARES = new int[10];
        for (int i = 0; i < SQUARES.length; i++) {
            SQUARES[i] = i * i;
            total += SQUARES[i];
        }
        if (total > 1000) {
            total = 1000;
        }
    }
}
