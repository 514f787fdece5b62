import java.io.InputStream;

/**
 * Resources of the application JAR found by name, also when the name is not ASCII; a
 * missing one answers null.
 */
public class ResourceNames {
    static String read(String name) throws Exception {
        InputStream in = new ResourceNames().getClass().getResourceAsStream(name);
        if (in == null) return "null";
        StringBuffer text = new StringBuffer();
        for (int c = in.read(); c >= 0 && c != '\n'; c = in.read()) text.append((char) c);
        in.close();
        return text.toString();
    }

    public static void main(String[] args) throws Exception {
        String[] names = {"/plain.txt", "/\u00e9\u20ac.txt", "/\u00e9.txt", "/missing.txt"};
        for (int i = 0; i < names.length; i++) System.out.println(i + ": " + read(names[i]));
    }
}
