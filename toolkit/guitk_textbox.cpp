// The text box.
#include "toolkit/guitk_textbox.h"

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_layout.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

enum { STYLE_SETS = 3, STYLE_PAIRS = 6 };
enum { PAIR_BORDER = 0, PAIR_TEXT = 1, PAIR_FILL = 2, PAIR_OUTER = 3, PAIR_INNER = 4, PAIR_SHADE = 5 };

struct TextBoxClass {
    P32Fn<GuiTkHandler> slots[GUITK_TEXTBOX_SLOTS];
    P32Fn<GuiTkKeyHook> keyHook;
    P32Fn<GuiTkKeyHook> activeKeyHook;
    P32Fn<GuiTkPointerHook> pointerHook;
    GuiTkTextBoxStylePair styles[STYLE_SETS][STYLE_PAIRS];
    int32_t margin;
    int32_t passwordLayout;  // 1: a LF in password text starts a new row of cells
    int32_t activation;      // 1: a non-editable box enters soft-key mode when Active
    int32_t endKey;          // soft key 1..3
    GuiTkTextBoxLabel labels[3];
};
VMBSS TextBoxClass* TextBoxTable;

const uint16_t EndLabel[] = {'E', 'n', 'd'};
const uint32_t DisabledText = 0xFFDFDFDF;

#define FIELD(name) ((int32_t)offsetof(GuiTkTextBox, name))
#define INPUT(name) ((int32_t)offsetof(GuiTkTextInput, name))

int32_t boxField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_TEXTBOX_TAG_PLACE, GUITK_TAG_TEXTBOX, position);
}
void setBoxField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_TEXTBOX_TAG_PLACE, GUITK_TAG_TEXTBOX, position, value);
}
int32_t inputField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TEXTINPUT, position);
}

bool snapshot(int32_t c, GuiTkTextBox* out) {
    GuiTkTextBox* r = (GuiTkTextBox*)GuiTkLockTyped(c, GUITK_TEXTBOX_TAG_PLACE, GUITK_TAG_TEXTBOX);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(c);
    return true;
}

int32_t clampToInt(int64_t v) { return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (int32_t)v; }

int32_t visibleHeight(const GuiTkComponent& b) {
    int32_t v = b.height - b.insetTop - b.insetBottom;
    return v > 0 ? v : 0;
}

// The text broken only at its LFs, as GuiTkMeasureText measures it at an unlimited
// width, in one pass: this runs on every change of a text of up to 5,000 units.
void measureUnbroken(GuiTkFont font, int32_t text, int32_t* w, int32_t* h) {
    int32_t lineHeight = GuiTkFontGetHeight(font);
    *w = 0;
    *h = lineHeight;
    if (text == -1) return;
    int32_t length = StrGetLength(text), lines = 0;
    const uint16_t* chars = StrLockChars(text);
    if (chars == nullptr) return;
    for (int32_t start = 0; start < length; lines++) {
        int32_t count = GuiTkLineLength(chars + start, length - start);
        int32_t width = GuiTkFontCharsWidth(font, chars + start, count);
        if (width > *w) *w = width;
        start += count;
    }
    StrUnlockChars(text);
    if (lines > 1) *h = lines * lineHeight;
}

// The text as the box measures it: "*" cells for password text unless a LF breaks them.
void measure(const GuiTkTextBox& r, int32_t width, int32_t* w, int32_t* h) {
    if (TextBoxTable->passwordLayout != 1 && r.input.password != 0)
        GuiTkMeasureGrid(r.input.base.font, r.input.text, width, w, h);
    else if (width < 0)
        measureUnbroken(r.input.base.font, r.input.text, w, h);
    else
        GuiTkMeasureText(r.input.base.font, r.input.text, width, w, h);
}

