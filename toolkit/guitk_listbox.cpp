// The list box, the list style table and the soft-key label records.
#include "toolkit/guitk_listbox.h"

#include <stddef.h>

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_handle.h"
#include "toolkit/guitk_screen.h"

namespace {

VMBSS GuiTkListStyle* StyleTable;

const GuiTkListStyle InitialStyle = {{
    {{1, 0xFF000000}, {1, 0xFF000000}, {1, 0xFF000000}},
    {{1, 0xFF000000}, {1, 0xFF808080}, {1, 0xFF000000}},
    {{1, 0xFF000000}, {1, 0xFF808080}, {1, 0xFF000000}},
}};

const uint16_t EndText[] = {'E', 'n', 'd'};
const uint16_t CancelText[] = {'C', 'a', 'n', 'c', 'e', 'l'};

const uint8_t DownArrow[15] = {255, 255, 255, 255, 255, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0};
const uint8_t UpArrow[15] = {0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 255, 255, 255, 255, 255};

#define BOX(name) ((int32_t)offsetof(GuiTkListBox, name))

int32_t boxInt(int32_t h, int32_t position) {
    return GuiTkGetTypedInt(h, GUITK_LISTBOX_PLACE, GUITK_TAG_LTBX, position);
}
void setBoxInt(int32_t h, int32_t position, int32_t value) {
    GuiTkSetTypedInt(h, GUITK_LISTBOX_PLACE, GUITK_TAG_LTBX, position, value);
}

bool snapshot(int32_t h, GuiTkListBox* out) {
    GuiTkListBox* r = (GuiTkListBox*)GuiTkLockTyped(h, GUITK_LISTBOX_PLACE, GUITK_TAG_LTBX);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(h);
    return true;
}

bool isOption(const void* options, int32_t index, const char* name) {
    const char* option = ((const char* const*)options)[index];
    return option != nullptr && GuiTkStrCmp(option, name) == 0;
}

int32_t rowCount(const GuiTkListBox& r) { return HandleArrayCount(r.list.items); }
int32_t rowAt(const GuiTkListBox& r, int32_t index) { return HandleArrayGet(r.list.items, index); }

void layout(int32_t h) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return;
    GuiTkRect client;
    CompGetContentRect(&r.list.base, &client);
    KivListLayoutColumn(h, &client);
}

void scrollIntoView(int32_t h) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return;
    GuiTkRect client;
    CompGetContentRect(&r.list.base, &client);
    KivListScrollIntoView(h, &client, r.focused);
}

void recomputeSizes(int32_t h) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return;
    const GuiTkComponent& b = r.list.base;
    int32_t horizontal = b.insetLeft + b.insetRight, vertical = b.insetTop + b.insetBottom;
    int32_t w, hh;
    KivListMinimumSize(h, &w, &hh);
    CompSetMinimumSize(h, w + horizontal, hh + vertical);
    KivListPreferredSize(h, &w, &hh);
    CompSetPreferredSize(h, GuiTkAddSaturated(w, horizontal), GuiTkAddSaturated(hh, vertical));
}

void showVisibleRows(int32_t h, GuiTkGraphics gfx) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return;
    GuiTkRect visible;
    CompGetContentRect(&r.list.base, &visible);
    const GuiTkRect screen = {0, 0, GuiTkGetScreenWidth(), GuiTkGetScreenHeight()};
    GuiTkRectIntersect(&visible, &screen);
    int32_t n = rowCount(r);
    for (int32_t k = 0; k < n; k++) {
        int32_t row = rowAt(r, k);
        GuiTkComponent* c = CompLock(row);
        if (c == nullptr) continue;
        const GuiTkRect bounds = {c->x, c->y, c->width, c->height};
        GuiTkUnlockHandle(row);
        if (GuiTkRectIntersects(&bounds, &visible))
            CompShow(row, gfx);
        else
            CompHide(row);
    }
}

void hideRows(int32_t h) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return;
    int32_t n = rowCount(r);
    for (int32_t k = 0; k < n; k++) CompHide(rowAt(r, k));
}

// Flips the row's selection and posts the change for the component.
void toggle(int32_t h, int32_t row) {
    int32_t old = KivListIsSelected(h, row), flag = old ? 0 : 1;
    KivListSetSelected(h, row, flag);
    CompCallDefaultHandler5(h, GUITK_EVENT_CHANGED, row, flag, old);
}

