import java.util.Random;

import javax.microedition.lcdui.Font;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.Image;
import javax.microedition.lcdui.game.GameCanvas;
import javax.microedition.lcdui.game.LayerManager;
import javax.microedition.lcdui.game.Sprite;
import javax.microedition.lcdui.game.TiledLayer;

/**
 * The game: its loop on a thread of its own. A tiled sky scrolls behind the falling
 * sprites and the basket; a layer manager draws them into the canvas's buffer.
 */
class GameScreen extends GameCanvas implements Runnable {
    private static final int TILE = Art.TILE;
    private static final int BASKET_W = 36;
    private static final int BASKET_H = 14;
    private static final int THINGS = 8;
    private static final int LIVES = 3;

    private final int frameDelay;
    private final int benchmarkFrames;
    private final StarCatcher midlet;
    private final Random random = new Random(20061210L);

    private final LayerManager layers = new LayerManager();
    private final TiledLayer sky;
    private final Sprite basket;
    private final Sprite[] things = new Sprite[THINGS];
    private final boolean[] rock = new boolean[THINGS];
    private final int[] speed = new int[THINGS];
    private final Image starImage = Art.star();
    private final Image rockImage = Art.rock();

    private volatile boolean running;
    private volatile boolean paused;
    private int score;
    private int lives;
    private int scroll;
    private int tick;
    private boolean over;

    GameScreen(int frameDelay, int benchmarkFrames, StarCatcher midlet) {
        super(true);
        this.frameDelay = frameDelay;
        this.benchmarkFrames = benchmarkFrames;
        this.midlet = midlet;
        basket = new Sprite(Art.basket(BASKET_W, BASKET_H));
        layers.append(basket);
        for (int i = 0; i < THINGS; i++) {
            things[i] = new Sprite(starImage, TILE, TILE);
            things[i].setVisible(false);
            layers.append(things[i]);
        }
        // the sky covers the whole screen, whatever the canvas's mode
        int w = Math.max(getWidth(), 1);
        int h = Math.max(getHeight(), 1) + 2 * TILE;
        int columns = (w + TILE - 1) / TILE;
        int rows = (h + TILE - 1) / TILE + 2;
        sky = new TiledLayer(columns, rows, Art.sky(), TILE, TILE);
        for (int r = 0; r < rows; r++) {
            for (int c = 0; c < columns; c++) {
                int tile = (r + c) % 2 + 1;
                if ((r * 7 + c * 3) % 11 == 0) {
                    tile += 2;
                }
                sky.setCell(c, r, tile);
            }
        }
        layers.append(sky);
        newGame();
    }

    void start() {
        running = true;
        new Thread(this).start();
    }

    void stop() {
        running = false;
    }

    void setPaused(boolean p) {
        paused = p;
    }

    boolean isPaused() {
        return paused;
    }

    private void newGame() {
        basket.setPosition((getWidth() - BASKET_W) / 2, getHeight() - BASKET_H - 4);
        score = 0;
        lives = LIVES;
        over = false;
        for (int i = 0; i < THINGS; i++) {
            things[i].setVisible(false);
        }
    }

    public void run() {
        Graphics g = getGraphics();
        long started = System.currentTimeMillis();
        int frames = 0;
        while (running) {
            long frameStart = System.currentTimeMillis();
            if (!paused) {
                update(getKeyStates());
            }
            draw(g);
            flushGraphics();
            frames++;
            if (benchmarkFrames > 0 && frames == benchmarkFrames) {
                long ms = System.currentTimeMillis() - started;
                System.out.println("Star Catcher: " + frames + " frames at " + getWidth() + "x" + getHeight()
                        + " in " + ms + " ms: " + (ms > 0 ? frames * 1000L / ms : frames) + " frames per second");
                running = false;
                midlet.quit();
                return;
            }
            long wait = frameDelay - (System.currentTimeMillis() - frameStart);
            try {
                Thread.sleep(wait > 0 ? wait : 0);
            } catch (InterruptedException e) {
                return;
            }
        }
    }

    private void update(int keys) {
        tick++;
        if (over) {
            if ((keys & FIRE_PRESSED) != 0) {
                newGame();
            }
            return;
        }
        int w = getWidth();
        int h = getHeight();
        // the basket stays where it was put when the canvas changes its height
        basket.setPosition(basket.getX(), h - BASKET_H - 4);
        if ((keys & LEFT_PRESSED) != 0) {
            basket.move(-Math.min(6, basket.getX()), 0);
        }
        if ((keys & RIGHT_PRESSED) != 0) {
            basket.move(Math.min(6, w - BASKET_W - basket.getX()), 0);
        }
        scroll = (scroll + 1) % (2 * TILE);
        sky.setPosition(0, scroll - 2 * TILE);
        if (tick % 12 == 0) {
            spawn(w);
        }
        for (int i = 0; i < THINGS; i++) {
            Sprite s = things[i];
            if (!s.isVisible()) {
                continue;
            }
            s.move(0, speed[i]);
            if (!rock[i] && tick % 8 == 0) {
                s.nextFrame();
            }
            if (s.collidesWith(basket, false)) {
                s.setVisible(false);
                if (rock[i]) {
                    lives--;
                    over = lives == 0;
                } else {
                    score += 10;
                }
            } else if (s.getY() > h) {
                s.setVisible(false);
            }
        }
    }

    private void spawn(int w) {
        for (int i = 0; i < THINGS; i++) {
            Sprite s = things[i];
            if (!s.isVisible()) {
                rock[i] = random.nextInt(4) == 0;
                s.setImage(rock[i] ? rockImage : starImage, TILE, TILE);
                s.setPosition(2 + random.nextInt(w - TILE - 4), -TILE);
                speed[i] = 2 + random.nextInt(3);
                s.setVisible(true);
                return;
            }
        }
    }

    private void draw(Graphics g) {
        int w = getWidth();
        int h = getHeight();
        g.setClip(0, 0, w, h);
        layers.paint(g, 0, 0);
        Font font = Font.getFont(Font.FACE_PROPORTIONAL, Font.STYLE_BOLD, Font.SIZE_MEDIUM);
        g.setFont(font);
        g.setColor(0xFFFFFF);
        g.drawString("Score " + score, 4, 2, Graphics.TOP | Graphics.LEFT);
        g.drawString("Lives " + lives, w - 4, 2, Graphics.TOP | Graphics.RIGHT);
        if (over) {
            g.setColor(0xFFE040);
            g.drawString("Game over", w / 2, h / 2 - font.getHeight(), Graphics.TOP | Graphics.HCENTER);
            g.setColor(0xFFFFFF);
            g.drawString("FIRE plays again", w / 2, h / 2 + 2, Graphics.TOP | Graphics.HCENTER);
        } else if (paused) {
            g.setColor(0xFFFFFF);
            g.drawString("Paused", w / 2, h / 2, Graphics.TOP | Graphics.HCENTER);
        }
    }
}
