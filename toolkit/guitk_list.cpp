// The list and its items.
#include "toolkit/guitk_list.h"

#include <stddef.h>

#include <initializer_list>

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_layout.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

struct ListModule {
    int32_t prefImageWidth;
    int32_t prefImageHeight;
};
VMBSS ListModule* ListState;

// Tick images as the item module keeps them; no pixels: the built-in masks.
struct TickImages {
    P32<const uint32_t> unchecked;
    P32<const uint32_t> checked;
    int32_t width;
    int32_t height;
};

struct BodyClass {
    P32Fn<GuiTkHandler> slots[GUITK_ITEM_SLOTS];
    P32Fn<GuiTkKeyHook> keyHook;
    P32Fn<GuiTkPointerHook> pointerHook;
    uint32_t frameStyle;
    uint32_t frameMode, frameColor;
    uint32_t currentTextMode, currentTextColor;
    uint32_t currentBackMode, currentBackColor;
    uint32_t selectedTextMode, selectedTextColor;
    uint32_t selectedBackMode, selectedBackColor;
    uint32_t numberingLimit;
    uint32_t numberingAlways;
    TickImages check;
    TickImages radio;
};
static_assert(sizeof(BodyClass) == 61 * 4, "the item module is 61 words");
VMBSS BodyClass* BodyTable;

enum { FRAME_DOTTED = 1, FRAME_SOLID = 2, FRAME_NONE = 3 };
enum { TICK_SIZE = 11 };
const uint32_t DisabledText = 0xFFDFDFDF;

#define LIST(name) ((int32_t)offsetof(GuiTkList, name))
#define ITEM(name) ((int32_t)offsetof(GuiTkListItem, name))

int32_t listInt(int32_t l, int32_t position) { return GuiTkGetTypedInt(l, GUITK_LIST_PLACE, GUITK_TAG_LIST, position); }
void setListInt(int32_t l, int32_t position, int32_t value) {
    GuiTkSetTypedInt(l, GUITK_LIST_PLACE, GUITK_TAG_LIST, position, value);
}
int32_t itemInt(int32_t i, int32_t position) {
    return GuiTkGetTypedInt(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM, position);
}
void setItemInt(int32_t i, int32_t position, int32_t value) {
    GuiTkSetTypedInt(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM, position, value);
}
uint32_t itemByte(int32_t i, int32_t position) {
    return GuiTkGetTypedByte(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM, position);
}
void setItemByte(int32_t i, int32_t position, int32_t value) {
    GuiTkSetTypedByte(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM, position, value);
}

