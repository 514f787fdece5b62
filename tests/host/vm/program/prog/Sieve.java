package prog;

public class Sieve {
    public static int[] primes(int limit) {
        boolean[] composite = new boolean[limit + 1];
        int count = 0;
        for (int i = 2; i <= limit; i++) {
            if (!composite[i]) {
                count++;
                for (int j = i * i; j <= limit; j += i) {
                    composite[j] = true;
                }
            }
        }
        int[] out = new int[count];
        int k = 0;
        for (int i = 2; i <= limit; i++) {
            if (!composite[i]) {
                out[k++] = i;
            }
        }
        return out;
    }
}
