// The pop-up list and its pop-up window.
#include "toolkit/guitk_popup.h"

#include <stddef.h>

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_filter.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"

namespace {

struct PopUpClass {
    P32Fn<GuiTkHandler> slots[GUITK_POPUP_SLOTS];
    P32Fn<GuiTkKeyHook> keyHook;
    P32Fn<GuiTkKeyHook> activeKeyHook;
    P32Fn<GuiTkPointerHook> pointerHook;
    P32Fn<GuiTkEventHook> saved;
    int32_t filterOwner;        // the list whose opening installed the filter, -1 none
    GuiTkColorSpec rows[2][2];  // {outer, inner} for states 0-1 and 2-3
    P32<const uint32_t> buttonPixels;
    int32_t buttonWidth;
    int32_t buttonHeight;
};
VMBSS PopUpClass* PopUpTable;

struct WindowClass {
    P32Fn<GuiTkHandler> slots[GUITK_POPUP_WINDOW_SLOTS];
    P32Fn<GuiTkKeyHook> activeKeyHook;
    P32Fn<GuiTkPointerHook> pointerHook;
    GuiTkListStyle style;
    GuiTkSoftkeyLabel label;
    P32<const uint16_t> closeText;
    int32_t closeLength;
    uint32_t closeTextMode, closeTextColor;
    uint32_t closeBackMode, closeBackColor;
};
VMBSS WindowClass* WindowTable;

const uint16_t CloseText[] = {'<', '<', ' ', 'C', 'l', 'o', 's', 'e', ' ', '>', '>'};
const uint32_t DisabledText = 0xFFDFDFDF;

// The drop button: a light frame at top and left, black at right and bottom, a black
// downward triangle on white.
const uint8_t ButtonMask[81] = {
    3, 3, 3, 3, 3, 3, 3, 3, 1,  //
    3, 2, 2, 2, 2, 2, 2, 2, 1,  //
    3, 2, 2, 2, 2, 2, 2, 2, 1,  //
    3, 2, 1, 1, 1, 1, 1, 2, 1,  //
    3, 2, 2, 1, 1, 1, 2, 2, 1,  //
    3, 2, 2, 2, 1, 2, 2, 2, 1,  //
    3, 2, 2, 2, 2, 2, 2, 2, 1,  //
    3, 2, 2, 2, 2, 2, 2, 2, 1,  //
    1, 1, 1, 1, 1, 1, 1, 1, 1,  //
};

#define PULS(name) ((int32_t)offsetof(GuiTkPopUpList, name))
#define POPN(name) ((int32_t)offsetof(GuiTkPopupWindow, name))

int32_t popInt(int32_t h, int32_t position) {
    return GuiTkGetTypedInt(h, GUITK_POPUP_PLACE, GUITK_TAG_POPUPLIST, position);
}
void setPopInt(int32_t h, int32_t position, int32_t value) {
    GuiTkSetTypedInt(h, GUITK_POPUP_PLACE, GUITK_TAG_POPUPLIST, position, value);
}
int32_t windowInt(int32_t w, int32_t position) {
    return GuiTkGetTypedInt(w, GUITK_LISTBOX_KIND_PLACE, GUITK_TAG_POPUPWINDOW, position);
}

bool snapshot(int32_t h, GuiTkPopUpList* out) {
    GuiTkPopUpList* r = (GuiTkPopUpList*)GuiTkLockTyped(h, GUITK_POPUP_PLACE, GUITK_TAG_POPUPLIST);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(h);
    return true;
}

bool accept(bool ok) {
    if (!ok) GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    return ok;
}

bool isOption(const void* options, int32_t index, const char* name) {
    const char* option = ((const char* const*)options)[index];
    return option != nullptr && GuiTkStrCmp(option, name) == 0;
}

void setInsets(int32_t h) {
    int32_t side = PopUpTable->buttonWidth + 3;
    if (CompGetLanguageDirection() == 1)
        CompSetInsets(h, 3, side, 3, 3);
    else
        CompSetInsets(h, 3, 3, side, 3);
}

// The list's minimum content size, at least the button high, plus the insets.
void contentSize(int32_t h, int32_t* w, int32_t* hh) {
    KivListMinimumSize(h, w, hh);
    if (*hh < PopUpTable->buttonHeight) *hh = PopUpTable->buttonHeight;
    *w += CompGetInsetLeft(h) + CompGetInsetRight(h);
    *hh += CompGetInsetTop(h) + CompGetInsetBottom(h);
}

GuiTkRect screenRect() { return {0, 0, GuiTkGetScreenWidth(), GuiTkGetScreenHeight()}; }

// Paints a component on the screen at once, between the draw brackets.
void paintNow(int32_t c) {
    GuiTkGraphics gfx = GuiTkGetScreenGraphics();
    const GuiTkRect all = screenRect();
    GuiTkGfxStartDraw();
    GuiTkGfxSetClip(gfx, &all);
    CompPaint(c, gfx);
    GuiTkGfxEndDraw();
}

void contentRectOf(int32_t c, GuiTkRect* out) {
    GuiTkComponent* r = CompLock(c);
    if (r == nullptr) {
        *out = {0, 0, 0, 0};
        return;
    }
    CompGetContentRect(r, out);
    GuiTkUnlockHandle(c);
}

void setHighlight(int32_t h, int32_t row) {
    GuiTkPopUpList r{};
    if (!snapshot(h, &r)) return;
    int32_t count = KivListGetSize(h);
    if (r.highlighted != -1 && r.highlighted < count)
        CompSetState(KivListGetItem(h, r.highlighted), GUITK_STATE_ENABLED);
    if (row != -1) {
        CompSetState(KivListGetItem(h, row), GUITK_STATE_FOCUSED);
        GuiTkRect content;
        contentRectOf(r.window, &content);
        KivListScrollIntoView(r.window, &content, row);
    }
    setPopInt(h, PULS(highlighted), row);
    KivListBoxSetFocusedIndex(r.window, row);
    CompRequestUpdate(h);
}

// Takes the window down. A notifying close posts that the editor closed and that the
// editing ended around the list's own handling of the state message.
void closeWindow(int32_t h, GuiTkMessage* stateMessage) {
    int32_t window = popInt(h, PULS(window));
    setPopInt(h, PULS(open), 0);
    CompHide(window);
    if (stateMessage != nullptr)
        CompSetState(window, GUITK_STATE_ENABLED);
    else
        CompStoreState(window, GUITK_STATE_ENABLED);
    // a list whose opening was refused must not take down the open one's filter
    if (PopUpTable->filterOwner == h) {
        GuiTkPopEventFilter(KivPopUpListEventFilter);
        PopUpTable->filterOwner = -1;
    }
    setHighlight(h, -1);
    if (stateMessage == nullptr) return;
    CompPostRequest(h, GUITK_EVENT_EDITOR_CLOSED);
    KivListDefaultHandler(stateMessage);
    CompPostRequest(h, GUITK_EVENT_EDIT_ENDED);
}

void paintClosed(int32_t h, GuiTkGraphics gfx) {
    GuiTkPopUpList r{};
    if (!snapshot(h, &r)) return;
    const GuiTkComponent& b = r.list.base;
    if (r.open || b.paintEnable == 0 || b.width < 1 || b.height < 1) return;
    const GuiTkColorSpec* row = PopUpTable->rows[b.state >= GUITK_STATE_FOCUSED ? 1 : 0];
    uint32_t outer = StyleColorResolve(row[0], b), inner = StyleColorResolve(row[1], b);
    int32_t x = b.x, y = b.y, w = b.width, hh = b.height;
    GuiTkGfxSetStrokeStyle(gfx, 0);
    if (GuiTkUseColor(gfx, outer)) {
        const GuiTkRect frame = {x, y, w - 1, hh - 1};
        GuiTkGfxDrawRect(gfx, &frame);
    }
    if (w >= 4 && hh >= 4 && GuiTkUseColor(gfx, inner)) {
        const GuiTkRect frame = {x + 1, y + 1, w - 3, hh - 3};
        GuiTkGfxDrawRect(gfx, &frame);
    }
    if (w >= 5 && hh >= 5 && GuiTkUseColor(gfx, b.background)) {
        const GuiTkRect fill = {x + 2, y + 2, w - 4, hh - 4};
        GuiTkGfxFillRect(gfx, &fill);
    }
    if (w < 7 || hh < 7) return;
    GuiTkRect saved;
    GuiTkGfxGetClip(gfx, &saved);
    const GuiTkRect innerArea = {x + 3, y + 3, w - 6 > 0 ? w - 6 : 0, hh - 6 > 0 ? hh - 6 : 0};
    GuiTkClipTo(gfx, &innerArea);
    int32_t bw = PopUpTable->buttonWidth, bh = PopUpTable->buttonHeight;
    int32_t bx =
        CompGetLanguageDirection() == 1 ? innerArea.x : innerArea.x + (innerArea.width > bw ? innerArea.width - bw : 0);
    int32_t by = innerArea.y;
    if (PopUpTable->buttonPixels.get() != nullptr)
        GuiTkGfxDrawRegionARGB(gfx, PopUpTable->buttonPixels.get(), bw * bh, bw, bx, by, 1);
    else
        GuiTkDrawPattern9x9(gfx, ButtonMask, bx + 1, by + 1);
    GuiTkGfxSetClip(gfx, &saved);
    if (r.list.selected >= 0 && r.list.selected < KivListGetSize(h)) {
        GuiTkRect content;
        CompGetContentRect(&b, &content);
        GuiTkClipTo(gfx, &content);
        uint32_t text = b.state == GUITK_STATE_DISABLED ? DisabledText : b.foreground;
        ListBodyDrawContent(KivListGetItem(h, r.list.selected), gfx, &content, text);
        GuiTkGfxSetClip(gfx, &saved);
    }
}

// The widest preferred width and the tallest preferred height (at least the button's) of
// the items.
void itemExtent(int32_t h, int32_t width, int32_t* outWidth, int32_t* outHeight) {
    int32_t n = KivListGetSize(h), w = 0, hh = PopUpTable->buttonHeight;
    for (int32_t k = 0; k < n; k++) {
        int32_t item = KivListGetItem(h, k);
        int32_t iw = CompGetPreferredWidth(item);
        int32_t ih = width < 0 ? CompGetPreferredHeight(item) : CompGetPreferredHeightForWidth(item, width);
        if (iw > w) w = iw;
        if (ih > hh) hh = ih;
    }
    *outWidth = w;
    *outHeight = hh;
}

void closeIfOpen(int32_t h) {
    if (popInt(h, PULS(open))) CompSetState(h, GUITK_STATE_FOCUSED);
}

int32_t activeKeyTrampoline(GuiTkKeyEvent* event) {
    int32_t window = popInt(event->component, PULS(window));
    if (window != -1 && CompGetState(window) == GUITK_STATE_ACTIVE) {
        GuiTkKeyEvent e = {window, event->type, event->key, event->character};
        return CompProcessKeyEvent(&e);
    }
    return PopUpTable->activeKeyHook.get()(event);
}

int32_t keyTrampoline(GuiTkKeyEvent* event) { return PopUpTable->keyHook.get()(event); }

int32_t pointerTrampoline(GuiTkPointerEvent* event) {
    int32_t h = event->component, window = popInt(h, PULS(window));
    if (window != -1 && CompGetState(window) == GUITK_STATE_ACTIVE) {
        // the event is relative to the pop-up list; the window wants it relative to itself
        GuiTkPointerEvent e = {window,
                               {event->values[0], event->values[1], event->values[2] + CompGetX(h) - CompGetX(window),
                                event->values[3] + CompGetY(h) - CompGetY(window)}};
        return CompProcessPointerEvent(&e);
    }
    return PopUpTable->pointerHook.get()(event);
}

int32_t noActiveKey(GuiTkKeyEvent*) { return 0; }

bool isLive(int32_t h) {
    for (int32_t c = CompGetNext(-1); c != -1; c = CompGetNext(c))
        if (c == h) return true;
    return false;
}

int32_t releaseOpens(GuiTkPointerEvent* event) {
    int32_t h = event->component;
    const GuiTkRect inside = {0, 0, CompGetWidth(h), CompGetHeight(h)};
    if (event->values[0] == GUITK_POINTER_RELEASE && event->values[1] == 0 && CompGetState(h) == GUITK_STATE_FOCUSED &&
        GuiTkRectContainsPoint(&inside, event->values[2], event->values[3])) {
        CompSetState(h, GUITK_STATE_ACTIVE);
        return 0;
    }
    return KivListPointerHook(event);
}

// Window.

int32_t windowDispatch(GuiTkMessage* m) {
    if (m->id == GUITK_MSG_STATE && m->a2 == GUITK_STATE_ACTIVE && m->a1 <= GUITK_STATE_FOCUSED) {
        int32_t owner = windowInt(m->component, POPN(owner));
        // only an owner that is still active has a window to close
        if (owner != -1 && CompGetState(owner) >= GUITK_STATE_ACTIVE) CompSetState(owner, GUITK_STATE_FOCUSED);
    }
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_POPUP_WINDOW_SLOTS ? WindowTable->slots[m->id].get() : PopupWindowDefaultHandler;
    return slot(m);
}

void chooseInWindow(int32_t window, int32_t row) {
    int32_t owner = windowInt(window, POPN(owner));
    int32_t old = KivListIsSelected(owner, row);
    if (!old) KivListSetSelected(owner, row, 1);
    CompCallDefaultHandler5(owner, GUITK_EVENT_CHANGED, row, 1, old);
    CompSetState(window, GUITK_STATE_ENABLED);
}

int32_t windowKeys(GuiTkKeyEvent* event) {
    int32_t w = event->component;
    if (event->type == GUITK_KEY_EVENT_PRESSED) {
        int32_t focused = KivListBoxGetFocusedIndex(w);
        if (event->key == GUITK_KEY_SELECT && focused != -1) {
            chooseInWindow(w, focused);
            return KivListHook2(event);
        }
        if (event->key >= GUITK_KEY_SOFT1 && event->key <= GUITK_KEY_SOFT3) {
            if (event->key == (int32_t)WindowTable->label.position + 20 && GuiTkGetSoftkeyCount() > 0)
                CompSetState(w, GUITK_STATE_ENABLED);
            return 0;
        }
    }
    KivListBoxKeyHandler(event, &WindowTable->label);
    return 0;
}

int32_t windowPointer(GuiTkPointerEvent* event) {
    int32_t w = event->component;
    if (event->values[0] == GUITK_POINTER_RELEASE && event->values[1] == 0 && CompGetState(w) >= GUITK_STATE_ACTIVE) {
        int32_t row = KivListBoxHitTest(w, event->values[2], event->values[3]);
        if (row != -1 && row == KivListBoxGetFocusedIndex(w)) {
            chooseInWindow(w, row);
            return 0;
        }
    }
    return KivListBoxPointerHandler(event);
}

int32_t windowActiveTrampoline(GuiTkKeyEvent* event) { return WindowTable->activeKeyHook.get()(event); }
int32_t windowPointerTrampoline(GuiTkPointerEvent* event) { return WindowTable->pointerHook.get()(event); }

}  // namespace

