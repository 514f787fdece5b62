package prog;

public class Ledger {
    private final Account[] accounts;
    private int failures;

    public Ledger(Account[] accounts) {
        this.accounts = accounts;
    }

    public void transfer(int from, int to, long amount) {
        try {
            accounts[from].withdraw(amount);
            accounts[to].deposit(amount);
        } catch (InsufficientFunds e) {
            failures++;
            System.out.println("refused: " + e.getMessage() + " (" + e.missing + ")");
        } finally {
            accounts[from].monthEnd();
        }
    }

    public long total() {
        long sum = 0;
        for (int i = 0; i < accounts.length; i++) {
            sum += accounts[i].balance;
        }
        return sum;
    }

    public int failures() {
        return failures;
    }

    public void print() {
        for (int i = 0; i < accounts.length; i++) {
            System.out.println("  " + accounts[i]);
        }
    }
}
