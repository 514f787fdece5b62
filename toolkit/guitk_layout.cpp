// Line layout and the default-font module.
#include "toolkit/guitk_layout.h"

#include "toolkit/guitk_comp.h"
#include "toolkit/guitk_handle.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

VMBSS GuiTkFont* DefaultFont;

enum { LAST_LINE_LIMIT = 32767 };

GuiTkLineLayout* lockLayout(int32_t layout) { return (GuiTkLineLayout*)GuiTkLockTyped(layout, 0, GUITK_TAG_LBMG); }

void freeLines(int32_t lines) {
    int32_t n = HandleArrayCount(lines);
    for (int32_t i = 0; i < n; i++) GuiTkFreeHandle(HandleArrayGet(lines, i));
    HandleArrayClear(lines);
}

// Drops the computed lines; the next computation starts from the first unit.
void dropLines(int32_t layout) {
    GuiTkLineLayout* l = lockLayout(layout);
    if (l == nullptr) return;
    int32_t lines = l->lines;
    l->valid = 0;
    GuiTkUnlockHandle(layout);
    freeLines(lines);
}

int32_t appendLine(int32_t lines, int32_t text, int32_t start, int32_t count) {
    int32_t line = GuiTkAllocHandle((int32_t)sizeof(GuiTkLine));
    if (line == -1) return -1;
    GuiTkLine* r = (GuiTkLine*)GuiTkLockHandle(line);
    if (r == nullptr) {
        GuiTkFreeHandle(line);
        return -1;
    }
    *r = {text, start, count};
    GuiTkUnlockHandle(line);
    if (HandleArrayAppend(lines, line) != 0) {
        GuiTkFreeHandle(line);
        return -1;
    }
    return 0;
}

// Breaks lines until line k exists or the text is used up; -1 when a line record cannot
// be had (the lines made so far stay).
int32_t computeLines(int32_t layout, int32_t k) {
    GuiTkLineLayout* l = lockLayout(layout);
    if (l == nullptr) return -1;
    if (l->valid == 0) {
        int32_t lines = l->lines;
        l->nextStart = 0;
        l->valid = 1;
        GuiTkUnlockHandle(layout);
        freeLines(lines);
        l = lockLayout(layout);
        if (l == nullptr) return -1;
    }
    GuiTkLineLayout s = *l;
    GuiTkUnlockHandle(layout);
    if (s.nextStart == -1 || s.text == -1) {
        GuiTkSetTypedInt(layout, 0, GUITK_TAG_LBMG, (int32_t)offsetof(GuiTkLineLayout, nextStart), -1);
        return 0;
    }
    int32_t length = StrGetLength(s.text);
    int32_t widthCount = HandleArrayCount(s.widths);
    int32_t n = HandleArrayCount(s.lines);
    int32_t next = s.nextStart, result = 0;
    while (n <= k && next < length) {
        int32_t w = HandleArrayGet(s.widths, n < widthCount - 1 ? n : widthCount - 1);
        int32_t count;
        if (w == -1) {
            const uint16_t* chars = StrLockChars(s.text);
            if (chars == nullptr) {
                result = -1;
                break;
            }
            count = GuiTkLineLength(chars + next, length - next);
            StrUnlockChars(s.text);
        } else {
            int32_t wider = w;
            for (int32_t i = n + 1; i < widthCount; i++) {
                int32_t v = HandleArrayGet(s.widths, i);
                if (v > wider) wider = v;
            }
            count = GuiTkBreakLineFlexible(s.font, s.text, next, w, wider);
            // An empty line waits for a wider one further down; with none to come it
            // would repeat for ever, so the unit goes on this line, too wide as it is
            // (with the LF that ends it, as a unit that fits would take it).
            if (count == 0 && wider <= w) {
                const uint16_t* chars = StrLockChars(s.text);
                if (chars == nullptr) {
                    result = -1;
                    break;
                }
                count = chars[next] != GUITK_LF && next + 1 < length && chars[next + 1] == GUITK_LF ? 2 : 1;
                StrUnlockChars(s.text);
            }
        }
        if (appendLine(s.lines, s.text, next, count) != 0) {
            result = -1;
            break;
        }
        n++;
        next += count;
    }
    if (next >= length) next = -1;
    GuiTkSetTypedInt(layout, 0, GUITK_TAG_LBMG, (int32_t)offsetof(GuiTkLineLayout, nextStart), next);
    return result;
}

