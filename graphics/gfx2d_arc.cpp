// Elliptic arcs and pie sectors in whole degrees. The quadrant walk of the rounded
// rectangles draws the ellipse; the arc's start and end rays are traced alongside it
// by integer walks from the centre, and each quadrant is switched on or off where a
// ray meets the ellipse.
#include "graphics/gfx2d.h"
#include "graphics/gfx2d_raster.h"
#include "graphics/gfx2d_walk.h"

#include <stdlib.h>

namespace {

// sin(2k degrees) in 16.16 fixed point, k = 0..45
const int32_t kSineTable[46] = {0,     2287,  4572,  6850,  9121,  11380, 13626, 15855, 18064, 20252, 22415, 24550,
                                26656, 28729, 30767, 32768, 34729, 36647, 38521, 40347, 42125, 43852, 45525, 47143,
                                48703, 50203, 51643, 53020, 54332, 55578, 56756, 57865, 58903, 59870, 60764, 61584,
                                62328, 62997, 63589, 64103, 64540, 64898, 65176, 65376, 65496, 65536};

}  // namespace

int32_t gfx2d_sinDeg(int32_t degrees) {
    int64_t d = degrees;
    int64_t q = d / 360;
    if (d < 0)
        d += (1 - q) * 360;
    else if (d > 360)
        d -= q * 360;
    bool negative = d > 180;
    int64_t e = d;
    if (negative) e = d <= 270 ? d - 180 : 360 - d;
    if (e > 90) e = 180 - e;
    int32_t value = (e & 1) == 0 ? kSineTable[e / 2] : (kSineTable[(e - 1) / 2] + kSineTable[(e + 1) / 2]) >> 1;
    return negative ? -value : value;
}

namespace {

// The arc in screen angles (clockwise, 90 pointing down): start s in 0..359 and end
// e = s + extent, or the whole ellipse. False when the arc is empty.
struct ArcSpan {
    bool whole;
    int64_t s, e, extent;
};

bool arcSpanOf(int32_t startAngle, int32_t arcAngle, ArcSpan* out) {
    if (arcAngle == 0) return false;
    int64_t S = arcAngle > 0 ? -(int64_t)startAngle - arcAngle : -(int64_t)startAngle;
    int64_t E = arcAngle > 0 ? arcAngle : -(int64_t)arcAngle;
    out->whole = E >= 360;
    out->extent = E;
    if (!out->whole) {
        int64_t s = S % 360;
        if (s < 0) s += 360;
        out->s = s;
        out->e = s + E;
    }
    return true;
}

int quadrantOfStart(int64_t s) { return s < 90 ? 0 : s < 180 ? 1 : s < 270 ? 2 : 3; }
int quadrantOfEnd(int64_t e) { return e == 0 ? 3 : e <= 90 ? 0 : e <= 180 ? 1 : e <= 270 ? 2 : 3; }

// One ray from the centre of its quadrant outward, as a Bresenham walk with one step a row.
struct Ray {
    bool traced;
    int quadrant;
    int64_t col, dir, dx, dy, error;
    bool steep;
};

Ray rayOf(int64_t angle, int quadrant, int64_t a, int64_t b, int64_t cL, int64_t cR) {
    Ray r;
    r.quadrant = quadrant;
    bool right = quadrant == 0 || quadrant == 3;
    r.col = right ? cR : cL;
    r.dir = right ? 1 : -1;
    r.dx = (int64_t)abs(gfx2d_sinDeg((int32_t)(90 - angle))) * a;
    r.dy = (int64_t)abs(gfx2d_sinDeg((int32_t)angle)) * b;
    r.steep = r.dy >= r.dx;
    r.error = r.steep ? 2 * r.dx - r.dy : 2 * r.dy - r.dx;
    r.traced = true;
    return r;
}

// The outline: plots the quadrants that are on, moves the rays a row with each row of
// the walk and switches a quadrant where its ray meets the ellipse.
struct ArcPen {
    MkSurface* s;
    Gfx2dClip c;
    uint16_t pixel;
    int64_t cL, cR, cT, cB;
    bool dotted, on, whole;
    bool q[4];
    Ray rays[2];
    int rayCount;

