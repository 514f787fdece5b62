/**
 * Calls a native method that no table binds: the run ends with a fatal error naming it.
 */
public class UnboundNative {

    static native int missing(int x);

    public static void main(String[] args) {
        System.out.println("before");
        System.out.println(missing(1));
        System.out.println("after");
    }
}
