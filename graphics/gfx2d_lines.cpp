// Lines, rectangle outlines, filled rectangles and filled polygons. Coordinates take
// the whole int range: every clip intersection is worked out in 64 bits in a form
// whose products cannot overflow, and every walk is cut to the clip.
#include "graphics/gfx2d.h"
#include "graphics/gfx2d_raster.h"

#include <stdlib.h>

namespace {

// One pen for the solid and the dotted walks: the dotted one flips a toggle, starting
// on, at every position of its walk, drawn or not.
struct Pen {
    MkSurface* s;
    Gfx2dClip c;
    uint16_t pixel;
    bool dotted;
    bool on;
    void put(int64_t x, int64_t y) {
        if (!dotted || on) gfx2d_plot(s, c, x, y, pixel);
        on = !on;
    }
    // Straight runs: both ends inclusive, walked from `from` toward `to`.
    void column(int64_t x, int64_t from, int64_t to) {
        int64_t step = from <= to ? 1 : -1;
        for (int64_t y = from;; y += step) {
            put(x, y);
            if (y == to) break;
        }
    }
    void row(int64_t y, int64_t from, int64_t to) {
        int64_t step = from <= to ? 1 : -1;
        for (int64_t x = from;; x += step) {
            put(x, y);
            if (x == to) break;
        }
    }
};

enum { LEFT = 1, RIGHT = 2, ABOVE = 4, BELOW = 8 };

int outcode(const Gfx2dClip& c, int64_t x, int64_t y) {
    int code = x < c.x0 ? LEFT : x >= c.x1 ? RIGHT : 0;
    return code | (y < c.y0 ? ABOVE : y >= c.y1 ? BELOW : 0);
}

// After a point moved onto a vertical clip edge: keep, clear or reject its vertical bits.
bool reclassify(const Gfx2dClip& c, int* code, int64_t y) {
    if (*code & ABOVE) {
        if (y >= c.y0) *code &= ~ABOVE;
    } else if (y < c.y0) {
        return false;
    }
    if (*code & BELOW) {
        if (y < c.y1) *code &= ~BELOW;
    } else if (y >= c.y1) {
        return false;
    }
    return true;
}

// Cuts the segment (x1 < x2) to the clip; false when nothing of it is drawn. The
// intersections are those of the original line: y at column cx is
// (y1*(x2 - cx) + y2*(cx - x1)) / dx, which equals (K + dy*cx) / dx with
// K = y1*x2 - x1*y2 but keeps every product below 2^63 for cx between x1 and x2.
bool clipSegment(const Gfx2dClip& c, int64_t* x1, int64_t* y1, int64_t* x2, int64_t* y2) {
    int c1 = outcode(c, *x1, *y1), c2 = outcode(c, *x2, *y2);
    if (c1 & c2) return false;
    if ((c1 | c2) == 0) return true;
    const int64_t ox1 = *x1, oy1 = *y1, ox2 = *x2, oy2 = *y2, dx = ox2 - ox1, dy = oy2 - oy1;
    auto yAt = [&](int64_t cx) { return (oy1 * (ox2 - cx) + oy2 * (cx - ox1)) / dx; };
    auto xAt = [&](int64_t cy) { return (ox1 * (oy2 - cy) + ox2 * (cy - oy1)) / dy; };
    if ((c1 | c2) & LEFT) {
        *x1 = c.x0;
        *y1 = yAt(c.x0);
        if (!reclassify(c, &c1, *y1)) return false;
    }
    if ((c1 | c2) & RIGHT) {
        *x2 = c.x1 - 1;
        *y2 = yAt(c.x1 - 1);
        if (!reclassify(c, &c2, *y2)) return false;
    }
    if ((c1 | c2) & ABOVE) {
        bool first = (c1 & ABOVE) != 0;
        (first ? *y1 : *y2) = c.y0;
        (first ? *x1 : *x2) = xAt(c.y0);
    }
    if ((c1 | c2) & BELOW) {
        bool first = (c1 & BELOW) != 0;
        (first ? *y1 : *y2) = c.y1 - 1;
        (first ? *x1 : *x2) = xAt(c.y1 - 1);
    }
    return true;
}

// The Bresenham walk of a segment whose ends (x1 <= x2) lie inside the clip.
template <bool Dotted>
void walkInside(MkSurface* s, uint16_t pixel, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const int32_t adx = x2 - x1, ady = y2 >= y1 ? y2 - y1 : y1 - y2;
    const int32_t rowStep = y2 >= y1 ? s->width : -s->width;
    uint16_t* p = s->pixels + y1 * s->width + x1;
    bool on = true;
    // branch-free steps: step is all ones when the error says to move the minor coordinate;
    // no step is taken after the last position, so the pointer never leaves the pixels
    if (adx >= ady) {
        int32_t error = 2 * ady - adx;
        for (int32_t i = 0;; i++) {
            if (!Dotted || on) *p = pixel;
            if (Dotted) on = !on;
            if (i == adx) break;
            int32_t step = ~(error >> 31);
            p += 1 + (step & rowStep);
            error += 2 * ady - (step & 2 * adx);
        }
    } else {
        int32_t error = 2 * adx - ady;
        for (int32_t i = 0;; i++) {
            if (!Dotted || on) *p = pixel;
            if (Dotted) on = !on;
            if (i == ady) break;
            int32_t step = ~(error >> 31);
            p += rowStep + (step & 1);
            error += 2 * adx - (step & 2 * ady);
        }
    }
}

// Lines with an end outside the clip.
__attribute__((noinline)) int32_t clippedLine(MkSurface* s, const Gfx2dClip& clip, uint16_t pixel, int64_t x1,
                                              int64_t y1, int64_t x2, int64_t y2, bool dotted) {
    Pen pen = {s, clip, pixel, dotted, true};
    const Gfx2dClip& c = pen.c;
    if (x1 == x2) {
        if (x1 >= c.x0 && x1 < c.x1) {
            int64_t from = gfx2d_max(gfx2d_min(y1, y2), c.y0), to = gfx2d_min(gfx2d_max(y1, y2), c.y1 - 1);
            if (from <= to) pen.column(x1, from, to);
        }
        return 0;
    }
    if (y1 == y2) {
        if (y1 >= c.y0 && y1 < c.y1) {
            int64_t from = gfx2d_max(gfx2d_min(x1, x2), c.x0), to = gfx2d_min(gfx2d_max(x1, x2), c.x1 - 1);
            if (from <= to) pen.row(y1, from, to);
        }
        return 0;
    }
    if (x1 > x2) {
        int64_t t = x1;
        x1 = x2;
        x2 = t;
        t = y1;
        y1 = y2;
        y2 = t;
    }
    if (!clipSegment(c, &x1, &y1, &x2, &y2)) return 0;
    if (gfx2d_inClip(c, x1, y1) && gfx2d_inClip(c, x2, y2)) {
        // cut to the clip: the rest lies inside
        if (dotted)
            walkInside<true>(s, pixel, (int32_t)x1, (int32_t)y1, (int32_t)x2, (int32_t)y2);
        else
            walkInside<false>(s, pixel, (int32_t)x1, (int32_t)y1, (int32_t)x2, (int32_t)y2);
        return 0;
    }
    int64_t adx = x2 - x1, ady = y2 > y1 ? y2 - y1 : y1 - y2, ystep = y2 >= y1 ? 1 : -1;
    int64_t x = x1, y = y1;
    // The clipped ends lie on the clip's edges, so the walk is short; it still stops
    // where it leaves the clip for good.
    if (adx >= ady) {
        int64_t error = 2 * ady - adx;
        for (int64_t i = 0; i <= adx && x < c.x1; i++) {
            pen.put(x, y);
            if (error < 0) {
                error += 2 * ady;
            } else {
                y += ystep;
                error += 2 * (ady - adx);
            }
            x++;
        }
    } else {
        int64_t error = 2 * adx - ady;
        for (int64_t i = 0; i <= ady && x < c.x1 && (ystep > 0 ? y < c.y1 : y >= c.y0); i++) {
            pen.put(x, y);
            if (error < 0) {
                error += 2 * adx;
            } else {
                x++;
                error += 2 * (adx - ady);
            }
            y += ystep;
        }
    }
    return 0;
}

// The outline's visible extent: rows ys..ye, columns xl..xr, or false when none.
struct Outline {
    int64_t x, y, xe, ye2, xl, xr, ys, ye;
};

bool outlineOf(const Gfx2dClip& c, int32_t x, int32_t y, int32_t w, int32_t h, Outline* o) {
    int64_t xe = (int64_t)x + w, ye = (int64_t)y + h;
    if (w < 0 || h < 0 || x >= c.x1 || xe < c.x0 || y >= c.y1 || ye < c.y0) return false;
    *o = {x, y, xe, ye, gfx2d_max(x, c.x0), xe < c.x1 ? xe : c.x1 - 1, gfx2d_max(y, c.y0), ye < c.y1 ? ye : c.y1 - 1};
    return true;
}

int32_t rect(MkSurface* surface, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h,
             bool dotted) {
    Pen pen = {gfx2d_target(surface), {}, pixel, dotted, true};
    if (pen.s == nullptr) return -1;
    Outline o;
    if (!gfx2d_clipOf(pen.s, clip, &pen.c) || !outlineOf(pen.c, x, y, w, h, &o)) return 0;
    const Gfx2dClip& c = pen.c;
    bool left = o.x >= c.x0, right = o.xe < c.x1, top = o.y >= c.y0, bottom = o.ye2 < c.y1;
    if (!dotted) {
        if (left) pen.column(o.x, o.ys, o.ye);
        if (right) pen.column(o.xe, o.ys, o.ye);
        if (top) pen.row(o.y, o.xl, o.xr);
        if (bottom) pen.row(o.ye2, o.xl, o.xr);
        return 0;
    }
    // Clockwise from the top-left; a side stops one short of its far corner when the
    // side before it is visible, since that side started there.
    if (top && (o.xr - (left ? 1 : 0)) >= o.xl) pen.row(o.y, o.xl, o.xr - (left ? 1 : 0));
    if (right && (o.ye - (top ? 1 : 0)) >= o.ys) pen.column(o.xe, o.ys, o.ye - (top ? 1 : 0));
    if (bottom && (o.xl + (right ? 1 : 0)) <= o.xr) pen.row(o.ye2, o.xr, o.xl + (right ? 1 : 0));
    if (left && (o.ys + (bottom ? 1 : 0)) <= o.ye) pen.column(o.x, o.ye, o.ys + (bottom ? 1 : 0));
    return 0;
}

int32_t line(MkSurface* surface, const MkClip* clip, uint16_t pixel, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
             bool dotted) {
    MkSurface* s = gfx2d_target(surface);
    if (s == nullptr) return -1;
    Gfx2dClip c;
    if (!gfx2d_clipOf(s, clip, &c)) return 0;
    if (!(gfx2d_inClip(c, x1, y1) && gfx2d_inClip(c, x2, y2))) return clippedLine(s, c, pixel, x1, y1, x2, y2, dotted);
    // the usual case: both ends inside; walked from the left end, a column from its top
    if (x1 > x2 || (x1 == x2 && y1 > y2)) {
        int32_t t = x1;
        x1 = x2;
        x2 = t;
        t = y1;
        y1 = y2;
        y2 = t;
    }
    if (dotted)
        walkInside<true>(s, pixel, x1, y1, x2, y2);
    else
        walkInside<false>(s, pixel, x1, y1, x2, y2);
    return 0;
}

}  // namespace

