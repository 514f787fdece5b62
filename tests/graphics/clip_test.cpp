// Clipping at every edge: for the primitives whose pixels do not depend on the clip,
// a clipped call writes exactly the unclipped pixels that lie inside the clip.
#include "graphics/gfx2d.h"

#include "canvas.h"
#include "support/lowmem_fixture.h"

#include <gtest/gtest.h>
#include <functional>

namespace {

typedef std::function<int32_t(MkSurface*, const MkClip*)> Draw;

TEST(Clip, EveryEdgeCutsTheShapeAndNothingElse) {
    LowVector<uint16_t> spritePixels(9 * 7);
    for (size_t i = 0; i < spritePixels.size(); i++) spritePixels[i] = (uint16_t)(0x0841 * i | (i % 4 ? 0x20 : 0));
    MkSurface sprite = {spritePixels.data(), 9, 7, 1, 0};
    const uint16_t p = 0xFFFF;
    struct Case {
        const char* name;
        Draw draw;
    } cases[] = {
        {"outline", [&](MkSurface* s, const MkClip* c) { return gfx2d_drawRect(s, c, p, 3, 2, 20, 14); }},
        {"fill", [&](MkSurface* s, const MkClip* c) { return gfx2d_fillRect(s, c, p, 3, 2, 20, 14); }},
        {"round outline",
         [&](MkSurface* s, const MkClip* c) { return gfx2d_drawRoundRect(s, c, p, 3, 2, 20, 14, 9, 7); }},
        {"round fill", [&](MkSurface* s, const MkClip* c) { return gfx2d_fillRoundRect(s, c, p, 3, 2, 20, 14, 9, 7); }},
        {"arc", [&](MkSurface* s, const MkClip* c) { return gfx2d_drawArc(s, c, p, 3, 2, 20, 14, 20, 250); }},
        {"dotted arc",
         [&](MkSurface* s, const MkClip* c) { return gfx2d_drawArcDotted(s, c, p, 3, 2, 20, 14, 0, 360); }},
        {"ellipse", [&](MkSurface* s, const MkClip* c) { return gfx2d_fillArc(s, c, p, 3, 2, 20, 14, 0, 360); }},
        {"sector", [&](MkSurface* s, const MkClip* c) { return gfx2d_fillArc(s, c, p, 3, 2, 20, 14, 100, -230); }},
        {"image", [&](MkSurface* s, const MkClip* c) { return gfx2d_drawImage(s, c, 8, 6, &sprite); }},
        {"rotated image",
         [&](MkSurface* s, const MkClip* c) { return gfx2d_drawImageRegion(s, c, 8, 6, &sprite, 1, 1, 8, 6, 7); }},
        {"horizontal line", [&](MkSurface* s, const MkClip* c) { return gfx2d_drawLine(s, c, p, 1, 9, 24, 9); }},
        {"vertical line", [&](MkSurface* s, const MkClip* c) { return gfx2d_drawLine(s, c, p, 12, 0, 12, 17); }},
    };
    const struct {
        const char* name;
        MkClip clip;
    } clips[] = {{"left", {7, 0, 40, 40}},   {"right", {0, 0, 14, 40}},   {"top", {0, 6, 40, 40}},
                 {"bottom", {0, 0, 40, 11}}, {"all four", {6, 5, 12, 8}}, {"a corner", {15, 10, 40, 40}}};
    for (const auto& c : cases) {
        Canvas whole(26, 18);
        ASSERT_EQ(0, c.draw(&whole.surface, nullptr)) << c.name;
        for (const auto& k : clips) {
            Canvas cut(26, 18);
            ASSERT_EQ(0, c.draw(&cut.surface, &k.clip)) << c.name;
            for (int y = 0; y < 18; y++)
                for (int x = 0; x < 26; x++) {
                    bool inside =
                        x >= k.clip.x && x < k.clip.x + k.clip.width && y >= k.clip.y && y < k.clip.y + k.clip.height;
                    ASSERT_EQ(inside ? whole.at(x, y) : 0, cut.at(x, y))
                        << c.name << " clipped at " << k.name << " (" << x << "," << y << ")\n"
                        << cut.picture();
                }
        }
    }
}

}  // namespace