void minimumOf(const GuiTkComponent& b, int32_t* w, int32_t* h) {
    const uint16_t wide = 'W';
    *w = GuiTkFontCharsWidth(b.font, &wide, 1) + b.insetLeft + b.insetRight;
    *h = GuiTkFontGetHeight(b.font) + b.insetTop + b.insetBottom;
}

void preferredOf(const GuiTkTextBox& r, int32_t* w, int32_t* h) {
    const GuiTkComponent& b = r.input.base;
    int32_t tw = 0, th = 0;
    measure(r, -1, &tw, &th);
    *w = tw + b.insetLeft + b.insetRight;
    int32_t screen = GuiTkGetScreenWidth();
    if (*w < screen) *w = screen;
    *h = th + b.insetTop + b.insetBottom;
}

void updatePreferredSize(int32_t c) {
    GuiTkTextBox r{};
    if (!snapshot(c, &r)) return;
    int32_t w, h;
    preferredOf(r, &w, &h);
    CompSetPreferredSize(c, w, h);
}

void updateSizes(int32_t c) {
    GuiTkTextBox r{};
    if (!snapshot(c, &r)) return;
    int32_t w, h;
    minimumOf(r.input.base, &w, &h);
    CompSetMinimumSize(c, w, h);
    preferredOf(r, &w, &h);
    CompSetPreferredSize(c, w, h);
}

int32_t preferredHeightFor(int32_t c, int32_t width) {
    GuiTkTextBox r{};
    if (!snapshot(c, &r)) return 0;
    const GuiTkComponent& b = r.input.base;
    if (width >= b.preferredWidth || b.truncateMode != 0) return b.preferredHeight;
    int32_t inner = width - b.insetLeft - b.insetRight, w = 0, h = 0;
    measure(r, inner > 0 ? inner : 0, &w, &h);
    return h + b.insetTop + b.insetBottom;
}

// The layout breaks at the content width; a box without room breaks every unit.
void updateWidths(int32_t c) {
    GuiTkComponent* b = CompLock(c);
    if (b == nullptr) return;
    GuiTkRect content;
    CompGetContentRect(b, &content);
    GuiTkUnlockHandle(c);
    LineLayoutSetWidths(inputField(c, INPUT(layout)), &content.width, 1);
}

uint32_t colorOf(int32_t pair, const GuiTkTextBoxStylePair& p, const GuiTkComponent& b) {
    uint32_t mode = p.mode;
    if (pair == PAIR_TEXT) return mode == 1 ? p.color : mode == 3 ? b.background : b.foreground;
    if (pair == PAIR_FILL) return mode == 1 ? p.color : mode == 2 ? b.foreground : b.background;
    return mode == 2 ? b.foreground : mode == 3 ? b.background : p.color;
}

inline bool visible(uint32_t argb) { return (argb >> 24) != 0; }

void line(GuiTkGraphics gfx, int32_t x1, int32_t y1, int32_t x2, int32_t y2) { GuiTkGfxDrawLine(gfx, x1, y1, x2, y2); }

// Password text: one "*" per unit in cells of the width of "*", row after row.
void drawCells(const GuiTkTextBox& r, GuiTkGraphics gfx, const GuiTkRect& content, int32_t top) {
    int32_t text = r.input.text;
    if (text == -1) return;
    const uint16_t star = u'*';
    GuiTkFont font = r.input.base.font;
    int32_t cell = GuiTkFontCharsWidth(font, &star, 1), lineHeight = GuiTkFontGetHeight(font);
    bool rtl = CompIsRightToLeft(r.input.base.directionMode) != 0;
    bool breaks = TextBoxTable->passwordLayout == 1;
    int32_t length = StrGetLength(text);
    const uint16_t* chars = breaks ? StrLockChars(text) : nullptr;
    if (breaks && chars == nullptr) return;
    int32_t startX = rtl ? content.x + content.width - cell : content.x;
    int32_t x = startX, y = top, inRow = 0;
    int32_t bottom = content.y + content.height;
    for (int32_t i = 0; i < length && y < bottom; i++) {
        if (breaks && chars[i] == GUITK_LF) {
            x = startX, y += lineHeight, inRow = 0;
            continue;
        }
        // a row always takes one cell, so a box narrower than a cell still moves on
        bool fits = rtl ? x >= content.x : x + cell <= content.x + content.width;
        if (inRow > 0 && !fits) {
            x = startX, y += lineHeight, inRow = 0;
            if (y >= bottom) break;
        }
        if (y + lineHeight > content.y) GuiTkGfxDrawChars(gfx, &star, 1, x, y);
        x += rtl ? -cell : cell;
        inRow++;
    }
    if (chars != nullptr) StrUnlockChars(text);
}