int32_t gfx2d_drawLine(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x1, int32_t y1, int32_t x2,
                       int32_t y2) {
    return line(s, clip, pixel, x1, y1, x2, y2, false);
}

int32_t gfx2d_drawLineDotted(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x1, int32_t y1, int32_t x2,
                             int32_t y2) {
    return line(s, clip, pixel, x1, y1, x2, y2, true);
}

int32_t gfx2d_drawRect(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h) {
    return rect(s, clip, pixel, x, y, w, h, false);
}

int32_t gfx2d_drawRectDotted(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                             int32_t h) {
    return rect(s, clip, pixel, x, y, w, h, true);
}

int32_t gfx2d_fillRect(MkSurface* surface, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                       int32_t h) {
    MkSurface* s = gfx2d_target(surface);
    if (s == nullptr) return -1;
    Gfx2dClip c;
    if (!gfx2d_clipOf(s, clip, &c)) return 0;
    int64_t xe = (int64_t)x + w - 1, ye = (int64_t)y + h - 1;
    if (w < 1 || h < 1 || x >= c.x1 || xe < c.x0 || y >= c.y1 || ye < c.y0) return 0;
    int32_t x0 = (int32_t)gfx2d_max(x, c.x0), x1 = (int32_t)gfx2d_min(xe, c.x1 - 1);
    int32_t y0 = (int32_t)gfx2d_max(y, c.y0), y1 = (int32_t)gfx2d_min(ye, c.y1 - 1);
    int32_t n = x1 - x0 + 1, rows = y1 - y0 + 1;
    uint16_t* row = s->pixels + y0 * s->width + x0;
    if (n == s->width) {
        // whole rows lie back to back: one span
        gfx2d_prepareTemplate(pixel, (int64_t)n * rows);
        gfx2d_writeSpan(row, n * rows);
        return 0;
    }
    gfx2d_prepareTemplate(pixel, n);
    for (int32_t r = 0; r < rows; r++) gfx2d_writeSpan(row + r * s->width, n);
    return 0;
}

