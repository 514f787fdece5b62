// Graphics natives: state in Java fields, one drawing call on the context per native,
// coordinates translated by the origin offset and the device clip computed here.
#include "natives/ui/graphics_natives.h"

#include "graphics/mk_image.h"
#include "natives/lib/nativestack.h"
#include "natives/ui/peers.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"
#include "vm/services/memory.h"
#include "vm/trace/tracelog.h"

VMBSS GraphicsFieldIndex GraphicsFields;
static VMBSS NativeFinalizerRecord GraphicsFinalizer;

static const GraphicsFieldIndex& F = GraphicsFields;

static const int32_t INT_MAX_EDGE = 0x7FFFFFFF;

// ---------------------------------------------------------------------------------
// Rectangles and clips

bool RectIntersects(const GfxRect& a, const GfxRect& b) {
    if (a.w == 0 ? a.x < b.x : a.x + a.w <= b.x) return false;
    if (a.h == 0 ? a.y < b.y : a.y + a.h <= b.y) return false;
    if (b.w == 0 ? b.x < a.x : b.x + b.w <= a.x) return false;
    if (b.h == 0 ? b.y < a.y : b.y + b.h <= a.y) return false;
    return true;
}

void RectIntersection(GfxRect* a, const GfxRect& b) {
    int32_t right = a->x + a->w;
    if (right < a->x) right = INT_MAX_EDGE;
    int32_t bottom = a->y + a->h;
    if (bottom < a->y) bottom = INT_MAX_EDGE;
    a->x = a->x > b.x ? a->x : b.x;
    a->y = a->y > b.y ? a->y : b.y;
    int32_t bRight = b.x + b.w, bBottom = b.y + b.h;
    int32_t w = (right < bRight ? right : bRight) - a->x;
    int32_t h = (bottom < bBottom ? bottom : bBottom) - a->y;
    a->w = w > 0 ? w : 0;
    a->h = h > 0 ? h : 0;
}

void graphicsNarrowClip(GfxRect* a, GfxRect b, int32_t width, int32_t height) {
    const GfxRect surface = {0, 0, width, height};
    if (!RectIntersects(b, surface)) {
        *a = {0, 0, 0, 0};
        return;
    }
    RectIntersection(&b, surface);
    if (RectIntersects(*a, b)) {
        RectIntersection(a, b);
    } else {
        *a = {b.x, b.y, 0, 0};
    }
}

// ---------------------------------------------------------------------------------
// Anchors

bool graphicsCheckAnchor(int32_t anchor, bool image) {
    if (anchor == 0) return true;
    if ((uint32_t)anchor >= 128) return false;
    int32_t h = anchor & (ANCHOR_LEFT | ANCHOR_HCENTER | ANCHOR_RIGHT);
    if (h != ANCHOR_LEFT && h != ANCHOR_HCENTER && h != ANCHOR_RIGHT) return false;
    if (image) {
        int32_t v = anchor & (ANCHOR_TOP | ANCHOR_BOTTOM | ANCHOR_VCENTER | ANCHOR_BASELINE);
        return v == ANCHOR_TOP || v == ANCHOR_BOTTOM || v == ANCHOR_VCENTER;
    }
    int32_t v = anchor & (ANCHOR_TOP | ANCHOR_BOTTOM | ANCHOR_BASELINE);
    return v == ANCHOR_TOP || v == ANCHOR_BASELINE || v == ANCHOR_BOTTOM;
}

bool graphicsCheckTransform(int32_t transform) { return transform >= 0 && transform <= 7; }

int32_t graphicsAnchorOffsetX(int32_t anchor, int32_t width) {
    if (anchor & ANCHOR_HCENTER) return -(width / 2);
    if (anchor & ANCHOR_RIGHT) return -width;
    return 0;
}

int32_t graphicsImageAnchorOffsetY(int32_t anchor, int32_t height) {
    if (anchor & ANCHOR_BOTTOM) return -height;
    if (anchor & ANCHOR_VCENTER) return -(height / 2);
    return 0;
}

static int32_t positive(int32_t v) { return v > 0 ? v : 0; }

int32_t graphicsTextAnchorOffsetY(const MkFont* font, int32_t anchor) {
    if (font == nullptr) return 0;
    if (anchor & ANCHOR_BOTTOM)
        return -(positive(MkFontGetAscent(font)) + positive(MkFontGetDescent(font)) + positive(MkFontGetLeading(font)));
    if (anchor & ANCHOR_BASELINE) return -positive(MkFontGetAscent(font));
    return 0;
}

