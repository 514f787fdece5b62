package javax.microedition.io;

/**
 * A connection that reads and writes streams.
 */
public interface StreamConnection extends InputConnection, OutputConnection {
}
