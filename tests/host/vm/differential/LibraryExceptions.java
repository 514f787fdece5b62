// The exceptions of the library: who throws what, their messages and their text.
public class LibraryExceptions {
    interface Action {
        void run() throws Exception;
    }

    static void attempt(String what, Action a) {
        try {
            a.run();
            System.out.println(what + ": no exception");
        } catch (Throwable t) {
            // the VM's own exceptions carry no message here, unlike Java SE's
            System.out.println(what + ": " + t.getClass().getName() + " RuntimeException=" + (t instanceof RuntimeException)
                + " Error=" + (t instanceof Error));
        }
    }

    public static void main(String[] args) {
        final int[] ints = new int[2];
        final Object[] strings = new String[1];
        final Object o = "text";
        attempt("array index", new Action() { public void run() { ints[2] = 1; } });
        attempt("negative size", new Action() { public void run() { int[] x = new int[ints[0] - 1]; } });
        attempt("array store", new Action() { public void run() { strings[0] = new Integer(1); } });
        attempt("class cast", new Action() { public void run() { Integer i = (Integer) o; } });
        attempt("divide by zero", new Action() { public void run() { int x = 1 / ints[0]; } });
        attempt("long remainder by zero", new Action() { public void run() { long x = 1L % ints[0]; } });
        attempt("null receiver", new Action() { public void run() { String s = null; s.length(); } });
        attempt("throw null", new Action() { public void run() throws Exception { Exception e = null; throw e; } });
        attempt("class not found", new Action() { public void run() throws Exception { Class.forName("no.Such"); } });
        attempt("instantiate interface", new Action() { public void run() throws Exception { Class.forName("java.lang.Runnable").newInstance(); } });
        attempt("instantiate abstract", new Action() { public void run() throws Exception { Class.forName("java.io.InputStream").newInstance(); } });
        attempt("arraycopy types", new Action() { public void run() { System.arraycopy(ints, 0, strings, 0, 1); } });
        attempt("arraycopy range", new Action() { public void run() { System.arraycopy(ints, 1, ints, 0, 2); } });
        attempt("arraycopy null", new Action() { public void run() { System.arraycopy(null, 0, ints, 0, 0); } });
        attempt("monitor state", new Action() { public void run() { o.notify(); } });
        attempt("wait negative", new Action() { public void run() throws Exception { synchronized (o) { o.wait(-1); } } });
        attempt("sleep negative", new Action() { public void run() throws Exception { Thread.sleep(-1); } });
        attempt("thread started twice", new Action() {
            public void run() {
                Thread t = new Thread();
                t.start();
                t.start();
            }
        });
        attempt("interrupted sleep", new Action() {
            public void run() throws Exception {
                Thread.currentThread().interrupt();
                Thread.sleep(10);
            }
        });
        attempt("number format", new Action() { public void run() { Integer.parseInt("x1"); } });
        attempt("radix", new Action() { public void run() { Integer.parseInt("1", 99); } });
        attempt("string index", new Action() { public void run() { "abc".substring(4); } });
        attempt("buffer index", new Action() { public void run() { new StringBuffer("abc").setCharAt(3, 'x'); } });
        attempt("buffer delete", new Action() { public void run() { new StringBuffer("abc").delete(2, 1); } });
        attempt("buffer insert", new Action() { public void run() { new StringBuffer("abc").insert(4, "x"); } });
        attempt("buffer negative length", new Action() { public void run() { new StringBuffer("abc").setLength(-1); } });
        attempt("string from null", new Action() { public void run() { new String((char[]) null); } });
        attempt("throw error", new Action() { public void run() { throw new OutOfMemoryError("pretend"); } });
        attempt("illegal state", new Action() { public void run() { throw new IllegalStateException(); } });
        attempt("security", new Action() { public void run() { throw new SecurityException("no"); } });
        attempt("illegal access", new Action() { public void run() throws Exception { throw new IllegalAccessException(); } });
        attempt("interrupted", new Action() { public void run() throws Exception { throw new InterruptedException("x"); } });
        attempt("thread state", new Action() { public void run() { throw new IllegalThreadStateException(); } });
        attempt("no class def", new Action() { public void run() { throw new NoClassDefFoundError("x"); } });
        attempt("vm error", new Action() { public void run() { throw new VirtualMachineError() { }; } });
        Throwable[] made = {new Exception("m"), new RuntimeException(), new Error("e"), new ArrayIndexOutOfBoundsException(5),
                            new StringIndexOutOfBoundsException(-2), new ArrayIndexOutOfBoundsException("text"),
                            new StringIndexOutOfBoundsException("s"), new NullPointerException("n"), new ClassCastException("c"),
                            new ArithmeticException("a"), new NumberFormatException("f"), new IndexOutOfBoundsException("i"),
                            new NegativeArraySizeException("z"), new ArrayStoreException("s"), new IllegalMonitorStateException("m"),
                            new InstantiationException("i"), new ClassNotFoundException("c"), new java.util.EmptyStackException(),
                            new java.util.NoSuchElementException("e"), new java.io.IOException("io")};
        for (int i = 0; i < made.length; i++) {
            System.out.println(made[i].toString() + " / " + made[i].getMessage());
        }
    }
}