bool snapshot(int32_t i, GuiTkListItem* out) {
    GuiTkListItem* r = (GuiTkListItem*)GuiTkLockTyped(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(i);
    return true;
}

bool accept(bool ok) {
    if (!ok) GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    return ok;
}

int32_t itemsOf(int32_t l) { return listInt(l, LIST(items)); }
int32_t countOf(int32_t l) {
    int32_t items = itemsOf(l);
    return items == 0 ? 0 : HandleArrayCount(items);
}
// The item at a checked index, or -1 after fatal 3.
int32_t itemAt(int32_t l, int32_t index) {
    int32_t items = itemsOf(l);
    if (items == 0) return -1;
    if (!accept(index >= 0 && index < HandleArrayCount(items))) return -1;
    return HandleArrayGet(items, index);
}

MkSurface* surfaceOf(int32_t image) { return p32Ptr<MkSurface>(image); }
void imageSize(const GuiTkListItem& r, int32_t* w, int32_t* h) {
    *w = *h = 0;
    if (r.image == -1) return;
    *w = GuiTkGfxGetSurfaceWidth(surfaceOf(r.image));
    *h = GuiTkGfxGetSurfaceHeight(surfaceOf(r.image));
}

const TickImages* tickImagesOf(int32_t kind) {
    const TickImages* t = kind == GUITK_ITEM_CHECK   ? &BodyTable->check
                          : kind == GUITK_ITEM_RADIO ? &BodyTable->radio
                                                     : nullptr;
    return t != nullptr && t->unchecked.get() != nullptr ? t : nullptr;
}
bool hasTick(int32_t kind) { return kind == GUITK_ITEM_CHECK || kind == GUITK_ITEM_RADIO; }
int32_t tickIndent(int32_t kind) {
    if (!hasTick(kind)) return 0;
    const TickImages* t = tickImagesOf(kind);
    return t != nullptr ? t->width : TICK_SIZE;
}
int32_t tickHeight(int32_t kind) {
    const TickImages* t = tickImagesOf(kind);
    return t != nullptr ? t->height : TICK_SIZE;
}

bool wraps(const GuiTkListItem& r) {
    return r.wrap == GUITK_WRAP_ON || (r.wrap == GUITK_WRAP_DEFAULT && r.base.truncateMode == 0);
}

int32_t numberingWidthOf(const GuiTkListItem& r) {
    return r.kind == GUITK_ITEM_NUMBERED ? ListBodyNumberingWidth(r.base.font) : 0;
}

void simpleSize(const GuiTkListItem& r, int32_t* w, int32_t* h) {
    const uint16_t wide = 'W';
    const GuiTkComponent& b = r.base;
    *w = b.insetLeft + b.insetRight + GuiTkFontCharsWidth(b.font, &wide, 1);
    *h = b.insetTop + b.insetBottom + GuiTkFontGetHeight(b.font);
    if (hasTick(r.kind) && b.insetTop + b.insetBottom + tickHeight(r.kind) > *h)
        *h = b.insetTop + b.insetBottom + tickHeight(r.kind);
}

void relayout(int32_t i) {
    GuiTkListItem r{};
    if (!snapshot(i, &r)) return;
    if (!wraps(r)) {
        const int32_t unlimited = -1;
        LineLayoutSetWidths(r.layout, &unlimited, 1);
        return;
    }
    GuiTkRect inner;
    CompGetContentRect(&r.base, &inner);
    int32_t iw, ih, number = numberingWidthOf(r);
    imageSize(r, &iw, &ih);
    int32_t widths[2] = {inner.width - iw - (r.image != -1 ? 1 : 0) - number, inner.width - number};
    for (int32_t& w : widths)
        if (w < 0) w = 0;
    LineLayoutSetWidths(r.layout, widths, 2);
}

// The lines of a text cut for a first width and then a width for all later lines.
int32_t countLines(GuiTkFont font, int32_t text, int32_t first, int32_t rest) {
    int32_t length = StrGetLength(text), start = 0, lines = 0;
    while (start < length) {
        start += GuiTkNextLine(font, text, start, lines == 0 ? first : rest);
        lines++;
    }
    return lines;
}

void updatePreferredSize(int32_t i) {
    GuiTkListItem r{};
    if (!snapshot(i, &r)) return;
    const GuiTkComponent& b = r.base;
    int32_t iw, ih;
    imageSize(r, &iw, &ih);
    int32_t textWidth = r.text != -1 ? GuiTkStringWidth(b.font, r.text) : 0;
    int32_t fontHeight = GuiTkFontGetHeight(b.font);
    int32_t vertical = b.insetTop + b.insetBottom;
    int32_t w = b.insetLeft + b.insetRight + iw + (iw > 0 && textWidth > 0 ? 1 : 0) + numberingWidthOf(r) + textWidth;
    int32_t h = (ih > fontHeight ? ih : fontHeight) + vertical;
    GuiTkRect inner;
    CompGetContentRect(&b, &inner);
    if (wraps(r) && r.text != -1 && inner.width > 0) {
        // the lines at the widths the item has now; lines are counted with a cut that
        // always advances, so no width can make the count run away
        int32_t number = numberingWidthOf(r);
        int32_t first = inner.width - iw - (r.image != -1 ? 1 : 0) - number, rest = inner.width - number;
        if (first < 0) first = 0;
        if (rest < 0) rest = 0;
        int32_t lines = countLines(b.font, r.text, first, rest);
        int32_t length = StrGetLength(r.text);
        int32_t firstCount = length > 0 ? GuiTkNextLine(b.font, r.text, 0, first) : 0;
        int32_t firstWidth = b.insetLeft + b.insetRight + GuiTkSubstringWidth(b.font, r.text, 0, firstCount);
        if (firstWidth > w) w = firstWidth;
        if (lines > 1) h += (lines - 1) * fontHeight;
    }
    if (hasTick(r.kind) && h < tickHeight(r.kind) + vertical) h = tickHeight(r.kind) + vertical;
    CompSetPreferredSize(i, w, h);
}

int32_t heightAtWidth(int32_t i, int32_t width) {
    GuiTkListItem r{};
    if (!snapshot(i, &r)) return 0;
    const GuiTkComponent& b = r.base;
    if (b.kindWords[2] == 1 && b.kindWords[1] == width) return b.kindWords[0];
    int32_t iw, ih;
    imageSize(r, &iw, &ih);
    int32_t vertical = b.insetTop + b.insetBottom, fontHeight = GuiTkFontGetHeight(b.font);
    int32_t height;
    if (r.text == -1 || StrGetLength(r.text) == 0) {
        height = vertical + ih;
    } else {
        int32_t available = width - b.insetLeft - b.insetRight - numberingWidthOf(r);
        if (available < 0) available = 0;
        int32_t first = iw > 0 ? available - iw - 1 : available;
        if (first < 0) first = 0;
        int32_t lines = wraps(r) ? countLines(b.font, r.text, first, available) : 1;
        height = vertical + (ih > fontHeight ? ih : fontHeight) + (lines > 1 ? (lines - 1) * fontHeight : 0);
    }
    if (hasTick(r.kind) && height < tickHeight(r.kind)) height = tickHeight(r.kind);
    GuiTkListItem* w = (GuiTkListItem*)GuiTkLockTyped(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM);
    if (w != nullptr) {
        w->base.kindWords[0] = height;
        w->base.kindWords[1] = width;
        w->base.kindWords[2] = 1;
        GuiTkUnlockHandle(i);
    }
    return height;
}

void invalidateCache(int32_t i) {
    GuiTkListItem* r = (GuiTkListItem*)GuiTkLockTyped(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM);
    if (r == nullptr) return;
    r->base.kindWords[2] = 0;
    GuiTkUnlockHandle(i);
}

// 9 x 9 masks, built once from their descriptions.
struct TickMasks {
    uint8_t check[2][81];
    uint8_t radio[2][81];
};
const TickMasks& masks() {
    static const TickMasks m = [] {
        TickMasks t{};
        const uint8_t tick[][2] = {{6, 2}, {5, 3}, {6, 3}, {2, 4}, {4, 4}, {5, 4}, {2, 5}, {3, 5}, {4, 5}, {3, 6}};
        for (int y = 0; y < 9; y++)
            for (int x = 0; x < 9; x++) {
                uint8_t p = x == 8 || y == 8   ? GUITK_PATTERN_LIGHT_GREY
                            : x == 0 || y == 0 ? GUITK_PATTERN_BLACK
                                               : GUITK_PATTERN_WHITE;
                t.check[0][y * 9 + x] = t.check[1][y * 9 + x] = p;
            }
        for (const auto& p : tick) t.check[1][p[1] * 9 + p[0]] = GUITK_PATTERN_BLACK;
        const int spans[9] = {3, 7, 7, 9, 9, 9, 7, 7, 3};
        auto inside = [&](int x, int y) {
            if (x < 0 || y < 0 || x > 8 || y > 8) return false;
            int start = (9 - spans[y]) / 2;
            return x >= start && x < start + spans[y];
        };
        for (int y = 0; y < 9; y++)
            for (int x = 0; x < 9; x++) {
                uint8_t p = 0;
                if (inside(x, y)) {
                    bool rim = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
                    p = !rim ? GUITK_PATTERN_WHITE : x + y < 8 ? GUITK_PATTERN_DARK_GREY : GUITK_PATTERN_LIGHT_GREY;
                }
                t.radio[0][y * 9 + x] = t.radio[1][y * 9 + x] = p;
                if (x >= 3 && x <= 5 && y >= 3 && y <= 5) t.radio[1][y * 9 + x] = GUITK_PATTERN_BLACK;
            }
        return t;
    }();
    return m;
}

bool numbered(const GuiTkListItem& r, int32_t count) {
    if (r.kind != GUITK_ITEM_NUMBERED) return false;
    uint32_t limit = BodyTable->numberingLimit;
    return ((uint32_t)count <= limit || BodyTable->numberingAlways != 0) && r.index >= 0 && (uint32_t)r.index < limit;
}

void drawTick(const GuiTkListItem& r, GuiTkGraphics gfx) {
    const GuiTkComponent& b = r.base;
    bool rtl = CompIsRightToLeft(b.directionMode) != 0;
    int32_t x = rtl ? b.x + b.width - b.insetRight : b.x, y = b.y;
    int32_t on = r.selected ? 1 : 0;
    const TickImages* t = tickImagesOf(r.kind);
    if (t != nullptr) {
        const uint32_t* pixels = on ? t->checked.get() : t->unchecked.get();
        GuiTkGfxDrawRegionARGB(gfx, pixels, t->width * t->height, t->width, x, y, 1);
        return;
    }
    const uint8_t* mask = r.kind == GUITK_ITEM_CHECK ? masks().check[on] : masks().radio[on];
    GuiTkDrawPattern9x9(gfx, mask, x + 1, y + 1);
}

// A colour from a style mode; `keep` names the mode that leaves the colour.
uint32_t styled(uint32_t mode, uint32_t fixed, uint32_t current, const GuiTkComponent& b, uint32_t other,
                uint32_t keep) {
    if (mode == keep) return current;
    switch (mode) {
        case 1:
            return fixed;
        case 2:
            return b.foreground;
        case 3:
            return b.background;
        case 4:
        case 5:
            return other;
        case 6:
            return b.parent != -1 ? CompGetBackground(b.parent) : b.background;
        default:
            return current;
    }
}

int32_t paintItem(int32_t i, GuiTkGraphics gfx) {
    GuiTkListItem r{};
    if (!snapshot(i, &r)) return 0;
    const GuiTkComponent& b = r.base;
    if (b.width < 1 || b.height < 1) return 0;
    uint32_t text = b.foreground, back = b.background;
    if (b.state == GUITK_STATE_DISABLED) text = DisabledText;
    const BodyClass& s = *BodyTable;
    if (r.selected && (r.kind == GUITK_ITEM_PLAIN || r.kind == GUITK_ITEM_NUMBERED)) {
        uint32_t t = styled(s.selectedTextMode, s.selectedTextColor, text, b, 0, 2);
        back = styled(s.selectedBackMode, s.selectedBackColor, back, b, 0, 3);
        text = t;
    }
    bool current = b.state >= GUITK_STATE_FOCUSED && (b.parent == -1 || CompGetState(b.parent) == GUITK_STATE_ACTIVE);
    if (current) {
        uint32_t t = styled(s.currentTextMode, s.currentTextColor, text, b, back, 4);
        back = styled(s.currentBackMode, s.currentBackColor, back, b, text, 5);
        text = t;
    }
    if (GuiTkUseColor(gfx, back)) {
        const GuiTkRect all = {b.x, b.y, b.width, b.height};
        GuiTkGfxFillRect(gfx, &all);
    }
    if (hasTick(r.kind)) drawTick(r, gfx);
    GuiTkRect inner;
    CompGetContentRect(&b, &inner);
    ListBodyDrawContent(i, gfx, &inner, text);
    if (current && s.frameStyle != FRAME_NONE) {
        uint32_t frame = s.frameMode == 1 ? s.frameColor : s.frameMode == 2 ? b.foreground : text;
        if (inner.width >= 1 && inner.height >= 1 && GuiTkUseColor(gfx, frame)) {
            GuiTkGfxSetStrokeStyle(gfx, s.frameStyle == FRAME_DOTTED ? 1 : 0);
            const GuiTkRect f = {inner.x, inner.y, inner.width - 1, inner.height - 1};
            GuiTkGfxDrawRect(gfx, &f);
            GuiTkGfxSetStrokeStyle(gfx, 0);
        }
    }
    return 0;
}

int32_t itemHandler(GuiTkMessage* m) {
    int32_t i = m->id;
    int32_t c = m->component;
    if (i == GUITK_MSG_FONT || i == GUITK_ITEM_MSG_TEXT || i == GUITK_ITEM_MSG_IMAGE || i == GUITK_ITEM_MSG_OFFSCREEN ||
        i == GUITK_ITEM_MSG_WRAP || i == GUITK_MSG_RELAYOUT || i == GUITK_MSG_TRUNCATE_MODE)
        invalidateCache(c);
    // the truncate flag decides whether a default-policy item wraps
    if (i == GUITK_MSG_SIZE || i == GUITK_MSG_TRUNCATE_MODE) relayout(c);
    if (i == GUITK_MSG_FONT) LineLayoutSetFont(itemInt(c, ITEM(layout)), m->a1);
    GuiTkHandler slot = i >= 0 && i < GUITK_ITEM_SLOTS ? BodyTable->slots[i].get() : ListBodyDefaultHandler;
    int32_t result = slot(m);
    if (i == GUITK_MSG_RELAYOUT) relayout(c);
    return result;
}

int32_t itemKeyTrampoline(GuiTkKeyEvent* event) { return BodyTable->keyHook.get()(event); }
int32_t itemPointerTrampoline(GuiTkPointerEvent* event) { return BodyTable->pointerHook.get()(event); }
int32_t nullPointerHook(GuiTkPointerEvent*) { return 0; }

void forward(int32_t i, int32_t id, int32_t a1, int32_t a2) {
    int32_t parent = CompGetParent(i);
    if (parent != -1) CompSendMessage(parent, id, ListBodyGetIndex(i), a1, a2, 0);
}

bool isOption(const void* options, int32_t index, const char* name) {
    const char* option = ((const char* const*)options)[index];
    return option != nullptr && GuiTkStrCmp(option, name) == 0;
}

// Clears the other kind of picture through its own setter, so that its message goes out.
void setPicture(int32_t i, int32_t picture, int32_t kind, int32_t message) {
    GuiTkListItem r{};
    if (!snapshot(i, &r)) return;
    if (r.imageKind != kind && r.image != -1) {
        if (r.imageKind == 0)
            ListBodySetImage(i, -1);
        else
            ListBodySetOffScreen(i, -1);
    }
    int32_t old = r.imageKind == kind ? r.image : -1;
    if (old == picture) return;
    setItemByte(i, ITEM(imageKind), kind);
    setItemInt(i, ITEM(image), picture);
    relayout(i);
    CompSendMessage2(i, message, picture, old);
}

int32_t pictureOf(int32_t i, int32_t kind) {
    GuiTkListItem r{};
    if (!snapshot(i, &r)) return -1;
    return r.imageKind == kind ? r.image : -1;
}

// The selected index after item `index` was deselected in multiple mode.
int32_t nextSelected(int32_t l, int32_t from) {
    int32_t n = countOf(l), items = itemsOf(l);
    for (int32_t k = from; k < n; k++)
        if (ListBodyGetSelected(HandleArrayGet(items, k))) return k;
    return -1;
}

void select(int32_t l, int32_t index, int32_t flag, bool notify) {
    int32_t item = itemAt(l, index);
    if (item == -1) return;
    flag = flag != 0 ? 1 : 0;
    if (ListBodyGetSelected(item) == flag) return;
    int32_t selected = listInt(l, LIST(selected));
    bool multiple = listInt(l, LIST(multiple)) != 0;
    if (flag) {
        if (selected == -1) {
            selected = index;
        } else if (multiple) {
            if (index < selected) selected = index;
        } else {
            select(l, selected, 0, notify);
            selected = index;
        }
    } else if (!multiple) {
        selected = -1;
    } else if (index == selected) {
        selected = nextSelected(l, index + 1);
    }
    setListInt(l, LIST(selected), selected);
    if (notify)
        ListBodySetSelected(item, flag);
    else
        ListBodyStoreSelected(item, flag);
}

void renumber(int32_t l, int32_t from) {
    int32_t n = countOf(l), items = itemsOf(l);
    for (int32_t k = from; k < n; k++) ListBodySetIndex(HandleArrayGet(items, k), k);
}

GuiTkRect boundsOf(int32_t c) {
    GuiTkComponent* r = CompLock(c);
    if (r == nullptr) return {0, 0, -1, -1};
    GuiTkRect out = {r->x, r->y, r->width, r->height};
    GuiTkUnlockHandle(c);
    return out;
}

}  // namespace

