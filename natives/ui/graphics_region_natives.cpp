// Graphics natives that move blocks of pixels: a transformed region of an image, an ARGB
// array, an area of the image drawn into. Each checks everything first, then confines
// one drawing of a whole source with a temporary device clip and restores the clip.
#include "graphics/mk_image.h"
#include "natives/lib/nativestack.h"
#include "natives/ui/graphics_natives.h"
#include "natives/ui/peers.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/services/memory.h"

static const GraphicsFieldIndex& F = GraphicsFields;

static inline int32_t field(OBJECT o, int32_t index) { return getIntFieldByIndex(o, index); }

// Narrows t by the saved clip and then by the upper clip, and sets it; the saved clip
// is what the caller restores.
static void setTemporaryClip(MkGraphicsContext* ctx, OBJECT g, GfxRect t, const GfxRect& saved, int32_t width,
                             int32_t height) {
    graphicsNarrowClip(&t, saved, width, height);
    graphicsNarrowClip(&t, graphicsUpperClip(g), width, height);
    MkGraphicsSetClip(ctx, &t.x);
}

static GfxRect savedClip(MkGraphicsContext* ctx) {
    GfxRect s;
    MkGraphicsGetClip(ctx, &s.x);
    return s;
}

void Java_javax_microedition_lcdui_Graphics_drawRegion() {
    int32_t anchor = popInt(), yd = popInt(), xd = popInt(), transform = popInt();
    int32_t h = popInt(), w = popInt(), ys = popInt(), xs = popInt();
    OBJECT src = popObject();
    OBJECT g = popObject();
    if (src == nullptr) raiseException(NullPointerException);
    int32_t surface = field(src, F.imageId);
    bool offScreen = field(src, F.imageOffScreen) != 0;
    int32_t sw = field(src, F.imageWidth), sh = field(src, F.imageHeight);
    if (surface == 0 || surface == -1) raiseException(NullPointerException);
    if (surface == field(g, F.idScreen)) raiseException(IllegalArgumentExceptionName);
    if (!graphicsCheckAnchor(anchor, true)) raiseException(IllegalArgumentExceptionName);
    if (!graphicsCheckTransform(transform)) raiseException(IllegalArgumentExceptionName);
    int32_t screen = field(g, F.idScreen);
    int32_t dw = field(g, F.width), dh = field(g, F.height);
    if (screen != 0) {
        dw = MkGraphicsGetWidth(peerAt<const MkSurface>(screen));
        dh = MkGraphicsGetHeight(peerAt<const MkSurface>(screen));
    }
    xd += field(g, F.originX);
    yd += field(g, F.originY);
    if (w < 0 || h < 0) raiseException(IllegalArgumentExceptionName);
    if (w == 0 || h == 0) return;
    if (xs < 0 || ys < 0 || w > sw - xs || h > sh - ys) raiseException(IllegalArgumentExceptionName);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;

    const GfxRect saved = savedClip(ctx);
    bool swaps = transform >= 4;
    int32_t destW = swaps ? h : w, destH = swaps ? w : h;
    xd += graphicsAnchorOffsetX(anchor, destW);
    yd += graphicsImageAnchorOffsetY(anchor, destH);
    setTemporaryClip(ctx, g, {xd, yd, destW, destH}, saved, dw, dh);

    // from the region's corner to the corner of the whole transformed image
    int32_t x, y;
    switch (transform) {
        case 0:
            x = xd - xs;
            y = yd - ys;
            break;
        case 1:
            x = xd - xs;
            y = yd + h + ys - sh;
            break;
        case 2:
            x = xd + w + xs - sw;
            y = yd - ys;
            break;
        case 3:
            x = xd + w + xs - sw;
            y = yd + h + ys - sh;
            break;
        case 4:
            x = xd - ys;
            y = yd - xs;
            break;
        case 5:
            x = xd + h + ys - sh;
            y = yd - xs;
            break;
        case 6:
            x = xd - ys;
            y = yd + w + xs - sw;
            break;
        default:
            x = xd + h + ys - sh;
            y = yd + w + xs - sw;
            break;
    }
    const MkSurface* source = peerAt<const MkSurface>(surface);
    mvMemory_objectLock(src);
    if (offScreen) {
        MkVideoDrawOffScreen(ctx, source, x, y, transform);
    } else {
        MkGraphicsDrawImage(ctx, source, x, y, transform);
    }
    mvMemory_objectUnlock(src);
    MkGraphicsSetClip(ctx, &saved.x);
}

