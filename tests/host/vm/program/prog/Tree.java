package prog;

public class Tree {
    static final class Node {
        final int key;
        Node left;
        Node right;

        Node(int key) {
            this.key = key;
        }
    }

    private Node root;

    public boolean insert(int key) {
        if (root == null) {
            root = new Node(key);
            return true;
        }
        Node n = root;
        while (true) {
            if (key == n.key) {
                return false;
            }
            Node next = key < n.key ? n.left : n.right;
            if (next == null) {
                if (key < n.key) {
                    n.left = new Node(key);
                } else {
                    n.right = new Node(key);
                }
                return true;
            }
            n = next;
        }
    }

    public int height() {
        return height(root);
    }

    private static int height(Node n) {
        return n == null ? 0 : 1 + Math.max(height(n.left), height(n.right));
    }

    public String inOrder() {
        StringBuffer sb = new StringBuffer();
        walk(root, sb);
        return sb.toString();
    }

    private static void walk(Node n, StringBuffer sb) {
        if (n != null) {
            walk(n.left, sb);
            sb.append(n.key).append(' ');
            walk(n.right, sb);
        }
    }
}
