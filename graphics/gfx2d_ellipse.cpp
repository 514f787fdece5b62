// Rounded rectangles: four quarter-ellipse corners from the midpoint walk joined by
// straight edges, outlined (solid or dotted) or filled.
#include "graphics/gfx2d.h"
#include "graphics/gfx2d_raster.h"
#include "graphics/gfx2d_walk.h"

namespace {

// Plots the four corner points of each walk position; quadrants wholly outside the
// clip are culled once. The dotted outline draws or skips the four together.
struct CornerPen {
    MkSurface* s;
    Gfx2dClip c;
    uint16_t pixel;
    int64_t cL, cR, cT, cB;
    bool dotted, on;
    bool br, bl, tl, tr;

    void cull() {
        br = !(cR >= c.x1 || cB >= c.y1);
        bl = !(cL < c.x0 || cB >= c.y1);
        tl = !(cL < c.x0 || cT < c.y0);
        tr = !(cR >= c.x1 || cT < c.y0);
    }
    bool take() {
        bool draw = !dotted || on;
        on = !on;
        return draw;
    }
    void point(int64_t xr, int64_t yr) {
        if (!take()) return;
        if (br) gfx2d_plot(s, c, cR + xr, cB + yr, pixel);
        if (bl) gfx2d_plot(s, c, cL - xr, cB + yr, pixel);
        if (tl) gfx2d_plot(s, c, cL - xr, cT - yr, pixel);
        if (tr) gfx2d_plot(s, c, cR + xr, cT - yr, pixel);
    }
    void rowStep(int64_t, int64_t) {}
    void stepped(bool, int64_t, int64_t) {}
    // The dotted toggle runs on into the straight edges, so only the solid walk stops early.
    bool done(int64_t yr) const { return !dotted && cB + yr >= c.y1 && cT - yr < c.y0; }
    void column(int64_t x, int64_t from, int64_t to) {
        for (int64_t y = from; y <= to; y++)
            if (take()) gfx2d_plot(s, c, x, y, pixel);
    }
    void row(int64_t y, int64_t from, int64_t to) {
        for (int64_t x = from; x <= to; x++)
            if (take()) gfx2d_plot(s, c, x, y, pixel);
    }
};

int32_t roundRect(MkSurface* surface, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w, int32_t h,
                  int32_t arcW, int32_t arcH, bool dotted) {
    if (arcW < 1 || arcH < 1)
        return dotted ? gfx2d_drawRectDotted(surface, clip, pixel, x, y, w, h)
                      : gfx2d_drawRect(surface, clip, pixel, x, y, w, h);
    CornerPen pen = {};
    pen.s = gfx2d_target(surface);
    if (pen.s == nullptr) return -1;
    if (!gfx2d_clipOf(pen.s, clip, &pen.c)) return 0;
    const Gfx2dClip& c = pen.c;
    int64_t xe = (int64_t)x + w, ye = (int64_t)y + h;
    if (w < 0 || h < 0 || x >= c.x1 || xe < c.x0 || y >= c.y1 || ye < c.y0) return 0;
    if (arcW > w || arcH > h) return -1;
    int64_t a = arcW / 2, b = arcH / 2;
    pen.pixel = pixel;
    pen.cL = x + a;
    pen.cR = xe - a;
    pen.cT = y + b;
    pen.cB = ye - b;
    pen.dotted = dotted;
    pen.on = true;
    pen.cull();
    if (a <= GFX2D_WALK_LIMIT && b <= GFX2D_WALK_LIMIT) {
        int64_t yr = gfx2d_walkQuadrant(a, b, pen);
        // the row yr = b belongs to the straight edges, but one row is always plotted
        if (yr >= 0) do {
                pen.point(0, yr);
                yr++;
            } while (yr < b);
    }
    if (!dotted) {
        int64_t top = gfx2d_max(pen.cT, c.y0), bottom = gfx2d_min(pen.cB, c.y1 - 1);
        int64_t left = gfx2d_max(pen.cL, c.x0), right = pen.cR >= c.x1 ? c.x1 - 1 : pen.cR;
        if (x >= c.x0) pen.column(x, top, bottom);
        if (xe < c.x1) pen.column(xe, top, bottom);
        if (y >= c.y0) pen.row(y, left, right);
        if (ye < c.y1) pen.row(ye, left, right);
        return 0;
    }
    int64_t top = gfx2d_max(pen.cT + 1, c.y0), bottom = gfx2d_min(pen.cB - 1, c.y1 - 1);
    int64_t left = gfx2d_max(pen.cL + 1, c.x0), right = gfx2d_min(pen.cR - 1, c.x1 - 1);
    if (x >= c.x0) pen.column(x, top, bottom);
    if (xe < c.x1) pen.column(xe, top, bottom);
    if (y >= c.y0) pen.row(y, left, right);
    if (ye < c.y1) pen.row(ye, left, right);
    return 0;
}

// Fills the rows of the corners as the walk steps down them.
struct CornerFill {
    MkSurface* s;
    Gfx2dClip c;
    int64_t cL, cR, cT, cB;
    void fill(int64_t xr, int64_t yr) {
        gfx2d_fillSpan(s, c, cT - yr, cL - xr, cR + xr);
        gfx2d_fillSpan(s, c, cB + yr, cL - xr, cR + xr);
    }
    void point(int64_t, int64_t) {}
    void rowStep(int64_t xr, int64_t yr) { fill(xr, yr); }
    void stepped(bool, int64_t, int64_t) {}
    bool done(int64_t yr) const { return cB + yr >= c.y1 && cT - yr < c.y0; }
};

}  // namespace

