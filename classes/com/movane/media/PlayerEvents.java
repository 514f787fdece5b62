package com.movane.media;

import com.movane.micro.event.MediaEventThread;
import java.util.Hashtable;
import java.util.Vector;
import javax.microedition.media.PlayerListener;

/**
 * The media events of the native players, and the delivery of player events to their
 * listeners: both in order, on threads of their own, so that a listener never runs on
 * the caller's thread nor on the thread that reads the native events.
 */
final class PlayerEvents extends MediaEventThread {
    private static final int QUEUE_EVENTS = 32;
    private static final int EVENT_STOPPED_AT_TIME = 2;
    private static final int EVENT_END_OF_MEDIA = 3;
    private static final int EVENT_LOOP = 128;

    private static PlayerEvents reader;
    private static Delivery delivery;
    private static final Hashtable players = new Hashtable();
    private static final Object lock = new Object();

    private PlayerEvents() {
        super(QUEUE_EVENTS);
    }

    private static Integer key(int type, int id) {
        return new Integer(type << 16 | id);
    }

    /** Makes the player reachable by its native events; starts the threads on first use. */
    static void register(AudioPlayer player, int type, int id) {
        synchronized (lock) {
            if (reader == null) {
                reader = new PlayerEvents();
                reader.start();
            }
            if (delivery == null) {
                delivery = new Delivery();
                delivery.start();
            }
            players.put(key(type, id), player);
        }
    }

    static void unregister(int type, int id) {
        synchronized (lock) {
            players.remove(key(type, id));
        }
    }

    static void deliver(AudioPlayer player, Vector listeners, String event, Object data) {
        Delivery d;
        synchronized (lock) {
            if (delivery == null) {
                delivery = new Delivery();
                delivery.start();
            }
            d = delivery;
        }
        {
            d.post(player, listeners, event, data);
        }
    }

    protected boolean handleEvent(int[] event, int n) {
        if (n < 5) {
            return true;
        }
        AudioPlayer player;
        synchronized (lock) {
            player = (AudioPlayer) players.get(key(event[1], event[0]));
        }
        if (player == null) {
            return true;
        }
        long time = ((long) event[3] << 32) | (event[4] & 0xFFFFFFFFL);
        switch (event[2]) {
            case EVENT_END_OF_MEDIA:
                player.reachedEnd(true, time);
                break;
            case EVENT_LOOP:
                player.reachedEnd(false, time);
                break;
            case EVENT_STOPPED_AT_TIME:
                player.stoppedAtTime(time);
                break;
            default:
                break;
        }
        return true;
    }

    /** Calls the listeners, one event after the other, in the order they were posted. */
    private static final class Delivery extends Thread {
        private final Vector queue = new Vector();

        synchronized void post(AudioPlayer player, Vector listeners, String event, Object data) {
            if (listeners.isEmpty()) {
                return;
            }
            Object[] listenersNow = new Object[listeners.size()];
            listeners.copyInto(listenersNow);
            queue.addElement(new Object[] {player, listenersNow, event, data});
            notify();
        }

        public void run() {
            for (;;) {
                Object[] next;
                synchronized (this) {
                    while (queue.isEmpty()) {
                        try {
                            wait();
                        } catch (InterruptedException e) {
                            return;
                        }
                    }
                    next = (Object[]) queue.elementAt(0);
                    queue.removeElementAt(0);
                }
                Object[] listeners = (Object[]) next[1];
                for (int i = 0; i < listeners.length; i++) {
                    try {
                        ((PlayerListener) listeners[i]).playerUpdate((AudioPlayer) next[0], (String) next[2], next[3]);
                    } catch (RuntimeException e) {
                        // a failing listener does not keep the others from their events
                    }
                }
            }
        }
    }
}
