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
        return (CharReader) converter(encoding, "_Reader");
    }

    public static CharWriter getWriter(String encoding) throws UnsupportedEncodingException {
        return (CharWriter) converter(encoding, "_Writer");
    }

    public static char[] byteToCharArray(byte[] bytes, int off, int len, String encoding)
            throws UnsupportedEncodingException {
        return getReader(encoding).decode(bytes, off, len);
    }

    public static byte[] charToByteArray(char[] chars, int off, int len, String encoding)
            throws UnsupportedEncodingException {
        return getWriter(encoding).encode(chars, off, len);
    }

    private static Object converter(String encoding, String kind) throws UnsupportedEncodingException {
        if (encoding == null) {
            throw new NullPointerException();
        }
        String name = internalName(encoding);
        try {
            return Class.forName(PACKAGE + name + kind).newInstance();
        } catch (ClassNotFoundException e) {
        } catch (InstantiationException e) {
        } catch (IllegalAccessException e) {
        } catch (ClassCastException e) {
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
