// The ticker.
#include "toolkit/guitk_ticker.h"

#include <stddef.h>

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

struct TickerClass {
    P32Fn<GuiTkHandler> slots[GUITK_TICKER_SLOTS];
    uint32_t frameKind;  // 1 the word below, 2 foreground, 3 background
    uint32_t frameColor;
};
VMBSS TickerClass* TickerTable;

#define FIELD(name) ((int32_t)offsetof(GuiTkTicker, name))

int32_t getField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TICKER, position);
}
void setField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TICKER, position, value);
}

bool snapshot(int32_t c, GuiTkTicker* out) {
    GuiTkTicker* r = (GuiTkTicker*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TICKER);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(c);
    return true;
}

// The whole text on one line; no text measures 0 x 0.
void textSize(const GuiTkTicker& r, int32_t* w, int32_t* h) {
    *w = *h = 0;
    if (r.text != -1) GuiTkMeasureString(r.base.font, r.text, w, h);
}

void sizesOf(const GuiTkTicker& r, int32_t* w, int32_t* h) {
    textSize(r, w, h);
    *w += r.base.insetLeft + r.base.insetRight;
    *h += r.base.insetTop + r.base.insetBottom;
}

int32_t clientWidth(const GuiTkComponent& b) { return b.width - b.insetLeft - b.insetRight; }

int32_t paint(int32_t c, GuiTkGraphics gfx) {
    GuiTkTicker r{};
    if (!snapshot(c, &r)) return 0;
    const GuiTkComponent& b = r.base;
    if (b.paintEnable == 0 || b.width < 1 || b.height < 1) return 0;
    uint32_t frame = TickerTable->frameKind == 2   ? b.foreground
                     : TickerTable->frameKind == 3 ? b.background
                                                   : TickerTable->frameColor;
    if ((frame >> 24) != 0) {
        GuiTkGfxSetStrokeStyle(gfx, 0);
        GuiTkUseColor(gfx, frame);
        const GuiTkRect outline = {b.x, b.y, b.width - 1, b.height - 1};
        GuiTkGfxDrawRect(gfx, &outline);
    }
    if (b.width <= 2 || b.height <= 2) return 0;
    if (GuiTkUseColor(gfx, b.background)) {
        const GuiTkRect face = {b.x + 1, b.y + 1, b.width - 2, b.height - 2};
        GuiTkGfxFillRect(gfx, &face);
    }
    GuiTkRect client;
    CompGetContentRect(&b, &client);
    if (client.width < 1 || client.height < 1 || r.text == -1 || !GuiTkUseColor(gfx, b.foreground)) return 0;
    GuiTkClipTo(gfx, &client);
    GuiTkGfxSetFont(gfx, b.font);
    int32_t w, h, x = 0, y = 0;
    textSize(r, &w, &h);
    // the alignment places the line vertically; the position moves it sideways
    GuiTkPlaceBlock(&b, &client, w, h, &x, &y);
    GuiTkDrawString(gfx, r.text, client.x + r.position, y);
    return 0;
}

// A new text or font starts the text at its entry edge again.
void restart(int32_t c) {
    GuiTkTicker r{};
    if (!snapshot(c, &r)) return;
    int32_t w, h;
    textSize(r, &w, &h);
    setField(c, FIELD(position), r.direction == 0 ? 0 : -w);
    sizesOf(r, &w, &h);
    CompSetMinimumSize(c, w, h);
    CompSetPreferredSize(c, w, h);
    CompRequestUpdate(c);
}

void advance(int32_t c) {
    GuiTkTicker r{};
    if (!snapshot(c, &r)) return;
    int32_t w, h;
    textSize(r, &w, &h);
    int32_t step = GuiTkFontGetHeight(r.base.font) / 2, client = clientWidth(r.base);
    int32_t position = r.position;
    if (r.direction == 0) {
        position -= step;
        if (position < -w) position = client;
    } else {
        position += step;
        if (position > client) position = -w;
    }
    KivTickerSetPosition(c, position);
}

int32_t handler(GuiTkMessage* m) {
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_TICKER_SLOTS ? TickerTable->slots[m->id].get() : KivTickerDefaultHandler;
    return slot(m);
}

int32_t nullKeyHook(GuiTkKeyEvent*) { return 0; }
int32_t nullPointerHook(GuiTkPointerEvent*) { return 0; }

bool checkFlag(int32_t value) {
    if (value == 0 || value == 1) return true;
    GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    return false;
}

}  // namespace

int32_t KivTickerModuleInit(int32_t, const void*) {
    TickerTable = (TickerClass*)GuiTkAlloc((int32_t)sizeof(TickerClass));
    if (TickerTable == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : TickerTable->slots) slot = KivTickerDefaultHandler;
    TickerTable->frameKind = 1;
    TickerTable->frameColor = 0xFF000000;
    return 0;
}

int32_t KivTickerModuleFini(void) {
    if (TickerTable != nullptr) GuiTkFree(TickerTable);
    TickerTable = nullptr;
    return 0;
}

