// Where CLDC differs from Java SE on purpose; CldcDifferences.txt gives both outputs.
import java.io.*;

public class CldcDifferences {
    public static void main(String[] args) throws IOException {
        // the default encoding is ISO-8859-1 (the JDK here runs with UTF-8)
        byte[] latin = {0x41, (byte) 0xe9};
        Reader r = new InputStreamReader(new ByteArrayInputStream(latin));
        System.out.println("default reader " + Integer.toHexString(r.read()) + " " + Integer.toHexString(r.read()));
        System.out.println("default String " + Integer.toHexString(new String(latin).charAt(1)) + " " + "\u00e9".getBytes().length);
        ByteArrayOutputStream sink = new ByteArrayOutputStream();
        Writer w = new OutputStreamWriter(sink);
        w.write("\u00e9\u20ac");
        w.close();
        System.out.println("default writer " + sink.size() + " " + sink.toString().length());
        // CLDC's character classes are those of ISO 8859-1 letters and digits only
        char[] letters = {'\u00aa', '\u00b5', '\u00ba', '\u00ff'};
        for (int i = 0; i < letters.length; i++) {
            char c = letters[i];
            System.out.println(Integer.toHexString(c) + " lower " + Character.isLowerCase(c) + " upper "
                + Integer.toHexString(Character.toUpperCase(c)));
        }
        // an empty string is found at the end only when the search starts within the string
        System.out.println("indexOf empty " + "abc".indexOf("", 5) + " " + "abc".indexOf("", 1) + " " + "".indexOf("", 0));
        // the default zone is the system's option (Asia/Tokyo here, GMT for the JDK); Date's text
        // names a zone by its ID
        System.out.println(new java.util.Date(0) + " " + java.util.TimeZone.getDefault().getID());
        // a leading plus sign is not a number
        try {
            System.out.println("parseInt +5 = " + Integer.parseInt("+5"));
        } catch (NumberFormatException e) {
            System.out.println("parseInt +5: NumberFormatException");
        }
    }
}