void drawText(int32_t c, GuiTkGraphics gfx, uint32_t color) {
    TextBoxScroll(c, 0);
    GuiTkTextBox r{};
    if (!snapshot(c, &r)) return;
    const GuiTkComponent& b = r.input.base;
    GuiTkRect content;
    CompGetContentRect(&b, &content);
    if (!visible(color) || content.width <= 0 || content.height <= 0) return;
    GuiTkClipTo(gfx, &content);
    GuiTkUseColor(gfx, color);
    GuiTkGfxSetFont(gfx, b.font);
    if (r.input.password != 0) {
        drawCells(r, gfx, content, content.y - r.scroll);
        return;
    }
    const GuiTkRect box = {content.x, content.y - r.scroll, content.width,
                           clampToInt((int64_t)content.height + r.scroll)};
    const GuiTkLineStyle style = {1, b.directionMode == 1 ? 1 : b.directionMode == 2 ? 2 : -1, 0, 0, 0, 0};
    LineLayoutDraw(r.input.layout, gfx, &box, &style);
}

void paintSoftkeys(int32_t c, const GuiTkTextBox& r) {
    const GuiTkComponent& b = r.input.base;
    if (r.softkeyMode != 0) {
        int32_t shown = clampToInt((int64_t)r.scroll + visibleHeight(b));
        int32_t state = r.scroll > 0 ? 1 : 0;
        if (TextBoxTextHeightUpTo(c, clampToInt((int64_t)shown + 1)) > shown) state |= 2;
        GuiTkSoftkeySetFocusState(state);
        if (GuiTkGetSoftkeyCount() > 0) {
            GuiTkSoftkeyResetLabels();
            for (int32_t k = 0; k < 3; k++) {
                const GuiTkTextBoxLabel& label = TextBoxTable->labels[k];
                if (label.chars.get() != nullptr && label.length > 0)
                    GuiTkSoftkeySetLabel(label.chars.get(), label.length, k + 1);
            }
        }
        GuiTkSoftkeyPaint();
    } else if (TextBoxTable->activation == 2 && b.state == GUITK_STATE_ACTIVE && b.focusPolicy == GUITK_FOCUS_OCCUPY) {
        GuiTkSoftkeySetFocusState(0);
        if (GuiTkGetSoftkeyCount() > 0) GuiTkSoftkeyResetLabels();
        GuiTkSoftkeyPaint();
    }
}

