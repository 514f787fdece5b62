// Soft keys, command keys, alert sounds, option strings and the confirmation screen.
#include "graphics/mk_dialog.h"

#include "graphics/gfx2d.h"
#include "graphics/mk_host.h"
#include "platform/vmsections.h"

#include <string.h>

namespace {

struct SoftkeyState {
    uint16_t labels[3][MK_SOFTKEY_LABEL_MAX];
    int32_t lengths[3];
    int32_t scrollState, focusState;
    int32_t changed;
};

VMBSS SoftkeyState softkeys;
VMBSS int32_t dialogChoice;  // 0: "YES" focused, 1: "NO" focused

enum { OPTION_TEXT_MAX = 128 };
VMBSS uint16_t optionText[OPTION_TEXT_MAX];

struct OptionRow {
    const char* key;
    int32_t resource;
    const char* text;  // the resource's text in the program's own strings
};

const OptionRow kOptions[] = {
    {"midp20_permissionBlanket", 1460, "Allow and don't ask again"},
    {"midp20_permissionSession", 1461, "Allow for this session"},
    {"midp20_permissionOneshot", 1462, "Allow and ask me next time"},
    {"midp20_permissionNotNow", 1464, "Not now"},
    {"midp20_permissionNever", 1463, "Never"},
    {"midp20_permissionSessionNo ", 1465, "No session this time"},
};

const uint16_t kBackground = 0xFFFF, kButtonFace = 0xBDF7, kFocusFrame = 0x001F, kText = 0x0000;
const uint16_t kYes[] = {'Y', 'E', 'S'}, kNo[] = {'N', 'O'}, kDots[] = {'.', '.', '.'};

}  // namespace

void MkSoftkeySetLabel(const uint16_t* chars, int32_t count, int32_t key) {
    if (chars == nullptr || count < 1 || key < 1 || key > 3) return;
    int32_t n = count < MK_SOFTKEY_LABEL_MAX ? count : MK_SOFTKEY_LABEL_MAX;
    memcpy(softkeys.labels[key - 1], chars, n * sizeof(uint16_t));
    softkeys.lengths[key - 1] = n;
    softkeys.changed = 1;
}

void MkSoftkeyResetLabels(void) {
    softkeys.lengths[0] = softkeys.lengths[1] = 0;
    // the arrows belong to the screen whose labels go
    softkeys.scrollState = 0;
    softkeys.changed = 1;
}

void MkSoftkeySetScrollState(int32_t value) { softkeys.scrollState = value; }
int32_t MkSoftkeyGetScrollState(void) { return softkeys.scrollState; }
void MkSoftkeySetFocusState(int32_t value) { softkeys.focusState = value; }

void MkSoftkeyPaint(void) {
    const MkHostHooks* h = mk_getHostHooks();
    if (h->menuBarSetSoftkeyLabel == nullptr) return;
    for (int32_t key = 1; key <= 2; key++)
        h->menuBarSetSoftkeyLabel(key, softkeys.labels[key - 1], softkeys.lengths[key - 1]);
}

void MkGetDefaultCommandKeys(int32_t* table) {
    if (table == nullptr) return;
    for (int i = 0; i < 7; i++) table[i] = i < 4 ? 21 : 22;
}

int32_t MkAlertPlaySound(int32_t kind) {
    static const uint32_t kBeeps[] = {0, 0x20, 0x10, 0x40, 0x30};
    if (kind < 0 || kind > 4) return 0;
    const MkHostHooks* h = mk_getHostHooks();
    return h->messageBeep != nullptr && h->messageBeep(kBeeps[kind]) != 0 ? 1 : 0;
}

const uint16_t* MkOptionGetString(const char* key, int32_t length, int32_t* outLength) {
    if (key == nullptr || outLength == nullptr) return nullptr;
    *outLength = 0;
    for (const OptionRow& row : kOptions) {
        if (length < 0 || strncmp(row.key, key, (size_t)length) != 0) continue;
        const MkHostHooks* h = mk_getHostHooks();
        int32_t n = 0;
        if (h->loadString != nullptr) {
            n = h->loadString(row.resource, optionText, OPTION_TEXT_MAX);
        } else {
            for (; row.text[n] != '\0' && n < OPTION_TEXT_MAX; n++) optionText[n] = (uint8_t)row.text[n];
        }
        *outLength = n < 0 ? 0 : n > OPTION_TEXT_MAX ? OPTION_TEXT_MAX : n;
        return optionText;
    }
    return nullptr;
}

void MkTracePrint(const char*) {}

namespace {

// The screen's own drawing: the context's clip, whatever the surface's writable flag.
struct DialogPen {
    MkSurface surface;
    MkGraphicsContext* ctx;
    const MkFont* font;

