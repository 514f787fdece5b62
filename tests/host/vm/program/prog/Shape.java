package prog;

public abstract class Shape implements Named {
    public abstract int area();

    public int compareArea(Shape o) {
        return area() - o.area();
    }
}