// Modules.

int32_t KivListModuleInit(int32_t, const void*) {
    ListState = (ListModule*)GuiTkAlloc((int32_t)sizeof(ListModule));
    if (ListState == nullptr) return -1;
    int32_t side = GuiTkFontGetHeight(GuiTkGetDefaultFont()) - 1;
    ListState->prefImageWidth = side;
    ListState->prefImageHeight = side;
    return 0;
}

int32_t KivListModuleFini(void) {
    if (ListState != nullptr) GuiTkFree(ListState);
    ListState = nullptr;
    return 0;
}

int32_t ListBodyModuleInit(int32_t optionCount, const void* options) {
    BodyTable = (BodyClass*)GuiTkAlloc((int32_t)sizeof(BodyClass));
    if (BodyTable == nullptr) return -1;
    BodyClass& s = *BodyTable;
    for (P32Fn<GuiTkHandler>& slot : s.slots) slot = ListBodyDefaultHandler;
    s.keyHook = CompActiveKeyHookOccupy;
    s.pointerHook = nullPointerHook;
    s.frameStyle = FRAME_DOTTED;
    s.frameMode = 4;
    s.currentTextMode = 4;
    s.currentBackMode = 5;
    s.selectedTextMode = 2;
    s.selectedBackMode = 3;
    s.numberingLimit = 10;
    s.numberingAlways = 0;
    for (int32_t k = 0; options != nullptr && k < optionCount; k++)
        if (isOption(options, k, "style_doja")) {
            s.selectedBackMode = 1;
            s.selectedBackColor = 0xFFC0C0C0;
            s.numberingLimit = 9;
            s.numberingAlways = 1;
        }
    return 0;
}

