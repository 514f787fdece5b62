package java.util;

/**
 * A stream of pseudo-random numbers from a 48-bit linear congruential generator: the same
 * seed gives the same numbers as on Java SE. The generator steps are native.
 */
public class Random {

    // The natives read the seed here: the low 32 bits, then the high 16 bits.
    private int seedLow;
    private int seedHigh;

    public Random() {
        this(System.currentTimeMillis());
    }

    public Random(long seed) {
        nativeInit();
        setSeed(seed);
    }

    private native void nativeInit();

    public native void setSeed(long seed);

    protected native int next(int bits);

    public native int nextInt();

    public native int nextInt(int n);

    public native long nextLong();

    public float nextFloat() {
        return next(24) / ((float) (1 << 24));
    }

    public double nextDouble() {
        return (((long) next(26) << 27) + next(27)) / (double) (1L << 53);
    }
}
