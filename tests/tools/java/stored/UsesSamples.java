package stored;

import samples.Loops;

public class UsesSamples {
    public static int run() {
        return new Loops().hashCode() == 0 ? 1 : 2;
    }
}
