import javax.microedition.midlet.MIDlet;
import javax.microedition.rms.RecordStore;

/**
 * Writes its record store until the VM stops it, for the signal cases. Write n goes to
 * record ((n - 1) % 16) + 1 (added for n up to 16, set after) and holds n; "acked n" is
 * printed once it returned. After every 16th write all records are read back: each must
 * hold its last acknowledged write, so a store torn down under the writer shows as a
 * failed write or a lost one, whenever the signal comes.
 */
public class SignalWriter extends MIDlet implements Runnable {
    static final int SLOTS = 16;
    volatile boolean stopping;
    Thread writer;

    static byte[] bytesOf(int n) {
        byte[] b = new byte[8];
        for (int i = 0; i < 4; i++) {
            b[i] = (byte) (n >>> (24 - 8 * i));
            b[i + 4] = (byte) ~b[i];
        }
        return b;
    }

    static int valueOf(byte[] b) {
        if (b == null || b.length != 8) {
            return -1;
        }
        int n = 0;
        for (int i = 0; i < 4; i++) {
            if (b[i + 4] != (byte) ~b[i]) {
                return -1;
            }
            n = (n << 8) | (b[i] & 0xFF);
        }
        return n;
    }

    public void run() {
        try {
            RecordStore rs = RecordStore.openRecordStore("signal", true);
            for (int n = 1; !stopping; n++) {
                byte[] b = bytesOf(n);
                if (n <= SLOTS) {
                    rs.addRecord(b, 0, b.length);
                } else {
                    rs.setRecord((n - 1) % SLOTS + 1, b, 0, b.length);
                }
                System.out.println("acked " + n);
                if (n % SLOTS == 0) {
                    check(rs, n);
                }
            }
            rs.closeRecordStore();
        } catch (Throwable t) {
            System.out.println("writer failed: " + t);
        }
    }

    static void check(RecordStore rs, int acked) throws Exception {
        for (int slot = 1; slot <= SLOTS; slot++) {
            int last = acked - (acked - slot) % SLOTS;
            int got = valueOf(rs.getRecord(slot));
            if (got != last) {
                System.out.println("LOST record " + slot + ": holds " + got + ", write " + last + " was acknowledged");
            }
        }
    }

    protected void startApp() {
        if (writer == null) {
            writer = new Thread(this);
            writer.start();
        }
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
        stopping = true;
        try {
            if (writer != null) {
                writer.join();
            }
        } catch (InterruptedException e) {
            // the store is closed by the writer or not at all
        }
        System.out.println("destroyApp");
    }
}