// Pop-up list module.

int32_t KivPopUpListModuleInit(int32_t optionCount, const void* options) {
    PopUpTable = (PopUpClass*)GuiTkAlloc((int32_t)sizeof(PopUpClass));
    if (PopUpTable == nullptr) return -1;
    PopUpClass& t = *PopUpTable;
    for (P32Fn<GuiTkHandler>& slot : t.slots) slot = KivPopUpListDefaultHandler;
    t.keyHook = KivListKeyHook;
    t.activeKeyHook = noActiveKey;
    t.pointerHook = releaseOpens;
    t.saved = nullptr;
    t.filterOwner = -1;
    t.rows[0][0] = {1, 0};
    t.rows[0][1] = {1, 0xFF000000};
    t.rows[1][0] = {1, 0xFF000000};
    t.rows[1][1] = {1, 0xFF808080};
    t.buttonPixels = nullptr;
    t.buttonWidth = 10;
    t.buttonHeight = 12;
    for (int32_t k = 0; options != nullptr && k < optionCount; k++)
        if (isOption(options, k, "style_doja")) {
            t.rows[0][0] = {1, 0xFF000000};
            t.rows[0][1] = {3, 0};
        }
    return 0;
}

int32_t KivPopUpListModuleFini(void) {
    GuiTkPopEventFilter(KivPopUpListEventFilter);
    if (PopUpTable != nullptr) GuiTkFree(PopUpTable);
    PopUpTable = nullptr;
    return 0;
}

