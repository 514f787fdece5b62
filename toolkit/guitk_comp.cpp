// The component registry, the base record and its messages.
#include "toolkit/guitk_comp.h"

#include "toolkit/guitk_event.h"

namespace {

struct GuiTkRegistry {
    GuiTkFont defaultFont;
    int32_t direction;  // 0 left-to-right, 1 right-to-left
    uint32_t colors[GUITK_GLOBAL_COLORS];
    int32_t first;
    int32_t last;
};
static_assert(sizeof(GuiTkRegistry) == 40, "the registry is ten words");
VMBSS GuiTkRegistry* Registry;

#define FIELD(name) ((int32_t)offsetof(GuiTkComponent, name))

inline int32_t getInt(int32_t c, int32_t position) { return CompGetInt(c, position); }

// A range check of a store: fatal with the code, and nothing stored, when it fails.
bool accept(bool ok, int32_t code) {
    if (!ok) GuiTkFatalError(code);
    return ok;
}

bool storeState(int32_t c, int32_t state) {
    CompSetInt(c, FIELD(state), state);
    return true;
}
bool storeFocusPolicy(int32_t c, int32_t policy) {
    if (!accept(policy >= 0 && policy < 2, GUITK_ERROR_ARGUMENT)) return false;
    CompSetByte(c, FIELD(focusPolicy), policy);
    return true;
}
bool storePair(int32_t c, int32_t position, int32_t first, int32_t second, bool nonNegative) {
    if (nonNegative && !accept(first >= 0 && second >= 0, GUITK_ERROR_ARGUMENT)) return false;
    CompSetPair(c, position, first, second);
    return true;
}
bool storeFlag(int32_t c, int32_t position, int32_t value) {
    if (!accept(value == 0 || value == 1, GUITK_ERROR_ARGUMENT)) return false;
    CompSetInt(c, position, value);
    return true;
}
bool storeDirectionMode(int32_t c, int32_t mode) {
    if (!accept(mode >= 0 && mode < 3, GUITK_ERROR_ARGUMENT)) return false;
    CompSetByte(c, FIELD(directionMode), mode);
    return true;
}
bool storeAlignment(int32_t c, int32_t position, int32_t alignment) {
    if (!accept(alignment >= 0 && alignment < 3, GUITK_ERROR_HANDLE)) return false;
    CompSetByte(c, position, alignment);
    return true;
}

// The setters of one word: store when different, then the message with (new, old).
void setWord(int32_t c, int32_t position, int32_t value, int32_t message) {
    int32_t old = getInt(c, position);
    if (old == value) return;
    CompSetInt(c, position, value);
    CompSendMessage2(c, message, value, old);
}

void setByte(int32_t c, int32_t position, int32_t value, int32_t message, bool (*store)(int32_t, int32_t)) {
    int32_t old = (int32_t)CompGetByte(c, position);
    if (old == value) return;
    if (!store(c, value)) return;
    CompSendMessage2(c, message, value, old);
}

GuiTkHandler handlerOf(int32_t c) { return (GuiTkHandler)(uintptr_t)(uint32_t)getInt(c, FIELD(handler)); }

// The state rule of the default handler for message 5.
void applyStateRule(int32_t c, int32_t state, int32_t old) {
    if (CompGetFocusPolicy(c) == GUITK_FOCUS_OCCUPY) {
        if (old < GUITK_STATE_ACTIVE && state > GUITK_STATE_FOCUSED) CompPostRequest(c, GUITK_EVENT_ACTIVATED);
        if (old > GUITK_STATE_FOCUSED && state < GUITK_STATE_ACTIVE) CompPostRequest(c, GUITK_EVENT_DEACTIVATED);
    } else if (old < GUITK_STATE_FOCUSED && state == GUITK_STATE_FOCUSED) {
        // a smooth component is Active as soon as it has the focus
        CompSetState(c, GUITK_STATE_ACTIVE);
    }
}

}  // namespace

// Registry.

