// Sieve of Eratosthenes, run again and again: array stores, loads and int branches.
public class Sieve {
    public static void main(String[] args) {
        int rounds = args.length > 0 ? Integer.parseInt(args[0]) : 20;
        int limit = 100000;
        boolean[] composite = new boolean[limit + 1];
        int count = 0;
        for (int r = 0; r < rounds; r++) {
            for (int i = 0; i <= limit; i++) composite[i] = false;
            count = 0;
            for (int i = 2; i <= limit; i++) {
                if (composite[i]) continue;
                count++;
                for (int j = i + i; j <= limit; j += i) composite[j] = true;
            }
        }
        System.out.println("primes below " + limit + ": " + count);
    }
}