// ---------------------------------------------------------------------------------
// Field access

static inline int32_t field(OBJECT o, int32_t index) { return getIntFieldByIndex(o, index); }
static inline void setField(OBJECT o, int32_t index, int32_t value) { setIntFieldByIndex(o, index, value); }

MkGraphicsContext* graphicsContextOf(OBJECT g) { return peerAt<MkGraphicsContext>(field(g, F.id)); }

GfxRect graphicsUpperClip(OBJECT g) {
    return {field(g, F.upperX) + field(g, F.originX), field(g, F.upperY) + field(g, F.originY), field(g, F.upperW),
            field(g, F.upperH)};
}

static void setDeviceClip(MkGraphicsContext* ctx, const GfxRect& r) { MkGraphicsSetClip(ctx, &r.x); }

// Stores the MIDlet clip and sets the device clip from it and the upper clip.
static void graphicsApplyClip(OBJECT g, int32_t x, int32_t y, int32_t w, int32_t h) {
    setField(g, F.clipX, x);
    setField(g, F.clipY, y);
    setField(g, F.clipW, w);
    setField(g, F.clipH, h);
    GfxRect a = {x + field(g, F.originX), y + field(g, F.originY), w, h};
    graphicsNarrowClip(&a, graphicsUpperClip(g), field(g, F.width), field(g, F.height));
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx != nullptr) setDeviceClip(ctx, a);
}

// ---------------------------------------------------------------------------------
// Set-up, finalizer

static int32_t graphicsFinalize(OBJECT instance, NativeFinalizerRecord*) {
    MkGraphicsContext* ctx = graphicsContextOf(instance);
    if (ctx != nullptr) MkGraphicsDestroyContext(ctx);
    return 0;
}

void Java_javax_microedition_lcdui_Graphics_initializeFieldIndex() {
    ClassRecord* g = tryGetClass("javax/microedition/lcdui/Graphics");
    if (g == nullptr) {
        mvTraceLog_error("Could not get class Graphics.\n");
        return;
    }
    ClassRecord* image = tryGetClass("javax/microedition/lcdui/Image");
    if (image == nullptr) {
        mvTraceLog_error("Could not get class Image.\n");
        return;
    }
    GraphicsFieldIndex& t = GraphicsFields;
    t.width = getFieldIndex("WIDTH", "I", g);
    t.height = getFieldIndex("HEIGHT", "I", g);
    t.id = getFieldIndex("_nId", "I", g);
    t.idScreen = getFieldIndex("_nIdScreen", "I", g);
    t.clipX = getFieldIndex("_nClipX", "I", g);
    t.clipY = getFieldIndex("_nClipY", "I", g);
    t.clipW = getFieldIndex("_nClipW", "I", g);
    t.clipH = getFieldIndex("_nClipH", "I", g);
    t.originX = getFieldIndex("_nOriginOffsetX", "I", g);
    t.originY = getFieldIndex("_nOriginOffsetY", "I", g);
    t.upperX = getFieldIndex("_nUpperClipX", "I", g);
    t.upperY = getFieldIndex("_nUpperClipY", "I", g);
    t.upperW = getFieldIndex("_nUpperClipW", "I", g);
    t.upperH = getFieldIndex("_nUpperClipH", "I", g);
    t.rgb = getFieldIndex("_nRGB", "I", g);
    t.imageOffScreen = getFieldIndex("isOffScreen", "Z", image);
    t.imageWidth = getFieldIndex("_nWidth", "I", image);
    t.imageHeight = getFieldIndex("_nHeight", "I", image);
    t.imageId = getFieldIndex("_nId", "I", image);
}

void Java_javax_microedition_lcdui_Graphics_registNativeFinalizer() {
    // once per run: a second push would make the list a loop
    if (GraphicsFinalizer.clazz != nullptr) return;
    ClassRecord* g = tryGetClass("javax/microedition/lcdui/Graphics");
    if (g == nullptr) return;
    GraphicsFinalizer.clazz = g;
    GraphicsFinalizer.finalizer = graphicsFinalize;
    registerNativeFinalizer(&GraphicsFinalizer);
}

void Java_javax_microedition_lcdui_Graphics_nativeGetInvalidHandle() { pushInt(-1); }