int32_t CompModuleInit(int32_t, const void*) {
    GuiTkRegistry* r = (GuiTkRegistry*)GuiTkAlloc((int32_t)sizeof(GuiTkRegistry));
    if (r == nullptr) return -1;
    r->defaultFont = GuiTkFontGetDefault();
    if (r->defaultFont == GUITK_NONE) {
        GuiTkFree(r);
        return -1;
    }
    r->direction = 0;
    r->colors[GUITK_COLOR_BACKGROUND] = 0xFFFFFFFF;
    r->colors[GUITK_COLOR_FOREGROUND] = 0xFF000000;
    r->colors[GUITK_COLOR_FOCUSED_BACKGROUND] = 0xFFFFFFFF;
    r->colors[GUITK_COLOR_FOCUSED_FOREGROUND] = 0xFF000000;
    r->colors[GUITK_COLOR_BORDER] = 0xFF000000;
    r->colors[GUITK_COLOR_FOCUSED_BORDER] = 0xFF000000;
    r->first = -1;
    r->last = -1;
    Registry = r;
    return 0;
}

int32_t CompModuleFini(void) {
    if (Registry != nullptr) GuiTkFree(Registry);
    Registry = nullptr;
    return 0;
}

GuiTkFont CompGetDefaultFont(void) { return Registry->defaultFont; }

void CompSetLanguageDirection(int32_t direction) {
    if (accept(direction == 0 || direction == 1, GUITK_ERROR_ARGUMENT)) Registry->direction = direction;
}

int32_t CompGetLanguageDirection(void) { return Registry->direction; }

int32_t CompIsRightToLeft(int32_t directionMode) {
    if (directionMode == 0) return Registry->direction == 1;
    return directionMode == 2;
}

void CompSetGlobalColor(int32_t index, uint32_t color) {
    if (accept(index >= 0 && index < GUITK_GLOBAL_COLORS, GUITK_ERROR_ARGUMENT)) Registry->colors[index] = color;
}

uint32_t CompGetGlobalColor(int32_t index) {
    if (!accept(index >= 0 && index < GUITK_GLOBAL_COLORS, GUITK_ERROR_ARGUMENT)) return 0;
    return Registry->colors[index];
}

int32_t CompGetNext(int32_t component) { return component == -1 ? Registry->first : getInt(component, FIELD(next)); }

int32_t CompGetPrev(int32_t component) { return component == -1 ? Registry->last : getInt(component, FIELD(previous)); }

void CompRelayoutAll(void) {
    for (int32_t c = Registry->first; c != -1; c = CompGetNext(c)) CompRelayout(c);
}

int32_t CompRelayout(int32_t component) {
    int32_t result = CompSendMessage0(component, GUITK_MSG_RELAYOUT);
    if (result == 1) result = CompSendMessage0(component, GUITK_MSG_RELAYOUT_DONE);
    return result;
}

// Creation and removal.

int32_t CompInitObject(int32_t handle, GuiTkComponent* r, GuiTkHandler handler, GuiTkKeyHook keyHook,
                       GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type) {
    r->tag = GUITK_TAG_COMP;
    r->previous = -1;
    r->next = -1;
    r->handler = handler;
    r->keyHook = keyHook;
    r->activeKeyHook = activeKeyHook;
    r->pointerHook = pointerHook;
    r->createParam = createParam;
    r->type = (uint8_t)type;
    r->focusPolicy = GUITK_FOCUS_OCCUPY;
    r->directionMode = 0;
    r->pad = 0;
    r->shown = 0;
    r->parent = -1;
    r->eventHook = nullptr;
    r->x = r->y = r->width = r->height = 0;
    r->foreground = Registry->colors[GUITK_COLOR_FOREGROUND];
    r->background = Registry->colors[GUITK_COLOR_BACKGROUND];
    r->insetTop = r->insetLeft = r->insetRight = r->insetBottom = 0;
    r->paintEnable = 1;
    r->state = GUITK_STATE_ENABLED;
    r->font = Registry->defaultFont;
    r->alignX = r->alignY = 0;
    r->overflowAlignX = Registry->direction == 1 ? 1 : 0;
    r->overflowAlignY = 0;
    r->preferredWidth = r->preferredHeight = 0;
    r->minimumWidth = r->minimumHeight = 0;
    r->peerData = 0;
    r->spareWord = 0;
    r->editing = 0;
    r->kindWords[0] = r->kindWords[1] = r->kindWords[2] = 0;
    r->truncateMode = 0;
    if (Registry->last != -1) {
        CompSetInt(Registry->last, FIELD(next), handle);
        r->previous = Registry->last;
    } else if (Registry->first != -1) {
        GuiTkFatalError(GUITK_ERROR_STATE);
        return 0;
    } else {
        Registry->first = handle;
    }
    Registry->last = handle;
    return 1;
}

