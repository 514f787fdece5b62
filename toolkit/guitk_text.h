// Text primitives over toolkit strings: measuring, cutting into lines and drawing in a
// host font. A string handle of -1 is no text. Lines break by character: after a LF or
// after the last unit that fits; there is no search for word boundaries.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_host.h"

enum : uint16_t { GUITK_LF = 0x000A };

// The index just past the first LF among n units, or n.
int32_t GuiTkLineLength(const uint16_t* chars, int32_t n);
int32_t GuiTkStringWidth(GuiTkFont font, int32_t string);
// fatal 3 and 0 for a range outside the string
int32_t GuiTkSubstringWidth(GuiTkFont font, int32_t string, int32_t start, int32_t count);

// The units of the line that begins at start; -1 at the end of the string. With grow, an
// empty line takes units one by one while they fit; then, unless allowEmpty, at least one.
int32_t GuiTkBreakLine(GuiTkFont font, int32_t string, int32_t start, int32_t width, int32_t grow, int32_t allowEmpty);
// Always advances by at least one unit.
int32_t GuiTkNextLine(GuiTkFont font, int32_t string, int32_t start, int32_t width);
// 0 when the first unit fits only the wider width (a later, wider line takes it).
int32_t GuiTkBreakLineFlexible(GuiTkFont font, int32_t string, int32_t start, int32_t width, int32_t widerWidth);

void GuiTkMeasureString(GuiTkFont font, int32_t string, int32_t* width, int32_t* height);
void GuiTkMeasureFirstLine(GuiTkFont font, int32_t string, int32_t* width, int32_t* height);
// Lines cut by GuiTkNextLine (a negative width: the whole string's); the widest line,
// capped at width, and at least one line's height.
void GuiTkMeasureText(GuiTkFont font, int32_t string, int32_t width, int32_t* outWidth, int32_t* outHeight);
// Cells as wide as "*".
void GuiTkMeasureGrid(GuiTkFont font, int32_t string, int32_t width, int32_t* outWidth, int32_t* outHeight);

void GuiTkDrawString(GuiTkGraphics gfx, int32_t string, int32_t x, int32_t y);
void GuiTkDrawSubstring(GuiTkGraphics gfx, int32_t string, int32_t start, int32_t count, int32_t x, int32_t y);
// Alignment 0 centre, 2 right, anything else left; in the context's font.
void GuiTkDrawAlignedText(GuiTkGraphics gfx, int32_t string, int32_t x, int32_t y, int32_t width, int32_t alignment);
// Left, or right for a right-to-left global direction.
void GuiTkDrawWrappedText(GuiTkGraphics gfx, int32_t string, int32_t x, int32_t y, int32_t width);
