// Building strings: StringBuffer appends of ints, strings and chars, toString, and
// searches in the results.
public class StringBuild {
    public static void main(String[] args) {
        int rounds = args.length > 0 ? Integer.parseInt(args[0]) : 2000;
        long total = 0;
        int found = 0;
        for (int r = 0; r < rounds; r++) {
            StringBuffer sb = new StringBuffer();
            for (int i = 0; i < 20; i++) {
                sb.append("item").append(i * r - 5000).append(',').append(r % 7 == 0 ? "seven" : "other");
                sb.append(' ');
            }
            String s = sb.toString();
            total += s.length();
            if (s.indexOf("item" + (19 * r - 5000)) >= 0) found++;
            String t = Integer.toString(r) + ":" + s.substring(0, 10);
            total += t.hashCode() & 0xFF;
        }
        System.out.println("length " + total + ", found " + found);
    }
}
