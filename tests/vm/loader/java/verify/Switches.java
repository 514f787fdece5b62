package verify;

// Dense and sparse switches, negative keys, fall-through and nested switches.
public class Switches {
    static int dense(int k) {
        switch (k) {
        case 0: return 10;
        case 1: return 11;
        case 2:
        case 3: return 13;
        case 4: k += 4;
        case 5: return k * 2;
        default: return -1;
        }
    }

    static int sparse(int k) {
        int r = 0;
        switch (k) {
        case -100000: r = 1; break;
        case -1: r = 2; break;
        case 7: r = 3; break;
        case 1000: r = 4; break;
        case 2147483647: r = 5; break;
        default: r = 6;
        }
        return r;
    }

    static long nested(char c, int k) {
        long total = 0;
        switch (c) {
        case 'a':
            switch (k) {
            case 1: total = 1L << 40; break;
            case 2: total = -7; break;
            default: total = k;
            }
            break;
        case 'z':
            total = dense(k) + sparse(k);
            break;
        }
        return total;
    }
}
