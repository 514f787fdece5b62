package verify;

// An inner class stores this$0 before it calls its superclass constructor.
public class Outer {
    int base = 5;

    static class Base {
        final int basis;

        Base(int basis) {
            this.basis = basis;
        }
    }

    class Inner extends Base {
        Inner(int k) {
            super(k > 0 ? k : -k);
        }

        int total() {
            return base + basis;
        }
    }

    int use(int k) {
        return new Inner(k).total();
    }
}