int32_t CompInitDefault(int32_t handle, GuiTkComponent* record, GuiTkHandler handler, GuiTkKeyHook activeKeyHook,
                        GuiTkPointerHook pointerHook, int32_t createParam, int32_t type) {
    return CompInitObject(handle, record, handler, CompDefaultKeyHook, activeKeyHook, pointerHook, createParam, type);
}

void CompUnlink(GuiTkComponent* r) {
    if (r->previous != -1)
        CompSetInt(r->previous, FIELD(next), r->next);
    else
        Registry->first = r->next;
    if (r->next != -1)
        CompSetInt(r->next, FIELD(previous), r->previous);
    else
        Registry->last = r->previous;
    r->tag = 0;
}

// Typed access.

GuiTkComponent* CompLock(int32_t c) { return (GuiTkComponent*)GuiTkLockTyped(c, 0, GUITK_TAG_COMP); }
int32_t CompGetInt(int32_t c, int32_t position) { return GuiTkGetTypedInt(c, 0, GUITK_TAG_COMP, position); }
uint32_t CompGetShort(int32_t c, int32_t position) { return GuiTkGetTypedShort(c, 0, GUITK_TAG_COMP, position); }
uint32_t CompGetByte(int32_t c, int32_t position) { return GuiTkGetTypedByte(c, 0, GUITK_TAG_COMP, position); }
int32_t CompGetHandle(int32_t c, int32_t position) { return CompGetInt(c, position); }
int32_t CompGetFlag(int32_t c, int32_t position) { return GuiTkGetTypedFlag(c, 0, GUITK_TAG_COMP, position); }
void CompSetInt(int32_t c, int32_t position, int32_t value) { GuiTkSetTypedInt(c, 0, GUITK_TAG_COMP, position, value); }
void CompSetByte(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedByte(c, 0, GUITK_TAG_COMP, position, value);
}
void CompSetHandle(int32_t c, int32_t position, int32_t value) { CompSetInt(c, position, value); }
void CompSetFlag(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedFlag(c, 0, GUITK_TAG_COMP, position, value);
}
void CompSetPair(int32_t c, int32_t position, int32_t first, int32_t second) {
    GuiTkSetTypedPair(c, 0, GUITK_TAG_COMP, position, first, second);
}

// Setters with messages.

void CompSetLocation(int32_t c, int32_t x, int32_t y) {
    int32_t oldX = CompGetX(c), oldY = CompGetY(c);
    if (oldX == x && oldY == y) return;
    CompStoreLocation(c, x, y);
    CompSendMessage(c, GUITK_MSG_LOCATION, x, y, oldX, oldY);
}

void CompSetSize(int32_t c, int32_t width, int32_t height) {
    int32_t oldW = CompGetWidth(c), oldH = CompGetHeight(c);
    if (oldW == width && oldH == height) return;
    if (!storePair(c, FIELD(width), width, height, true)) return;
    CompSendMessage(c, GUITK_MSG_SIZE, width, height, oldW, oldH);
}

void CompSetForeground(int32_t c, uint32_t color) {
    setWord(c, FIELD(foreground), (int32_t)color, GUITK_MSG_FOREGROUND);
}
void CompSetBackground(int32_t c, uint32_t color) {
    setWord(c, FIELD(background), (int32_t)color, GUITK_MSG_BACKGROUND);
}

void CompSetPaintEnable(int32_t c, int32_t enable) {
    int32_t old = CompGetPaintEnable(c);
    if (old == enable || !storeFlag(c, FIELD(paintEnable), enable)) return;
    CompSendMessage2(c, GUITK_MSG_PAINT_ENABLE, enable, old);
}

void CompSetState(int32_t c, int32_t state) { setWord(c, FIELD(state), state, GUITK_MSG_STATE); }

void CompSetFont(int32_t c, GuiTkFont font) {
    int32_t old = CompGetFont(c);
    if (old == font || !accept(font != GUITK_NONE, GUITK_ERROR_HANDLE)) return;
    CompSetInt(c, FIELD(font), font);
    CompSendMessage2(c, GUITK_MSG_FONT, font, old);
}

