package java.lang.ref;

/**
 * A reference to an object that the collector may clear.
 */
public abstract class Reference {

    // First field: the collector reads and clears it in place.
    private Object referent;
    // Second field: the collector's chain of the weak references it found while marking.
    private int collectorLink;

    Reference(Object referent) {
        this.referent = referent;
    }

    public Object get() {
        return referent;
    }

    public void clear() {
        referent = null;
    }
}