void Java_javax_microedition_lcdui_Graphics_nativeCreateGraphics() {
    int32_t surface = popInt();
    MkSurface* target = peerAt<MkSurface>(surface);
    if (surface == PEER_NONE) {
        MkVideoProperty property;
        MkVideoGetProperty(&property);
        target = property.surface;
        if (target == nullptr || target == MK_SURFACE_FAILED) {
            tryRaiseExceptionWithMessage(RuntimeExceptionName, "virtual screen cannot be used.");
            return;
        }
    }
    MkGraphicsContext* ctx = surface == PEER_INVALID ? MK_NO_CONTEXT : MkGraphicsCreateContext(target);
    if (ctx == MK_NO_CONTEXT) {
        throwOutOfMemoryObject();
        return;
    }
    pushInt(peerHandle(ctx));
}

void Java_javax_microedition_lcdui_UIGraphics_nativeInit() {
    ClassRecord* c = tryGetClass("javax/microedition/lcdui/UIGraphics");
    if (c == nullptr) {
        pushInt(-1);
        return;
    }
    static const char* const Names[] = {"_nClipX", "_nClipY",         "_nClipW",        "_nClipH",
                                        "_nId",    "_nOriginOffsetX", "_nOriginOffsetY"};
    cell* record = callocPermanentObject(7);
    if (record == nullptr) fatalOutOfMemoryError();
    for (int i = 0; i < 7; i++) record[i] = getFieldIndex(Names[i], "I", c);
    pushInt(0);
}

// ---------------------------------------------------------------------------------
// Colour, stroke, font

void Java_javax_microedition_lcdui_Graphics_nativeSetFont() {
    int32_t font = popInt();
    OBJECT g = popObject();
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (!isPeer(font) || ctx == nullptr) return;
    MkGraphicsSetFont(ctx, peerAt<MkFont>(font));
}

static void storeColor(OBJECT g, uint32_t rgb) {
    setField(g, F.rgb, (int32_t)rgb);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx != nullptr) MkGraphicsSetColor(ctx, rgb);
}

void Java_javax_microedition_lcdui_Graphics_setColor__III() {
    uint32_t b = (uint32_t)popInt(), gr = (uint32_t)popInt(), r = (uint32_t)popInt();
    OBJECT g = popObject();
    if (r >= 256 || gr >= 256 || b >= 256) {
        tryRaiseException(IllegalArgumentExceptionName);
        return;
    }
    storeColor(g, r << 16 | gr << 8 | b);
}

void Java_javax_microedition_lcdui_Graphics_setColor__I() {
    uint32_t rgb = (uint32_t)popInt();
    storeColor(popObject(), rgb & 0xFFFFFF);
}

void Java_javax_microedition_lcdui_Graphics_setGrayScale() {
    uint32_t v = (uint32_t)popInt();
    OBJECT g = popObject();
    if (v >= 256) raiseException(IllegalArgumentExceptionName);
    storeColor(g, v << 16 | v << 8 | v);
}

void Java_javax_microedition_lcdui_Graphics_getGrayScale() {
    uint32_t rgb = (uint32_t)field(popObject(), F.rgb);
    uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    pushInt((int32_t)((306 * r + 601 * g + 117 * b) >> 10));
}

void Java_javax_microedition_lcdui_Graphics_getDisplayColor() {
    uint32_t color = (uint32_t)popInt();
    popObject();
    pushInt((int32_t)(MkGraphicsGetDisplayColor(color & 0xFFFFFF) & 0xFFFFFF));
}

void Java_javax_microedition_lcdui_Graphics_setStrokeStyle() {
    int32_t style = popInt();
    OBJECT g = popObject();
    if (style != 0 && style != 1) raiseException(IllegalArgumentExceptionName);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx != nullptr) MkGraphicsSetStrokeStyle(ctx, (uint32_t)style);
}

void Java_javax_microedition_lcdui_Graphics_getStrokeStyle() {
    MkGraphicsContext* ctx = graphicsContextOf(popObject());
    pushInt(ctx != nullptr && ctx->strokeStyle == 1 ? 1 : 0);
}

// ---------------------------------------------------------------------------------
// Shapes

// The four words of a rectangle call, popped, with the receiver: x and y translated.
struct ShapeCall {
    MkGraphicsContext* ctx;
    GfxRect rect;
};

