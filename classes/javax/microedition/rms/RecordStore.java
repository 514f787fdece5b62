package javax.microedition.rms;

import com.movane.rms.IndexedRecordStoreManager;
import java.util.Vector;

/**
 * A record store of a MIDlet suite. Opening a store that is open already gives the same
 * object and counts the opening; the store closes with the last close.
 */
public class RecordStore {
    public static final int AUTHMODE_PRIVATE = 0;
    public static final int AUTHMODE_ANY = 1;

    private static final Vector openStores = new Vector();
    private static final Object lock = new Object();

    private IndexedRecordStoreManager store;
    private final boolean ownSuite;
    private int openCount;
    private final Vector listeners = new Vector();

    private RecordStore(IndexedRecordStoreManager store, boolean ownSuite) {
        this.store = store;
        this.ownSuite = ownSuite;
    }

    // ------------------------------------------------------------------------------
    // The running suite

    private static String ownVendor() throws RecordStoreException {
        return suiteProperty("MIDlet-Vendor");
    }

    private static String ownSuite() throws RecordStoreException {
        return suiteProperty("MIDlet-Name");
    }

    private static String suiteProperty(String key) throws RecordStoreException {
        String value = nativeGetAppProperty(key);
        if (value == null) {
            throw new RecordStoreException("the running MIDlet suite has no " + key);
        }
        return value;
    }

    private static void checkName(String recordStoreName) {
        if (recordStoreName == null) {
            throw new NullPointerException();
        }
        int n = recordStoreName.length();
        if (n < 1 || n > IndexedRecordStoreManager.MAX_NAME) {
            throw new IllegalArgumentException("a record store name has 1 to 32 characters");
        }
    }

    private static RecordStore findOpen(String vendor, String suite, String name) {
        for (int i = 0; i < openStores.size(); i++) {
            RecordStore rs = (RecordStore) openStores.elementAt(i);
            IndexedRecordStoreManager m = rs.store;
            if (m.getName().equals(name) && m.getSuite().equals(suite) && m.getVendor().equals(vendor)) {
                return rs;
            }
        }
        return null;
    }

    private static RecordStore open(String vendor, String suite, String name, boolean create, int authmode,
            boolean writable, boolean own) throws RecordStoreException {
        synchronized (lock) {
            RecordStore rs = findOpen(vendor, suite, name);
            if (rs == null) {
                IndexedRecordStoreManager m = IndexedRecordStoreManager.open(vendor, suite, name, create, authmode,
                        writable);
                rs = new RecordStore(m, own);
                openStores.addElement(rs);
            }
            if (!own && rs.store.getAuthMode() != AUTHMODE_ANY) {
                if (rs.openCount == 0) {
                    rs.release();
                }
                throw new SecurityException("record store \"" + name + "\" is private to its MIDlet suite");
            }
            rs.openCount++;
            return rs;
        }
    }

    // ------------------------------------------------------------------------------
    // Opening, closing, listing, deleting

    public static RecordStore openRecordStore(String recordStoreName, boolean createIfNecessary)
            throws RecordStoreException, RecordStoreFullException, RecordStoreNotFoundException {
        checkName(recordStoreName);
        return open(ownVendor(), ownSuite(), recordStoreName, createIfNecessary, AUTHMODE_PRIVATE, true, true);
    }

    public static RecordStore openRecordStore(String recordStoreName, boolean createIfNecessary, int authmode,
            boolean writable) throws RecordStoreException, RecordStoreFullException, RecordStoreNotFoundException {
        checkName(recordStoreName);
        if (authmode != AUTHMODE_PRIVATE && authmode != AUTHMODE_ANY) {
            throw new IllegalArgumentException("authmode " + authmode);
        }
        return open(ownVendor(), ownSuite(), recordStoreName, createIfNecessary, authmode, writable, true);
    }

    public static RecordStore openRecordStore(String recordStoreName, String vendorName, String suiteName)
            throws RecordStoreException, RecordStoreNotFoundException {
        if (vendorName == null || suiteName == null) {
            throw new IllegalArgumentException("vendor and suite name are needed");
        }
        checkName(recordStoreName);
        String vendor = ownVendor();
        String suite = ownSuite();
        boolean own = vendor.equals(vendorName) && suite.equals(suiteName);
        return open(vendorName, suiteName, recordStoreName, false, AUTHMODE_PRIVATE, true, own);
    }

    public void closeRecordStore() throws RecordStoreNotOpenException, RecordStoreException {
        synchronized (lock) {
            checkOpen();
            if (--openCount == 0) {
                release();
            }
        }
    }

    private void release() {
        openStores.removeElement(this);
        listeners.removeAllElements();
        store.close();
        store = null;
    }

    public static void deleteRecordStore(String recordStoreName)
            throws RecordStoreException, RecordStoreNotFoundException {
        checkName(recordStoreName);
        synchronized (lock) {
            String vendor = ownVendor();
            String suite = ownSuite();
            if (findOpen(vendor, suite, recordStoreName) != null) {
                throw new RecordStoreException("record store \"" + recordStoreName + "\" is open");
            }
            IndexedRecordStoreManager.delete(vendor, suite, recordStoreName);
        }
    }

    public static String[] listRecordStores() {
        try {
            String[] names = IndexedRecordStoreManager.list(ownVendor(), ownSuite());
            return names.length > 0 ? names : null;
        } catch (RecordStoreException e) {
            return null;
        }
    }

    // ------------------------------------------------------------------------------
    // The store

    private IndexedRecordStoreManager checkOpen() throws RecordStoreNotOpenException {
        IndexedRecordStoreManager m = store;
        if (m == null) {
            throw new RecordStoreNotOpenException("the record store is closed");
        }
        return m;
    }