int32_t KivPopUpListCreate(int32_t createParam) {
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkPopUpList));
    GuiTkPopUpList* r = h == -1 ? nullptr : (GuiTkPopUpList*)GuiTkLockHandle(h);
    if (r == nullptr || !KivListInit(h, &r->list, KivPopUpListDispatch, keyTrampoline, activeKeyTrampoline,
                                     pointerTrampoline, createParam, GUITK_TYPE_POPUPLIST, 0, GUITK_ITEM_PLAIN)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        return -1;
    }
    r->tag = GUITK_TAG_POPUPLIST;
    r->highlighted = -1;
    r->open = 0;
    r->windowX = r->windowY = r->windowWidth = r->windowHeight = 0;
    r->window = -1;
    GuiTkUnlockHandle(h);
    setInsets(h);
    int32_t w, hh;
    contentSize(h, &w, &hh);
    CompStoreMinimumSize(h, w, hh);
    CompStorePreferredSize(h, w, hh);
    CompCallHandler1(KivPopUpListDispatch, h, GUITK_POPUP_MSG_CREATED, createParam);
    contentSize(h, &w, &hh);
    CompSetMinimumSize(h, w, hh);
    CompSetPreferredSize(h, w, hh);
    int32_t window = PopupWindowCreate(createParam, h);
    if (window == -1) {
        KivListDestroy(h);
        GuiTkFreeHandle(h);
        return -1;
    }
    // the window shows the pop-up list's items: its own empty array goes at once
    GuiTkListBox* b = (GuiTkListBox*)GuiTkLockTyped(window, GUITK_LISTBOX_PLACE, GUITK_TAG_LTBX);
    if (b != nullptr) {
        HandleArrayDestroy(b->list.items);
        b->list.items = -1;
        GuiTkUnlockHandle(window);
    }
    setPopInt(h, PULS(window), window);
    KivListCopyModel(window, h);
    return h;
}

