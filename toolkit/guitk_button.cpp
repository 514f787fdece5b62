// The push button.
#include "toolkit/guitk_button.h"

#include <stddef.h>

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_layout.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

struct ButtonClass {
    P32Fn<GuiTkHandler> slots[GUITK_BUTTON_SLOTS];
    P32Fn<GuiTkKeyHook> keyHandler;
    P32Fn<GuiTkPointerHook> pointerHandler;
    uint32_t styles[3][GUITK_BUTTON_STYLE_WORDS];
    uint32_t styleDoja;
};
VMBSS ButtonClass* ButtonTable;

// Rows: normal, focused, pushed.
const uint32_t InitialStyles[3][GUITK_BUTTON_STYLE_WORDS] = {
    {3, 4, 0, 2, 0, 3, 0, 1, 0xFFC0C0C0, 1, 0xFF000000, 1, 0xFF808080},
    {1, 4, 0, 2, 0, 3, 0, 1, 0xFFC0C0C0, 1, 0xFF000000, 1, 0xFF808080},
    {1, 4, 0, 2, 0, 3, 0, 1, 0xFF000000, 1, 0xFFC0C0C0, 1, 0xFF808080},
};
enum { FRAME_NONE = 3, FRAME_SOLID = 2 };
const uint32_t DisabledText = 0xFFDFDFDF;

#define FIELD(name) ((int32_t)offsetof(GuiTkButton, name))

int32_t getField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_BUTTON, position);
}
void setField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_BUTTON, position, value);
}

bool snapshot(int32_t c, GuiTkButton* out) {
    GuiTkButton* r = (GuiTkButton*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_BUTTON);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(c);
    return true;
}

int32_t minimumWidth(const GuiTkComponent& b) {
    const uint16_t w = 'W';
    return GuiTkFontCharsWidth(b.font, &w, 1) + b.insetLeft + b.insetRight;
}
int32_t minimumHeight(const GuiTkComponent& b) { return GuiTkFontGetHeight(b.font) + b.insetTop + b.insetBottom; }

MkSurface* surfaceOf(int32_t content) { return p32Ptr<MkSurface>(content); }

void contentSize(const GuiTkButton& r, int32_t* w, int32_t* h) {
    *w = *h = 0;
    if (r.content == -1) return;
    if (r.contentKind == GUITK_CONTENT_TEXT) {
        GuiTkMeasureText(r.base.font, r.content, -1, w, h);
    } else {
        *w = GuiTkGfxGetSurfaceWidth(surfaceOf(r.content));
        *h = GuiTkGfxGetSurfaceHeight(surfaceOf(r.content));
    }
}

void updatePreferredSize(int32_t c) {
    GuiTkButton r{};
    if (!snapshot(c, &r)) return;
    int32_t w, h;
    contentSize(r, &w, &h);
    CompSetPreferredSize(c, w + r.base.insetLeft + r.base.insetRight, h + r.base.insetTop + r.base.insetBottom);
}

void relayout(int32_t c) {
    GuiTkButton r{};
    if (!snapshot(c, &r)) return;
    int32_t width = -1;
    if (r.base.truncateMode == 0) {
        GuiTkRect client;
        CompGetContentRect(&r.base, &client);
        width = client.width;
    }
    LineLayoutSetWidths(r.layout, &width, 1);
}

// An edge or shadow colour: the row's word unless the kind names a component colour.
uint32_t edge(const uint32_t* pair, const GuiTkComponent& b) {
    return pair[0] == 2 ? b.foreground : pair[0] == 3 ? b.background : pair[1];
}

struct Colors {
    uint32_t frameMode, frame, text, face, topLeft, bottomRight, shadow;
};

