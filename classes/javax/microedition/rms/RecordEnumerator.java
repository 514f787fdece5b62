package javax.microedition.rms;

/**
 * The records of a store that pass a filter, in the comparator's order (without one, by
 * ascending ID). Kept up to date, it listens to the store and rebuilds after each change,
 * staying on the record it was on when that record is still there.
 */
final class RecordEnumerator implements RecordEnumeration, RecordListener {
    private static final int NONE = -1;

    private RecordStore store;
    private final RecordFilter filter;
    private final RecordComparator comparator;
    private boolean keepUpdated;
    private int[] ids = new int[0];
    private int index = NONE;

    RecordEnumerator(RecordStore store, RecordFilter filter, RecordComparator comparator, boolean keepUpdated) {
        this.store = store;
        this.filter = filter;
        this.comparator = comparator;
        build();
        keepUpdated(keepUpdated);
    }

    private void checkAlive() {
        if (store == null) {
            throw new IllegalStateException("the enumeration was destroyed");
        }
    }

    private void build() {
        int[] all;
        try {
            all = store.recordIds();
        } catch (RecordStoreNotOpenException e) {
            ids = new int[0];
            return;
        }
        if (RecordStore.nativeGetRecordEnumerationMode() != 2) {
            for (int i = 0, j = all.length - 1; i < j; i++, j--) {
                int t = all[i];
                all[i] = all[j];
                all[j] = t;
            }
        }
        byte[][] data = null;
        int n = 0;
        if (filter != null || comparator != null) {
            data = new byte[all.length][];
        }
        for (int i = 0; i < all.length; i++) {
            byte[] record = null;
            if (data != null) {
                try {
                    record = store.getRecord(all[i]);
                } catch (RecordStoreException e) {
                    continue;
                }
            }
            if (filter != null && !filter.matches(record)) {
                continue;
            }
            if (data != null) {
                data[n] = record;
            }
            all[n++] = all[i];
        }
        if (comparator != null) {
            // insertion sort: stable, and the comparator is the costly part anyway
            for (int i = 1; i < n; i++) {
                int id = all[i];
                byte[] record = data[i];
                int j = i - 1;
                while (j >= 0 && comparator.compare(data[j], record) == RecordComparator.FOLLOWS) {
                    all[j + 1] = all[j];
                    data[j + 1] = data[j];
                    j--;
                }
                all[j + 1] = id;
                data[j + 1] = record;
            }
        }
        int[] result = new int[n];
        System.arraycopy(all, 0, result, 0, n);
        ids = result;
    }

    public synchronized int numRecords() {
        checkAlive();
        return ids.length;
    }

    public synchronized int nextRecordId() throws InvalidRecordIDException {
        checkAlive();
        int next = index == NONE ? 0 : index + 1;
        if (next >= ids.length) {
            throw new InvalidRecordIDException("no next record");
        }
        index = next;
        return ids[index];
    }

    public synchronized int previousRecordId() throws InvalidRecordIDException {
        checkAlive();
        int previous = index == NONE ? ids.length - 1 : index - 1;
        if (previous < 0) {
            throw new InvalidRecordIDException("no previous record");
        }
        index = previous;
        return ids[index];
    }

    public byte[] nextRecord() throws InvalidRecordIDException, RecordStoreNotOpenException, RecordStoreException {
        int id = nextRecordId();
        return store.getRecord(id);
    }

    public byte[] previousRecord()
            throws InvalidRecordIDException, RecordStoreNotOpenException, RecordStoreException {
        int id = previousRecordId();
        return store.getRecord(id);
    }

    public synchronized boolean hasNextElement() {
        checkAlive();
        return index == NONE ? ids.length > 0 : index < ids.length - 1;
    }

    public synchronized boolean hasPreviousElement() {
        checkAlive();
        return index == NONE ? ids.length > 0 : index > 0;
    }

    public synchronized void reset() {
        checkAlive();
        index = NONE;
    }

    public synchronized void rebuild() {
        checkAlive();
        int current = index != NONE ? ids[index] : 0;
        build();
        index = NONE;
        for (int i = 0; current != 0 && i < ids.length; i++) {
            if (ids[i] == current) {
                index = i;
            }
        }
    }

    public synchronized void keepUpdated(boolean keep) {
        checkAlive();
        if (keep == keepUpdated) {
            return;
        }
        keepUpdated = keep;
        if (keep) {
            store.addRecordListener(this);
            rebuild();
        } else {
            store.removeRecordListener(this);
        }
    }

    public synchronized boolean isKeptUpdated() {
        checkAlive();
        return keepUpdated;
    }

    public synchronized void destroy() {
        checkAlive();
        if (keepUpdated) {
            store.removeRecordListener(this);
        }
        store = null;
        ids = null;
    }

    public synchronized void recordAdded(RecordStore recordStore, int recordId) {
        rebuild();
    }

    public synchronized void recordChanged(RecordStore recordStore, int recordId) {
        rebuild();
    }

    public synchronized void recordDeleted(RecordStore recordStore, int recordId) {
        rebuild();
    }
}
