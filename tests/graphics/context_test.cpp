#include "graphics/gfx2d.h"
#include "graphics/mk_dialog.h"
#include "graphics/mk_graphics.h"
#include "graphics/mk_host.h"

#include "canvas.h"
#include "platform/bitmap_font.h"

#include <gtest/gtest.h>
#include <string.h>
#include <functional>

namespace {

class ContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, FontLayerStart(bitmap_font::renderer()));
        savedHooks = *mk_getHostHooks();
    }
    void TearDown() override {
        mk_setHostHooks(&savedHooks);
        MkFontFiniDefault();
        FontLayerStop();
    }
    MkHostHooks savedHooks;
};

TEST_F(ContextTest, ANewContextCoversItsSurfaceWithTheDefaults) {
    Canvas canvas(176, 208);
    MkGraphicsContext* ctx = MkGraphicsCreateContext(&canvas.surface);
    ASSERT_NE(MK_NO_CONTEXT, ctx);
    int32_t clip[4];
    MkGraphicsGetClip(ctx, clip);
    EXPECT_EQ((std::vector<int32_t>{0, 0, 176, 208}), std::vector<int32_t>(clip, clip + 4));
    EXPECT_EQ(0, MkFontGetLeading(ctx)) << "colour, read as word 5";
    EXPECT_EQ(0, MkFontGetAscent(ctx)) << "stroke style, read as word 6";
    EXPECT_EQ(p32Cell(FontGetDefaultRecord(0, 0, 0, 0)), MkFontGetDescent(ctx)) << "font, read as word 7";
    MkGraphicsSetColor(ctx, 0x12345678);
    MkGraphicsSetStrokeStyle(ctx, 1);
    EXPECT_EQ(0x12345678, MkFontGetLeading(ctx));
    EXPECT_EQ(1, MkFontGetAscent(ctx));
    MkGraphicsDestroyContext(ctx);

    MkFont* stored = MkFontInitDefault();
    EXPECT_EQ(FontGetDefaultRecord(0, 0, 0, 0), stored);
    ctx = MkGraphicsCreateContext(&canvas.surface);
    EXPECT_EQ(stored, ctx->font);
    MkGraphicsDestroyContext(ctx);
}

TEST_F(ContextTest, OutOfMemoryGivesNoContext) {
    MkHostHooks hooks = savedHooks;
    hooks.memAllocPointer = [](uint32_t) -> void* { return nullptr; };
    mk_setHostHooks(&hooks);
    Canvas canvas(4, 4);
    EXPECT_EQ(MK_NO_CONTEXT, MkGraphicsCreateContext(&canvas.surface));
}

TEST_F(ContextTest, ClipColourAndDisplayColour) {
    Canvas canvas(8, 8);
    MkGraphicsContext* ctx = MkGraphicsCreateContext(&canvas.surface);
    const int32_t in[4] = {-3, 70000, 70000, -70000};
    MkGraphicsSetClip(ctx, in);
    int32_t out[4];
    MkGraphicsGetClip(ctx, out);
    EXPECT_EQ((std::vector<int32_t>{-3, 4464, 4464, -4464}), std::vector<int32_t>(out, out + 4));
    EXPECT_EQ(0xFFFFu, MkGraphicsSetColor(ctx, 0xFFFFFFFF));
    EXPECT_EQ(0x0020u, MkGraphicsSetColor(ctx, 0x00070707)) << "alpha plays no part";
    struct Case {
        uint32_t rgb, shown;
    } colours[] = {{0x00070707, 0}, {0xFFFFFFFF, 0x00F8F8F8}, {0x00FFFFFF, 0x00F8F8F8}, {0x80123456, 0x00103050}};
    for (const auto& c : colours) EXPECT_EQ(c.shown, MkGraphicsGetDisplayColor(c.rgb)) << std::hex << c.rgb;
    MkGraphicsDestroyContext(ctx);
}

