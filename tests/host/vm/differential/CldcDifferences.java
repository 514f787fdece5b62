// Where CLDC differs from Java SE on purpose; CldcDifferences.txt gives both outputs.
public class CldcDifferences {
    public static void main(String[] args) {
        // CLDC's character classes are those of ISO 8859-1 letters and digits only
        char[] latin = {'\u00aa', '\u00b5', '\u00ba', '\u00ff'};
        for (int i = 0; i < latin.length; i++) {
            char c = latin[i];
            System.out.println(Integer.toHexString(c) + " lower " + Character.isLowerCase(c) + " upper "
                + Integer.toHexString(Character.toUpperCase(c)));
        }
        // an empty string is found at the end only when the search starts within the string
        System.out.println("indexOf empty " + "abc".indexOf("", 5) + " " + "abc".indexOf("", 1) + " " + "".indexOf("", 0));
        // a leading plus sign is not a number
        try {
            System.out.println("parseInt +5 = " + Integer.parseInt("+5"));
        } catch (NumberFormatException e) {
            System.out.println("parseInt +5: NumberFormatException");
        }
    }
}