void CompSetAlignmentX(int32_t c, int32_t alignment) {
    setByte(c, FIELD(alignX), alignment, GUITK_MSG_ALIGNMENT_X,
            [](int32_t h, int32_t v) { return storeAlignment(h, FIELD(alignX), v); });
}
void CompSetAlignmentY(int32_t c, int32_t alignment) {
    setByte(c, FIELD(alignY), alignment, GUITK_MSG_ALIGNMENT_Y,
            [](int32_t h, int32_t v) { return storeAlignment(h, FIELD(alignY), v); });
}

void CompSetOverflowAlignmentX(int32_t c, int32_t alignment) {
    setByte(c, FIELD(overflowAlignX), (uint8_t)alignment, GUITK_MSG_OVERFLOW_ALIGNMENT_X, [](int32_t h, int32_t v) {
        CompSetByte(h, FIELD(overflowAlignX), v);
        return true;
    });
}
void CompSetOverflowAlignmentY(int32_t c, int32_t alignment) {
    setByte(c, FIELD(overflowAlignY), (uint8_t)alignment, GUITK_MSG_OVERFLOW_ALIGNMENT_Y, [](int32_t h, int32_t v) {
        CompSetByte(h, FIELD(overflowAlignY), v);
        return true;
    });
}

void CompSetPreferredSize(int32_t c, int32_t width, int32_t height) {
    // the old size is what the kind reports, not necessarily the stored one
    int32_t oldW = CompGetPreferredWidth(c), oldH = CompGetPreferredHeight(c);
    if (oldW == width && oldH == height) return;
    if (!storePair(c, FIELD(preferredWidth), width, height, true)) return;
    CompSendMessage(c, GUITK_MSG_PREFERRED_SIZE, width, height, oldW, oldH);
}

void CompSetMinimumSize(int32_t c, int32_t width, int32_t height) {
    int32_t oldW = CompGetMinimumWidth(c), oldH = CompGetMinimumHeight(c);
    if (oldW == width && oldH == height) return;
    if (!storePair(c, FIELD(minimumWidth), width, height, true)) return;
    CompSendMessage(c, GUITK_MSG_MINIMUM_SIZE, width, height, oldW, oldH);
}

void CompSetFocusPolicy(int32_t c, int32_t policy) {
    setByte(c, FIELD(focusPolicy), policy, GUITK_MSG_FOCUS_POLICY, storeFocusPolicy);
}

void CompSetTruncateMode(int32_t c, int32_t mode) {
    int32_t old = CompGetTruncateMode(c);
    if (old == mode || !storeFlag(c, FIELD(truncateMode), mode)) return;
    CompSendMessage2(c, GUITK_MSG_TRUNCATE_MODE, mode, old);
}

void CompSetDirectionMode(int32_t c, int32_t mode) {
    setByte(c, FIELD(directionMode), mode, GUITK_MSG_DIRECTION_MODE, storeDirectionMode);
}

// Stores without a message.

void CompStoreState(int32_t c, int32_t state) { storeState(c, state); }
void CompStoreFocusPolicy(int32_t c, int32_t policy) { storeFocusPolicy(c, policy); }
void CompStoreLocation(int32_t c, int32_t x, int32_t y) { storePair(c, FIELD(x), x, y, false); }
void CompStoreSize(int32_t c, int32_t width, int32_t height) { storePair(c, FIELD(width), width, height, true); }
void CompStorePreferredSize(int32_t c, int32_t width, int32_t height) {
    storePair(c, FIELD(preferredWidth), width, height, true);
}
void CompStoreMinimumSize(int32_t c, int32_t width, int32_t height) {
    storePair(c, FIELD(minimumWidth), width, height, true);
}
void CompStoreForeground(int32_t c, uint32_t color) { CompSetInt(c, FIELD(foreground), (int32_t)color); }
void CompStoreBackground(int32_t c, uint32_t color) { CompSetInt(c, FIELD(background), (int32_t)color); }
void CompStorePaintEnable(int32_t c, int32_t enable) { storeFlag(c, FIELD(paintEnable), enable); }
void CompStoreDirectionMode(int32_t c, int32_t mode) { storeDirectionMode(c, mode); }
void CompSetEditingFlag(int32_t c, int32_t flag) { CompSetFlag(c, FIELD(editing), flag); }
void CompSetSpareWord(int32_t c, int32_t value) { CompSetInt(c, FIELD(spareWord), value); }
void CompSetPeerData(int32_t c, int32_t value) { CompSetInt(c, FIELD(peerData), value); }