void KivTickerSetFrameStyle(int32_t attribute, int32_t kind, uint32_t value) {
    if (attribute != 1 || kind < 1 || kind > 3) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    TickerTable->frameKind = (uint32_t)kind;
    TickerTable->frameColor = value;
}

void KivTickerSetHandler(int32_t messageId, GuiTkHandler handler) {
    if (messageId < 0 || messageId >= GUITK_TICKER_SLOTS || handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        TickerTable->slots[messageId] = handler;
}

int32_t KivTickerCreate(int32_t number) {
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkTicker));
    GuiTkTicker* r = h == -1 ? nullptr : (GuiTkTicker*)GuiTkLockHandle(h);
    if (r == nullptr ||
        !CompInitDefault(h, &r->base, handler, nullKeyHook, nullPointerHook, number, GUITK_TYPE_TICKER)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        return -1;
    }
    r->tag = GUITK_TAG_TICKER;
    r->text = -1;
    r->position = 0;
    r->direction = (uint32_t)CompIsRightToLeft(r->base.directionMode);
    GuiTkUnlockHandle(h);
    CompSetInsets(h, 2, 2, 2, 2);
    GuiTkTicker s{};
    int32_t w, hh;
    snapshot(h, &s);
    sizesOf(s, &w, &hh);
    CompStoreMinimumSize(h, w, hh);
    CompStorePreferredSize(h, w, hh);
    CompSendMessage1(h, GUITK_TICKER_MSG_CREATED, number);
    snapshot(h, &s);
    sizesOf(s, &w, &hh);
    CompSetMinimumSize(h, w, hh);
    CompSetPreferredSize(h, w, hh);
    CompSetState(h, GUITK_STATE_DISABLED);
    return h;
}

void KivTickerDelete(int32_t c) {
    CompSendMessage0(c, GUITK_TICKER_MSG_DELETING);
    CompDetachFromParent(c);
    GuiTkTicker* r = (GuiTkTicker*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TICKER);
    if (r == nullptr) return;
    int32_t text = r->text;
    r->text = -1;
    r->tag = 0;
    CompUnlink(&r->base);
    GuiTkUnlockHandle(c);
    if (text != -1) StrDestroy(text);
    GuiTkFreeHandle(c);
}

int32_t KivTickerSetText(int32_t c, const uint16_t* chars, int32_t length) {
    if (GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TICKER) == nullptr) return -1;
    GuiTkUnlockHandle(c);
    int32_t text = StrCreateFromChars(chars, length);
    if (text == -1) return -1;
    int32_t old = getField(c, FIELD(text));
    setField(c, FIELD(text), text);
    CompSendMessage1(c, GUITK_TICKER_MSG_TEXT, text);
    if (old != -1) StrDestroy(old);
    return 0;
}

int32_t KivTickerGetText(int32_t c) { return getField(c, FIELD(text)); }

void KivTickerUpdate(int32_t c) { CompSendMessage0(c, GUITK_TICKER_MSG_ADVANCE); }

void KivTickerSetPosition(int32_t c, int32_t position) {
    int32_t old = getField(c, FIELD(position));
    if (old == position) return;
    setField(c, FIELD(position), position);
    CompSendMessage2(c, GUITK_TICKER_MSG_POSITION, position, old);
}

void KivTickerStorePosition(int32_t c, int32_t position) { setField(c, FIELD(position), position); }
int32_t KivTickerGetPosition(int32_t c) { return getField(c, FIELD(position)); }

void KivTickerSetDirection(int32_t c, int32_t direction) {
    if (!checkFlag(direction)) return;
    int32_t old = getField(c, FIELD(direction));
    if (old == direction) return;
    setField(c, FIELD(direction), direction);
    CompSendMessage2(c, GUITK_TICKER_MSG_DIRECTION, direction, old);
}

void KivTickerStoreDirection(int32_t c, int32_t direction) {
    if (checkFlag(direction)) setField(c, FIELD(direction), direction);
}

int32_t KivTickerGetDirection(int32_t c) { return getField(c, FIELD(direction)); }

int32_t KivTickerDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_FONT:
        case GUITK_TICKER_MSG_TEXT:
            restart(c);
            return 0;
        case GUITK_MSG_PAINT:
            return paint(c, m->a1);
        case GUITK_MSG_RELAYOUT:
            KivTickerSetDirection(c, CompIsRightToLeft(CompGetDirectionMode(c)));
            CompDefaultHandler(m);
            return 1;
        case GUITK_TICKER_MSG_CREATED:
        case GUITK_TICKER_MSG_DELETING:
        case GUITK_TICKER_MSG_DIRECTION:
            return 0;
        case GUITK_TICKER_MSG_ADVANCE:
            advance(c);
            return 0;
        case GUITK_TICKER_MSG_POSITION:
            CompRequestUpdate(c);
            return 0;
        default:
            return CompDefaultHandler(m);
    }
}
