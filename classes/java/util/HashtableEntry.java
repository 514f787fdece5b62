package java.util;

/**
 * One key and its value in a Hashtable bucket.
 */
class HashtableEntry {

    int hash;
    Object key;
    Object value;
    HashtableEntry next;
}
