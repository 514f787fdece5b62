// Pancake flipping over every permutation of n elements: small int arrays, tight loops.
public class Fannkuch {
    public static void main(String[] args) {
        int n = args.length > 0 ? Integer.parseInt(args[0]) : 7;
        int[] perm = new int[n], perm1 = new int[n], count = new int[n];
        for (int i = 0; i < n; i++) perm1[i] = i;
        int maxFlips = 0, checksum = 0, permIndex = 0, r = n;
        while (true) {
            while (r != 1) {
                count[r - 1] = r;
                r--;
            }
            for (int i = 0; i < n; i++) perm[i] = perm1[i];
            int flips = 0;
            int k;
            while ((k = perm[0]) != 0) {
                for (int i = 0, j = k; i < j; i++, j--) {
                    int t = perm[i];
                    perm[i] = perm[j];
                    perm[j] = t;
                }
                flips++;
            }
            if (flips > maxFlips) maxFlips = flips;
            checksum += (permIndex & 1) == 0 ? flips : -flips;
            while (true) {
                if (r == n) {
                    System.out.println(checksum + "\nPfannkuchen(" + n + ") = " + maxFlips);
                    return;
                }
                int first = perm1[0];
                for (int i = 0; i < r; i++) perm1[i] = perm1[i + 1];
                perm1[r] = first;
                count[r]--;
                if (count[r] > 0) break;
                r++;
            }
            permIndex++;
        }
    }
}
