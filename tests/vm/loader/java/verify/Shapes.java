package verify;

// Arrays of interfaces: element stores of classes, conditionals that merge arrays
// of classes and interfaces, and arrays of arrays.
public class Shapes {
    interface Shape {
        int area();
    }

    interface Named extends Shape {
        String name();
    }

    static class Square implements Named {
        final int side;

        Square(int side) {
            this.side = side;
        }

        public int area() {
            return side * side;
        }

        public String name() {
            return "square";
        }
    }

    static class Circle implements Shape {
        final int r;

        Circle(int r) {
            this.r = r;
        }

        public int area() {
            return 3 * r * r;
        }
    }

    static Shape[] all() {
        Shape[] s = {new Square(2), new Circle(3), null};
        return s;
    }

    static Shape[] make(boolean f) {
        return f ? new Square[2] : new Shape[1];
    }

    static Shape[] named(boolean f, Named[] a, Square[] b) {
        Shape[] r = f ? a : b;
        return r;
    }

    static Object[] objects(boolean f, Shape[] a, Circle[] b) {
        Object[] r = f ? (Object[]) a : b;
        return r;
    }

    static int total(Shape[] s) {
        int t = 0;
        for (int i = 0; i < s.length; i++) {
            if (s[i] != null) {
                t += s[i].area();
            }
        }
        return t;
    }

    static Shape[][] grid() {
        Shape[][] g = new Shape[3][];
        g[0] = new Square[1];
        g[1] = all();
        g[2] = new Named[] {new Square(5)};
        g[0][0] = new Square(4);
        return g;
    }

    static Shape first(Shape[] a) {
        return a.length > 0 ? a[0] : new Square(1);
    }

    static Named[][] square(int n) {
        Named[][] m = new Named[n][n];
        for (int i = 0; i < n; i++) {
            m[i][i] = new Square(i);
        }
        return m;
    }
}