int32_t ListBodyModuleFini(void) {
    if (BodyTable != nullptr) GuiTkFree(BodyTable);
    BodyTable = nullptr;
    return 0;
}

// The list.

int32_t KivListInit(int32_t handle, GuiTkList* r, GuiTkHandler kindHandler, GuiTkKeyHook keyHook,
                    GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type,
                    int32_t multiple, int32_t itemKind) {
    if (!CompInitObject(handle, &r->base, KivListHandler, keyHook, activeKeyHook, pointerHook, createParam, type))
        return 0;
    int32_t items = HandleArrayCreate();
    if (items == -1) {
        CompUnlink(&r->base);
        return 0;
    }
    r->tag = GUITK_TAG_LIST;
    r->kindHandler = kindHandler;
    r->itemKind = (uint32_t)itemKind;
    r->multiple = multiple != 0 ? 1 : 0;
    r->selected = -1;
    r->items = items;
    r->wrap = GUITK_WRAP_DEFAULT;
    r->title = -1;
    return 1;
}

void KivListDetachFromParent(int32_t l) { CompDetachFromParent(l); }

void KivListFreeRecord(GuiTkList* r) {
    int32_t items = r->items;
    if (items != -1 && items != 0) {
        for (int32_t k = HandleArrayCount(items) - 1; k >= 0; k--) ListBodyDestroy(HandleArrayGet(items, k));
        HandleArrayDestroy(items);
    }
    if (r->title != -1) StrDestroy(r->title);
    r->items = -1;
    r->title = -1;
    r->tag = 0;
    CompUnlink(&r->base);
}

void KivListDestroy(int32_t l) {
    GuiTkList* r = (GuiTkList*)GuiTkLockTyped(l, GUITK_LIST_PLACE, GUITK_TAG_LIST);
    if (r == nullptr) return;
    KivListFreeRecord(r);
    GuiTkUnlockHandle(l);
}

int32_t IsList(int32_t handle) {
    const uint8_t* p = (const uint8_t*)GuiTkLockHandle(handle);
    if (p == nullptr) return 0;
    uint32_t tag;
    GuiTkCopy(&tag, p + GUITK_LIST_PLACE, sizeof tag);
    GuiTkUnlockHandle(handle);
    return tag == GUITK_TAG_LIST;
}

int32_t KivListIsMultiple(int32_t l) { return listInt(l, LIST(multiple)); }

int32_t KivListSetTitle(int32_t l, const uint16_t* chars, int32_t length) {
    if (GuiTkLockTyped(l, GUITK_LIST_PLACE, GUITK_TAG_LIST) == nullptr) return -1;
    GuiTkUnlockHandle(l);
    int32_t title = -1;
    if (chars != nullptr && length != 0 && (title = StrCreateFromChars(chars, length)) == -1) return -1;
    int32_t old = listInt(l, LIST(title));
    setListInt(l, LIST(title), title);
    if (old != -1) StrDestroy(old);
    CompSendMessage1(l, GUITK_LIST_MSG_TITLE, title);
    return 0;
}

int32_t KivListGetTitle(int32_t l) { return listInt(l, LIST(title)); }
int32_t KivListGetSize(int32_t l) { return countOf(l); }
int32_t KivListGetItem(int32_t l, int32_t index) { return itemAt(l, index); }

