/**
 * The primes below 10,000 by trial division: 1229 of them.
 */
public class PrimesTest {

    public static void main(String[] args) {
        int count = 0;
        int last = 0;
        long sum = 0;
        for (int n = 2; n < 10000; n++) {
            boolean prime = true;
            for (int d = 2; d * d <= n; d++) {
                if (n % d == 0) {
                    prime = false;
                    break;
                }
            }
            if (prime) {
                count++;
                sum += n;
                last = n;
                if (count <= 10) {
                    System.out.print(n + " ");
                }
            }
        }
        System.out.println();
        System.out.println("count " + count);
        System.out.println("largest " + last);
        System.out.println("sum " + sum);
    }
}
