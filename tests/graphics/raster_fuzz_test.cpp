// Random primitives with coordinates and sizes from the whole int range: nothing may be
// written outside the clip cut to the surface. Run under AddressSanitizer as well, which
// also catches a write past the canvas's guard cells.
#include "graphics/gfx2d.h"

#include "canvas.h"
#include "platform/bitmap_font.h"
#include "support/lowmem_fixture.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <random>

namespace {

const uint16_t kBackground = 0x0001, kInk = 0xFFFF;

class Coordinates {
public:
    explicit Coordinates(uint32_t start) : rng_(start) {}
    // Anything from the int range, near the surface, moderately far, or an extreme.
    int32_t any() {
        switch (rng_() % 6) {
            case 0:
                return (int32_t)rng_();
            case 1:
                return (int32_t)(rng_() % 160) - 60;
            case 2:
                return (int32_t)(rng_() % 1400001) - 700000;
            case 3: {
                static const int32_t extremes[] = {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1, 0, -1, 1, 32767, -32768};
                return extremes[rng_() % 9];
            }
            case 4:
                return (int32_t)(rng_() % 4000) - 2000;
            default:
                return (int32_t)(rng_() % 60) - 10;
        }
    }
    // A width or height: mostly small, else anything.
    int32_t size() { return rng_() % 2 ? (int32_t)(rng_() % 50) : any(); }
    int32_t below(int32_t n) { return (int32_t)(rng_() % (uint32_t)n); }
    MkClip clip() {
        return {(int16_t)(below(60) - 20), (int16_t)(below(50) - 15), (int16_t)(below(70) - 5),
                (int16_t)(below(60) - 5)};
    }

private:
    std::mt19937 rng_;
};

// What the primitive may touch: the clip (or the surface) cut to the surface.
bool allowed(const MkClip* clip, int x, int y) {
    if (clip == nullptr) return true;
    return x >= clip->x && x < clip->x + clip->width && y >= clip->y && y < clip->y + clip->height;
}

TEST(RasterFuzz, NoPrimitiveWritesOutsideTheClip) {
    ASSERT_EQ(0, FontLayerStart(bitmap_font::renderer()));
    Coordinates r(20260812);
    LowVector<uint16_t> spritePixels(7 * 5);
    for (size_t i = 0; i < spritePixels.size(); i++) spritePixels[i] = (uint16_t)(i * 0x0841 | (i & 1 ? 0x20 : 0));
    MkSurface sprite = {spritePixels.data(), 7, 5, 1, 0};
    std::vector<uint32_t> argb(7 * 5);
    for (size_t i = 0; i < argb.size(); i++) argb[i] = (uint32_t)(i * 0x07050301u);
    const uint16_t text[] = {'A', 'g', ' ', 0x3042, '\n', 'Z'};
    int drawn[17] = {};
    for (int round = 0; round < 30000; round++) {
        Canvas canvas(40, 30, kBackground);
        MkClip clipRecord = r.clip();
        const MkClip* clip = r.below(2) == 0 ? nullptr : &clipRecord;
        MkSurface* s = &canvas.surface;
        int kind = round % 17;
        // most rounds lie near the surface, one value of them often from anywhere in the
        // int range; the others draw every value from anywhere
        bool near = r.below(10) < 6;
        bool sized = kind >= 2 && kind <= 11;
        auto pick = [&](bool isSize) {
            return !near ? (isSize ? r.size() : r.any()) : isSize ? r.below(50) : r.below(80) - 20;
        };
        int32_t v[6] = {pick(false), pick(false), pick(sized), pick(sized), pick(false), pick(false)};
        if (near && r.below(10) < 3) v[r.below(6)] = r.any();
        const int32_t a = v[0], b = v[1], c = v[2], d = v[3], e = v[4], f = v[5];
        switch (kind) {
            case 0:
                gfx2d_drawLine(s, clip, kInk, a, b, c, d);
                break;
            case 1:
                gfx2d_drawLineDotted(s, clip, kInk, a, b, c, d);
                break;
            case 2:
                gfx2d_drawRect(s, clip, kInk, a, b, c, d);
                break;
            case 3:
                gfx2d_drawRectDotted(s, clip, kInk, a, b, c, d);
                break;
            case 4:
                gfx2d_fillRect(s, clip, kInk, a, b, c, d);
                break;
            case 5: {
                int32_t xs[5] = {a, c, e, r.any(), r.any()}, ys[5] = {b, d, f, r.any(), r.any()};
                gfx2d_fillTriangle(s, clip, kInk, xs, ys, 3 + r.below(3));
                break;
            }
            case 6:
                gfx2d_drawRoundRect(s, clip, kInk, a, b, c, d, r.below(2) ? e : r.below(40),
                                    r.below(2) ? f : r.below(40));
                break;
            case 7:
                gfx2d_drawRoundRectDotted(s, clip, kInk, a, b, c, d, r.below(40), r.below(40));
                break;
            case 8:
                gfx2d_fillRoundRect(s, clip, kInk, a, b, c, d, r.below(2) ? e : r.below(40),
                                    r.below(2) ? f : r.below(40));
                break;
            case 9:
                gfx2d_drawArc(s, clip, kInk, a, b, c, d, e, f);
                break;
            case 10:
                gfx2d_drawArcDotted(s, clip, kInk, a, b, c, d, r.below(720) - 360, r.below(800) - 400);
                break;
            case 11:
                gfx2d_fillArc(s, clip, kInk, a, b, c, d, r.below(2) ? e : r.below(720) - 360,
                              r.below(2) ? f : r.below(800) - 400);
                break;
            case 12:
                gfx2d_drawImage(s, clip, a, b, &sprite);
                break;
            case 13:
            case 14: {
                // mostly a region inside the 7 x 5 source, sometimes anything
                bool wild = r.below(4) == 0;
                int32_t sx = wild ? r.any() : r.below(7), sy = wild ? r.any() : r.below(5);
                int32_t sw = wild ? r.any() : r.below(8 - sx), sh = wild ? r.any() : r.below(6 - sy);
                if (kind == 13) {
                    gfx2d_drawImageRegion(s, clip, a, b, &sprite, sx, sy, sw, sh, r.below(8));
                } else {
                    Gfx2dArgbSource src = {argb.data(), 7, 5, r.below(2) ? 2u : 0u};
                    gfx2d_drawArgbRegion(s, clip, a, b, &src, sx, sy, sw, sh, r.below(8));
                }
                break;
            }
            case 15:
                gfx2d_argbToSurface(s, clip, a, b, argb.data(), r.below(8), r.below(6), r.below(2));
                break;
            case 16:
                FontDrawChars(s, clip, FontGetDefaultRecord(0, 0, 0, 0), text, 6, a, b, kInk);
                break;
        }
        ASSERT_TRUE(canvas.guardsIntact()) << "kind " << kind << " round " << round;
        bool wrote = false;
        for (int y = 0; y < 30; y++)
            for (int x = 0; x < 40; x++) {
                wrote |= canvas.at(x, y) != kBackground;
                if (!allowed(clip, x, y)) {
                    ASSERT_EQ(kBackground, canvas.at(x, y))
                        << "kind " << kind << " round " << round << " wrote (" << x << "," << y << ") with " << a << " "
                        << b << " " << c << " " << d << " " << e << " " << f;
                }
            }
        drawn[kind] += wrote;
    }
    // the inputs reach the writers of every primitive, not only its refusals
    for (int kind = 0; kind < 17; kind++) EXPECT_GT(drawn[kind], 30) << "kind " << kind;
    FontLayerStop();
}

}  // namespace