int32_t createBox(int32_t handle, GuiTkListBox* r, GuiTkHandler kindHandler, GuiTkKeyHook keyHook,
                  GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type,
                  int32_t multiple, int32_t itemKind, const int32_t insets[4]) {
    if (!KivListInit(handle, &r->list, KivListBoxHandler, keyHook, activeKeyHook, pointerHook, createParam, type,
                     multiple, itemKind))
        return 0;
    r->tag = GUITK_TAG_LTBX;
    r->kindHandler = kindHandler;
    r->focused = -1;
    GuiTkComponent& b = r->list.base;
    b.insetTop = (int16_t)insets[0];
    b.insetLeft = (int16_t)insets[1];
    b.insetRight = (int16_t)insets[2];
    b.insetBottom = (int16_t)insets[3];
    // no rows yet: the minimum content size is 0 x 0
    int32_t w = b.insetLeft + b.insetRight, h = b.insetTop + b.insetBottom;
    b.minimumWidth = b.preferredWidth = w < 0 ? 0 : w;
    b.minimumHeight = b.preferredHeight = h < 0 ? 0 : h;
    return 1;
}

}  // namespace

// Style table and soft-key labels.

int32_t StyleColorModuleInit(int32_t optionCount, const void* options) {
    StyleTable = (GuiTkListStyle*)GuiTkAlloc((int32_t)sizeof(GuiTkListStyle));
    if (StyleTable == nullptr) return -1;
    *StyleTable = InitialStyle;
    for (int32_t k = 0; options != nullptr && k < optionCount; k++)
        if (isOption(options, k, "style_doja")) StyleTable->rows[0].inner = {3, 0};
    return 0;
}

int32_t StyleColorModuleFini(void) {
    if (StyleTable != nullptr) GuiTkFree(StyleTable);
    StyleTable = nullptr;
    return 0;
}

void StyleColorCopy(GuiTkListStyle* destination) { *destination = *StyleTable; }

uint32_t StyleColorResolve(const GuiTkColorSpec& spec, const GuiTkComponent& b) {
    return spec.kind == 2 ? b.foreground : spec.kind == 3 ? b.background : spec.argb;
}

void SoftkeyLabelInit(GuiTkSoftkeyLabel* r, int32_t end) {
    r->position = 1;
    r->slots[0].text = end ? EndText : CancelText;
    r->slots[0].length = end ? 3 : 6;
    for (int32_t k = 1; k < 3; k++) {
        r->slots[k].text = nullptr;
        r->slots[k].length = 0;
    }
}

int32_t SoftkeyLabelSetPosition(GuiTkSoftkeyLabel* r, int32_t position) {
    if (position < 1 || position > 3) return -1;
    GuiTkSoftkeyText moved = r->slots[r->position - 1];
    for (GuiTkSoftkeyText& slot : r->slots) {
        slot.text = nullptr;
        slot.length = 0;
    }
    r->slots[position - 1] = moved;
    r->position = (uint32_t)position;
    return 0;
}

int32_t SoftkeyLabelSetText(GuiTkSoftkeyLabel* r, const uint16_t* text, int32_t length) {
    if (length < 0 || (text == nullptr && length > 0)) return -1;
    r->slots[r->position - 1].text = text;
    r->slots[r->position - 1].length = length;
    return 0;
}

void SoftkeyLabelShow(const GuiTkSoftkeyLabel* r) {
    GuiTkSoftkeyResetLabels();
    const GuiTkSoftkeyText& slot = r->slots[r->position - 1];
    GuiTkSoftkeySetLabel(slot.text.get(), slot.length, (int32_t)r->position);
}

// Creation and removal.

int32_t KivListBoxCreate(int32_t handle, GuiTkListBox* r, GuiTkHandler kindHandler, GuiTkKeyHook keyHook,
                         GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type,
                         int32_t multiple, int32_t itemKind, int32_t, const int32_t insets[4]) {
    return createBox(handle, r, kindHandler, keyHook, activeKeyHook, pointerHook, createParam, type, multiple, itemKind,
                     insets);
}

int32_t KivListBoxCreateDefault(int32_t handle, GuiTkListBox* r, GuiTkHandler kindHandler, GuiTkKeyHook keyHook,
                                GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam,
                                int32_t type, int32_t multiple, int32_t itemKind, int32_t spare) {
    static const int32_t Insets[4] = {3, 3, 3, 7};
    return KivListBoxCreate(handle, r, kindHandler, keyHook, activeKeyHook, pointerHook, createParam, type, multiple,
                            itemKind, spare, Insets);
}

void KivListBoxDetach(int32_t handle, GuiTkListBox*) { CompDetachFromParent(handle); }

