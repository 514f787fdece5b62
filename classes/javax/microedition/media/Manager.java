package javax.microedition.media;

import com.movane.media.PlayerFactory;
import java.io.IOException;
import java.io.InputStream;

/** Creates players and plays single tones. */
public final class Manager {
    public static final String TONE_DEVICE_LOCATOR = "device://tone";

    private Manager() {
    }

    public static String[] getSupportedContentTypes(String protocol) {
        return PlayerFactory.contentTypes(protocol);
    }

    public static String[] getSupportedProtocols(String contentType) {
        return PlayerFactory.protocols(contentType);
    }

    public static Player createPlayer(String locator) throws IOException, MediaException {
        if (locator == null) {
            throw new IllegalArgumentException("no locator");
        }
        return PlayerFactory.create(locator);
    }

    public static Player createPlayer(InputStream stream, String type) throws IOException, MediaException {
        if (stream == null) {
            throw new IllegalArgumentException("no stream");
        }
        return PlayerFactory.create(stream, type);
    }

    public static void playTone(int note, int duration, int volume) throws MediaException {
        if (note < 0 || note > 127) {
            throw new IllegalArgumentException("note out of range: " + note);
        }
        if (duration <= 0) {
            throw new IllegalArgumentException("duration not positive: " + duration);
        }
        PlayerFactory.playTone(note, duration, volume);
    }
}
