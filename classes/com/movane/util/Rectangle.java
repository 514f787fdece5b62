package com.movane.util;

/**
 * A rectangle of signed 32-bit x, y, width and height, with the containment, intersection
 * and union arithmetic of the layout code. A negative width or height intersects nothing.
 */
public class Rectangle {

    // Read and written by the natives by name.
    public int x;
    public int y;
    public int width;
    public int height;

    static {
        initializeFieldIndex();
    }

    public Rectangle() {
    }

    public Rectangle(int x, int y, int width, int height) {
        this.x = x;
        this.y = y;
        this.width = width;
        this.height = height;
    }

    /** Both edges count as inside. */
    public boolean contains(int px, int py) {
        return contains(x, y, width, height, px, py);
    }

    public boolean intersects(Rectangle r) {
        return intersects(x, y, width, height, r.x, r.y, r.width, r.height);
    }

    /** Cuts this rectangle to r; returns this. */
    public Rectangle intersect(Rectangle r) {
        return intersection(this, r.x, r.y, r.width, r.height);
    }

    /** Grows this rectangle to hold r as well; returns this. */
    public Rectangle add(Rectangle r) {
        return union(this, r.x, r.y, r.width, r.height);
    }

    public String toString() {
        return "[" + x + "," + y + "," + width + "," + height + "]";
    }

    private static native boolean initializeFieldIndex();

    public static native boolean contains(int rx, int ry, int rw, int rh, int px, int py);

    public static native boolean contains(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);

    public static native boolean intersects(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);

    public static native Rectangle intersection(Rectangle r, int x, int y, int w, int h);

    public static native Rectangle union(Rectangle r, int x, int y, int w, int h);
}
