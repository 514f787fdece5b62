// Font and Rectangle natives. The font layer keeps one record for every request; the
// Java half of Font keeps the face, style and size it was asked for.
#include "natives/ui/font_natives.h"

#include <stdio.h>

#include "natives/lib/nativestack.h"
#include "natives/ui/peers.h"
#include "platform/font.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"
#include "vm/services/memory.h"
#include "vm/trace/tracelog.h"

struct FontFieldIndex {
    int32_t id, isDefault;
    int32_t sizeIndex[3];  // small, medium, large; 0 until filled
};
static VMBSS FontFieldIndex FontFields;
static VMBSS NativeFinalizerRecord FontFinalizer;

struct RectangleFieldIndex {
    int32_t x, y, width, height;
};
static VMBSS RectangleFieldIndex RectangleFields;

enum { SIZE_SMALL = 8, SIZE_MEDIUM = 0, SIZE_LARGE = 16 };

static inline const MkFont* fontOf(int32_t handle) { return peerAt<const MkFont>(handle); }

void Java_javax_microedition_lcdui_Font_initializeIndex() {
    ClassRecord* font = tryGetClass("javax/microedition/lcdui/Font");
    if (font == nullptr) {
        mvTraceLog_error("Could not get class Font.\n");
    } else {
        FontFields.id = getFieldIndex("_nId", "I", font);
        FontFields.isDefault = getFieldIndex("isDefault", "Z", font);
    }
    MkFontInitIndex(FontFields.sizeIndex);
}

void Java_javax_microedition_lcdui_Font_nativeCreateFont() {
    int32_t size = popInt(), faceStyle = popInt();
    int32_t index = size == SIZE_SMALL   ? FontFields.sizeIndex[0]
                    : size == SIZE_LARGE ? FontFields.sizeIndex[2]
                                         : FontFields.sizeIndex[1];
    if (index < 1) raiseException(IllegalArgumentExceptionName);
    MkFont* font = MkFontCreate(index, faceStyle);
    if (font == (MkFont*)-1) {
        throwOutOfMemoryObject();
        return;
    }
    pushInt(peerHandle(font));
}

void Java_javax_microedition_lcdui_Font_nativeGetDefault() {
    int32_t face = popInt();
    pushInt(peerHandle(MkFontGetDefault(face)));
}

static int32_t atLeastZero(int32_t v) { return v < 0 ? 0 : v; }

void Java_javax_microedition_lcdui_Font_charWidth() {
    uint16_t ch = (uint16_t)popInt();
    const MkFont* font = fontOf(getIntFieldByIndex(popObject(), FontFields.id));
    pushInt(font == nullptr ? 0 : atLeastZero(MkFontCharWidth(font, ch)));
}

// "name: value" as the exception's message, with the value in signed decimal.
static void raiseWithValue(const char* className, const char* name, int32_t value) {
    char message[48];
    snprintf(message, sizeof message, "%s: %ld", name, (long)value);
    tryRaiseExceptionWithMessage(className, message);
}

void Java_javax_microedition_lcdui_Font_charsWidth() {
    int32_t length = popInt(), offset = popInt();
    ArrayObject* ch = (ArrayObject*)popObject();
    OBJECT self = popObject();
    if (ch == nullptr) {
        tryRaiseExceptionWithMessage(NullPointerException, "ch: null");
        return;
    }
    int32_t size = getArrayLength(ch);
    if (offset < 0 || offset > size) {
        raiseWithValue(ArrayIndexOutOfBoundsException, "offset", offset);
        return;
    }
    if (length < 0 || offset + length > size || offset + length < 0) {
        raiseWithValue(ArrayIndexOutOfBoundsException, "length", length);
        return;
    }
    const MkFont* font = fontOf(getIntFieldByIndex(self, FontFields.id));
    mvMemory_objectLock(ch);
    int32_t width = font == nullptr ? 0 : FontMeasureChars(font, getShortArrayData(ch) + offset, length);
    mvMemory_objectUnlock(ch);
    pushInt(atLeastZero(width));
}

void Java_javax_microedition_lcdui_Font_substringWidth() {
    int32_t len = popInt(), offset = popInt();
    StringInstance* str = (StringInstance*)popObject();
    OBJECT self = popObject();
    if (str == nullptr) {
        tryRaiseExceptionWithMessage(NullPointerException, "str: null");
        return;
    }
    int32_t size = getStringLength(str);
    if (offset < 0 || offset > size) {
        raiseWithValue(StringIndexOutOfBoundsExceptionName, "offset", offset);
        return;
    }
    if (len < 0 || offset + len > size || offset + len < 0) {
        raiseWithValue(StringIndexOutOfBoundsExceptionName, "len", len);
        return;
    }
    const MkFont* font = fontOf(getIntFieldByIndex(self, FontFields.id));
    if (lockStringChars(str) == nullptr) throwPendingException();
    int32_t width = font == nullptr ? 0 : FontMeasureChars(font, getStringCharsPointer(str) + offset, len);
    unlockStringChars(str);
    pushInt(atLeastZero(width));
}

void Java_javax_microedition_lcdui_Font_nativeGetHeight() {
    const MkFont* font = fontOf(popInt());
    if (font == nullptr) {
        pushInt(0);
        return;
    }
    int32_t a = MkFontGetAscent(font), d = MkFontGetDescent(font), l = MkFontGetLeading(font);
    pushInt(a < 0 || d < 0 || l < 0 ? 0 : a + d + l);
}