void KivPopUpListDelete(int32_t h) {
    GuiTkPopUpList r{};
    if (!snapshot(h, &r)) return;
    if (r.open) closeWindow(h, nullptr);
    if (r.window != -1) PopupWindowDelete(r.window);
    setPopInt(h, PULS(window), -1);
    CompCallHandler0(KivPopUpListDispatch, h, GUITK_POPUP_MSG_DELETING);
    CompDetachFromParent(h);
    GuiTkPopUpList* p = (GuiTkPopUpList*)GuiTkLockTyped(h, GUITK_POPUP_PLACE, GUITK_TAG_POPUPLIST);
    if (p == nullptr) return;
    // the items went with the window, which owned the shared array; the title is ours
    int32_t title = p->list.title;
    p->list.title = -1;
    p->list.items = -1;
    p->tag = 0;
    p->list.tag = 0;
    CompUnlink(&p->list.base);
    GuiTkUnlockHandle(h);
    if (title != -1) StrDestroy(title);
    GuiTkFreeHandle(h);
}

void KivPopUpListSetHandler(int32_t slot, GuiTkHandler handler) {
    if (accept(slot >= 0 && slot < GUITK_POPUP_SLOTS && handler != nullptr)) PopUpTable->slots[slot] = handler;
}
void KivPopUpListSetKeyHook(GuiTkKeyHook hook) {
    if (accept(hook != nullptr)) PopUpTable->keyHook = hook;
}
void KivPopUpListSetActiveKeyHook(GuiTkKeyHook hook) {
    if (accept(hook != nullptr)) PopUpTable->activeKeyHook = hook;
}
void KivPopUpListSetPointerHook(GuiTkPointerHook hook) {
    if (accept(hook != nullptr)) PopUpTable->pointerHook = hook;
}

