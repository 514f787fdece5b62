package prog;

public class Account {
    private static long nextNumber = 1000000000000L;
    protected final long number;
    protected long balance;
    final String owner;

    public Account(String owner, long opening) {
        this.owner = owner;
        this.balance = opening;
        this.number = nextNumber;
        nextNumber += 7;
    }

    public void withdraw(long amount) throws InsufficientFunds {
        if (amount > balance) {
            throw new InsufficientFunds(amount - balance);
        }
        balance -= amount;
    }

    public void deposit(long amount) {
        balance += amount;
    }

    public void monthEnd() {
    }

    public String toString() {
        return owner + " " + number + ": " + balance;
    }
}
