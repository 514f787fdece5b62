// The confirmation dialog.
#include "toolkit/guitk_confirm.h"

#include <stddef.h>

#include "toolkit/guitk_choice.h"
#include "toolkit/guitk_container.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_list.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

struct ConfirmClass {
    P32Fn<GuiTkHandler> slots[GUITK_CONFIRM_SLOTS];
    P32Fn<GuiTkKeyHook> activeKeyHandler;
    P32Fn<GuiTkPointerHook> pointerHandler;
    int32_t insetTop, insetLeft, insetRight, insetBottom;
    uint32_t hostDrawn;  // the host's dialog screen paints every dialog
};
VMBSS ConfirmClass* ConfirmTable;

#define FIELD(name) ((int32_t)offsetof(GuiTkConfirm, name))

const char16_t* const DefaultChoices[GUITK_CONFIRM_CHOICES] = {
    u"Allow and don't ask again",
    u"Allow for this session",
    u"No for this session",
    u"Allow and ask me next time",
    u"Not now",
    u"Never",
};
const char16_t DefaultTitle[] = u"Use network?";

int32_t length16(const char16_t* s) {
    int32_t n = 0;
    while (s[n] != 0) n++;
    return n;
}

int32_t getField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_CONFIRM_TAG_PLACE, GUITK_TAG_CONFIRM, position);
}
void setField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_CONFIRM_TAG_PLACE, GUITK_TAG_CONFIRM, position, value);
}
GuiTkConfirm* lockConfirm(int32_t c) {
    return (GuiTkConfirm*)GuiTkLockTyped(c, GUITK_CONFIRM_TAG_PLACE, GUITK_TAG_CONFIRM);
}

bool snapshot(int32_t c, GuiTkConfirm* out) {
    GuiTkConfirm* r = lockConfirm(c);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(c);
    return true;
}

// The list the dialog type shows.
int32_t shownList(const GuiTkConfirm& r) {
    return r.dialogType == GUITK_CONFIRM_NORMAL ? r.choiceList : r.exclusiveList;
}

int32_t titleHeight(const GuiTkConfirm& r) { return r.title != -1 ? CompGetHeight(r.title) : 0; }

// The area below the title.
GuiTkRect areaOf(const GuiTkConfirm& r) {
    int32_t th = titleHeight(r);
    return {r.base.x, r.base.y + th, r.base.width, r.base.height - th};
}

GuiTkRect rectOf(int32_t c) { return {CompGetX(c), CompGetY(c), CompGetWidth(c), CompGetHeight(c)}; }

void invalidate(int32_t c) {
    setField(c, FIELD(laidOut), 0);
    CompRequestUpdate(c);
}

// The children's events stay inside the dialog: an update request becomes the dialog's,
// anything else is completed here without reaching the VM.
int32_t childEventHook(GuiTkEventCallback context, GuiTkEvent* event) {
    if (event->code == GUITK_EVENT_UPDATE)
        CompRequestUpdate(CompGetParent(event->component));
    else
        context((int32_t*)event);
    return 1;
}

// Replaces a string word; the old string goes. -1 when the new one cannot be made.
int32_t replaceString(int32_t c, int32_t position, const uint16_t* chars, int32_t length, int32_t* made) {
    if (lockConfirm(c) == nullptr) return -1;
    GuiTkUnlockHandle(c);
    int32_t text = -1;
    if (chars != nullptr && (text = StrCreateFromChars(chars, length)) == -1) return -1;
    int32_t old = getField(c, position);
    setField(c, position, text);
    if (old != -1) StrDestroy(old);
    *made = text;
    return 0;
}

// Writes a string's units into a row of a list.
int32_t setRowText(int32_t list, int32_t row, int32_t string) {
    if (string == -1) return KivListSetText(list, row, nullptr, 0);
    const uint16_t* chars = StrLockChars(string);
    int32_t result = KivListSetText(list, row, chars, StrGetLength(string));
    StrUnlockChars(string);
    return result;
}

int32_t insertRow(int32_t list, int32_t string, int32_t choice) {
    if (KivListInsertItem(list, 0) != 0) return -1;
    if (string != -1) return setRowText(list, 0, string);
    // a dialog whose texts were never set still names its rows
    const char16_t* text = DefaultChoices[choice];
    return KivListSetText(list, 0, (const uint16_t*)text, length16(text));
}

void showSoftkeyLabel(int32_t string, int32_t position) {
    if (string == -1) return;
    const uint16_t* chars = StrLockChars(string);
    GuiTkSoftkeySetLabel(chars, StrGetLength(string), position);
    StrUnlockChars(string);
}

// The labels of the dialog's soft keys (not painted).
void refreshSoftkeys(int32_t c) {
    if (GuiTkGetSoftkeyCount() <= 0) return;
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return;
    GuiTkSoftkeyResetLabels();
    showSoftkeyLabel(r.okText, r.okKeyPosition);
    if (r.dialogType != GUITK_CONFIRM_NORMAL) showSoftkeyLabel(r.cancelText, r.cancelKeyPosition);
}

