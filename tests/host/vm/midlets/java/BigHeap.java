import javax.microedition.midlet.MIDlet;

/** Takes 1 MB of the heap at once and again in pieces: a MIDlet's heap is the block the
 * host reserved for it, not a small default. */
public class BigHeap extends MIDlet {
    protected void startApp() {
        try {
            byte[] whole = new byte[1048576];
            whole[whole.length - 1] = 1;
            System.out.println("one array of " + whole.length + " bytes");
            whole = null;
            Object[] pieces = new Object[16];
            for (int i = 0; i < pieces.length; i++) pieces[i] = new int[16384];
            System.out.println(pieces.length + " arrays of 65536 bytes held together");
            System.out.println("total memory above 1 MB: " + (Runtime.getRuntime().totalMemory() > 1048576));
        } catch (OutOfMemoryError e) {
            System.out.println("OutOfMemoryError; total memory " + Runtime.getRuntime().totalMemory());
        }
        notifyDestroyed();
    }

    protected void pauseApp() {}

    protected void destroyApp(boolean unconditional) {}
}
