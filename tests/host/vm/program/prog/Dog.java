package prog;

public class Dog extends Animal {
    public Dog(String id, long grams) {
        super(id, 4, grams);
    }

    public String sound() {
        return "woof";
    }
}
