/**
 * The demo of make run: primes, a little text work and some arithmetic on the VM.
 */
public class Demo {

    public static void main(String[] args) {
        System.out.println("Movane VM demo");
        System.out.println("==============");

        int limit = 100;
        StringBuffer primes = new StringBuffer();
        int count = 0;
        boolean[] composite = new boolean[limit + 1];
        for (int i = 2; i <= limit; i++) {
            if (composite[i]) {
                continue;
            }
            count++;
            if (primes.length() > 0) {
                primes.append(' ');
            }
            primes.append(i);
            for (int j = i * i; j <= limit; j += i) {
                composite[j] = true;
            }
        }
        System.out.println("The " + count + " primes below " + limit + ":");
        System.out.println(primes.toString());

        String text = "  A Java ME runtime, written in C++  ";
        System.out.println("trim:        [" + text.trim() + "]");
        System.out.println("upper case:  " + text.trim().toUpperCase());
        System.out.println("reversed:    " + new StringBuffer(text.trim()).reverse());
        System.out.println("index of ME: " + text.indexOf("ME"));

        long factorial = 1;
        for (int i = 2; i <= 20; i++) {
            factorial *= i;
        }
        System.out.println("20! = " + factorial);
        System.out.println("2^62 in hex = " + Long.toString(1L << 62, 16));
        System.out.println("fib(30) = " + fib(30));
        System.out.println("gcd(1071, 462) = " + gcd(1071, 462));
        if (args.length > 0) {
            System.out.println("arguments: " + args.length + ", first: " + args[0]);
        }
    }

    static int fib(int n) {
        return n < 2 ? n : fib(n - 1) + fib(n - 2);
    }

    static int gcd(int a, int b) {
        return b == 0 ? a : gcd(b, a % b);
    }
}