static ShapeCall popShape(int32_t extraWords, int32_t extra[2]) {
    for (int32_t i = extraWords - 1; i >= 0; i--) extra[i] = popInt();
    ShapeCall c;
    c.rect.h = popInt();
    c.rect.w = popInt();
    c.rect.y = popInt();
    c.rect.x = popInt();
    OBJECT g = popObject();
    c.ctx = graphicsContextOf(g);
    c.rect.x += field(g, F.originX);
    c.rect.y += field(g, F.originY);
    return c;
}

void Java_javax_microedition_lcdui_Graphics_drawLine() {
    int32_t y2 = popInt(), x2 = popInt(), y1 = popInt(), x1 = popInt();
    OBJECT g = popObject();
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;
    int32_t ox = field(g, F.originX), oy = field(g, F.originY);
    MkGraphicsDrawLine(ctx, x1 + ox, y1 + oy, x2 + ox, y2 + oy);
}

void Java_javax_microedition_lcdui_Graphics_drawRect() {
    ShapeCall c = popShape(0, nullptr);
    if (c.ctx != nullptr && c.rect.w >= 0 && c.rect.h >= 0) MkGraphicsDrawRect(c.ctx, &c.rect.x);
}

void Java_javax_microedition_lcdui_Graphics_fillRect() {
    ShapeCall c = popShape(0, nullptr);
    if (c.ctx != nullptr && c.rect.w >= 1 && c.rect.h >= 1) MkGraphicsFillRect(c.ctx, &c.rect.x);
}

// Arcs no wider than the rectangle; none at all when either is below 1.
static void roundArcs(const GfxRect& r, int32_t arcs[2]) {
    if (arcs[0] > r.w) arcs[0] = r.w;
    if (arcs[1] > r.h) arcs[1] = r.h;
    if (arcs[0] < 1 || arcs[1] < 1) arcs[0] = arcs[1] = 0;
}

void Java_javax_microedition_lcdui_Graphics_drawRoundRect() {
    int32_t arcs[2];
    ShapeCall c = popShape(2, arcs);
    if (c.ctx == nullptr || c.rect.w < 0 || c.rect.h < 0) return;
    roundArcs(c.rect, arcs);
    MkGraphicsDrawRoundRect(c.ctx, &c.rect.x, arcs[0], arcs[1]);
}

void Java_javax_microedition_lcdui_Graphics_fillRoundRect() {
    int32_t arcs[2];
    ShapeCall c = popShape(2, arcs);
    if (c.ctx == nullptr || c.rect.w < 1 || c.rect.h < 1) return;
    roundArcs(c.rect, arcs);
    MkGraphicsFillRoundRect(c.ctx, &c.rect.x, arcs[0], arcs[1]);
}

// From a start angle and a signed arc to the start and end the context draws between,
// each in 0..359 (the end 360 for a full turn).
static void arcAngles(int32_t startAngle, int32_t arcAngle, int32_t* start, int32_t* end) {
    if (arcAngle <= -360 || arcAngle >= 360) {
        *start = 0;
        *end = 360;
        return;
    }
    int32_t s = startAngle, e = startAngle + arcAngle;
    bool swap = s > e;
    s %= 360;
    if (s < 0) s += 360;
    e %= 360;
    if (e < 0) e += 360;
    *start = swap ? e : s;
    *end = swap ? s : e;
}

void Java_javax_microedition_lcdui_Graphics_drawArc() {
    int32_t angles[2];
    ShapeCall c = popShape(2, angles);
    if (c.ctx == nullptr || c.rect.w < 0 || c.rect.h < 0 || angles[1] == 0) return;
    int32_t start, end;
    arcAngles(angles[0], angles[1], &start, &end);
    MkGraphicsDrawArc(c.ctx, &c.rect.x, start, end);
}

void Java_javax_microedition_lcdui_Graphics_fillArc() {
    int32_t angles[2];
    ShapeCall c = popShape(2, angles);
    if (c.ctx == nullptr || c.rect.w < 1 || c.rect.h < 1 || angles[1] == 0) return;
    int32_t start, end;
    arcAngles(angles[0], angles[1], &start, &end);
    MkGraphicsFillArc(c.ctx, &c.rect.x, start, end);
}

void Java_javax_microedition_lcdui_Graphics_fillTriangle() {
    int32_t xs[3], ys[3];
    for (int i = 2; i >= 0; i--) {
        ys[i] = popInt();
        xs[i] = popInt();
    }
    OBJECT g = popObject();
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;
    for (int i = 0; i < 3; i++) {
        int j = (i + 1) % 3;
        if (xs[i] == xs[j] && ys[i] == ys[j]) return;
    }
    int32_t ox = field(g, F.originX), oy = field(g, F.originY);
    for (int i = 0; i < 3; i++) {
        xs[i] += ox;
        ys[i] += oy;
    }
    MkGraphicsFillTriangle(ctx, xs, ys, 3);
}

