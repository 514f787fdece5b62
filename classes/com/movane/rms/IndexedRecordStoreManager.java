package com.movane.rms;

import java.io.IOException;
import javax.microedition.rms.InvalidRecordIDException;
import javax.microedition.rms.RecordStoreException;
import javax.microedition.rms.RecordStoreFullException;
import javax.microedition.rms.RecordStoreNotFoundException;

/**
 * One record store in one of the three record-store files of a suite (".rs1", ".rs2",
 * ".rs3"): a suite holds at most three record stores. An empty or missing file is a free
 * place for a new store; deleting a store empties its file.
 *
 * <pre>
 * The file, all numbers big-endian:
 *
 *   0   header, 128 bytes
 *         0  u32  magic "MVRS"
 *         4  u16  format version (2; 1 before the check words, upgraded when opened)
 *         6  u16  header size (128)
 *         8  u8   authorisation mode (0 private, 1 any)
 *         9  u8   1 when other suites may write
 *        10  u16  length of the name in characters (1 to 32)
 *        12  u32  0
 *        16  the name, 32 UTF-16 units
 *        80  state: u32 version, u32 next record ID, u64 last modified (ms),
 *                   u32 offset of the first index page (0: none)
 *       100  u32  check: FNV-1a over bytes 0 to 99
 *       104  zeros
 *   128 journal, 256 bytes (see below)
 *   384 the heap: index pages and record data, each at an offset some index names
 *
 *   index page, 504 bytes: u32 offset of the next page (0: last), u32 check (FNV-1a
 *                   over the page without these four bytes), then 31 slots
 *   slot, 16 bytes: u32 record ID (0: free, all 16 bytes 0), u32 offset of the data,
 *                   u32 length, u32 check (FNV-1a over the ID, the length and the data)
 * </pre>
 *
 * <p>The check words make damage an error: a zeroed or torn index page or header never
 * reads as a store with fewer or emptier records. A version 1 file has none; it is read
 * with the structural checks alone and given its check words on its first opening.
 *
 * Space between the pieces the index names is free and is reused; the file never
 * shrinks while the store lives.
 *
 * <p>Every change is one commit. Before the file is touched the journal is armed in one
 * write: u32 magic "JRNL", u32 the file's length before the change, u32 entry count,
 * entries {u32 offset, u32 length, the bytes that lay there}, u32 FNV-1a over everything
 * after the magic. Then new data goes to free space (a record is never overwritten in
 * place), the slot and the state are written, and the journal's magic is cleared: that
 * write is the commit point. Opening a file whose journal is armed and whole puts the old
 * bytes back and cuts the file to its old length; a journal that is not whole was being
 * armed, so the store had not been touched yet. A change costs its record's bytes and a
 * few small writes, whatever the store's size.
 */
public final class IndexedRecordStoreManager {
    public static final int FILES = 3;
    public static final int MAX_NAME = 32;

    private static final int MAGIC = 0x4D565253;
    private static final int JOURNAL_MAGIC = 0x4A524E4C;
    private static final int FORMAT_VERSION = 2;
    private static final int UNCHECKED_FORMAT = 1;
    private static final int HEADER_SIZE = 128;
    private static final int MODE_AT = 8;
    private static final int NAME_AT = 16;
    private static final int STATE_AT = 80;
    private static final int STATE_SIZE = 20;
    private static final int CHECK_AT = STATE_AT + STATE_SIZE;
    private static final int JOURNAL_AT = 128;
    private static final int JOURNAL_SIZE = 256;
    private static final int HEAP_AT = 384;
    private static final int PAGE_SLOTS = 31;
    private static final int SLOT_SIZE = 16;
    private static final int PAGE_HEADER = 8;
    private static final int PAGE_SIZE = PAGE_HEADER + PAGE_SLOTS * SLOT_SIZE;
    // No single write is longer: every change needs this much quota beyond its growth.
    private static final int WRITE_CHUNK = 256;

    private final String vendor;
    private final String suite;
    private final String fileName;
    private RandomAccessFile file;
    private String name;
    private int authMode;
    private boolean writable;
    private int version;
    private int nextId;
    private long lastModified;
    private int firstPage;
    private int fileLength;
    private boolean broken;
    // the header as on disk: its check word is computed from it
    private final byte[] header = new byte[HEADER_SIZE];
    private final byte[] pageBytes = new byte[PAGE_SIZE];

    private int[] pageAt = new int[4];
    private int pageCount;
    private int[] slotId = new int[4 * PAGE_SLOTS];
    private int[] slotOffset = new int[4 * PAGE_SLOTS];
    private int[] slotLength = new int[4 * PAGE_SLOTS];
    private int[] slotCheck = new int[4 * PAGE_SLOTS];
    private int[] freeSlots = new int[16];
    private int freeSlotCount;
    private int recordCount;
    // record ID -> slot, open addressing; keys are never 0
    private int[] mapKeys = new int[64];
    private int[] mapSlots = new int[64];
    // free space inside the heap, by ascending offset
    private int[] gapAt = new int[16];
    private int[] gapLength = new int[16];
    private int gapCount;

    private final byte[] journal = new byte[JOURNAL_SIZE];
    private int journalLength;
    private int journalEntries;
    private final byte[] small = new byte[WRITE_CHUNK];

    private IndexedRecordStoreManager(String vendor, String suite, String fileName) {
        this.vendor = vendor;
        this.suite = suite;
        this.fileName = fileName;
    }

    // ------------------------------------------------------------------------------
    // Finding, creating, listing and deleting the stores of a suite

