// Java 7 sources that the toolchain must carry to CLDC: an inner class made through an
// outer instance (javac checks the instance with Objects.requireNonNull), and explicit
// use of StringBuilder with every method StringBuffer has.
public class ToolchainTest {
    int value = 5;

    class Inner {
        int get() {
            return value;
        }
    }

    static int make(ToolchainTest outer) {
        return outer.new Inner().get();
    }

    public static void main(String[] args) {
        System.out.println("inner " + make(new ToolchainTest()));
        try {
            make(null);
            System.out.println("no exception");
        } catch (NullPointerException e) {
            System.out.println("null outer: NullPointerException");
        }
        StringBuilder b = new StringBuilder("abc");
        b.append(1).append('x').append(2L).append(1.5f).append(2.5).append(true).append((Object) null).append(new char[] {'q'})
            .append(new char[] {'r', 's', 't'}, 1, 2);
        b.insert(0, "<").insert(1, 'I').insert(0, 9).insert(0, 3L).insert(0, false).insert(0, 0.5f).insert(0, 0.25)
            .insert(0, new char[] {'c'}).insert(0, (Object) "o");
        System.out.println(b + " " + b.length() + " " + b.charAt(3) + " " + (b.capacity() >= b.length()));
        b.setCharAt(0, 'Z');
        b.deleteCharAt(1).delete(2, 5).reverse();
        b.ensureCapacity(100);
        b.setLength(6);
        char[] chars = new char[4];
        b.getChars(1, 5, chars, 0);
        System.out.println(b.toString() + " " + new String(chars));
    }
}
