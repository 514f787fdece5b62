import java.util.*;

// Hashtable, Vector, Stack and their enumerations, with the failures of each.
public class Collections {
    static String list(Enumeration e) {
        StringBuffer b = new StringBuffer("<");
        while (e.hasMoreElements()) {
            b.append(e.nextElement()).append(e.hasMoreElements() ? "," : "");
        }
        return b.append(">").toString();
    }

    public static void main(String[] args) {
        Hashtable h = new Hashtable(2);
        for (int i = 0; i < 40; i += 3) {
            h.put("k" + i, new Integer(i * i));
        }
        h.put(new Integer(7), "seven");
        h.put(new Long(-7), "minus seven");
        System.out.println(h + " " + h.size());
        System.out.println(h.get("k9") + " " + h.get("k10") + " " + h.containsKey("k39") + " " + h.contains(new Integer(81)) + " "
            + h.put("k9", "nine") + " " + h.remove("k0") + " " + h.remove("missing") + " " + h.size() + " " + h.isEmpty());
        System.out.println(list(h.keys()));
        System.out.println(list(h.elements()));
        String[] failing = {"put null key", "put null value", "get null", "contains null"};
        for (int i = 0; i < failing.length; i++) {
            try {
                switch (i) {
                    case 0: h.put(null, "x"); break;
                    case 1: h.put("x", null); break;
                    case 2: h.get(null); break;
                    default: h.contains(null); break;
                }
                System.out.println(failing[i] + " passed");
            } catch (NullPointerException e) {
                System.out.println(failing[i] + ": NullPointerException");
            }
        }
        h.clear();
        System.out.println(h + " " + h.size() + " " + list(h.keys()));
        try {
            new Hashtable(-1);
        } catch (IllegalArgumentException e) {
            System.out.println("negative capacity: IllegalArgumentException");
        }

        Vector v = new Vector(2, 3);
        for (int i = 0; i < 7; i++) {
            v.addElement(new Integer(i));
        }
        System.out.println(v + " " + v.size() + " " + v.capacity());
        v.insertElementAt("ins", 2);
        v.setElementAt("set", 0);
        v.removeElementAt(4);
        v.removeElement(new Integer(6));
        v.addElement(null);
        System.out.println(v + " " + v.indexOf("ins") + " " + v.indexOf(null) + " " + v.lastIndexOf(new Integer(5)) + " "
            + v.indexOf(new Integer(5), 6) + " " + v.lastIndexOf(new Integer(1), 1) + " " + v.contains("set") + " "
            + v.firstElement() + " " + v.lastElement() + " " + v.elementAt(3));
        Object[] copy = new Object[v.size()];
        v.copyInto(copy);
        System.out.println(copy.length + " " + copy[2] + " " + list(v.elements()));
        v.setSize(3);
        v.trimToSize();
        System.out.println(v + " " + v.capacity());
        v.setSize(5);
        v.ensureCapacity(20);
        System.out.println(v + " " + v.capacity());
        Vector doubling = new Vector(1);
        for (int i = 0; i < 5; i++) {
            doubling.addElement("x");
            System.out.print(doubling.capacity() + " ");
        }
        System.out.println();
        String[] vfail = {"elementAt(9)", "elementAt(-1)", "insertElementAt(9)", "removeElementAt(5)", "setElementAt(5)", "firstElement",
                          "lastElement", "new Vector(-1)", "setSize(-1)"};
        Vector empty = new Vector();
        for (int i = 0; i < vfail.length; i++) {
            try {
                switch (i) {
                    case 0: v.elementAt(9); break;
                    case 1: v.elementAt(-1); break;
                    case 2: v.insertElementAt("x", 9); break;
                    case 3: v.removeElementAt(5); break;
                    case 4: v.setElementAt("x", 5); break;
                    case 5: empty.firstElement(); break;
                    case 6: empty.lastElement(); break;
                    case 7: new Vector(-1); break;
                    default: v.setSize(-1); break;
                }
                System.out.println(vfail[i] + " passed");
            } catch (ArrayIndexOutOfBoundsException e) {
                System.out.println(vfail[i] + ": ArrayIndexOutOfBoundsException");
            } catch (NoSuchElementException e) {
                System.out.println(vfail[i] + ": NoSuchElementException");
            } catch (IllegalArgumentException e) {
                System.out.println(vfail[i] + ": IllegalArgumentException");
            }
        }
        v.removeAllElements();
        System.out.println(v + " " + v.isEmpty());

        Stack s = new Stack();
        System.out.println(s.empty() + " " + s.push("a") + " " + s.push("b") + " " + s.push("c") + " " + s.peek() + " " + s.search("a")
            + " " + s.search("c") + " " + s.search("z") + " " + s.pop() + " " + s + " " + s.size());
        s.pop();
        s.pop();
        try {
            s.pop();
        } catch (EmptyStackException e) {
            System.out.println("pop empty: EmptyStackException " + e.getMessage());
        }
        try {
            s.peek();
        } catch (EmptyStackException e) {
            System.out.println("peek empty: EmptyStackException");
        }
        Enumeration done = new Vector().elements();
        try {
            done.nextElement();
        } catch (NoSuchElementException e) {
            System.out.println("enumeration past the end: NoSuchElementException");
        }
    }
}