    void point(int64_t xr, int64_t yr) {
        bool draw = !dotted || on;
        on = !on;
        if (!draw) return;
        if (whole || q[0]) gfx2d_plot(s, c, cR + xr, cB + yr, pixel);
        if (whole || q[1]) gfx2d_plot(s, c, cL - xr, cB + yr, pixel);
        if (whole || q[2]) gfx2d_plot(s, c, cL - xr, cT - yr, pixel);
        if (whole || q[3]) gfx2d_plot(s, c, cR + xr, cT - yr, pixel);
    }
    void rowStep(int64_t, int64_t) {}
    bool done(int64_t yr) const { return cB + yr >= c.y1 && cT - yr < c.y0; }

    void stepped(bool row, int64_t xr, int64_t) {
        int64_t left = cL - xr, right = cR + xr;
        for (int i = 0; i < rayCount; i++) {
            Ray& r = rays[i];
            if (!r.traced) continue;
            if (row) advance(r, left, right);
            if (r.col >= right || r.col <= left) {
                bool& state = q[r.quadrant];
                if (!state) {
                    state = true;
                    r.traced = false;
                } else if (r.col > right || r.col < left) {
                    state = false;
                    r.traced = false;
                }
            }
        }
    }

    void advance(Ray& r, int64_t left, int64_t right) {
        auto within = [&](int64_t col) { return col >= left && col <= right; };
        if (r.steep) {
            if (!within(r.col)) return;
            if (r.error >= 0) {
                r.col += r.dir;
                r.error += 2 * (r.dx - r.dy);
            } else {
                r.error += 2 * r.dx;
            }
            return;
        }
        while (within(r.col)) {
            r.col += r.dir;
            if (r.error <= 0) {
                r.error += 2 * r.dy;
            } else {
                r.error += 2 * (r.dy - r.dx);
                break;
            }
        }
        if (!q[r.quadrant])
            while (r.error <= 0 && within(r.col)) {
                r.col += r.dir;
                r.error += 2 * r.dy;
            }
    }
};

int32_t arcOutline(MkSurface* surface, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h,
                   int32_t startAngle, int32_t arcAngle, bool dotted) {
    if (w < 0 || h < 0) return 0;
    ArcPen pen = {};
    pen.s = gfx2d_target(surface);
    if (pen.s == nullptr) return -1;
    if (!gfx2d_clipOf(pen.s, clip, &pen.c)) return 0;
    const Gfx2dClip& c = pen.c;
    int64_t xe = (int64_t)x + w, ye = (int64_t)y + h;
    if (x >= c.x1 || xe < c.x0 || y >= c.y1 || ye < c.y0) return 0;
    ArcSpan span = {};
    if (!arcSpanOf(startAngle, arcAngle, &span)) return 0;
    int64_t a = w / 2, b = h / 2;
    if (a > GFX2D_WALK_LIMIT || b > GFX2D_WALK_LIMIT) return 0;
    pen.pixel = pixel;
    pen.cL = x + a;
    pen.cR = xe - a;
    pen.cT = y + b;
    pen.cB = ye - b;
    pen.dotted = dotted;
    pen.on = true;
    pen.whole = span.whole;
    if (!span.whole) {
        int64_t s = span.s, e = span.e;
        pen.q[0] = s == 0 || e > 360;
        pen.q[1] = (s < 180 && e >= 180) || e >= 540;
        pen.q[2] = (s <= 180 && e > 180) || e > 540;
        pen.q[3] = e >= 360;
        if (e >= 360) e -= 360;
        // a ray along the centre row (0 or 180 degrees) is not traced: the states hold
        Ray start = rayOf(s, quadrantOfStart(s), a, b, pen.cL, pen.cR);
        Ray end = rayOf(e, quadrantOfEnd(e), a, b, pen.cL, pen.cR);
        if (start.dy != 0) pen.rays[pen.rayCount++] = start;
        if (end.dy != 0) pen.rays[pen.rayCount++] = end;
    }
    int64_t yr = gfx2d_walkQuadrant(a, b, pen);
    if (yr >= 0)
        while (yr <= b && !pen.done(yr)) {
            pen.point(0, yr);
            yr++;
            pen.stepped(true, 0, yr);
        }
    return 0;
}

// The pie sector: how each half fills its rows, as up to two spans between the row's
// ends and the two rays.
enum Bound { LEFT_END, RIGHT_END, START_RAY, END_RAY };
struct HalfSpans {
    int count;
    Bound from[2], to[2];
};

struct SectorFill {
    MkSurface* s;
    Gfx2dClip c;
    uint16_t pixel;
    int64_t cL, cR, cT, cB;
    bool whole;
    HalfSpans lower, upper;
    Ray rays[2];  // start, end
    int64_t rayRow[2];

