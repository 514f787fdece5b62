package javax.microedition.lcdui.game;

import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;

/**
 * A grid of cells, each empty (0), showing a static tile (1 to the number of tiles in the
 * image) or an animated tile (-1, -2, ...) that stands for a static tile changed at will.
 * The natives read the fields below by name and keep the native record in {@code _nId}.
 */
public class TiledLayer extends Layer {

    /** Cells are 16-bit in the native record: this many static tiles fit. */
    private static final int MAX_TILES = 32767;

    int _nId;
    /** The number of static tiles. */
    int m_FrameCount;
    int m_AnimTileCount;
    int m_GridColumns;
    int m_GridRows;
    private int m_CellWidth;
    private int m_CellHeight;
    /** Keeps the tiles' image alive while the native record points at it. */
    private Image m_Image;

    static {
        initializeFieldIndex();
        registNativeFinalizer();
    }

    public TiledLayer(int columns, int rows, Image image, int tileWidth, int tileHeight) {
        super(0, 0);
        int tiles = tileCount(image, tileWidth, tileHeight);
        if (columns < 1 || rows < 1) {
            throw new IllegalArgumentException();
        }
        if (columns > MAX_RECORD_SIZE || rows > MAX_RECORD_SIZE) {
            throw new IllegalArgumentException("more than 65535 columns or rows");
        }
        int id = nativeCreatePrimitive(this, image, tileWidth, tileHeight, columns, rows);
        if (id == -1) {
            throw new OutOfMemoryError();
        }
        _nId = id;
        m_GridColumns = columns;
        m_GridRows = rows;
        useTiles(image, tileWidth, tileHeight, tiles);
    }

    private static int tileCount(Image image, int tileWidth, int tileHeight) {
        int tiles = cellCount(image, tileWidth, tileHeight);
        if (tiles > MAX_TILES) {
            throw new IllegalArgumentException("more than 32767 tiles");
        }
        return tiles;
    }

    private void useTiles(Image image, int tileWidth, int tileHeight, int tiles) {
        m_Image = image;
        m_FrameCount = tiles;
        m_CellWidth = tileWidth;
        m_CellHeight = tileHeight;
        m_LayerWidth = tileWidth * m_GridColumns;
        m_LayerHeight = tileHeight * m_GridRows;
    }

    public native int createAnimatedTile(int staticTileIndex);

    public native void setAnimatedTile(int animatedTileIndex, int staticTileIndex);

    public native int getAnimatedTile(int animatedTileIndex);

    public native void setCell(int col, int row, int tileIndex);

    public native int getCell(int col, int row);

    public native void fillCells(int col, int row, int numCols, int numRows, int tileIndex);

    public final int getCellWidth() {
        return m_CellWidth;
    }

    public final int getCellHeight() {
        return m_CellHeight;
    }

    public final int getColumns() {
        return m_GridColumns;
    }

    public final int getRows() {
        return m_GridRows;
    }

    /**
     * New tiles. With at least as many static tiles as before, cells and animated tiles
     * stay; with fewer, every cell becomes empty and the animated tiles are gone.
     */
    public void setStaticTileSet(Image image, int tileWidth, int tileHeight) {
        int tiles = tileCount(image, tileWidth, tileHeight);
        nativeSetTexture(_nId, image, tileWidth, tileHeight);
        if (tiles < m_FrameCount) {
            nativeSetCells(_nId, 0, 0, m_GridColumns, m_GridRows, 0);
            m_AnimTileCount = 0;
        }
        useTiles(image, tileWidth, tileHeight, tiles);
    }

    public final native void paint(Graphics g);

    private static native void initializeFieldIndex();

    private static native void registNativeFinalizer();

    private static native int nativeCreatePrimitive(TiledLayer layer, Image image, int tileWidth, int tileHeight,
            int columns, int rows);

    private static native void nativeSetTexture(int id, Image image, int tileWidth, int tileHeight);

    private static native void nativeSetCells(int id, int col, int row, int numCols, int numRows, int tileIndex);
}