void KivPopUpListSetStyle(int32_t attribute, intptr_t value, uint32_t color) {
    int32_t number = attribute & 0xFF;
    uint32_t rows = (uint32_t)attribute & 0xFFFF00;
    if (number == 3 && rows == 0) {
        const GuiTkButtonImage* image = (const GuiTkButtonImage*)value;
        if (!accept(color == 0 && image != nullptr && image->version == 1 && image->argb != nullptr &&
                    image->width >= 0 && image->height >= 0))
            return;
        PopUpTable->buttonPixels = image->argb;
        PopUpTable->buttonWidth = image->width;
        PopUpTable->buttonHeight = image->height;
        return;
    }
    if (!accept((number == 1 || number == 2) && rows != 0 && (rows & ~0x600u) == 0 && value >= 1 && value <= 3)) return;
    for (int32_t row = 0; row < 2; row++)
        if (rows & (0x200u << row)) PopUpTable->rows[row][number - 1] = {(uint32_t)value, color};
}

int32_t KivPopUpListIsOpen(int32_t h) { return popInt(h, PULS(open)); }
int32_t KivPopUpListGetWindow(int32_t h) { return popInt(h, PULS(window)); }
int32_t KivPopUpListGetHighlight(int32_t h) { return popInt(h, PULS(highlighted)); }

