package prog;

public class Rect extends Shape {
    protected final int w;
    protected final int h;

    public Rect(int w, int h) {
        this.w = w;
        this.h = h;
    }

    public int area() {
        return w * h;
    }

    public String name() {
        return "rect " + w + "x" + h;
    }
}