void Java_javax_microedition_lcdui_Font_nativeGetBaselinePosition() {
    const MkFont* font = fontOf(popInt());
    pushInt(font == nullptr ? 0 : atLeastZero(MkFontGetAscent(font)));
}

void Java_javax_microedition_lcdui_Font_nativeGetType() {
    const MkFont* font = fontOf(popInt());
    pushInt(font == nullptr ? 0 : atLeastZero(MkFontGetType(font)));
}

void Java_javax_microedition_lcdui_Font_nativeGetSize() {
    const MkFont* font = fontOf(popInt());
    int32_t word = font == nullptr ? -1 : MkFontGetHeight(font);
    int32_t size = 0;
    if (word >= 0 && word == FontFields.sizeIndex[0]) size = SIZE_SMALL;
    if (word >= 0 && word == FontFields.sizeIndex[2]) size = SIZE_LARGE;
    pushInt(size);
}

void Java_javax_microedition_lcdui_Font_nativeGetInvalidHandle() { pushInt(-1); }

// The font layer keeps its records for the process: nothing to release.
static int32_t fontFinalize(OBJECT, NativeFinalizerRecord*) { return 0; }

void Java_javax_microedition_lcdui_Font_registNativeFinalizer() {
    if (FontFinalizer.clazz != nullptr) return;
    ClassRecord* font = tryGetClass("javax/microedition/lcdui/Font");
    if (font == nullptr) return;
    FontFinalizer.clazz = font;
    FontFinalizer.finalizer = fontFinalize;
    registerNativeFinalizer(&FontFinalizer);
}

// ---------------------------------------------------------------------------------
// Rectangle

void RectUnion(GfxRect* a, const GfxRect& b) {
    if (b.w < 0 || b.h < 0) return;
    if (a->w < 0 || a->h < 0) {
        *a = b;
        return;
    }
    auto edge = [](int32_t start, int32_t size) {
        int32_t e = start + size;
        return e < start ? (int32_t)0x7FFFFFFF : e;
    };
    int32_t ar = edge(a->x, a->w), ab = edge(a->y, a->h), br = edge(b.x, b.w), bb = edge(b.y, b.h);
    a->x = a->x < b.x ? a->x : b.x;
    a->y = a->y < b.y ? a->y : b.y;
    int32_t w = (ar > br ? ar : br) - a->x;
    int32_t h = (ab > bb ? ab : bb) - a->y;
    a->w = w > 0 ? w : 0;
    a->h = h > 0 ? h : 0;
}

void Java_com_movane_util_Rectangle_initializeFieldIndex() {
    ClassRecord* rect = tryGetClass("com/movane/util/Rectangle");
    if (rect == nullptr) {
        pushInt(0);
        return;
    }
    RectangleFields.x = getFieldIndex("x", "I", rect);
    RectangleFields.y = getFieldIndex("y", "I", rect);
    RectangleFields.width = getFieldIndex("width", "I", rect);
    RectangleFields.height = getFieldIndex("height", "I", rect);
    pushInt(1);
}

static GfxRect popRect() {
    GfxRect r;
    r.h = popInt();
    r.w = popInt();
    r.y = popInt();
    r.x = popInt();
    return r;
}

void Java_com_movane_util_Rectangle_contains__IIIIII() {
    int32_t py = popInt(), px = popInt();
    GfxRect r = popRect();
    pushInt(r.x <= px && px <= r.x + r.w && r.y <= py && py <= r.y + r.h);
}

void Java_com_movane_util_Rectangle_contains__IIIIIIII() {
    GfxRect b = popRect(), a = popRect();
    auto within = [](int32_t start, int32_t size, int32_t v) { return start <= v && v <= start + size; };
    pushInt(within(a.x, a.w, b.x) && within(a.y, a.h, b.y) && within(a.x, a.w, b.x + b.w) &&
            within(a.y, a.h, b.y + b.h));
}

void Java_com_movane_util_Rectangle_intersects() {
    GfxRect b = popRect(), a = popRect();
    pushInt(RectIntersects(a, b));
}

static GfxRect readRectangle(OBJECT r) {
    const RectangleFieldIndex& f = RectangleFields;
    return {getIntFieldByIndex(r, f.x), getIntFieldByIndex(r, f.y), getIntFieldByIndex(r, f.width),
            getIntFieldByIndex(r, f.height)};
}

static void writeRectangle(OBJECT r, const GfxRect& v) {
    const RectangleFieldIndex& f = RectangleFields;
    setIntFieldByIndex(r, f.x, v.x);
    setIntFieldByIndex(r, f.y, v.y);
    setIntFieldByIndex(r, f.width, v.w);
    setIntFieldByIndex(r, f.height, v.h);
}

void Java_com_movane_util_Rectangle_intersection() {
    GfxRect b = popRect();
    OBJECT r = popObject();
    if (r == nullptr) raiseException(NullPointerException);
    GfxRect a = readRectangle(r);
    RectIntersection(&a, b);
    writeRectangle(r, a);
    pushObject(r);
}

void Java_com_movane_util_Rectangle_union() {
    GfxRect b = popRect();
    OBJECT r = popObject();
    if (r == nullptr) raiseException(NullPointerException);
    GfxRect a = readRectangle(r);
    RectUnion(&a, b);
    writeRectangle(r, a);
    pushObject(r);
}
