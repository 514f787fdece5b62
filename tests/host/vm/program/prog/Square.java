package prog;

public class Square extends Rect {
    public Square(int side) {
        super(side, side);
    }

    public String name() {
        return "square " + w;
    }
}
