import java.util.EmptyStackException;
import java.util.Enumeration;
import java.util.Hashtable;
import java.util.NoSuchElementException;
import java.util.Stack;
import java.util.Vector;

/**
 * Vector, Stack, Hashtable and their enumerations.
 */
public class UtilTest {

    static String list(Enumeration e) {
        StringBuffer b = new StringBuffer();
        while (e.hasMoreElements()) {
            b.append(b.length() == 0 ? "" : " ").append(e.nextElement());
        }
        return b.toString();
    }

    public static void main(String[] args) {
        Vector v = new Vector(2);
        for (int i = 0; i < 5; i++) {
            v.addElement("e" + i);
        }
        System.out.println("vector " + v + " size " + v.size() + " capacity " + v.capacity());
        v.insertElementAt("first", 0);
        v.removeElementAt(3);
        v.removeElement("e4");
        v.setElementAt("last", v.size() - 1);
        System.out.println("edited " + v);
        System.out.println("indexOf e1 " + v.indexOf("e1") + ", contains e9 " + v.contains("e9") + ", lastIndexOf first "
            + v.lastIndexOf("first"));
        System.out.println("first " + v.firstElement() + ", last " + v.lastElement() + ", elements " + list(v.elements()));
        Object[] copy = new Object[v.size()];
        v.copyInto(copy);
        System.out.println("copied " + copy.length + " " + copy[1]);
        v.setSize(1);
        v.addElement(null);
        System.out.println("resized " + v + " indexOf null " + v.indexOf(null));
        try {
            v.elementAt(7);
        } catch (ArrayIndexOutOfBoundsException e) {
            System.out.println("elementAt(7) -> " + e.getClass().getName());
        }
        v.removeAllElements();
        try {
            v.firstElement();
        } catch (NoSuchElementException e) {
            System.out.println("empty firstElement -> " + e.getClass().getName());
        }

        Stack s = new Stack();
        s.push("a");
        s.push("b");
        s.push("c");
        System.out.println("stack " + s + " peek " + s.peek() + " search a " + s.search("a") + " search x "
            + s.search("x"));
        System.out.println("pop " + s.pop() + " " + s.pop() + " " + s.pop() + " empty " + s.empty());
        try {
            s.pop();
        } catch (EmptyStackException e) {
            System.out.println("pop on empty -> " + e.getClass().getName());
        }

        Hashtable h = new Hashtable();
        for (int i = 0; i < 20; i++) {
            h.put("key" + i, new Integer(i * i));
        }
        System.out.println("hashtable size " + h.size() + " key7 " + h.get("key7") + " missing " + h.get("nokey"));
        System.out.println("replaced " + h.put("key7", "seven") + " now " + h.get("key7"));
        System.out.println("removed " + h.remove("key3") + " again " + h.remove("key3") + " size " + h.size());
        System.out.println("containsKey key4 " + h.containsKey("key4") + ", contains 16 " + h.contains(new Integer(16))
            + ", contains 9 " + h.contains(new Integer(9)));
        int keys = 0;
        int sum = 0;
        for (Enumeration e = h.keys(); e.hasMoreElements();) {
            e.nextElement();
            keys++;
        }
        for (Enumeration e = h.elements(); e.hasMoreElements();) {
            Object value = e.nextElement();
            if (value instanceof Integer) {
                sum += ((Integer) value).intValue();
            }
        }
        System.out.println("enumerated " + keys + " keys, sum of values " + sum);
        Hashtable small = new Hashtable(3);
        small.put(new Integer(1), "one");
        small.put(new Integer(2), "two");
        System.out.println("small " + small);
        try {
            h.put("x", null);
        } catch (NullPointerException e) {
            System.out.println("null value -> " + e.getClass().getName());
        }
        h.clear();
        System.out.println("cleared " + h.size() + " " + h.isEmpty() + " " + h);
    }
}
