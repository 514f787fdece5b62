package java.util;

/**
 * A table of keys and values with chained buckets; neither may be null.
 */
public class Hashtable {

    private HashtableEntry[] table;
    private int count;
    private int threshold;

    private static final int LOAD_PERCENT = 75;

    public Hashtable(int initialCapacity) {
        if (initialCapacity < 0) {
            throw new IllegalArgumentException();
        }
        if (initialCapacity == 0) {
            initialCapacity = 1;
        }
        table = new HashtableEntry[initialCapacity];
        threshold = initialCapacity * LOAD_PERCENT / 100;
    }

    public Hashtable() {
        this(11);
    }

    public int size() {
        return count;
    }

    public boolean isEmpty() {
        return count == 0;
    }

    public synchronized Enumeration keys() {
        return new HashtableEnumeration(table, true);
    }

    public synchronized Enumeration elements() {
        return new HashtableEnumeration(table, false);
    }

    public synchronized boolean contains(Object value) {
        if (value == null) {
            throw new NullPointerException();
        }
        for (int i = table.length - 1; i >= 0; i--) {
            for (HashtableEntry e = table[i]; e != null; e = e.next) {
                if (e.value.equals(value)) {
                    return true;
                }
            }
        }
        return false;
    }

    private HashtableEntry find(Object key) {
        int hash = key.hashCode();
        int index = (hash & 0x7FFFFFFF) % table.length;
        for (HashtableEntry e = table[index]; e != null; e = e.next) {
            if (e.hash == hash && e.key.equals(key)) {
                return e;
            }
        }
        return null;
    }

    public synchronized boolean containsKey(Object key) {
        return find(key) != null;
    }

    public synchronized Object get(Object key) {
        HashtableEntry e = find(key);
        return e == null ? null : e.value;
    }

    protected void rehash() {
        HashtableEntry[] old = table;
        int newCapacity = old.length * 2 + 1;
        HashtableEntry[] grown = new HashtableEntry[newCapacity];
        for (int i = old.length - 1; i >= 0; i--) {
            HashtableEntry e = old[i];
            while (e != null) {
                HashtableEntry next = e.next;
                int index = (e.hash & 0x7FFFFFFF) % newCapacity;
                e.next = grown[index];
                grown[index] = e;
                e = next;
            }
        }
        table = grown;
        threshold = newCapacity * LOAD_PERCENT / 100;
    }

    public synchronized Object put(Object key, Object value) {
        if (value == null) {
            throw new NullPointerException();
        }
        HashtableEntry e = find(key);
        if (e != null) {
            Object old = e.value;
            e.value = value;
            return old;
        }
        if (count >= threshold) {
            rehash();
        }
        int hash = key.hashCode();
        int index = (hash & 0x7FFFFFFF) % table.length;
        e = new HashtableEntry();
        e.hash = hash;
        e.key = key;
        e.value = value;
        e.next = table[index];
        table[index] = e;
        count++;
        return null;
    }

    public synchronized Object remove(Object key) {
        int hash = key.hashCode();
        int index = (hash & 0x7FFFFFFF) % table.length;
        HashtableEntry previous = null;
        for (HashtableEntry e = table[index]; e != null; previous = e, e = e.next) {
            if (e.hash == hash && e.key.equals(key)) {
                if (previous == null) {
                    table[index] = e.next;
                } else {
                    previous.next = e.next;
                }
                count--;
                return e.value;
            }
        }
        return null;
    }

    public synchronized void clear() {
        for (int i = table.length - 1; i >= 0; i--) {
            table[i] = null;
        }
        count = 0;
    }

    public synchronized String toString() {
        StringBuffer b = new StringBuffer("{");
        boolean first = true;
        for (int i = table.length - 1; i >= 0; i--) {
            for (HashtableEntry e = table[i]; e != null; e = e.next) {
                if (!first) {
                    b.append(", ");
                }
                first = false;
                b.append(String.valueOf(e.key)).append('=').append(String.valueOf(e.value));
            }
        }
        return b.append('}').toString();
    }
}

final class HashtableEnumeration implements Enumeration {

    private final HashtableEntry[] table;
    private final boolean keys;
    private int index;
    private HashtableEntry entry;

    HashtableEnumeration(HashtableEntry[] table, boolean keys) {
        this.table = table;
        this.keys = keys;
        this.index = table.length;
    }

    public boolean hasMoreElements() {
        while (entry == null && index > 0) {
            entry = table[--index];
        }
        return entry != null;
    }

    public Object nextElement() {
        if (!hasMoreElements()) {
            throw new NoSuchElementException("HashtableEnumeration");
        }
        HashtableEntry e = entry;
        entry = e.next;
        return keys ? e.key : e.value;
    }
}
