// The font layer: 72 font records (three faces, eight style combinations, three sizes),
// the glyph cache of the codes 0-127 in the default font, and measuring, fitting and
// drawing UTF-16 text into 16-bit surfaces in one colour, without smoothing. Glyphs
// come from a renderer behind a small interface: FreeType in the programs
// (platform/font_freetype.h), a bitmap face of their own in the tests.
#pragma once

#include "platform/surface.h"

#include <stddef.h>
#include <stdint.h>

// One font: the shared record the graphics back end reads word by word.
struct MkFont {
    int32_t index;    // face * 24 + style * 3 + size
    int32_t face;     // 0-2
    int32_t style;    // 1 bold, 2 italic, 4 underlined
    int32_t size;     // 0-2: cells of 14, 16 and 18 pixels
    int32_t leading;  // external leading
    int32_t ascent;
    int32_t descent;
    int32_t height;   // cell height
    uint32_t handle;  // the renderer's font
};
static_assert(sizeof(MkFont) == 36, "MkFont is nine words");
static_assert(offsetof(MkFont, leading) == 16 && offsetof(MkFont, height) == 28, "MkFont word positions");

struct FontMetrics {
    int32_t ascent, descent, leading;
};

// What the font layer asks of a glyph renderer. A font is opened for a face (0-2), the
// style bits and a cell height in pixels; its handle is a word, as the record keeps it.
struct FontRenderer {
    uint32_t (*open)(int32_t face, int32_t style, int32_t height, FontMetrics* out);  // 0 when it cannot
    void (*close)(uint32_t font);
    int32_t (*advance)(uint32_t font, uint16_t ch);
    int32_t (*rightBearing)(uint32_t font, uint16_t ch);  // negative where the glyph overhangs
    // Sets to non-zero the bytes of the character's glyph (underline included) in a mask
    // of width x height bytes, stride bytes a row, with the pen at penX and the cell's top
    // at row 0. Nothing outside the mask is touched.
    void (*draw)(uint32_t font, uint16_t ch, uint8_t* mask, int32_t stride, int32_t width, int32_t height,
                 int32_t penX);
};

enum { FONT_RECORD_COUNT = 72, FONT_CACHED_CODES = 128 };

// Builds the records, the default font and the glyph cache with the renderer; -1 when
// a font cannot be opened (nothing is kept then). A second start replaces the first.
int32_t FontLayerStart(const FontRenderer* renderer);
void FontLayerStop(void);

// The layer's one record, whatever is asked; null before the start.
MkFont* FontGetDefaultRecord(int32_t face, int32_t style, int32_t sizeBits, int32_t unused);
// MIDP face (0, 32, 64), style bits and size number 1-3; the first record otherwise.
MkFont* FontLookup(int32_t face, int32_t style, int32_t size);

int32_t FontMeasureChars(const MkFont* font, const uint16_t* chars, int32_t count);
// The number of leading characters whose widths add up to at most width.
int32_t FontFitChars(const MkFont* font, const uint16_t* chars, int32_t count, int32_t width);
// Draws with the top-left at (x, y), cut to the surface and the clip (null: none); -1
// for a missing or read-only surface.
int32_t FontDrawChars(MkSurface* surface, const MkClip* clip, const MkFont* font, const uint16_t* chars, int32_t count,
                      int32_t x, int32_t y, uint16_t pixel);

// A run through the renderer in the given font, control codes as blanks.
int32_t FontMeasureRun(const MkFont* font, const uint16_t* chars, int32_t count);
int32_t FontDrawRun(MkSurface* surface, const MkClip* clip, const MkFont* font, const uint16_t* chars, int32_t count,
                    int32_t x, int32_t y, uint16_t pixel);