// An anchor that fails the image rule is made TOP | LEFT in the part that fails.
static int32_t graphicsFixAnchor(int32_t anchor) {
    if (anchor == 0 || anchor < 0) return ANCHOR_TOP | ANCHOR_LEFT;
    int32_t h = anchor & (ANCHOR_LEFT | ANCHOR_HCENTER | ANCHOR_RIGHT);
    if (h != ANCHOR_LEFT && h != ANCHOR_HCENTER && h != ANCHOR_RIGHT) h = ANCHOR_LEFT;
    int32_t v = anchor & (ANCHOR_TOP | ANCHOR_BOTTOM | ANCHOR_VCENTER);
    if (v != ANCHOR_TOP && v != ANCHOR_BOTTOM && v != ANCHOR_VCENTER) v = ANCHOR_TOP;
    return h | v;
}

void Java_javax_microedition_lcdui_Graphics_copyArea() {
    int32_t anchor = popInt(), yd = popInt(), xd = popInt(), h = popInt(), w = popInt(), ys = popInt(), xs = popInt();
    OBJECT g = popObject();
    int32_t screen = field(g, F.idScreen);
    if (screen == 0) raiseException(IllegalStateExceptionName);
    anchor = graphicsFixAnchor(anchor);
    if (w < 0 || h < 0) raiseException(IllegalArgumentExceptionName);
    if (w == 0 || h == 0) return;
    int32_t width = field(g, F.width), height = field(g, F.height);
    int32_t ox = field(g, F.originX), oy = field(g, F.originY);
    xs += ox;
    ys += oy;
    xd += ox;
    yd += oy;
    if (xs < 0 || ys < 0 || w > width - xs || h > height - ys) raiseException(IllegalArgumentExceptionName);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;
    xd += graphicsAnchorOffsetX(anchor, w);
    yd += graphicsImageAnchorOffsetY(anchor, h);
    const GfxRect saved = savedClip(ctx);
    setTemporaryClip(ctx, g, {xd, yd, w, h}, saved, width, height);
    MkVideoDrawOffScreen(ctx, peerAt<const MkSurface>(screen), xd - xs, yd - ys, 0);
    MkGraphicsSetClip(ctx, &saved.x);
}

// Whether every element offset + i * scan + j (0 <= i < h, 0 <= j < w) lies in an array
// of the given length: the whole range the drawing reads, checked before any pixel is.
static bool rgbRangeInside(int32_t offset, int32_t scan, int32_t w, int32_t h, int32_t length) {
    if (offset < 0 || offset >= length) return false;
    int64_t last = (int64_t)offset + (int64_t)(h - 1) * scan;
    int64_t first = last < offset ? last : offset;
    int64_t end = (last > offset ? last : offset) + w;
    return first >= 0 && end <= length;
}

void Java_javax_microedition_lcdui_Graphics_drawRGB() {
    int32_t processAlpha = popInt(), h = popInt(), w = popInt(), y = popInt(), x = popInt();
    int32_t scan = popInt(), offset = popInt();
    ArrayObject* rgb = (ArrayObject*)popObject();
    OBJECT g = popObject();
    if (rgb == nullptr) raiseException(NullPointerException);
    if (w < 1 || h < 1) return;
    int32_t length = getIntArrayLength(rgb);
    if (!rgbRangeInside(offset, scan, w, h, length)) raiseException(ArrayIndexOutOfBoundsException);
    int32_t width = field(g, F.width), height = field(g, F.height);
    x += field(g, F.originX);
    y += field(g, F.originY);
    // only the right and bottom edges are cut here; the clip takes the others
    if ((int64_t)x + w > width) w = width - x;
    if ((int64_t)y + h > height) h = height - y;
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (w < 1 || h < 1 || ctx == nullptr) return;

    const GfxRect saved = savedClip(ctx);
    setTemporaryClip(ctx, g, {x, y, w, h}, saved, width, height);
    mvMemory_objectLock(rgb);
    const uint32_t* data = (const uint32_t*)getIntArrayData(rgb);
    int32_t step = scan < 0 ? -scan : scan;
    // One call draws rows |scan| wide; it may when those rows stay inside the array too.
    int64_t widestEnd = (int64_t)offset + (scan > 0 ? (int64_t)(h - 1) * scan : 0) + step;
    if (step >= w && widestEnd <= length) {
        MkVideoDrawRegionARGBImage(ctx, data + offset, step * h, scan, x, y, processAlpha);
    } else {
        for (int32_t i = 0; i < h; i++)
            MkVideoDrawRegionARGBImage(ctx, data + offset + i * scan, w, w, x, y + i, processAlpha);
    }
    mvMemory_objectUnlock(rgb);
    MkGraphicsSetClip(ctx, &saved.x);
}
