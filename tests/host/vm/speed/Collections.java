// Vector, Hashtable and Stack with keys of the program's own class, whose equals and
// hashCode the library calls back.
import java.util.Enumeration;
import java.util.Hashtable;
import java.util.Stack;
import java.util.Vector;

public class Collections {
    static final class Key {
        final int a, b;

        Key(int a, int b) {
            this.a = a;
            this.b = b;
        }

        public boolean equals(Object o) {
            if (!(o instanceof Key)) return false;
            Key k = (Key) o;
            return k.a == a && k.b == b;
        }

        public int hashCode() {
            return a * 31 + b;
        }
    }

    public static void main(String[] args) {
        int rounds = args.length > 0 ? Integer.parseInt(args[0]) : 20;
        long checksum = 0;
        for (int r = 0; r < rounds; r++) {
            Hashtable table = new Hashtable();
            Vector list = new Vector();
            for (int i = 0; i < 500; i++) {
                Key k = new Key(i % 50, i / 50 + r);
                table.put(k, new Integer(i));
                list.addElement(k);
            }
            for (int i = 0; i < 500; i += 3) {
                Integer v = (Integer) table.get(new Key(i % 50, i / 50 + r));
                if (v != null) checksum += v.intValue();
            }
            for (int i = 0; i < 100; i++) {
                if (list.contains(new Key(i, r))) checksum++;
                checksum += list.indexOf(new Key(i % 50, 3 + r));
            }
            Stack stack = new Stack();
            for (Enumeration e = table.keys(); e.hasMoreElements();) stack.push(e.nextElement());
            while (!stack.empty()) {
                Key k = (Key) stack.pop();
                checksum += k.a - k.b;
            }
        }
        System.out.println("checksum " + checksum);
    }
}