int32_t paint(int32_t c, GuiTkGraphics gfx) {
    GuiTkTextBox r{};
    if (!snapshot(c, &r)) return 0;
    const GuiTkComponent& b = r.input.base;
    if (b.paintEnable == 0 || b.width < 1 || b.height < 1) return 0;
    const GuiTkTextBoxStylePair* set = TextBoxTable->styles[b.state >= 3 ? 2 : b.state == 2 ? 1 : 0];
    uint32_t color[STYLE_PAIRS];
    for (int32_t k = 0; k < STYLE_PAIRS; k++) color[k] = colorOf(k, set[k], b);
    if (b.state == GUITK_STATE_DISABLED) color[PAIR_TEXT] = DisabledText;
    GuiTkRect saved;
    GuiTkGfxGetClip(gfx, &saved);
    // the frame lines of a box smaller than its frame would reach outside it
    const GuiTkRect bounds = {b.x, b.y, b.width, b.height};
    GuiTkClipTo(gfx, &bounds);
    GuiTkGfxSetStrokeStyle(gfx, 0);
    int32_t x = b.x, y = b.y, w = b.width, h = b.height, m = TextBoxTable->margin;
    if (m > 0 && GuiTkUseColor(gfx, color[PAIR_BORDER])) {
        const GuiTkRect outline = {x, y, w - 1, h - 1};
        GuiTkGfxDrawRect(gfx, &outline);
    }
    int32_t left = x + m, top = y + m, right = left + w - 2 * m - 1, bottom = top + h - 2 * m - 1;
    if (GuiTkUseColor(gfx, color[PAIR_OUTER])) {
        if (w > 2 * m + 1) line(gfx, left, top, right - 1, top);
        if (h > 2 * m + 1) line(gfx, left, top + 1, left, bottom - 1);
    }
    if (GuiTkUseColor(gfx, color[PAIR_SHADE])) {
        line(gfx, left, bottom, right, bottom);
        line(gfx, right, top, right, bottom - 1);
    }
    if (GuiTkUseColor(gfx, color[PAIR_INNER])) {
        if (w >= 2 * m + 3) line(gfx, left + 1, top + 1, right - 1, top + 1);
        if (h >= 2 * m + 3) line(gfx, left + 1, top + 1, left + 1, bottom - 1);
    }
    if (w > 2 * m + 3 && h > 2 * m + 3) {
        if (GuiTkUseColor(gfx, color[PAIR_FILL])) {
            const GuiTkRect fill = {x + m + 2, y + m + 2, w - 2 * m - 3, h - 2 * m - 3};
            GuiTkGfxFillRect(gfx, &fill);
        }
        drawText(c, gfx, color[PAIR_TEXT]);
    }
    GuiTkGfxSetClip(gfx, &saved);
    if (snapshot(c, &r)) paintSoftkeys(c, r);
    return 0;
}

// The state rule of a non-editable box that takes the soft keys while Active.
bool applySoftkeyRule(int32_t c, int32_t state, int32_t old) {
    if (CompGetFocusPolicy(c) != GUITK_FOCUS_OCCUPY || inputField(c, INPUT(editable)) != 0) return false;
    if (old < GUITK_STATE_ACTIVE && state > GUITK_STATE_FOCUSED && TextBoxTable->activation == 1) {
        CompPostRequest(c, GUITK_EVENT_ACTIVATED);
        setBoxField(c, FIELD(softkeyMode), 1);
        CompRequestUpdate(c);
        return true;
    }
    if (old > GUITK_STATE_FOCUSED && state < GUITK_STATE_ACTIVE && boxField(c, FIELD(softkeyMode)) != 0) {
        CompPostRequest(c, GUITK_EVENT_DEACTIVATED);
        setBoxField(c, FIELD(softkeyMode), 0);
        CompRequestUpdate(c);
        return true;
    }
    return false;
}

bool fail() {
    GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    return false;
}

void setStyles(uint32_t sets, int32_t pair, int32_t value, int32_t extra) {
    for (int32_t k = 0; k < STYLE_SETS; k++)
        if (sets & (0x200u << k)) TextBoxTable->styles[k][pair] = {(uint32_t)value, (uint32_t)extra};
}

void undoCreate(int32_t h) {
    GuiTkTextBox* r = (GuiTkTextBox*)GuiTkLockHandle(h);
    if (r != nullptr) {
        TextInputFinalize(&r->input);
        GuiTkUnlockHandle(h);
    }
    GuiTkFreeHandle(h);
}

}  // namespace

