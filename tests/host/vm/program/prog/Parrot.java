package prog;

public class Parrot extends Bird {
    private final String phrase;

    public Parrot(String id, long grams, String phrase) {
        super(id, grams);
        this.phrase = phrase;
    }

    public String sound() {
        return super.sound() + ", " + phrase;
    }
}
