package prog;

public class LinkedQueue {
    private static class Node {
        final Object item;
        Node next;

        Node(Object item) {
            this.item = item;
        }
    }

    private Node head;
    private Node tail;
    private int size;

    public void put(Object o) {
        Node n = new Node(o);
        if (tail == null) {
            head = n;
        } else {
            tail.next = n;
        }
        tail = n;
        size++;
    }

    public Object take() {
        if (head == null) {
            return null;
        }
        Object o = head.item;
        head = head.next;
        if (head == null) {
            tail = null;
        }
        size--;
        return o;
    }

    public int size() {
        return size;
    }
}