int32_t KivTextBoxModuleInit(int32_t optionCount, const void* options) {
    TextBoxTable = (TextBoxClass*)GuiTkAlloc((int32_t)sizeof(TextBoxClass));
    if (TextBoxTable == nullptr) return -1;
    TextBoxClass* t = TextBoxTable;
    for (P32Fn<GuiTkHandler>& slot : t->slots) slot = KivTextBoxDefaultHandler;
    t->keyHook = TextBoxDefaultKeyHook;
    t->activeKeyHook = TextBoxDefaultActiveKeyHook;
    t->pointerHook = TextBoxDefaultPointerHook;
    bool doja = false;
    for (int32_t k = 0; options != nullptr && k < optionCount; k++) {
        const char* option = ((const char* const*)options)[k];
        if (option != nullptr && GuiTkStrCmp(option, "style_doja") == 0) doja = true;
    }
    for (int32_t k = 0; k < STYLE_SETS; k++) {
        GuiTkTextBoxStylePair* s = t->styles[k];
        s[PAIR_BORDER] = {1, k == 0 ? 0u : 0xFF000000u};
        s[PAIR_TEXT] = {doja && k == 1 ? 3u : 2u, 0};
        s[PAIR_FILL] = {doja && k == 1 ? 2u : 3u, 0};
        s[PAIR_OUTER] = {1, 0xFF808080};
        s[PAIR_INNER] = {1, 0xFF000000};
        s[PAIR_SHADE] = {1, 0xFFC0C0C0};
    }
    t->margin = doja ? 0 : 1;
    t->passwordLayout = 1;
    t->activation = 2;
    t->endKey = 1;
    t->labels[0] = {EndLabel, 3};
    t->labels[1] = {nullptr, 0};
    t->labels[2] = {nullptr, 0};
    return 0;
}

int32_t KivTextBoxModuleFini(void) {
    if (TextBoxTable != nullptr) GuiTkFree(TextBoxTable);
    TextBoxTable = nullptr;
    return 0;
}

int32_t KivTextBoxCreate(int32_t createParam) {
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkTextBox));
    if (h == -1) return -1;
    GuiTkTextBox* r = (GuiTkTextBox*)GuiTkLockHandle(h);
    if (r == nullptr || !TextInputInit(h, &r->input, TextBoxHandler, TextBoxKeyHook, TextBoxActiveKeyHook,
                                       TextBoxPointerHook, createParam, GUITK_TYPE_TEXTBOX)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        GuiTkFreeHandle(h);
        return -1;
    }
    r->tag = GUITK_TAG_TEXTBOX;
    r->scroll = 0;
    r->softkeyMode = 0;
    r->input.base.truncateMode = 1;
    GuiTkFont font = r->input.base.font;
    int32_t layout = r->input.layout;
    GuiTkUnlockHandle(h);
    const int32_t none = 0;
    LineLayoutSetFont(layout, font);
    if (LineLayoutSetWidths(layout, &none, 1) != 0) {
        undoCreate(h);
        return -1;
    }
    int32_t m = TextBoxTable->margin;
    CompSetInsets(h, m + 3, m + 3, m + 2, m + 2);
    GuiTkTextBox s{};
    int32_t minW, minH, prefW, prefH;
    snapshot(h, &s);
    minimumOf(s.input.base, &minW, &minH);
    preferredOf(s, &prefW, &prefH);
    CompStoreMinimumSize(h, minW, minH);
    CompStorePreferredSize(h, prefW, prefH);
    CompSendMessage1(h, GUITK_TEXTBOX_MSG_CREATED, createParam);
    LineLayoutSetFont(layout, CompGetFont(h));
    updateSizes(h);
    return h;
}

