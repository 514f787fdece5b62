// The command menu.
#include "toolkit/guitk_menu.h"

#include <stddef.h>

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_filter.h"
#include "toolkit/guitk_screen.h"

namespace {

struct MenuClass {
    P32Fn<GuiTkHandler> slots[GUITK_MENU_SLOTS];
    P32Fn<GuiTkKeyHook> activeKeyHook;
    P32Fn<GuiTkPointerHook> pointerHook;
    P32Fn<GuiTkEventHook> saved;
    int32_t filterOwner;  // the menu whose show installed the filter, -1 none
    P32<const uint16_t> title;
    int32_t titleLength;
    int32_t titleWidth;
    uint32_t titleMode, titleColor;
    uint32_t separatorMode, separatorColor;
    GuiTkSoftkeyLabel label;
    P32<const uint16_t> closeText;
    int32_t closeLength;
    uint32_t closeTextMode, closeTextColor;
    uint32_t closeBackMode, closeBackColor;
};
VMBSS MenuClass* MenuTable;

const uint16_t MenuText[] = {'M', 'e', 'n', 'u'};
const uint16_t BackText[] = {'B', 'a', 'c', 'k'};
const uint16_t CloseText[] = {'<', '<', ' ', 'C', 'l', 'o', 's', 'e', ' ', '>', '>'};

#define MENU(name) ((int32_t)offsetof(GuiTkCommandMenu, name))

int32_t menuInt(int32_t h, int32_t position) {
    return GuiTkGetTypedInt(h, GUITK_LISTBOX_KIND_PLACE, GUITK_TAG_MENU, position);
}
void setMenuInt(int32_t h, int32_t position, int32_t value) {
    GuiTkSetTypedInt(h, GUITK_LISTBOX_KIND_PLACE, GUITK_TAG_MENU, position, value);
}

bool accept(bool ok) {
    if (!ok) GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    return ok;
}

void measureTitle() {
    MenuClass& t = *MenuTable;
    t.titleWidth = t.titleLength < 1 ? 0 : GuiTkFontCharsWidth(CompGetDefaultFont(), t.title.get(), t.titleLength);
}

bool hasSoftkeys() { return GuiTkGetSoftkeyCount() > 0; }

void removeCloseRow(int32_t h) {
    if (menuInt(h, MENU(closeRow)) != 1) return;
    setMenuInt(h, MENU(closeRow), 0);
    KivListRemoveItem(h, 0);
}

void choose(int32_t h, int32_t row) {
    int32_t old = KivListIsSelected(h, row);
    if (!old) KivListSetSelected(h, row, 1);
    bool closeRow = menuInt(h, MENU(closeRow)) == 1;
    if (!hasSoftkeys()) removeCloseRow(h);
    if (closeRow && row == 0)
        CompPostRequest(h, GUITK_EVENT_CHOICE);
    else
        CompCallDefaultHandler5(h, GUITK_EVENT_CHANGED, closeRow ? row - 1 : row, 1, old);
}

int32_t menuKeys(GuiTkKeyEvent* event) {
    if (event->type != GUITK_KEY_EVENT_PRESSED) return KivListBoxKeyHandler(event, &MenuTable->label);
    int32_t h = event->component, key = event->key;
    if (key == GUITK_KEY_SELECT) {
        int32_t focused = KivListBoxGetFocusedIndex(h);
        if (focused != -1) choose(h, focused);
        return KivListHook2(event);
    }
    if (key >= 0 && key <= 9) {
        int32_t row = key == 0 ? 9 : key - 1, count = KivListGetSize(h);
        if (row < count && count <= 10) choose(h, row);
        return 0;
    }
    if (key >= GUITK_KEY_SOFT1 && key <= GUITK_KEY_SOFT3) {
        if (key == (int32_t)MenuTable->label.position + 20 && hasSoftkeys()) CompPostRequest(h, GUITK_EVENT_CHOICE);
        return 0;
    }
    return KivListBoxKeyHandler(event, &MenuTable->label);
}

int32_t menuPointer(GuiTkPointerEvent* event) {
    int32_t h = event->component;
    if (event->values[0] == GUITK_POINTER_RELEASE && event->values[1] == 0 && CompGetState(h) >= GUITK_STATE_ACTIVE) {
        int32_t row = KivListBoxHitTest(h, event->values[2], event->values[3]);
        if (row != -1 && row == KivListBoxGetFocusedIndex(h)) choose(h, row);
        return 0;
    }
    return KivListBoxPointerHandler(event);
}

int32_t dispatch(GuiTkMessage* m) {
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_MENU_SLOTS ? MenuTable->slots[m->id].get() : KivCommandMenuDefaultHandler;
    return slot(m);
}
int32_t activeKeyTrampoline(GuiTkKeyEvent* event) { return MenuTable->activeKeyHook.get()(event); }
int32_t pointerTrampoline(GuiTkPointerEvent* event) { return MenuTable->pointerHook.get()(event); }

int32_t show(int32_t h) {
    if (GuiTkPushEventFilter(KivCommandMenuEventFilter, &MenuTable->saved) != 0) return 0;
    MenuTable->filterOwner = h;
    const MenuClass& t = *MenuTable;
    if (!hasSoftkeys()) {
        if (menuInt(h, MENU(closeRow)) == 0) {
            if (KivListInsertItem(h, 0) != 0) {
                GuiTkFatalError(GUITK_ERROR_NO_MEMORY);
                return 0;
            }
            setMenuInt(h, MENU(closeRow), 1);
            if (KivListSetText(h, 0, t.closeText.get(), t.closeLength) != 0) {
                GuiTkFatalError(GUITK_ERROR_NO_MEMORY);
                return 0;
            }
        }
        int32_t row = KivListGetItem(h, 0);
        if (t.closeTextMode == 1) CompSetForeground(row, t.closeTextColor);
        if (t.closeBackMode == 1) CompSetBackground(row, t.closeBackColor);
        KivListBoxSetFocusedIndex(h, 0);
    } else {
        SoftkeyLabelShow(&t.label);
    }
    CompRequestUpdate(h);
    return 0;
}

int32_t hide(int32_t h) {
    if (!hasSoftkeys()) removeCloseRow(h);
    // a menu whose show was refused must not take down the shown one's filter
    if (MenuTable->filterOwner == h) {
        GuiTkPopEventFilter(KivCommandMenuEventFilter);
        MenuTable->filterOwner = -1;
    }
    return 0;
}

int32_t paint(int32_t h, GuiTkGraphics gfx) {
    GuiTkComponent b{};
    GuiTkComponent* r = CompLock(h);
    if (r == nullptr) return 0;
    b = *r;
    GuiTkUnlockHandle(h);
    const MenuClass& t = *MenuTable;
    uint32_t title = t.titleMode == 1 ? t.titleColor : b.foreground;
    uint32_t separator = t.separatorMode == 1 ? t.separatorColor : b.foreground;
    if (b.width >= 1 && b.height >= 1 && GuiTkUseColor(gfx, b.background)) {
        const GuiTkRect all = {b.x, b.y, b.width, b.height};
        GuiTkGfxFillRect(gfx, &all);
    }
    int32_t titleX = (b.width - t.titleWidth) / 2;
    if (titleX < 1) titleX = 0;
    GuiTkFont font = CompGetDefaultFont();
    if (t.titleLength > 0 && GuiTkUseColor(gfx, title)) {
        GuiTkGfxSetFont(gfx, font);
        GuiTkGfxDrawChars(gfx, t.title.get(), t.titleLength, titleX, b.y);
    }
    if (GuiTkUseColor(gfx, separator)) {
        GuiTkGfxSetStrokeStyle(gfx, 0);
        int32_t y = b.y + GuiTkFontGetHeight(font);
        GuiTkGfxDrawLine(gfx, titleX, y, titleX + t.titleWidth, y);
    }
    KivListBoxPaintRows(h, gfx);
    int32_t focused = KivListBoxGetFocusedIndex(h), n = KivListGetSize(h), flags = 0;
    if (focused != -1) {
        if (focused > 0) flags |= 1;
        if (focused < n - 1) flags |= 2;
    }
    GuiTkSoftkeySetFocusState(flags);
    GuiTkSoftkeySetScrollState(0);
    if (hasSoftkeys()) SoftkeyLabelShow(&t.label);
    GuiTkSoftkeyPaint();
    return 0;
}

}  // namespace