int32_t gfx2d_drawRoundRect(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                            int32_t h, int32_t arcW, int32_t arcH) {
    return roundRect(s, clip, pixel, x, y, w, h, arcW, arcH, false);
}

int32_t gfx2d_drawRoundRectDotted(MkSurface* s, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                                  int32_t h, int32_t arcW, int32_t arcH) {
    return roundRect(s, clip, pixel, x, y, w, h, arcW, arcH, true);
}

int32_t gfx2d_fillRoundRect(MkSurface* surface, const MkClip* clip, uint16_t pixel, int32_t x, int32_t y, int32_t w,
                            int32_t h, int32_t arcW, int32_t arcH) {
    if (arcW < 2 || arcH < 2) return gfx2d_fillRect(surface, clip, pixel, x, y, w, h);
    CornerFill f = {};
    f.s = gfx2d_target(surface);
    if (f.s == nullptr) return -1;
    if (!gfx2d_clipOf(f.s, clip, &f.c)) return 0;
    const Gfx2dClip& c = f.c;
    int64_t xe = (int64_t)x + w - 1, ye = (int64_t)y + h - 1;
    if (w < 1 || h < 1 || x >= c.x1 || xe < c.x0 || y >= c.y1 || ye < c.y0) return 0;
    if (arcW > w || arcH > h) return -1;
    gfx2d_prepareTemplate(pixel, gfx2d_min((int64_t)c.x1 - c.x0, w));
    int64_t a = (arcW - 1) / 2, b = (arcH - 1) / 2;
    f.cL = x + a;
    f.cR = xe - a;
    f.cT = y + b;
    f.cB = ye - b;
    gfx2d_fillSpan(f.s, c, f.cT, x, xe);
    gfx2d_fillSpan(f.s, c, f.cB, x, xe);
    if (a <= GFX2D_WALK_LIMIT && b <= GFX2D_WALK_LIMIT) {
        int64_t yr = gfx2d_walkQuadrant(a, b, f);
        if (yr >= 0)
            while (yr < b) f.fill(0, ++yr);
    }
    int64_t top = gfx2d_max(f.cT + 1, c.y0), bottom = gfx2d_min(f.cB - 1, c.y1 - 1);
    for (int64_t row = top; row <= bottom; row++) gfx2d_fillSpan(f.s, c, row, x, xe);
    return 0;
}
