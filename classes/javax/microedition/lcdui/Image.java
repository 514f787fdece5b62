package javax.microedition.lcdui;

import java.io.IOException;
import java.io.InputStream;

import com.movane.micro.SystemOption;
import com.sun.cldc.io.ResourceInputStream;

/**
 * An image: an immutable one decoded from PNG data or made from ARGB words, or a mutable
 * off-screen a Graphics draws into. The surface handle and the size live in fields the
 * natives read by name; every argument is checked here before a native sees it.
 */
public class Image {

    // Read by the natives by name.
    int _nId;
    int _nWidth;
    int _nHeight;
    boolean isOffScreen;

    // The creating natives' answer for data they leave to this class.
    private static final int NOT_DECODED = -4;

    static {
        initializeFieldIndex();
        registNativeFinalizer();
    }

    private Image(int handle, boolean offScreen) {
        _nId = handle;
        isOffScreen = offScreen;
        _nWidth = nativeGetImageWidth(handle, offScreen);
        _nHeight = nativeGetImageHeight(handle, offScreen);
    }

    public static Image createImage(int width, int height) {
        if (width <= 0 || height <= 0) {
            throw new IllegalArgumentException();
        }
        return new Image(nativeCreateOffScreen(width, height), true);
    }

    public static Image createImage(Image source) {
        if (source == null) {
            throw new NullPointerException();
        }
        if (!source.isOffScreen) {
            return source;
        }
        int w = source._nWidth;
        int h = source._nHeight;
        int[] rgb = new int[w * h];
        source.getRGB(rgb, 0, w, 0, 0, w, h);
        return createRGBImage(rgb, w, h, false);
    }

    public static Image createImage(String name) throws IOException {
        if (name == null) {
            throw new NullPointerException();
        }
        // resource names are taken from the root of the JAR
        String entry = name.length() > 0 && name.charAt(0) == '/' ? name.substring(1) : name;
        InputStream in = new ResourceInputStream(entry);
        byte[] data;
        try {
            data = readAll(in);
        } finally {
            in.close();
        }
        return decode(data, 0, data.length);
    }

    public static Image createImage(byte[] imageData, int imageOffset, int imageLength) {
        if (imageData == null) {
            throw new NullPointerException();
        }
        if (imageOffset < 0 || imageLength < 0 || imageOffset > imageData.length
                || imageLength > imageData.length - imageOffset) {
            throw new ArrayIndexOutOfBoundsException();
        }
        try {
            return decode(imageData, imageOffset, imageLength);
        } catch (IOException e) {
            throw new IllegalArgumentException();
        }
    }

    public static Image createImage(Image image, int x, int y, int width, int height, int transform) {
        if (image == null) {
            throw new NullPointerException();
        }
        if (width <= 0 || height <= 0 || x < 0 || y < 0 || x > image._nWidth - width
                || y > image._nHeight - height || transform < TRANS_NONE || transform > TRANS_LAST) {
            throw new IllegalArgumentException();
        }
        if (!image.isOffScreen && x == 0 && y == 0 && width == image._nWidth && height == image._nHeight
                && transform == TRANS_NONE) {
            return image;
        }
        if ("1".equals(SystemOption.getOption("midp_enhance_create_cropped_image"))) {
            try {
                int handle = nativeCreateCroppedImage(image._nId, x, y, width, height, transform, image.isOffScreen);
                if (handle != -1 && handle != 0) {
                    return new Image(handle, false);
                }
            } catch (IllegalArgumentException refused) {
                // the native layer offers no crop: done here instead
            }
        }
        int[] region = new int[width * height];
        image.getRGB(region, 0, width, x, y, width, height);
        boolean swaps = transform >= TRANS_MIRROR_ROT270;
        int outW = swaps ? height : width;
        int outH = swaps ? width : height;
        int[] out = transform == TRANS_NONE ? region : new int[width * height];
        if (out != region) {
            for (int sy = 0; sy < height; sy++) {
                for (int sx = 0; sx < width; sx++) {
                    int dx;
                    int dy;
                    switch (transform) {
                    case TRANS_MIRROR_ROT180: dx = sx; dy = height - 1 - sy; break;
                    case TRANS_MIRROR: dx = width - 1 - sx; dy = sy; break;
                    case TRANS_ROT180: dx = width - 1 - sx; dy = height - 1 - sy; break;
                    case TRANS_MIRROR_ROT270: dx = sy; dy = sx; break;
                    case TRANS_ROT90: dx = height - 1 - sy; dy = sx; break;
                    case TRANS_ROT270: dx = sy; dy = width - 1 - sx; break;
                    default: dx = height - 1 - sy; dy = width - 1 - sx; break; // TRANS_MIRROR_ROT90
                    }
                    out[dy * outW + dx] = region[sy * width + sx];
                }
            }
        }
        return createRGBImage(out, outW, outH, !image.isOffScreen);
    }