namespace {

// One edge of a polygon, walked a row at a time toward its bottom vertex.
struct Edge {
    int64_t x, y, xbot, ybot, step, adx, dy, error;
    bool steep, running;
};

// Writes this row's pixels of the edge and moves it to the next row; false when it
// stopped on its bottom x without a row step.
bool walkEdgeRow(MkSurface* s, const Gfx2dClip& c, uint16_t pixel, Edge* e) {
    if (e->steep) {
        if (e->x >= c.x0 && e->x < c.x1 && e->y >= c.y0 && e->y < c.y1) s->pixels[e->x + e->y * s->width] = pixel;
        if (e->error < 0) {
            e->error += 2 * e->adx;
        } else {
            e->x += e->step;
            e->error += 2 * (e->adx - e->dy);
        }
        e->y++;
        return true;
    }
    // Shallow: the run of this row ends at the first position whose error is above 0,
    // or at the bottom x. Worked out at once, so a long edge costs no more than its
    // visible pixels.
    int64_t moves = e->error > 0 ? 0 : -e->error / (2 * e->dy) + 1;
    int64_t remaining = e->xbot > e->x ? e->xbot - e->x : e->x - e->xbot;
    bool rowStep = moves < remaining;
    if (!rowStep) moves = remaining;
    int64_t last = e->x + e->step * moves;
    if (e->y >= c.y0 && e->y < c.y1) {
        int64_t from = gfx2d_max(gfx2d_min(e->x, last), c.x0), to = gfx2d_min(gfx2d_max(e->x, last), c.x1 - 1);
        uint16_t* row = s->pixels + e->y * s->width;
        for (int64_t x = from; x <= to; x++) row[x] = pixel;
    }
    e->error += 2 * e->dy * moves;
    e->x = last;
    if (!rowStep) return false;
    e->x += e->step;
    e->y++;
    e->error += 2 * (e->dy - e->adx);
    return true;
}

}  // namespace

