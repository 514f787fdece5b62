package com.movane.util;

import java.util.Hashtable;

/**
 * A Hashtable whose String keys are looked up and inserted by natives, without a call
 * to hashCode or equals. Keys of other classes go through Hashtable itself; since a
 * String's hash is the one the natives compute, both kinds of entry share the buckets.
 */
public class StringKeyHashtable extends Hashtable {

    public StringKeyHashtable(int initialCapacity) {
        super(initialCapacity);
    }

    public StringKeyHashtable() {
        super();
    }

    /** The value of key, or null; a null key throws NullPointerException. */
    public native Object get(String key);

    /** Whether key has a value; a null key throws NullPointerException. */
    public native boolean containsKey(String key);

    public Object get(Object key) {
        return key instanceof String ? get((String) key) : super.get(key);
    }

    public boolean containsKey(Object key) {
        return key instanceof String ? containsKey((String) key) : super.containsKey(key);
    }

    public synchronized Object put(Object key, Object value) {
        if (!(key instanceof String)) {
            return super.put(key, value);
        }
        try {
            return nativePut(key, value);
        } catch (ArrayIndexOutOfBoundsException full) {
            // the native refuses a new entry at the threshold and changes nothing
            rehash();
            return nativePut(key, value);
        }
    }

    /** Puts a String key; at the threshold a new key throws ArrayIndexOutOfBoundsException. */
    private native Object nativePut(Object key, Object value);
}