Colors resolve(const uint32_t* s, const GuiTkComponent& b) {
    Colors c;
    c.frameMode = s[0];
    c.text = s[3] == 1 ? s[4] : s[3] == 3 ? b.background : b.foreground;
    c.frame = s[1] == 1 ? s[2] : s[1] == 2 ? b.foreground : c.text;
    c.face = s[5] == 1 ? s[6] : s[5] == 2 ? b.foreground : b.background;
    c.topLeft = edge(s + 7, b);
    c.bottomRight = edge(s + 9, b);
    c.shadow = edge(s + 11, b);
    return c;
}

void line(GuiTkGraphics gfx, int32_t x1, int32_t y1, int32_t x2, int32_t y2) { GuiTkGfxDrawLine(gfx, x1, y1, x2, y2); }

void drawContent(const GuiTkButton& r, GuiTkGraphics gfx, const GuiTkRect& client, uint32_t textColor) {
    if (r.content == -1) return;
    GuiTkRect saved;
    GuiTkGfxGetClip(gfx, &saved);
    GuiTkClipTo(gfx, &client);
    int32_t x = 0, y = 0;
    if (r.contentKind != GUITK_CONTENT_TEXT) {
        MkSurface* s = surfaceOf(r.content);
        GuiTkPlaceBlock(&r.base, &client, GuiTkGfxGetSurfaceWidth(s), GuiTkGfxGetSurfaceHeight(s), &x, &y);
        if (r.contentKind == GUITK_CONTENT_IMAGE)
            GuiTkGfxDrawImage(gfx, s, x, y, 0);
        else
            GuiTkGfxDrawOffScreen(gfx, s, x, y, 0);
    } else if (GuiTkUseColor(gfx, textColor)) {
        GuiTkGfxSetFont(gfx, r.base.font);
        int32_t lineHeight = GuiTkFontGetHeight(r.base.font);
        int32_t n = LineLayoutCountLines(r.layout, client.height / lineHeight + 1);
        if (n > 0) {
            int32_t widest = LineLayoutMaxWidth(r.layout, 0, n - 1);
            GuiTkPlaceBlock(&r.base, &client, widest, n * lineHeight, &x, &y);
            const GuiTkRect box = {x, y, widest, client.height};
            int32_t mode = r.base.directionMode;
            const GuiTkLineStyle style = {1, mode == 1 ? 1 : mode == 2 ? 2 : -1, 0, 0, 0, 0};
            LineLayoutDraw(r.layout, gfx, &box, &style);
        }
    }
    GuiTkGfxSetClip(gfx, &saved);
}

int32_t paint(int32_t c, GuiTkGraphics gfx) {
    GuiTkButton r{};
    if (!snapshot(c, &r)) return 0;
    const GuiTkComponent& b = r.base;
    if (b.paintEnable == 0 || b.width < 1 || b.height < 1) return 0;
    // a button inside a container looks focused only while its container is active
    int32_t row = 0;
    if (b.state >= GUITK_STATE_FOCUSED && (b.parent == -1 || CompGetState(b.parent) == GUITK_STATE_ACTIVE))
        row = r.pushed ? 2 : 1;
    Colors k = resolve(ButtonTable->styles[row], b);
    int32_t x = b.x, y = b.y, w = b.width, h = b.height;
    GuiTkGfxSetStrokeStyle(gfx, 0);
    if (GuiTkUseColor(gfx, k.topLeft)) {
        if (w >= 2) line(gfx, x, y, x + w - 2, y);
        if (h >= 2) line(gfx, x, y + 1, x, y + h - 2);
    }
    if (GuiTkUseColor(gfx, k.bottomRight)) {
        line(gfx, x, y + h - 1, x + w - 1, y + h - 1);
        line(gfx, x + w - 1, y, x + w - 1, y + h - 1);
    }
    if (w < 4 || h < 4) return 0;
    if (GuiTkUseColor(gfx, k.shadow)) {
        if (r.pushed) {
            line(gfx, x + 1, y + 1, x + w - 2, y + 1);
            line(gfx, x + 1, y + 1, x + 1, y + h - 2);
        } else {
            line(gfx, x + 1, y + h - 2, x + w - 2, y + h - 2);
            line(gfx, x + w - 2, y + 1, x + w - 2, y + h - 2);
        }
    }
    int32_t shift = r.pushed ? 1 : 0;
    if (GuiTkUseColor(gfx, k.face)) {
        const GuiTkRect face = {x + 1 + shift, y + 1 + shift, w - 3, h - 3};
        GuiTkGfxFillRect(gfx, &face);
    }
    if (b.state == GUITK_STATE_DISABLED) k.text = DisabledText;
    GuiTkRect client;
    CompGetContentRect(&b, &client);
    client.x += shift;
    client.y += shift;
    drawContent(r, gfx, client, k.text);
    if (k.frameMode != FRAME_NONE && client.width >= 1 && client.height >= 1 && GuiTkUseColor(gfx, k.frame)) {
        GuiTkGfxSetStrokeStyle(gfx, k.frameMode == FRAME_SOLID ? 0 : 1);
        const GuiTkRect frame = {client.x, client.y, client.width - 1, client.height - 1};
        GuiTkGfxDrawRect(gfx, &frame);
        GuiTkGfxSetStrokeStyle(gfx, 0);
    }
    return 0;
}

