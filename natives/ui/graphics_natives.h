// The natives of javax.microedition.lcdui.Graphics and UIGraphics, and what the other UI
// natives share with them: the field-index table, the anchor rules and offsets, and the
// rectangle and clip arithmetic in signed 32-bit words.
#pragma once

#include <stdint.h>

#include "graphics/mk_graphics.h"
#include "platform/vmsections.h"
#include "vm/core/records.h"

// Slot indexes of the fields the natives read, filled once by initializeFieldIndex.
struct GraphicsFieldIndex {
    int32_t width, height, id, idScreen;
    int32_t clipX, clipY, clipW, clipH;
    int32_t originX, originY;
    int32_t upperX, upperY, upperW, upperH;
    int32_t rgb;
    int32_t imageOffScreen, imageWidth, imageHeight, imageId;
};
extern VMBSS GraphicsFieldIndex GraphicsFields;

enum {
    ANCHOR_HCENTER = 1,
    ANCHOR_VCENTER = 2,
    ANCHOR_LEFT = 4,
    ANCHOR_RIGHT = 8,
    ANCHOR_TOP = 16,
    ANCHOR_BOTTOM = 32,
    ANCHOR_BASELINE = 64,
};

struct GfxRect {
    int32_t x, y, w, h;
};
static_assert(sizeof(GfxRect) == 16, "a rectangle is four words, as the context's clip calls take it");

bool RectIntersects(const GfxRect& a, const GfxRect& b);
void RectIntersection(GfxRect* a, const GfxRect& b);
// Cuts b to the surface (0, 0, width, height) and a to the result; an a outside it keeps
// b's corner with no size.
void graphicsNarrowClip(GfxRect* a, GfxRect b, int32_t width, int32_t height);

// Text anchors may not hold VCENTER as their vertical part, image anchors not BASELINE.
bool graphicsCheckAnchor(int32_t anchor, bool image);
bool graphicsCheckTransform(int32_t transform);
int32_t graphicsAnchorOffsetX(int32_t anchor, int32_t width);
int32_t graphicsImageAnchorOffsetY(int32_t anchor, int32_t height);
int32_t graphicsTextAnchorOffsetY(const MkFont* font, int32_t anchor);

// The receiver's context; null when it has none.
MkGraphicsContext* graphicsContextOf(OBJECT graphics);
// The receiver's upper clip in device coordinates.
GfxRect graphicsUpperClip(OBJECT graphics);

void Java_javax_microedition_lcdui_Graphics_nativeCreateGraphics();
void Java_javax_microedition_lcdui_Graphics_nativeSetFont();
void Java_javax_microedition_lcdui_Graphics_setColor__III();
void Java_javax_microedition_lcdui_Graphics_setColor__I();
void Java_javax_microedition_lcdui_Graphics_setGrayScale();
void Java_javax_microedition_lcdui_Graphics_getGrayScale();
void Java_javax_microedition_lcdui_Graphics_getDisplayColor();
void Java_javax_microedition_lcdui_Graphics_setStrokeStyle();
void Java_javax_microedition_lcdui_Graphics_getStrokeStyle();
void Java_javax_microedition_lcdui_Graphics_drawLine();
void Java_javax_microedition_lcdui_Graphics_drawRect();
void Java_javax_microedition_lcdui_Graphics_fillRect();
void Java_javax_microedition_lcdui_Graphics_drawRoundRect();
void Java_javax_microedition_lcdui_Graphics_fillRoundRect();
void Java_javax_microedition_lcdui_Graphics_drawArc();
void Java_javax_microedition_lcdui_Graphics_fillArc();
void Java_javax_microedition_lcdui_Graphics_fillTriangle();
void Java_javax_microedition_lcdui_Graphics_drawString();
void Java_javax_microedition_lcdui_Graphics_drawSubstring();
void Java_javax_microedition_lcdui_Graphics_drawChar();
void Java_javax_microedition_lcdui_Graphics_drawChars();
void Java_javax_microedition_lcdui_Graphics_drawImage();
void Java_javax_microedition_lcdui_Graphics_translate();
void Java_javax_microedition_lcdui_Graphics_setOrigin();
void Java_javax_microedition_lcdui_Graphics_setClip();
void Java_javax_microedition_lcdui_Graphics_clipRect();
void Java_javax_microedition_lcdui_Graphics_setUpperClip();
void Java_javax_microedition_lcdui_Graphics_clearRect();
void Java_javax_microedition_lcdui_Graphics_nativeGetInvalidHandle();
void Java_javax_microedition_lcdui_Graphics_initializeFieldIndex();
void Java_javax_microedition_lcdui_Graphics_registNativeFinalizer();
void Java_javax_microedition_lcdui_UIGraphics_nativeInit();

// Regions, pixel arrays and area copies.
void Java_javax_microedition_lcdui_Graphics_drawRegion();
void Java_javax_microedition_lcdui_Graphics_drawRGB();
void Java_javax_microedition_lcdui_Graphics_copyArea();

// Exception classes the UI natives raise by name.
inline constexpr char IllegalArgumentExceptionName[] = "java/lang/IllegalArgumentException";
inline constexpr char IllegalStateExceptionName[] = "java/lang/IllegalStateException";
inline constexpr char StringIndexOutOfBoundsExceptionName[] = "java/lang/StringIndexOutOfBoundsException";
inline constexpr char RuntimeExceptionName[] = "java/lang/RuntimeException";
inline constexpr char IOExceptionName[] = "java/io/IOException";
