import javax.microedition.rms.RecordStore;

/**
 * A writer to be killed at any moment, and its checker. Op n of a fixed sequence adds,
 * sets or deletes a record of the store "crash"; which, and the bytes, follow from n and
 * the state the ops before left. "write k" replays ops 1..k in memory only, then does ops
 * k+1, k+2, ... on the store, printing n once op n returned. "check k" finds the store
 * in the state after op k or op k+1 (the one under way at the kill) and prints which.
 */
public class RmsCrash {
    static final int MAX_RECORDS = 24;

    // the records after some ops: IDs ascending, with their bytes
    int[] ids = new int[MAX_RECORDS + 1];
    byte[][] data = new byte[MAX_RECORDS + 1][];
    int count;
    int nextId = 1;

    static int mix(int n) {
        int h = n * 0x9E3779B1;
        h ^= h >>> 16;
        h *= 0x85EBCA6B;
        return h ^ (h >>> 13);
    }

    static byte[] contents(int n) {
        int size = (mix(n + 7) >>> 1) % 300;
        byte[] b = new byte[size];
        for (int i = 0; i < size; i++) {
            b[i] = (byte) (n * 31 + i);
        }
        return b;
    }

    // the op: 0 add, 1 set, 2 delete; its record as an index into ids
    int kind(int n) {
        int r = (mix(n) >>> 1) % 10;
        if (count < 6 || (r < 4 && count < MAX_RECORDS)) {
            return 0;
        }
        return r < 8 ? 1 : 2;
    }

    int target(int n) {
        return (mix(n ^ 0x5A5A) >>> 1) % count;
    }

    void apply(int n) {
        int kind = kind(n);
        if (kind == 0) {
            ids[count] = nextId++;
            data[count++] = contents(n);
        } else if (kind == 1) {
            data[target(n)] = contents(n);
        } else {
            int t = target(n);
            System.arraycopy(ids, t + 1, ids, t, count - t - 1);
            System.arraycopy(data, t + 1, data, t, count - t - 1);
            count--;
        }
    }

    void perform(RecordStore rs, int n) throws Exception {
        int kind = kind(n);
        byte[] b = contents(n);
        if (kind == 0) {
            int id = rs.addRecord(b, 0, b.length);
            if (id != nextId) {
                throw new IllegalStateException("op " + n + " added " + id + ", not " + nextId);
            }
        } else if (kind == 1) {
            rs.setRecord(ids[target(n)], b, 0, b.length);
        } else {
            rs.deleteRecord(ids[target(n)]);
        }
        apply(n);
    }

    static RmsCrash after(int ops) {
        RmsCrash s = new RmsCrash();
        for (int n = 1; n <= ops; n++) {
            s.apply(n);
        }
        return s;
    }

    boolean matches(RecordStore rs) throws Exception {
        if (rs.getNumRecords() != count || rs.getNextRecordID() != nextId) {
            return false;
        }
        for (int i = 0; i < count; i++) {
            byte[] got = rs.getRecord(ids[i]);
            int length = got == null ? 0 : got.length;
            if (length != data[i].length) {
                return false;
            }
            for (int k = 0; k < length; k++) {
                if (got[k] != data[i][k]) {
                    return false;
                }
            }
        }
        return true;
    }

    public static void main(String[] args) throws Exception {
        int done = Integer.parseInt(args[1]);
        if (args[0].equals("write")) {
            RmsCrash s = after(done);
            RecordStore rs = RecordStore.openRecordStore("crash", true);
            if (done == 0) {
                RecordStore other = RecordStore.openRecordStore("bystander", true);
                if (other.getNumRecords() == 0) {
                    other.addRecord("untouched".getBytes(), 0, 9);
                }
                other.closeRecordStore();
            }
            for (int n = done + 1; n <= done + 1000000; n++) {
                s.perform(rs, n);
                System.out.println(n);
            }
            return;
        }
        RecordStore rs = RecordStore.openRecordStore("crash", false);
        String state = "MISMATCH after op " + done;
        for (int n = done; n <= done + 1; n++) {
            if (after(n).matches(rs)) {
                state = "state " + n;
                break;
            }
        }
        RecordStore other = RecordStore.openRecordStore("bystander", false);
        System.out.println(state);
        System.out.println("bystander " + new String(other.getRecord(1)));
        System.out.println("size " + (rs.getSize() + other.getSize()) + " records " + rs.getNumRecords());
        rs.closeRecordStore();
        other.closeRecordStore();
    }
}