int32_t handler(GuiTkMessage* m) {
    int32_t c = m->component;
    if (m->id == GUITK_MSG_SIZE || m->id == GUITK_MSG_TRUNCATE_MODE) relayout(c);
    if (m->id == GUITK_MSG_FONT) LineLayoutSetFont(getField(c, FIELD(layout)), m->a1);
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_BUTTON_SLOTS ? ButtonTable->slots[m->id].get() : KivButtonDefaultHandler;
    int32_t result = slot(m);
    if (m->id == GUITK_MSG_RELAYOUT) relayout(c);
    return result;
}

// The component hooks follow the class table, so that a replaced handler takes every
// button.
int32_t keyTrampoline(GuiTkKeyEvent* event) { return ButtonTable->keyHandler.get()(event); }
int32_t pointerTrampoline(GuiTkPointerEvent* event) { return ButtonTable->pointerHandler.get()(event); }

void push(int32_t c, int32_t pushed, int32_t old) {
    KivButtonSetPushed(c, pushed);
    CompCallDefaultHandler4(c, GUITK_EVENT_CHANGED, pushed, old);
}

bool isOption(const void* options, int32_t index, const char* name) {
    const char* option = ((const char* const*)options)[index];
    return option != nullptr && GuiTkStrCmp(option, name) == 0;
}

// Replaces the content by one of the given kind, clearing another kind's content first
// through its own setter so that its message goes out.
bool clearOtherKind(int32_t c, uint32_t kind) {
    int32_t current = getField(c, FIELD(contentKind)), content = getField(c, FIELD(content));
    if ((uint32_t)current == kind || content == -1) return true;
    if (current == GUITK_CONTENT_TEXT) return KivButtonSetText(c, nullptr, 0) == 0;
    if (current == GUITK_CONTENT_IMAGE)
        KivButtonSetImage(c, -1);
    else
        KivButtonSetOffScreen(c, -1);
    return true;
}

void setSurface(int32_t c, int32_t surface, uint32_t kind, int32_t message) {
    if (GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_BUTTON) == nullptr) return;
    GuiTkUnlockHandle(c);
    clearOtherKind(c, kind);
    bool same = (uint32_t)getField(c, FIELD(contentKind)) == kind;
    int32_t old = same ? getField(c, FIELD(content)) : -1;
    if (same && old == surface) return;
    setField(c, FIELD(contentKind), (int32_t)kind);
    setField(c, FIELD(content), surface);
    CompSendMessage2(c, message, surface, old);
}

}  // namespace