    public static Image createImage(InputStream stream) throws IOException {
        if (stream == null) {
            throw new NullPointerException();
        }
        byte[] data = readAll(stream);
        return decode(data, 0, data.length);
    }

    public static Image createRGBImage(int[] rgb, int width, int height, boolean processAlpha) {
        if (rgb == null) {
            throw new NullPointerException();
        }
        if (width <= 0 || height <= 0) {
            throw new IllegalArgumentException();
        }
        if ((long) width * height > rgb.length) {
            throw new ArrayIndexOutOfBoundsException();
        }
        return new Image(nativeCreateRGBImage(rgb, width, height, processAlpha), false);
    }

    public Graphics getGraphics() {
        if (!isOffScreen) {
            throw new IllegalStateException();
        }
        return Graphics.forImage(this);
    }

    public int getWidth() {
        return _nWidth;
    }

    public int getHeight() {
        return _nHeight;
    }

    public boolean isMutable() {
        return isOffScreen;
    }

    public void getRGB(int[] rgbData, int offset, int scanlength, int x, int y, int width, int height) {
        if (rgbData == null) {
            throw new NullPointerException();
        }
        if (width <= 0 || height <= 0) {
            return;
        }
        if (x < 0 || y < 0 || x > _nWidth - width || y > _nHeight - height) {
            throw new IllegalArgumentException();
        }
        long step = scanlength < 0 ? -(long) scanlength : scanlength;
        if (step < width) {
            throw new IllegalArgumentException();
        }
        // the lowest and the highest index a row starts at, then the whole run read
        long last = offset + (long) (height - 1) * scanlength;
        long first = Math.min(offset, last);
        long end = Math.max(offset, last) + width;
        if (first < 0 || end > rgbData.length) {
            throw new ArrayIndexOutOfBoundsException();
        }
        int length = (int) ((height - 1) * step + width);
        nativeGetRGBImage(_nId, rgbData, offset, length, scanlength, x, y, width, height, isOffScreen);
    }

    // ------------------------------------------------------------------------

    private static Image decode(byte[] data, int offset, int length) throws IOException {
        int handle = nativeCreateImage(data, offset, length);
        if (handle == NOT_DECODED) {
            throw new IOException();
        }
        return new Image(handle, false);
    }

    private static byte[] readAll(InputStream in) throws IOException {
        byte[] buffer = new byte[1024];
        int size = 0;
        while (true) {
            if (size == buffer.length) {
                byte[] larger = new byte[buffer.length * 2];
                System.arraycopy(buffer, 0, larger, 0, size);
                buffer = larger;
            }
            int n = in.read(buffer, size, buffer.length - size);
            if (n < 0) {
                break;
            }
            size += n;
        }
        byte[] data = new byte[size];
        System.arraycopy(buffer, 0, data, 0, size);
        return data;
    }

    // The transforms of Sprite, by the same values.
    private static final int TRANS_NONE = 0;
    private static final int TRANS_MIRROR_ROT180 = 1;
    private static final int TRANS_MIRROR = 2;
    private static final int TRANS_ROT180 = 3;
    private static final int TRANS_MIRROR_ROT270 = 4;
    private static final int TRANS_ROT90 = 5;
    private static final int TRANS_ROT270 = 6;
    private static final int TRANS_LAST = 7;

    private static native int nativeCreateImage(byte[] data, int offset, int length);

    private static native int nativeCreateRGBImage(int[] rgb, int width, int height, boolean processAlpha);

    private static native int nativeCreateCroppedImage(int handle, int x, int y, int width, int height,
            int transform, boolean isOffScreen);

    private static native int nativeCreateOffScreen(int width, int height);

    private static native int nativeGetImageWidth(int handle, boolean isOffScreen);

    private static native int nativeGetImageHeight(int handle, boolean isOffScreen);

    private static native void nativeGetRGBImage(int handle, int[] rgb, int offset, int length, int scanlength,
            int x, int y, int width, int height, boolean isOffScreen);

    static native int nativeGetInvalidHandle();

    private static native void initializeFieldIndex();

    private static native void registNativeFinalizer();
}
