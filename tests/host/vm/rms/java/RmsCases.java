import javax.microedition.rms.InvalidRecordIDException;
import javax.microedition.rms.RecordComparator;
import javax.microedition.rms.RecordEnumeration;
import javax.microedition.rms.RecordFilter;
import javax.microedition.rms.RecordListener;
import javax.microedition.rms.RecordStore;
import javax.microedition.rms.RecordStoreException;
import javax.microedition.rms.RecordStoreFullException;
import javax.microedition.rms.RecordStoreNotFoundException;
import javax.microedition.rms.RecordStoreNotOpenException;

/** The record-store cases of one suite, each on a store of its own that it deletes again. */
public class RmsCases {
    static int failures;

    static void check(boolean ok, String what) {
        if (!ok) {
            failures++;
            System.out.println("  FAIL " + what);
        }
    }

    static void same(String expected, String got, String what) {
        check(expected.equals(got), what + ": expected \"" + expected + "\", got \"" + got + "\"");
    }

    static byte[] bytes(String s) {
        return s.getBytes();
    }

    static String text(byte[] b) {
        return b == null ? "null" : new String(b);
    }

    static RecordStore fresh(String name) throws RecordStoreException {
        try {
            RecordStore.deleteRecordStore(name);
        } catch (RecordStoreNotFoundException e) {
            // a clean start
        }
        return RecordStore.openRecordStore(name, true);
    }

    static void done(RecordStore rs) throws RecordStoreException {
        String name = rs.getName();
        rs.closeRecordStore();
        RecordStore.deleteRecordStore(name);
    }

    static void idsNeverReused() throws Exception {
        RecordStore rs = fresh("ids");
        int a = rs.addRecord(bytes("a"), 0, 1);
        int b = rs.addRecord(bytes("b"), 0, 1);
        int c = rs.addRecord(bytes("c"), 0, 1);
        check(a == 1 && b == 2 && c == 3, "first IDs 1, 2, 3: " + a + " " + b + " " + c);
        rs.deleteRecord(c);
        check(rs.getNextRecordID() == 4, "next ID after deleting the last: " + rs.getNextRecordID());
        int d = rs.addRecord(bytes("d"), 0, 1);
        check(d == 4, "a deleted ID is not given again: " + d);
        rs.deleteRecord(a);
        rs.deleteRecord(b);
        rs.deleteRecord(d);
        rs.closeRecordStore();
        rs = RecordStore.openRecordStore("ids", false);
        check(rs.getNumRecords() == 0, "empty after deleting all");
        check(rs.addRecord(bytes("e"), 0, 1) == 5, "still not reused after reopening");
        done(rs);
    }

    static void offsetBuffer() throws Exception {
        RecordStore rs = fresh("offset");
        int id = rs.addRecord(bytes("xxhelloxx"), 2, 5);
        byte[] buffer = bytes("0123456789");
        int n = rs.getRecord(id, buffer, 3);
        check(n == 5, "length returned: " + n);
        same("012hello89", text(buffer), "bytes placed at the offset");
        n = rs.getRecord(id, buffer, 5);
        same("012hehello", text(buffer), "up to the buffer's end");
        try {
            rs.getRecord(id, buffer, 6);
            check(false, "a record that does not fit the buffer");
        } catch (ArrayIndexOutOfBoundsException e) {
            // expected
        }
        try {
            rs.addRecord(buffer, 8, 5);
            check(false, "adding beyond the array");
        } catch (ArrayIndexOutOfBoundsException e) {
            // expected
        }
        done(rs);
    }

