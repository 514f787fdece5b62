import java.io.BufferedReader;
import java.io.File;
import java.io.InputStreamReader;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;
import java.util.TreeSet;

// Compares the public and protected API of the library's classes in java.* and
// javax.microedition.io, as javap prints it, with a written list of the same form: every
// listed class and member must be there, and no other public class or member.
//   java ApiCheck.java <javap> <folder of converted classes> <list>
// "native" and "synchronized" are how a method is made, not API: both sides drop them.
public class ApiCheck {
    static Map<String, TreeSet<String>> parse(List<String> lines) {
        Map<String, TreeSet<String>> api = new TreeMap<>();
        TreeSet<String> members = null;
        for (String raw : lines) {
            String line = raw.replace(" native ", " ").replace(" synchronized ", " ").trim();
            if (line.isEmpty() || line.startsWith("#") || line.startsWith("Compiled from")) {
                continue;
            }
            if (line.endsWith("{")) {
                // package-private classes are no API
                members = line.startsWith("public ") ? new TreeSet<>() : null;
                if (members != null) {
                    api.put(line, members);
                }
            } else if (line.equals("}")) {
                members = null;
            } else if (members != null) {
                members.add(line);
            }
        }
        return api;
    }

    static void classFiles(File dir, List<String> out) {
        File[] entries = dir.listFiles();
        if (entries == null) {
            return;
        }
        for (File f : entries) {
            if (f.isDirectory()) {
                classFiles(f, out);
            } else if (f.getName().endsWith(".class")) {
                out.add(f.getPath());
            }
        }
    }

    public static void main(String[] args) throws Exception {
        List<String> command = new ArrayList<>();
        command.add(args[0]);
        command.add("-protected");
        File root = new File(args[1]);
        classFiles(new File(root, "java"), command);
        classFiles(new File(root, "javax/microedition/io"), command);
        Process javap = new ProcessBuilder(command).redirectErrorStream(true).start();
        List<String> printed = new ArrayList<>();
        try (BufferedReader r = new BufferedReader(new InputStreamReader(javap.getInputStream()))) {
            for (String line; (line = r.readLine()) != null; ) {
                printed.add(line);
            }
        }
        if (javap.waitFor() != 0) {
            printed.forEach(System.out::println);
            System.exit(2);
        }
        Map<String, TreeSet<String>> ours = parse(printed);
        Map<String, TreeSet<String>> listed = parse(Files.readAllLines(new File(args[2]).toPath()));
        int faults = 0;
        for (Map.Entry<String, TreeSet<String>> e : listed.entrySet()) {
            TreeSet<String> have = ours.get(e.getKey());
            if (have == null) {
                System.out.println("missing class: " + e.getKey());
                faults++;
                continue;
            }
            for (String m : e.getValue()) {
                if (!have.contains(m)) {
                    System.out.println("missing in " + e.getKey() + "  " + m);
                    faults++;
                }
            }
            for (String m : have) {
                if (!e.getValue().contains(m)) {
                    System.out.println("not in the list, in " + e.getKey() + "  " + m);
                    faults++;
                }
            }
        }
        for (String c : ours.keySet()) {
            if (!listed.containsKey(c)) {
                System.out.println("class not in the list: " + c);
                faults++;
            }
        }
        System.out.println(listed.size() + " classes listed, " + faults + " differences");
        System.exit(faults == 0 ? 0 : 1);
    }
}
