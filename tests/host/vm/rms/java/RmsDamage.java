import javax.microedition.rms.RecordEnumeration;
import javax.microedition.rms.RecordStore;
import javax.microedition.rms.RecordStoreException;

/** "make" fills three stores; "check" reads each back whole, or names what is wrong. */
public class RmsDamage {
    static final String[] STORES = {"alpha", "beta", "gamma"};
    static final int[] COUNTS = {3, 40, 3};

    static String record(String store, int i) {
        StringBuffer sb = new StringBuffer(store).append('-').append(i).append(':');
        while (sb.length() < 50) {
            sb.append((char) ('a' + (sb.length() + i) % 26));
        }
        return sb.toString();
    }

    public static void main(String[] args) throws Exception {
        if (args[0].equals("make")) {
            for (int s = 0; s < STORES.length; s++) {
                RecordStore rs = RecordStore.openRecordStore(STORES[s], true);
                for (int i = 1; i <= COUNTS[s]; i++) {
                    String r = record(STORES[s], i);
                    rs.addRecord(r.getBytes(), 0, r.length());
                }
                rs.closeRecordStore();
            }
            return;
        }
        String[] names = RecordStore.listRecordStores();
        StringBuffer list = new StringBuffer("stores:");
        for (int i = 0; names != null && i < names.length; i++) {
            list.append(' ').append(names[i]);
        }
        System.out.println(list);
        for (int s = 0; s < STORES.length; s++) {
            try {
                RecordStore rs = RecordStore.openRecordStore(STORES[s], false);
                RecordEnumeration e = rs.enumerateRecords(null, null, false);
                int n = 0;
                boolean same = true;
                while (e.hasNextElement()) {
                    int id = e.nextRecordId();
                    same &= new String(rs.getRecord(id)).equals(record(STORES[s], id));
                    n++;
                }
                rs.closeRecordStore();
                System.out.println(STORES[s] + ": " + (same && n == COUNTS[s] ? "whole" : "differs") + ", " + n + " records");
            } catch (RecordStoreException e) {
                String c = e.getClass().getName();
                System.out.println(STORES[s] + ": " + c.substring(c.lastIndexOf('.') + 1) + ": " + e.getMessage());
            }
        }
    }
}