int32_t KivCommandMenuModuleInit(int32_t, const void*) {
    MenuTable = nullptr;
    MenuClass* t = (MenuClass*)GuiTkAlloc((int32_t)sizeof(MenuClass));
    if (t == nullptr) {
        KivCommandMenuModuleFini();
        return -1;
    }
    for (P32Fn<GuiTkHandler>& slot : t->slots) slot = KivCommandMenuDefaultHandler;
    t->activeKeyHook = menuKeys;
    t->pointerHook = menuPointer;
    t->saved = nullptr;
    t->filterOwner = -1;
    t->title = MenuText;
    t->titleLength = 4;
    t->titleMode = 2;
    t->titleColor = 0;
    t->separatorMode = 2;
    t->separatorColor = 0;
    SoftkeyLabelInit(&t->label, 0);
    t->label.slots[0].text = BackText;
    t->label.slots[0].length = 4;
    t->closeText = CloseText;
    t->closeLength = 11;
    t->closeTextMode = 1;
    t->closeTextColor = 0xFF0000FF;
    t->closeBackMode = 3;
    t->closeBackColor = 0;
    MenuTable = t;
    measureTitle();
    return 0;
}

int32_t KivCommandMenuModuleFini(void) {
    GuiTkPopEventFilter(KivCommandMenuEventFilter);
    if (MenuTable != nullptr) GuiTkFree(MenuTable);
    MenuTable = nullptr;
    return 0;
}

