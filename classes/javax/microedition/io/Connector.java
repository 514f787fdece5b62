package javax.microedition.io;

import java.io.DataInputStream;
import java.io.DataOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;

/**
 * Makes connections from URLs "scheme:target;parameters". No protocol is installed yet,
 * so every well-formed URL ends in ConnectionNotFoundException.
 */
public class Connector {

    public static final int READ = 1;
    public static final int WRITE = 2;
    public static final int READ_WRITE = 3;

    private Connector() {
    }

    public static Connection open(String name) throws IOException {
        return open(name, READ_WRITE, false);
    }

    public static Connection open(String name, int mode) throws IOException {
        return open(name, mode, false);
    }

    public static Connection open(String name, int mode, boolean timeouts) throws IOException {
        if (name == null) {
            throw new IllegalArgumentException("Null URL");
        }
        if (mode != READ && mode != WRITE && mode != READ_WRITE) {
            throw new IllegalArgumentException("Illegal mode");
        }
        int colon = name.indexOf(':');
        if (colon < 1) {
            throw new IllegalArgumentException("no ':' in URL");
        }
        throw new ConnectionNotFoundException("The requested protocol does not exist " + name);
    }

    public static DataInputStream openDataInputStream(String name) throws IOException {
        return new DataInputStream(openInputStream(name));
    }

    public static DataOutputStream openDataOutputStream(String name) throws IOException {
        return new DataOutputStream(openOutputStream(name));
    }

    public static InputStream openInputStream(String name) throws IOException {
        InputConnection con = (InputConnection) open(name, READ);
        try {
            return con.openInputStream();
        } finally {
            con.close();
        }
    }

    public static OutputStream openOutputStream(String name) throws IOException {
        OutputConnection con = (OutputConnection) open(name, WRITE);
        try {
            return con.openOutputStream();
        } finally {
            con.close();
        }
    }
}
