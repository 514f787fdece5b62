package verify;

// Uninitialised objects on the stack while a branch picks an argument.
public class Conditional {
    final Object value;

    Conditional(Object value) {
        this.value = value;
    }

    Conditional(int x) {
        this(x > 0 ? (Object) "positive" : new StringBuffer("other"));
    }

    static Conditional pick(int x, String a, StringBuffer b) {
        return new Conditional(x > 0 ? (Object) a : b);
    }

    static Conditional nested(int x, int y) {
        return new Conditional(new Conditional(x > y ? new Integer(x) : new Integer(y)));
    }

    static String describe(Object o) {
        return o == null ? "null" : o instanceof String ? (String) o : o.toString();
    }
}