int32_t KivButtonModuleInit(int32_t optionCount, const void* options) {
    ButtonTable = (ButtonClass*)GuiTkAlloc((int32_t)sizeof(ButtonClass));
    if (ButtonTable == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : ButtonTable->slots) slot = KivButtonDefaultHandler;
    ButtonTable->keyHandler = KivButtonKeyHandler;
    ButtonTable->pointerHandler = KivButtonPointerHandler;
    GuiTkCopy(ButtonTable->styles, InitialStyles, sizeof InitialStyles);
    ButtonTable->styleDoja = 0;
    for (int32_t i = 0; options != nullptr && i < optionCount; i++)
        if (isOption(options, i, "style_doja")) ButtonTable->styleDoja = 1;
    return 0;
}

int32_t KivButtonModuleFini(void) {
    if (ButtonTable != nullptr) GuiTkFree(ButtonTable);
    ButtonTable = nullptr;
    return 0;
}

int32_t KivButtonCreate(int32_t number) {
    int32_t layout = LineLayoutCreate();
    if (layout == -1) return -1;
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkButton));
    GuiTkButton* r = h == -1 ? nullptr : (GuiTkButton*)GuiTkLockHandle(h);
    if (r == nullptr || !CompInitObject(h, &r->base, handler, CompDefaultKeyHook, keyTrampoline, pointerTrampoline,
                                        number, GUITK_TYPE_BUTTON)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        LineLayoutDestroy(layout);
        return -1;
    }
    r->tag = GUITK_TAG_BUTTON;
    r->contentKind = GUITK_CONTENT_TEXT;
    r->content = -1;
    r->pushed = 0;
    r->layout = layout;
    r->held = 0;
    GuiTkUnlockHandle(h);

    const int32_t width = 0;
    LineLayoutSetFont(layout, CompGetFont(h));
    if (LineLayoutSetWidths(layout, &width, 1) != 0) {
        KivButtonDelete(h);
        return -1;
    }
    CompStoreFocusPolicy(h, GUITK_FOCUS_SMOOTH);
    CompSetInsets(h, 2, 2, 3, 3);
    GuiTkButton s{};
    snapshot(h, &s);
    CompStoreMinimumSize(h, minimumWidth(s.base), minimumHeight(s.base));
    CompStorePreferredSize(h, minimumWidth(s.base), minimumHeight(s.base));
    CompSendMessage1(h, GUITK_BUTTON_MSG_CREATED, number);
    snapshot(h, &s);
    CompSetMinimumSize(h, minimumWidth(s.base), minimumHeight(s.base));
    CompSetPreferredSize(h, minimumWidth(s.base), minimumHeight(s.base));
    return h;
}

void KivButtonDelete(int32_t c) {
    CompSendMessage0(c, GUITK_BUTTON_MSG_DELETING);
    CompDetachFromParent(c);
    GuiTkButton* r = (GuiTkButton*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_BUTTON);
    if (r == nullptr) return;
    int32_t layout = r->layout;
    int32_t text = r->contentKind == GUITK_CONTENT_TEXT ? r->content : -1;
    r->tag = 0;
    CompUnlink(&r->base);
    GuiTkUnlockHandle(c);
    LineLayoutDestroy(layout);
    if (text != -1) StrDestroy(text);
    GuiTkFreeHandle(c);
}

int32_t KivButtonSetText(int32_t c, const uint16_t* chars, int32_t length) {
    if (GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_BUTTON) == nullptr) return -1;
    GuiTkUnlockHandle(c);
    int32_t text = -1;
    if (chars != nullptr && (text = StrCreateFromChars(chars, length)) == -1) return -1;
    clearOtherKind(c, GUITK_CONTENT_TEXT);
    bool wasText = getField(c, FIELD(contentKind)) == GUITK_CONTENT_TEXT;
    int32_t old = wasText ? getField(c, FIELD(content)) : -1;
    setField(c, FIELD(contentKind), GUITK_CONTENT_TEXT);
    setField(c, FIELD(content), text);
    LineLayoutSetText(getField(c, FIELD(layout)), text);
    CompSendMessage1(c, GUITK_BUTTON_MSG_TEXT, text);
    if (old != -1) StrDestroy(old);
    return 0;
}