    static void zeroLength() throws Exception {
        RecordStore rs = fresh("empty");
        int a = rs.addRecord(null, 0, 0);
        int b = rs.addRecord(new byte[0], 0, 0);
        check(rs.getRecordSize(a) == 0 && rs.getRecordSize(b) == 0, "sizes 0");
        check(rs.getRecord(a) == null, "getRecord of an empty record is null");
        check(rs.getRecord(b, new byte[4], 0) == 0, "nothing copied");
        rs.setRecord(a, bytes("full"), 0, 4);
        same("full", text(rs.getRecord(a)), "an empty record filled");
        rs.setRecord(a, null, 0, 0);
        check(rs.getRecord(a) == null, "and emptied again");
        rs.closeRecordStore();
        rs = RecordStore.openRecordStore("empty", false);
        check(rs.getNumRecords() == 2 && rs.getRecordSize(b) == 0, "empty records kept over a reopening");
        done(rs);
    }

    static String pattern(int n, char c) {
        StringBuffer sb = new StringBuffer();
        for (int i = 0; i < n; i++) {
            sb.append((char) (c + i % 7));
        }
        return sb.toString();
    }

    static void growAndShrink() throws Exception {
        RecordStore rs = fresh("grow");
        int other = rs.addRecord(bytes("neighbour"), 0, 9);
        int id = rs.addRecord(bytes("0123456789"), 0, 10);
        int[] sizes = {1000, 3, 0, 50, 1024, 1};
        for (int i = 0; i < sizes.length; i++) {
            String s = pattern(sizes[i], 'a');
            rs.setRecord(id, bytes(s), 0, s.length());
            check(rs.getRecordSize(id) == sizes[i], "size after setting " + sizes[i]);
            same(sizes[i] == 0 ? "null" : s, text(rs.getRecord(id)), "contents after setting " + sizes[i]);
        }
        same("neighbour", text(rs.getRecord(other)), "the other record untouched");
        // freed space is reused: many changes of one record do not grow the file far
        int before = rs.getSize();
        for (int i = 0; i < 60; i++) {
            String s = pattern(100 + (i % 5) * 40, 'k');
            rs.setRecord(id, bytes(s), 0, s.length());
        }
        check(rs.getSize() - before < 1200, "the file stays small: grew " + (rs.getSize() - before));
        rs.closeRecordStore();
        rs = RecordStore.openRecordStore("grow", false);
        same(pattern(100 + 4 * 40, 'k'), text(rs.getRecord(id)), "the last contents after reopening");
        done(rs);
    }

    static String enumerate(RecordEnumeration e) throws Exception {
        StringBuffer sb = new StringBuffer();
        while (e.hasNextElement()) {
            sb.append(text(e.nextRecord())).append(' ');
        }
        return sb.toString().trim();
    }

    static final RecordComparator BY_TEXT = new RecordComparator() {
        public int compare(byte[] a, byte[] b) {
            int c = text(a).compareTo(text(b));
            return c < 0 ? PRECEDES : c > 0 ? FOLLOWS : EQUIVALENT;
        }
    };

    static void enumerationOrder() throws Exception {
        RecordStore rs = fresh("order");
        String[] words = {"pear", "apple", "fig", "cherry", "date"};
        for (int i = 0; i < words.length; i++) {
            rs.addRecord(bytes(words[i]), 0, words[i].length());
        }
        rs.deleteRecord(3);
        same("pear apple cherry date", enumerate(rs.enumerateRecords(null, null, false)), "by ID without comparator");
        same("apple cherry date pear", enumerate(rs.enumerateRecords(null, BY_TEXT, false)), "by the comparator");
        RecordFilter shortWords = new RecordFilter() {
            public boolean matches(byte[] r) {
                return r.length <= 4;
            }
        };
        same("date pear", enumerate(rs.enumerateRecords(shortWords, BY_TEXT, false)), "filtered and sorted");
        RecordEnumeration e = rs.enumerateRecords(null, null, false);
        check(e.numRecords() == 4, "four records");
        check(e.previousRecordId() == 5, "previous at the start is the last");
        check(e.previousRecordId() == 4 && e.previousRecordId() == 2, "walking back");
        check(e.nextRecordId() == 4, "and forward again");
        e.reset();
        check(e.nextRecordId() == 1, "reset starts over");
        try {
            e.reset();
            e.previousRecordId();
            e.previousRecordId();
            e.previousRecordId();
            e.previousRecordId();
            e.previousRecordId();
            check(false, "walking before the first");
        } catch (InvalidRecordIDException x) {
            // expected
        }
        e.destroy();
        try {
            e.numRecords();
            check(false, "a destroyed enumeration");
        } catch (IllegalStateException x) {
            // expected
        }
        done(rs);
    }