void CompSetInsets(int32_t c, int32_t top, int32_t left, int32_t right, int32_t bottom) {
    auto inRange = [](int32_t v) { return v >= 0 && v <= 32767; };
    if (!accept(inRange(top) && inRange(left) && inRange(right) && inRange(bottom), GUITK_ERROR_ARGUMENT)) return;
    GuiTkComponent* r = CompLock(c);
    if (r == nullptr) return;
    r->insetTop = (int16_t)top;
    r->insetLeft = (int16_t)left;
    r->insetRight = (int16_t)right;
    r->insetBottom = (int16_t)bottom;
    GuiTkUnlockHandle(c);
}

void CompSetParent(int32_t c, int32_t container) {
    if (container != -1 && !accept(CompGetParent(c) == -1, GUITK_ERROR_STATE)) return;
    CompSetInt(c, FIELD(parent), container);
}

void CompSetEventHook(int32_t c, GuiTkEventHook hook) {
    GuiTkComponent* r = CompLock(c);
    if (r == nullptr) return;
    r->eventHook = hook;
    GuiTkUnlockHandle(c);
}

// Getters.

int32_t CompGetX(int32_t c) { return getInt(c, FIELD(x)); }
int32_t CompGetY(int32_t c) { return getInt(c, FIELD(y)); }
int32_t CompGetWidth(int32_t c) { return getInt(c, FIELD(width)); }
int32_t CompGetHeight(int32_t c) { return getInt(c, FIELD(height)); }
int32_t CompGetInsetTop(int32_t c) { return (int16_t)CompGetShort(c, FIELD(insetTop)); }
int32_t CompGetInsetLeft(int32_t c) { return (int16_t)CompGetShort(c, FIELD(insetLeft)); }
int32_t CompGetInsetRight(int32_t c) { return (int16_t)CompGetShort(c, FIELD(insetRight)); }
int32_t CompGetInsetBottom(int32_t c) { return (int16_t)CompGetShort(c, FIELD(insetBottom)); }
int32_t CompGetState(int32_t c) { return getInt(c, FIELD(state)); }
GuiTkFont CompGetFont(int32_t c) { return getInt(c, FIELD(font)); }
int32_t CompGetType(int32_t c) { return (int32_t)CompGetByte(c, FIELD(type)); }
int32_t CompGetCreateParam(int32_t c) { return getInt(c, FIELD(createParam)); }
int32_t CompGetFocusPolicy(int32_t c) { return (int32_t)CompGetByte(c, FIELD(focusPolicy)); }
int32_t CompGetDirectionMode(int32_t c) { return (int32_t)CompGetByte(c, FIELD(directionMode)); }
int32_t CompGetParent(int32_t c) { return getInt(c, FIELD(parent)); }
GuiTkEventHook CompGetEventHook(int32_t c) { return (GuiTkEventHook)(uintptr_t)(uint32_t)getInt(c, FIELD(eventHook)); }
int32_t CompGetPeerData(int32_t c) { return getInt(c, FIELD(peerData)); }
int32_t CompGetSpareWord(int32_t c) { return getInt(c, FIELD(spareWord)); }
int32_t CompGetEditingFlag(int32_t c) { return CompGetFlag(c, FIELD(editing)); }
int32_t CompIsShown(int32_t c) { return getInt(c, FIELD(shown)); }
uint32_t CompGetForeground(int32_t c) { return (uint32_t)getInt(c, FIELD(foreground)); }
uint32_t CompGetBackground(int32_t c) { return (uint32_t)getInt(c, FIELD(background)); }
int32_t CompGetPaintEnable(int32_t c) { return CompGetFlag(c, FIELD(paintEnable)); }
int32_t CompGetAlignmentX(int32_t c) { return (int32_t)CompGetByte(c, FIELD(alignX)); }
int32_t CompGetAlignmentY(int32_t c) { return (int32_t)CompGetByte(c, FIELD(alignY)); }
int32_t CompGetOverflowAlignmentX(int32_t c) { return (int32_t)CompGetByte(c, FIELD(overflowAlignX)); }
int32_t CompGetOverflowAlignmentY(int32_t c) { return (int32_t)CompGetByte(c, FIELD(overflowAlignY)); }
int32_t CompGetTruncateMode(int32_t c) { return CompGetFlag(c, FIELD(truncateMode)); }

