import com.movane.util.IntRingBuffer;
import com.movane.util.StringKeyHashtable;
import java.io.IOException;
import java.util.Enumeration;

// The String-keyed table and the int ring, whose lookups and writes are natives.
public class UtilityClassesTest {
    static void expect(String what, Runnable action) {
        try {
            action.run();
            System.out.println(what + ": no exception");
        } catch (RuntimeException e) {
            System.out.println(what + ": " + e.getClass().getName());
        }
    }

    public static void main(String[] args) throws IOException {
        // a table of one bucket grows through many rehashes; every key stays found, equal
        // Strings made apart find the same entry
        final StringKeyHashtable t = new StringKeyHashtable(1);
        for (int i = 0; i < 500; i++) {
            if (t.put("key" + i, new Integer(i)) != null) {
                System.out.println("new key " + i + " had a value");
            }
        }
        int found = 0;
        for (int i = 0; i < 500; i++) {
            Object v = t.get(new StringBuffer("key").append(i).toString());
            if (v instanceof Integer && ((Integer) v).intValue() == i) {
                found++;
            }
        }
        System.out.println("size " + t.size() + " found " + found + " missing " + t.get("key500") + " "
                + t.containsKey("key500") + " " + t.containsKey("key499"));
        System.out.println("replaced " + t.put("key7", "seven") + " now " + t.get("key7") + " size " + t.size());
        // the empty String and Strings of equal hash ("Aa" and "BB") are distinct keys
        t.put("", "empty");
        t.put("Aa", "Aa");
        t.put("BB", "BB");
        System.out.println("empty " + t.get("") + " Aa " + t.get("Aa") + " BB " + t.get("BB"));
        // keys of other classes go through Hashtable, and a String is still one key
        Object asObject = "key9";
        t.put(new Integer(3), "three");
        System.out.println("integer key " + t.get(new Integer(3)) + " string as object " + t.get(asObject) + " "
                + t.containsKey(asObject));
        System.out.println("removed " + t.remove("key9") + " then " + t.get("key9") + " size " + t.size());
        int counted = 0;
        for (Enumeration e = t.keys(); e.hasMoreElements(); e.nextElement()) {
            counted++;
        }
        System.out.println("enumerated " + counted);
        // replacing at the threshold needs no room
        StringKeyHashtable small = new StringKeyHashtable(4);
        small.put("x", "1");
        small.put("y", "2");
        small.put("z", "3");
        System.out.println("at the threshold: " + small.put("y", "two") + " " + small.get("y") + " size " + small.size());
        expect("get null", new Runnable() { public void run() { t.get((String) null); } });
        expect("containsKey null", new Runnable() { public void run() { t.containsKey((String) null); } });
        expect("put null key", new Runnable() { public void run() { t.put(null, "v"); } });
        expect("put null value", new Runnable() { public void run() { t.put("k", null); } });

        // the ring wraps five-word writes around its end and reads them back in order
        IntRingBuffer r = new IntRingBuffer(7);
        IntRingBuffer.write5(r, 1, 2, 3, 4, 5);
        StringBuffer out = new StringBuffer();
        for (int i = 0; i < 4; i++) {
            out.append(r.read()).append(' ');
        }
        IntRingBuffer.write5(r, 6, 7, 8, 9, 10);
        out.append("| ").append(r.available()).append(" |");
        while (r.available() > 0) {
            out.append(' ').append(r.read());
        }
        System.out.println("ring " + out + " size " + r.size());
        try {
            r.read();
            System.out.println("read of an empty ring: no exception");
        } catch (IOException e) {
            System.out.println("read of an empty ring: " + e.getClass().getName());
        }
        expect("write5 to null", new Runnable() { public void run() { IntRingBuffer.write5(null, 1, 2, 3, 4, 5); } });
        expect("ring of no slots", new Runnable() { public void run() { new IntRingBuffer(0); } });
    }
}
