// The gauge.
#include "toolkit/guitk_gauge.h"

#include <stddef.h>

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_screen.h"

namespace {

struct GaugeClass {
    P32Fn<GuiTkHandler> slots[GUITK_GAUGE_SLOTS];
    P32Fn<GuiTkKeyHook> keyHandler;
    P32Fn<GuiTkKeyHook> activeKeyHandler;
    P32Fn<GuiTkPointerHook> pointerHandler;
    uint32_t styles[4][GUITK_GAUGE_STYLE_WORDS];
};
VMBSS GaugeClass* GaugeTable;

// {kind, ARGB} for outer frame, inner frame, bar, trough; a row per state.
const uint32_t InitialStyles[4][GUITK_GAUGE_STYLE_WORDS] = {
    {1, 0, 1, 0xFF000000, 2, 0, 3, 0},
    {1, 0, 1, 0xFF000000, 2, 0, 3, 0},
    {1, 0xFF000000, 1, 0xFF000000, 2, 0, 3, 0},
    {1, 0xFF000000, 1, 0xFF000000, 2, 0, 3, 0},
};
// Above this maximum the bar width is worked out in sixteenths, so that the product
// of value and width stays small.
const int32_t LargeMaximum = 0x8000000;
const int32_t SidePadding = 12;

#define FIELD(name) ((int32_t)offsetof(GuiTkGauge, name))

int32_t getField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_GAUGE, position);
}
void setField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_GAUGE, position, value);
}

bool snapshot(int32_t c, GuiTkGauge* out) {
    GuiTkGauge* r = (GuiTkGauge*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_GAUGE);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(c);
    return true;
}

void sizesOf(const GuiTkGauge& r, int32_t* minW, int32_t* minH, int32_t* prefW, int32_t* prefH) {
    const GuiTkComponent& b = r.base;
    *minW = b.insetLeft + b.insetRight + SidePadding;
    *minH = *prefH = b.insetTop + b.insetBottom + SidePadding;
    int32_t span = r.maximum > 70 ? r.maximum : 70, screen = GuiTkGetScreenWidth();
    int32_t w = (span < screen ? span : screen) + b.insetLeft + b.insetRight;
    *prefW = w < 1 ? 0 : w;
}

void updatePreferredSize(int32_t c) {
    GuiTkGauge r{};
    if (!snapshot(c, &r)) return;
    int32_t minW, minH, prefW, prefH;
    sizesOf(r, &minW, &minH, &prefW, &prefH);
    CompSetPreferredSize(c, prefW, prefH);
}

uint32_t frameColor(const uint32_t* pair, const GuiTkComponent& b, uint32_t bar, uint32_t trough) {
    switch (pair[0]) {
        case 2:
            return b.foreground;
        case 3:
            return b.background;
        case 4:
            return bar;
        case 5:
            return trough;
        default:
            return pair[1];
    }
}

int32_t barWidth(int32_t value, int32_t maximum, int32_t clientWidth) {
    int32_t w = maximum < LargeMaximum ? (int32_t)((int64_t)value * clientWidth / maximum)
                                       : (int32_t)((int64_t)(value / (maximum / 16)) * clientWidth / 16);
    if (value > 0 && w < 1) return 1;
    // only a full gauge fills the trough
    if (w >= clientWidth) return value < maximum ? clientWidth - 1 : clientWidth;
    return w;
}

int32_t paint(int32_t c, GuiTkGraphics gfx) {
    GuiTkGauge r{};
    if (!snapshot(c, &r)) return 0;
    const GuiTkComponent& b = r.base;
    if (b.paintEnable == 0 || b.width < 1 || b.height < 1) return 0;
    const uint32_t* s = GaugeTable->styles[b.state < 3 ? b.state : 3];
    uint32_t bar = s[4] == 1 ? s[5] : s[4] == 3 ? b.background : b.foreground;
    uint32_t trough = s[6] == 1 ? s[7] : s[6] == 2 ? b.foreground : b.background;
    uint32_t outer = frameColor(s, b, bar, trough), inner = frameColor(s + 2, b, bar, trough);
    int32_t x = b.x, y = b.y, w = b.width, h = b.height;
    GuiTkGfxSetStrokeStyle(gfx, 0);
    if (GuiTkUseColor(gfx, outer)) {
        const GuiTkRect frame = {x, y, w - 1, h - 1};
        GuiTkGfxDrawRect(gfx, &frame);
    }
    if (w <= 2 || h <= 2) return 0;
    if (GuiTkUseColor(gfx, inner)) {
        const GuiTkRect frame = {x + 1, y + 1, w - 3, h - 3};
        GuiTkGfxDrawRect(gfx, &frame);
    }
    GuiTkRect client;
    CompGetContentRect(&b, &client);
    if (GuiTkUseColor(gfx, trough)) GuiTkGfxFillRect(gfx, &client);
    if (client.width < 1 || client.height < 1 || !GuiTkUseColor(gfx, bar)) return 0;
    GuiTkClipTo(gfx, &client);
    int32_t bw = barWidth(r.value, r.maximum, client.width);
    int32_t bx = CompGetLanguageDirection() == 1 ? client.x + client.width - bw : client.x;
    const GuiTkRect fill = {bx, client.y, bw, client.height};
    GuiTkGfxFillRect(gfx, &fill);
    return 0;
}