    private static String fileOf(String vendor, String suite, int kind) throws RecordStoreException {
        String name = nativeGetFileNameBySuite(vendor, suite, (byte) kind);
        if (name == null) {
            throw new RecordStoreNotFoundException("no MIDlet suite \"" + suite + "\" of \"" + vendor + "\"");
        }
        return name;
    }

    /** The store's name in a file, null for an empty or missing file; damage throws. */
    private static String storeNameIn(String fileName) throws RecordStoreException {
        RandomAccessFile f = RandomAccessFile.open(fileName, RandomAccessFile.MODE_READ);
        if (f == null) {
            return null;
        }
        try {
            if (f.length() == 0) {
                return null;
            }
            byte[] header = new byte[HEADER_SIZE];
            readHeader(f, fileName, header);
            return nameOf(header);
        } catch (IOException e) {
            throw damaged(fileName, e.getMessage());
        } finally {
            f.close();
        }
    }

    private static RecordStoreException damaged(String fileName, String why) {
        return new RecordStoreException("record store file " + fileName + " is damaged: " + why);
    }

    /** Reads and checks the header; its format version. */
    private static int readHeader(RandomAccessFile f, String fileName, byte[] header)
            throws IOException, RecordStoreException {
        int length = f.length();
        if (length < HEAP_AT) {
            throw damaged(fileName, "it holds " + length + " bytes, less than its header");
        }
        f.seek(0);
        f.readFully(header, 0, HEADER_SIZE);
        if (getInt(header, 0) != MAGIC) {
            throw damaged(fileName, "it is not a record store file");
        }
        int format = getShort(header, 4);
        if (format != FORMAT_VERSION && format != UNCHECKED_FORMAT) {
            throw new RecordStoreException("record store file " + fileName + " has format version " + format
                    + "; this runtime reads versions " + UNCHECKED_FORMAT + " and " + FORMAT_VERSION);
        }
        int nameLength = getShort(header, 10);
        if (getShort(header, 6) != HEADER_SIZE || nameLength < 1 || nameLength > MAX_NAME
                || (header[MODE_AT] & 0xFF) > 1 || (header[MODE_AT + 1] & 0xFF) > 1) {
            throw damaged(fileName, "its header is malformed");
        }
        if (format != UNCHECKED_FORMAT && getInt(header, CHECK_AT) != fnv(0x811C9DC5, header, 0, CHECK_AT)) {
            throw damaged(fileName, "its header fails its check");
        }
        return format;
    }

    private static String nameOf(byte[] header) {
        int n = getShort(header, 10);
        char[] chars = new char[n];
        for (int i = 0; i < n; i++) {
            chars[i] = (char) getShort(header, NAME_AT + 2 * i);
        }
        return new String(chars);
    }

    /**
     * What each file of a suite holds: the store's name, "" for an empty or missing file,
     * null for a damaged one (its exception in damage[0]).
     */
    private static String[] storeNames(String vendor, String suite, RecordStoreException[] damage)
            throws RecordStoreException {
        String[] names = new String[FILES];
        for (int kind = 0; kind < FILES; kind++) {
            try {
                String found = storeNameIn(fileOf(vendor, suite, kind));
                names[kind] = found != null ? found : "";
            } catch (RecordStoreNotFoundException e) {
                throw e;
            } catch (RecordStoreException e) {
                damage[0] = e;
            }
        }
        return names;
    }

    private static int kindOf(String[] names, String name) {
        for (int kind = 0; kind < FILES; kind++) {
            if (name.equals(names[kind])) {
                return kind;
            }
        }
        return -1;
    }

    /**
     * Opens the store of that name of a suite, creating it when asked and missing. A
     * damaged file of the suite only matters when the store is not found whole elsewhere.
     */
    public static IndexedRecordStoreManager open(String vendor, String suite, String name, boolean create,
            int authMode, boolean writable) throws RecordStoreException {
        RecordStoreException[] damage = new RecordStoreException[1];
        String[] names = storeNames(vendor, suite, damage);
        int kind = kindOf(names, name);
        if (kind >= 0) {
            IndexedRecordStoreManager m = new IndexedRecordStoreManager(vendor, suite, fileOf(vendor, suite, kind));
            m.load();
            return m;
        }
        if (!create) {
            if (damage[0] != null) {
                throw damage[0];
            }
            throw new RecordStoreNotFoundException("no record store \"" + name + "\"");
        }
        int free = kindOf(names, "");
        if (free < 0) {
            throw new RecordStoreFullException("a MIDlet suite holds at most " + FILES + " record stores");
        }
        IndexedRecordStoreManager m = new IndexedRecordStoreManager(vendor, suite, fileOf(vendor, suite, free));
        m.create(name, authMode, writable);
        return m;
    }

    /** The names of the suite's stores whose files are whole, in file order. */
    public static String[] list(String vendor, String suite) throws RecordStoreException {
        String[] names = storeNames(vendor, suite, new RecordStoreException[1]);
        int n = 0;
        for (int kind = 0; kind < FILES; kind++) {
            if (names[kind] != null && names[kind].length() > 0) {
                names[n++] = names[kind];
            }
        }
        String[] result = new String[n];
        System.arraycopy(names, 0, result, 0, n);
        return result;
    }

