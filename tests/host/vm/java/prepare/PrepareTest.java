/**
 * Code shaped like the groups that method preparation fuses: loops bounded by locals
 * and constants, array reads through locals, fields of this, null tests, string
 * comparisons with a literal, switches, and exceptions caught around fused code.
 * Its output is the same with preparation on and off.
 */
public class PrepareTest {
    private int count;
    private int[] values;
    private PrepareTest next;
    private long total;
    private Object tag;

    PrepareTest(int count) {
        this.count = count;
        values = new int[count];
        for (int i = 0; i < count; i++) {
            values[i] = i * i - 3;
        }
    }

    int sum() {
        int s = 0;
        for (int i = 0; i < count; i++) {
            s += values[i];
        }
        return s;
    }

    long chain() {
        long t = 0;
        PrepareTest p = this;
        while (p != null) {
            t += p.count + p.total;
            p = p.next;
        }
        return t + total;
    }

    static int compare(int a, int b) {
        int r = 0;
        if (a < b) r += 1;
        if (a == b) r += 2;
        if (a > 5) r += 4;
        if (a <= -1) r += 8;
        if (a != 0) r += 16;
        if (b >= 100) r += 32;
        return r;
    }

    static int kind(Object o) {
        if (o == null) return 0;
        if (o == "alpha") return 1;
        if (o != "beta") return 2;
        return 3;
    }

    static int select(int k) {
        int x = 0;
        int y = 1;
        switch (k) {
            case 0: x = y + 10; break;
            case 1: x = y - 3; break;
            case 2: x = k + y; break;
            default: x = -1;
        }
        if (x > 2) x = x - 2;
        return x;
    }

    static int lookup(int k) {
        int r = 0;
        switch (k) {
            case -100: r = 7; break;
            case 5: r = k + 1; break;
            case 1000: r = k - 1; break;
            default: r = 0;
        }
        return r;
    }

    static int guarded(int[] a, int i) {
        int v;
        try {
            v = a[i];
        } catch (ArrayIndexOutOfBoundsException e) {
            v = -1;
        } catch (NullPointerException e) {
            v = -2;
        }
        return v;
    }

    static String join(String[] words, int from, int to) {
        StringBuffer b = new StringBuffer();
        for (int i = from; i < to; i++) {
            if (i > from) b.append(',');
            b.append(words[i]);
        }
        return b.toString();
    }

    public static void main(String[] args) {
        PrepareTest a = new PrepareTest(10);
        PrepareTest b = new PrepareTest(4);
        a.next = b;
        a.total = 1000000000000L;
        b.total = 7;
        a.tag = "alpha";
        System.out.println("sum " + a.sum() + " " + b.sum());
        System.out.println("chain " + a.chain());
        int[][] pairs = {{1, 2}, {2, 2}, {6, 100}, {-3, -3}, {0, 0}, {7, 1}};
        for (int i = 0; i < pairs.length; i++) {
            System.out.print(compare(pairs[i][0], pairs[i][1]) + " ");
        }
        System.out.println();
        String beta = "be";
        beta = beta + "ta";
        System.out.println("kind " + kind(null) + kind(a.tag) + kind("gamma") + kind(beta.intern()) + kind(beta));
        for (int k = -1; k < 4; k++) {
            System.out.print(select(k) + " ");
        }
        System.out.println(lookup(-100) + " " + lookup(5) + " " + lookup(1000) + " " + lookup(6));
        int[] small = {4, 5, 6};
        System.out.println("guarded " + guarded(small, 2) + " " + guarded(small, 3) + " " + guarded(small, -1) + " "
                + guarded(null, 0));
        String[] words = {"one", "two", "three", "four"};
        System.out.println(join(words, 1, 4));
        int acc = 0;
        for (int i = 0; i < 100000; i++) {
            acc = acc + (i & 7) - 3;
            if (acc > 1000) acc = acc - 999;
        }
        System.out.println("acc " + acc);
    }
}