int32_t handler(GuiTkMessage* m) {
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_GAUGE_SLOTS ? GaugeTable->slots[m->id].get() : KivGaugeDefaultHandler;
    return slot(m);
}

int32_t keyTrampoline(GuiTkKeyEvent* event) { return GaugeTable->keyHandler.get()(event); }
int32_t activeKeyTrampoline(GuiTkKeyEvent* event) { return GaugeTable->activeKeyHandler.get()(event); }
int32_t pointerTrampoline(GuiTkPointerEvent* event) { return GaugeTable->pointerHandler.get()(event); }
int32_t nullPointerHandler(GuiTkPointerEvent*) { return 0; }

void indefiniteStep(int32_t c, int32_t state, int32_t message) {
    if (getField(c, FIELD(mode)) != GUITK_GAUGE_INDEFINITE) {
        GuiTkFatalError(GUITK_ERROR_STATE);
        return;
    }
    int32_t old = getField(c, FIELD(idleState));
    setField(c, FIELD(idleState), state);
    CompSendMessage2(c, message, state, old);
}

template <typename F>
void setHook(P32Fn<F>* slot, F hook) {
    if (hook == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        *slot = hook;
}

}  // namespace

int32_t KivGaugeModuleInit(int32_t, const void*) {
    GaugeTable = (GaugeClass*)GuiTkAlloc((int32_t)sizeof(GaugeClass));
    if (GaugeTable == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : GaugeTable->slots) slot = KivGaugeDefaultHandler;
    GaugeTable->keyHandler = CompDefaultKeyHook;
    GaugeTable->activeKeyHandler = KivGaugeActiveKeyHandler;
    GaugeTable->pointerHandler = nullPointerHandler;
    GuiTkCopy(GaugeTable->styles, InitialStyles, sizeof InitialStyles);
    return 0;
}

int32_t KivGaugeModuleFini(void) {
    if (GaugeTable != nullptr) GuiTkFree(GaugeTable);
    GaugeTable = nullptr;
    return 0;
}

int32_t KivGaugeCreate(int32_t number) {
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkGauge));
    GuiTkGauge* r = h == -1 ? nullptr : (GuiTkGauge*)GuiTkLockHandle(h);
    if (r == nullptr || !CompInitObject(h, &r->base, handler, keyTrampoline, activeKeyTrampoline, pointerTrampoline,
                                        number, GUITK_TYPE_GAUGE)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        return -1;
    }
    r->tag = GUITK_TAG_GAUGE;
    r->mode = GUITK_GAUGE_NORMAL;
    r->value = 0;
    r->maximum = 1;
    r->idleState = 0;
    GuiTkUnlockHandle(h);
    CompSetInsets(h, 2, 2, 2, 2);
    GuiTkGauge s{};
    int32_t minW, minH, prefW, prefH;
    snapshot(h, &s);
    sizesOf(s, &minW, &minH, &prefW, &prefH);
    CompStoreMinimumSize(h, minW, minH);
    CompStorePreferredSize(h, prefW, prefH);
    CompSendMessage1(h, GUITK_GAUGE_MSG_CREATED, number);
    snapshot(h, &s);
    sizesOf(s, &minW, &minH, &prefW, &prefH);
    CompSetMinimumSize(h, minW, minH);
    CompSetPreferredSize(h, prefW, prefH);
    return h;
}

void KivGaugeDelete(int32_t c) {
    CompSendMessage0(c, GUITK_GAUGE_MSG_DELETING);
    CompDetachFromParent(c);
    GuiTkGauge* r = (GuiTkGauge*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_GAUGE);
    if (r == nullptr) return;
    r->tag = 0;
    CompUnlink(&r->base);
    GuiTkUnlockHandle(c);
    GuiTkFreeHandle(c);
}

void KivGaugeSetMode(int32_t c, int32_t mode) {
    if (mode != GUITK_GAUGE_NORMAL && mode != GUITK_GAUGE_INDEFINITE) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t old = getField(c, FIELD(mode));
    if (old == mode) return;
    setField(c, FIELD(mode), mode);
    CompSendMessage2(c, GUITK_GAUGE_MSG_MODE, mode, old);
}

int32_t KivGaugeGetMode(int32_t c) { return getField(c, FIELD(mode)); }

void KivGaugeSetValue(int32_t c, int32_t value) {
    if (value < 0) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t maximum = getField(c, FIELD(maximum)), old = getField(c, FIELD(value));
    if (value > maximum) value = maximum;
    if (value == old) return;
    setField(c, FIELD(value), value);
    CompSendMessage2(c, GUITK_GAUGE_MSG_VALUE, value, old);
}

void KivGaugeStoreValue(int32_t c, int32_t value) {
    if (value < 0) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t maximum = getField(c, FIELD(maximum));
    setField(c, FIELD(value), value > maximum ? maximum : value);
}

int32_t KivGaugeGetValue(int32_t c) { return getField(c, FIELD(value)); }

