package samples;

public class Switches {
    static int table(int k) {
        switch (k) {
            case 1: return 10;
            case 2: return 20;
            case 3: return 30;
            case 4: k += 5; break;
            default: return -1;
        }
        return k;
    }

    static String lookup(int k) {
        String r;
        switch (k) {
            case -100: r = "a"; break;
            case 7: r = "b"; break;
            case 100000: r = "c"; break;
            default: r = null;
        }
        return r;
    }

    static int strings(String s) {
        switch (s) {
            case "one": return 1;
            case "two": return 2;
            default: return 0;
        }
    }
}
