// Graphics contexts and the drawing calls of the natives and the toolkit: a context
// holds a surface, a clip, a colour, a stroke style and a font, and hands them to the
// rasterizer or the font layer. No translation: callers add their own origin.
#pragma once

#include "platform/font.h"
#include "platform/surface.h"

#include <stddef.h>
#include <stdint.h>

// Eight words; the toolkit reads colour, stroke style and font by their word positions
// (through the font field readers), so the layout is fixed.
struct MkGraphicsContext {
    P32<MkSurface> surface;  // never null
    MkClip clip;
    uint32_t pixel;        // low half: the surface pixel of the colour
    uint32_t color;        // ARGB as set
    uint32_t strokeStyle;  // 0 solid, other dotted
    P32<MkFont> font;
    uint32_t spare;
};
static_assert(sizeof(MkGraphicsContext) == 32, "MkGraphicsContext is eight words");
static_assert(offsetof(MkGraphicsContext, color) == offsetof(MkFont, leading), "colour is word 5");
static_assert(offsetof(MkGraphicsContext, strokeStyle) == offsetof(MkFont, ascent), "stroke style is word 6");
static_assert(offsetof(MkGraphicsContext, font) == offsetof(MkFont, descent), "font is word 7");

#define MK_NO_CONTEXT ((MkGraphicsContext*)-1)

MkGraphicsContext* MkGraphicsCreateContext(MkSurface* surface);  // MK_NO_CONTEXT when out of memory
void MkGraphicsDestroyContext(MkGraphicsContext* ctx);
void MkGraphicsSetFont(MkGraphicsContext* ctx, MkFont* font);
uint32_t MkGraphicsSetColor(MkGraphicsContext* ctx, uint32_t argb);  // the pixel
void MkGraphicsSetStrokeStyle(MkGraphicsContext* ctx, uint32_t style);
void MkGraphicsGetClip(const MkGraphicsContext* ctx, int32_t out[4]);
void MkGraphicsSetClip(MkGraphicsContext* ctx, const int32_t in[4]);  // low 16 bits of each
uint32_t MkGraphicsGetDisplayColor(uint32_t rgb);

// Rectangles are {x, y, w, h}; results are the rasterizer's.
int32_t MkGraphicsDrawLine(MkGraphicsContext* ctx, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
int32_t MkGraphicsDrawRect(MkGraphicsContext* ctx, const int32_t rect[4]);
int32_t MkGraphicsFillRect(MkGraphicsContext* ctx, const int32_t rect[4]);
int32_t MkGraphicsDrawRoundRect(MkGraphicsContext* ctx, const int32_t rect[4], int32_t arcW, int32_t arcH);
int32_t MkGraphicsFillRoundRect(MkGraphicsContext* ctx, const int32_t rect[4], int32_t arcW, int32_t arcH);
int32_t MkGraphicsDrawArc(MkGraphicsContext* ctx, const int32_t rect[4], int32_t startAngle, int32_t endAngle);
int32_t MkGraphicsFillArc(MkGraphicsContext* ctx, const int32_t rect[4], int32_t startAngle, int32_t endAngle);
int32_t MkGraphicsFillTriangle(MkGraphicsContext* ctx, const int32_t* xs, const int32_t* ys, int32_t count);
int32_t MkGraphicsDrawChars(MkGraphicsContext* ctx, const uint16_t* chars, int32_t count, int32_t x, int32_t y);

// Fonts: the font layer keeps one record, so every request answers it.
MkFont* MkFontInitDefault(void);
void MkFontFiniDefault(void);
MkFont* MkFontGetDefault(int32_t face);
MkFont* MkFontCreate(int32_t face, int32_t packed);  // style in bits 0-3, size in bits 4-7
void MkFontInitIndex(int32_t out[3]);
int32_t MkFontGetType(const MkFont* font);
// Words 5 to 8 of whatever record they are given (a context too).
int32_t MkFontGetLeading(const void* record);
int32_t MkFontGetAscent(const void* record);
int32_t MkFontGetDescent(const void* record);
int32_t MkFontGetHeight(const void* record);
int32_t MkFontCharWidth(const MkFont* font, uint16_t ch);
int32_t MkFontCharsWidth(const MkFont* font, const uint16_t* chars, int32_t count);
int32_t MkFontFitChars(const MkFont* font, const uint16_t* chars, int32_t count, int32_t width);

void MkVideoStartDraw(void);
void MkVideoEndDraw(int32_t refresh);
int32_t MkDisplaySetFullScreenMode(int32_t mode);
int32_t MkGameCanvasGetKeyStates(void);

// The allocator of contexts and of the back end's records (the host's, or low memory).
void* mk_allocPointer(uint32_t size);
void mk_freePointer(void* block);
// Out-of-memory report at level 3 of the trace, under the source's name.
void mk_traceOutOfMemory(const char* source, const char* message);