int32_t KivListInsertItem(int32_t l, int32_t index) {
    GuiTkList r{};
    GuiTkList* p = (GuiTkList*)GuiTkLockTyped(l, GUITK_LIST_PLACE, GUITK_TAG_LIST);
    if (p == nullptr) return -1;
    r = *p;
    GuiTkUnlockHandle(l);
    int32_t count = HandleArrayCount(r.items);
    if (!accept(index >= 0 && index <= count)) return -1;
    int32_t item = ListBodyCreate(r.base.createParam, (int32_t)r.itemKind);
    if (item == -1) return -1;
    if (HandleArrayInsert(r.items, item, index) != 0) {
        ListBodyDestroy(item);
        return -1;
    }
    CompSetParent(item, l);
    ListBodySetWrap(item, (int32_t)r.wrap);
    ListBodySetIndex(item, index);
    CompSetForeground(item, r.base.foreground);
    CompSetBackground(item, 0);
    if (r.base.state == GUITK_STATE_DISABLED) CompStoreState(item, GUITK_STATE_DISABLED);
    if (r.selected >= index) setListInt(l, LIST(selected), r.selected + 1);
    renumber(l, index + 1);
    CompSendMessage1(l, GUITK_LIST_MSG_INSERTED, index);
    return 0;
}

void KivListRemoveItem(int32_t l, int32_t index) {
    int32_t item = itemAt(l, index);
    if (item == -1) return;
    CompSendMessage1(l, GUITK_LIST_MSG_REMOVING, index);
    item = itemAt(l, index);
    if (item == -1) return;
    HandleArrayRemove(itemsOf(l), index);
    ListBodyDestroy(item);
    int32_t selected = listInt(l, LIST(selected));
    if (selected > index) {
        setListInt(l, LIST(selected), selected - 1);
    } else if (selected == index) {
        setListInt(l, LIST(selected), listInt(l, LIST(multiple)) ? nextSelected(l, index) : -1);
    }
    renumber(l, index);
    CompSendMessage1(l, GUITK_LIST_MSG_REMOVED, index);
}

int32_t KivListSetText(int32_t l, int32_t index, const uint16_t* chars, int32_t length) {
    int32_t item = itemAt(l, index);
    return item == -1 ? -1 : ListBodySetText(item, chars, length);
}
int32_t KivListGetText(int32_t l, int32_t index) {
    int32_t item = itemAt(l, index);
    return item == -1 ? -1 : ListBodyGetText(item);
}
void KivListSetImage(int32_t l, int32_t index, int32_t image) {
    int32_t item = itemAt(l, index);
    if (item != -1) ListBodySetImage(item, image);
}
int32_t KivListGetImage(int32_t l, int32_t index) {
    int32_t item = itemAt(l, index);
    return item == -1 ? -1 : ListBodyGetImage(item);
}
void KivListSetOffScreen(int32_t l, int32_t index, int32_t offScreen) {
    int32_t item = itemAt(l, index);
    if (item != -1) ListBodySetOffScreen(item, offScreen);
}
int32_t KivListGetOffScreen(int32_t l, int32_t index) {
    int32_t item = itemAt(l, index);
    return item == -1 ? -1 : ListBodyGetOffScreen(item);
}
void KivListSetFont(int32_t l, int32_t index, GuiTkFont font) {
    int32_t item = itemAt(l, index);
    if (item != -1) CompSetFont(item, font);
}
GuiTkFont KivListGetFont(int32_t l, int32_t index) {
    int32_t item = itemAt(l, index);
    return item == -1 ? GUITK_NONE : CompGetFont(item);
}
int32_t KivListIsSelected(int32_t l, int32_t index) {
    int32_t item = itemAt(l, index);
    return item == -1 ? 0 : ListBodyGetSelected(item);
}
void KivListSetSelected(int32_t l, int32_t index, int32_t flag) { select(l, index, flag, true); }
void KivListStoreSelected(int32_t l, int32_t index, int32_t flag) { select(l, index, flag, false); }
int32_t KivListGetSelectedIndex(int32_t l) { return listInt(l, LIST(selected)); }

void KivListSetWrapPolicy(int32_t l, int32_t policy) {
    if (!accept(policy >= 0 && policy <= 2)) return;
    int32_t old = listInt(l, LIST(wrap));
    if (old == policy) return;
    setListInt(l, LIST(wrap), policy);
    int32_t n = countOf(l), items = itemsOf(l);
    for (int32_t k = 0; k < n; k++) ListBodySetWrap(HandleArrayGet(items, k), policy);
    CompSendMessage2(l, GUITK_LIST_MSG_WRAP, policy, old);
}

void KivListStoreWrapPolicy(int32_t l, int32_t policy) {
    if (!accept(policy >= 0 && policy <= 2)) return;
    setListInt(l, LIST(wrap), policy);
    int32_t n = countOf(l), items = itemsOf(l);
    for (int32_t k = 0; k < n; k++) ListBodyStoreWrap(HandleArrayGet(items, k), policy);
}

int32_t KivListGetWrapPolicy(int32_t l) { return listInt(l, LIST(wrap)); }

void KivListCopyModel(int32_t to, int32_t from) {
    GuiTkList* f = (GuiTkList*)GuiTkLockTyped(from, GUITK_LIST_PLACE, GUITK_TAG_LIST);
    if (f == nullptr) return;
    GuiTkList source = *f;
    GuiTkUnlockHandle(from);
    GuiTkList* t = (GuiTkList*)GuiTkLockTyped(to, GUITK_LIST_PLACE, GUITK_TAG_LIST);
    if (t == nullptr) return;
    t->itemKind = source.itemKind;
    t->multiple = source.multiple;
    t->selected = source.selected;
    t->items = source.items;
    t->wrap = source.wrap;
    GuiTkUnlockHandle(to);
}

void KivListSetPrefImageSize(int32_t width, int32_t height) {
    if (!accept(width >= 0 && height >= 0)) return;
    ListState->prefImageWidth = width;
    ListState->prefImageHeight = height;
}
int32_t KivListGetPrefImageWidth(void) { return ListState->prefImageWidth; }
int32_t KivListGetPrefImageHeight(void) { return ListState->prefImageHeight; }

// Layout hubs.

void KivListPreferredSize(int32_t l, int32_t* width, int32_t* height) {
    int32_t n = countOf(l), items = itemsOf(l), w = 0, h = 0;
    for (int32_t k = 0; k < n; k++) {
        int32_t item = HandleArrayGet(items, k);
        int32_t iw = CompGetPreferredWidth(item);
        if (iw > w) w = iw;
        h = GuiTkAddSaturated(h, CompGetPreferredHeight(item));
    }
    *width = w;
    *height = h;
}

