package com.movane.media;

import com.movane.media.core.MediaBuffer;
import com.movane.media.core.MediaControl;
import com.movane.media.core.MediaType;
import com.movane.media.core.MediaVolumeController;
import java.util.Vector;
import javax.microedition.media.Control;
import javax.microedition.media.MediaException;
import javax.microedition.media.Player;
import javax.microedition.media.PlayerListener;
import javax.microedition.media.control.ToneControl;
import javax.microedition.media.control.VolumeControl;

/**
 * A player of one content type over a native player. The native player reads the content
 * in place, so the bytes stay pinned from realize until close. A stopped player is paused
 * natively, so that start goes on where it stopped; one that reached its end starts again
 * from the beginning.
 */
public final class AudioPlayer implements Player {
    private static final String VOLUME_CONTROL = "VolumeControl";
    private static final String TONE_CONTROL = "ToneControl";
    private static final String CONTROL_PACKAGE = "javax.microedition.media.control.";

    private final int type;
    private final String contentType;
    private byte[] content;
    private final Vector listeners = new Vector();
    private final Object lock = new Object();

    private int state = UNREALIZED;
    private MediaControl control;
    private MediaBuffer buffer;
    private int loopCount = 1;
    // paused natively by stop(): start() continues instead of beginning again
    private boolean paused;
    private Volume volume;
    private Tone tone;

    AudioPlayer(int type, String contentType, byte[] content) {
        this.type = type;
        this.contentType = contentType;
        this.content = content;
    }

    private void checkOpen() {
        if (state == CLOSED) {
            throw new IllegalStateException("the player is closed");
        }
    }

    private void post(String event, Object data) {
        PlayerEvents.deliver(this, listeners, event, data);
    }

    public void realize() throws MediaException {
        synchronized (lock) {
            checkOpen();
            if (state != UNREALIZED) {
                return;
            }
            int handler = MediaType.nativeDetectControl(type);
            if (handler == 0) {
                throw new MediaException("no player for " + contentType);
            }
            MediaControl made = new MediaControl(type, handler);
            if (made.getPlayerId() == 0) {
                throw new MediaException("cannot create a player for " + contentType);
            }
            control = made;
            if (content != null) {
                setContent(content);
            }
            PlayerEvents.register(this, type, control.getPlayerId());
            if (made.hasControl(MediaControl.CONTROL_VOLUME)) {
                volume = new Volume();
                volume.apply();
            }
            if (type == MediaType.TONE) {
                tone = new Tone();
            }
            state = REALIZED;
        }
    }

    // Hands the bytes to the native player, pinned while it holds them.
    private void setContent(byte[] bytes) throws MediaException {
        MediaBuffer pinned = new MediaBuffer(type, bytes);
        pinned.lock();
        if (control.set(bytes) != 0) {
            pinned.unlock();
            control.set(null);
            if (type == MediaType.AMR) {
                throw new MediaException("cannot play " + contentType + ": content of this type is not supported");
            }
            throw new MediaException("cannot play " + contentType + ": the content is not valid");
        }
        if (buffer != null) {
            buffer.unlock();
        }
        buffer = pinned;
        content = bytes;
    }

    public void prefetch() throws MediaException {
        synchronized (lock) {
            checkOpen();
            if (state == UNREALIZED) {
                realize();
            }
            if (state != REALIZED) {
                return;
            }
            if (buffer != null && control.load() != 0) {
                throw new MediaException("cannot prefetch " + contentType + ": no audio device");
            }
            if (volume != null) {
                volume.apply();
            }
            state = PREFETCHED;
        }
    }

    public void start() throws MediaException {
        synchronized (lock) {
            checkOpen();
            if (state == STARTED) {
                return;
            }
            if (state != PREFETCHED) {
                prefetch();
            }
            if (buffer == null) {
                // a tone player without a sequence has nothing to play
                state = STARTED;
                post(PlayerListener.STARTED, new Long(0));
                state = PREFETCHED;
                post(PlayerListener.END_OF_MEDIA, new Long(0));
                return;
            }
            int result = paused ? control.restart() : control.start(loopCount);
            if (result != 0) {
                post(PlayerListener.ERROR, "cannot start " + contentType);
                throw new MediaException("cannot start " + contentType);
            }
            paused = false;
            state = STARTED;
            post(PlayerListener.STARTED, new Long(mediaTimeLocked()));
        }
    }

    public void stop() throws MediaException {
        synchronized (lock) {
            checkOpen();
            if (state != STARTED) {
                return;
            }
            control.pause();
            paused = true;
            state = PREFETCHED;
            post(PlayerListener.STOPPED, new Long(mediaTimeLocked()));
        }
    }

    public void deallocate() {
        synchronized (lock) {
            checkOpen();
            if (state == STARTED) {
                control.pause();
                state = PREFETCHED;
                post(PlayerListener.STOPPED, new Long(mediaTimeLocked()));
            }
            if (state == PREFETCHED) {
                control.stop();
                control.unload();
                paused = false;
                state = REALIZED;
            }
        }
    }

    public void close() {
        synchronized (lock) {
            if (state == CLOSED) {
                return;
            }
            if (control != null) {
                control.stop();
                control.unload();
                control.set(null);
                PlayerEvents.unregister(type, control.getPlayerId());
            }
            if (buffer != null) {
                buffer.unlock();
                buffer = null;
            }
            state = CLOSED;
            post(PlayerListener.CLOSED, null);
        }
    }