    /** Empties the file of the suite's store of that name (the caller checks it is closed). */
    public static void delete(String vendor, String suite, String name) throws RecordStoreException {
        int kind = kindOf(storeNames(vendor, suite, new RecordStoreException[1]), name);
        if (kind < 0) {
            throw new RecordStoreNotFoundException("no record store \"" + name + "\"");
        }
        String fileName = fileOf(vendor, suite, kind);
        RandomAccessFile f = RandomAccessFile.open(fileName, RandomAccessFile.MODE_READ_WRITE);
        if (f == null) {
            throw new RecordStoreException("cannot open " + fileName);
        }
        nativeBeginCommit(vendor, suite);
        try {
            f.truncate(0);
        } catch (IOException e) {
            throw new RecordStoreException("cannot delete record store \"" + name + "\": " + e.getMessage());
        } finally {
            nativeEndCommit(vendor, suite);
            f.close();
        }
    }

    public static int availableBytes(String vendor, String suite) {
        return nativeGetStorageAvailSize(vendor, suite);
    }

    private void create(String storeName, int mode, boolean canWrite) throws RecordStoreException {
        if (nativeGetStorageAvailSize(vendor, suite) < HEAP_AT + WRITE_CHUNK) {
            throw new RecordStoreFullException("no room for a new record store");
        }
        RandomAccessFile f = RandomAccessFile.open(fileName, RandomAccessFile.MODE_CREATE);
        if (f == null) {
            throw new RecordStoreException("cannot create " + fileName);
        }
        f.close();
        file = RandomAccessFile.open(fileName, RandomAccessFile.MODE_READ_WRITE);
        if (file == null) {
            throw new RecordStoreException("cannot open " + fileName);
        }
        name = storeName;
        authMode = mode;
        writable = canWrite;
        lastModified = System.currentTimeMillis();
        nextId = 1;
        byte[] head = new byte[HEAP_AT];
        version = 0;
        firstPage = 0;
        putInt(head, 0, MAGIC);
        putShort(head, 4, FORMAT_VERSION);
        putShort(head, 6, HEADER_SIZE);
        head[MODE_AT] = (byte) mode;
        head[MODE_AT + 1] = (byte) (canWrite ? 1 : 0);
        putShort(head, 10, storeName.length());
        for (int i = 0; i < storeName.length(); i++) {
            putShort(head, NAME_AT + 2 * i, storeName.charAt(i));
        }
        System.arraycopy(head, 0, header, 0, HEADER_SIZE);
        encodeStateAndCheck(head, STATE_AT, version, nextId, lastModified, firstPage);
        nativeBeginCommit(vendor, suite);
        try {
            // one write: a file is empty (free) or holds a whole header
            file.seek(0);
            file.write(head, 0, HEAP_AT);
        } catch (IOException e) {
            close();
            throw new RecordStoreException("cannot create record store \"" + storeName + "\": " + e.getMessage());
        } finally {
            nativeEndCommit(vendor, suite);
        }
        fileLength = HEAP_AT;
    }

    // ------------------------------------------------------------------------------
    // Loading: the header, the journal's roll-back, the index and the free space

    private void load() throws RecordStoreException {
        file = RandomAccessFile.open(fileName, RandomAccessFile.MODE_READ_WRITE);
        if (file == null) {
            throw new RecordStoreException("cannot open " + fileName);
        }
        try {
            int format = readHeader(file, fileName, header);
            if (rollBackOnDisk()) {
                format = readHeader(file, fileName, header);
            }
            fileLength = file.length();
            name = nameOf(header);
            authMode = header[MODE_AT];
            writable = header[MODE_AT + 1] != 0;
            version = getInt(header, STATE_AT);
            nextId = getInt(header, STATE_AT + 4);
            lastModified = getLong(header, STATE_AT + 8);
            firstPage = getInt(header, STATE_AT + 16);
            if (nextId < 1) {
                throw damaged(fileName, "its next record ID is " + nextId);
            }
            loadIndex(format != UNCHECKED_FORMAT);
            if (format == UNCHECKED_FORMAT) {
                addCheckWords();
            }
        } catch (IOException e) {
            close();
            throw damaged(fileName, e.getMessage());
        } catch (RecordStoreException e) {
            close();
            throw e;
        }
    }

    /** Puts back what an armed, whole journal holds; true when it did. */
    private boolean rollBackOnDisk() throws IOException, RecordStoreException {
        file.seek(JOURNAL_AT);
        file.readFully(journal, 0, JOURNAL_SIZE);
        if (getInt(journal, 0) != JOURNAL_MAGIC) {
            return false;
        }
        int count = getInt(journal, 8);
        int at = 12;
        for (int i = 0; i < count; i++) {
            if (at + 8 > JOURNAL_SIZE - 4) {
                return false;
            }
            int length = getInt(journal, at + 4);
            if (length < 0 || length > JOURNAL_SIZE) {
                return false;
            }
            at += 8 + length;
        }
        if (count < 0 || at > JOURNAL_SIZE - 4 || getInt(journal, at) != fnv(0x811C9DC5, journal, 4, at - 4)) {
            return false;  // torn while being armed: nothing was changed yet
        }
        if (getInt(journal, 4) < HEAP_AT) {
            throw damaged(fileName, "its journal is malformed");
        }
        journalLength = at;
        journalEntries = count;
        nativeBeginCommit(vendor, suite);
        try {
            putBack();
        } finally {
            nativeEndCommit(vendor, suite);
        }
        return true;
    }

    /** Writes the journal's old bytes back, cuts the file, clears the journal. */
    private void putBack() throws IOException {
        int at = 12;
        for (int i = 0; i < journalEntries; i++) {
            int offset = getInt(journal, at);
            int length = getInt(journal, at + 4);
            file.seek(offset);
            file.write(journal, at + 8, length);
            at += 8 + length;
        }
        file.truncate(getInt(journal, 4));
        clearJournal();
    }

