import javax.microedition.rms.RecordStore;
import javax.microedition.rms.RecordStoreNotFoundException;

/**
 * Stores shared between suites: "owner" makes them, "other" (another suite) uses them,
 * "check" reads back and makes one private, "after" (the other suite) finds it closed.
 */
public class RmsShared {
    static String text(byte[] b) {
        return b == null ? "null" : new String(b);
    }

    static void make(String name, int mode, boolean writable, String record) throws Exception {
        RecordStore rs = RecordStore.openRecordStore(name, true, mode, writable);
        rs.addRecord(record.getBytes(), 0, record.length());
        rs.closeRecordStore();
    }

    static String attempt(String what, RecordStore rs, String vendor, String suite, String name) {
        try {
            if (what.equals("open")) {
                RecordStore.openRecordStore(name, vendor, suite).closeRecordStore();
            } else if (what.equals("add")) {
                rs.addRecord(new byte[1], 0, 1);
            } else if (what.equals("set")) {
                rs.setRecord(1, new byte[1], 0, 1);
            } else if (what.equals("delete")) {
                rs.deleteRecord(1);
            } else {
                rs.setMode(RecordStore.AUTHMODE_PRIVATE, true);
            }
            return "allowed";
        } catch (Exception e) {
            String name2 = e.getClass().getName();
            return name2.substring(name2.lastIndexOf('.') + 1);
        }
    }

    public static void main(String[] args) throws Exception {
        String step = args[0];
        if (step.equals("owner")) {
            make("private", RecordStore.AUTHMODE_PRIVATE, true, "mine");
            make("shared", RecordStore.AUTHMODE_ANY, false, "look");
            make("open", RecordStore.AUTHMODE_ANY, true, "write here");
            RecordStore own = RecordStore.openRecordStore("shared", "Acme", "Game");
            System.out.println("own suite by name: " + text(own.getRecord(1)) + ", " + attempt("add", own, "", "", ""));
            own.closeRecordStore();
        } else if (step.equals("other")) {
            System.out.println("private store: " + attempt("open", null, "Acme", "Game", "private"));
            RecordStore shared = RecordStore.openRecordStore("shared", "Acme", "Game");
            System.out.println("read-only store: " + text(shared.getRecord(1)) + ", add " + attempt("add", shared, "", "", "")
                    + ", set " + attempt("set", shared, "", "", "") + ", delete " + attempt("delete", shared, "", "", "")
                    + ", mode " + attempt("mode", shared, "", "", ""));
            shared.closeRecordStore();
            RecordStore open = RecordStore.openRecordStore("open", "Acme", "Game");
            open.addRecord("from Tool".getBytes(), 0, 9);
            System.out.println("writable store: " + open.getNumRecords() + " records, mode "
                    + attempt("mode", open, "", "", ""));
            open.closeRecordStore();
            System.out.println("missing store: " + attempt("open", null, "Acme", "Game", "nothing"));
            System.out.println("unknown suite: " + attempt("open", null, "Acme", "Nothing", "open"));
            System.out.println("own list: " + (RecordStore.listRecordStores() == null ? "none" : "some"));
            try {
                RecordStore.deleteRecordStore("open");
                System.out.println("deleting another suite's store: allowed");
            } catch (RecordStoreNotFoundException e) {
                System.out.println("deleting another suite's store: RecordStoreNotFoundException");
            }
        } else if (step.equals("after")) {
            System.out.println("made private: " + attempt("open", null, "Acme", "Game", "open"));
        } else {
            RecordStore open = RecordStore.openRecordStore("open", false);
            System.out.println("owner reads: " + text(open.getRecord(1)) + ", " + text(open.getRecord(2)));
            open.setMode(RecordStore.AUTHMODE_PRIVATE, true);
            open.closeRecordStore();
        }
    }
}