int32_t gfx2d_fillTriangle(MkSurface* surface, const MkClip* clip, uint16_t pixel, const int32_t* xs, const int32_t* ys,
                           int32_t count) {
    if (count < 3 || count > 32) return -1;
    MkSurface* s = gfx2d_target(surface);
    if (s == nullptr) return -1;
    Gfx2dClip c;
    if (!gfx2d_clipOf(s, clip, &c)) return 0;
    int64_t minX = xs[0], maxX = xs[0], minY = ys[0], maxY = ys[0];
    for (int32_t i = 1; i < count; i++) {
        minX = gfx2d_min(minX, xs[i]);
        maxX = gfx2d_max(maxX, xs[i]);
        minY = gfx2d_min(minY, ys[i]);
        maxY = gfx2d_max(maxY, ys[i]);
    }
    Edge edges[32];
    int n = 0;
    for (int32_t i = 0; i < count; i++) {
        int64_t xa = xs[i], ya = ys[i], xb = xs[(i + 1) % count], yb = ys[(i + 1) % count];
        if (ya == yb) continue;
        if (ya > yb) {
            int64_t t = xa;
            xa = xb;
            xb = t;
            t = ya;
            ya = yb;
            yb = t;
        }
        if (ya >= c.y1 || yb < c.y0) continue;
        Edge e = {xa, ya, xb, yb, 0, 0, 0, 0, false, false};
        if (ya < c.y0) {
            // both weights are non-negative and add up to yb - ya: no product reaches 2^63
            e.x = ((c.y0 - ya) * xb + (yb - c.y0) * xa) / (yb - ya);
            e.y = c.y0;
            e.running = true;
        }
        e.step = xb >= e.x ? 1 : -1;
        e.adx = xb >= e.x ? xb - e.x : e.x - xb;
        e.dy = yb - e.y;
        e.steep = e.dy >= e.adx;
        e.error = e.steep ? 2 * e.adx - e.dy : 2 * e.dy - e.adx;
        // kept sorted by top row; equal tops keep their order
        int j = n++;
        while (j > 0 && edges[j - 1].y > e.y) {
            edges[j] = edges[j - 1];
            j--;
        }
        edges[j] = e;
    }
    int64_t left = gfx2d_max(minX, c.x0), right = gfx2d_min(maxX + 1, c.x1);
    int64_t rowLimit = gfx2d_min(maxY + 1, c.y1);
    if (n == 0 || left >= right || gfx2d_max(minY, c.y0) >= rowLimit) return 0;
    int64_t first = edges[0].y;
    if (first >= rowLimit) return 0;
    for (int i = 0; i < n && edges[i].y == first; i++) edges[i].running = true;
    gfx2d_prepareTemplate(pixel, right - left + 1);
    for (int64_t line = first; line < rowLimit; line++) {
        int64_t crossings[32];
        int found = 0;
        bool stepped = false;
        for (int i = 0; i < n; i++) {
            Edge* e = &edges[i];
            if (e->running && e->y == line) {
                crossings[found++] = e->x;
            } else if (e->y > line) {
                break;
            }
            if (e->y == e->ybot && e->x == e->xbot) continue;
            e->running = true;
            if (walkEdgeRow(s, c, pixel, e)) stepped = true;
        }
        for (int i = 1; i < found; i++) {
            int64_t v = crossings[i];
            int j = i;
            for (; j > 0 && crossings[j - 1] > v; j--) crossings[j] = crossings[j - 1];
            crossings[j] = v;
        }
        for (int i = 0; i + 1 < found; i += 2) gfx2d_fillSpan(s, c, line, crossings[i], crossings[i + 1]);
        if (!stepped) break;
    }
    return 0;
}