void sizeChildren(int32_t c, int32_t w, int32_t h) {
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return;
    if (r.title != -1) {
        int32_t th = CompGetPreferredHeightForWidth(r.title, w);
        CompSetSize(r.title, w, th < h ? th : h);
    }
    int32_t list = shownList(r);
    int32_t room = w - ConfirmTable->insetLeft - ConfirmTable->insetRight;
    int32_t lw = CompGetPreferredWidth(list);
    if (lw > room) lw = room;
    int32_t lh = CompGetPreferredHeightForWidth(list, lw);
    int32_t left = h - titleHeight(r);
    CompSetSize(list, lw, lh < left ? lh : left);
}

int32_t messageHeight(const GuiTkConfirm& r, int32_t width) {
    if (r.message == -1) return 0;
    int32_t w = 0, h = 0;
    GuiTkMeasureText(r.base.font, r.message, width, &w, &h);
    return h;
}

void layout(int32_t c) {
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return;
    const ConfirmClass& t = *ConfirmTable;
    if (r.title != -1) CompSetLocation(r.title, r.base.x, r.base.y);
    GuiTkRect area = areaOf(r);
    int32_t mh = messageHeight(r, area.width - t.insetLeft - t.insetRight);
    if (r.dialogType == GUITK_CONFIRM_ALERT) return;
    int32_t list = shownList(r);
    int32_t lw = CompGetWidth(list), lh = CompGetHeight(list);
    int32_t content = mh + lh + t.insetTop + t.insetBottom;
    int32_t scroll = content <= area.height ? 0 : r.scrollOffset;
    setField(c, FIELD(contentHeight), content);
    setField(c, FIELD(scrollOffset), scroll);
    int32_t x = CompIsRightToLeft(0) ? area.x + area.width - t.insetRight - lw : area.x + t.insetLeft;
    CompSetLocation(list, x, area.y + t.insetTop + mh - scroll);
    GuiTkRect at = rectOf(list);
    if (GuiTkRectIntersects(&at, &area)) {
        if (CompGetState(list) < GUITK_STATE_FOCUSED) CompSetState(list, GUITK_STATE_FOCUSED);
    } else {
        CompSetState(list, GUITK_STATE_ENABLED);
    }
}

// Keys and scrolling work on the children where the next paint would put them.
void ensureLaidOut(int32_t c) {
    if (getField(c, FIELD(laidOut)) != 0) return;
    layout(c);
    setField(c, FIELD(laidOut), 1);
}

// The soft keys' scroll and focus flags and the view for the trace hook.
void paintSoftkeys(const GuiTkConfirm& r, int32_t list) {
    if (GuiTkGetSoftkeyCount() <= 0) return;
    int32_t scroll = 0, focus = 0;
    if (r.scrollOffset > 0) scroll |= 1;
    if (CompGetY(list) + CompGetHeight(list) + ConfirmTable->insetBottom > r.base.y + r.base.height) scroll |= 2;
    int32_t focused = KivListBoxGetFocusedIndex(list), n = KivListGetSize(list);
    if (focused > 0) focus |= 1;
    if (focused != -1 && focused < n - 1) focus |= 2;
    int32_t* view = (int32_t*)GuiTkAlloc(4 * (int32_t)sizeof(int32_t));
    if (view != nullptr) {
        view[0] = 0;
        view[1] = r.scrollOffset;
        view[2] = r.base.width;
        view[3] = r.base.height - titleHeight(r);
        GuiTkTraceHook(p32Cell(view), r.base.width, r.contentHeight);
        GuiTkFree(view);
    }
    GuiTkSoftkeySetScrollState(scroll);
    GuiTkSoftkeySetFocusState(focus);
    GuiTkSoftkeyPaint();
}

int32_t paint(int32_t c, GuiTkGraphics gfx) {
    ensureLaidOut(c);
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return 0;
    const ConfirmClass& t = *ConfirmTable;
    GuiTkRect saved;
    GuiTkGfxGetClip(gfx, &saved);
    if (r.title != -1) {
        GuiTkRect tr = rectOf(r.title);
        GuiTkClipTo(gfx, &tr);
        CompPaint(r.title, gfx);
        GuiTkGfxSetClip(gfx, &saved);
    }
    GuiTkRect area = areaOf(r);
    if (GuiTkUseColor(gfx, r.base.background)) GuiTkGfxFillRect(gfx, &area);
    GuiTkRect inner = {area.x + r.base.insetLeft, area.y + r.base.insetTop,
                       area.width - r.base.insetLeft - r.base.insetRight,
                       area.height - r.base.insetTop - r.base.insetBottom};
    GuiTkClipTo(gfx, &inner);
    if (r.message != -1 && GuiTkUseColor(gfx, r.base.foreground)) {
        GuiTkGfxSetStrokeStyle(gfx, 0);
        GuiTkGfxSetFont(gfx, r.base.font);
        GuiTkDrawWrappedText(gfx, r.message, area.x + t.insetLeft, area.y + t.insetTop - r.scrollOffset,
                             area.width - t.insetLeft - t.insetRight);
    }
    int32_t list = shownList(r);
    if (r.dialogType != GUITK_CONFIRM_ALERT) CompPaint(list, gfx);
    GuiTkGfxSetClip(gfx, &saved);
    paintSoftkeys(r, list);
    return 0;
}