TEST_F(ContextTest, DrawingCallsPassTheContextStateToTheRasterizer) {
    const int32_t rect[4] = {2, 3, 9, 7};
    struct Case {
        const char* name;
        uint32_t stroke;
        std::function<int32_t(MkGraphicsContext*)> viaContext;
        std::function<int32_t(MkSurface*, const MkClip*, uint16_t)> direct;
    } cases[] = {
        {"line", 0, [](MkGraphicsContext* c) { return MkGraphicsDrawLine(c, 1, 1, 12, 9); },
         [](MkSurface* s, const MkClip* k, uint16_t p) { return gfx2d_drawLine(s, k, p, 1, 1, 12, 9); }},
        {"dotted line", 1, [](MkGraphicsContext* c) { return MkGraphicsDrawLine(c, 1, 1, 12, 9); },
         [](MkSurface* s, const MkClip* k, uint16_t p) { return gfx2d_drawLineDotted(s, k, p, 1, 1, 12, 9); }},
        {"dotted rect", 7, [&](MkGraphicsContext* c) { return MkGraphicsDrawRect(c, rect); },
         [](MkSurface* s, const MkClip* k, uint16_t p) { return gfx2d_drawRectDotted(s, k, p, 2, 3, 9, 7); }},
        {"fill rect ignores the stroke", 1, [&](MkGraphicsContext* c) { return MkGraphicsFillRect(c, rect); },
         [](MkSurface* s, const MkClip* k, uint16_t p) { return gfx2d_fillRect(s, k, p, 2, 3, 9, 7); }},
        {"dotted round rect", 1, [&](MkGraphicsContext* c) { return MkGraphicsDrawRoundRect(c, rect, 4, 4); },
         [](MkSurface* s, const MkClip* k, uint16_t p) {
             return gfx2d_drawRoundRectDotted(s, k, p, 2, 3, 9, 7, 4, 4);
         }},
        {"fill round rect", 0, [&](MkGraphicsContext* c) { return MkGraphicsFillRoundRect(c, rect, 4, 4); },
         [](MkSurface* s, const MkClip* k, uint16_t p) { return gfx2d_fillRoundRect(s, k, p, 2, 3, 9, 7, 4, 4); }},
        {"arc from 300 to 30 is 90 degrees", 0,
         [&](MkGraphicsContext* c) { return MkGraphicsDrawArc(c, rect, 300, 30); },
         [](MkSurface* s, const MkClip* k, uint16_t p) { return gfx2d_drawArc(s, k, p, 2, 3, 9, 7, 300, 90); }},
        {"dotted arc", 1, [&](MkGraphicsContext* c) { return MkGraphicsDrawArc(c, rect, 0, 270); },
         [](MkSurface* s, const MkClip* k, uint16_t p) { return gfx2d_drawArcDotted(s, k, p, 2, 3, 9, 7, 0, 270); }},
        {"filled arc", 0, [&](MkGraphicsContext* c) { return MkGraphicsFillArc(c, rect, 90, 0); },
         [](MkSurface* s, const MkClip* k, uint16_t p) { return gfx2d_fillArc(s, k, p, 2, 3, 9, 7, 90, 270); }},
        {"triangle", 0,
         [](MkGraphicsContext* c) {
             int32_t xs[] = {1, 12, 4}, ys[] = {0, 5, 11};
             return MkGraphicsFillTriangle(c, xs, ys, 3);
         },
         [](MkSurface* s, const MkClip* k, uint16_t p) {
             int32_t xs[] = {1, 12, 4}, ys[] = {0, 5, 11};
             return gfx2d_fillTriangle(s, k, p, xs, ys, 3);
         }},
    };
    const int32_t clip[4] = {1, 2, 10, 8};
    const MkClip rawClip = {1, 2, 10, 8};
    for (const auto& c : cases) {
        Canvas viaContext(14, 12), direct(14, 12);
        MkGraphicsContext* ctx = MkGraphicsCreateContext(&viaContext.surface);
        MkGraphicsSetClip(ctx, clip);
        uint16_t pixel = (uint16_t)MkGraphicsSetColor(ctx, 0xFF00FF00);
        MkGraphicsSetStrokeStyle(ctx, c.stroke);
        EXPECT_EQ(0, c.viaContext(ctx)) << c.name;
        c.direct(&direct.surface, &rawClip, pixel);
        EXPECT_EQ(direct.picture(), viaContext.picture()) << c.name;
        EXPECT_FALSE(direct.marked().empty()) << c.name;
        viaContext.surface.writable = 0;
        Canvas blank(14, 12);
        std::string before = viaContext.picture();
        EXPECT_EQ(-1, c.viaContext(ctx)) << c.name << " on a read-only surface";
        EXPECT_EQ(before, viaContext.picture()) << c.name;
        MkGraphicsDestroyContext(ctx);
    }
}

