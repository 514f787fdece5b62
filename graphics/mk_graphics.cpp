// Graphics contexts: their state and the calls that hand it to the rasterizer and the
// font layer.
#include "graphics/mk_graphics.h"

#include "graphics/gfx2d.h"
#include "graphics/mk_dialog.h"
#include "graphics/mk_host.h"
#include "platform/lowmem.h"
#include "platform/trace.h"
#include "platform/vmsections.h"

static VMBSS MkFont* storedDefaultFont;

// Contexts, surfaces and layer records have their addresses kept in Java ints: low memory.
void* mk_allocPointer(uint32_t size) {
    const MkHostHooks* h = mk_getHostHooks();
    return h->memAllocPointer != nullptr ? h->memAllocPointer(size) : lowCalloc(1, size);
}

void mk_freePointer(void* block) {
    const MkHostHooks* h = mk_getHostHooks();
    if (h->memAllocPointer != nullptr) {
        if (h->memFreePointer != nullptr) h->memFreePointer(block);
    } else {
        lowFree(block);
    }
}

void mk_traceOutOfMemory(const char* source, const char* message) {
    if (!TraceIsEnabled(3, source, "assert")) return;
    MkTracePrint(source);
    TraceFlush();
    MkTracePrint(message);
}

MkGraphicsContext* MkGraphicsCreateContext(MkSurface* surface) {
    MkGraphicsContext* ctx = (MkGraphicsContext*)mk_allocPointer(sizeof(MkGraphicsContext));
    if (ctx == nullptr) {
        mk_traceOutOfMemory("mk_gfx_video", "MkGraphicsCreateContext Fail (OutOfMemory)");
        return MK_NO_CONTEXT;
    }
    ctx->surface = surface;
    ctx->clip = {0, 0, (int16_t)surface->width, (int16_t)surface->height};
    ctx->font = storedDefaultFont != nullptr ? storedDefaultFont : FontGetDefaultRecord(0, 0, 0, 0);
    return ctx;
}

void MkGraphicsDestroyContext(MkGraphicsContext* ctx) {
    if (ctx != nullptr && ctx != MK_NO_CONTEXT) mk_freePointer(ctx);
}

void MkGraphicsSetFont(MkGraphicsContext* ctx, MkFont* font) { ctx->font = font; }

uint32_t MkGraphicsSetColor(MkGraphicsContext* ctx, uint32_t argb) {
    ctx->color = argb;
    ctx->pixel = gfx2d_argbToPixel(argb, 0);
    return ctx->pixel;
}

void MkGraphicsSetStrokeStyle(MkGraphicsContext* ctx, uint32_t style) { ctx->strokeStyle = style; }

void MkGraphicsGetClip(const MkGraphicsContext* ctx, int32_t out[4]) {
    out[0] = ctx->clip.x;
    out[1] = ctx->clip.y;
    out[2] = ctx->clip.width;
    out[3] = ctx->clip.height;
}

void MkGraphicsSetClip(MkGraphicsContext* ctx, const int32_t in[4]) {
    ctx->clip = {(int16_t)in[0], (int16_t)in[1], (int16_t)in[2], (int16_t)in[3]};
}

uint32_t MkGraphicsGetDisplayColor(uint32_t rgb) { return rgb & 0x00F8F8F8u; }

static inline uint16_t pixelOf(const MkGraphicsContext* ctx) { return (uint16_t)ctx->pixel; }

int32_t MkGraphicsDrawLine(MkGraphicsContext* ctx, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    auto draw = ctx->strokeStyle != 0 ? gfx2d_drawLineDotted : gfx2d_drawLine;
    return draw(ctx->surface, &ctx->clip, pixelOf(ctx), x1, y1, x2, y2);
}

int32_t MkGraphicsDrawRect(MkGraphicsContext* ctx, const int32_t r[4]) {
    auto draw = ctx->strokeStyle != 0 ? gfx2d_drawRectDotted : gfx2d_drawRect;
    return draw(ctx->surface, &ctx->clip, pixelOf(ctx), r[0], r[1], r[2], r[3]);
}

int32_t MkGraphicsFillRect(MkGraphicsContext* ctx, const int32_t r[4]) {
    return gfx2d_fillRect(ctx->surface, &ctx->clip, pixelOf(ctx), r[0], r[1], r[2], r[3]);
}

int32_t MkGraphicsDrawRoundRect(MkGraphicsContext* ctx, const int32_t r[4], int32_t arcW, int32_t arcH) {
    auto draw = ctx->strokeStyle != 0 ? gfx2d_drawRoundRectDotted : gfx2d_drawRoundRect;
    return draw(ctx->surface, &ctx->clip, pixelOf(ctx), r[0], r[1], r[2], r[3], arcW, arcH);
}