// The answer of a normal dialog: the selected row's (allowed, mode).
void respond(int32_t c) {
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return;
    int32_t allowed[5], modes[5], n = 0;
    const struct {
        uint32_t bit;
        int32_t allowed, mode;
    } Rows[] = {{1, 1, GUITK_CONFIRM_BLANKET},
                {2, 1, GUITK_CONFIRM_SESSION},
                {8, 1, GUITK_CONFIRM_ONESHOT},
                {16, 0, r.initialMode}};
    for (const auto& row : Rows) {
        if ((r.rowMask & row.bit) == 0) continue;
        allowed[n] = row.allowed;
        modes[n++] = row.mode;
    }
    allowed[n] = 0;
    modes[n++] = GUITK_CONFIRM_NO;
    int32_t selected = KivListGetSelectedIndex(r.choiceList);
    int32_t a = 0, m = GUITK_CONFIRM_ONESHOT;
    if (r.rowMask == 0) {
        // no mode set was ever given: the rows describe no answer, so nothing is granted
        // and nothing is refused for good
        m = r.initialMode;
    } else if (selected >= 0 && selected < n) {
        a = allowed[selected];
        m = modes[selected];
    }
    CompCallDefaultHandler4(c, GUITK_EVENT_CHANGED, a, m);
}

// Follows the focused row of the list: down when its bottom left the area, up when its
// top did.
void followList(int32_t c, bool down) {
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return;
    int32_t list = shownList(r);
    GuiTkRect area = areaOf(r);
    int32_t offset = r.scrollOffset;
    if (down) {
        int32_t bottom = CompGetY(list) + CompGetHeight(list), limit = area.y + area.height;
        if (bottom > limit) offset += bottom - limit;
    } else {
        int32_t y = CompGetY(list) - area.y;
        if (y < 0) offset += y;
        if (offset < 0) offset = 0;
    }
    if (offset == r.scrollOffset) return;
    setField(c, FIELD(scrollOffset), offset);
    invalidate(c);
}

void scrollBy(int32_t c, int32_t d) {
    ensureLaidOut(c);
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return;
    int32_t list = shownList(r);
    GuiTkRect area = areaOf(r);
    int32_t listTop = CompGetY(list) - area.y + r.scrollOffset;  // in content coordinates
    int32_t limit = listTop + CompGetHeight(list) + ConfirmTable->insetBottom - area.height;
    if (limit < 0) limit = 0;
    int32_t offset = r.scrollOffset + d;
    if (offset < 0) offset = 0;
    if (offset > limit) offset = limit;
    if (offset == r.scrollOffset) return;
    setField(c, FIELD(scrollOffset), offset);
    GuiTkRect moved = rectOf(list);
    moved.y -= offset - r.scrollOffset;
    if (GuiTkRectIntersects(&moved, &area)) {
        if (CompGetState(list) < GUITK_STATE_FOCUSED) CompSetState(list, GUITK_STATE_FOCUSED);
    } else {
        CompSetState(list, GUITK_STATE_ENABLED);
    }
    invalidate(c);
}

int32_t innerHandler(GuiTkMessage* m) {
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_CONFIRM_SLOTS ? ConfirmTable->slots[m->id].get() : KivConfirmDefaultHandler;
    return slot(m);
}
int32_t activeKeyTrampoline(GuiTkKeyEvent* event) { return ConfirmTable->activeKeyHandler.get()(event); }
int32_t pointerTrampoline(GuiTkPointerEvent* event) { return ConfirmTable->pointerHandler.get()(event); }

int32_t hostPaintHandler(GuiTkMessage* m) {
    if (m->id == GUITK_MSG_PAINT) return KivConfirmHostPaint(m->component, -1);
    return KivConfirmDefaultHandler(m);
}

int32_t makeList(int32_t c, int32_t rows) {
    int32_t list = KivRadioButtonCreate(GUITK_CONFIRM_LIST_NUMBER);
    if (list == -1) return -1;
    for (int32_t k = 0; k < rows; k++) {
        int32_t made = KivListInsertItem(list, k);
        if (made == 0 && rows == GUITK_CONFIRM_CHOICES) {
            const char16_t* text = DefaultChoices[k];
            made = KivListSetText(list, k, (const uint16_t*)text, length16(text));
        }
        if (made != 0) {
            KivRadioButtonDelete(list);
            return -1;
        }
    }
    CompStoreFocusPolicy(list, GUITK_FOCUS_SMOOTH);
    CompSetParent(list, c);
    CompSetEventHook(list, childEventHook);
    return list;
}