int32_t CompGetPreferredWidthForHeight(int32_t c, int32_t height) {
    if (!accept(height >= 0, GUITK_ERROR_ARGUMENT)) return 0;
    return CompSendMessage1(c, GUITK_MSG_PREFERRED_WIDTH_FOR_HEIGHT, height);
}

int32_t CompGetPreferredHeightForWidth(int32_t c, int32_t width) {
    if (!accept(width >= 0, GUITK_ERROR_ARGUMENT)) return 0;
    return CompSendMessage1(c, GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH, width);
}

int32_t CompGetPreferredWidth(int32_t c) { return CompSendMessage0(c, GUITK_MSG_GET_PREFERRED_WIDTH); }
int32_t CompGetPreferredHeight(int32_t c) { return CompSendMessage0(c, GUITK_MSG_GET_PREFERRED_HEIGHT); }
int32_t CompGetMinimumWidth(int32_t c) { return CompSendMessage0(c, GUITK_MSG_GET_MINIMUM_WIDTH); }
int32_t CompGetMinimumHeight(int32_t c) { return CompSendMessage0(c, GUITK_MSG_GET_MINIMUM_HEIGHT); }

void CompGetContentRect(const GuiTkComponent* r, GuiTkRect* out) {
    int32_t w = r->width - (r->insetLeft + r->insetRight), h = r->height - (r->insetTop + r->insetBottom);
    *out = {r->x + r->insetLeft, r->y + r->insetTop, w > 0 ? w : 0, h > 0 ? h : 0};
}

void CompShow(int32_t c, int32_t argument) {
    GuiTkComponent* r = CompLock(c);
    if (r == nullptr) return;
    bool wasShown = r->shown != 0;
    r->shown = 1;
    GuiTkHandler handler = r->handler;
    GuiTkUnlockHandle(c);
    if (!wasShown) CompCallHandler1(handler, c, GUITK_MSG_SHOW, argument);
}

void CompHide(int32_t c) {
    GuiTkComponent* r = CompLock(c);
    if (r == nullptr) return;
    bool wasShown = r->shown != 0;
    r->shown = 0;
    GuiTkHandler handler = r->handler;
    GuiTkUnlockHandle(c);
    if (wasShown) CompCallHandler0(handler, c, GUITK_MSG_HIDE);
}

int32_t CompPaint(int32_t c, GuiTkGraphics gfx) {
    GuiTkGfxPrepare(gfx, 1);
    return CompSendMessage1(c, CompIsShown(c) ? GUITK_MSG_PAINT : GUITK_MSG_PAINT_HIDDEN, gfx);
}

void CompRequestUpdate(int32_t c) {
    if (CompIsShown(c)) CompPostRequest(c, GUITK_EVENT_UPDATE);
}

int32_t CompProcessKeyEvent(GuiTkKeyEvent* event) {
    int32_t c = event->component;
    GuiTkComponent* r = CompLock(c);
    if (r == nullptr) return 0;
    int32_t state = (int32_t)r->state;
    GuiTkKeyHook hook = state < GUITK_STATE_ACTIVE ? r->keyHook : r->activeKeyHook;
    GuiTkUnlockHandle(c);
    if (hook == nullptr) return 0;
    int32_t result = hook(event);
    if (state >= GUITK_STATE_ACTIVE) return result;
    if (result == 1) return 1;
    if (result == 2) CompSetState(c, GUITK_STATE_ACTIVE);
    return 0;
}

int32_t CompProcessPointerEvent(GuiTkPointerEvent* event) {
    GuiTkComponent* r = CompLock(event->component);
    if (r == nullptr) return 0;
    GuiTkPointerHook hook = r->pointerHook;
    GuiTkUnlockHandle(event->component);
    return hook != nullptr ? hook(event) : 0;
}

// Message calls.