    // Called by the event thread: the last loop ended (the player stopped), or one of
    // several ended and the next began.
    void reachedEnd(boolean last, long time) {
        long at;
        synchronized (lock) {
            if (state != STARTED) {
                return;
            }
            if (last) {
                state = PREFETCHED;
                paused = false;
            }
            at = time > 0 ? time : getDuration();
        }
        post(PlayerListener.END_OF_MEDIA, new Long(at));
    }

    void stoppedAtTime(long time) {
        synchronized (lock) {
            if (state != STARTED) {
                return;
            }
            state = PREFETCHED;
            paused = false;
        }
        post(PlayerListener.STOPPED_AT_TIME, new Long(time));
    }

    public long setMediaTime(long now) throws MediaException {
        synchronized (lock) {
            checkOpen();
            if (state == UNREALIZED) {
                throw new IllegalStateException("the player is not realized");
            }
            long time = now < 0 ? 0 : now;
            long duration = getDuration();
            if (duration != TIME_UNKNOWN && time > duration) {
                time = duration;
            }
            if (control.setTime(time) != 0) {
                throw new MediaException("the media time of " + contentType + " cannot be set");
            }
            return mediaTimeLocked();
        }
    }

    private long mediaTimeLocked() {
        long time = control == null ? TIME_UNKNOWN : control.getTime();
        return time < 0 ? TIME_UNKNOWN : time;
    }

    public long getMediaTime() {
        synchronized (lock) {
            checkOpen();
            return mediaTimeLocked();
        }
    }

    public int getState() {
        return state;
    }

    public long getDuration() {
        synchronized (lock) {
            checkOpen();
            if (control == null || buffer == null) {
                return TIME_UNKNOWN;
            }
            long d = MediaBuffer.nativeGetDuration(control.getHandler(), control.getPlayerId());
            return d < 0 ? TIME_UNKNOWN : d;
        }
    }

    public String getContentType() {
        synchronized (lock) {
            checkOpen();
            if (state == UNREALIZED) {
                throw new IllegalStateException("the player is not realized");
            }
            return contentType;
        }
    }

    public void setLoopCount(int count) {
        synchronized (lock) {
            checkOpen();
            if (state == STARTED) {
                throw new IllegalStateException("the player is started");
            }
            if (count == 0) {
                throw new IllegalArgumentException("a loop count of 0");
            }
            loopCount = count < 0 ? -1 : count;
            // a new count plays from the beginning
            if (paused && state == PREFETCHED) {
                control.stop();
                paused = false;
            }
        }
    }

    public void addPlayerListener(PlayerListener listener) {
        checkOpen();
        if (listener != null && !listeners.contains(listener)) {
            listeners.addElement(listener);
        }
    }

    public void removePlayerListener(PlayerListener listener) {
        checkOpen();
        listeners.removeElement(listener);
    }

    private void checkControls() {
        checkOpen();
        if (state == UNREALIZED) {
            throw new IllegalStateException("the player is not realized");
        }
    }

    public Control[] getControls() {
        synchronized (lock) {
            checkControls();
            Vector all = new Vector();
            if (volume != null) {
                all.addElement(volume);
            }
            if (tone != null) {
                all.addElement(tone);
            }
            Control[] controls = new Control[all.size()];
            all.copyInto(controls);
            return controls;
        }
    }

    public Control getControl(String name) {
        if (name == null) {
            throw new IllegalArgumentException("no control type");
        }
        synchronized (lock) {
            checkControls();
            String shortName = name;
            if (name.startsWith(CONTROL_PACKAGE)) {
                shortName = name.substring(CONTROL_PACKAGE.length());
            } else if (name.indexOf('.') >= 0) {
                return null;
            }
            if (shortName.equals(VOLUME_CONTROL)) {
                return volume;
            }
            if (shortName.equals(TONE_CONTROL)) {
                return tone;
            }
            return null;
        }
    }

    /** The volume 0 to 100 as the native player's 0 to 127. */
    private final class Volume implements VolumeControl {
        private int level = 100;
        private boolean muted;

        void apply() {
            int table = MediaVolumeController.nativeGetFuncID(control.getHandler());
            int value = muted ? 0 : (level * 127 + 50) / 100;
            MediaVolumeController.nativeSetVolume(table, control.getPlayerId(), value);
        }

        public void setMute(boolean mute) {
            boolean changed;
            synchronized (lock) {
                changed = mute != muted;
                muted = mute;
                if (state != CLOSED) {
                    apply();
                }
            }
            if (changed) {
                post(PlayerListener.VOLUME_CHANGED, this);
            }
        }

        public boolean isMuted() {
            return muted;
        }

        public int setLevel(int newLevel) {
            int set = newLevel < 0 ? 0 : newLevel > 100 ? 100 : newLevel;
            boolean changed;
            synchronized (lock) {
                changed = set != level;
                level = set;
                if (state != CLOSED) {
                    apply();
                }
            }
            if (changed) {
                post(PlayerListener.VOLUME_CHANGED, this);
            }
            return set;
        }

        public int getLevel() {
            return level;
        }
    }

    /** The sequence of a tone player. */
    private final class Tone implements ToneControl {
        public void setSequence(byte[] sequence) {
            if (sequence == null) {
                throw new IllegalArgumentException("no sequence");
            }
            synchronized (lock) {
                if (state == PREFETCHED || state == STARTED) {
                    throw new IllegalStateException("the player is prefetched or started");
                }
                checkOpen();
                if (MediaType.nativeDetectFromData(sequence) != MediaType.TONE) {
                    throw new IllegalArgumentException("not a tone sequence");
                }
                try {
                    setContent(sequence);
                } catch (MediaException e) {
                    throw new IllegalArgumentException(e.getMessage());
                }
            }
        }
    }
}
