// Line layout ("LBMG"): one toolkit string cut into lines for a list of line widths, and
// a range of those lines drawn into a rectangle. Lines are broken lazily, only as far as
// a caller asks, and stay until the text, the font or the widths change. Also the
// default-font module that a new layout takes its font from.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_host.h"

// Default-font module.
int32_t FontModuleInit(int32_t optionCount, const void* options);
int32_t FontModuleFini(void);
GuiTkFont GuiTkGetDefaultFont(void);

struct GuiTkLineLayout {
    uint32_t tag;  // "LBMG"
    GuiTkFont font;
    int32_t text;       // toolkit string, not owned; -1 none
    uint32_t valid;     // 0 after a text change: the next computation starts afresh
    int32_t widths;     // handle array of line widths, the last for all later lines; -1 unlimited
    int32_t nextStart;  // unit where the next uncomputed line starts; -1 when all are done
    int32_t lines;      // handle array of line records
};
static_assert(sizeof(GuiTkLineLayout) == 28, "the line layout is seven words");

// One computed line; {-1, 0, 0} past the last line.
struct GuiTkLine {
    int32_t text;
    int32_t start;
    int32_t count;
};
static_assert(sizeof(GuiTkLine) == 12, "a line record is three words");

// How a range of lines is drawn; null stands for {1, -1, 0, 0, 0, 0}.
struct GuiTkLineStyle {
    int32_t version;    // must be 1
    int32_t alignment;  // 0 centre, 1 left, 2 right, -1 by the global direction
    int32_t lineGap;    // pixels added to the font height
    uint32_t background;
    int32_t underlineOffset;  // below the line top, added to the font height
    uint32_t underline;
};
static_assert(sizeof(GuiTkLineStyle) == 24, "the draw style is six words");

int32_t LineLayoutCreate(void);  // -1 when anything cannot be had
void LineLayoutDestroy(int32_t layout);
void LineLayoutSetFont(int32_t layout, GuiTkFont font);
void LineLayoutSetText(int32_t layout, int32_t string);
int32_t LineLayoutSetWidths(int32_t layout, const int32_t* widths, int32_t count);
// min(n, the number of lines); -1 when a line cannot be computed.
int32_t LineLayoutCountLines(int32_t layout, int32_t n);
int32_t LineLayoutGetLine(int32_t layout, int32_t index, GuiTkLine* out);
int32_t LineLayoutGetLineLength(int32_t layout, int32_t index);
int32_t LineLayoutMaxWidth(int32_t layout, int32_t first, int32_t last);
int32_t LineLayoutDraw(int32_t layout, GuiTkGraphics gfx, const GuiTkRect* rect, const GuiTkLineStyle* style);
// last -1: to the end.
int32_t LineLayoutDrawRange(int32_t layout, GuiTkGraphics gfx, const GuiTkRect* rect, int32_t first, int32_t last,
                            const GuiTkLineStyle* style);
