import java.util.Random;

// Random: the same seed gives Java SE's numbers, for every kind of draw.
public class RandomSequence {
    public static void main(String[] args) {
        long[] seeds = {0L, 1L, -1L, 42L, 0x5DEECE66DL, Long.MIN_VALUE, Long.MAX_VALUE, 123456789012345L};
        int[] bounds = {1, 2, 3, 7, 10, 16, 100, 1 << 30, (1 << 30) + 1, Integer.MAX_VALUE};
        for (int s = 0; s < seeds.length; s++) {
            Random r = new Random(seeds[s]);
            StringBuffer line = new StringBuffer("seed " + seeds[s] + ":");
            for (int i = 0; i < 4; i++) {
                line.append(' ').append(r.nextInt());
            }
            for (int i = 0; i < bounds.length; i++) {
                line.append(' ').append(r.nextInt(bounds[i]));
            }
            line.append(' ').append(r.nextLong()).append(' ').append(r.nextLong());
            line.append(' ').append(r.nextFloat()).append(' ').append(r.nextDouble());
            System.out.println(line);
        }
        // reseeding restarts the sequence
        Random r = new Random(7);
        int first = r.nextInt();
        r.nextDouble();
        r.setSeed(7);
        System.out.println("reseeded " + (r.nextInt() == first));
        // a long run of bounded draws covers the rejection loop
        r = new Random(99);
        long sum = 0;
        for (int i = 0; i < 20000; i++) {
            sum += r.nextInt(1000000007 % 1073741824 + 1073741823);
        }
        System.out.println("sum " + sum);
        int[] bad = {0, -1, Integer.MIN_VALUE};
        for (int i = 0; i < bad.length; i++) {
            try {
                r.nextInt(bad[i]);
                System.out.println("nextInt(" + bad[i] + ") returned");
            } catch (IllegalArgumentException e) {
                System.out.println("nextInt(" + bad[i] + ") IllegalArgumentException");
            }
        }
    }
}