int32_t KivListHeightForWidth(int32_t l, int32_t width, int32_t cap) {
    int32_t n = countOf(l), items = itemsOf(l), total = 0;
    for (int32_t k = 0; k < n; k++) {
        int32_t h = CompGetPreferredHeightForWidth(HandleArrayGet(items, k), width);
        if (cap >= 0 && h > cap) h = cap;
        total = GuiTkAddSaturated(total, h);
    }
    return total;
}

void KivListMinimumSize(int32_t l, int32_t* width, int32_t* height) {
    int32_t n = countOf(l), items = itemsOf(l), w = 0, h = 0;
    for (int32_t k = 0; k < n; k++) {
        int32_t item = HandleArrayGet(items, k);
        int32_t iw = CompGetMinimumWidth(item), ih = CompGetMinimumHeight(item);
        if (iw > w) w = iw;
        if (ih > h) h = ih;
    }
    *width = w;
    *height = h;
}

void KivListLayoutColumn(int32_t l, const GuiTkRect* rect) {
    int32_t n = countOf(l), items = itemsOf(l), y = rect->y;
    for (int32_t k = 0; k < n; k++) {
        int32_t item = HandleArrayGet(items, k);
        int32_t h = CompGetPreferredHeightForWidth(item, rect->width < 0 ? 0 : rect->width);
        if (rect->height >= 0 && h > rect->height) h = rect->height;
        CompSetSize(item, rect->width < 0 ? 0 : rect->width, h);
        CompSetLocation(item, rect->x, y);
        y = GuiTkAddSaturated(y, h);
    }
}

void KivListScrollIntoView(int32_t l, const GuiTkRect* view, int32_t index) {
    int32_t n = countOf(l), items = itemsOf(l), shift = 0;
    if (n == 0) return;
    GuiTkRect first = boundsOf(HandleArrayGet(items, 0));
    if (index >= 0 && index < n) {
        GuiTkRect r = boundsOf(HandleArrayGet(items, index));
        if (!GuiTkRectContainsRect(view, &r)) {
            if (r.y >= view->y)
                shift = (view->y + view->height) - (r.y + r.height);
            else
                shift = view->y - r.y;
        }
        if (first.y + shift > view->y) shift = view->y - first.y;
    } else if (index == -1) {
        shift = view->y - first.y;
    }
    for (int32_t k = 0; k < n; k++) {
        int32_t item = HandleArrayGet(items, k);
        CompSetLocation(item, view->x, CompGetY(item) + shift);
    }
}

void KivListPaintItems(int32_t l, GuiTkGraphics gfx, const GuiTkRect* rect) {
    GuiTkClipTo(gfx, rect);
    GuiTkRect clip;
    GuiTkGfxGetClip(gfx, &clip);
    int32_t n = countOf(l), items = itemsOf(l);
    for (int32_t k = 0; k < n; k++) {
        int32_t item = HandleArrayGet(items, k);
        GuiTkRect bounds = boundsOf(item);
        if (!GuiTkRectIntersects(&bounds, &clip)) continue;
        GuiTkGfxSetClip(gfx, &clip);
        GuiTkClipTo(gfx, &bounds);
        CompPaint(item, gfx);
    }
}

// Handlers and hooks.

int32_t KivListHandler(GuiTkMessage* m) {
    int32_t l = m->component;
    if (m->id == GUITK_MSG_STATE) {
        int32_t state = m->a1, old = m->a2;
        int32_t to = old != 0 && state <= 0 ? 0 : old == 0 && state != 0 ? 1 : -1;
        if (to != -1) {
            int32_t n = countOf(l), items = itemsOf(l);
            for (int32_t k = 0; k < n; k++) CompSetState(HandleArrayGet(items, k), to);
        }
    }
    GuiTkHandler kind = (GuiTkHandler)(uintptr_t)(uint32_t)listInt(l, LIST(kindHandler));
    return kind != nullptr ? kind(m) : KivListDefaultHandler(m);
}

int32_t KivListDefaultHandler(GuiTkMessage* m) {
    int32_t l = m->component;
    switch (m->id) {
        case GUITK_LIST_MSG_INSERTED:
        case GUITK_LIST_MSG_REMOVING:
            return 0;
        case GUITK_MSG_FOREGROUND: {
            int32_t n = countOf(l), items = itemsOf(l);
            for (int32_t k = 0; k < n; k++) CompSetForeground(HandleArrayGet(items, k), (uint32_t)m->a1);
            CompRequestUpdate(l);
            return 0;
        }
        case GUITK_LIST_MSG_SELECTED:
            CompRequestUpdate(l);
            return 0;
        default:
            return CompDefaultHandler(m);
    }
}

int32_t KivListKeyHook(GuiTkKeyEvent* event) { return CompDefaultKeyHook(event); }
int32_t KivListHook2(GuiTkKeyEvent* event) { return CompActiveKeyHookOccupy(event); }
int32_t KivListPointerHook(GuiTkPointerEvent*) { return 0; }

// Items.

int32_t ListBodyCreate(int32_t createParam, int32_t kind) {
    if (!accept(kind >= 0 && kind <= 3)) return -1;
    int32_t layout = LineLayoutCreate();
    if (layout == -1) return -1;
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkListItem));
    GuiTkListItem* r = h == -1 ? nullptr : (GuiTkListItem*)GuiTkLockHandle(h);
    if (r == nullptr || !CompInitObject(h, &r->base, itemHandler, CompDefaultKeyHook, itemKeyTrampoline,
                                        itemPointerTrampoline, createParam, GUITK_TYPE_LISTITEM)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        LineLayoutDestroy(layout);
        return -1;
    }
    r->tag = GUITK_TAG_LTIM;
    r->index = 0;
    r->selected = 0;
    r->text = -1;
    r->layout = layout;
    r->kind = (uint8_t)kind;
    r->wrap = GUITK_WRAP_DEFAULT;
    r->lineMode = 3;
    r->imageKind = 0;
    r->image = -1;
    int32_t indent = tickIndent(kind);
    bool rtl = CompIsRightToLeft(0) != 0;
    r->base.insetLeft = (int16_t)(rtl ? 0 : indent);
    r->base.insetRight = (int16_t)(rtl ? indent : 0);
    r->base.focusPolicy = GUITK_FOCUS_SMOOTH;
    GuiTkFont font = r->base.font;
    GuiTkListItem s = *r;
    GuiTkUnlockHandle(h);

    const int32_t unlimited = -1;
    LineLayoutSetFont(layout, font);
    if (LineLayoutSetWidths(layout, &unlimited, 1) != 0) {
        ListBodyDestroy(h);
        return -1;
    }
    int32_t w, hh;
    simpleSize(s, &w, &hh);
    CompStoreMinimumSize(h, w, hh);
    CompStorePreferredSize(h, w, hh);
    CompSendMessage1(h, GUITK_ITEM_MSG_CREATED, createParam);
    LineLayoutSetFont(layout, CompGetFont(h));
    if (!snapshot(h, &s)) return h;
    simpleSize(s, &w, &hh);
    CompSetMinimumSize(h, w, hh);
    CompSetPreferredSize(h, w, hh);
    return h;
}