int32_t KivPopUpListDispatch(GuiTkMessage* m) {
    int32_t h = m->component;
    int32_t window = popInt(h, PULS(window));
    if (m->id == GUITK_MSG_STATE && m->a2 < GUITK_STATE_ACTIVE && m->a1 >= GUITK_STATE_ACTIVE &&
        !popInt(h, PULS(open)) && window != -1) {
        setPopInt(h, PULS(open), 1);
        KivListDefaultHandler(m);
        CompSendEvent(KivPopUpListOpen, h);
        CompSetState(window, GUITK_STATE_ACTIVE);
    } else if (m->id == GUITK_LIST_MSG_TITLE && window != -1) {
        if (m->a1 == -1) {
            KivListSetTitle(window, nullptr, 0);
        } else {
            const uint16_t* chars = StrLockChars(m->a1);
            KivListSetTitle(window, chars, StrGetLength(m->a1));
            StrUnlockChars(m->a1);
        }
    }
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_POPUP_SLOTS ? PopUpTable->slots[m->id].get() : KivPopUpListDefaultHandler;
    int32_t result = slot(m);
    if (window == -1) return result;
    bool open = popInt(h, PULS(open)) != 0;
    if (m->id == GUITK_MSG_PAINT && open) {
        const GuiTkRect all = screenRect();
        GuiTkGfxSetClip(m->a1, &all);
        CompPaint(window, m->a1);
    }
    KivListCopyModel(window, h);
    if ((m->id >= GUITK_LIST_MSG_INSERTED && m->id <= GUITK_LIST_MSG_FONT) || m->id == GUITK_LIST_MSG_WRAP)
        CompSendMessage(window, m->id, m->a1, m->a2, m->a3, m->a4);
    if (m->id == GUITK_MSG_STATE && m->a2 >= GUITK_STATE_ACTIVE && m->a1 < GUITK_STATE_ACTIVE && open)
        closeWindow(h, m);
    if (m->id != GUITK_MSG_PAINT) {
        int32_t width = CompGetWidth(h), screen = GuiTkGetScreenHeight();
        int32_t height = CompGetPreferredHeightForWidth(window, width < 0 ? 0 : width);
        CompSetPreferredSize(window, width < 0 ? 0 : width, height < screen ? height : screen);
    }
    return result;
}

void KivPopUpListOpen(int32_t* block) {
    int32_t h = block[1];
    // the step runs later: the list may have been deleted meanwhile, and a dead handle
    // must not be locked
    if (!isLive(h)) return;
    GuiTkPopUpList r{};
    GuiTkPopUpList* p = (GuiTkPopUpList*)GuiTkLockHandle(h);
    if (p == nullptr) return;
    bool live = p->tag == GUITK_TAG_POPUPLIST && p->list.tag == GUITK_TAG_LIST;
    if (live) r = *p;
    GuiTkUnlockHandle(h);
    // a list deleted or closed before the step ran has nothing to open
    if (!live || !r.open || CompIsShown(r.window)) return;
    if (GuiTkPushEventFilter(KivPopUpListEventFilter, &PopUpTable->saved) != 0) return;
    PopUpTable->filterOwner = h;
    if (GuiTkGetSoftkeyCount() > 0) GuiTkSoftkeyResetLabels();
    int32_t x = r.list.base.x < 0 ? 0 : r.list.base.x, y = r.list.base.y < 0 ? 0 : r.list.base.y;
    int32_t w = CompGetPreferredWidth(r.window), hh = CompGetPreferredHeight(r.window);
    int32_t sw = GuiTkGetScreenWidth(), sh = GuiTkGetScreenHeight();
    if (x + w > sw) x -= x + w - sw;
    if (y + hh > sh) y -= y + hh - sh;
    GuiTkPopUpList* q = (GuiTkPopUpList*)GuiTkLockTyped(h, GUITK_POPUP_PLACE, GUITK_TAG_POPUPLIST);
    if (q == nullptr) return;
    q->windowX = x;
    q->windowY = y;
    q->windowWidth = w;
    q->windowHeight = hh;
    GuiTkUnlockHandle(h);
    CompSetSize(r.window, w, hh);
    CompSetLocation(r.window, x, y);
    int32_t count = KivListGetSize(h), row = KivListGetSelectedIndex(h);
    if (row == -1 && count > 0) row = 0;
    GuiTkRect content;
    contentRectOf(r.window, &content);
    KivListLayoutColumn(r.window, &content);
    GuiTkGraphics gfx = GuiTkGetScreenGraphics();
    const GuiTkRect all = screenRect();
    GuiTkGfxSetClip(gfx, &all);
    GuiTkGfxStartDraw();
    CompShow(r.window, gfx);
    GuiTkGfxEndDraw();
    setHighlight(h, row);
}

int32_t KivPopUpListEventFilter(GuiTkEventCallback callback, GuiTkEvent* event) {
    if (event->code != GUITK_EVENT_UPDATE) {
        GuiTkEventHook saved = PopUpTable->saved.get();
        return saved != nullptr ? saved(callback, event) : 0;
    }
    int32_t c = event->component;
    int32_t type = c != -1 ? CompGetType(c) : -1;
    if (type == GUITK_TYPE_POPUPLIST || type == GUITK_TYPE_POPUPWINDOW) {
        int32_t list = type == GUITK_TYPE_POPUPLIST ? c : PopupWindowGetOwner(c);
        if (list != -1 && KivPopUpListIsOpen(list)) {
            int32_t target = type == GUITK_TYPE_POPUPLIST ? KivPopUpListGetWindow(list) : c;
            if (CompGetState(target) >= GUITK_STATE_ACTIVE) paintNow(target);
        }
    }
    callback((int32_t*)event);
    return 1;
}