void KivButtonSetImage(int32_t c, int32_t image) { setSurface(c, image, GUITK_CONTENT_IMAGE, GUITK_BUTTON_MSG_IMAGE); }
void KivButtonSetOffScreen(int32_t c, int32_t offScreen) {
    setSurface(c, offScreen, GUITK_CONTENT_OFFSCREEN, GUITK_BUTTON_MSG_OFFSCREEN);
}

static int32_t contentOfKind(int32_t c, int32_t kind) {
    return getField(c, FIELD(contentKind)) == kind ? getField(c, FIELD(content)) : -1;
}
int32_t KivButtonGetText(int32_t c) { return contentOfKind(c, GUITK_CONTENT_TEXT); }
int32_t KivButtonGetImage(int32_t c) { return contentOfKind(c, GUITK_CONTENT_IMAGE); }
int32_t KivButtonGetOffScreen(int32_t c) { return contentOfKind(c, GUITK_CONTENT_OFFSCREEN); }
int32_t KivButtonGetContentKind(int32_t c) { return getField(c, FIELD(contentKind)); }

void KivButtonSetPushed(int32_t c, int32_t pushed) {
    if (pushed != 0 && pushed != 1) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t old = getField(c, FIELD(pushed));
    if (old == pushed) return;
    setField(c, FIELD(pushed), pushed);
    CompSendMessage2(c, GUITK_BUTTON_MSG_PUSHED, pushed, old);
}

void KivButtonStorePushed(int32_t c, int32_t pushed) {
    if (pushed != 0 && pushed != 1) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    setField(c, FIELD(pushed), pushed);
}

int32_t KivButtonGetPushed(int32_t c) { return getField(c, FIELD(pushed)); }