int32_t CompCallHandler(GuiTkHandler handler, int32_t component, int32_t id, int32_t a1, int32_t a2, int32_t a3,
                        int32_t a4) {
    GuiTkMessage message = {component, id, a1, a2, a3, a4};
    return handler(&message);
}
int32_t CompCallHandler0(GuiTkHandler handler, int32_t component, int32_t id) {
    return CompCallHandler(handler, component, id, 0, 0, 0, 0);
}
int32_t CompCallHandler1(GuiTkHandler handler, int32_t component, int32_t id, int32_t a1) {
    return CompCallHandler(handler, component, id, a1, 0, 0, 0);
}
int32_t CompCallHandler2(GuiTkHandler handler, int32_t component, int32_t id, int32_t a1, int32_t a2) {
    return CompCallHandler(handler, component, id, a1, a2, 0, 0);
}
int32_t CompCallHandler3(GuiTkHandler handler, int32_t component, int32_t id, int32_t a1, int32_t a2, int32_t a3) {
    return CompCallHandler(handler, component, id, a1, a2, a3, 0);
}

int32_t CompSendMessage(int32_t component, int32_t id, int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
    GuiTkHandler handler = handlerOf(component);
    if (handler == nullptr) return 0;  // the lock failed (and reported it)
    return CompCallHandler(handler, component, id, a1, a2, a3, a4);
}
int32_t CompSendMessage0(int32_t component, int32_t id) { return CompSendMessage(component, id, 0, 0, 0, 0); }
int32_t CompSendMessage1(int32_t component, int32_t id, int32_t a1) {
    return CompSendMessage(component, id, a1, 0, 0, 0);
}
int32_t CompSendMessage2(int32_t component, int32_t id, int32_t a1, int32_t a2) {
    return CompSendMessage(component, id, a1, a2, 0, 0);
}

// Hooks and handlers of the base.

static bool isSelectPress(const GuiTkKeyEvent* event) {
    return event->type == GUITK_KEY_EVENT_PRESSED && event->key == GUITK_KEY_SELECT;
}

int32_t CompDefaultKeyHook(GuiTkKeyEvent* event) { return isSelectPress(event) ? 2 : 0; }

int32_t CompActiveKeyHookOccupy(GuiTkKeyEvent* event) {
    if (isSelectPress(event) && CompGetFocusPolicy(event->component) == GUITK_FOCUS_OCCUPY)
        CompSetState(event->component, GUITK_STATE_FOCUSED);
    return 0;
}

int32_t CompNullHook(GuiTkKeyEvent*) { return 0; }

int32_t CompDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_LOCATION:
        case GUITK_MSG_PREFERRED_SIZE:
        case GUITK_MSG_MINIMUM_SIZE:
        case GUITK_MSG_SHOW:
        case GUITK_MSG_PAINT:
        case GUITK_MSG_HIDE:
        case GUITK_MSG_RELAYOUT_DONE:
            return 0;
        case GUITK_MSG_STATE:
            applyStateRule(c, m->a1, m->a2);
            break;
        case GUITK_MSG_PREFERRED_WIDTH_FOR_HEIGHT:
            return CompSendMessage0(c, GUITK_MSG_GET_PREFERRED_WIDTH);
        case GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH:
            return CompSendMessage0(c, GUITK_MSG_GET_PREFERRED_HEIGHT);
        // hidden components paint unless their kind says otherwise
        case GUITK_MSG_PAINT_HIDDEN:
            return CompSendMessage1(c, GUITK_MSG_PAINT, m->a1);
        case GUITK_MSG_GET_PREFERRED_WIDTH:
            return getInt(c, FIELD(preferredWidth));
        case GUITK_MSG_GET_PREFERRED_HEIGHT:
            return getInt(c, FIELD(preferredHeight));
        case GUITK_MSG_GET_MINIMUM_WIDTH:
            return getInt(c, FIELD(minimumWidth));
        case GUITK_MSG_GET_MINIMUM_HEIGHT:
            return getInt(c, FIELD(minimumHeight));
        case GUITK_MSG_RELAYOUT:
            CompSetOverflowAlignmentX(c, Registry->direction == 1 ? 1 : 0);
            return 1;
        default:
            break;
    }
    CompRequestUpdate(c);
    return 0;
}

int32_t GuiTkAbstractHandler(GuiTkMessage*) {
    GuiTkFatalError(GUITK_ERROR_ABSTRACT);
    return 0;
}
