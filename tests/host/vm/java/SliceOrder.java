/**
 * Two threads that never block, doing float, double and long work, note in a shared
 * array who ran at each step. What is printed depends on exactly where the scheduler
 * switches between them: how many instructions count towards a time slice.
 */
public class SliceOrder extends Thread {
    static final int STEPS = 3000;
    static final byte[] trace = new byte[2 * STEPS];
    static int at;

    final int me;
    float f;
    double d;
    long l;
    final float[] fa = new float[4];
    final double[] da = new double[4];

    SliceOrder(int me) {
        this.me = me;
    }

    public void run() {
        for (int i = 0; i < STEPS; i++) {
            // straight-line integer work, which counts for nothing, between float work
            int k = i & 3;
            fa[k] = fa[k] * 0.5f + i;
            da[k] = da[k] * 0.25 + fa[k];
            f = f * 1.0001f + (float) i / 3;
            d = d - d / 7 + Math.sqrt(i);
            l = l * 31 + (long) d + (int) f;
            if (d > f || fa[k] < da[k]) l ^= i;
            if (i % (me + 2) == 0) {
                double x = d;
                for (int j = 0; j < me + 1; j++) x = x * 0.5 + j;
                d = x;
            }
            trace[at++] = (byte) ('a' + me);
        }
    }

    public static void main(String[] args) throws InterruptedException {
        SliceOrder a = new SliceOrder(0), b = new SliceOrder(1);
        a.start();
        b.start();
        a.join();
        b.join();
        // the order as runs: a letter and how many steps it ran in a row
        StringBuffer out = new StringBuffer();
        int n = 0;
        for (int i = 0; i < at; i++) {
            n++;
            if (i + 1 == at || trace[i + 1] != trace[i]) {
                out.append((char) trace[i]).append(n).append(' ');
                n = 0;
            }
        }
        System.out.println(out.toString().trim());
        System.out.println("a: " + a.l + " " + (long) (a.d * 1000) + " " + (int) a.f);
        System.out.println("b: " + b.l + " " + (long) (b.d * 1000) + " " + (int) b.f);
    }
}
