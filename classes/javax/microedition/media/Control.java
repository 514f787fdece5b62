package javax.microedition.media;

/** A control of a player's behaviour. */
public interface Control {
}
