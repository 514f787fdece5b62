package samples;

public class Concat {
    String all(int i, char c, long l, boolean b, Object o, String s, char[] cs) {
        String t = "i=" + i + " c=" + c + " l=" + l + " b=" + b + " o=" + o + " s=" + s + cs;
        t += i;
        return t;
    }

    // A literal that spells the mapped class name stays as it is; javac keeps one pool
    // text for both.
    static String name(int k) {
        String n = "java/lang/StringBuilder";
        return n + k;
    }
}
