package java.lang.ref;

/**
 * A reference the collector clears once its referent is reachable only through weak
 * references.
 */
public class WeakReference extends Reference {

    public WeakReference(Object referent) {
        super(referent);
        initializeWeakReference();
    }

    private native void initializeWeakReference();
}
