// Many short-lived trees and one long-lived one: allocation and collection.
public class BinaryTrees {
    static final class Node {
        Node left, right;

        Node(Node left, Node right) {
            this.left = left;
            this.right = right;
        }

        int check() {
            return left == null ? 1 : 1 + left.check() + right.check();
        }
    }

    static Node build(int depth) {
        return depth == 0 ? new Node(null, null) : new Node(build(depth - 1), build(depth - 1));
    }

    public static void main(String[] args) {
        int maxDepth = args.length > 0 ? Integer.parseInt(args[0]) : 10;
        int minDepth = 4;
        System.out.println("stretch tree of depth " + (maxDepth + 1) + "\t check: " + build(maxDepth + 1).check());
        Node longLived = build(maxDepth);
        for (int depth = minDepth; depth <= maxDepth; depth += 2) {
            int iterations = 1 << (maxDepth - depth + minDepth);
            int check = 0;
            for (int i = 0; i < iterations; i++) check += build(depth).check();
            System.out.println(iterations + "\t trees of depth " + depth + "\t check: " + check);
        }
        System.out.println("long lived tree of depth " + maxDepth + "\t check: " + longLived.check());
    }
}