void KivButtonSetKeyHandler(GuiTkKeyHook handler) {
    if (handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        ButtonTable->keyHandler = handler;
}

void KivButtonSetPointerHandler(GuiTkPointerHook handler) {
    if (handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        ButtonTable->pointerHandler = handler;
}

void KivButtonSetHandler(int32_t messageId, GuiTkHandler handler) {
    if (messageId < 0 || messageId >= GUITK_BUTTON_SLOTS || handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        ButtonTable->slots[messageId] = handler;
}

void KivButtonSetStyle(int32_t code, int32_t kind, uint32_t value) {
    enum : uint32_t { ROW0 = 0x200, ROW1 = 0x800, ROW2 = 0x10000 };
    struct Attribute {
        uint32_t rows;   // the row bits allowed
        bool exact;      // the rows must be exactly these
        int32_t word;    // first word of the pair
        uint32_t kinds;  // bit k: kind k accepted
    };
    static const Attribute Attributes[] = {
        {ROW1 | ROW2, false, 0, 0xE},  {ROW1 | ROW2, false, 1, 0x16}, {ROW1 | ROW2, false, 3, 0xE},
        {ROW1 | ROW2, false, 5, 0xE},  {ROW0 | ROW1, false, 7, 0xE},  {ROW0 | ROW1, false, 9, 0xE},
        {ROW0 | ROW1, false, 11, 0xE}, {ROW2, true, 7, 0xE},          {ROW2, true, 11, 0xE},
        {ROW2, true, 9, 0xE},
    };
    int32_t attribute = code & 0xFF;
    uint32_t rows = (uint32_t)code & 0xFFFF00;
    const Attribute* a = attribute >= 1 && attribute <= 10 ? &Attributes[attribute - 1] : nullptr;
    bool ok = a != nullptr && kind >= 0 && kind < 32 && (a->kinds >> kind & 1) != 0 &&
              (a->exact ? rows == a->rows : rows != 0 && (rows & ~a->rows) == 0);
    if (!ok) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    const uint32_t rowBits[3] = {ROW0, ROW1, ROW2};
    for (int32_t row = 0; row < 3; row++) {
        if ((rows & rowBits[row]) == 0) continue;
        uint32_t* s = ButtonTable->styles[row];
        s[a->word] = (uint32_t)kind;
        if (attribute != 1) s[a->word + 1] = value;
    }
}

void KivButtonGetStyle(int32_t row, uint32_t out[GUITK_BUTTON_STYLE_WORDS]) {
    if (row < 0 || row > 2) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    GuiTkCopy(out, ButtonTable->styles[row], sizeof ButtonTable->styles[row]);
}

int32_t KivButtonDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_STATE:
            if (m->a1 < GUITK_STATE_FOCUSED && m->a2 >= GUITK_STATE_FOCUSED) setField(c, FIELD(held), 0);
            return CompDefaultHandler(m);
        case GUITK_MSG_FONT: {
            GuiTkButton r{};
            if (!snapshot(c, &r)) return 0;
            CompSetMinimumSize(c, minimumWidth(r.base), minimumHeight(r.base));
            updatePreferredSize(c);
            CompRequestUpdate(c);
            return 0;
        }
        case GUITK_MSG_PAINT:
            return paint(c, m->a1);
        case GUITK_MSG_HIDE:
            setField(c, FIELD(held), 0);
            return CompDefaultHandler(m);
        case GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH: {
            GuiTkButton r{};
            if (!snapshot(c, &r)) return 0;
            const GuiTkComponent& b = r.base;
            if (r.contentKind != GUITK_CONTENT_TEXT || m->a1 >= b.preferredWidth || b.truncateMode != 0)
                return b.preferredHeight;
            int32_t w = 0, h = 0, width = m->a1 - b.insetLeft - b.insetRight;
            if (r.content != -1) GuiTkMeasureText(b.font, r.content, width > 0 ? width : 0, &w, &h);
            return h + b.insetTop + b.insetBottom;
        }
        case GUITK_BUTTON_MSG_CREATED:
        case GUITK_BUTTON_MSG_DELETING:
            return 0;
        case GUITK_BUTTON_MSG_TEXT:
        case GUITK_BUTTON_MSG_IMAGE:
        case GUITK_BUTTON_MSG_OFFSCREEN:
            updatePreferredSize(c);
            CompRequestUpdate(c);
            return 0;
        case GUITK_BUTTON_MSG_PUSHED:
            CompRequestUpdate(c);
            return 0;
        default:
            return CompDefaultHandler(m);
    }
}

int32_t KivButtonKeyHandler(GuiTkKeyEvent* event) {
    int32_t c = event->component;
    int32_t pushed = KivButtonGetPushed(c);
    if (event->key == GUITK_KEY_SELECT && event->type == 0) {
        if (!pushed) push(c, 1, 0);
    } else if (event->key == GUITK_KEY_SELECT && event->type == 1) {
        if (pushed)
            push(c, 0, 1);
        else if (ButtonTable->styleDoja)
            CompCallDefaultHandler4(c, GUITK_EVENT_CHANGED, 0, 0);
    } else if ((event->type == 2 || event->type == 3) && event->key >= 16 && event->key <= 19 && pushed) {
        return 1;
    }
    return 0;
}

int32_t KivButtonPointerHandler(GuiTkPointerEvent* event) {
    int32_t c = event->component, kind = event->values[0], argument = event->values[1];
    int32_t pushed = KivButtonGetPushed(c), held = getField(c, FIELD(held));
    if (kind == 0 && argument == 0) {
        if (CompGetState(c) >= GUITK_STATE_FOCUSED && !pushed) {
            setField(c, FIELD(held), 1);
            push(c, 1, 0);
        }
    } else if (kind == 1 && argument == 0) {
        if (pushed) push(c, 0, 1);
        setField(c, FIELD(held), 0);
    } else if (kind == 5 && held) {
        if (!pushed) push(c, 1, 0);
    } else if (kind == 6 && held) {
        if (pushed) push(c, 0, 1);
    }
    return 0;
}