    private IndexedRecordStoreManager checkWritable() throws RecordStoreNotOpenException {
        IndexedRecordStoreManager m = checkOpen();
        if (!ownSuite && !m.isWritable()) {
            throw new SecurityException("record store \"" + m.getName() + "\" is read-only to other suites");
        }
        return m;
    }

    public String getName() throws RecordStoreNotOpenException {
        return checkOpen().getName();
    }

    public synchronized int getVersion() throws RecordStoreNotOpenException {
        return checkOpen().getVersion();
    }

    public synchronized int getNumRecords() throws RecordStoreNotOpenException {
        return checkOpen().getNumRecords();
    }

    public synchronized int getSize() throws RecordStoreNotOpenException {
        return checkOpen().getSize();
    }

    public synchronized int getSizeAvailable() throws RecordStoreNotOpenException {
        return checkOpen().getSizeAvailable();
    }

    public synchronized long getLastModified() throws RecordStoreNotOpenException {
        return checkOpen().getLastModified();
    }

    public synchronized int getNextRecordID() throws RecordStoreNotOpenException, RecordStoreException {
        return checkOpen().getNextRecordId();
    }

    public void setMode(int authmode, boolean writable) throws RecordStoreException {
        if (authmode != AUTHMODE_PRIVATE && authmode != AUTHMODE_ANY) {
            throw new IllegalArgumentException("authmode " + authmode);
        }
        synchronized (this) {
            IndexedRecordStoreManager m = checkOpen();
            if (!ownSuite) {
                throw new SecurityException("only the owning suite changes the mode");
            }
            m.setMode(authmode, writable);
        }
    }

    public void addRecordListener(RecordListener listener) {
        synchronized (listeners) {
            if (store != null && !listeners.contains(listener)) {
                listeners.addElement(listener);
            }
        }
    }

    public void removeRecordListener(RecordListener listener) {
        synchronized (listeners) {
            listeners.removeElement(listener);
        }
    }

    private RecordListener[] listenersNow() {
        synchronized (listeners) {
            RecordListener[] copy = new RecordListener[listeners.size()];
            listeners.copyInto(copy);
            return copy;
        }
    }

    private static final int ADDED = 0;
    private static final int CHANGED = 1;
    private static final int DELETED = 2;

    private void tell(int what, int recordId) {
        RecordListener[] all = listenersNow();
        for (int i = 0; i < all.length; i++) {
            if (what == ADDED) {
                all[i].recordAdded(this, recordId);
            } else if (what == CHANGED) {
                all[i].recordChanged(this, recordId);
            } else {
                all[i].recordDeleted(this, recordId);
            }
        }
    }

    private static void checkRange(byte[] data, int offset, int numBytes) {
        if (data == null) {
            if (numBytes > 0) {
                throw new NullPointerException();
            }
            return;
        }
        if (offset < 0 || numBytes < 0 || offset > data.length - numBytes) {
            throw new ArrayIndexOutOfBoundsException();
        }
    }

    private static final byte[] NO_BYTES = new byte[0];

    public int addRecord(byte[] data, int offset, int numBytes)
            throws RecordStoreNotOpenException, RecordStoreException, RecordStoreFullException {
        checkRange(data, offset, numBytes);
        int id;
        synchronized (this) {
            id = checkWritable().addRecord(data != null ? data : NO_BYTES, data != null ? offset : 0, numBytes);
        }
        tell(ADDED, id);
        return id;
    }

    public void deleteRecord(int recordId)
            throws RecordStoreNotOpenException, InvalidRecordIDException, RecordStoreException {
        synchronized (this) {
            checkWritable().deleteRecord(recordId);
        }
        tell(DELETED, recordId);
    }

    public int getRecordSize(int recordId)
            throws RecordStoreNotOpenException, InvalidRecordIDException, RecordStoreException {
        synchronized (this) {
            return checkOpen().getRecordSize(recordId);
        }
    }

    public int getRecord(int recordId, byte[] buffer, int offset)
            throws RecordStoreNotOpenException, InvalidRecordIDException, RecordStoreException {
        synchronized (this) {
            return checkOpen().getRecord(recordId, buffer, offset);
        }
    }

    public byte[] getRecord(int recordId)
            throws RecordStoreNotOpenException, InvalidRecordIDException, RecordStoreException {
        synchronized (this) {
            IndexedRecordStoreManager m = checkOpen();
            int size = m.getRecordSize(recordId);
            if (size == 0) {
                return null;
            }
            byte[] data = new byte[size];
            m.getRecord(recordId, data, 0);
            return data;
        }
    }

    public void setRecord(int recordId, byte[] newData, int offset, int numBytes)
            throws RecordStoreNotOpenException, InvalidRecordIDException, RecordStoreException,
            RecordStoreFullException {
        checkRange(newData, offset, numBytes);
        synchronized (this) {
            checkWritable().setRecord(recordId, newData != null ? newData : NO_BYTES, newData != null ? offset : 0,
                    numBytes);
        }
        tell(CHANGED, recordId);
    }

    /** The record IDs, ascending (the enumeration's order without a comparator). */
    synchronized int[] recordIds() throws RecordStoreNotOpenException {
        return checkOpen().recordIds();
    }

    public RecordEnumeration enumerateRecords(RecordFilter filter, RecordComparator comparator, boolean keepUpdated)
            throws RecordStoreNotOpenException {
        checkOpen();
        return new RecordEnumerator(this, filter, comparator, keepUpdated);
    }

    static native String nativeGetAppProperty(String key);

    static native int nativeGetRecordEnumerationMode();
}
