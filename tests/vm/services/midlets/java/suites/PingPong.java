package suites;

import com.movane.micro.thread.NativeThreadJoinnerEventThread;
import javax.microedition.midlet.MIDlet;

/** Answers every event at once through a platform request, until the host stops. */
public class PingPong extends MIDlet {
    static PingPong self;

    static class Answerer extends NativeThreadJoinnerEventThread {
        Answerer() {
            super(2);
        }

        protected boolean handleEvent(int[] event, int n) {
            try {
                self.platformRequest(event[1] < 0 ? "end" : "pong");
            } catch (Exception e) {
                System.out.println("platformRequest: " + e);
            }
            if (event[1] < 0) {
                self.notifyDestroyed();
            }
            return true;
        }
    }

    protected void startApp() {
        self = this;
        new Answerer().start();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