void KivListBoxFree(GuiTkListBox* r) {
    r->tag = 0;
    KivListFreeRecord(&r->list);
}

int32_t IsListBox(int32_t handle) {
    const uint8_t* p = (const uint8_t*)GuiTkLockHandle(handle);
    if (p == nullptr) return 0;
    uint32_t tag;
    GuiTkCopy(&tag, p + GUITK_LISTBOX_PLACE, sizeof tag);
    GuiTkUnlockHandle(handle);
    return tag == GUITK_TAG_LTBX;
}

// Focus.

int32_t KivListBoxGetFocusedIndex(int32_t h) { return boxInt(h, BOX(focused)); }

void KivListBoxSetFocusedIndex(int32_t h, int32_t index) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return;
    if (index < -1 || index >= rowCount(r)) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    if (index == r.focused) return;
    setBoxInt(h, BOX(focused), index);
    CompSendMessage2(h, GUITK_LISTBOX_MSG_FOCUS, index, r.focused);
}

void KivListBoxSetFocusedIndexQuiet(int32_t h, int32_t index) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return;
    if (index < -1 || index >= rowCount(r)) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    setBoxInt(h, BOX(focused), index);
}

int32_t KivListBoxQueryRowHeight(int32_t h, int32_t lines) {
    if (lines < 0) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return 0;
    }
    return CompSendMessage1(h, GUITK_LISTBOX_MSG_LINES, lines);
}

int32_t KivListBoxRowsPerPage(const GuiTkListBox* r) {
    const GuiTkComponent& b = r->list.base;
    int32_t fontHeight = GuiTkFontGetHeight(b.font);
    return fontHeight > 0 ? (b.height - b.insetTop - b.insetBottom) / fontHeight : 0;
}

// Painting.

void KivListBoxPaintRows(int32_t h, GuiTkGraphics gfx) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return;
    const GuiTkComponent& b = r.list.base;
    if (b.width <= b.insetLeft + b.insetRight || b.height <= b.insetTop + b.insetBottom) return;
    GuiTkRect client;
    CompGetContentRect(&b, &client);
    KivListPaintItems(h, gfx, &client);
}

int32_t KivListBoxPaint(int32_t h, GuiTkGraphics gfx, const GuiTkListStyle* style, const GuiTkSoftkeyLabel* label) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return 0;
    const GuiTkComponent& b = r.list.base;
    int32_t n = rowCount(r);
    if (b.paintEnable != 0 && b.width >= 1 && b.height >= 1) {
        const GuiTkListStyleRow& row = style->rows[b.state == GUITK_STATE_FOCUSED  ? 1
                                                   : b.state == GUITK_STATE_ACTIVE ? 2
                                                                                   : 0];
        uint32_t outer = StyleColorResolve(row.outer, b), inner = StyleColorResolve(row.inner, b);
        uint32_t arrows = row.arrows.kind == 2 ? b.foreground : row.arrows.argb;
        GuiTkGfxSetStrokeStyle(gfx, 0);
        if (GuiTkUseColor(gfx, outer)) {
            const GuiTkRect frame = {b.x, b.y, b.width - 1, b.height - 1};
            GuiTkGfxDrawRect(gfx, &frame);
        }
        if (b.width > 3 && b.height > 3 && GuiTkUseColor(gfx, inner)) {
            const GuiTkRect frame = {b.x + 1, b.y + 1, b.width - 3, b.height - 3};
            GuiTkGfxDrawRect(gfx, &frame);
        }
        if (b.width > 4 && b.height > 4) {
            if (GuiTkUseColor(gfx, b.background)) {
                const GuiTkRect fill = {b.x + 2, b.y + 2, b.width - 4, b.height - 4};
                GuiTkGfxFillRect(gfx, &fill);
            }
            if ((arrows >> 24) != 0 && n > 0) {
                GuiTkRect client;
                CompGetContentRect(&b, &client);
                GuiTkComponent* last = CompLock(rowAt(r, n - 1));
                int32_t lastBottom = last != nullptr ? last->y + last->height : 0;
                if (last != nullptr) GuiTkUnlockHandle(rowAt(r, n - 1));
                int32_t firstTop = CompGetY(rowAt(r, 0));
                GuiTkUseColor(gfx, arrows | 0xFF000000);
                if (lastBottom > client.y + client.height)
                    GuiTkDrawPattern5x3(gfx, DownArrow, client.x + 1, client.y + client.height + 1);
                if (firstTop < client.y) GuiTkDrawPattern5x3(gfx, UpArrow, client.x + 7, client.y + client.height + 1);
            }
            KivListBoxPaintRows(h, gfx);
        }
    }
    if (b.state == GUITK_STATE_ACTIVE) {
        int32_t flags = 0;
        if (r.focused != -1) {
            if (r.focused > 0) flags |= 1;
            if (r.focused < n - 1) flags |= 2;
        }
        GuiTkSoftkeySetFocusState(flags);
        int32_t keys = GuiTkGetSoftkeyCount();
        if (keys > 0 && b.focusPolicy == GUITK_FOCUS_OCCUPY) {
            GuiTkSoftkeyResetLabels();
            for (int32_t k = 0; k < keys && k < 3; k++) {
                const GuiTkSoftkeyText& slot = label->slots[k];
                if (slot.text.get() != nullptr && slot.length > 0)
                    GuiTkSoftkeySetLabel(slot.text.get(), slot.length, k + 1);
            }
        }
        GuiTkSoftkeyPaint();
    }
    return 0;
}