int32_t MkGraphicsFillRoundRect(MkGraphicsContext* ctx, const int32_t r[4], int32_t arcW, int32_t arcH) {
    return gfx2d_fillRoundRect(ctx->surface, &ctx->clip, pixelOf(ctx), r[0], r[1], r[2], r[3], arcW, arcH);
}

// The arc from start to end, made non-negative.
static int32_t arcOf(int32_t startAngle, int32_t endAngle) {
    int32_t arc = endAngle - startAngle;
    return arc < 0 ? arc + 360 : arc;
}

int32_t MkGraphicsDrawArc(MkGraphicsContext* ctx, const int32_t r[4], int32_t startAngle, int32_t endAngle) {
    auto draw = ctx->strokeStyle != 0 ? gfx2d_drawArcDotted : gfx2d_drawArc;
    return draw(ctx->surface, &ctx->clip, pixelOf(ctx), r[0], r[1], r[2], r[3], startAngle,
                arcOf(startAngle, endAngle));
}

int32_t MkGraphicsFillArc(MkGraphicsContext* ctx, const int32_t r[4], int32_t startAngle, int32_t endAngle) {
    return gfx2d_fillArc(ctx->surface, &ctx->clip, pixelOf(ctx), r[0], r[1], r[2], r[3], startAngle,
                         arcOf(startAngle, endAngle));
}

int32_t MkGraphicsFillTriangle(MkGraphicsContext* ctx, const int32_t* xs, const int32_t* ys, int32_t count) {
    return gfx2d_fillTriangle(ctx->surface, &ctx->clip, pixelOf(ctx), xs, ys, count);
}

int32_t MkGraphicsDrawChars(MkGraphicsContext* ctx, const uint16_t* chars, int32_t count, int32_t x, int32_t y) {
    return FontDrawChars(ctx->surface, &ctx->clip, ctx->font, chars, count, x, y, pixelOf(ctx));
}

MkFont* MkFontInitDefault(void) {
    storedDefaultFont = FontGetDefaultRecord(0, 0, 0, 0);
    return storedDefaultFont;
}

void MkFontFiniDefault(void) { storedDefaultFont = nullptr; }

MkFont* MkFontGetDefault(int32_t face) { return FontGetDefaultRecord(face, 0, 0, 0); }

MkFont* MkFontCreate(int32_t face, int32_t packed) {
    return FontGetDefaultRecord(face, packed & 0xF, (packed >> 4) & 0xF, 0);
}

void MkFontInitIndex(int32_t out[3]) {
    out[0] = 1;
    out[1] = 2;
    out[2] = 3;
}

int32_t MkFontGetType(const MkFont* font) { return font->face | font->style; }

// A program without a font layer has no default font: its measures are 0.
static inline int32_t word(const void* record, int n) {
    return record != nullptr ? ((const int32_t*)record)[n - 1] : 0;
}
int32_t MkFontGetLeading(const void* record) { return word(record, 5); }
int32_t MkFontGetAscent(const void* record) { return word(record, 6); }
int32_t MkFontGetDescent(const void* record) { return word(record, 7); }
int32_t MkFontGetHeight(const void* record) { return word(record, 8); }

int32_t MkFontCharWidth(const MkFont* font, uint16_t ch) { return FontMeasureChars(font, &ch, 1); }

int32_t MkFontCharsWidth(const MkFont* font, const uint16_t* chars, int32_t count) {
    return FontMeasureChars(font, chars, count);
}

int32_t MkFontFitChars(const MkFont* font, const uint16_t* chars, int32_t count, int32_t width) {
    return FontFitChars(font, chars, count, width);
}

void MkVideoStartDraw(void) {
    const MkHostHooks* h = mk_getHostHooks();
    if (h->threadBoostPriority != nullptr) h->threadBoostPriority();
}

void MkVideoEndDraw(int32_t refresh) {
    const MkHostHooks* h = mk_getHostHooks();
    if (h->threadDrawDone != nullptr) h->threadDrawDone(refresh);
}

int32_t MkDisplaySetFullScreenMode(int32_t mode) {
    const MkHostHooks* h = mk_getHostHooks();
    return h->displaySetFullScreenMode != nullptr ? h->displaySetFullScreenMode(mode) : 1;
}

int32_t MkGameCanvasGetKeyStates(void) {
    const MkHostHooks* h = mk_getHostHooks();
    return h->gameKeyStates != nullptr ? h->gameKeyStates() : 0;
}
