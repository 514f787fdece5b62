package java.util;

/**
 * The elements of a collection, one after the other.
 */
public interface Enumeration {

    boolean hasMoreElements();

    Object nextElement();
}