// Keys and the pointer.

int32_t KivListBoxKeyHandler(GuiTkKeyEvent* event, const GuiTkSoftkeyLabel* label) {
    int32_t h = event->component;
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return 0;
    int32_t key = event->key, type = event->type, n = rowCount(r);
    if ((key == GUITK_KEY_UP || key == GUITK_KEY_DOWN) && (type == 2 || type == GUITK_KEY_EVENT_PRESSED)) {
        int32_t to = key == GUITK_KEY_UP ? r.focused - 1 : r.focused + 1;
        if (r.focused == -1 || to < 0 || to >= n) return 0;
        KivListBoxSetFocusedIndex(h, to);
        return r.list.base.focusPolicy == GUITK_FOCUS_SMOOTH ? 1 : 0;
    }
    if (type != GUITK_KEY_EVENT_PRESSED) return 0;
    if (key == GUITK_KEY_SELECT) {
        if (r.focused != -1 && (r.list.multiple || !KivListIsSelected(h, r.focused))) toggle(h, r.focused);
        if (r.list.multiple && GuiTkGetSoftkeyCount() > 0) return 0;
        KivListHook2(event);
        return 0;
    }
    if (key >= GUITK_KEY_SOFT1 && key <= GUITK_KEY_SOFT3) {
        if (GuiTkGetSoftkeyCount() > 0 && r.list.base.focusPolicy == GUITK_FOCUS_OCCUPY &&
            key == (int32_t)label->position + 20)
            CompSetState(h, GUITK_STATE_FOCUSED);
    }
    return 0;
}

int32_t KivListBoxPointerHandler(GuiTkPointerEvent* event) {
    int32_t h = event->component, kind = event->values[0], argument = event->values[1];
    if (argument != 0) return 0;
    int32_t state = CompGetState(h);
    if (kind == GUITK_POINTER_PRESS) {
        if (state == GUITK_STATE_FOCUSED) {
            CompSetState(h, GUITK_STATE_ACTIVE);
        } else if (state >= GUITK_STATE_ACTIVE) {
            int32_t row = KivListBoxHitTest(h, event->values[2], event->values[3]);
            if (row != -1) KivListBoxSetFocusedIndex(h, row);
        }
    } else if (kind == GUITK_POINTER_RELEASE && state >= GUITK_STATE_ACTIVE) {
        int32_t row = KivListBoxHitTest(h, event->values[2], event->values[3]);
        if (row != -1 && row == KivListBoxGetFocusedIndex(h) && (KivListIsMultiple(h) || !KivListIsSelected(h, row)))
            toggle(h, row);
    }
    return 0;
}

int32_t KivListBoxHitTest(int32_t h, int32_t x, int32_t y) {
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return -1;
    GuiTkRect client;
    CompGetContentRect(&r.list.base, &client);
    const GuiTkRect point = {r.list.base.x + x, r.list.base.y + y, 1, 1};
    if (!GuiTkRectContainsRect(&client, &point)) return -1;
    int32_t n = rowCount(r);
    for (int32_t k = 0; k < n; k++) {
        int32_t row = rowAt(r, k);
        GuiTkComponent* c = CompLock(row);
        if (c == nullptr) continue;
        const GuiTkRect bounds = {c->x, c->y, c->width, c->height};
        GuiTkUnlockHandle(row);
        if (GuiTkRectContainsRect(&bounds, &point)) return k;
    }
    return -1;
}

// Handlers.

