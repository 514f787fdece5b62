package prog;

public class Fish extends Animal {
    public Fish(String id, long grams) {
        super(id, 0, grams);
    }

    public String sound() {
        return "...";
    }

    public long value() {
        return super.value() / 2;
    }
}