void KivTextBoxDelete(int32_t c) {
    CompSendMessage0(c, GUITK_TEXTBOX_MSG_DELETING);
    CompDetachFromParent(c);
    GuiTkTextBox* r = (GuiTkTextBox*)GuiTkLockTyped(c, GUITK_TEXTBOX_TAG_PLACE, GUITK_TAG_TEXTBOX);
    if (r == nullptr) return;
    r->tag = 0;
    // the title and the indicator text are the box's own: nobody else would free them
    int32_t title = r->input.title, indicator = r->input.inputModeText;
    r->input.title = r->input.inputModeText = -1;
    TextInputFinalize(&r->input);
    GuiTkUnlockHandle(c);
    if (title != -1) StrDestroy(title);
    if (indicator != -1) StrDestroy(indicator);
    GuiTkFreeHandle(c);
}

void KivTextBoxSetHandler(int32_t slot, GuiTkHandler handler) {
    if (slot < 0 || slot >= GUITK_TEXTBOX_SLOTS || handler == nullptr)
        fail();
    else
        TextBoxTable->slots[slot] = handler;
}

void KivTextBoxSetKeyHook(GuiTkKeyHook hook) {
    if (hook == nullptr)
        fail();
    else
        TextBoxTable->keyHook = hook;
}
void KivTextBoxSetActiveKeyHook(GuiTkKeyHook hook) {
    if (hook == nullptr)
        fail();
    else
        TextBoxTable->activeKeyHook = hook;
}
void KivTextBoxSetPointerHook(GuiTkPointerHook hook) {
    if (hook == nullptr)
        fail();
    else
        TextBoxTable->pointerHook = hook;
}

int32_t KivTextBoxQueryWidth(int32_t c, int32_t columns, int32_t flags) {
    if (flags != 0) return fail(), 0;
    return CompSendMessage1(c, GUITK_TEXTBOX_MSG_WIDTH, columns);
}

int32_t KivTextBoxHeightForRows(int32_t c, int32_t rows) { return CompSendMessage1(c, GUITK_TEXTBOX_MSG_HEIGHT, rows); }

void KivTextBoxSetTruncateMode(int32_t c, int32_t mode) {
    if (mode != 0 && mode != 1)
        fail();
    else
        CompSetInt(c, (int32_t)offsetof(GuiTkComponent, truncateMode), mode);
}
int32_t KivTextBoxGetTruncateMode(int32_t c) { return CompGetTruncateMode(c); }
int32_t KivTextBoxGetSoftkeyMode(int32_t c) { return boxField(c, FIELD(softkeyMode)); }

int32_t TextBoxHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    if (m->id == GUITK_MSG_SIZE) updateWidths(c);
    if (m->id == GUITK_MSG_FONT) LineLayoutSetFont(inputField(c, INPUT(layout)), m->a1);
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_TEXTBOX_SLOTS ? TextBoxTable->slots[m->id].get() : KivTextBoxDefaultHandler;
    int32_t result = slot(m);
    if (m->id == GUITK_MSG_RELAYOUT) updateWidths(c);
    return result;
}

int32_t KivTextBoxDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_STATE:
            if (applySoftkeyRule(c, m->a1, m->a2)) return 0;
            return TextInputHandler(m);
        case GUITK_MSG_FONT:
            updateSizes(c);
            CompRequestUpdate(c);
            return 0;
        case GUITK_MSG_PAINT:
            return paint(c, m->a1);
        case GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH:
            return preferredHeightFor(c, m->a1);
        case GUITK_TEXT_MSG_TEXT:
            updatePreferredSize(c);
            return TextInputHandler(m);
        case GUITK_TEXT_MSG_PASSWORD:
            if (TextBoxTable->passwordLayout != 1) updatePreferredSize(c);
            // the text is drawn masked or plain from now on
            CompRequestUpdate(c);
            return TextInputHandler(m);
        case GUITK_TEXTBOX_MSG_CREATED:
        case GUITK_TEXTBOX_MSG_DELETING:
            return 0;
        case GUITK_TEXTBOX_MSG_WIDTH:
            GuiTkAbstractHandler(m);
            return CompGetInsetLeft(c) + CompGetInsetRight(c);
        case GUITK_TEXTBOX_MSG_HEIGHT: {
            if (m->a1 < 0) return fail(), 0;
            int64_t rows = (int64_t)GuiTkFontGetHeight(CompGetFont(c)) * m->a1;
            return clampToInt(rows + CompGetInsetTop(c) + CompGetInsetBottom(c));
        }
        default:
            return TextInputHandler(m);
    }
}

