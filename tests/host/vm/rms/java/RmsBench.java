import javax.microedition.rms.RecordStore;

/**
 * Record-store speed: addRecord and getRecord of 100-byte records on a store of 1,000
 * records, and one setRecord in a store of 10 records against one in a store of 10,000
 * (it must cost the same). "check" exits with 1 when the large store's setRecord costs
 * more than three times the small one's. The suite needs a quota of some 2 MB.
 */
public class RmsBench {
    static RecordStore fresh(String name) throws Exception {
        try {
            RecordStore.deleteRecordStore(name);
        } catch (Exception e) {
            // not there yet
        }
        return RecordStore.openRecordStore(name, true);
    }

    static long now() {
        return System.currentTimeMillis();
    }

    static String rate(int n, long ms) {
        return (ms <= 0 ? ">" + (n * 1000) : "" + (n * 1000L / ms)) + "/s";
    }

    // Microseconds per setRecord over rounds that alternate between the two stores, so
    // that a busy machine slows both alike.
    static long[] setCosts(RecordStore small, RecordStore large, int rounds, int perRound) throws Exception {
        byte[] record = new byte[100];
        long[] total = new long[2];
        for (int r = 0; r < rounds; r++) {
            for (int which = 0; which < 2; which++) {
                RecordStore rs = which == 0 ? small : large;
                int count = rs.getNumRecords();
                long t = now();
                for (int i = 0; i < perRound; i++) {
                    record[0] = (byte) i;
                    rs.setRecord(1 + (i * 7) % count, record, 0, record.length);
                }
                total[which] += now() - t;
            }
        }
        total[0] = total[0] * 1000 / (rounds * perRound);
        total[1] = total[1] * 1000 / (rounds * perRound);
        return total;
    }

    public static void main(String[] args) throws Exception {
        boolean check = args.length > 0 && args[0].equals("check");
        int largeCount = check ? 3000 : 10000;
        byte[] record = new byte[100];

        RecordStore rs = fresh("thousand");
        long t = now();
        for (int i = 0; i < 1000; i++) {
            record[0] = (byte) i;
            rs.addRecord(record, 0, record.length);
        }
        long addMs = now() - t;
        int reads = check ? 2000 : 20000;
        t = now();
        for (int i = 0; i < reads; i++) {
            rs.getRecord(1 + i % 1000, record, 0);
        }
        long getMs = now() - t;
        rs.closeRecordStore();

        RecordStore small = fresh("ten");
        for (int i = 0; i < 10; i++) {
            small.addRecord(record, 0, record.length);
        }
        RecordStore large = fresh("large");
        t = now();
        for (int i = 0; i < largeCount; i++) {
            large.addRecord(record, 0, record.length);
        }
        long fillMs = now() - t;
        large.closeRecordStore();
        t = now();
        large = RecordStore.openRecordStore("large", false);
        long openMs = now() - t;
        long[] costs = setCosts(small, large, check ? 4 : 10, check ? 250 : 500);
        if (!check) {
            System.out.println("addRecord, 100 bytes, store of 1,000: " + rate(1000, addMs));
            System.out.println("getRecord, 100 bytes, store of 1,000: " + rate(reads, getMs));
            System.out.println("addRecord up to " + largeCount + " records: " + rate(largeCount, fillMs));
            System.out.println("opening the store of " + largeCount + " records: " + openMs + " ms");
            System.out.println("setRecord in a store of 10: " + costs[0] + " us");
            System.out.println("setRecord in a store of " + largeCount + ": " + costs[1] + " us");
        }
        small.closeRecordStore();
        large.closeRecordStore();
        if (costs[1] > 3 * costs[0] + 20) {
            System.out.println("setRecord grows with the store: " + costs[0] + " us against " + costs[1] + " us");
            System.exit(1);
        }
    }
}
