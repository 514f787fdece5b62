/**
 * Prints a line, and a text without line end that it flushes, then waits to be killed:
 * both must have reached standard output by then.
 */
public class PrintThenWait {
    public static void main(String[] args) throws InterruptedException {
        System.out.println("a line");
        System.out.print("flushed");
        System.out.flush();
        System.err.print("error text");
        Thread.sleep(600000);
    }
}