int32_t TextBoxKeyHook(GuiTkKeyEvent* event) { return TextBoxTable->keyHook.get()(event); }
int32_t TextBoxActiveKeyHook(GuiTkKeyEvent* event) { return TextBoxTable->activeKeyHook.get()(event); }
int32_t TextBoxPointerHook(GuiTkPointerEvent* event) { return TextBoxTable->pointerHook.get()(event); }

int32_t TextBoxDefaultKeyHook(GuiTkKeyEvent* event) { return CompDefaultKeyHook(event); }

int32_t TextBoxDefaultActiveKeyHook(GuiTkKeyEvent* event) {
    int32_t c = event->component;
    bool press = event->type == 2 || event->type == 3;
    if (press && boxField(c, FIELD(softkeyMode)) != 0) {
        int32_t lineHeight = GuiTkFontGetHeight(CompGetFont(c));
        if (event->key == 17) return TextBoxScroll(c, -lineHeight), 0;
        if (event->key == 19) return TextBoxScroll(c, lineHeight), 0;
        if (event->key >= 21 && event->key <= 23 && event->type == 3) {
            if (event->key == 20 + TextBoxTable->endKey && GuiTkGetSoftkeyCount() >= 1)
                CompSetState(c, GUITK_STATE_FOCUSED);
            return 0;
        }
    }
    return CompActiveKeyHookOccupy(event);
}

int32_t TextBoxDefaultPointerHook(GuiTkPointerEvent* event) {
    int32_t c = event->component;
    if (event->values[0] == 2 && event->values[1] == 0 && CompGetState(c) == GUITK_STATE_FOCUSED) {
        const GuiTkRect area = {0, 0, CompGetWidth(c), CompGetHeight(c)};
        const GuiTkRect point = {event->values[2], event->values[3], 1, 1};
        if (GuiTkRectContainsRect(&area, &point)) CompSetState(c, GUITK_STATE_ACTIVE);
    }
    return 0;
}

int32_t TextBoxScroll(int32_t c, int32_t delta) {
    GuiTkTextBox r{};
    if (!snapshot(c, &r)) return 0;
    const GuiTkComponent& b = r.input.base;
    int32_t offset = clampToInt((int64_t)r.scroll + delta);
    if (offset > 0) {
        int32_t lineHeight = GuiTkFontGetHeight(b.font), v = visibleHeight(b);
        if (lineHeight < 1) lineHeight = 1;
        int64_t wanted = ((int64_t)offset + v + lineHeight - 1) / lineHeight;
        int32_t n = wanted < 1 ? 1 : clampToInt(wanted);
        int32_t available = LineLayoutCountLines(r.input.layout, n);
        if (available < 0) available = 0;
        if (available < n) offset = clampToInt((int64_t)lineHeight * available - v);
    }
    if (offset < 0) offset = 0;
    if (offset == r.scroll) return 0;
    setBoxField(c, FIELD(scroll), offset);
    CompRequestUpdate(c);
    return 1;
}

int32_t TextBoxGetScroll(int32_t c) { return boxField(c, FIELD(scroll)); }

int32_t TextBoxTextHeightUpTo(int32_t c, int32_t limit) {
    if (limit < 0) return fail(), -1;
    int32_t lineHeight = GuiTkFontGetHeight(CompGetFont(c));
    if (lineHeight < 1) lineHeight = 1;
    int32_t lines = LineLayoutCountLines(inputField(c, INPUT(layout)), limit / lineHeight + 1);
    if (lines < 0) lines = 0;
    int64_t height = (int64_t)lineHeight * lines;
    return height < limit ? (int32_t)height : limit;
}

