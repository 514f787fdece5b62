package prog;

public interface Visitor {
    void visit(Animal a);
}
