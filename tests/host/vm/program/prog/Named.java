package prog;

public interface Named {
    String name();
}