    private void clearJournal() throws IOException {
        putInt(small, 0, 0);
        file.seek(JOURNAL_AT);
        file.write(small, 0, 4);
    }

    /**
     * Gives a whole version 1 file its check words: the pages' and the header's first
     * (an older reader skips them), then the version, in one write, is the commit point.
     * A failure leaves a version 1 file that is upgraded at the next opening.
     */
    private void addCheckWords() {
        nativeBeginCommit(vendor, suite);
        try {
            for (int p = 0; p < pageCount; p++) {
                putInt(small, 0, pageCheck(p));
                file.seek(pageAt[p] + 4);
                file.write(small, 0, 4);
            }
            putShort(header, 4, FORMAT_VERSION);
            encodeStateAndCheck(small, 0, version, nextId, lastModified, firstPage);
            file.seek(CHECK_AT);
            file.write(small, STATE_SIZE, 4);
            file.seek(4);
            file.write(header, 4, 2);
        } catch (IOException e) {
            putShort(header, 4, UNCHECKED_FORMAT);
        } finally {
            nativeEndCommit(vendor, suite);
        }
    }

    private void loadIndex(boolean checked) throws IOException, RecordStoreException {
        long[] extents = new long[16];
        int extentCount = 0;
        byte[] page = new byte[PAGE_SIZE];
        int at = firstPage;
        int maxPages = fileLength / PAGE_SIZE;
        while (at != 0) {
            boolean repeats = pageCount >= maxPages;
            for (int p = 0; p < pageCount && !repeats; p++) {
                repeats = pageAt[p] == at;
            }
            if (at < HEAP_AT || at > fileLength - PAGE_SIZE || repeats) {
                throw damaged(fileName, "an index page lies outside the file or repeats");
            }
            file.seek(at);
            file.readFully(page, 0, PAGE_SIZE);
            int first = addPage(at);
            extents = addExtent(extents, extentCount++, at, PAGE_SIZE);
            for (int i = 0; i < PAGE_SLOTS; i++) {
                int s = first + i;
                int o = PAGE_HEADER + i * SLOT_SIZE;
                int id = getInt(page, o);
                int offset = getInt(page, o + 4);
                int length = getInt(page, o + 8);
                slotId[s] = id;
                slotOffset[s] = offset;
                slotLength[s] = length;
                slotCheck[s] = getInt(page, o + 12);
                if (id == 0) {
                    // a free slot is all zeros: anything else is a record whose ID was lost
                    if (offset != 0 || length != 0 || slotCheck[s] != 0) {
                        throw damaged(fileName, "index slot " + s + " is malformed");
                    }
                    pushFreeSlot(s);
                    continue;
                }
                if (id < 0 || id >= nextId || length < 0 || length > fileLength || find(id) >= 0) {
                    throw damaged(fileName, "index slot " + s + " is malformed");
                }
                mapPut(id, s);
                recordCount++;
                if (length > 0) {
                    extents = addExtent(extents, extentCount++, offset, length);
                }
            }
            if (checked && getInt(page, 4) != pageCheckOf(page)) {
                throw damaged(fileName, "index page " + (pageCount - 1) + " fails its check");
            }
            at = getInt(page, 0);
        }
        // the free slots are taken lowest first
        for (int i = 0, j = freeSlotCount - 1; i < j; i++, j--) {
            int t = freeSlots[i];
            freeSlots[i] = freeSlots[j];
            freeSlots[j] = t;
        }
        sort(extents, extentCount);
        int end = HEAP_AT;
        for (int i = 0; i < extentCount; i++) {
            int offset = (int) (extents[i] >>> 32);
            int length = (int) extents[i];
            if (offset < end || offset > fileLength - length) {
                throw damaged(fileName, "records overlap or lie outside the file");
            }
            if (offset > end) {
                insertGap(gapCount, end, offset - end);
            }
            end = offset + length;
        }
        if (end < fileLength) {
            insertGap(gapCount, end, fileLength - end);
        }
    }

    private static long[] addExtent(long[] extents, int n, int offset, int length) {
        if (n == extents.length) {
            long[] bigger = new long[n * 2];
            System.arraycopy(extents, 0, bigger, 0, n);
            extents = bigger;
        }
        extents[n] = ((long) offset << 32) | (length & 0xFFFFFFFFL);
        return extents;
    }

    // Heap sort: the offsets are below 2^31, so the longs order by offset.
    private static void sort(long[] a, int n) {
        for (int i = n / 2 - 1; i >= 0; i--) {
            siftDown(a, i, n);
        }
        for (int end = n - 1; end > 0; end--) {
            long t = a[0];
            a[0] = a[end];
            a[end] = t;
            siftDown(a, 0, end);
        }
    }

    private static void siftDown(long[] a, int i, int n) {
        while (true) {
            int child = 2 * i + 1;
            if (child >= n) {
                return;
            }
            if (child + 1 < n && a[child + 1] > a[child]) {
                child++;
            }
            if (a[i] >= a[child]) {
                return;
            }
            long t = a[i];
            a[i] = a[child];
            a[child] = t;
            i = child;
        }
    }

    // ------------------------------------------------------------------------------
    // In-memory index: pages and slots, the ID map, free slots, free space

