package com.movane.util.i18n;

import java.io.UnsupportedEncodingException;

/**
 * Finds the converters of an encoding by its name and converts whole texts. An encoding
 * name is looked up as the system property NAME_InternalEncodingName (NAME upper-cased,
 * "-" as "_"), whose value names the converter classes NAME_Reader and NAME_Writer of
 * this package.
 */
public final class Helper {

    private static final String PACKAGE = "com.movane.util.i18n.";

    private static String defaultEncoding;

    // The encoding asked for last and its converter classes: texts are mostly converted
    // with one encoding over and over.
    private static String lastEncoding;

    private static Class lastReader;

    private static Class lastWriter;

    private Helper() {
    }

    /**
     * The encoding of the platform, "ISO-8859-1" unless microedition.encoding says else.
     */
    public static synchronized String getDefaultEncoding() {
        if (defaultEncoding == null) {
            String name = System.getProperty("microedition.encoding");
            defaultEncoding = name != null ? name : "ISO-8859-1";
        }
        return defaultEncoding;
    }

    public static CharReader getReader(String encoding) throws UnsupportedEncodingException {
        return (CharReader) converter(encoding, true);
    }

    public static CharWriter getWriter(String encoding) throws UnsupportedEncodingException {
        return (CharWriter) converter(encoding, false);
    }

    public static char[] byteToCharArray(byte[] bytes, int off, int len, String encoding)
            throws UnsupportedEncodingException {
        return getReader(encoding).decode(bytes, off, len);
    }

    public static byte[] charToByteArray(char[] chars, int off, int len, String encoding)
            throws UnsupportedEncodingException {
        return getWriter(encoding).encode(chars, off, len);
    }

    private static synchronized Object converter(String encoding, boolean reader)
            throws UnsupportedEncodingException {
        if (encoding == null) {
            throw new NullPointerException();
        }
        try {
            if (!encoding.equals(lastEncoding)) {
                String name = PACKAGE + internalName(encoding);
                Class readerClass = Class.forName(name + "_Reader");
                Class writerClass = Class.forName(name + "_Writer");
                lastEncoding = encoding;
                lastReader = readerClass;
                lastWriter = writerClass;
            }
            return (reader ? lastReader : lastWriter).newInstance();
        } catch (ClassNotFoundException e) {
        } catch (InstantiationException e) {
        } catch (IllegalAccessException e) {
        }
        throw new UnsupportedEncodingException(encoding);
    }

    private static String internalName(String encoding) {
        String name = encoding.toUpperCase().replace('-', '_');
        if (name.length() == 0 || name.indexOf('.') >= 0 || name.indexOf('/') >= 0) {
            return "?";
        }
        // the names Japanese programs use for the platform's own encoding
        if (name.equals("SHIFT_JIS") || name.equals("X_SJIS") || name.equals("MS_KANJI")) {
            return "SJIS";
        }
        String mapped = System.getProperty(name + "_InternalEncodingName");
        return mapped != null ? mapped : name;
    }
}
