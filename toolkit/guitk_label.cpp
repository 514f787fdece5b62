// The label and the title.
#include "toolkit/guitk_label.h"

#include <stddef.h>

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_layout.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

struct LabelClass {
    P32Fn<GuiTkHandler> slots[GUITK_LABEL_SLOTS];
};
struct TitleClass {
    P32Fn<GuiTkHandler> slots[GUITK_LABEL_SLOTS];
    uint32_t underlineMode;
    uint32_t underlineColor;
};
VMBSS LabelClass* LabelTable;
VMBSS TitleClass* TitleTable;

#define LABEL(name) ((int32_t)offsetof(GuiTkLabel, name))
#define TITLE(name) ((int32_t)offsetof(GuiTkTitle, name))

int32_t labelField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_LABEL, position);
}
int32_t titleField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TITLE, position);
}

// A copy of the base record, for the paint and size rules that read many fields.
bool baseOf(int32_t c, GuiTkComponent* out) {
    GuiTkComponent* r = CompLock(c);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(c);
    return true;
}

int32_t widthOfW(GuiTkFont font) {
    const uint16_t w = 'W';
    return GuiTkFontCharsWidth(font, &w, 1);
}

struct Size {
    int32_t width, height;
};

Size minimumOf(const GuiTkComponent& b) {
    return {widthOfW(b.font) + b.insetLeft + b.insetRight, GuiTkFontGetHeight(b.font) + b.insetTop + b.insetBottom};
}

// The label's own text size: its first line when truncating, else all its lines unbroken.
Size labelPreferredOf(const GuiTkComponent& b, int32_t text) {
    int32_t w = 0, h = 0;
    if (b.truncateMode == 1)
        GuiTkMeasureFirstLine(b.font, text, &w, &h);
    else
        GuiTkMeasureText(b.font, text, -1, &w, &h);
    return {w + b.insetLeft + b.insetRight, h + b.insetTop + b.insetBottom};
}

// The title's one line: the whole text's width.
Size titleSizeOf(const GuiTkComponent& b, int32_t text) {
    return {GuiTkStringWidth(b.font, text) + b.insetLeft + b.insetRight,
            GuiTkFontGetHeight(b.font) + b.insetTop + b.insetBottom};
}

// The line width the label's layout breaks at: the content width, or only at LF when
// truncating.
void relayoutLabel(int32_t c) {
    GuiTkComponent b{};
    if (!baseOf(c, &b)) return;
    int32_t width = -1;
    if (b.truncateMode == 0) {
        GuiTkRect content;
        CompGetContentRect(&b, &content);
        width = content.width;
    }
    LineLayoutSetWidths(labelField(c, LABEL(layout)), &width, 1);
}

int32_t lineAlignment(int32_t directionMode) { return directionMode == 1 ? 1 : directionMode == 2 ? 2 : -1; }

int32_t paintLabel(int32_t c, GuiTkGraphics gfx) {
    GuiTkComponent b{};
    if (!baseOf(c, &b)) return 0;
    if (b.paintEnable == 0 || b.width < 1 || b.height < 1) return 0;
    int32_t text = labelField(c, LABEL(text)), layout = labelField(c, LABEL(layout));
    if ((b.background >> 24) != 0) {
        GuiTkGfxSetStrokeStyle(gfx, 0);
        GuiTkUseColor(gfx, b.background);
        const GuiTkRect bounds = {b.x, b.y, b.width, b.height};
        GuiTkGfxFillRect(gfx, &bounds);
    }
    GuiTkRect content;
    CompGetContentRect(&b, &content);
    if (content.width <= 0 || content.height <= 0 || (b.foreground >> 24) == 0 || text == -1) return 0;
    GuiTkClipTo(gfx, &content);
    GuiTkUseColor(gfx, b.foreground);
    GuiTkGfxSetFont(gfx, b.font);
    int32_t lineHeight = GuiTkFontGetHeight(b.font);
    int32_t n = LineLayoutCountLines(layout, content.height / lineHeight + 1);
    if (n <= 0) return 0;
    int32_t widest = LineLayoutMaxWidth(layout, 0, n - 1);
    int32_t x = 0, y = 0;
    GuiTkPlaceBlock(&b, &content, widest, n * lineHeight, &x, &y);
    const GuiTkRect box = {x, y, widest, content.height};
    const GuiTkLineStyle style = {1, lineAlignment(b.directionMode), 0, 0, 0, 0};
    LineLayoutDraw(layout, gfx, &box, &style);
    return 0;
}