void release(int32_t c, int32_t position, void (*destroy)(int32_t)) {
    int32_t child = getField(c, position);
    setField(c, position, -1);
    if (child == -1) return;
    CompSetEventHook(child, nullptr);
    CompSetParent(child, -1);
    destroy(child);
}

// Selects the row that gives the mode; row 0 when the set lacks it.
void selectInitialRow(int32_t c) {
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return;
    int32_t row = 0;
    bool blanket = (r.modes & GUITK_CONFIRM_BLANKET) != 0, session = (r.modes & GUITK_CONFIRM_SESSION) != 0;
    if (r.initialMode == GUITK_CONFIRM_SESSION && session)
        row = blanket ? 1 : 0;
    else if (r.initialMode == GUITK_CONFIRM_ONESHOT && (r.modes & GUITK_CONFIRM_ONESHOT) != 0)
        row = (blanket ? 1 : 0) + (session ? 1 : 0);
    if (row < KivListGetSize(r.choiceList)) KivListSetSelected(r.choiceList, row, 1);
    if (KivListGetSize(r.choiceList) > 0) KivListBoxSetFocusedIndex(r.choiceList, 0);
}

int32_t setChoiceText(int32_t c, int32_t choice, int32_t row, int32_t message, const uint16_t* chars, int32_t length) {
    int32_t made = -1;
    if (replaceString(c, FIELD(choices) + 4 * choice, chars, length, &made) != 0) return -1;
    setRowText(getField(c, FIELD(choiceList)), row, made);
    CompSendMessage1(c, message, made);
    return 0;
}

int32_t setExclusiveText(int32_t c, int32_t which, const uint16_t* chars, int32_t length, int32_t message) {
    int32_t made = -1;
    if (replaceString(c, FIELD(exclusiveChoices) + 4 * which, chars, length, &made) != 0) return -1;
    setRowText(getField(c, FIELD(exclusiveList)), which, made);
    CompSendMessage1(c, message, made);
    return 0;
}

void checkPosition(int32_t position) {
    if (position < 1 || position > 3) GuiTkFatalError(GUITK_ERROR_ARGUMENT);
}

}  // namespace

int32_t KivConfirmModuleInit(int32_t, const void*) {
    ConfirmTable = (ConfirmClass*)GuiTkAlloc((int32_t)sizeof(ConfirmClass));
    if (ConfirmTable == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : ConfirmTable->slots) slot = KivConfirmDefaultHandler;
    ConfirmTable->activeKeyHandler = KivConfirmKeyHandler;
    ConfirmTable->pointerHandler = KivConfirmPointerHandler;
    return 0;
}

int32_t KivConfirmModuleFini(void) {
    if (ConfirmTable != nullptr) GuiTkFree(ConfirmTable);
    ConfirmTable = nullptr;
    return 0;
}

int32_t KivConfirmCreate(int32_t number) {
    if (number != GUITK_CONFIRM_NUMBER) return -1;
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkConfirm));
    if (h == -1) return -1;
    GuiTkConfirm* r = (GuiTkConfirm*)GuiTkLockHandle(h);
    if (r == nullptr) {
        GuiTkFreeHandle(h);
        return -1;
    }
    if (!CompInitObject(h, &r->base, innerHandler, CompDefaultKeyHook, activeKeyTrampoline, pointerTrampoline, number,
                        GUITK_TYPE_CONFIRM)) {
        GuiTkUnlockHandle(h);
        GuiTkFreeHandle(h);
        return -1;
    }
    r->tag = GUITK_TAG_CONFIRM;
    r->scrollOffset = 0;
    r->laidOut = 0;
    r->dialogType = GUITK_CONFIRM_NORMAL;
    r->permissionIndex = -1;
    r->rowMask = 0;
    r->initialMode = GUITK_CONFIRM_ONESHOT;
    r->modes = GUITK_CONFIRM_ONESHOT;
    r->rowCount = GUITK_CONFIRM_CHOICES;
    r->title = r->message = r->okText = r->cancelText = -1;
    for (int32_t& s : r->choices) s = -1;
    r->exclusiveChoices[0] = r->exclusiveChoices[1] = -1;
    r->choiceList = r->exclusiveList = -1;
    r->contentHeight = 0;
    r->okKeyPosition = 1;
    r->cancelKeyPosition = 2;
    r->pointerPressed = r->pointerInside = 0;
    r->pointerMoves = 0;
    GuiTkUnlockHandle(h);

    int32_t title = KivTitleCreate(GUITK_CONFIRM_TITLE_NUMBER);
    if (title == -1 || KivTitleSetText(title, (const uint16_t*)DefaultTitle, length16(DefaultTitle)) != 0) {
        if (title != -1) KivTitleDelete(title);
        KivConfirmDelete(h);
        return -1;
    }
    CompSetParent(title, h);
    CompSetEventHook(title, childEventHook);
    setField(h, FIELD(title), title);
    int32_t choices = makeList(h, GUITK_CONFIRM_CHOICES);
    setField(h, FIELD(choiceList), choices);
    int32_t exclusive = choices == -1 ? -1 : makeList(h, 2);
    setField(h, FIELD(exclusiveList), exclusive);
    if (exclusive == -1) {
        KivConfirmDelete(h);
        return -1;
    }
    CompStoreFocusPolicy(h, GUITK_FOCUS_SMOOTH);
    CompSetInsets(h, 0, 0, 0, 0);
    CompStoreMinimumSize(h, GuiTkGetScreenWidth(), GuiTkGetScreenHeight());
    CompStorePreferredSize(h, GuiTkGetScreenWidth(), GuiTkGetScreenHeight());
    CompSendMessage1(h, GUITK_CONFIRM_MSG_CREATED, number);
    return h;
}

