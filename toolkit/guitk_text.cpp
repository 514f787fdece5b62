// Measuring, breaking and drawing toolkit strings.
#include "toolkit/guitk_text.h"

#include "toolkit/guitk_comp.h"
#include "toolkit/guitk_string.h"

namespace {

inline int32_t lengthOf(int32_t string) { return string == -1 ? 0 : StrGetLength(string); }

// start and count name units of the string; fatal 3 otherwise.
bool checkRange(int32_t string, int32_t start, int32_t count) {
    int32_t length = lengthOf(string);
    if (start < 0 || count < 0 || start > length || count > length - start) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return false;
    }
    return true;
}

int32_t rangeWidth(GuiTkFont font, int32_t string, int32_t start, int32_t count) {
    if (string == -1 || count <= 0) return 0;
    const uint16_t* chars = StrLockChars(string);
    if (chars == nullptr) return 0;
    int32_t width = GuiTkFontCharsWidth(font, chars + start, count);
    StrUnlockChars(string);
    return width;
}

void drawRange(GuiTkGraphics gfx, int32_t string, int32_t start, int32_t count, int32_t x, int32_t y) {
    if (string == -1 || count <= 0) return;
    const uint16_t* chars = StrLockChars(string);
    if (chars == nullptr) return;
    GuiTkGfxDrawChars(gfx, chars + start, count, x, y);
    StrUnlockChars(string);
}

}  // namespace

int32_t GuiTkLineLength(const uint16_t* chars, int32_t n) {
    for (int32_t i = 0; i < n; i++)
        if (chars[i] == GUITK_LF) return i + 1;
    return n;
}

int32_t GuiTkStringWidth(GuiTkFont font, int32_t string) { return rangeWidth(font, string, 0, lengthOf(string)); }

int32_t GuiTkSubstringWidth(GuiTkFont font, int32_t string, int32_t start, int32_t count) {
    if (!checkRange(string, start, count)) return 0;
    return rangeWidth(font, string, start, count);
}

int32_t GuiTkBreakLine(GuiTkFont font, int32_t string, int32_t start, int32_t width, int32_t grow, int32_t allowEmpty) {
    int32_t length = lengthOf(string);
    if (start < 0 || start > length) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return 0;
    }
    if (start == length) return -1;
    const uint16_t* chars = StrLockChars(string);
    if (chars == nullptr) return 0;
    const uint16_t* rest = chars + start;
    int32_t n = length - start;
    int32_t fit = GuiTkFontFitChars(font, rest, n, width);
    if (fit < n && rest[fit] == GUITK_LF) fit++;
    int32_t line = GuiTkLineLength(rest, n);
    int32_t result = fit < line ? fit : line;
    if (result == 0 && grow) {
        while (result < line && GuiTkFontCharsWidth(font, rest, result + 1) <= width) result++;
        if (result == 0 && !allowEmpty) result = 1;
    }
    StrUnlockChars(string);
    return result;
}

int32_t GuiTkNextLine(GuiTkFont font, int32_t string, int32_t start, int32_t width) {
    return GuiTkBreakLine(font, string, start, width, 1, 0);
}

int32_t GuiTkBreakLineFlexible(GuiTkFont font, int32_t string, int32_t start, int32_t width, int32_t widerWidth) {
    int32_t result = GuiTkBreakLine(font, string, start, width, 0, 1);
    if (result != 0) return result;
    if (GuiTkBreakLine(font, string, start, widerWidth, 0, 1) != 0) return 0;
    return GuiTkBreakLine(font, string, start, width, 1, 1);
}

void GuiTkMeasureString(GuiTkFont font, int32_t string, int32_t* width, int32_t* height) {
    *width = GuiTkStringWidth(font, string);
    *height = GuiTkFontGetHeight(font);
}

void GuiTkMeasureFirstLine(GuiTkFont font, int32_t string, int32_t* width, int32_t* height) {
    *width = 0;
    *height = GuiTkFontGetHeight(font);
    if (string == -1) return;
    const uint16_t* chars = StrLockChars(string);
    if (chars == nullptr) return;
    *width = GuiTkFontCharsWidth(font, chars, GuiTkLineLength(chars, StrGetLength(string)));
    StrUnlockChars(string);
}

void GuiTkMeasureText(GuiTkFont font, int32_t string, int32_t width, int32_t* outWidth, int32_t* outHeight) {
    int32_t lineHeight = GuiTkFontGetHeight(font);
    *outWidth = 0;
    *outHeight = lineHeight;
    if (string == -1) return;
    if (width < 0) width = GuiTkStringWidth(font, string);
    int32_t widest = 0, lines = 0;
    for (int32_t start = 0;;) {
        int32_t count = GuiTkNextLine(font, string, start, width);
        if (count <= 0) break;
        int32_t w = rangeWidth(font, string, start, count);
        if (w > widest) widest = w;
        lines++;
        start += count;
    }
    *outWidth = widest < width ? widest : width;
    if (lines > 1) *outHeight = lines * lineHeight;
}

void GuiTkMeasureGrid(GuiTkFont font, int32_t string, int32_t width, int32_t* outWidth, int32_t* outHeight) {
    const uint16_t star = u'*';
    int32_t cell = GuiTkFontCharsWidth(font, &star, 1);
    int32_t length = lengthOf(string);
    if (width < 0) width = cell * length;
    int32_t columns = cell < 1 ? 1 : width / cell;
    if (columns < 1) columns = 1;
    int32_t rows = (length + columns - 1) / columns;
    if (rows < 1) rows = 1;
    *outWidth = cell * columns;
    *outHeight = GuiTkFontGetHeight(font) * rows;
}

void GuiTkDrawString(GuiTkGraphics gfx, int32_t string, int32_t x, int32_t y) {
    drawRange(gfx, string, 0, lengthOf(string), x, y);
}

void GuiTkDrawSubstring(GuiTkGraphics gfx, int32_t string, int32_t start, int32_t count, int32_t x, int32_t y) {
    if (!checkRange(string, start, count)) return;
    drawRange(gfx, string, start, count, x, y);
}

void GuiTkDrawAlignedText(GuiTkGraphics gfx, int32_t string, int32_t x, int32_t y, int32_t width, int32_t alignment) {
    if (string == -1 || width < 1) return;
    GuiTkFont font = GuiTkGfxGetFont(gfx);
    int32_t lineHeight = GuiTkFontGetHeight(font);
    for (int32_t start = 0;;) {
        int32_t count = GuiTkNextLine(font, string, start, width);
        if (count <= 0) break;
        int32_t lineWidth = rangeWidth(font, string, start, count);
        int32_t lineX = alignment == 0 ? x + (width - lineWidth) / 2 : alignment == 2 ? x + width - lineWidth : x;
        drawRange(gfx, string, start, count, lineX, y);
        y += lineHeight;
        start += count;
    }
}

void GuiTkDrawWrappedText(GuiTkGraphics gfx, int32_t string, int32_t x, int32_t y, int32_t width) {
    GuiTkDrawAlignedText(gfx, string, x, y, width, CompGetLanguageDirection() == 1 ? 2 : 1);
}
