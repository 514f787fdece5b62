package prog;

public interface Valued {
    int SCALE = 10;

    long value();
}
