package prog;

public interface Counter extends Visitor {
    int count();
}