void KivConfirmDelete(int32_t c) {
    if (lockConfirm(c) == nullptr) return;
    GuiTkUnlockHandle(c);
    CompSendMessage0(c, GUITK_CONFIRM_MSG_DELETING);
    CompDetachFromParent(c);
    release(c, FIELD(choiceList), KivRadioButtonDelete);
    release(c, FIELD(exclusiveList), KivRadioButtonDelete);
    release(c, FIELD(title), KivTitleDelete);
    GuiTkConfirm* r = lockConfirm(c);
    if (r == nullptr) return;
    int32_t strings[3 + GUITK_CONFIRM_CHOICES + 2] = {r->message, r->okText, r->cancelText};
    for (int32_t k = 0; k < GUITK_CONFIRM_CHOICES; k++) strings[3 + k] = r->choices[k];
    strings[3 + GUITK_CONFIRM_CHOICES] = r->exclusiveChoices[0];
    strings[4 + GUITK_CONFIRM_CHOICES] = r->exclusiveChoices[1];
    r->tag = 0;
    CompUnlink(&r->base);
    GuiTkUnlockHandle(c);
    for (int32_t s : strings)
        if (s != -1) StrDestroy(s);
    GuiTkFreeHandle(c);
}

void KivConfirmSetPermissionIndex(int32_t c, int32_t index) {
    int32_t old = getField(c, FIELD(permissionIndex));
    if (old == index) return;
    setField(c, FIELD(permissionIndex), index);
    CompSendMessage2(c, GUITK_CONFIRM_MSG_PERMISSION, index, old);
}
int32_t KivConfirmGetPermissionIndex(int32_t c) { return getField(c, FIELD(permissionIndex)); }

int32_t KivConfirmSetMessage(int32_t c, const uint16_t* chars, int32_t length) {
    int32_t made = -1;
    if (replaceString(c, FIELD(message), chars, length, &made) != 0) return -1;
    CompSendMessage1(c, GUITK_CONFIRM_MSG_MESSAGE, made);
    return 0;
}

int32_t KivConfirmSetTitle(int32_t c, const uint16_t* chars, int32_t length) {
    int32_t title = getField(c, FIELD(title));
    if (title == -1 || KivTitleSetText(title, chars, chars == nullptr ? 0 : length) != 0) return -1;
    CompSendMessage1(c, GUITK_CONFIRM_MSG_TITLE, title);
    return 0;
}

int32_t KivConfirmSetTextOk(int32_t c, const uint16_t* chars, int32_t length) {
    int32_t made = -1;
    if (replaceString(c, FIELD(okText), chars, length, &made) != 0) return -1;
    CompSendMessage1(c, GUITK_CONFIRM_MSG_OK_TEXT, made);
    return 0;
}

int32_t KivConfirmSetTextCancel(int32_t c, const uint16_t* chars, int32_t length) {
    int32_t made = -1;
    if (replaceString(c, FIELD(cancelText), chars, length, &made) != 0) return -1;
    CompSendMessage1(c, GUITK_CONFIRM_MSG_CANCEL_TEXT, made);
    return 0;
}

// Rows 0..4 of the list of the full mode set; text 3 goes to row 1, which text 2 then
// takes over.
int32_t KivConfirmSetChoiceText1(int32_t c, const uint16_t* s, int32_t n) {
    return setChoiceText(c, 0, 0, GUITK_CONFIRM_MSG_CHOICE1, s, n);
}
int32_t KivConfirmSetChoiceText2(int32_t c, const uint16_t* s, int32_t n) {
    return setChoiceText(c, 1, 1, GUITK_CONFIRM_MSG_CHOICE2_TO_4, s, n);
}
int32_t KivConfirmSetChoiceText3(int32_t c, const uint16_t* s, int32_t n) {
    return setChoiceText(c, 2, 1, GUITK_CONFIRM_MSG_CHOICE2_TO_4, s, n);
}
int32_t KivConfirmSetChoiceText4(int32_t c, const uint16_t* s, int32_t n) {
    return setChoiceText(c, 3, 2, GUITK_CONFIRM_MSG_CHOICE2_TO_4, s, n);
}
int32_t KivConfirmSetChoiceText5(int32_t c, const uint16_t* s, int32_t n) {
    return setChoiceText(c, 4, 3, GUITK_CONFIRM_MSG_CHOICE5, s, n);
}
int32_t KivConfirmSetChoiceText6(int32_t c, const uint16_t* s, int32_t n) {
    return setChoiceText(c, 5, 4, GUITK_CONFIRM_MSG_CHOICE6, s, n);
}