int32_t fieldOf(int32_t layout, size_t position) {
    return GuiTkGetTypedInt(layout, 0, GUITK_TAG_LBMG, (int32_t)position);
}

}  // namespace

int32_t FontModuleInit(int32_t, const void*) {
    GuiTkFont* word = (GuiTkFont*)GuiTkAlloc((int32_t)sizeof(GuiTkFont));
    if (word == nullptr) return -1;
    *word = GuiTkFontGetDefault();
    if (*word == GUITK_NONE) {
        GuiTkFree(word);
        return -1;
    }
    DefaultFont = word;
    return 0;
}

int32_t FontModuleFini(void) {
    if (DefaultFont != nullptr) GuiTkFree(DefaultFont);
    DefaultFont = nullptr;
    return 0;
}

GuiTkFont GuiTkGetDefaultFont(void) { return *DefaultFont; }

int32_t LineLayoutCreate(void) {
    int32_t layout = GuiTkAllocHandle((int32_t)sizeof(GuiTkLineLayout));
    if (layout == -1) return -1;
    int32_t widths = HandleArrayCreate();
    int32_t lines = widths != -1 ? HandleArrayCreate() : -1;
    if (lines == -1 || HandleArrayAppend(widths, -1) != 0) {
        if (lines != -1) HandleArrayDestroy(lines);
        if (widths != -1) HandleArrayDestroy(widths);
        GuiTkFreeHandle(layout);
        return -1;
    }
    GuiTkLineLayout* l = (GuiTkLineLayout*)GuiTkLockHandle(layout);
    if (l == nullptr) {
        HandleArrayDestroy(lines);
        HandleArrayDestroy(widths);
        GuiTkFreeHandle(layout);
        return -1;
    }
    *l = {GUITK_TAG_LBMG, GuiTkGetDefaultFont(), -1, 1, widths, -1, lines};
    GuiTkUnlockHandle(layout);
    return layout;
}

void LineLayoutDestroy(int32_t layout) {
    GuiTkLineLayout* l = lockLayout(layout);
    if (l == nullptr) return;
    int32_t widths = l->widths, lines = l->lines;
    l->tag = 0;
    GuiTkUnlockHandle(layout);
    freeLines(lines);
    HandleArrayDestroy(lines);
    HandleArrayDestroy(widths);
    GuiTkFreeHandle(layout);
}

void LineLayoutSetFont(int32_t layout, GuiTkFont font) {
    if (font == GUITK_NONE) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    if (fieldOf(layout, offsetof(GuiTkLineLayout, font)) == font) return;
    GuiTkSetTypedInt(layout, 0, GUITK_TAG_LBMG, (int32_t)offsetof(GuiTkLineLayout, font), font);
    dropLines(layout);
}

void LineLayoutSetText(int32_t layout, int32_t string) {
    dropLines(layout);
    GuiTkSetTypedInt(layout, 0, GUITK_TAG_LBMG, (int32_t)offsetof(GuiTkLineLayout, text), string);
}

int32_t LineLayoutSetWidths(int32_t layout, const int32_t* widths, int32_t count) {
    bool ok = count >= 1 && widths != nullptr;
    for (int32_t i = 0; ok && i < count; i++) ok = widths[i] >= (count == 1 ? -1 : 0);
    if (!ok) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    int32_t stored = fieldOf(layout, offsetof(GuiTkLineLayout, widths));
    bool same = HandleArrayCount(stored) == count;
    for (int32_t i = 0; same && i < count; i++) same = HandleArrayGet(stored, i) == widths[i];
    if (same) return 0;
    dropLines(layout);
    HandleArrayClear(stored);
    for (int32_t i = 0; i < count; i++)
        if (HandleArrayAppend(stored, widths[i]) != 0) return -1;
    return 0;
}

int32_t LineLayoutCountLines(int32_t layout, int32_t n) {
    if (n < 0) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    if (n == 0) return 0;
    if (computeLines(layout, n - 1) != 0) return -1;
    int32_t lines = HandleArrayCount(fieldOf(layout, offsetof(GuiTkLineLayout, lines)));
    return lines < n ? lines : n;
}