    void fill(int32_t x, int32_t y, int32_t w, int32_t h, uint16_t pixel) {
        gfx2d_fillRect(&surface, &ctx->clip, pixel, x, y, w, h);
    }
    void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t pixel) {
        gfx2d_drawLine(&surface, &ctx->clip, pixel, x1, y1, x2, y2);
    }
    void rect(int32_t x, int32_t y, int32_t w, int32_t h, uint16_t pixel) {
        gfx2d_drawRect(&surface, &ctx->clip, pixel, x, y, w, h);
    }
    void text(const uint16_t* chars, int32_t count, int32_t x, int32_t y) {
        if (count > 0) FontDrawChars(&surface, &ctx->clip, font, chars, count, x, y, kText);
    }
    int32_t width(const uint16_t* chars, int32_t count) { return FontMeasureChars(font, chars, count); }

    // The length of the line that starts the text, for the given width: up to and with the
    // first line feed, or the characters that fit (a line feed right behind them joins
    // the line); at least one character.
    int32_t lineLength(const uint16_t* chars, int32_t count, int32_t w) {
        int32_t fit = FontFitChars(font, chars, count, w);
        for (int32_t i = 0; i < fit; i++)
            if (chars[i] == '\n') return i + 1;
        if (fit < count && chars[fit] == '\n') return fit + 1;
        return fit > 0 ? fit : 1;
    }
};

}  // namespace

int32_t MkDrawDialogScreen(MkGraphicsContext* ctx, int32_t, int32_t event, const uint16_t* title, int32_t titleLength,
                           const uint16_t* body, int32_t bodyLength) {
    int32_t result = 0;
    if (event == -1 || event == 18)
        dialogChoice = 0;
    else if (event == 16)
        dialogChoice = 1;
    else if (event == 20)
        result = dialogChoice == 0 ? 16 : 32;

    DialogPen pen = {*ctx->surface, ctx, ctx->font};
    pen.surface.writable = 1;
    const int32_t x = ctx->clip.x, y = ctx->clip.y, w = ctx->clip.width, h = ctx->clip.height;
    const int32_t fh = ctx->font != nullptr ? ctx->font->height : 0;
    pen.fill(x, y, w, h, kBackground);

    pen.fill(x, y, w, fh + 1, kBackground);
    if (title == nullptr) titleLength = 0;
    int32_t d = (w - pen.width(title, titleLength)) / 2;
    if (d >= 0) {
        pen.text(title, titleLength, x + d, y);
    } else {
        // too wide: the first line cut by three characters, then "..."; a line shorter than
        // three characters keeps nothing of itself
        int32_t n = titleLength > 0 ? pen.lineLength(title, titleLength, w) : 0;
        int32_t kept = n >= 3 ? n - 3 : 0;
        pen.text(title, kept, x, y);
        pen.text(kDots, 3, x + pen.width(title, kept), y);
    }
    pen.line(0, fh, w, fh, kText);

    const int32_t yesWidth = pen.width(kYes, 3);
    const int32_t bh = fh + 2, bw = yesWidth + 2, m = pen.width(kYes, 1);
    const int32_t top = h - 2 * fh - bh + fh;
    struct Button {
        int32_t left;
        const uint16_t* label;
        int32_t length;
        bool focused;
    } buttons[] = {{m, kNo, 2, dialogChoice == 1}, {w - m - bw, kYes, 3, dialogChoice == 0}};
    for (const Button& b : buttons) {
        pen.fill(b.left, top, bw, bh, kButtonFace);
        pen.line(b.left, top, b.left + bw, top, kText);
        pen.line(b.left, top + bh, b.left + bw, top + bh, kText);
        pen.line(b.left, top, b.left, top + bh, kText);
        pen.line(b.left + bw, top, b.left + bw, top + bh, kText);
        int32_t lw = pen.width(b.label, b.length);
        pen.text(b.label, b.length, b.left + (bw - lw) / 2, top + (bh - fh) / 2);
        if (b.focused) pen.rect(b.left - 2, top - 2, yesWidth + 6, fh + 6, kFocusFrame);
    }

    const MkClip saved = ctx->clip;
    const int32_t titleHeight = fh + 1, barHeight = bh + 2 * fh;
    const int32_t bodyTop = titleHeight + 1;
    ctx->clip = {(int16_t)x, (int16_t)bodyTop, (int16_t)w, (int16_t)(h - barHeight - titleHeight - 1)};
    int32_t lineY = bodyTop;
    if (body == nullptr) bodyLength = 0;
    for (int32_t at = 0; at < bodyLength && lineY < bodyTop + ctx->clip.height; lineY += fh) {
        int32_t n = pen.lineLength(body + at, bodyLength - at, w);
        pen.text(body + at, n, x, lineY);
        at += n;
    }
    ctx->clip = saved;
    return result;
}