int32_t KivPopUpListDefaultHandler(GuiTkMessage* m) {
    int32_t h = m->component;
    int32_t window = popInt(h, PULS(window));
    switch (m->id) {
        case GUITK_MSG_FOREGROUND:
            if (window != -1) CompSetForeground(window, (uint32_t)m->a1);
            return KivListDefaultHandler(m);
        case GUITK_MSG_BACKGROUND:
            if (window != -1) CompSetBackground(window, (uint32_t)m->a1);
            return KivListDefaultHandler(m);
        case GUITK_MSG_STATE:
            if ((m->a2 < GUITK_STATE_ACTIVE && m->a1 > GUITK_STATE_FOCUSED) ||
                (m->a2 > GUITK_STATE_FOCUSED && m->a1 < GUITK_STATE_ACTIVE))
                return 0;
            return KivListDefaultHandler(m);
        case GUITK_MSG_PAINT:
            paintClosed(h, m->a1);
            return 0;
        case GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH: {
            int32_t left = CompGetInsetLeft(h), right = CompGetInsetRight(h);
            int32_t available = m->a1 - left - right, w, hh;
            itemExtent(h, available > 0 ? available : 0, &w, &hh);
            return hh + CompGetInsetTop(h) + CompGetInsetBottom(h);
        }
        case GUITK_MSG_RELAYOUT:
            setInsets(h);
            CompDefaultHandler(m);
            return 1;
        case GUITK_LIST_MSG_INSERTED:
        case GUITK_LIST_MSG_REMOVING:
            closeIfOpen(h);
            return KivListDefaultHandler(m);
        case GUITK_LIST_MSG_TEXT:
        case GUITK_LIST_MSG_IMAGE:
        case GUITK_LIST_MSG_OFFSCREEN:
        case GUITK_LIST_MSG_FONT:
        case GUITK_LIST_MSG_WRAP: {
            closeIfOpen(h);
            int32_t w, hh;
            itemExtent(h, -1, &w, &hh);
            CompSetPreferredSize(h, w + CompGetInsetLeft(h) + CompGetInsetRight(h),
                                 hh + CompGetInsetTop(h) + CompGetInsetBottom(h));
            CompRequestUpdate(h);
            return 0;
        }
        case GUITK_POPUP_MSG_CREATED:
        case GUITK_POPUP_MSG_DELETING:
            return 0;
        default:
            return KivListDefaultHandler(m);
    }
}

// Pop-up window module.

int32_t PopupWindowModuleInit(int32_t, const void*) {
    WindowTable = (WindowClass*)GuiTkAlloc((int32_t)sizeof(WindowClass));
    if (WindowTable == nullptr) return -1;
    WindowClass& t = *WindowTable;
    for (P32Fn<GuiTkHandler>& slot : t.slots) slot = PopupWindowDefaultHandler;
    t.activeKeyHook = windowKeys;
    t.pointerHook = windowPointer;
    StyleColorCopy(&t.style);
    SoftkeyLabelInit(&t.label, 0);
    t.closeText = CloseText;
    t.closeLength = 11;
    t.closeTextMode = 1;
    t.closeTextColor = 0xFF0000FF;
    t.closeBackMode = 3;
    t.closeBackColor = 0;
    return 0;
}

int32_t PopupWindowModuleFini(void) {
    if (WindowTable != nullptr) GuiTkFree(WindowTable);
    WindowTable = nullptr;
    return 0;
}

int32_t PopupWindowCreate(int32_t createParam, int32_t owner) {
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkPopupWindow));
    GuiTkPopupWindow* r = h == -1 ? nullptr : (GuiTkPopupWindow*)GuiTkLockHandle(h);
    if (r == nullptr || !KivListBoxCreateDefault(h, &r->box, windowDispatch, KivListKeyHook, windowActiveTrampoline,
                                                 windowPointerTrampoline, createParam, GUITK_TYPE_POPUPWINDOW, 0,
                                                 GUITK_ITEM_PLAIN, 1)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        return -1;
    }
    r->tag = GUITK_TAG_POPUPWINDOW;
    r->owner = owner;
    GuiTkUnlockHandle(h);
    CompStoreFocusPolicy(h, GUITK_FOCUS_SMOOTH);
    CompCallHandler1(windowDispatch, h, GUITK_LISTBOX_MSG_CREATED, createParam);
    return h;
}

