package prog;

public final class Limits {
    public static final int MAX_CAGES = 8;
    public static final long BIG = 0x123456789ABCDEFL;
    public static final long NEGATIVE = -4000000000L;
    public static final String GREETING = "welcome";
    public static final char LETTER = 'Q';
    public static final short SMALL = -12345;
    public static final byte TINY = -7;
    public static final boolean ON = true;
    static long counter = 5;

    private Limits() {
    }
}
