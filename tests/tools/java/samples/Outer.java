package samples;

public class Outer {
    private int secret = 3;

    class Inner {
        int reveal(int k) {
            return k > 0 ? secret + k : secret;
        }
    }

    static class Nested {
        final String name;

        Nested(String name) {
            this.name = name == null ? "none" : name;
        }
    }

    Object anonymous(final int k) {
        return new Object() {
            public String toString() {
                return k < 0 ? "negative" : "other";
            }
        };
    }

    int use() {
        Inner in = new Inner();
        return in.reveal(secret) + new Nested(null).name.length();
    }
}