int32_t KivCommandMenuCreate(int32_t createParam) {
    int32_t top = GuiTkFontGetHeight(GuiTkFontGetDefault()) + 2;
    const int32_t insets[4] = {top, 12, 12, 0};
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkCommandMenu));
    GuiTkCommandMenu* r = h == -1 ? nullptr : (GuiTkCommandMenu*)GuiTkLockHandle(h);
    if (r == nullptr || !KivListBoxCreate(h, &r->box, dispatch, KivListKeyHook, activeKeyTrampoline, pointerTrampoline,
                                          createParam, GUITK_TYPE_COMMANDMENU, 0, GUITK_ITEM_NUMBERED, 1, insets)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        return -1;
    }
    r->tag = GUITK_TAG_MENU;
    r->closeRow = 0;
    GuiTkUnlockHandle(h);
    CompStoreFocusPolicy(h, GUITK_FOCUS_SMOOTH);
    CompStoreSize(h, GuiTkGetScreenWidth(), GuiTkGetScreenHeight());
    CompCallHandler1(dispatch, h, GUITK_LISTBOX_MSG_CREATED, createParam);
    return h;
}

void KivCommandMenuDelete(int32_t h) {
    if (GuiTkLockTyped(h, GUITK_LISTBOX_KIND_PLACE, GUITK_TAG_MENU) == nullptr) return;
    GuiTkUnlockHandle(h);
    // a shown menu holds the default event handler and maybe its close row
    if (CompIsShown(h)) CompHide(h);
    CompCallHandler0(dispatch, h, GUITK_LISTBOX_MSG_DELETING);
    GuiTkCommandMenu* r = (GuiTkCommandMenu*)GuiTkLockTyped(h, GUITK_LISTBOX_KIND_PLACE, GUITK_TAG_MENU);
    if (r == nullptr) return;
    KivListBoxDetach(h, &r->box);
    r->tag = 0;
    KivListBoxFree(&r->box);
    GuiTkUnlockHandle(h);
    GuiTkFreeHandle(h);
}

void KivCommandMenuSetHandler(int32_t slot, GuiTkHandler handler) {
    if (accept(slot >= 0 && slot < GUITK_MENU_SLOTS && handler != nullptr)) MenuTable->slots[slot] = handler;
}
void KivCommandMenuSetActiveKeyHook(GuiTkKeyHook hook) {
    if (accept(hook != nullptr)) MenuTable->activeKeyHook = hook;
}
void KivCommandMenuSetPointerHook(GuiTkPointerHook hook) {
    if (accept(hook != nullptr)) MenuTable->pointerHook = hook;
}

void KivCommandMenuSetStyle(int32_t attribute, intptr_t value, uint32_t second) {
    MenuClass& t = *MenuTable;
    bool textOk = (int32_t)second >= 0 && (value != 0 || (int32_t)second == 0);
    switch (attribute) {
        case 1:
            if (!accept(textOk)) return;
            t.title = (const uint16_t*)value;
            t.titleLength = (int32_t)second;
            measureTitle();
            return;
        case 2:
        case 3:
            if (!accept(value == 1 || value == 2)) return;
            (attribute == 2 ? t.titleMode : t.separatorMode) = (uint32_t)value;
            (attribute == 2 ? t.titleColor : t.separatorColor) = second;
            return;
        case 4:
            accept(SoftkeyLabelSetPosition(&t.label, (int32_t)value) == 0);
            return;
        case 5:
            accept(SoftkeyLabelSetText(&t.label, (const uint16_t*)value, (int32_t)second) == 0);
            return;
        case 6:
            if (!accept(textOk)) return;
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

void KivCommandMenuPaintRows(int32_t h, GuiTkGraphics gfx) { KivListBoxPaintRows(h, gfx); }
int32_t KivCommandMenuHasCloseRow(int32_t h) { return menuInt(h, MENU(closeRow)); }
int32_t KivCommandMenuGetTitleWidth(void) { return MenuTable->titleWidth; }

int32_t KivCommandMenuDefaultHandler(GuiTkMessage* m) {
    switch (m->id) {
        case GUITK_MSG_SHOW:
            return show(m->component);
        case GUITK_MSG_PAINT:
            return paint(m->component, m->a1);
        case GUITK_MSG_HIDE:
            return hide(m->component);
        case GUITK_LISTBOX_MSG_CREATED:
        case GUITK_LISTBOX_MSG_DELETING:
            return 0;
        default:
            return KivListBoxDefaultHandler(m);
    }
}

int32_t KivCommandMenuEventFilter(GuiTkEventCallback callback, GuiTkEvent* event) {
    int32_t c = event->component;
    if (event->code == GUITK_EVENT_UPDATE && c != -1) {
        int32_t parent = CompGetParent(c);
        if (CompGetType(c) == GUITK_TYPE_COMMANDMENU ||
            (parent != -1 && CompGetType(parent) == GUITK_TYPE_COMMANDMENU)) {
            GuiTkGraphics gfx = GuiTkGetScreenGraphics();
            const GuiTkRect all = {0, 0, GuiTkGetScreenWidth(), GuiTkGetScreenHeight()};
            GuiTkGfxStartDraw();
            GuiTkGfxSetClip(gfx, &all);
            CompPaint(c, gfx);
            GuiTkGfxEndDraw();
            callback((int32_t*)event);
            return 1;
        }
    }
    GuiTkEventHook saved = MenuTable->saved.get();
    return saved != nullptr ? saved(callback, event) : 0;
}