void ListBodyDestroy(int32_t i) {
    CompSendMessage0(i, GUITK_ITEM_MSG_DESTROYING);
    GuiTkListItem* r = (GuiTkListItem*)GuiTkLockTyped(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM);
    if (r == nullptr) return;
    int32_t layout = r->layout, text = r->text;
    r->tag = 0;
    CompUnlink(&r->base);
    GuiTkUnlockHandle(i);
    LineLayoutDestroy(layout);
    if (text != -1) StrDestroy(text);
    GuiTkFreeHandle(i);
}

int32_t ListBodyGetKind(int32_t i) { return (int32_t)itemByte(i, ITEM(kind)); }

void ListBodySetIndex(int32_t i, int32_t index) {
    if (!accept(index >= 0)) return;
    int32_t old = itemInt(i, ITEM(index));
    if (old == index) return;
    setItemInt(i, ITEM(index), index);
    CompSendMessage2(i, GUITK_ITEM_MSG_INDEX, index, old);
}
int32_t ListBodyGetIndex(int32_t i) { return itemInt(i, ITEM(index)); }

int32_t ListBodySetText(int32_t i, const uint16_t* chars, int32_t length) {
    if (GuiTkLockTyped(i, GUITK_KIND_TAG_PLACE, GUITK_TAG_LTIM) == nullptr) return -1;
    GuiTkUnlockHandle(i);
    int32_t text = -1;
    if (chars != nullptr && (text = StrCreateFromChars(chars, length)) == -1) return -1;
    int32_t old = itemInt(i, ITEM(text));
    setItemInt(i, ITEM(text), text);
    LineLayoutSetText(itemInt(i, ITEM(layout)), text);
    CompSendMessage1(i, GUITK_ITEM_MSG_TEXT, text);
    if (old != -1) StrDestroy(old);
    return 0;
}
int32_t ListBodyGetText(int32_t i) { return itemInt(i, ITEM(text)); }

void ListBodySetImage(int32_t i, int32_t image) { setPicture(i, image, 0, GUITK_ITEM_MSG_IMAGE); }
int32_t ListBodyGetImage(int32_t i) { return pictureOf(i, 0); }
void ListBodySetOffScreen(int32_t i, int32_t offScreen) { setPicture(i, offScreen, 1, GUITK_ITEM_MSG_OFFSCREEN); }
int32_t ListBodyGetOffScreen(int32_t i) { return pictureOf(i, 1); }

void ListBodySetSelected(int32_t i, int32_t flag) {
    flag = flag != 0 ? 1 : 0;
    int32_t old = itemInt(i, ITEM(selected));
    if (old == flag) return;
    setItemInt(i, ITEM(selected), flag);
    CompSendMessage2(i, GUITK_ITEM_MSG_SELECTED, flag, old);
}
void ListBodyStoreSelected(int32_t i, int32_t flag) { setItemInt(i, ITEM(selected), flag != 0 ? 1 : 0); }
int32_t ListBodyGetSelected(int32_t i) { return itemInt(i, ITEM(selected)); }

void ListBodySetWrap(int32_t i, int32_t policy) {
    if (!accept(policy >= 0 && policy <= 2)) return;
    int32_t old = (int32_t)itemByte(i, ITEM(wrap));
    if (old == policy) return;
    setItemByte(i, ITEM(wrap), policy);
    relayout(i);
    CompSendMessage2(i, GUITK_ITEM_MSG_WRAP, policy, old);
}
void ListBodyStoreWrap(int32_t i, int32_t policy) {
    if (!accept(policy >= 0 && policy <= 2)) return;
    setItemByte(i, ITEM(wrap), policy);
    invalidateCache(i);
    relayout(i);
}
int32_t ListBodyGetWrap(int32_t i) { return (int32_t)itemByte(i, ITEM(wrap)); }

int32_t ListBodyQueryLines(int32_t i, int32_t lines) {
    if (!accept(lines >= 0)) return 0;
    return CompSendMessage1(i, GUITK_ITEM_MSG_LINES, lines);
}

void ListBodySetLineMode(int32_t i, int32_t mode) {
    if (accept(mode >= 1 && mode <= 3)) setItemByte(i, ITEM(lineMode), mode);
}
int32_t ListBodyGetLineMode(int32_t i) { return (int32_t)itemByte(i, ITEM(lineMode)); }

void ListBodySetHandler(int32_t slot, GuiTkHandler handler) {
    if (accept(slot >= 0 && slot < GUITK_ITEM_SLOTS && handler != nullptr)) BodyTable->slots[slot] = handler;
}
void ListBodySetKeyHook(GuiTkKeyHook hook) {
    if (accept(hook != nullptr)) BodyTable->keyHook = hook;
}
void ListBodySetPointerHook(GuiTkPointerHook hook) {
    if (accept(hook != nullptr)) BodyTable->pointerHook = hook;
}

void ListBodySetStyle(int32_t attribute, intptr_t value, uint32_t color) {
    BodyClass& s = *BodyTable;
    auto in = [&](std::initializer_list<intptr_t> allowed) {
        for (intptr_t a : allowed)
            if (a == value) return true;
        return false;
    };
    auto pair = [&](uint32_t& mode, uint32_t& word) {
        mode = (uint32_t)value;
        word = color;
    };
    switch (attribute) {
        case 1:
            if (accept(in({1, 2, 3}))) s.frameStyle = (uint32_t)value;
            return;
        case 2:
            if (accept(in({1, 2, 4}))) pair(s.frameMode, s.frameColor);
            return;
        case 3:
            if (accept(in({1, 2, 3, 4, 5, 6}))) pair(s.currentTextMode, s.currentTextColor);
            return;
        case 4:
            if (accept(in({1, 2, 3, 4, 5, 6}))) pair(s.currentBackMode, s.currentBackColor);
            return;
        case 5:
            if (accept(in({1, 2, 3, 6}))) pair(s.selectedTextMode, s.selectedTextColor);
            return;
        case 6:
            if (accept(in({1, 2, 3, 6}))) pair(s.selectedBackMode, s.selectedBackColor);
            return;
        case 7:
        case 8: {
            const GuiTkTickImages* t = (const GuiTkTickImages*)value;
            if (!accept(t != nullptr && color == 0 && t->version == 1 && t->unchecked != nullptr &&
                        t->checked != nullptr && t->width >= 0 && t->height >= 0))
                return;
            TickImages& to = attribute == 7 ? s.check : s.radio;
            to.unchecked = t->unchecked;
            to.checked = t->checked;
            to.width = t->width;
            to.height = t->height;
            return;
        }
        default:
            GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    }
}

