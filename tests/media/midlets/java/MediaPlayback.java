import java.io.ByteArrayInputStream;
import java.util.Vector;
import javax.microedition.lcdui.AlertType;
import javax.microedition.lcdui.Display;
import javax.microedition.media.Manager;
import javax.microedition.media.MediaException;
import javax.microedition.media.Player;
import javax.microedition.media.PlayerListener;
import javax.microedition.media.control.ToneControl;
import javax.microedition.media.control.VolumeControl;
import javax.microedition.midlet.MIDlet;

/**
 * Players of every content type through the media classes: the life cycle and its
 * refusals, listener events in order, loop counts, volume, music with an effect at once,
 * single tones and the alert sound. Everything heard is reported as events.
 */
public class MediaPlayback extends MIDlet implements PlayerListener {
    private final Vector log = new Vector();

    // Division 96 at 500000 us a quarter: program 5, C4 for 48 ticks (250 ms).
    static byte[] midi() {
        return new byte[] {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 22, 0,
            (byte) 0xFF, 0x51, 3, 0x07, (byte) 0xA1, 0x20, 0, (byte) 0xC0, 5, 0, (byte) 0x90, 60, 100, 48,
            (byte) 0x80, 60, 0, 0, (byte) 0xFF, 0x2F, 0};
    }

    // 8-bit mono at 8000 Hz, 100 ms.
    static byte[] wave() {
        int samples = 800;
        byte[] b = new byte[44 + samples];
        String head = "RIFF....WAVEfmt ";
        for (int i = 0; i < 16; i++) {
            b[i] = (byte) head.charAt(i);
        }
        putLe(b, 4, 36 + samples);
        putLe(b, 16, 16);
        b[20] = 1;
        b[22] = 1;
        putLe(b, 24, 8000);
        putLe(b, 28, 8000);
        b[32] = 1;
        b[34] = 8;
        b[36] = 'd';
        b[37] = 'a';
        b[38] = 't';
        b[39] = 'a';
        putLe(b, 40, samples);
        for (int i = 0; i < samples; i++) {
            b[44 + i] = (byte) ((i & 8) != 0 ? 200 : 56);
        }
        return b;
    }

    static void putLe(byte[] b, int at, int v) {
        for (int i = 0; i < 4; i++) {
            b[at + i] = (byte) (v >> (8 * i));
        }
    }

    public void playerUpdate(Player player, String event, Object data) {
        synchronized (log) {
            log.addElement(player.hashCode() + " " + event);
            log.notifyAll();
        }
    }

    // Waits (up to a deadline) until the player has logged the event count times, then
    // prints its events in the order they came.
    void report(String name, Player p, String last, int count) {
        String key = p.hashCode() + " ";
        long deadline = System.currentTimeMillis() + 10000;
        synchronized (log) {
            for (;;) {
                int seen = 0;
                for (int i = 0; i < log.size(); i++) {
                    if (log.elementAt(i).equals(key + last)) {
                        seen++;
                    }
                }
                long left = deadline - System.currentTimeMillis();
                if (seen >= count || left <= 0) {
                    break;
                }
                try {
                    log.wait(left);
                } catch (InterruptedException e) {
                    break;
                }
            }
            StringBuffer line = new StringBuffer(name + ":");
            for (int i = 0; i < log.size(); i++) {
                String e = (String) log.elementAt(i);
                if (e.startsWith(key)) {
                    line.append(' ').append(e.substring(key.length()));
                }
            }
            System.out.println(line.toString());
        }
    }

    Player player(byte[] data, String type) throws Exception {
        Player p = Manager.createPlayer(new ByteArrayInputStream(data), type);
        p.addPlayerListener(this);
        return p;
    }

    static String states(Player p) {
        return String.valueOf(p.getState());
    }

    protected void startApp() {
        try {
            run();
        } catch (Throwable t) {
            System.out.println("failed: " + t);
        }
        notifyDestroyed();
    }