void PopupWindowDelete(int32_t h) {
    if (GuiTkLockTyped(h, GUITK_LISTBOX_KIND_PLACE, GUITK_TAG_POPUPWINDOW) == nullptr) return;
    GuiTkUnlockHandle(h);
    CompCallHandler0(windowDispatch, h, GUITK_LISTBOX_MSG_DELETING);
    GuiTkPopupWindow* r = (GuiTkPopupWindow*)GuiTkLockTyped(h, GUITK_LISTBOX_KIND_PLACE, GUITK_TAG_POPUPWINDOW);
    if (r == nullptr) return;
    KivListBoxDetach(h, &r->box);
    r->tag = 0;
    KivListBoxFree(&r->box);
    GuiTkUnlockHandle(h);
    GuiTkFreeHandle(h);
}

void PopupWindowGetContentRect(int32_t h, GuiTkRect* rect) { contentRectOf(h, rect); }
int32_t PopupWindowGetOwner(int32_t h) { return windowInt(h, POPN(owner)); }

void PopupWindowSetHandler(int32_t slot, GuiTkHandler handler) {
    if (accept(slot >= 0 && slot < GUITK_POPUP_WINDOW_SLOTS && handler != nullptr)) WindowTable->slots[slot] = handler;
}
void PopupWindowSetActiveKeyHook(GuiTkKeyHook hook) {
    if (accept(hook != nullptr)) WindowTable->activeKeyHook = hook;
}
void PopupWindowSetPointerHook(GuiTkPointerHook hook) {
    if (accept(hook != nullptr)) WindowTable->pointerHook = hook;
}

void PopupWindowSetStyle(int32_t attribute, intptr_t value, uint32_t second) {
    WindowClass& t = *WindowTable;
    int32_t number = attribute & 0xFF;
    uint32_t rows = (uint32_t)attribute & 0xFFFF00;
    auto textOk = [&] { return (int32_t)second >= 0 && (value != 0 || (int32_t)second == 0); };
    if (number >= 1 && number <= 3) {
        if (!accept(rows == 0x800 && value >= 1 && value <= (number == 3 ? 2 : 3))) return;
        GuiTkListStyleRow& row = t.style.rows[2];
        GuiTkColorSpec& spec = number == 1 ? row.outer : number == 2 ? row.inner : row.arrows;
        spec = {(uint32_t)value, second};
        return;
    }
    if (!accept(rows == 0)) return;
    switch (number) {
        case 4:
            accept(SoftkeyLabelSetPosition(&t.label, (int32_t)value) == 0);
            return;
        case 5:
            accept(SoftkeyLabelSetText(&t.label, (const uint16_t*)value, (int32_t)second) == 0);
            return;
        case 6:
            if (!accept(textOk())) return;
            t.closeText = (const uint16_t*)value;
            t.closeLength = (int32_t)second;
            return;
        case 7:
            if (!accept(value == 1 || value == 2)) return;
            t.closeTextMode = (uint32_t)value;
            t.closeTextColor = second;
            return;
        case 8:
            if (!accept(value == 1 || value == 3)) return;
            t.closeBackMode = (uint32_t)value;
            t.closeBackColor = second;
            return;
        default:
            GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    }
}

const GuiTkListStyle* PopupWindowGetStyle(void) { return &WindowTable->style; }

int32_t PopupWindowDefaultHandler(GuiTkMessage* m) {
    int32_t h = m->component;
    switch (m->id) {
        case GUITK_MSG_STATE:
            CompRequestUpdate(h);
            return 0;
        case GUITK_MSG_PAINT: {
            KivListBoxPaint(h, m->a1, &WindowTable->style, &WindowTable->label);
            int32_t focused = KivListBoxGetFocusedIndex(h), n = KivListGetSize(h), flags = 0;
            if (focused != -1) {
                if (focused > 0) flags |= 1;
                if (focused < n - 1) flags |= 2;
            }
            GuiTkSoftkeySetFocusState(flags);
            GuiTkSoftkeySetScrollState(0);
            if (GuiTkGetSoftkeyCount() > 0) SoftkeyLabelShow(&WindowTable->label);
            GuiTkSoftkeyPaint();
            return 0;
        }
        case GUITK_LIST_MSG_INSERTED:
        case GUITK_LIST_MSG_REMOVED:
            if (CompGetState(h) == GUITK_STATE_ACTIVE) CompSendMessage2(h, GUITK_MSG_STATE, 1, GUITK_STATE_ACTIVE);
            return 0;
        case GUITK_LISTBOX_MSG_CREATED:
        case GUITK_LISTBOX_MSG_DELETING:
            return 0;
        default:
            return KivListBoxDefaultHandler(m);
    }
}
