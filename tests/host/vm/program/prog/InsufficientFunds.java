package prog;

public class InsufficientFunds extends Exception {
    public final long missing;

    public InsufficientFunds(long missing) {
        super("missing " + missing);
        this.missing = missing;
    }
}
