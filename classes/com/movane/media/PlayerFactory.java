package com.movane.media;

import com.movane.media.core.MediaToneSeqController;
import com.movane.media.core.MediaType;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import javax.microedition.io.Connector;
import javax.microedition.media.MediaException;
import javax.microedition.media.Player;

/** The content types, the protocols and the players behind Manager. */
public final class PlayerFactory {
    private static final String TONE_LOCATOR = "device://tone";
    // the types that play, with their type codes; the first name of a code is its own
    private static final String[] TYPE_NAMES = {"audio/x-wav", "audio/wav", "audio/x-tone-seq", "audio/midi",
        "audio/mid", "audio/sp-midi", "audio/amr"};
    private static final int[] TYPE_CODES = {MediaType.WAVE, MediaType.WAVE, MediaType.TONE, MediaType.MIDI,
        MediaType.MIDI, MediaType.MIDI, MediaType.AMR};
    private static final String[] PLAYABLE = {"audio/x-wav", "audio/x-tone-seq", "audio/midi", "audio/sp-midi"};

    private PlayerFactory() {
    }

    private static int codeOf(String type) {
        String t = type.toLowerCase();
        int semicolon = t.indexOf(';');
        if (semicolon >= 0) {
            t = t.substring(0, semicolon).trim();
        }
        for (int i = 0; i < TYPE_NAMES.length; i++) {
            if (TYPE_NAMES[i].equals(t)) {
                return TYPE_CODES[i];
            }
        }
        return -1;
    }

    private static String nameOf(int code) {
        for (int i = 0; i < TYPE_CODES.length; i++) {
            if (TYPE_CODES[i] == code) {
                return TYPE_NAMES[i];
            }
        }
        return null;
    }

    public static String[] contentTypes(String protocol) {
        if (protocol == null || protocol.equals("http") || protocol.equals("https")) {
            String[] all = new String[PLAYABLE.length];
            System.arraycopy(PLAYABLE, 0, all, 0, PLAYABLE.length);
            return all;
        }
        if (protocol.equals("device")) {
            return new String[] {"audio/x-tone-seq"};
        }
        return new String[0];
    }

    public static String[] protocols(String contentType) {
        String[] net = MediaManager.getProtocols();
        if (contentType == null || contentType.equals("audio/x-tone-seq")) {
            String[] all = new String[net.length + 1];
            all[0] = "device";
            System.arraycopy(net, 0, all, 1, net.length);
            return all;
        }
        for (int i = 0; i < PLAYABLE.length; i++) {
            if (PLAYABLE[i].equals(contentType)) {
                return net;
            }
        }
        return new String[0];
    }

    public static Player create(String locator) throws IOException, MediaException {
        if (locator.equals(TONE_LOCATOR)) {
            return new AudioPlayer(MediaType.TONE, "audio/x-tone-seq", null);
        }
        if (locator.startsWith("http://") || locator.startsWith("https://")) {
            InputStream in = Connector.openInputStream(locator);
            try {
                return create(in, null);
            } finally {
                in.close();
            }
        }
        throw new MediaException("unsupported locator: " + locator);
    }

    public static Player create(InputStream stream, String type) throws IOException, MediaException {
        int code = -1;
        if (type != null) {
            code = codeOf(type);
            if (code < 0) {
                throw new MediaException("unsupported content type: " + type);
            }
        }
        byte[] data = readAll(stream);
        int detected = MediaType.nativeDetectFromData(data);
        if (code < 0) {
            code = detected;
        }
        if (code < 0) {
            throw new MediaException("unknown content");
        }
        if (code == MediaType.AMR) {
            // the content of a type that has no real player here: refused before it is realized
            throw new MediaException("cannot play " + (type != null ? type : "audio/amr")
                + ": content of this type is not supported");
        }
        return new AudioPlayer(code, type != null ? type : nameOf(code), data);
    }

    private static byte[] readAll(InputStream stream) throws IOException {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        byte[] chunk = new byte[1024];
        for (int n; (n = stream.read(chunk)) > 0;) {
            out.write(chunk, 0, n);
        }
        return out.toByteArray();
    }

    public static void playTone(int note, int duration, int volume) throws MediaException {
        int level = volume < 0 ? 0 : volume > 100 ? 100 : volume;
        if (MediaToneSeqController.nativePlaySingleTone(note, duration, (level * 127 + 50) / 100) < 0) {
            throw new MediaException("the tone could not be played");
        }
    }
}
