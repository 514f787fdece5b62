package prog;

public class SavingsAccount extends Account {
    private final int basisPoints;

    public SavingsAccount(String owner, long opening, int basisPoints) {
        super(owner, opening);
        this.basisPoints = basisPoints;
    }

    public void monthEnd() {
        balance += balance * basisPoints / 10000;
    }
}