int32_t paintTitle(int32_t c, GuiTkGraphics gfx) {
    GuiTkComponent b{};
    if (!baseOf(c, &b)) return 0;
    if (b.paintEnable == 0 || b.width < 1 || b.height < 1) return 0;
    int32_t text = titleField(c, TITLE(text));
    uint32_t underline = TitleTable->underlineMode == GUITK_UNDERLINE_FOREGROUND   ? b.foreground
                         : TitleTable->underlineMode == GUITK_UNDERLINE_BACKGROUND ? b.background
                                                                                   : TitleTable->underlineColor;
    if ((underline >> 24) != 0) {
        GuiTkGfxSetStrokeStyle(gfx, 0);
        GuiTkUseColor(gfx, underline);
        GuiTkGfxDrawLine(gfx, b.x, b.y + b.height - 1, b.x + b.width - 1, b.y + b.height - 1);
    }
    if (b.height <= 1) return 0;
    if (GuiTkUseColor(gfx, b.background)) {
        const GuiTkRect face = {b.x, b.y, b.width, b.height - 1};
        GuiTkGfxFillRect(gfx, &face);
    }
    GuiTkRect content;
    CompGetContentRect(&b, &content);
    if (content.width <= 0 || content.height <= 0 || (b.foreground >> 24) == 0 || text == -1) return 0;
    GuiTkClipTo(gfx, &content);
    GuiTkUseColor(gfx, b.foreground);
    GuiTkGfxSetFont(gfx, b.font);
    int32_t w = 0, h = 0, x = 0, y = 0;
    GuiTkMeasureString(b.font, text, &w, &h);
    // a text wider than the box is cut on the side the overflow alignment leaves
    GuiTkPlaceBlock(&b, &content, w, h, &x, &y);
    GuiTkDrawString(gfx, text, x, y);
    return 0;
}

void updateLabelSizes(int32_t c) {
    GuiTkComponent b{};
    if (!baseOf(c, &b)) return;
    Size minimum = minimumOf(b), preferred = labelPreferredOf(b, labelField(c, LABEL(text)));
    CompSetMinimumSize(c, minimum.width, minimum.height);
    CompSetPreferredSize(c, preferred.width, preferred.height);
}

void updateTitleSizes(int32_t c) {
    GuiTkComponent b{};
    if (!baseOf(c, &b)) return;
    Size size = titleSizeOf(b, titleField(c, TITLE(text)));
    CompSetMinimumSize(c, size.width, size.height);
    CompSetPreferredSize(c, size.width, size.height);
}

GuiTkHandler slotOf(const P32Fn<GuiTkHandler>* slots, int32_t id, GuiTkHandler fallback) {
    return id >= 0 && id < GUITK_LABEL_SLOTS ? slots[id].get() : fallback;
}

int32_t labelHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    if (m->id == GUITK_MSG_SIZE || m->id == GUITK_MSG_TRUNCATE_MODE) relayoutLabel(c);
    if (m->id == GUITK_MSG_FONT) LineLayoutSetFont(labelField(c, LABEL(layout)), m->a1);
    int32_t result = slotOf(LabelTable->slots, m->id, KivLabelDefaultHandler)(m);
    if (m->id == GUITK_MSG_RELAYOUT) relayoutLabel(c);
    return result;
}

int32_t titleHandler(GuiTkMessage* m) { return slotOf(TitleTable->slots, m->id, KivTitleDefaultHandler)(m); }

int32_t nullKeyHook(GuiTkKeyEvent*) { return 0; }
int32_t nullPointerHook(GuiTkPointerEvent*) { return 0; }