    static void keepUpdated() throws Exception {
        RecordStore rs = fresh("updated");
        rs.addRecord(bytes("one"), 0, 3);
        RecordEnumeration kept = rs.enumerateRecords(null, null, true);
        RecordEnumeration still = rs.enumerateRecords(null, null, false);
        check(kept.isKeptUpdated() && !still.isKeptUpdated(), "the flags");
        int two = rs.addRecord(bytes("two"), 0, 3);
        check(kept.numRecords() == 2, "an add is seen: " + kept.numRecords());
        check(still.numRecords() == 1, "not without keepUpdated");
        same("one two", enumerate(kept), "the new record is enumerated");
        rs.deleteRecord(1);
        check(kept.numRecords() == 1, "a delete is seen");
        kept.keepUpdated(false);
        rs.addRecord(bytes("three"), 0, 5);
        check(kept.numRecords() == 1, "no longer kept up to date");
        still.rebuild();
        check(still.numRecords() == 2, "rebuild sees the changes");
        kept.keepUpdated(true);
        check(kept.numRecords() == 2, "keeping up to date again rebuilds");
        check(two == 2, "ids");
        done(rs);
    }

    static class Log implements RecordListener {
        StringBuffer events = new StringBuffer();

        public void recordAdded(RecordStore s, int id) {
            events.append("added ").append(id).append("; ");
        }

        public void recordChanged(RecordStore s, int id) {
            events.append("changed ").append(id).append("; ");
        }

        public void recordDeleted(RecordStore s, int id) {
            events.append("deleted ").append(id).append("; ");
        }
    }

    static void listeners() throws Exception {
        RecordStore rs = fresh("listen");
        Log log = new Log();
        Log second = new Log();
        rs.addRecordListener(log);
        rs.addRecordListener(log);
        rs.addRecordListener(second);
        int id = rs.addRecord(bytes("x"), 0, 1);
        rs.setRecord(id, bytes("y"), 0, 1);
        rs.removeRecordListener(second);
        rs.deleteRecord(id);
        try {
            rs.deleteRecord(id);
        } catch (InvalidRecordIDException e) {
            // a failed change tells nobody
        }
        same("added 1; changed 1; deleted 1;", log.events.toString().trim(), "events, each listener once");
        same("added 1; changed 1;", second.events.toString().trim(), "a removed listener hears no more");
        done(rs);
    }

    static void versionAndModified() throws Exception {
        RecordStore rs = fresh("version");
        int v0 = rs.getVersion();
        long t0 = rs.getLastModified();
        check(t0 > 0, "a creation time");
        Thread.sleep(5);
        int id = rs.addRecord(bytes("a"), 0, 1);
        check(rs.getVersion() == v0 + 1, "add changes the version");
        long t1 = rs.getLastModified();
        check(t1 > t0, "and the time");
        rs.setRecord(id, bytes("b"), 0, 1);
        check(rs.getVersion() == v0 + 2, "set changes the version");
        rs.getRecord(id);
        rs.enumerateRecords(null, null, false);
        check(rs.getVersion() == v0 + 2, "reading does not");
        rs.deleteRecord(id);
        check(rs.getVersion() == v0 + 3, "delete changes the version");
        long t3 = rs.getLastModified();
        check(t3 >= t1, "the time never goes back");
        rs.closeRecordStore();
        rs = RecordStore.openRecordStore("version", false);
        check(rs.getVersion() == v0 + 3 && rs.getLastModified() == t3, "both kept over a reopening");
        done(rs);
    }