TEST_F(ContextTest, TextUsesTheContextFontColourAndClip) {
    Canvas viaContext(40, 20), direct(40, 20);
    MkGraphicsContext* ctx = MkGraphicsCreateContext(&viaContext.surface);
    const int32_t clip[4] = {0, 0, 9, 20};
    MkGraphicsSetClip(ctx, clip);
    MkGraphicsSetColor(ctx, 0xFFFF0000);
    const uint16_t text[] = {'O', 'K', 0x3042};
    EXPECT_EQ(0, MkGraphicsDrawChars(ctx, text, 3, 1, 2));
    MkClip raw = {0, 0, 9, 20};
    FontDrawChars(&direct.surface, &raw, FontGetDefaultRecord(0, 0, 0, 0), text, 3, 1, 2, 0xF820);
    EXPECT_EQ(direct.picture(), viaContext.picture());
    EXPECT_EQ(0xF820, viaContext.at(1, 4));
    MkGraphicsDestroyContext(ctx);
}

TEST_F(ContextTest, EveryFontRequestAnswersTheOneRecord) {
    MkFont* f = MkFontGetDefault(0);
    EXPECT_EQ(f, MkFontCreate(64, 0x21));
    EXPECT_EQ(f, MkFontCreate(32, 0x07));
    EXPECT_EQ(MkFontGetHeight(f), MkFontGetHeight(MkFontCreate(64, 0x35)));
    EXPECT_EQ(14, MkFontGetHeight(f));
    EXPECT_EQ(10, MkFontGetAscent(f));
    EXPECT_EQ(4, MkFontGetDescent(f));
    EXPECT_EQ(1, MkFontGetLeading(f));
    EXPECT_EQ(0, MkFontGetType(f));
    int32_t index[3] = {};
    MkFontInitIndex(index);
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3}), std::vector<int32_t>(index, index + 3));
    const uint16_t ab[] = {'A', 'B'};
    EXPECT_EQ(5, MkFontCharWidth(f, 'A'));
    EXPECT_EQ(8, MkFontCharsWidth(f, ab, 2));
    EXPECT_EQ(1, MkFontFitChars(f, ab, 2, 7));
}

TEST_F(ContextTest, HostCallsWithoutAHostDoTheLeast) {
    mk_setHostHooks(nullptr);
    MkVideoStartDraw();
    MkVideoEndDraw(1);
    EXPECT_EQ(1, MkDisplaySetFullScreenMode(1));
    EXPECT_EQ(0, MkGameCanvasGetKeyStates());
    static int boosts, refreshes;
    boosts = refreshes = 0;
    MkHostHooks hooks = {};
    hooks.threadBoostPriority = [] { boosts++; };
    hooks.threadDrawDone = [](int32_t refresh) { refreshes += refresh; };
    hooks.gameKeyStates = [] { return (int32_t)0x240; };
    mk_setHostHooks(&hooks);
    MkVideoStartDraw();
    MkVideoEndDraw(1);
    MkVideoEndDraw(0);
    EXPECT_EQ(1, boosts);
    EXPECT_EQ(1, refreshes);
    EXPECT_EQ(0x240, MkGameCanvasGetKeyStates());
}

}  // namespace
