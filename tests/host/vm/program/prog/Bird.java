package prog;

public class Bird extends Animal {
    public Bird(String id, long grams) {
        super(id, 2, grams);
    }

    public String sound() {
        return "tweet";
    }

    public boolean flies() {
        return true;
    }
}
