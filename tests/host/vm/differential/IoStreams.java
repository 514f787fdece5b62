import java.io.*;

// Byte-array streams and Data streams (modified UTF-8 both ways).
public class IoStreams {
    static String hex(byte[] b) {
        StringBuffer s = new StringBuffer();
        for (int i = 0; i < b.length; i++) {
            s.append(Integer.toHexString((b[i] & 0xFF) | 0x100).substring(1));
        }
        return s.toString();
    }

    static byte[] bytes(int[] values) {
        byte[] b = new byte[values.length];
        for (int i = 0; i < values.length; i++) {
            b[i] = (byte) values[i];
        }
        return b;
    }

    public static void main(String[] args) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream(1);
        DataOutputStream out = new DataOutputStream(bytes);
        out.writeBoolean(true);
        out.writeBoolean(false);
        out.writeByte(-2);
        out.writeByte(300);
        out.writeShort(-3);
        out.writeShort(70000);
        out.writeChar('\u20ac');
        out.writeInt(Integer.MIN_VALUE);
        out.writeLong(0x0102030405060708L);
        out.writeFloat(-1.5f);
        out.writeDouble(Math.PI);
        out.writeChars("A\u00e9");
        out.write(new byte[] {9, 8, 7}, 1, 2);
        String[] utf = {"", "plain", "\u0000", "\u00e9\u07ff\u0800\uffff", "\ud83d\ude00", "\udc00x"};
        for (int i = 0; i < utf.length; i++) {
            out.writeUTF(utf[i]);
        }
        out.flush();
        byte[] data = bytes.toByteArray();
        System.out.println(bytes.size() + " " + hex(data));
        DataInputStream in = new DataInputStream(new ByteArrayInputStream(data));
        System.out.println(in.readBoolean() + " " + in.readBoolean() + " " + in.readByte() + " " + in.readUnsignedByte() + " "
            + in.readShort() + " " + in.readUnsignedShort() + " " + (int) in.readChar() + " " + in.readInt() + " " + in.readLong()
            + " " + in.readFloat() + " " + in.readDouble() + " " + in.readChar() + in.readChar() + " " + in.read() + " " + in.read());
        for (int i = 0; i < utf.length; i++) {
            String back = in.readUTF();
            System.out.println("utf " + i + " " + back.equals(utf[i]) + " " + back.length());
        }
        System.out.println("at end " + in.available() + " " + in.read());
        try {
            in.readInt();
        } catch (EOFException e) {
            System.out.println("readInt at end: EOFException");
        }
        // a long string is refused
        StringBuffer longText = new StringBuffer();
        for (int i = 0; i < 22000; i++) {
            longText.append('\u20ac');
        }
        try {
            out.writeUTF(longText.toString());
            System.out.println("long text written");
        } catch (UTFDataFormatException e) {
            System.out.println("long text: UTFDataFormatException");
        }
        // malformed modified UTF-8
        int[][] malformed = {{0, 2, 0xc3}, {0, 2, 0xc3, 0x28}, {0, 3, 0xe2, 0x82, 0x41}, {0, 1, 0x80}, {0, 1, 0xf0}, {0, 4, 0x41, 0x42},
                             {0, 2, 0xc0, 0x80}, {0, 3, 0xed, 0xa0, 0x80}};
        for (int i = 0; i < malformed.length; i++) {
            DataInputStream d = new DataInputStream(new ByteArrayInputStream(bytes(malformed[i])));
            try {
                String s = d.readUTF();
                System.out.println("utf " + hex(bytes(malformed[i])) + " read, length " + s.length() + " first " + (int) s.charAt(0));
            } catch (UTFDataFormatException e) {
                System.out.println("utf " + hex(bytes(malformed[i])) + ": UTFDataFormatException " + e.getMessage());
            } catch (EOFException e) {
                System.out.println("utf " + hex(bytes(malformed[i])) + ": EOFException");
            }
        }
        // byte-array input: skip, mark, reset, partial reads
        ByteArrayInputStream bin = new ByteArrayInputStream(new byte[] {1, 2, 3, 4, 5, 6, 7, 8}, 2, 4);
        byte[] buf = new byte[10];
        System.out.println(bin.available() + " " + bin.read() + " " + bin.markSupported() + " " + bin.skip(1) + " " + bin.skip(-4));
        bin.mark(0);
        System.out.println(bin.read(buf, 1, 5) + " " + buf[1] + buf[2] + " " + bin.read(buf, 0, 3) + " " + bin.read() + " " + bin.skip(3));
        bin.reset();
        System.out.println(bin.read() + " " + bin.read(buf, 0, 0) + " " + new ByteArrayInputStream(new byte[3], 1, 9).available());
        try {
            bin.read(buf, 8, 3);
        } catch (IndexOutOfBoundsException e) {
            System.out.println("read past the array: IndexOutOfBoundsException");
        }
        ByteArrayOutputStream bo = new ByteArrayOutputStream();
        bo.write(65);
        bo.write(new byte[] {66, 67, 68}, 1, 2);
        System.out.println(bo.toString() + " " + bo.size());
        bo.reset();
        bo.write(0x1E9);
        System.out.println(hex(bo.toByteArray()) + " " + bo.toString().length());
        PrintStream ps = new PrintStream(new ByteArrayOutputStream());
        ps.print(1);
        ps.println("x");
        System.out.println("checkError " + ps.checkError());
        InterruptedIOException iio = new InterruptedIOException("timed out");
        iio.bytesTransferred = 5;
        System.out.println(iio.getMessage() + " " + iio.bytesTransferred + " " + new EOFException().getMessage());
    }
}