// ---------------------------------------------------------------------------------
// Text

// Draws count characters with the anchor at (x, y), in device coordinates.
static void drawCharsAtAnchor(MkGraphicsContext* ctx, const uint16_t* chars, int32_t count, int32_t x, int32_t y,
                              int32_t anchor) {
    if (count == 0) return;
    const MkFont* font = ctx->font;
    int32_t width = FontMeasureChars(font, chars, count);
    y += graphicsTextAnchorOffsetY(font, anchor);
    if (width != 0) x += graphicsAnchorOffsetX(anchor, width);
    MkGraphicsDrawChars(ctx, chars, count, x, y);
}

// The run offset..offset+length of a sequence of size characters; false when any part
// of it lies outside, the sum overflowing included.
static bool runInside(int32_t offset, int32_t length, int32_t size) {
    return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

void Java_javax_microedition_lcdui_Graphics_drawString() {
    int32_t anchor = popInt(), y = popInt(), x = popInt();
    StringInstance* s = (StringInstance*)popObject();
    OBJECT g = popObject();
    if (s == nullptr) raiseException(NullPointerException);
    if (!graphicsCheckAnchor(anchor, false)) raiseException(IllegalArgumentExceptionName);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;
    x += field(g, F.originX);
    y += field(g, F.originY);
    if (lockStringChars(s) == nullptr) throwPendingException();
    drawCharsAtAnchor(ctx, getStringCharsPointer(s), getStringLength(s), x, y, anchor);
    unlockStringChars(s);
}

void Java_javax_microedition_lcdui_Graphics_drawSubstring() {
    int32_t anchor = popInt(), y = popInt(), x = popInt(), len = popInt(), offset = popInt();
    StringInstance* s = (StringInstance*)popObject();
    OBJECT g = popObject();
    if (s == nullptr) raiseException(NullPointerException);
    if (!runInside(offset, len, getStringLength(s))) raiseException(StringIndexOutOfBoundsExceptionName);
    if (!graphicsCheckAnchor(anchor, false)) raiseException(IllegalArgumentExceptionName);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr || offset == getStringLength(s)) return;
    x += field(g, F.originX);
    y += field(g, F.originY);
    if (lockStringChars(s) == nullptr) throwPendingException();
    drawCharsAtAnchor(ctx, getStringCharsPointer(s) + offset, len, x, y, anchor);
    unlockStringChars(s);
}

void Java_javax_microedition_lcdui_Graphics_drawChar() {
    int32_t anchor = popInt(), y = popInt(), x = popInt();
    uint16_t ch = (uint16_t)popInt();
    OBJECT g = popObject();
    if (!graphicsCheckAnchor(anchor, false)) raiseException(IllegalArgumentExceptionName);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;
    drawCharsAtAnchor(ctx, &ch, 1, x + field(g, F.originX), y + field(g, F.originY), anchor);
}

void Java_javax_microedition_lcdui_Graphics_drawChars() {
    int32_t anchor = popInt(), y = popInt(), x = popInt(), length = popInt(), offset = popInt();
    ArrayObject* data = (ArrayObject*)popObject();
    OBJECT g = popObject();
    if (data == nullptr) raiseException(NullPointerException);
    if (!graphicsCheckAnchor(anchor, false)) raiseException(IllegalArgumentExceptionName);
    if (!runInside(offset, length, getArrayLength(data))) raiseException(ArrayIndexOutOfBoundsException);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr || offset == getArrayLength(data)) return;
    x += field(g, F.originX);
    y += field(g, F.originY);
    mvMemory_objectLock(data);
    drawCharsAtAnchor(ctx, getShortArrayData(data) + offset, length, x, y, anchor);
    mvMemory_objectUnlock(data);
}

// ---------------------------------------------------------------------------------
// Images