    static void exceptions() throws Exception {
        String got;
        try {
            RecordStore.openRecordStore("missing", false);
            got = "none";
        } catch (RecordStoreNotFoundException e) {
            got = "RecordStoreNotFoundException";
        }
        same("RecordStoreNotFoundException", got, "opening a missing store");
        RecordStore rs = fresh("errors");
        int id = rs.addRecord(bytes("a"), 0, 1);
        int[] bad = {0, -1, 999, id + 1};
        for (int i = 0; i < bad.length; i++) {
            try {
                rs.getRecord(bad[i]);
                got = "none";
            } catch (InvalidRecordIDException e) {
                got = "InvalidRecordIDException";
            }
            same("InvalidRecordIDException", got, "getRecord(" + bad[i] + ")");
        }
        rs.deleteRecord(id);
        try {
            rs.setRecord(id, bytes("b"), 0, 1);
            got = "none";
        } catch (InvalidRecordIDException e) {
            got = "InvalidRecordIDException";
        }
        same("InvalidRecordIDException", got, "setRecord of a deleted record");
        try {
            RecordStore.deleteRecordStore("errors");
            got = "none";
        } catch (RecordStoreException e) {
            got = e.getClass().getName() + ": " + e.getMessage();
        }
        same("javax.microedition.rms.RecordStoreException: record store \"errors\" is open", got,
                "deleting an open store");
        rs.closeRecordStore();
        try {
            rs.getNumRecords();
            got = "none";
        } catch (RecordStoreNotOpenException e) {
            got = "RecordStoreNotOpenException";
        }
        same("RecordStoreNotOpenException", got, "after the last close");
        try {
            rs.closeRecordStore();
            got = "none";
        } catch (RecordStoreNotOpenException e) {
            got = "RecordStoreNotOpenException";
        }
        same("RecordStoreNotOpenException", got, "closing once more");
        RecordStore.deleteRecordStore("errors");
        try {
            RecordStore.deleteRecordStore("errors");
            got = "none";
        } catch (RecordStoreNotFoundException e) {
            got = "RecordStoreNotFoundException";
        }
        same("RecordStoreNotFoundException", got, "deleting a missing store");
        String[] names = {"", "abcdefghijabcdefghijabcdefghijabc"};
        for (int i = 0; i < names.length; i++) {
            try {
                RecordStore.openRecordStore(names[i], true);
                got = "none";
            } catch (IllegalArgumentException e) {
                got = "IllegalArgumentException";
            }
            same("IllegalArgumentException", got, "a name of " + names[i].length() + " characters");
        }
        try {
            RecordStore.openRecordStore("mode", true, 2, true);
            got = "none";
        } catch (IllegalArgumentException e) {
            got = "IllegalArgumentException";
        }
        same("IllegalArgumentException", got, "authorisation mode 2");
    }

    static void threeStoresAtMost() throws Exception {
        check(RecordStore.listRecordStores() == null, "no stores at the start: " + RecordStore.listRecordStores());
        RecordStore a = fresh("first");
        RecordStore b = fresh("second");
        RecordStore c = fresh("third");
        String[] names = RecordStore.listRecordStores();
        same("first second third", names[0] + " " + names[1] + " " + names[2], "the list");
        String got;
        try {
            RecordStore.openRecordStore("fourth", true);
            got = "none";
        } catch (RecordStoreFullException e) {
            got = e.getMessage();
        }
        same("a MIDlet suite holds at most 3 record stores", got, "a fourth store");
        done(b);
        RecordStore d = RecordStore.openRecordStore("fourth", true);
        names = RecordStore.listRecordStores();
        same("first fourth third", names[0] + " " + names[1] + " " + names[2], "a deleted store's place taken");
        done(a);
        done(c);
        done(d);
        check(RecordStore.listRecordStores() == null, "none left");
    }

