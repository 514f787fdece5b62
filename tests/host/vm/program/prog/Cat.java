package prog;

public class Cat extends Animal {
    private final boolean grumpy;

    public Cat(String id, long grams, boolean grumpy) {
        super(id, 4, grams);
        this.grumpy = grumpy;
    }

    public String sound() {
        return grumpy ? "hiss" : "meow";
    }
}