    int64_t boundOf(Bound b, int64_t left, int64_t right) const {
        if (b == LEFT_END) return left;
        if (b == RIGHT_END) return right;
        int64_t col = rays[b == START_RAY ? 0 : 1].col;
        return col < left ? left : col > right ? right : col;
    }
    // A ray that has left the ellipse past the span's other end leaves the span empty:
    // clamped, it would still draw that end pixel, a trail along the ellipse beyond the
    // sector.
    bool beyond(Bound b, bool pastRight, int64_t left, int64_t right) const {
        if (b != START_RAY && b != END_RAY) return false;
        int64_t col = rays[b == START_RAY ? 0 : 1].col;
        return pastRight ? col > right : col < left;
    }
    void fillHalf(const HalfSpans& h, int64_t row, int64_t left, int64_t right) {
        for (int i = 0; i < h.count; i++) {
            if (beyond(h.from[i], true, left, right) || beyond(h.to[i], false, left, right)) continue;
            gfx2d_fillSpan(s, c, row, boundOf(h.from[i], left, right), boundOf(h.to[i], left, right));
        }
    }
    // Writes a ray's pixels on its current row and moves it to the next.
    void trace(Ray& r, int64_t& k, int64_t left, int64_t right) {
        int64_t row = r.quadrant <= 1 ? cB + k : cT - k;
        auto within = [&](int64_t col) { return col >= left && col <= right; };
        auto write = [&](int64_t col) {
            if (within(col)) gfx2d_plot(s, c, col, row, pixel);
        };
        if (r.steep) {
            write(r.col);
            if (r.error >= 0) {
                r.col += r.dir;
                r.error += 2 * (r.dx - r.dy);
            } else {
                r.error += 2 * r.dx;
            }
        } else {
            for (;;) {
                write(r.col);
                r.col += r.dir;
                if (r.error > 0) {
                    r.error += 2 * (r.dy - r.dx);
                    break;
                }
                r.error += 2 * r.dy;
                if (!within(r.col)) break;
            }
        }
        k++;
    }
    void fillRows(int64_t xr, int64_t yr) {
        int64_t left = cL - xr, right = cR + xr;
        if (whole) {
            gfx2d_fillSpan(s, c, cT - yr, left, right);
            gfx2d_fillSpan(s, c, cB + yr, left, right);
            return;
        }
        for (int i = 0; i < 2; i++) trace(rays[i], rayRow[i], left, right);
        fillHalf(upper, cT - yr, left, right);
        fillHalf(lower, cB + yr, left, right);
    }
    void point(int64_t, int64_t) {}
    void rowStep(int64_t xr, int64_t yr) { fillRows(xr, yr); }
    void stepped(bool, int64_t, int64_t) {}
    bool done(int64_t yr) const { return cB + yr >= c.y1 && cT - yr < c.y0; }
};

void setSpans(HalfSpans* h, int count, Bound f0, Bound t0, Bound f1 = LEFT_END, Bound t1 = LEFT_END) {
    *h = {count, {f0, f1}, {t0, t1}};
}

}  // namespace