    void run() throws Exception {
        String[] types = Manager.getSupportedContentTypes(null);
        StringBuffer t = new StringBuffer("types:");
        for (int i = 0; i < types.length; i++) {
            t.append(' ').append(types[i]);
        }
        System.out.println(t.toString());
        String[] protocols = Manager.getSupportedProtocols("audio/x-tone-seq");
        StringBuffer pr = new StringBuffer("tone protocols:");
        for (int i = 0; i < protocols.length; i++) {
            pr.append(' ').append(protocols[i]);
        }
        System.out.println(pr.toString());

        // the life cycle and its refusals
        Player music = player(midi(), "audio/midi");
        System.out.println("unrealized " + states(music));
        try {
            music.getContentType();
        } catch (IllegalStateException e) {
            System.out.println("content type before realize: IllegalStateException");
        }
        music.realize();
        System.out.println("realized " + states(music) + " " + music.getContentType() + " " + music.getDuration());
        music.prefetch();
        System.out.println("prefetched " + states(music));
        try {
            music.setLoopCount(0);
        } catch (IllegalArgumentException e) {
            System.out.println("loop count 0: IllegalArgumentException");
        }
        VolumeControl volume = (VolumeControl) music.getControl("VolumeControl");
        System.out.println("volume " + volume.getLevel() + " " + (volume == music.getControl(
            "javax.microedition.media.control.VolumeControl")));
        System.out.println("set level " + volume.setLevel(140));
        volume.setLevel(40);
        volume.setMute(true);
        volume.setMute(false);
        System.out.println("level " + volume.getLevel() + " muted " + volume.isMuted());

        // music and an effect at once; the music twice
        Player effect = player(wave(), null);
        music.setLoopCount(2);
        music.start();
        effect.start();
        try {
            music.setLoopCount(3);
        } catch (IllegalStateException e) {
            System.out.println("loop count while started: IllegalStateException");
        }
        report("effect", effect, END_OF_MEDIA, 1);
        report("music", music, END_OF_MEDIA, 2);
        System.out.println("after the end " + states(music));

        // a player at its end starts again from the beginning; stop and start go on
        music.setLoopCount(1);
        music.start();
        music.stop();
        System.out.println("stopped " + states(music));
        music.start();
        report("music again", music, END_OF_MEDIA, 3);
        music.close();
        report("music closed", music, CLOSED, 1);
        try {
            music.start();
        } catch (IllegalStateException e) {
            System.out.println("start after close: IllegalStateException");
        }

        // looping until stopped
        Player forever = player(wave(), "audio/x-wav");
        forever.setLoopCount(-1);
        forever.start();
        report("forever", forever, END_OF_MEDIA, 3);
        forever.stop();
        report("forever stopped", forever, STOPPED, 1);
        forever.close();

        // a tone sequence through the tone device
        Player tone = Manager.createPlayer("device://tone");
        tone.addPlayerListener(this);
        tone.realize();
        ToneControl seq = (ToneControl) tone.getControl("ToneControl");
        seq.setSequence(new byte[] {ToneControl.VERSION, 1, ToneControl.TEMPO, 30, ToneControl.C4, 8});
        tone.start();
        report("tone", tone, END_OF_MEDIA, 1);
        tone.close();

        // what cannot be played
        try {
            player(new byte[] {1, 2, 3, 4, 5}, null);
        } catch (MediaException e) {
            System.out.println("unknown data: " + e.getMessage());
        }
        try {
            player(midi(), "video/mpeg");
        } catch (MediaException e) {
            System.out.println("video: " + e.getMessage());
        }
        try {
            player(new byte[] {1, 2, 3}, "audio/midi").realize();
        } catch (MediaException e) {
            System.out.println("bad midi: " + e.getMessage());
        }
        try {
            Manager.createPlayer("rtsp://example/a.mid");
        } catch (MediaException e) {
            System.out.println("rtsp: " + e.getMessage());
        }

        Manager.playTone(ToneControl.C4, 100, 80);
        try {
            Manager.playTone(128, 100, 80);
        } catch (IllegalArgumentException e) {
            System.out.println("note 128: IllegalArgumentException");
        }
        System.out.println("alert sound " + AlertType.ALARM.playSound(Display.getDisplay(this)));
        System.out.println("done");
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