    private int addPage(int at) {
        if (pageCount == pageAt.length) {
            pageAt = grow(pageAt, pageCount * 2);
            int slots = pageAt.length * PAGE_SLOTS;
            slotId = grow(slotId, slots);
            slotOffset = grow(slotOffset, slots);
            slotLength = grow(slotLength, slots);
            slotCheck = grow(slotCheck, slots);
        }
        pageAt[pageCount] = at;
        int first = pageCount * PAGE_SLOTS;
        for (int s = first; s < first + PAGE_SLOTS; s++) {
            slotId[s] = 0;
            slotOffset[s] = 0;
            slotLength[s] = 0;
            slotCheck[s] = 0;
        }
        pageCount++;
        return first;
    }

    private static int[] grow(int[] a, int size) {
        int[] b = new int[size];
        System.arraycopy(a, 0, b, 0, a.length < size ? a.length : size);
        return b;
    }

    private void pushFreeSlot(int s) {
        if (freeSlotCount == freeSlots.length) {
            freeSlots = grow(freeSlots, freeSlotCount * 2);
        }
        freeSlots[freeSlotCount++] = s;
    }

    private static int hashOf(int id) {
        int h = id * 0x9E3779B1;
        return h ^ (h >>> 15);
    }

    /** The slot of a record ID, or -1. */
    private int find(int id) {
        int mask = mapKeys.length - 1;
        for (int i = hashOf(id) & mask;; i = (i + 1) & mask) {
            int k = mapKeys[i];
            if (k == id) {
                return mapSlots[i];
            }
            if (k == 0) {
                return -1;
            }
        }
    }

    private void mapPut(int id, int slot) {
        if ((recordCount + 1) * 2 > mapKeys.length) {
            int[] keys = mapKeys;
            int[] slots = mapSlots;
            mapKeys = new int[keys.length * 2];
            mapSlots = new int[keys.length * 2];
            for (int i = 0; i < keys.length; i++) {
                if (keys[i] != 0) {
                    mapPut(keys[i], slots[i]);
                }
            }
        }
        int mask = mapKeys.length - 1;
        int i = hashOf(id) & mask;
        while (mapKeys[i] != 0 && mapKeys[i] != id) {
            i = (i + 1) & mask;
        }
        mapKeys[i] = id;
        mapSlots[i] = slot;
    }

    private void mapRemove(int id) {
        int mask = mapKeys.length - 1;
        int i = hashOf(id) & mask;
        while (mapKeys[i] != id) {
            if (mapKeys[i] == 0) {
                return;
            }
            i = (i + 1) & mask;
        }
        // close the hole: move back later keys whose probe passes through it
        int hole = i;
        for (int j = (hole + 1) & mask; mapKeys[j] != 0; j = (j + 1) & mask) {
            int home = hashOf(mapKeys[j]) & mask;
            boolean between = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
            if (!between) {
                mapKeys[hole] = mapKeys[j];
                mapSlots[hole] = mapSlots[j];
                hole = j;
            }
        }
        mapKeys[hole] = 0;
    }

    private void insertGap(int i, int at, int length) {
        if (gapCount == gapAt.length) {
            gapAt = grow(gapAt, gapCount * 2);
            gapLength = grow(gapLength, gapCount * 2);
        }
        System.arraycopy(gapAt, i, gapAt, i + 1, gapCount - i);
        System.arraycopy(gapLength, i, gapLength, i + 1, gapCount - i);
        gapAt[i] = at;
        gapLength[i] = length;
        gapCount++;
    }

    private void removeGap(int i) {
        System.arraycopy(gapAt, i + 1, gapAt, i, gapCount - i - 1);
        System.arraycopy(gapLength, i + 1, gapLength, i, gapCount - i - 1);
        gapCount--;
    }

    /** Takes length bytes of free space, first fit, or grows the file. */
    private int allocate(int length) {
        for (int i = 0; i < gapCount; i++) {
            if (gapLength[i] >= length) {
                int at = gapAt[i];
                if (gapLength[i] == length) {
                    removeGap(i);
                } else {
                    gapAt[i] += length;
                    gapLength[i] -= length;
                }
                return at;
            }
        }
        int at = fileLength;
        fileLength += length;
        return at;
    }

    /** Undoes an allocation of a change that did not happen: growth is cut off. */
    private void unallocate(int at, int length, int oldLength) {
        if (at < oldLength) {
            release(at, length);
        }
        fileLength = oldLength;
    }

