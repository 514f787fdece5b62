// The midpoint walk over a quarter ellipse shared by rounded rectangles and arcs. It
// starts at the horizontal extreme (xr = a, yr = 0) and ends where xr reaches 0; the
// callers finish the rows up to b themselves. The error terms are 64-bit: 32 bits
// overflow from a semi-axis of about 716.
#pragma once

#include <stdint.h>

// Largest semi-axis the 64-bit terms hold: 4*b*b*a and its sums stay below 2^62. A
// larger curve (a box over a million pixels wide) is not walked: its corners or its arc
// are left out rather than drawn from overflowed terms.
const int64_t GFX2D_WALK_LIMIT = (int64_t)1 << 19;

// Calls v.point(xr, yr) at each position, v.rowStep(xr, yr) after each step of yr (with
// the x step of that iteration done) and v.stepped(isRowStep) after every iteration;
// stops early once v.done(yr) says no later row can be seen. Returns the final yr (xr is 0).
template <class Visitor>
int64_t gfx2d_walkQuadrant(int64_t a, int64_t b, Visitor& v) {
    const int64_t A = a * a, B = b * b;
    int64_t t = 4 * B * a, u = 0;
    int64_t d1 = (B >> 1) - (t >> 1) + 2 * A;
    int64_t d2 = 2 * B + (A >> 1) - t;
    int64_t xr = a, yr = 0;
    while (d2 < 0) {
        if (v.done(yr)) return -1;
        v.point(xr, yr);
        yr += 1;
        u += 4 * A;
        if (d1 < 0) {
            d1 += u + 2 * A;
            d2 += u;
        } else {
            t -= 4 * B;
            xr -= 1;
            d1 += u - t + 2 * A;
            d2 += u - t + 2 * B;
        }
        v.rowStep(xr, yr);
        v.stepped(true, xr, yr);
    }
    while (xr > 0) {
        if (v.done(yr)) return -1;
        v.point(xr, yr);
        xr -= 1;
        t -= 4 * B;
        // a flat quadrant (b = 0) never steps below its centre row
        bool row = d2 <= 0 && yr < b;
        if (row) {
            yr += 1;
            u += 4 * A;
            d2 += u - t + 2 * B;
            v.rowStep(xr, yr);
        } else {
            d2 += 2 * B - t;
        }
        v.stepped(row, xr, yr);
    }
    return yr;
}