int32_t TextBoxTextHeight(int32_t c) { return TextBoxTextHeightUpTo(c, 0x7FFFFFFF); }

void TextBoxConfigure(int32_t setting, int32_t value, int32_t extra) {
    int32_t which = setting & 0xFF;
    uint32_t sets = (uint32_t)setting & 0xFFFF00u;
    TextBoxClass* t = TextBoxTable;
    switch (which) {
        case GUITK_TEXTBOX_SET_BORDER:
        case GUITK_TEXTBOX_SET_OUTER_LINES:
        case GUITK_TEXTBOX_SET_INNER_LINES:
        case GUITK_TEXTBOX_SET_SHADE_LINES:
            if (sets == 0 || (sets & ~0xE00u) != 0 || value < 1 || value > 3) break;
            setStyles(sets, which - 1, value, extra);
            return;
        case GUITK_TEXTBOX_SET_TEXT_COLOR:
        case GUITK_TEXTBOX_SET_FILL:
            // the Disabled and Enabled set keeps its text colour and fill
            if (sets == 0 || (sets & ~0xC00u) != 0 || value < 1 || value > 3) break;
            setStyles(sets, which - 1, value, extra);
            return;
        default:
            break;
    }
    if (which < GUITK_TEXTBOX_SET_MARGIN || which > GUITK_TEXTBOX_SET_EDITOR_MODE || sets != 0) {
        fail();
        return;
    }
    switch (which) {
        case GUITK_TEXTBOX_SET_MARGIN:
            if (value != 1 && value != 2) break;
            t->margin = value == 1 ? 1 : 0;
            return;
        case GUITK_TEXTBOX_SET_PASSWORD_LAYOUT:
            if (value != 1 && value != 2) break;
            t->passwordLayout = value;
            return;
        case GUITK_TEXTBOX_SET_ACTIVATION:
            if (value != 1 && value != 2) break;
            t->activation = value;
            return;
        case GUITK_TEXTBOX_SET_END_KEY: {
            if (value < 1 || value > 3) break;
            GuiTkTextBoxLabel moved = t->labels[t->endKey - 1];
            for (GuiTkTextBoxLabel& label : t->labels) label = {nullptr, 0};
            t->labels[value - 1] = moved;
            t->endKey = value;
            return;
        }
        case GUITK_TEXTBOX_SET_END_LABEL:
            if (extra < 0 || (value == 0 && extra != 0)) break;
            t->labels[t->endKey - 1] = {p32Ptr<const uint16_t>(value), extra};
            return;
        case GUITK_TEXTBOX_SET_EDITOR_MODE:
            if (value != 1 && value != 2) break;
            KivTextInputSetEditorMode(value == 1 ? 1 : 0);
            return;
        default:
            break;
    }
    fail();
}

GuiTkTextBoxStylePair TextBoxGetStyle(int32_t set, int32_t pair) {
    if (set < 0 || set >= STYLE_SETS || pair < 1 || pair > STYLE_PAIRS) return fail(), GuiTkTextBoxStylePair{0, 0};
    return TextBoxTable->styles[set][pair - 1];
}
int32_t TextBoxGetFrameMargin(void) { return TextBoxTable->margin; }
int32_t TextBoxGetPasswordLayoutMode(void) { return TextBoxTable->passwordLayout; }
int32_t TextBoxGetActivationMode(void) { return TextBoxTable->activation; }
int32_t TextBoxGetEndKey(void) { return TextBoxTable->endKey; }
GuiTkTextBoxLabel TextBoxGetLabel(int32_t key) {
    if (key < 1 || key > 3) return fail(), GuiTkTextBoxLabel{nullptr, 0};
    return TextBoxTable->labels[key - 1];
}
