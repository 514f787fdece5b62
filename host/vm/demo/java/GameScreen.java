import java.util.Random;

import javax.microedition.lcdui.Font;
import javax.microedition.lcdui.Graphics;
import javax.microedition.lcdui.game.GameCanvas;

/** The game: its loop on a thread of its own, drawing into the canvas's buffer. */
class GameScreen extends GameCanvas implements Runnable {
    private static final int TILE = 16;
    private static final int BASKET_W = 36;
    private static final int BASKET_H = 14;
    private static final int THINGS = 8;
    private static final int LIVES = 3;

    private final int frameDelay;
    private final int benchmarkFrames;
    private final StarCatcher midlet;
    private final Random random = new Random(20061210L);

    // Falling things: x, y, speed, kind (0 star, 1 rock), live flag.
    private final int[] thingX = new int[THINGS];
    private final int[] thingY = new int[THINGS];
    private final int[] thingSpeed = new int[THINGS];
    private final boolean[] rock = new boolean[THINGS];
    private final boolean[] live = new boolean[THINGS];

    private volatile boolean running;
    private volatile boolean paused;
    private int basketX;
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
        basketX = (getWidth() - BASKET_W) / 2;
        score = 0;
        lives = LIVES;
        over = false;
        for (int i = 0; i < THINGS; i++) {
            live[i] = false;
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
        if ((keys & LEFT_PRESSED) != 0) {
            basketX = Math.max(0, basketX - 6);
        }
        if ((keys & RIGHT_PRESSED) != 0) {
            basketX = Math.min(w - BASKET_W, basketX + 6);
        }
        scroll = (scroll + 1) % (2 * TILE);
        if (tick % 12 == 0) {
            spawn(w);
        }
        int basketY = h - BASKET_H - 4;
        for (int i = 0; i < THINGS; i++) {
            if (!live[i]) {
                continue;
            }
            thingY[i] += thingSpeed[i];
            boolean caught = thingY[i] + 8 >= basketY && thingY[i] <= basketY + BASKET_H
                    && thingX[i] + 8 >= basketX && thingX[i] - 8 <= basketX + BASKET_W;
            if (caught) {
                live[i] = false;
                if (rock[i]) {
                    lives--;
                    over = lives == 0;
                } else {
                    score += 10;
                }
            } else if (thingY[i] > h) {
                live[i] = false;
            }
        }
    }

    private void spawn(int w) {
        for (int i = 0; i < THINGS; i++) {
            if (!live[i]) {
                live[i] = true;
                rock[i] = random.nextInt(4) == 0;
                thingX[i] = 10 + random.nextInt(w - 20);
                thingY[i] = -10;
                thingSpeed[i] = 2 + random.nextInt(3);
                return;
            }
        }
    }

    private void draw(Graphics g) {
        int w = getWidth();
        int h = getHeight();
        drawBackground(g, w, h);
        for (int i = 0; i < THINGS; i++) {
            if (live[i]) {
                if (rock[i]) {
                    drawRock(g, thingX[i], thingY[i]);
                } else {
                    drawStar(g, thingX[i], thingY[i]);
                }
            }
        }
        drawBasket(g, basketX, h - BASKET_H - 4);
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

    /** A night sky of tiles that scrolls down. */
    private void drawBackground(Graphics g, int w, int h) {
        for (int ty = -2 * TILE + scroll; ty < h; ty += TILE) {
            int row = (ty - scroll) / TILE;
            for (int tx = 0; tx < w; tx += TILE) {
                boolean dark = ((tx / TILE) + row) % 2 == 0;
                g.setColor(dark ? 0x101838 : 0x182048);
                g.fillRect(tx, ty, TILE, TILE);
            }
        }
    }

    private static void drawStar(Graphics g, int x, int y) {
        g.setColor(0xFFE040);
        g.fillTriangle(x, y - 8, x - 7, y + 5, x + 7, y + 5);
        g.fillTriangle(x, y + 9, x - 7, y - 3, x + 7, y - 3);
    }

    private static void drawRock(Graphics g, int x, int y) {
        g.setColor(0x806050);
        g.fillArc(x - 8, y - 7, 16, 14, 0, 360);
        g.setColor(0x504038);
        g.fillArc(x - 3, y - 3, 5, 4, 0, 360);
    }

    private static void drawBasket(Graphics g, int x, int y) {
        g.setColor(0xC08040);
        g.fillRoundRect(x, y, BASKET_W, BASKET_H, 8, 8);
        g.setColor(0x603010);
        g.drawRoundRect(x, y, BASKET_W - 1, BASKET_H - 1, 8, 8);
        g.drawLine(x + 4, y + BASKET_H / 2, x + BASKET_W - 5, y + BASKET_H / 2);
    }
}