int32_t ListBodyNumberingWidth(GuiTkFont font) {
    int32_t widest = 0;
    for (uint16_t d = '0'; d <= '9'; d++) {
        const uint16_t label[3] = {d, d, '.'};
        int32_t w = GuiTkFontCharsWidth(font, label, 3);
        if (w > widest) widest = w;
    }
    return widest;
}

void ListBodyDrawContent(int32_t i, GuiTkGraphics gfx, const GuiTkRect* rect, uint32_t textColor) {
    GuiTkListItem r{};
    if (!snapshot(i, &r)) return;
    const GuiTkComponent& b = r.base;
    bool rtl = CompIsRightToLeft(b.directionMode) != 0;
    int32_t fontHeight = GuiTkFontGetHeight(b.font);
    int32_t left = rect->x, width = rect->width;
    bool visibleText = (textColor >> 24) != 0;
    if (r.kind == GUITK_ITEM_NUMBERED) {
        int32_t number = ListBodyNumberingWidth(b.font);
        int32_t parent = b.parent;
        if (numbered(r, parent != -1 && IsList(parent) ? KivListGetSize(parent) : 0) && visibleText) {
            uint16_t digit = (uint16_t)('0' + (r.index + 1) % 10);
            const uint16_t label[2] = {rtl ? (uint16_t)'.' : digit, rtl ? digit : (uint16_t)'.'};
            int32_t w = GuiTkFontCharsWidth(b.font, label, 2);
            GuiTkUseColor(gfx, textColor);
            GuiTkGfxSetFont(gfx, b.font);
            GuiTkGfxDrawChars(gfx, label, 2, rtl ? rect->x + rect->width - w : rect->x, rect->y);
        }
        if (!rtl) left += number;
        width -= number;
    }
    int32_t iw, ih;
    imageSize(r, &iw, &ih);
    if (r.image != -1) {
        int32_t x = rtl ? left + width - iw : left;
        if (r.imageKind == 0)
            GuiTkGfxDrawImage(gfx, surfaceOf(r.image), x, rect->y, 0);
        else
            GuiTkGfxDrawOffScreen(gfx, surfaceOf(r.image), x, rect->y, 0);
    }
    if (r.text == -1 || !visibleText) return;
    GuiTkUseColor(gfx, textColor);
    GuiTkGfxSetFont(gfx, b.font);
    int32_t lower = ih > fontHeight ? ih - fontHeight : 0;
    int32_t shift = r.image != -1 ? iw + 1 : 0;
    GuiTkLineStyle style = {1, -1, 0, 0, 0, 0};
    if (r.lineMode == 1 || r.lineMode == 2) style.alignment = r.lineMode;
    const GuiTkRect firstLine = {rtl ? left : left + shift, rect->y + lower, width - shift, fontHeight};
    LineLayoutDrawRange(r.layout, gfx, &firstLine, 0, 0, &style);
    const GuiTkRect rest = {left, rect->y + lower + fontHeight, width, rect->height - lower - fontHeight};
    // only the lines that can show: a narrow row must not cut its whole text
    if (rest.height > 0) LineLayoutDrawRange(r.layout, gfx, &rest, 1, rest.height / fontHeight + 1, &style);
}

int32_t ListBodyDefaultHandler(GuiTkMessage* m) {
    int32_t i = m->component;
    switch (m->id) {
        case GUITK_MSG_FONT:
            updatePreferredSize(i);
            forward(i, GUITK_LIST_MSG_FONT, m->a1, m->a2);
            CompRequestUpdate(i);
            return 0;
        case GUITK_MSG_PAINT:
            return paintItem(i, m->a1);
        case GUITK_MSG_PREFERRED_WIDTH_FOR_HEIGHT:
            return CompSendMessage0(i, GUITK_MSG_GET_PREFERRED_HEIGHT);
        case GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH:
            return heightAtWidth(i, m->a1);
        case GUITK_MSG_RELAYOUT: {
            GuiTkComponent* r = CompLock(i);
            if (r != nullptr) {
                int16_t a = r->insetLeft, b = r->insetRight;
                int16_t big = a > b ? a : b, small = a > b ? b : a;
                bool rtl = CompGetLanguageDirection() == 1;
                r->insetLeft = rtl ? small : big;
                r->insetRight = rtl ? big : small;
                GuiTkUnlockHandle(i);
            }
            CompDefaultHandler(m);
            return 1;
        }
        case GUITK_ITEM_MSG_CREATED:
        case GUITK_ITEM_MSG_DESTROYING:
        case GUITK_ITEM_MSG_INDEX:
            return 0;
        case GUITK_ITEM_MSG_TEXT:
            updatePreferredSize(i);
            forward(i, GUITK_LIST_MSG_TEXT, m->a1, 0);
            CompRequestUpdate(i);
            return 0;
        case GUITK_ITEM_MSG_IMAGE:
        case GUITK_ITEM_MSG_OFFSCREEN:
            updatePreferredSize(i);
            forward(i, m->id - 1, m->a1, m->a2);
            CompRequestUpdate(i);
            return 0;
        case GUITK_ITEM_MSG_SELECTED:
            forward(i, GUITK_LIST_MSG_SELECTED, m->a1, m->a2);
            CompRequestUpdate(i);
            return 0;
        case GUITK_ITEM_MSG_WRAP:
            updatePreferredSize(i);
            CompRequestUpdate(i);
            return 0;
        case GUITK_ITEM_MSG_LINES: {
            GuiTkComponent* r = CompLock(i);
            if (r == nullptr) return 0;
            int32_t result = r->insetTop + r->insetBottom + GuiTkFontGetHeight(r->font) * m->a1;
            GuiTkUnlockHandle(i);
            return result;
        }
        default:
            return CompDefaultHandler(m);
    }
}
