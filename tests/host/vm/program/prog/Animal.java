package prog;

public abstract class Animal implements Named, Valued {
    private static int created;
    protected final String id;
    protected int legs;
    long weightGrams;

    protected Animal(String id, int legs, long weightGrams) {
        this.id = id;
        this.legs = legs;
        this.weightGrams = weightGrams;
        created++;
    }

    public static int created() {
        return created;
    }

    public abstract String sound();

    public String name() {
        return getClass().getName().substring(5) + " " + id;
    }

    public long value() {
        return weightGrams * SCALE + legs;
    }

    public String toString() {
        return name() + " says " + sound() + " (" + legs + " legs, " + weightGrams + " g)";
    }
}