int32_t LineLayoutGetLine(int32_t layout, int32_t index, GuiTkLine* out) {
    if (index < 0 || out == nullptr) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    if (computeLines(layout, index) != 0) return -1;
    int32_t lines = fieldOf(layout, offsetof(GuiTkLineLayout, lines));
    *out = {-1, 0, 0};
    if (index >= HandleArrayCount(lines)) return 0;
    int32_t line = HandleArrayGet(lines, index);
    const GuiTkLine* r = (const GuiTkLine*)GuiTkLockHandle(line);
    if (r == nullptr) return -1;
    *out = *r;
    GuiTkUnlockHandle(line);
    return 0;
}

int32_t LineLayoutGetLineLength(int32_t layout, int32_t index) {
    GuiTkLine line;
    if (LineLayoutGetLine(layout, index, &line) != 0) return -1;
    return line.count;
}

int32_t LineLayoutMaxWidth(int32_t layout, int32_t first, int32_t last) {
    if (first < 0 || first > last || last > LAST_LINE_LIMIT) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    GuiTkFont font = fieldOf(layout, offsetof(GuiTkLineLayout, font));
    int32_t widest = 0;
    for (int32_t i = first; i <= last; i++) {
        GuiTkLine line;
        if (LineLayoutGetLine(layout, i, &line) != 0) return -1;
        if (line.text == -1) break;
        int32_t w = GuiTkSubstringWidth(font, line.text, line.start, line.count);
        if (w > widest) widest = w;
    }
    return widest;
}

int32_t LineLayoutDraw(int32_t layout, GuiTkGraphics gfx, const GuiTkRect* rect, const GuiTkLineStyle* style) {
    return LineLayoutDrawRange(layout, gfx, rect, 0, -1, style);
}

int32_t LineLayoutDrawRange(int32_t layout, GuiTkGraphics gfx, const GuiTkRect* rect, int32_t first, int32_t last,
                            const GuiTkLineStyle* style) {
    const GuiTkLineStyle plain = {1, -1, 0, 0, 0, 0};
    if (style == nullptr) style = &plain;
    bool ok = first >= 0 && first <= LAST_LINE_LIMIT && (last == -1 || (last >= first && last <= LAST_LINE_LIMIT)) &&
              gfx != GUITK_NONE && style->version == 1 && style->alignment >= -1 && style->alignment <= 2;
    if (!ok) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    GuiTkFont font = fieldOf(layout, offsetof(GuiTkLineLayout, font));
    int32_t h = GuiTkFontGetHeight(font);
    if (last == -1) last = LAST_LINE_LIMIT;
    int32_t step = h + style->lineGap;

    GuiTkRect visible;
    GuiTkGfxGetClip(gfx, &visible);
    GuiTkRectIntersect(&visible, rect);
    if (visible.width <= 0 || visible.height <= 0) return 0;
    int32_t y = rect->y;
    if (step > 0) {
        if (visible.y > rect->y) {
            int32_t skip = (visible.y - rect->y) / step;
            first += skip;
            y += skip * step;
        }
        int32_t lastVisible = first + visible.height / step + 1;
        if (lastVisible < last) last = lastVisible;
    }

    int32_t alignment = style->alignment;
    if (alignment == -1) alignment = CompGetLanguageDirection() == 1 ? 2 : 1;
    bool backdrop = (style->background >> 24) != 0, underline = (style->underline >> 24) != 0;
    uint32_t color = GuiTkGfxGetColor(gfx);
    for (int32_t i = first; i <= last; i++, y += step) {
        GuiTkLine line;
        if (LineLayoutGetLine(layout, i, &line) != 0) return -1;
        if (line.text == -1) break;
        if (line.count == 0) continue;
        int32_t width = 0;
        if (backdrop || underline || alignment != 1)
            width = GuiTkSubstringWidth(font, line.text, line.start, line.count);
        int32_t x = alignment == 1   ? rect->x
                    : alignment == 2 ? rect->x + rect->width - width
                                     : rect->x + (rect->width - width) / 2;
        if (backdrop) {
            GuiTkRect area = {x, y, width, h};
            GuiTkUseColor(gfx, style->background);
            GuiTkGfxFillRect(gfx, &area);
            GuiTkGfxSetColor(gfx, color);
        }
        GuiTkDrawSubstring(gfx, line.text, line.start, line.count, x, y);
        if (underline && width > 0) {
            int32_t lineY = y + h + style->underlineOffset;
            GuiTkUseColor(gfx, style->underline);
            GuiTkGfxDrawLine(gfx, x, lineY, x + width - 1, lineY);
            GuiTkGfxSetColor(gfx, color);
        }
    }
    return 0;
}
