import javax.microedition.midlet.MIDlet;
import javax.microedition.rms.RecordComparator;
import javax.microedition.rms.RecordEnumeration;
import javax.microedition.rms.RecordStore;

/** Keeps a high-score table in a record store of its suite, reads it back and ends itself. */
public class Scores extends MIDlet {
    protected void startApp() {
        try {
            RecordStore rs = RecordStore.openRecordStore("scores", true);
            String[] scores = {"0420 ann", "1200 bob", "0800 cy"};
            for (int i = 0; i < scores.length; i++) {
                rs.addRecord(scores[i].getBytes(), 0, scores[i].length());
            }
            rs.closeRecordStore();
            rs = RecordStore.openRecordStore("scores", false);
            RecordEnumeration e = rs.enumerateRecords(null, new RecordComparator() {
                public int compare(byte[] a, byte[] b) {
                    int c = new String(b).compareTo(new String(a));
                    return c < 0 ? PRECEDES : c > 0 ? FOLLOWS : EQUIVALENT;
                }
            }, false);
            while (e.hasNextElement()) {
                System.out.println(new String(e.nextRecord()));
            }
            System.out.println(rs.getNumRecords() + " records, version " + rs.getVersion() + ", stores "
                    + RecordStore.listRecordStores().length + ", room left " + (rs.getSizeAvailable() > 30000));
            rs.closeRecordStore();
            System.out.println("supports.mixing: " + System.getProperty("supports.mixing"));
        } catch (Exception x) {
            System.out.println("failed: " + x);
        }
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