int32_t KivConfirmSetExclusiveChoiceText1(int32_t c, const uint16_t* s, int32_t n) {
    return setExclusiveText(c, 0, s, n, GUITK_CONFIRM_MSG_EXCLUSIVE1);
}
int32_t KivConfirmSetExclusiveChoiceText2(int32_t c, const uint16_t* s, int32_t n) {
    return setExclusiveText(c, 1, s, n, GUITK_CONFIRM_MSG_EXCLUSIVE2);
}

int32_t KivConfirmSetTextExclusiveChoices(int32_t c, const uint16_t* chars1, int32_t length1, const uint16_t* chars2,
                                          int32_t length2) {
    int32_t list = getField(c, FIELD(exclusiveList));
    int32_t result = KivListSetText(list, 0, chars1, chars1 == nullptr ? 0 : length1);
    int32_t second = KivListSetText(list, 1, chars2, chars2 == nullptr ? 0 : length2);
    if (result == 0) result = second;
    KivListSetSelected(list, 0, 1);
    CompSendMessage2(c, GUITK_MSG_SIZE, CompGetMinimumWidth(c), CompGetMinimumHeight(c));
    return result;
}

void KivConfirmSetInitialInteractionMode(int32_t c, int32_t mode) {
    setField(c, FIELD(initialMode), mode);
    selectInitialRow(c);
}
int32_t KivConfirmGetInitialInteractionMode(int32_t c) { return getField(c, FIELD(initialMode)); }

int32_t KivConfirmSetInteractionModes(int32_t c, int32_t modes) {
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return -1;
    if (r.modes == modes && r.rowMask != 0) return 0;
    int32_t list = r.choiceList;
    for (int32_t k = 0; k < r.rowCount && KivListGetSize(list) > 0; k++) KivListRemoveItem(list, 0);
    struct Row {
        int32_t mode;  // 0: always
        int32_t choice;
        uint32_t bit;
    };
    const Row Rows[] = {{GUITK_CONFIRM_NO, 5, 0},
                        {0, 4, 0},
                        {GUITK_CONFIRM_ONESHOT, 3, 8},
                        {GUITK_CONFIRM_SESSION, 1, 2},
                        {GUITK_CONFIRM_BLANKET, 0, 1}};
    uint32_t mask = 0x30;
    int32_t count = 0;
    for (const Row& row : Rows) {
        if (row.mode != 0 && (modes & row.mode) == 0) continue;
        int32_t result = insertRow(list, r.choices[row.choice], row.choice);
        if (result != 0) return result;
        mask |= row.bit;
        count++;
    }
    setField(c, FIELD(modes), modes);
    setField(c, FIELD(rowMask), (int32_t)mask);
    setField(c, FIELD(rowCount), count);
    CompSendMessage2(c, GUITK_MSG_SIZE, CompGetMinimumWidth(c), CompGetMinimumHeight(c));
    CompSendMessage2(c, GUITK_CONFIRM_MSG_MODES, modes, 0);
    return 0;
}
int32_t KivConfirmGetInteractionModes(int32_t c) { return getField(c, FIELD(modes)); }

void KivConfirmSetDialogType(int32_t c, int32_t type) { setField(c, FIELD(dialogType), type); }
int32_t KivConfirmGetDialogType(int32_t c) { return getField(c, FIELD(dialogType)); }

void KivConfirmSetOkKeyPos(int32_t c, int32_t position) {
    checkPosition(position);
    if (position >= 1 && position <= 3) setField(c, FIELD(okKeyPosition), position);
}
int32_t KivConfirmGetOkKeyPos(int32_t c) { return getField(c, FIELD(okKeyPosition)); }
void KivConfirmSetCancelKeyPos(int32_t c, int32_t position) {
    checkPosition(position);
    if (position >= 1 && position <= 3) setField(c, FIELD(cancelKeyPosition), position);
}
int32_t KivConfirmGetCancelKeyPos(int32_t c) { return getField(c, FIELD(cancelKeyPosition)); }