int32_t KivListBoxHandler(GuiTkMessage* m) {
    int32_t h = m->component;
    GuiTkListBox r{};
    if (!snapshot(h, &r)) return 0;
    switch (m->id) {
        case GUITK_MSG_STATE:
            if (m->a2 == GUITK_STATE_DISABLED && m->a1 > 0 && r.focused != -1)
                CompSetState(rowAt(r, r.focused), GUITK_STATE_FOCUSED);
            break;
        case GUITK_MSG_PAINT:
            if (r.list.base.shown) showVisibleRows(h, m->a1);
            break;
        case GUITK_MSG_HIDE:
            hideRows(h);
            break;
        case GUITK_LIST_MSG_REMOVED:
            if (r.focused != -1 && m->a1 <= r.focused) {
                if (r.focused >= 1)
                    KivListBoxSetFocusedIndex(h, r.focused - 1);
                else if (rowCount(r) == 0)
                    KivListBoxSetFocusedIndex(h, -1);
            }
            break;
        default:
            break;
    }
    GuiTkHandler kind = r.kindHandler.get();
    return kind != nullptr ? kind(m) : KivListBoxDefaultHandler(m);
}

int32_t KivListBoxDefaultHandler(GuiTkMessage* m) {
    int32_t h = m->component;
    switch (m->id) {
        case GUITK_MSG_LOCATION:
        case GUITK_MSG_SIZE:
            layout(h);
            scrollIntoView(h);
            return 0;
        case GUITK_MSG_FONT:
        case GUITK_LIST_MSG_TEXT:
        case GUITK_LIST_MSG_IMAGE:
        case GUITK_LIST_MSG_OFFSCREEN:
        case GUITK_LIST_MSG_FONT:
        case GUITK_LIST_MSG_WRAP:
            layout(h);
            scrollIntoView(h);
            recomputeSizes(h);
            CompRequestUpdate(h);
            return 0;
        case GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH: {
            GuiTkListBox r{};
            if (!snapshot(h, &r)) return 0;
            const GuiTkComponent& b = r.list.base;
            int32_t client = m->a1 - b.insetLeft - b.insetRight;
            return GuiTkAddSaturated(KivListHeightForWidth(h, client > 0 ? client : 0, -1), b.insetTop + b.insetBottom);
        }
        case GUITK_LIST_MSG_INSERTED: {
            layout(h);
            int32_t focused = KivListBoxGetFocusedIndex(h);
            if (focused == -1 && m->a1 == 0)
                KivListBoxSetFocusedIndex(h, 0);
            else if (focused != -1 && focused >= m->a1)
                KivListBoxSetFocusedIndex(h, focused + 1);
            else
                scrollIntoView(h);
            CompRequestUpdate(h);
            recomputeSizes(h);
            return 0;
        }
        case GUITK_LIST_MSG_REMOVED: {
            int32_t focused = KivListBoxGetFocusedIndex(h);
            if (focused != -1) {
                int32_t row = KivListGetItem(h, focused);
                if (CompGetState(row) < GUITK_STATE_FOCUSED) CompSetState(row, GUITK_STATE_FOCUSED);
            }
            layout(h);
            scrollIntoView(h);
            CompRequestUpdate(h);
            recomputeSizes(h);
            return 0;
        }
        case GUITK_LISTBOX_MSG_FOCUS: {
            GuiTkListBox r{};
            if (!snapshot(h, &r)) return 0;
            if (r.list.base.state != GUITK_STATE_DISABLED) {
                int32_t n = rowCount(r);
                if (m->a2 != -1 && m->a2 < n) CompSetState(rowAt(r, m->a2), GUITK_STATE_ENABLED);
                if (m->a1 != -1 && m->a1 < n) CompSetState(rowAt(r, m->a1), GUITK_STATE_FOCUSED);
            }
            scrollIntoView(h);
            CompRequestUpdate(h);
            return 0;
        }
        case GUITK_LISTBOX_MSG_LINES: {
            GuiTkListBox r{};
            if (!snapshot(h, &r)) return 0;
            const GuiTkComponent& b = r.list.base;
            bool temporary = rowCount(r) == 0;
            if (temporary && KivListInsertItem(h, 0) != 0) {
                GuiTkFatalError(GUITK_ERROR_NO_MEMORY);
                return 0;
            }
            int32_t result = ListBodyQueryLines(KivListGetItem(h, 0), m->a1);
            if (temporary) KivListRemoveItem(h, 0);
            return result + b.insetTop + b.insetBottom;
        }
        default:
            return KivListDefaultHandler(m);
    }
}