// Both kinds are made the same way; the label also owns a line layout (-1 for a title).
int32_t createText(int32_t createParam, bool isLabel) {
    int32_t layout = -1;
    if (isLabel && (layout = LineLayoutCreate()) == -1) return -1;
    int32_t bytes = isLabel ? (int32_t)sizeof(GuiTkLabel) : (int32_t)sizeof(GuiTkTitle);
    int32_t h = GuiTkAllocHandle(bytes);
    GuiTkComponent* r = h == -1 ? nullptr : (GuiTkComponent*)GuiTkLockHandle(h);
    if (r == nullptr || !CompInitDefault(h, r, isLabel ? labelHandler : titleHandler, nullKeyHook, nullPointerHook,
                                         createParam, isLabel ? GUITK_TYPE_LABEL : GUITK_TYPE_TITLE)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        if (layout != -1) LineLayoutDestroy(layout);
        return -1;
    }
    if (isLabel) {
        GuiTkLabel* label = (GuiTkLabel*)r;
        label->tag = GUITK_TAG_LABEL;
        label->text = -1;
        label->layout = layout;
    } else {
        GuiTkTitle* title = (GuiTkTitle*)r;
        title->tag = GUITK_TAG_TITLE;
        title->text = -1;
        r->truncateMode = 1;
    }
    GuiTkUnlockHandle(h);

    GuiTkFont font = CompGetFont(h);
    if (isLabel) {
        const int32_t width = 0;
        LineLayoutSetFont(layout, font);
        if (LineLayoutSetWidths(layout, &width, 1) != 0) {
            GuiTkComponent* again = CompLock(h);
            if (again != nullptr) {
                CompUnlink(again);
                GuiTkUnlockHandle(h);
            }
            GuiTkFreeHandle(h);
            LineLayoutDestroy(layout);
            return -1;
        }
        CompSetInsets(h, 0, 0, 0, 0);
    } else {
        CompSetInsets(h, 1, 1, 1, 2);
    }
    GuiTkComponent b{};
    baseOf(h, &b);
    Size size = isLabel ? minimumOf(b) : titleSizeOf(b, -1);
    CompStoreMinimumSize(h, size.width, size.height);
    CompStorePreferredSize(h, size.width, size.height);

    CompSendMessage1(h, GUITK_LABEL_MSG_CREATED, createParam);
    if (isLabel) LineLayoutSetFont(layout, CompGetFont(h));
    // the creation message may have changed the font or the insets
    baseOf(h, &b);
    size = isLabel ? minimumOf(b) : titleSizeOf(b, -1);
    CompSetMinimumSize(h, size.width, size.height);
    CompSetPreferredSize(h, size.width, size.height);
    CompSetState(h, GUITK_STATE_DISABLED);
    return h;
}

void deleteText(int32_t c, uint32_t tag) {
    CompSendMessage0(c, GUITK_LABEL_MSG_DELETING);
    CompDetachFromParent(c);
    int32_t text = GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, tag, LABEL(text));
    int32_t layout = tag == GUITK_TAG_LABEL ? labelField(c, LABEL(layout)) : -1;
    GuiTkComponent* r = (GuiTkComponent*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, tag);
    if (r == nullptr) return;
    ((GuiTkTitle*)r)->tag = 0;
    ((GuiTkTitle*)r)->text = -1;
    CompUnlink(r);
    GuiTkUnlockHandle(c);
    if (layout != -1) LineLayoutDestroy(layout);
    if (text != -1) StrDestroy(text);
    GuiTkFreeHandle(c);
}

int32_t setText(int32_t c, uint32_t tag, const uint16_t* chars, int32_t length) {
    if (GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, tag) == nullptr) return -1;
    GuiTkUnlockHandle(c);
    int32_t text = StrCreateFromChars(chars, length);
    if (text == -1) return -1;
    int32_t old = GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, tag, LABEL(text));
    GuiTkSetTypedInt(c, GUITK_KIND_TAG_PLACE, tag, LABEL(text), text);
    if (tag == GUITK_TAG_LABEL) LineLayoutSetText(labelField(c, LABEL(layout)), text);
    CompSendMessage1(c, GUITK_LABEL_MSG_TEXT_CHANGED, text);
    if (old != -1) StrDestroy(old);
    return 0;
}

void setSlot(P32Fn<GuiTkHandler>* slots, int32_t slot, GuiTkHandler handler) {
    if (slot < 0 || slot >= GUITK_LABEL_SLOTS || handler == nullptr) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    slots[slot] = handler;
}

}  // namespace