    /** Gives space back, joined to its neighbours. */
    private void release(int at, int length) {
        if (length <= 0) {
            return;
        }
        int lo = 0;
        int hi = gapCount;
        while (lo < hi) {
            int mid = (lo + hi) >>> 1;
            if (gapAt[mid] < at) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        boolean joinsBefore = lo > 0 && gapAt[lo - 1] + gapLength[lo - 1] == at;
        boolean joinsAfter = lo < gapCount && at + length == gapAt[lo];
        if (joinsBefore && joinsAfter) {
            gapLength[lo - 1] += length + gapLength[lo];
            removeGap(lo);
        } else if (joinsBefore) {
            gapLength[lo - 1] += length;
        } else if (joinsAfter) {
            gapAt[lo] = at;
            gapLength[lo] += length;
        } else {
            insertGap(lo, at, length);
        }
    }

    // ------------------------------------------------------------------------------
    // Commits

    private void journalBegin(int oldLength) {
        putInt(journal, 0, JOURNAL_MAGIC);
        putInt(journal, 4, oldLength);
        journalLength = 12;
        journalEntries = 0;
    }

    private void journalSave(int offset, byte[] bytes, int length) {
        putInt(journal, journalLength, offset);
        putInt(journal, journalLength + 4, length);
        System.arraycopy(bytes, 0, journal, journalLength + 8, length);
        journalLength += 8 + length;
        journalEntries++;
    }

    private void saveSlot(int s) {
        if (s < pageCount * PAGE_SLOTS) {
            encodeSlot(small, 0, slotId[s], slotOffset[s], slotLength[s], slotCheck[s]);
            journalSave(slotAt(s), small, SLOT_SIZE);
            savePageCheck(s / PAGE_SLOTS);
        }
    }

    private void saveState() {
        encodeStateAndCheck(small, 0, version, nextId, lastModified, firstPage);
        journalSave(STATE_AT, small, STATE_SIZE + 4);
    }

    private void savePageCheck(int p) {
        putInt(small, 0, pageCheck(p));
        journalSave(pageAt[p] + 4, small, 4);
    }

    /** The page's check word as the in-memory index has it. */
    private int pageCheck(int p) {
        byte[] b = pageBytes;
        putInt(b, 0, p + 1 < pageCount ? pageAt[p + 1] : 0);
        putInt(b, 4, 0);
        for (int i = 0; i < PAGE_SLOTS; i++) {
            int s = p * PAGE_SLOTS + i;
            encodeSlot(b, PAGE_HEADER + i * SLOT_SIZE, slotId[s], slotOffset[s], slotLength[s], slotCheck[s]);
        }
        return pageCheckOf(b);
    }

    private static int pageCheckOf(byte[] page) {
        return fnv(fnv(0x811C9DC5, page, 0, 4), page, PAGE_HEADER, PAGE_SIZE - PAGE_HEADER);
    }

    private void arm() throws IOException {
        putInt(journal, 8, journalEntries);
        putInt(journal, journalLength, fnv(0x811C9DC5, journal, 4, journalLength - 4));
        file.seek(JOURNAL_AT);
        file.write(journal, 0, journalLength + 4);
    }

    private int slotAt(int s) {
        return pageAt[s / PAGE_SLOTS] + PAGE_HEADER + (s % PAGE_SLOTS) * SLOT_SIZE;
    }

    private void writeAt(int at, byte[] b, int off, int len) throws IOException {
        while (len > 0) {
            int n = len < WRITE_CHUNK ? len : WRITE_CHUNK;
            file.seek(at);
            file.write(b, off, n);
            at += n;
            off += n;
            len -= n;
        }
    }

    private void checkUsable() throws RecordStoreException {
        if (broken) {
            throw new RecordStoreException("record store \"" + name + "\" must be opened again after a failed change");
        }
    }

    /** Refuses a change that could run out of quota half-way. */
    private void checkRoom(int oldLength) throws RecordStoreFullException {
        int growth = fileLength - oldLength;
        if (nativeGetStorageAvailSize(vendor, suite) < growth + WRITE_CHUNK) {
            throw new RecordStoreFullException("no room for " + growth + " more bytes in the record stores");
        }
    }

    /** After a failed write: the old bytes back, or the store unusable till opened again. */
    private RecordStoreException failed(String what, IOException e) {
        try {
            putBack();
        } catch (IOException again) {
            broken = true;
        }
        return new RecordStoreException(what + " failed: " + e.getMessage());
    }

    /** The slot, its page's check, the state and the header's check, then the commit. */
    private void writeSlotAndState(int s, int id, int offset, int length, int check, long now) throws IOException {
        int oldId = slotId[s];
        int oldOffset = slotOffset[s];
        int oldLength = slotLength[s];
        int oldCheck = slotCheck[s];
        slotId[s] = id;
        slotOffset[s] = offset;
        slotLength[s] = length;
        slotCheck[s] = check;
        try {
            encodeSlot(small, 0, id, offset, length, check);
            putInt(small, SLOT_SIZE, pageCheck(s / PAGE_SLOTS));
            file.seek(slotAt(s));
            file.write(small, 0, SLOT_SIZE);
            file.seek(pageAt[s / PAGE_SLOTS] + 4);
            file.write(small, SLOT_SIZE, 4);
            encodeStateAndCheck(small, 0, version + 1, nextId, now, firstPage);
            file.seek(STATE_AT);
            file.write(small, 0, STATE_SIZE + 4);
            clearJournal();
        } catch (IOException e) {
            slotId[s] = oldId;
            slotOffset[s] = oldOffset;
            slotLength[s] = oldLength;
            slotCheck[s] = oldCheck;
            throw e;
        }
    }

    /** The state into b at at, then the header's check word as it will be with it. */
    private void encodeStateAndCheck(byte[] b, int at, int version, int nextId, long modified, int firstPage) {
        encodeState(header, STATE_AT, version, nextId, modified, firstPage);
        putInt(header, CHECK_AT, fnv(0x811C9DC5, header, 0, CHECK_AT));
        System.arraycopy(header, STATE_AT, b, at, STATE_SIZE + 4);
    }

    private static long now(long previous) {
        long t = System.currentTimeMillis();
        return t > previous ? t : previous;
    }

    // ------------------------------------------------------------------------------
    // Records

    public int addRecord(byte[] data, int offset, int length) throws RecordStoreException {
        checkUsable();
        int oldLength = fileLength;
        int oldPages = pageCount;
        int newPage = 0;
        int s;
        if (freeSlotCount > 0) {
            s = freeSlots[freeSlotCount - 1];
        } else {
            newPage = allocate(PAGE_SIZE);
            s = pageCount * PAGE_SLOTS;
        }
        int at = length > 0 ? allocate(length) : 0;
        try {
            checkRoom(oldLength);
        } catch (RecordStoreFullException e) {
            unallocate(at, length, oldLength);
            unallocate(newPage, newPage != 0 ? PAGE_SIZE : 0, oldLength);
            throw e;
        }
        int id = nextId;
        int check = check(id, data, offset, length);
        long time = now(lastModified);
        journalBegin(oldLength);
        saveSlot(s);
        saveState();
        int linkAt = 0;
        if (newPage != 0 && pageCount > 0) {
            linkAt = pageAt[pageCount - 1];
            putInt(small, 0, 0);
            journalSave(linkAt, small, 4);
            savePageCheck(pageCount - 1);
        }
        nativeBeginCommit(vendor, suite);
        try {
            arm();
            if (newPage != 0) {
                addPage(newPage);
                byte[] page = new byte[PAGE_SIZE];
                putInt(page, 4, pageCheck(pageCount - 1));
                writeAt(newPage, page, 0, PAGE_SIZE);
                if (linkAt != 0) {
                    putInt(small, 0, newPage);
                    putInt(small, 4, pageCheck(pageCount - 2));
                    file.seek(linkAt);
                    file.write(small, 0, 8);
                } else {
                    firstPage = newPage;
                }
            }
            writeAt(at, data, offset, length);
            nextId = id + 1;
            writeSlotAndState(s, id, at, length, check, time);
        } catch (IOException e) {
            nextId = id;
            pageCount = oldPages;
            if (oldPages == 0) {
                firstPage = 0;
            }
            unallocate(at, length, oldLength);
            unallocate(newPage, newPage != 0 ? PAGE_SIZE : 0, oldLength);
            throw failed("adding a record", e);
        } finally {
            nativeEndCommit(vendor, suite);
        }
        if (newPage != 0) {
            for (int i = PAGE_SLOTS - 1; i > 0; i--) {
                pushFreeSlot(s + i);
            }
        } else {
            freeSlotCount--;
        }
        slotId[s] = id;
        slotOffset[s] = at;
        slotLength[s] = length;
        slotCheck[s] = check;
        mapPut(id, s);
        recordCount++;
        version++;
        lastModified = time;
        return id;
    }

    private int slotOf(int id) throws InvalidRecordIDException {
        int s = id > 0 ? find(id) : -1;
        if (s < 0) {
            throw new InvalidRecordIDException("no record " + id);
        }
        return s;
    }

    public void setRecord(int id, byte[] data, int offset, int length) throws RecordStoreException {
        checkUsable();
        int s = slotOf(id);
        int oldLength = fileLength;
        int at = length > 0 ? allocate(length) : 0;
        try {
            checkRoom(oldLength);
        } catch (RecordStoreFullException e) {
            unallocate(at, length, oldLength);
            throw e;
        }
        int check = check(id, data, offset, length);
        long time = now(lastModified);
        int wasAt = slotOffset[s];
        int wasLength = slotLength[s];
        journalBegin(oldLength);
        saveSlot(s);
        saveState();
        nativeBeginCommit(vendor, suite);
        try {
            arm();
            writeAt(at, data, offset, length);
            writeSlotAndState(s, id, at, length, check, time);
        } catch (IOException e) {
            unallocate(at, length, oldLength);
            throw failed("setting record " + id, e);
        } finally {
            nativeEndCommit(vendor, suite);
        }
        release(wasAt, wasLength);
        slotOffset[s] = at;
        slotLength[s] = length;
        slotCheck[s] = check;
        version++;
        lastModified = time;
    }

    public void deleteRecord(int id) throws RecordStoreException {
        checkUsable();
        int s = slotOf(id);
        if (nativeGetStorageAvailSize(vendor, suite) < WRITE_CHUNK) {
            throw new RecordStoreFullException("no room to write the deletion");
        }
        long time = now(lastModified);
        int wasAt = slotOffset[s];
        int wasLength = slotLength[s];
        journalBegin(fileLength);
        saveSlot(s);
        saveState();
        nativeBeginCommit(vendor, suite);
        try {
            arm();
            writeSlotAndState(s, 0, 0, 0, 0, time);
        } catch (IOException e) {
            throw failed("deleting record " + id, e);
        } finally {
            nativeEndCommit(vendor, suite);
        }
        release(wasAt, wasLength);
        slotId[s] = 0;
        pushFreeSlot(s);
        mapRemove(id);
        recordCount--;
        version++;
        lastModified = time;
    }

    /** The record's length; an empty record's check is verified here, as it is never read. */
    public int getRecordSize(int id) throws RecordStoreException {
        int s = slotOf(id);
        if (slotLength[s] == 0 && check(id, small, 0, 0) != slotCheck[s]) {
            throw new RecordStoreException("record " + id + " of \"" + name + "\" is damaged");
        }
        return slotLength[s];
    }

    /** Copies the record into buffer at offset; its length. */
    public int getRecord(int id, byte[] buffer, int offset) throws RecordStoreException {
        int s = slotOf(id);
        int length = slotLength[s];
        if (offset < 0 || offset > buffer.length - length) {
            throw new ArrayIndexOutOfBoundsException("record " + id + " holds " + length + " bytes");
        }
        try {
            file.seek(slotOffset[s]);
            file.readFully(buffer, offset, length);
        } catch (IOException e) {
            throw new RecordStoreException("reading record " + id + " failed: " + e.getMessage());
        }
        if (check(id, buffer, offset, length) != slotCheck[s]) {
            throw new RecordStoreException("record " + id + " of \"" + name + "\" is damaged");
        }
        return length;
    }

    public void setMode(int mode, boolean canWrite) throws RecordStoreException {
        checkUsable();
        // the header's state as the file holds it, so that its check word comes out right
        encodeStateAndCheck(small, 0, version, nextId, lastModified, firstPage);
        journalBegin(fileLength);
        System.arraycopy(header, MODE_AT, small, 0, 2);
        journalSave(MODE_AT, small, 2);
        System.arraycopy(header, CHECK_AT, small, 0, 4);
        journalSave(CHECK_AT, small, 4);
        header[MODE_AT] = (byte) mode;
        header[MODE_AT + 1] = (byte) (canWrite ? 1 : 0);
        putInt(header, CHECK_AT, fnv(0x811C9DC5, header, 0, CHECK_AT));
        nativeBeginCommit(vendor, suite);
        try {
            arm();
            file.seek(MODE_AT);
            file.write(header, MODE_AT, 2);
            file.seek(CHECK_AT);
            file.write(header, CHECK_AT, 4);
            clearJournal();
        } catch (IOException e) {
            header[MODE_AT] = (byte) authMode;
            header[MODE_AT + 1] = (byte) (writable ? 1 : 0);
            putInt(header, CHECK_AT, fnv(0x811C9DC5, header, 0, CHECK_AT));
            throw failed("changing the mode", e);
        } finally {
            nativeEndCommit(vendor, suite);
        }
        authMode = mode;
        writable = canWrite;
    }

    /** The IDs of the records, ascending. */
    public int[] recordIds() {
        long[] ids = new long[recordCount];
        int n = 0;
        int slots = pageCount * PAGE_SLOTS;
        for (int s = 0; s < slots; s++) {
            if (slotId[s] != 0) {
                ids[n++] = slotId[s];
            }
        }
        sort(ids, n);
        int[] result = new int[n];
        for (int i = 0; i < n; i++) {
            result[i] = (int) ids[i];
        }
        return result;
    }

    public void close() {
        if (file != null) {
            file.close();
            file = null;
        }
    }

    public String getName() {
        return name;
    }

    public String getVendor() {
        return vendor;
    }

    public String getSuite() {
        return suite;
    }

    public int getAuthMode() {
        return authMode;
    }

    public boolean isWritable() {
        return writable;
    }

    public int getVersion() {
        return version;
    }

    public int getNextRecordId() {
        return nextId;
    }

    public long getLastModified() {
        return lastModified;
    }

    public int getNumRecords() {
        return recordCount;
    }

    /** The bytes the store's file takes. */
    public int getSize() {
        return fileLength;
    }

    /** Bytes a new record may take: the room left less what a change needs besides. */
    public int getSizeAvailable() {
        int room = nativeGetStorageAvailSize(vendor, suite) - WRITE_CHUNK;
        if (freeSlotCount == 0) {
            room -= PAGE_SIZE;
        }
        return room > 0 ? room : 0;
    }

    // ------------------------------------------------------------------------------
    // Encoding

    private static int check(int id, byte[] data, int offset, int length) {
        int h = 0x811C9DC5;
        for (int shift = 24; shift >= 0; shift -= 8) {
            h = (h ^ ((id >>> shift) & 0xFF)) * 16777619;
        }
        for (int shift = 24; shift >= 0; shift -= 8) {
            h = (h ^ ((length >>> shift) & 0xFF)) * 16777619;
        }
        return fnv(h, data, offset, length);
    }

    private static int fnv(int h, byte[] b, int off, int len) {
        for (int i = off, end = off + len; i < end; i++) {
            h = (h ^ (b[i] & 0xFF)) * 16777619;
        }
        return h;
    }

    private static void encodeSlot(byte[] b, int at, int id, int offset, int length, int check) {
        putInt(b, at, id);
        putInt(b, at + 4, offset);
        putInt(b, at + 8, length);
        putInt(b, at + 12, check);
    }

    private static void encodeState(byte[] b, int at, int version, int nextId, long modified, int firstPage) {
        putInt(b, at, version);
        putInt(b, at + 4, nextId);
        putInt(b, at + 8, (int) (modified >>> 32));
        putInt(b, at + 12, (int) modified);
        putInt(b, at + 16, firstPage);
    }

    private static void putInt(byte[] b, int at, int v) {
        b[at] = (byte) (v >>> 24);
        b[at + 1] = (byte) (v >>> 16);
        b[at + 2] = (byte) (v >>> 8);
        b[at + 3] = (byte) v;
    }

    private static void putShort(byte[] b, int at, int v) {
        b[at] = (byte) (v >>> 8);
        b[at + 1] = (byte) v;
    }

    private static int getInt(byte[] b, int at) {
        return (b[at] << 24) | ((b[at + 1] & 0xFF) << 16) | ((b[at + 2] & 0xFF) << 8) | (b[at + 3] & 0xFF);
    }

    private static int getShort(byte[] b, int at) {
        return ((b[at] & 0xFF) << 8) | (b[at + 1] & 0xFF);
    }

    private static long getLong(byte[] b, int at) {
        return ((long) getInt(b, at) << 32) | (getInt(b, at + 4) & 0xFFFFFFFFL);
    }

    private static native int nativeGetStorageAvailSize(String vendor, String name);
    private static native String nativeGetFileNameBySuite(String vendor, String name, byte kind);
    private static native void nativeBeginCommit(String vendor, String name);
    private static native void nativeEndCommit(String vendor, String name);
}
