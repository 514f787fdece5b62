// Recursive Fibonacci: static calls and returns.
public class Fib {
    static int fib(int n) {
        return n < 2 ? n : fib(n - 1) + fib(n - 2);
    }

    public static void main(String[] args) {
        int n = args.length > 0 ? Integer.parseInt(args[0]) : 20;
        System.out.println("fib(" + n + ") = " + fib(n));
    }
}
