// The drawing vocabulary of the component kinds: the screen module with the one graphics
// context on the screen, rectangle arithmetic, placing a block in a box by a component's
// alignment, the three-dimensional frame and the small colour-coded icons.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_host.h"

struct GuiTkComponent;

// Screen module: the screen's size and soft-key count as read at its start.
int32_t ScreenModuleInit(int32_t optionCount, const void* options);
int32_t ScreenModuleFini(void);
// A new context on the screen surface (the old one is kept if that fails: -1).
int32_t GuiTkRecreateScreenContext(void);
GuiTkGraphics GuiTkGetScreenGraphics(void);
int32_t GuiTkGetScreenWidth(void);
int32_t GuiTkGetScreenHeight(void);
int32_t GuiTkGetSoftkeyCount(void);

// Rectangles: edges are inclusive, right and bottom saturate at 0x7FFFFFFF.
int32_t GuiTkRectContainsPoint(const GuiTkRect* rect, int32_t x, int32_t y);
int32_t GuiTkRectContainsRect(const GuiTkRect* outer, const GuiTkRect* inner);
int32_t GuiTkRectIntersects(const GuiTkRect* a, const GuiTkRect* b);
// a := a intersected with b (an invalid a is left alone; no overlap leaves it 0 x 0).
void GuiTkRectIntersect(GuiTkRect* a, const GuiTkRect* b);
// The context's clip := clip intersected with rect.
void GuiTkClipTo(GuiTkGraphics gfx, const GuiTkRect* rect);

// Where a block goes in a box by the record's alignment bytes.
void GuiTkPlaceBlock(const GuiTkComponent* record, const GuiTkRect* box, int32_t blockWidth, int32_t blockHeight,
                     int32_t* x, int32_t* y);

// Colours are ARGB; alpha 0 draws nothing. Raised: a is the outer top-left, b the inner
// bottom-right and c the outer bottom-right; sunken: b outer top-left, c inner top-left,
// a outer bottom-right.
void GuiTkDrawFrame(GuiTkGraphics gfx, const GuiTkRect* rect, uint32_t a, uint32_t b, uint32_t c, uint32_t fill,
                    int32_t raised);

// Icon pattern bytes.
enum {
    GUITK_PATTERN_BLACK = 1,
    GUITK_PATTERN_WHITE = 2,
    GUITK_PATTERN_LIGHT_GREY = 3,
    GUITK_PATTERN_DARK_GREY = 4,
    GUITK_PATTERN_CURRENT = 255,
};
// pixels holds width x height ARGB words.
void GuiTkDrawPattern(GuiTkGraphics gfx, uint32_t* pixels, const uint8_t* pattern, int32_t width, int32_t height,
                      int32_t x, int32_t y);
void GuiTkDrawPattern9x9(GuiTkGraphics gfx, const uint8_t* pattern, int32_t x, int32_t y);
void GuiTkDrawPattern5x3(GuiTkGraphics gfx, const uint8_t* pattern, int32_t x, int32_t y);

// Sets the colour's low 24 bits; false (nothing set) for a colour of alpha 0.
bool GuiTkUseColor(GuiTkGraphics gfx, uint32_t argb);