static_assert(offsetof(GuiTkLabel, text) == offsetof(GuiTkTitle, text), "both kinds keep the text in one place");

int32_t KivLabelModuleInit(int32_t, const void*) {
    LabelTable = (LabelClass*)GuiTkAlloc((int32_t)sizeof(LabelClass));
    if (LabelTable == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : LabelTable->slots) slot = KivLabelDefaultHandler;
    return 0;
}

int32_t KivLabelModuleFini(void) {
    if (LabelTable != nullptr) GuiTkFree(LabelTable);
    LabelTable = nullptr;
    return 0;
}

int32_t KivLabelCreate(int32_t createParam) { return createText(createParam, true); }
void KivLabelDelete(int32_t label) { deleteText(label, GUITK_TAG_LABEL); }
int32_t KivLabelSetText(int32_t label, const uint16_t* chars, int32_t length) {
    return setText(label, GUITK_TAG_LABEL, chars, length);
}
int32_t KivLabelGetText(int32_t label) { return labelField(label, LABEL(text)); }
void KivLabelSetHandler(int32_t slot, GuiTkHandler handler) { setSlot(LabelTable->slots, slot, handler); }

int32_t KivLabelDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_FONT:
        case GUITK_LABEL_MSG_TEXT_CHANGED:
            updateLabelSizes(c);
            CompRequestUpdate(c);
            return 0;
        case GUITK_MSG_PAINT:
            return paintLabel(c, m->a1);
        case GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH: {
            GuiTkComponent b{};
            if (!baseOf(c, &b)) return 0;
            int32_t text = labelField(c, LABEL(text));
            if (m->a1 >= b.preferredWidth || b.truncateMode != 0 || text == -1) return b.preferredHeight;
            int32_t width = m->a1 - b.insetLeft - b.insetRight, w = 0, h = 0;
            GuiTkMeasureText(b.font, text, width > 0 ? width : 0, &w, &h);
            return h + b.insetTop + b.insetBottom;
        }
        case GUITK_LABEL_MSG_CREATED:
        case GUITK_LABEL_MSG_DELETING:
            return 0;
        default:
            return CompDefaultHandler(m);
    }
}

int32_t KivTitleModuleInit(int32_t, const void*) {
    TitleTable = (TitleClass*)GuiTkAlloc((int32_t)sizeof(TitleClass));
    if (TitleTable == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : TitleTable->slots) slot = KivTitleDefaultHandler;
    TitleTable->underlineMode = GUITK_UNDERLINE_COLOR;
    TitleTable->underlineColor = 0xFF000000;
    return 0;
}

int32_t KivTitleModuleFini(void) {
    if (TitleTable != nullptr) GuiTkFree(TitleTable);
    TitleTable = nullptr;
    return 0;
}

int32_t KivTitleCreate(int32_t createParam) { return createText(createParam, false); }
void KivTitleDelete(int32_t title) { deleteText(title, GUITK_TAG_TITLE); }
int32_t KivTitleSetText(int32_t title, const uint16_t* chars, int32_t length) {
    return setText(title, GUITK_TAG_TITLE, chars, length);
}
int32_t KivTitleGetText(int32_t title) { return titleField(title, TITLE(text)); }
void KivTitleSetHandler(int32_t slot, GuiTkHandler handler) { setSlot(TitleTable->slots, slot, handler); }

void KivTitleSetStyle(int32_t kind, int32_t mode, uint32_t color) {
    if (kind != 1 || mode < GUITK_UNDERLINE_COLOR || mode > GUITK_UNDERLINE_BACKGROUND) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    TitleTable->underlineMode = (uint32_t)mode;
    TitleTable->underlineColor = color;
}

int32_t KivTitleDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_FONT:
        case GUITK_LABEL_MSG_TEXT_CHANGED:
            updateTitleSizes(c);
            CompRequestUpdate(c);
            return 0;
        case GUITK_MSG_PAINT:
            return paintTitle(c, m->a1);
        case GUITK_LABEL_MSG_CREATED:
        case GUITK_LABEL_MSG_DELETING:
            return 0;
        default:
            return CompDefaultHandler(m);
    }
}