void Java_javax_microedition_lcdui_Graphics_drawImage() {
    int32_t anchor = popInt(), y = popInt(), x = popInt();
    OBJECT image = popObject();
    OBJECT g = popObject();
    if (image == nullptr) raiseException(NullPointerException);
    if (!graphicsCheckAnchor(anchor, true)) raiseException(IllegalArgumentExceptionName);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;
    x += graphicsAnchorOffsetX(anchor, field(image, F.imageWidth)) + field(g, F.originX);
    y += graphicsImageAnchorOffsetY(anchor, field(image, F.imageHeight)) + field(g, F.originY);
    MkSurface* surface = peerAt<MkSurface>(field(image, F.imageId));
    bool offScreen = field(image, F.imageOffScreen) != 0;
    mvMemory_objectLock(image);
    if (offScreen) {
        MkVideoDrawOffScreen(ctx, surface, x, y, 0);
    } else {
        MkGraphicsDrawImage(ctx, surface, x, y, 0);
    }
    mvMemory_objectUnlock(image);
}

// ---------------------------------------------------------------------------------
// Translation and clip

void Java_javax_microedition_lcdui_Graphics_translate() {
    int32_t dy = popInt(), dx = popInt();
    OBJECT g = popObject();
    setField(g, F.originX, field(g, F.originX) + dx);
    setField(g, F.originY, field(g, F.originY) + dy);
    setField(g, F.clipX, field(g, F.clipX) - dx);
    setField(g, F.clipY, field(g, F.clipY) - dy);
    setField(g, F.upperX, field(g, F.upperX) - dx);
    setField(g, F.upperY, field(g, F.upperY) - dy);
}

void Java_javax_microedition_lcdui_Graphics_setOrigin() {
    int32_t y = popInt(), x = popInt();
    OBJECT g = popObject();
    int32_t dx = field(g, F.originX) - x, dy = field(g, F.originY) - y;
    setField(g, F.originX, x);
    setField(g, F.originY, y);
    setField(g, F.clipX, field(g, F.clipX) + dx);
    setField(g, F.clipY, field(g, F.clipY) + dy);
    setField(g, F.upperX, field(g, F.upperX) + dx);
    setField(g, F.upperY, field(g, F.upperY) + dy);
}

void Java_javax_microedition_lcdui_Graphics_setClip() {
    int32_t h = popInt(), w = popInt(), y = popInt(), x = popInt();
    OBJECT g = popObject();
    if (w < 0 || h < 0) x = y = w = h = 0;
    graphicsApplyClip(g, x, y, w, h);
}

void Java_javax_microedition_lcdui_Graphics_clipRect() {
    int32_t h = popInt(), w = popInt(), y = popInt(), x = popInt();
    OBJECT g = popObject();
    if (w < 0 || h < 0) {
        graphicsApplyClip(g, 0, 0, 0, 0);
        return;
    }
    int32_t cx = field(g, F.clipX), cy = field(g, F.clipY);
    int32_t cr = cx + field(g, F.clipW), cb = cy + field(g, F.clipH);
    int32_t r = x + w, b = y + h;
    if ((x < cx && r < cx) || (x > cr && r > cr) || (y < cy && b < cy) || (y > cb && b > cb)) {
        graphicsApplyClip(g, 0, 0, 0, 0);
        return;
    }
    int32_t nx = cx <= x && x <= cr ? x : cx;
    int32_t ny = cy <= y && y <= cb ? y : cy;
    int32_t nw = nx <= r && r <= cr ? r - nx : cr - nx;
    int32_t nh = ny <= b && b <= cb ? b - ny : cb - ny;
    graphicsApplyClip(g, nx, ny, nw, nh);
}

void Java_javax_microedition_lcdui_Graphics_setUpperClip() {
    int32_t h = popInt(), w = popInt(), y = popInt(), x = popInt();
    OBJECT g = popObject();
    setField(g, F.upperX, x);
    setField(g, F.upperY, y);
    setField(g, F.upperW, w);
    setField(g, F.upperH, h);
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;
    GfxRect c;
    MkGraphicsGetClip(ctx, &c.x);
    if (c.w > 0 && c.h != 0) {
        graphicsNarrowClip(&c, {x + field(g, F.originX), y + field(g, F.originY), w, h}, field(g, F.width),
                           field(g, F.height));
        setDeviceClip(ctx, c);
    }
}

void Java_javax_microedition_lcdui_Graphics_clearRect() {
    OBJECT g = popObject();
    MkGraphicsContext* ctx = graphicsContextOf(g);
    if (ctx == nullptr) return;
    const GfxRect all = {0, 0, field(g, F.width), field(g, F.height)};
    setDeviceClip(ctx, all);
    MkGraphicsSetColor(ctx, 0xFFFFFF);
    MkGraphicsFillRect(ctx, &all.x);
}
