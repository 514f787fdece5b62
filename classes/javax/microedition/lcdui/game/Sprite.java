package javax.microedition.lcdui.game;

import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * An animated layer: frames cut from one image, shown in a frame sequence, placed by a
 * reference pixel, drawn under one of eight transforms, and tested for collisions by
 * rectangle or by pixel. The natives read and write the fields below by name and keep
 * the native record in {@code _nId} in step.
 */
public class Sprite extends Layer {

    public static final int TRANS_NONE = 0;
    public static final int TRANS_ROT90 = 5;
    public static final int TRANS_ROT180 = 3;
    public static final int TRANS_ROT270 = 6;
    public static final int TRANS_MIRROR = 2;
    public static final int TRANS_MIRROR_ROT90 = 7;
    public static final int TRANS_MIRROR_ROT180 = 1;
    public static final int TRANS_MIRROR_ROT270 = 4;

    int _nId;
    /** The collision rectangle as defined, in the untransformed frame. */
    int collisionRectX;
    int collisionRectY;
    int collisionRectW;
    int collisionRectH;
    /** The same after the transform. */
    int t_collisionRectX;
    int t_collisionRectY;
    int t_collisionRectW;
    int t_collisionRectH;
    /** The reference pixel as defined. */
    int dRefX;
    int dRefY;
    /** The reference pixel after the transform, relative to the layer's position. */
    int m_RefPixelX;
    int m_RefPixelY;
    int m_FrameW;
    int m_FrameH;
    /** Frames per image row. */
    int m_FrameCols;
    int m_Transform;
    /** The frame sequence, or null for the default one (every raw frame in order). */
    int[] m_Sequence;
    int m_SequenceCount;
    int m_SequenceIndex;
    /** Keeps the frames' image alive while the native record points at it. */
    private Image m_Image;
    private int m_RawFrameCount;

    static {
        initializeFieldIndex();
        registNativeFinalizer();
    }

    public Sprite(Image image) {
        this(image, image.getWidth(), image.getHeight());
    }

    public Sprite(Image image, int frameWidth, int frameHeight) {
        super(frameWidth, frameHeight);
        create(image, frameWidth, frameHeight, cellCount(image, frameWidth, frameHeight));
    }

    /** A copy of s: frames, sequence, current frame, transform, reference pixel, collision rectangle, position, visibility. */
    public Sprite(Sprite s) {
        super(s.m_FrameW, s.m_FrameH);
        create(s.m_Image, s.m_FrameW, s.m_FrameH, s.m_RawFrameCount);
        if (s.m_Sequence != null) {
            m_Sequence = new int[s.m_SequenceCount];
            System.arraycopy(s.m_Sequence, 0, m_Sequence, 0, s.m_SequenceCount);
        }
        m_SequenceCount = s.m_SequenceCount;
        setFrame(s.m_SequenceIndex);
        defineCollisionRectangle(s.collisionRectX, s.collisionRectY, s.collisionRectW, s.collisionRectH);
        defineReferencePixel(s.dRefX, s.dRefY);
        setTransform(s.m_Transform);
        setPosition(s.m_LayerX, s.m_LayerY);
        setVisible(s.isVisible());
    }

    private void create(Image image, int frameWidth, int frameHeight, int frames) {
        int id = nativeCreatePrimitive(this, image, frameWidth, frameHeight);
        if (id == -1) {
            throw new OutOfMemoryError();
        }
        _nId = id;
        m_Image = image;
        m_FrameW = frameWidth;
        m_FrameH = frameHeight;
        m_FrameCols = image.getWidth() / frameWidth;
        m_RawFrameCount = frames;
        m_SequenceCount = frames;
        collisionRectW = frameWidth;
        collisionRectH = frameHeight;
        t_collisionRectW = frameWidth;
        t_collisionRectH = frameHeight;
    }

    public native void defineReferencePixel(int x, int y);

    public native void setRefPixelPosition(int x, int y);

    public native int getRefPixelX();

    public native int getRefPixelY();

    public native void setFrame(int sequenceIndex);

    public final int getFrame() {
        return m_SequenceIndex;
    }

    public int getRawFrameCount() {
        return m_RawFrameCount;
    }

    public int getFrameSequenceLength() {
        return m_SequenceCount;
    }

    public native void nextFrame();

    public native void prevFrame();

    public final native void paint(Graphics g);

    public void setFrameSequence(int[] sequence) {
        if (sequence == null) {
            m_Sequence = null;
            m_SequenceCount = m_RawFrameCount;
        } else {
            int n = sequence.length;
            if (n < 1) {
                throw new IllegalArgumentException();
            }
            int[] copy = new int[n];
            for (int i = 0; i < n; i++) {
                int frame = sequence[i];
                if (frame < 0 || frame >= m_RawFrameCount) {
                    throw new ArrayIndexOutOfBoundsException();
                }
                copy[i] = frame;
            }
            m_Sequence = copy;
            m_SequenceCount = n;
        }
        setFrame(0);
    }

    /**
     * New frames. With at least as many raw frames as before, the current frame and a
     * custom sequence stay; with fewer, the default sequence comes back at its first
     * entry. A new frame size resets the collision rectangle to the whole frame and keeps
     * the reference pixel on the same screen point.
     */
    public void setImage(Image img, int frameWidth, int frameHeight) {
        int frames = cellCount(img, frameWidth, frameHeight);
        int refX = getRefPixelX();
        int refY = getRefPixelY();
        boolean resized = frameWidth != m_FrameW || frameHeight != m_FrameH;
        nativeSetTexture(_nId, img, frameWidth, frameHeight);
        m_Image = img;
        m_FrameW = frameWidth;
        m_FrameH = frameHeight;
        m_FrameCols = img.getWidth() / frameWidth;
        boolean fewer = frames < m_RawFrameCount;
        m_RawFrameCount = frames;
        if (fewer) {
            m_Sequence = null;
            m_SequenceCount = frames;
            m_SequenceIndex = 0;
        } else if (m_Sequence == null) {
            m_SequenceCount = frames;
        }
        int frame = m_Sequence != null ? m_Sequence[m_SequenceIndex] : m_SequenceIndex;
        nativeCalculateTextureUV(_nId, frame, m_FrameCols, frameWidth, frameHeight);
        if (resized) {
            defineCollisionRectangle(0, 0, frameWidth, frameHeight);
            setRefPixelPosition(refX, refY);
        }
    }

    public native void defineCollisionRectangle(int x, int y, int width, int height);

    public native void setTransform(int transform);

    public final native boolean collidesWith(Sprite s, boolean pixelLevel);

    public final native boolean collidesWith(TiledLayer t, boolean pixelLevel);

    public final native boolean collidesWith(Image image, int x, int y, boolean pixelLevel);

    private static native void initializeFieldIndex();

    private static native void registNativeFinalizer();

    private static native int nativeCreatePrimitive(Sprite sprite, Image image, int frameWidth, int frameHeight);

    private static native void nativeSetTexture(int id, Image image, int frameWidth, int frameHeight);

    private static native void nativeSetCollisionRect(int id, int x, int y, int width, int height);

    private static native void nativeCalculateTextureUV(int id, int frame, int columns, int frameWidth, int frameHeight);
}