int32_t gfx2d_drawArc(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h,
                      int32_t startAngle, int32_t arcAngle) {
    return arcOutline(s, clip, pixel, x, y, w, h, startAngle, arcAngle, false);
}

int32_t gfx2d_drawArcDotted(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                            int32_t h, int32_t startAngle, int32_t arcAngle) {
    return arcOutline(s, clip, pixel, x, y, w, h, startAngle, arcAngle, true);
}

int32_t gfx2d_fillArc(MkSurface* surface, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                      int32_t h, int32_t startAngle, int32_t arcAngle) {
    if (w < 1 || h < 1) return 0;
    SectorFill f = {};
    f.s = gfx2d_target(surface);
    if (f.s == nullptr) return -1;
    if (!gfx2d_clipOf(f.s, clip, &f.c)) return 0;
    const Gfx2dClip& c = f.c;
    int64_t xe = (int64_t)x + w - 1, ye = (int64_t)y + h - 1;
    if (x >= c.x1 || xe < c.x0 || y >= c.y1 || ye < c.y0) return 0;
    ArcSpan span = {};
    if (!arcSpanOf(startAngle, arcAngle, &span)) return 0;
    int64_t a = (w - 1) / 2, b = (h - 1) / 2;
    if (a > GFX2D_WALK_LIMIT || b > GFX2D_WALK_LIMIT) return 0;
    gfx2d_prepareTemplate(pixel, gfx2d_min((int64_t)c.x1 - c.x0 + 1, w));
    f.pixel = pixel;
    f.cL = x + a;
    f.cR = xe - a;
    f.cT = y + b;
    f.cB = ye - b;
    f.whole = span.whole;
    if (span.whole) {
        gfx2d_fillSpan(f.s, c, f.cT, x, xe);
        gfx2d_fillSpan(f.s, c, f.cB, x, xe);
    } else {
        int64_t s = span.s, e = span.e >= 360 ? span.e - 360 : span.e, E = span.extent;
        f.rays[0] = rayOf(s, quadrantOfStart(s), a, b, f.cL, f.cR);
        f.rays[1] = rayOf(e, quadrantOfEnd(e), a, b, f.cL, f.cR);
        if (s < 180) {
            if (e <= 180 && E <= 180) {
                setSpans(&f.lower, 1, END_RAY, START_RAY);
                setSpans(&f.upper, 0, LEFT_END, LEFT_END);
            } else if (e <= 180) {
                setSpans(&f.lower, 2, LEFT_END, START_RAY, END_RAY, RIGHT_END);
                setSpans(&f.upper, 1, LEFT_END, RIGHT_END);
            } else {
                setSpans(&f.lower, 1, LEFT_END, START_RAY);
                setSpans(&f.upper, 1, LEFT_END, END_RAY);
            }
        } else if (e > 0 && e < 180) {
            setSpans(&f.lower, 1, END_RAY, RIGHT_END);
            setSpans(&f.upper, 1, START_RAY, RIGHT_END);
        } else if (E > 180) {
            setSpans(&f.lower, 1, LEFT_END, RIGHT_END);
            setSpans(&f.upper, 2, START_RAY, RIGHT_END, LEFT_END, END_RAY);
        } else {
            setSpans(&f.lower, 0, LEFT_END, LEFT_END);
            setSpans(&f.upper, 1, START_RAY, END_RAY);
        }
        f.fillHalf(f.upper, f.cT, x, xe);
        f.fillHalf(f.lower, f.cB, x, xe);
    }
    int64_t yr = gfx2d_walkQuadrant(a, b, f);
    if (yr >= 0)
        while (yr < b && !f.done(yr)) f.fillRows(0, ++yr);
    return 0;
}