void KivGaugeSetMaxValue(int32_t c, int32_t maximum) {
    if (maximum <= 0) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t old = getField(c, FIELD(maximum));
    if (old == maximum) return;
    setField(c, FIELD(maximum), maximum);
    CompSendMessage2(c, GUITK_GAUGE_MSG_MAXIMUM, maximum, old);
    if (getField(c, FIELD(value)) > maximum) KivGaugeSetValue(c, maximum);
}

void KivGaugeStoreMaxValue(int32_t c, int32_t maximum) {
    if (maximum <= 0) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    setField(c, FIELD(maximum), maximum);
    if (getField(c, FIELD(value)) > maximum) setField(c, FIELD(value), maximum);
}

int32_t KivGaugeGetMaxValue(int32_t c) { return getField(c, FIELD(maximum)); }

void KivGaugeIncrement(int32_t c, int32_t state) { indefiniteStep(c, state, GUITK_GAUGE_MSG_INCREMENT); }
void KivGaugeDecrement(int32_t c, int32_t state) { indefiniteStep(c, state, GUITK_GAUGE_MSG_DECREMENT); }
void KivGaugeIdle(int32_t c, int32_t state) { indefiniteStep(c, state, GUITK_GAUGE_MSG_IDLE); }
int32_t KivGaugeGetIdleState(int32_t c) { return getField(c, FIELD(idleState)); }

void KivGaugeSetStyle(int32_t code, int32_t kind, uint32_t value) {
    int32_t attribute = code & 0xFF;
    uint32_t rows = (uint32_t)code & 0xFFFF00;
    bool frame = attribute == 1 || attribute == 2;
    uint32_t allowed = frame ? 0xF00u : 0xD00u;
    int32_t kinds = frame ? 5 : 3;
    if (attribute < 1 || attribute > 4 || kind < 1 || kind > kinds || rows == 0 || (rows & ~allowed) != 0) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    for (int32_t row = 0; row < 4; row++) {
        if ((rows & (0x100u << row)) == 0) continue;
        uint32_t* pair = GaugeTable->styles[row] + 2 * (attribute - 1);
        pair[0] = (uint32_t)kind;
        pair[1] = value;
    }
}

void KivGaugeGetStyle(int32_t row, uint32_t out[GUITK_GAUGE_STYLE_WORDS]) {
    if (row < 0 || row > 3) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    GuiTkCopy(out, GaugeTable->styles[row], sizeof GaugeTable->styles[row]);
}

void KivGaugeSetHandler(int32_t messageId, GuiTkHandler handler) {
    if (messageId < 0 || messageId >= GUITK_GAUGE_SLOTS || handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        GaugeTable->slots[messageId] = handler;
}
void KivGaugeSetKeyHandler(GuiTkKeyHook handler) { setHook(&GaugeTable->keyHandler, handler); }
void KivGaugeSetActiveKeyHandler(GuiTkKeyHook handler) { setHook(&GaugeTable->activeKeyHandler, handler); }
void KivGaugeSetPointerHandler(GuiTkPointerHook handler) { setHook(&GaugeTable->pointerHandler, handler); }

int32_t KivGaugeDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_PAINT:
            return paint(c, m->a1);
        case GUITK_GAUGE_MSG_CREATED:
        case GUITK_GAUGE_MSG_DELETING:
        case GUITK_GAUGE_MSG_IDLE:
            return 0;
        case GUITK_GAUGE_MSG_MODE:
            if (m->a1 == GUITK_GAUGE_INDEFINITE) KivGaugeSetMaxValue(c, 10);
            return 0;
        case GUITK_GAUGE_MSG_VALUE:
            CompRequestUpdate(c);
            return 0;
        case GUITK_GAUGE_MSG_MAXIMUM:
            updatePreferredSize(c);
            CompRequestUpdate(c);
            return 0;
        case GUITK_GAUGE_MSG_INCREMENT: {
            int32_t value = KivGaugeGetValue(c);
            KivGaugeSetValue(c, value >= KivGaugeGetMaxValue(c) ? 0 : value + 1);
            return 0;
        }
        case GUITK_GAUGE_MSG_DECREMENT: {
            int32_t value = KivGaugeGetValue(c);
            KivGaugeSetValue(c, value == 0 ? KivGaugeGetMaxValue(c) : value - 1);
            return 0;
        }
        default:
            return CompDefaultHandler(m);
    }
}

int32_t KivGaugeActiveKeyHandler(GuiTkKeyEvent* event) {
    bool arrow = event->key == 16 || event->key == 18;
    if ((event->type != 2 && event->type != 3) || !arrow) return CompActiveKeyHookOccupy(event);
    int32_t c = event->component;
    int32_t step = event->key == 18 ? 1 : -1;
    if (CompGetLanguageDirection() == 1) step = -step;
    int32_t old = KivGaugeGetValue(c), value = old + step, maximum = KivGaugeGetMaxValue(c);
    if (value >= 0 && value <= maximum) {
        KivGaugeSetValue(c, value);
        CompCallDefaultHandler4(c, GUITK_EVENT_CHANGED, value, old);
    }
    return 1;
}