void KivConfirmSetBackgroundColor(int32_t c, uint32_t argb) { CompStoreBackground(c, argb); }
void KivConfirmSetForegroundColor(int32_t c, uint32_t argb) { CompStoreForeground(c, argb); }
int32_t KivConfirmGetChoiceList(int32_t c) { return getField(c, FIELD(choiceList)); }
int32_t KivConfirmGetExclusiveList(int32_t c) { return getField(c, FIELD(exclusiveList)); }
int32_t KivConfirmGetScrollOffset(int32_t c) { return getField(c, FIELD(scrollOffset)); }

void KivConfirmSetClientInsets(int32_t top, int32_t left, int32_t right, int32_t bottom) {
    ConfirmTable->insetTop = top;
    ConfirmTable->insetLeft = left;
    ConfirmTable->insetRight = right;
    ConfirmTable->insetBottom = bottom;
}

void KivConfirmSetHandler(int32_t slot, GuiTkHandler handler) {
    if (slot < 0 || slot >= GUITK_CONFIRM_SLOTS || handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        ConfirmTable->slots[slot] = handler;
}

void KivConfirmSetActiveKeyHandler(GuiTkKeyHook handler) {
    if (handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        ConfirmTable->activeKeyHandler = handler;
}

void KivConfirmSetPointerHandler(GuiTkPointerHook handler) {
    if (handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        ConfirmTable->pointerHandler = handler;
}

void KivConfirmSetNativeDialogEvtHandler(void) {
    ConfirmTable->slots[GUITK_MSG_PAINT] = hostPaintHandler;
    ConfirmTable->activeKeyHandler = KivConfirmHostKeyHandler;
}

int32_t KivConfirmDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_LOCATION:
            invalidate(c);
            return 0;
        case GUITK_MSG_SIZE:
            sizeChildren(c, m->a1, m->a2);
            invalidate(c);
            return 0;
        case GUITK_MSG_SHOW: {
            GuiTkConfirm r{};
            if (!snapshot(c, &r)) return 0;
            if (r.title != -1) CompShow(r.title, m->a1);
            if (r.dialogType != GUITK_CONFIRM_ALERT) {
                int32_t list = shownList(r);
                CompShow(list, m->a1);
                if (KivListGetSize(list) > 0) KivListBoxSetFocusedIndex(list, 0);
            }
            setField(c, FIELD(scrollOffset), 0);
            setField(c, FIELD(laidOut), 0);
            refreshSoftkeys(c);
            return 0;
        }
        case GUITK_MSG_PAINT:
            return paint(c, m->a1);
        case GUITK_MSG_HIDE: {
            GuiTkConfirm r{};
            if (!snapshot(c, &r)) return 0;
            int32_t list = shownList(r);
            CompSetState(list, GUITK_STATE_ENABLED);
            CompHide(list);
            if (r.title != -1) CompHide(r.title);
            return 0;
        }
        case GUITK_MSG_DIRECTION_MODE:
            sizeChildren(c, CompGetWidth(c), CompGetHeight(c));
            layout(c);
            return CompDefaultHandler(m);
        case GUITK_CONFIRM_MSG_CREATED:
        case GUITK_CONFIRM_MSG_DELETING:
        case GUITK_CONFIRM_MSG_PERMISSION:
        case 33:
        case GUITK_CONFIRM_MSG_MODES:
            return 0;
        case GUITK_CONFIRM_MSG_MESSAGE:
        case GUITK_CONFIRM_MSG_OK_TEXT:
        case GUITK_CONFIRM_MSG_CHOICE1:
        case 37:
        case GUITK_CONFIRM_MSG_CHOICE2_TO_4:
        case GUITK_CONFIRM_MSG_CHOICE5:
        case GUITK_CONFIRM_MSG_CHOICE6:
        case GUITK_CONFIRM_MSG_TITLE:
        case GUITK_CONFIRM_MSG_CANCEL_TEXT:
            refreshSoftkeys(c);
            if (m->id == GUITK_CONFIRM_MSG_MESSAGE || m->id == GUITK_CONFIRM_MSG_TITLE) invalidate(c);
            return 0;
        default:
            return CompDefaultHandler(m);
    }
}

int32_t KivConfirmKeyHandler(GuiTkKeyEvent* event) {
    int32_t c = event->component;
    ensureLaidOut(c);
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return 0;
    if (event->type == GUITK_KEY_EVENT_PRESSED) {
        if (event->key == r.okKeyPosition + 20) {
            if (r.dialogType == GUITK_CONFIRM_NORMAL)
                respond(c);
            else
                CompCallDefaultHandler4(c, GUITK_EVENT_CHOICE, KivListGetSelectedIndex(r.exclusiveList), 0);
            return 0;
        }
        if (event->key == r.cancelKeyPosition + 20) {
            if (r.dialogType != GUITK_CONFIRM_NORMAL) CompCallDefaultHandler3(c, GUITK_EVENT_CANCEL_RESPONSE, 0);
            return 0;
        }
    }
    int32_t list = shownList(r);
    int32_t taken = 0;
    if (r.dialogType != GUITK_CONFIRM_ALERT && CompGetState(list) >= GUITK_STATE_FOCUSED) {
        GuiTkKeyEvent passed = *event;
        passed.component = list;
        taken = CompProcessKeyEvent(&passed) & 1;
    }
    if (event->type != 2 && event->type != GUITK_KEY_EVENT_PRESSED) return 0;
    int32_t key = event->key;
    if (taken) {
        // the list moved its own rows; the dialog shows where the focus went
        if (key == GUITK_KEY_LEFT || key == GUITK_KEY_DOWN)
            followList(c, true);
        else if (key == GUITK_KEY_UP || key == GUITK_KEY_RIGHT)
            followList(c, false);
    } else if (key == GUITK_KEY_UP) {
        scrollBy(c, -GUITK_CONFIRM_SCROLL_STEP);
    } else if (key == GUITK_KEY_DOWN) {
        scrollBy(c, GUITK_CONFIRM_SCROLL_STEP);
    }
    return 0;
}

int32_t KivConfirmPointerHandler(GuiTkPointerEvent* event) {
    int32_t c = event->component, kind = event->values[0];
    if (event->values[1] != 0) return 0;
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return 0;
    int32_t list = shownList(r);
    if (r.dialogType == GUITK_CONFIRM_ALERT) return 0;
    GuiTkRect area = areaOf(r), at = rectOf(list);
    int32_t x = event->values[2], y = event->values[3];
    bool inside = GuiTkRectContainsPoint(&area, x, y) && GuiTkRectContainsPoint(&at, x, y);
    auto toList = [&](int32_t k) {
        GuiTkPointerEvent passed = {list, {k, 0, x - at.x, y - at.y}};
        CompProcessPointerEvent(&passed);
    };
    if (inside != (r.pointerInside != 0)) {
        setField(c, FIELD(pointerInside), inside ? 1 : 0);
        toList(inside ? 5 : 6);
    }
    bool pressed = r.pointerPressed != 0;
    if (kind == 0) {
        if (inside) {
            if (CompGetState(list) < GUITK_STATE_FOCUSED) CompSetState(list, GUITK_STATE_FOCUSED);
            setField(c, FIELD(pointerPressed), 1);
            setField(c, FIELD(pointerMoves), 0);
            toList(0);
        }
    } else if (kind == 1 || kind == 2) {
        if (pressed) {
            toList(kind);
            int32_t moves = r.pointerMoves + 1;
            if (moves >= 2) {
                setField(c, FIELD(pointerPressed), 0);
                moves = 0;
            }
            setField(c, FIELD(pointerMoves), moves);
        }
    } else if (kind == 7) {
        if (pressed) toList(7);
    } else if (kind == 3) {
        if (inside) toList(3);
    }
    return 0;
}

int32_t KivConfirmHostPaint(int32_t c, int32_t event) {
    GuiTkConfirm r{};
    if (!snapshot(c, &r)) return 0;
    GuiTkGraphics gfx = GuiTkGetScreenGraphics();
    GuiTkGfxSetStrokeStyle(gfx, 0);
    GuiTkGfxSetFont(gfx, r.base.font);
    const GuiTkRect bounds = {r.base.x, r.base.y, r.base.width, r.base.height};
    GuiTkGfxSetClip(gfx, &bounds);
    int32_t titleText = r.message != -1 && r.title != -1 ? KivTitleGetText(r.title) : -1;
    const uint16_t* title = nullptr;
    const uint16_t* body = nullptr;
    int32_t titleLength = 0, bodyLength = 0;
    if (titleText != -1) {
        title = StrLockChars(titleText);
        titleLength = StrGetLength(titleText);
        body = StrLockChars(r.message);
        bodyLength = StrGetLength(r.message);
    }
    if (event == -1) {
        if (GuiTkGetSoftkeyCount() > 0) GuiTkSoftkeyResetLabels();
        GuiTkSoftkeySetScrollState(0);
        GuiTkSoftkeySetFocusState(0);
        GuiTkSoftkeyPaint();
    }
    GuiTkGfxStartDraw();
    GuiTkGfxSetColor(gfx, r.base.background & 0xFFFFFF);
    GuiTkGfxFillRect(gfx, &bounds);
    int32_t answer = GuiTkGfxDrawDialogScreen(gfx, event, title, titleLength, body, bodyLength);
    GuiTkGfxEndDraw();
    if (titleText != -1) {
        StrUnlockChars(r.message);
        StrUnlockChars(titleText);
    }
    return answer;
}

int32_t KivConfirmHostKeyHandler(GuiTkKeyEvent* event) {
    if (event->type != 2 && event->type != GUITK_KEY_EVENT_PRESSED) return 0;
    int32_t c = event->component;
    int32_t answer = KivConfirmHostPaint(c, event->key);
    if (answer != 0)
        CompCallDefaultHandler4(c, GUITK_EVENT_CHANGED, answer == 16 ? 1 : 0, getField(c, FIELD(initialMode)));
    return 0;
}