    static void openCounts() throws Exception {
        RecordStore a = fresh("counted");
        RecordStore b = RecordStore.openRecordStore("counted", false);
        RecordStore c = RecordStore.openRecordStore("counted", true, RecordStore.AUTHMODE_ANY, true);
        check(a == b && b == c, "one object for every opening");
        a.addRecord(bytes("x"), 0, 1);
        a.closeRecordStore();
        b.closeRecordStore();
        check(c.getNumRecords() == 1, "open until the last close");
        c.closeRecordStore();
        try {
            a.getNumRecords();
            check(false, "closed after the third close");
        } catch (RecordStoreNotOpenException e) {
            // expected
        }
        RecordStore d = RecordStore.openRecordStore("counted", false);
        check(d != a && d.getNumRecords() == 1, "a new object after the last close");
        done(d);
    }

    static void fullAtTheQuota() throws Exception {
        RecordStore rs = fresh("full");
        byte[] block = new byte[1000];
        int added = 0;
        int lastAvailable = rs.getSizeAvailable();
        boolean shrinking = true;
        String got = "none";
        try {
            while (added < 100) {
                block[0] = (byte) added;
                rs.addRecord(block, 0, block.length);
                added++;
                int available = rs.getSizeAvailable();
                shrinking &= available < lastAvailable;
                lastAvailable = available;
            }
        } catch (RecordStoreFullException e) {
            got = "RecordStoreFullException";
        }
        same("RecordStoreFullException", got, "adding past the quota");
        check(added > 25 && added < 32, "about 30 records of 1000 bytes: " + added);
        check(shrinking, "the room left shrinks with each record");
        check(rs.getSizeAvailable() < 1000, "too little room left for another: " + rs.getSizeAvailable());
        check(rs.getNumRecords() == added, "the refused record is not there");
        rs.closeRecordStore();
        rs = RecordStore.openRecordStore("full", false);
        boolean whole = rs.getNumRecords() == added;
        for (int id = 1; id <= added; id++) {
            whole &= rs.getRecord(id)[0] == (byte) (id - 1);
        }
        check(whole, "every record that was added is there");
        rs.deleteRecord(1);
        rs.addRecord(block, 0, 900);
        check(rs.getNumRecords() == added, "space of a deleted record is used again");
        done(rs);
    }

    public static void main(String[] args) throws Exception {
        String[] names = {"ids never reused", "getRecord into an offset buffer", "zero-length records",
            "setRecord growing and shrinking", "enumeration order", "keepUpdated", "listeners",
            "version and last modified", "exceptions", "three stores at most", "open counts",
            "RecordStoreFullException at the quota"};
        // one case by its index, or all (the quota case wants a suite's first run)
        int first = args.length > 0 ? Integer.parseInt(args[0]) : 0;
        int last = args.length > 0 ? first : names.length - 1;
        for (int i = first; i <= last; i++) {
            int before = failures;
            try {
                switch (i) {
                    case 0: idsNeverReused(); break;
                    case 1: offsetBuffer(); break;
                    case 2: zeroLength(); break;
                    case 3: growAndShrink(); break;
                    case 4: enumerationOrder(); break;
                    case 5: keepUpdated(); break;
                    case 6: listeners(); break;
                    case 7: versionAndModified(); break;
                    case 8: exceptions(); break;
                    case 9: threeStoresAtMost(); break;
                    case 10: openCounts(); break;
                    default: fullAtTheQuota(); break;
                }
            } catch (Throwable t) {
                failures++;
                System.out.println("  FAIL threw " + t);
            }
            System.out.println(names[i] + (failures == before ? ": ok" : ": FAILED"));
        }
        if (args.length == 0) {
            System.out.println(failures == 0 ? "all passed" : failures + " failures");
        }
    }
}
