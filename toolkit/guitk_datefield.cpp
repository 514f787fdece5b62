// The date field.
#include "toolkit/guitk_datefield.h"

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_editorpeer.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"
#include "toolkit/guitk_text.h"

namespace {

struct ColorSpec {
    uint32_t mode;
    uint32_t color;
};

struct DateFieldClass {
    P32Fn<GuiTkHandler> slots[GUITK_DATEFIELD_SLOTS];
    P32Fn<GuiTkKeyHook> activeKeyHook;
    P32Fn<GuiTkPointerHook> pointerHook;
    ColorSpec unfocusedBorder;
    ColorSpec focusedBorder;
    uint32_t frameStyle;  // 1 dotted, 2 solid, 3 none
    ColorSpec frameColor;
    ColorSpec highlightText;
    ColorSpec highlightBackground;
};
static_assert(sizeof(DateFieldClass) == 48 * 4, "the module state is 48 words");
VMBSS DateFieldClass* DateTable;

enum { TEXT_CAPACITY = 64 };

#define FIELD(name) ((int32_t)offsetof(GuiTkDateField, name))

int32_t getField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_DATEFIELD, position);
}
void setField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_DATEFIELD, position, value);
}

bool snapshot(int32_t c, GuiTkDateField* out) {
    GuiTkDateField* r = (GuiTkDateField*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_DATEFIELD);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(c);
    return true;
}

bool fail(int32_t code) {
    GuiTkFatalError(code);
    return false;
}

inline bool showsDate(uint32_t mode) { return mode != GUITK_DATEFIELD_TIME; }
inline bool showsTime(uint32_t mode) { return mode != GUITK_DATEFIELD_DATE; }

bool gregorian(int32_t year, int32_t month, int32_t day) {
    return year > 1582 || (year == 1582 && (month > 9 || (month == 9 && day >= 15)));
}

int32_t monthLength(int32_t year, int32_t month) {
    int32_t m = month + 1;
    if (m != 2) return 30 + (m - m / 8) % 2;
    bool leap = gregorian(year, 1, 15) ? year % 400 == 0 || (year % 4 == 0 && year % 100 != 0) : year % 4 == 0;
    return leap ? 29 : 28;
}

uint32_t resolve(const ColorSpec& spec, const GuiTkComponent& b) {
    return spec.mode == 2 ? b.foreground : spec.mode == 3 ? b.background : spec.color;
}

// The shown lines, top to bottom: their parts and texts.
int32_t shownLines(const GuiTkDateField& r, int32_t parts[2], int32_t texts[2]) {
    int32_t n = 0;
    if (showsDate(r.inputMode)) parts[n] = GUITK_DATEFIELD_DATE, texts[n++] = r.dateText;
    if (showsTime(r.inputMode)) parts[n] = GUITK_DATEFIELD_TIME, texts[n++] = r.timeText;
    return n;
}

void sizesOf(const GuiTkDateField& r, int32_t* minW, int32_t* minH, int32_t* prefW, int32_t* prefH) {
    const GuiTkComponent& b = r.base;
    int32_t parts[2], texts[2], n = shownLines(r, parts, texts);
    int32_t lineHeight = GuiTkFontGetHeight(b.font), widest = 0, height = 0;
    for (int32_t k = 0; k < n; k++) {
        int32_t w = 0, h = 0;
        GuiTkMeasureString(b.font, texts[k], &w, &h);
        if (w > widest) widest = w;
        height += h;
    }
    const uint16_t wide = 'W';
    *minW = b.insetLeft + b.insetRight + GuiTkFontCharsWidth(b.font, &wide, 1);
    *minH = b.insetTop + b.insetBottom + n * lineHeight;
    *prefW = widest + b.insetLeft + b.insetRight;
    int32_t screen = GuiTkGetScreenWidth();
    if (*prefW < screen) *prefW = screen;
    *prefH = height + b.insetTop + b.insetBottom;
}

void updateSizes(int32_t c) {
    GuiTkDateField r{};
    if (!snapshot(c, &r)) return;
    int32_t minW, minH, prefW, prefH;
    sizesOf(r, &minW, &minH, &prefW, &prefH);
    CompSetMinimumSize(c, minW, minH);
    CompSetPreferredSize(c, prefW, prefH);
}

void formatTexts(int32_t c, int32_t dateText, int32_t timeText) {
    StrSetChars(dateText, nullptr, 0);
    GuiTkEditorPeers.MgurDateFieldFormat(c, GUITK_DATEFIELD_DATE, dateText);
    StrSetChars(timeText, nullptr, 0);
    GuiTkEditorPeers.MgurDateFieldFormat(c, GUITK_DATEFIELD_TIME, timeText);
}

int32_t paint(int32_t c, GuiTkGraphics gfx) {
    GuiTkDateField r{};
    if (!snapshot(c, &r)) return 0;
    const GuiTkComponent& b = r.base;
    if (b.shown == 0 || b.paintEnable == 0 || b.width < 1 || b.height < 1) return 0;
    bool focused = b.state >= GUITK_STATE_FOCUSED;
    GuiTkGfxSetStrokeStyle(gfx, 0);
    if (GuiTkUseColor(gfx, resolve(focused ? DateTable->focusedBorder : DateTable->unfocusedBorder, b))) {
        const GuiTkRect border = {b.x, b.y, b.width - 1, b.height - 1};
        GuiTkGfxDrawRect(gfx, &border);
    }
    if (b.width <= 2 || b.height <= 2) return 0;
    if (GuiTkUseColor(gfx, b.background)) {
        const GuiTkRect face = {b.x + 1, b.y + 1, b.width - 2, b.height - 2};
        GuiTkGfxFillRect(gfx, &face);
    }
    GuiTkRect inner;
    CompGetContentRect(&b, &inner);
    if (inner.width <= 0 || inner.height <= 0) return 0;
    GuiTkRect saved;
    GuiTkGfxGetClip(gfx, &saved);
    GuiTkClipTo(gfx, &inner);
    GuiTkGfxSetFont(gfx, b.font);
    uint32_t highlightText = resolve(DateTable->highlightText, b);
    int32_t lineHeight = GuiTkFontGetHeight(b.font);
    bool rtl = CompIsRightToLeft(b.directionMode) != 0;
    int32_t parts[2], texts[2], n = shownLines(r, parts, texts), activeY = -1;
    for (int32_t k = 0, y = inner.y; k < n; k++, y += lineHeight) {
        bool active = focused && parts[k] == (int32_t)r.activePart;
        uint32_t color = b.foreground;
        if (active) {
            activeY = y;
            const GuiTkRect row = {inner.x, y, inner.width, lineHeight};
            if (GuiTkUseColor(gfx, resolve(DateTable->highlightBackground, b))) GuiTkGfxFillRect(gfx, &row);
            color = highlightText;
        }
        if (!GuiTkUseColor(gfx, color)) continue;
        int32_t x = rtl ? inner.x + inner.width - GuiTkStringWidth(b.font, texts[k]) : inner.x;
        GuiTkDrawString(gfx, texts[k], x, y);
    }
    uint32_t style = DateTable->frameStyle;
    if (activeY != -1 && style != 3) {
        const ColorSpec& spec = DateTable->frameColor;
        uint32_t frame = spec.mode == 1 ? spec.color : spec.mode == 2 ? b.foreground : highlightText;
        if (GuiTkUseColor(gfx, frame)) {
            GuiTkGfxSetStrokeStyle(gfx, style == 1 ? 1 : 0);
            const GuiTkRect box = {inner.x, activeY, inner.width - 1, lineHeight - 1};
            GuiTkGfxDrawRect(gfx, &box);
            GuiTkGfxSetStrokeStyle(gfx, 0);
        }
    }
    GuiTkGfxSetClip(gfx, &saved);
    return 0;
}

bool isLive(int32_t c) {
    for (int32_t k = CompGetNext(-1); k != -1; k = CompGetNext(k))
        if (k == c) return true;
    return false;
}

// The deferred opening: the field may have been closed, or deleted, before it runs.
void openLater(int32_t* block) {
    int32_t c = block[1];
    if (!isLive(c)) return;
    GuiTkDateField* r = (GuiTkDateField*)GuiTkLockHandle(c);
    if (r == nullptr) return;
    bool open = r->tag == GUITK_TAG_DATEFIELD && r->peerWord != 0;
    GuiTkUnlockHandle(c);
    if (open) GuiTkEditorPeers.MgurDateFieldOpenEditor(c);
}

void openEditor(int32_t c) {
    if (getField(c, FIELD(peerWord)) != 0) {
        fail(GUITK_ERROR_STATE);
        return;
    }
    setField(c, FIELD(peerWord), 1);
    CompPostRequest(c, GUITK_EVENT_ACTIVATED);
    CompSendEvent(openLater, c);
}

void closeEditor(int32_t c) {
    GuiTkEditorPeers.MgurDateFieldCloseEditor(c);
    CompPostRequest(c, GUITK_EVENT_EDITOR_CLOSED);
    CompPostRequest(c, GUITK_EVENT_DEACTIVATED);
    CompPostRequest(c, GUITK_EVENT_EDIT_ENDED);
    setField(c, FIELD(peerWord), 0);
}

// The part under a point of the component: 0 outside the lines.
int32_t hitPart(const GuiTkDateField& r, int32_t x, int32_t y) {
    const GuiTkComponent& b = r.base;
    const GuiTkRect inner = {b.insetLeft, b.insetTop, b.width - b.insetLeft - b.insetRight,
                             b.height - b.insetTop - b.insetBottom};
    const GuiTkRect point = {x, y, 1, 1};
    if (inner.width <= 0 || inner.height <= 0 || !GuiTkRectContainsRect(&inner, &point)) return 0;
    int32_t lineHeight = GuiTkFontGetHeight(b.font);
    if (y < inner.y + lineHeight)
        return r.inputMode == GUITK_DATEFIELD_TIME ? GUITK_DATEFIELD_TIME : GUITK_DATEFIELD_DATE;
    // one shown line has nothing below it to choose
    return r.inputMode == GUITK_DATEFIELD_DATE_TIME ? GUITK_DATEFIELD_TIME : 0;
}

int32_t dispatch(GuiTkMessage* m) {
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_DATEFIELD_SLOTS ? DateTable->slots[m->id].get() : KivDateFieldDefaultHandler;
    return slot(m);
}

int32_t activeKeyTrampoline(GuiTkKeyEvent* event) { return DateTable->activeKeyHook.get()(event); }
int32_t pointerTrampoline(GuiTkPointerEvent* event) { return DateTable->pointerHook.get()(event); }

bool validValue(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute) {
    if (month < 0 || month > 11 || hour < 0 || hour > 23 || minute < 0 || minute > 59) return false;
    if (day < 1 || day > monthLength(year, month)) return false;
    return !(year == 1582 && month == 9 && day >= 5 && day <= 14);
}

bool holds(int32_t c, int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute) {
    GuiTkDateField r{};
    if (!snapshot(c, &r)) return false;
    return r.valueSet != 0 && r.year == year && r.month == month && r.day == day && r.hour == hour &&
           r.minute == minute;
}

bool storeValue(int32_t c, int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute) {
    // a value the formatter cannot show, or the editor cannot start from, is never kept
    if (!validValue(year, month, day, hour, minute)) return fail(GUITK_ERROR_ARGUMENT);
    GuiTkDateField* r = (GuiTkDateField*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_DATEFIELD);
    if (r == nullptr) return false;
    r->valueSet = 1;
    r->year = year;
    r->month = (int8_t)month;
    r->day = (int8_t)day;
    r->hour = (int8_t)hour;
    r->minute = (int8_t)minute;
    GuiTkUnlockHandle(c);
    return true;
}

int32_t valueByte(int32_t c, int32_t position) {
    if (getField(c, FIELD(valueSet)) == 0) fail(GUITK_ERROR_STATE);
    return (int8_t)GuiTkGetTypedByte(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_DATEFIELD, position);
}

bool colorMode(int32_t value) { return value >= 1 && value <= 3; }

void destroyStrings(int32_t a, int32_t b, int32_t c) {
    if (a != -1) StrDestroy(a);
    if (b != -1) StrDestroy(b);
    if (c != -1) StrDestroy(c);
}

}  // namespace

int32_t KivDateFieldModuleInit(int32_t, const void*) {
    DateTable = (DateFieldClass*)GuiTkAlloc((int32_t)sizeof(DateFieldClass));
    if (DateTable == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : DateTable->slots) slot = KivDateFieldDefaultHandler;
    DateTable->activeKeyHook = KivDateFieldDefaultActiveKeyHook;
    DateTable->pointerHook = KivDateFieldDefaultPointerHook;
    DateTable->unfocusedBorder = {1, 0};
    DateTable->focusedBorder = {1, 0xFF000000};
    DateTable->frameStyle = 1;
    DateTable->frameColor = {4, 0};
    DateTable->highlightText = {2, 0};
    DateTable->highlightBackground = {3, 0};
    return 0;
}

int32_t KivDateFieldModuleFini(void) {
    if (DateTable != nullptr) GuiTkFree(DateTable);
    DateTable = nullptr;
    return 0;
}

int32_t KivDateFieldCreate(int32_t createParam) {
    int32_t dateText = StrCreateWithCapacity(TEXT_CAPACITY);
    int32_t timeText = dateText != -1 ? StrCreateWithCapacity(TEXT_CAPACITY) : -1;
    int32_t h = timeText != -1 ? GuiTkAllocHandle((int32_t)sizeof(GuiTkDateField)) : -1;
    GuiTkDateField* r = h != -1 ? (GuiTkDateField*)GuiTkLockHandle(h) : nullptr;
    if (r == nullptr || !CompInitObject(h, &r->base, dispatch, CompDefaultKeyHook, activeKeyTrampoline,
                                        pointerTrampoline, createParam, GUITK_TYPE_DATEFIELD)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        destroyStrings(dateText, timeText, -1);
        return -1;
    }
    r->tag = GUITK_TAG_DATEFIELD;
    r->valueSet = 0;
    r->year = 0;
    r->month = r->day = r->hour = r->minute = -1;
    r->inputMode = GUITK_DATEFIELD_DATE;
    r->peerWord = 0;
    r->activePart = GUITK_DATEFIELD_DATE;
    r->dateText = dateText;
    r->timeText = timeText;
    r->title = -1;
    r->base.focusPolicy = GUITK_FOCUS_SMOOTH;
    GuiTkUnlockHandle(h);
    CompSetInsets(h, 2, 2, 2, 2);
    formatTexts(h, dateText, timeText);
    GuiTkDateField s{};
    int32_t minW, minH, prefW, prefH;
    snapshot(h, &s);
    sizesOf(s, &minW, &minH, &prefW, &prefH);
    CompStoreMinimumSize(h, minW, minH);
    CompStorePreferredSize(h, prefW, prefH);
    CompSendMessage1(h, GUITK_DATEFIELD_MSG_CREATED, createParam);
    updateSizes(h);
    return h;
}

void KivDateFieldDelete(int32_t c) {
    CompSendMessage0(c, GUITK_DATEFIELD_MSG_DELETING);
    // an open editor would be left holding a dead handle
    if (getField(c, FIELD(peerWord)) != 0) GuiTkEditorPeers.MgurDateFieldCloseEditor(c);
    CompDetachFromParent(c);
    GuiTkDateField* r = (GuiTkDateField*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_DATEFIELD);
    if (r == nullptr) return;
    r->tag = 0;
    int32_t dateText = r->dateText, timeText = r->timeText, title = r->title;
    CompUnlink(&r->base);
    GuiTkUnlockHandle(c);
    destroyStrings(dateText, timeText, title);
    GuiTkFreeHandle(c);
}

int32_t KivDateFieldIsValid(int32_t c) { return getField(c, FIELD(valueSet)); }

void KivDateFieldInvalidate(int32_t c) {
    GuiTkDateField* r = (GuiTkDateField*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_DATEFIELD);
    if (r == nullptr) return;
    bool wasSet = r->valueSet != 0;
    r->valueSet = 0;
    r->month = r->day = r->hour = r->minute = -1;
    GuiTkUnlockHandle(c);
    if (wasSet) CompSendMessage(c, GUITK_DATEFIELD_MSG_VALUE, 0, 0, 0, 0);
}

void KivDateFieldSetTime(int32_t c, int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute) {
    if (holds(c, year, month, day, hour, minute)) return;
    if (!storeValue(c, year, month, day, hour, minute)) return;
    int32_t packed = (int32_t)((uint32_t)month << 24 | (uint32_t)day << 16 | (uint32_t)hour << 8 | (uint32_t)minute);
    CompSendMessage(c, GUITK_DATEFIELD_MSG_VALUE, year, packed, 1, 0);
}

void KivDateFieldStoreTime(int32_t c, int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute) {
    storeValue(c, year, month, day, hour, minute);
}

int32_t KivDateFieldCheckTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute) {
    return validValue(year, month, day, hour, minute) ? 1 : 0;
}

int32_t KivDateFieldGetYear(int32_t c) {
    if (getField(c, FIELD(valueSet)) == 0) fail(GUITK_ERROR_STATE);
    return getField(c, FIELD(year));
}
int32_t KivDateFieldGetMonth(int32_t c) { return valueByte(c, FIELD(month)); }
int32_t KivDateFieldGetDay(int32_t c) { return valueByte(c, FIELD(day)); }
int32_t KivDateFieldGetHour(int32_t c) { return valueByte(c, FIELD(hour)); }
int32_t KivDateFieldGetMinute(int32_t c) { return valueByte(c, FIELD(minute)); }

void KivDateFieldSetInputMode(int32_t c, int32_t mode) {
    if (mode < GUITK_DATEFIELD_DATE || mode > GUITK_DATEFIELD_DATE_TIME) {
        fail(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t old = getField(c, FIELD(inputMode));
    if (old == mode) return;
    setField(c, FIELD(inputMode), mode);
    CompSendMessage2(c, GUITK_DATEFIELD_MSG_INPUT_MODE, mode, old);
    if (mode != GUITK_DATEFIELD_DATE_TIME) KivDateFieldSetActivePart(c, mode);
}

int32_t KivDateFieldGetInputMode(int32_t c) { return getField(c, FIELD(inputMode)); }

void KivDateFieldSetActivePart(int32_t c, int32_t part) {
    if (part != GUITK_DATEFIELD_DATE && part != GUITK_DATEFIELD_TIME) {
        fail(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t old = getField(c, FIELD(activePart));
    if (old == part) return;
    setField(c, FIELD(activePart), part);
    CompSendMessage2(c, GUITK_DATEFIELD_MSG_ACTIVE_PART, part, old);
}

int32_t KivDateFieldGetActivePart(int32_t c) { return getField(c, FIELD(activePart)); }
void KivDateFieldSetPeerWord(int32_t c, int32_t word) { setField(c, FIELD(peerWord), word); }
int32_t KivDateFieldGetPeerWord(int32_t c) { return getField(c, FIELD(peerWord)); }

int32_t KivDateFieldSetTitle(int32_t c, const uint16_t* chars, int32_t length) {
    if (length < 0) return fail(GUITK_ERROR_ARGUMENT), -1;
    int32_t title = -1;
    if (chars != nullptr && length != 0) {
        title = StrCreateFromChars(chars, length);
        if (title == -1) return -1;
    }
    int32_t old = getField(c, FIELD(title));
    setField(c, FIELD(title), title);
    if (old != -1) StrDestroy(old);
    CompSendMessage1(c, GUITK_DATEFIELD_MSG_TITLE, title);
    return 0;
}

int32_t KivDateFieldGetTitle(int32_t c) { return getField(c, FIELD(title)); }

int32_t KivDateFieldGetText(int32_t c, int32_t part) {
    if (part == GUITK_DATEFIELD_DATE) return getField(c, FIELD(dateText));
    if (part == GUITK_DATEFIELD_TIME) return getField(c, FIELD(timeText));
    fail(GUITK_ERROR_ARGUMENT);
    return -1;
}

void KivDateFieldSetHandler(int32_t slot, GuiTkHandler handler) {
    if (slot < 0 || slot >= GUITK_DATEFIELD_SLOTS || handler == nullptr)
        fail(GUITK_ERROR_ARGUMENT);
    else
        DateTable->slots[slot] = handler;
}

void KivDateFieldSetExtraHandler(GuiTkKeyHook hook) {
    if (hook == nullptr)
        fail(GUITK_ERROR_ARGUMENT);
    else
        DateTable->activeKeyHook = hook;
}

void KivDateFieldSetPointerHook(GuiTkPointerHook hook) {
    if (hook == nullptr)
        fail(GUITK_ERROR_ARGUMENT);
    else
        DateTable->pointerHook = hook;
}

void KivDateFieldSetStyle(int32_t attribute, int32_t value, uint32_t color) {
    int32_t which = attribute & 0xFF;
    uint32_t flags = (uint32_t)attribute & 0xFFFF00u;
    bool ok = false;
    if (which == GUITK_DATEFIELD_STYLE_BORDER) {
        ok = flags != 0 && (flags & ~0xA00u) == 0 && colorMode(value);
        if (ok && (flags & 0x200u)) DateTable->unfocusedBorder = {(uint32_t)value, color};
        if (ok && (flags & 0x800u)) DateTable->focusedBorder = {(uint32_t)value, color};
    } else if (flags == 0) {
        switch (which) {
            case GUITK_DATEFIELD_STYLE_FRAME:
                if ((ok = colorMode(value))) DateTable->frameStyle = (uint32_t)value;
                break;
            case GUITK_DATEFIELD_STYLE_FRAME_COLOR:
                if ((ok = value == 1 || value == 2 || value == 4)) DateTable->frameColor = {(uint32_t)value, color};
                break;
            case GUITK_DATEFIELD_STYLE_TEXT:
                if ((ok = colorMode(value))) DateTable->highlightText = {(uint32_t)value, color};
                break;
            case GUITK_DATEFIELD_STYLE_BACKGROUND:
                if ((ok = colorMode(value))) DateTable->highlightBackground = {(uint32_t)value, color};
                break;
            default:
                break;
        }
    }
    if (!ok) fail(GUITK_ERROR_ARGUMENT);
}

int32_t KivDateFieldDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_STATE:
            if (m->a1 == GUITK_STATE_FOCUSED && m->a2 < GUITK_STATE_FOCUSED) return CompDefaultHandler(m);
            if (m->a2 >= GUITK_STATE_ACTIVE && m->a1 < GUITK_STATE_ACTIVE && getField(c, FIELD(peerWord)) != 0) {
                closeEditor(c);
                return 0;
            }
            CompRequestUpdate(c);
            return 0;
        case GUITK_MSG_FONT:
            updateSizes(c);
            return 0;
        case GUITK_MSG_PAINT:
            return paint(c, m->a1);
        case GUITK_MSG_PAINT_HIDDEN:
            return 0;
        case GUITK_DATEFIELD_MSG_CREATED:
        case GUITK_DATEFIELD_MSG_DELETING:
        case GUITK_DATEFIELD_MSG_TITLE:
            return 0;
        case GUITK_DATEFIELD_MSG_VALUE:
            formatTexts(c, getField(c, FIELD(dateText)), getField(c, FIELD(timeText)));
            updateSizes(c);
            CompRequestUpdate(c);
            return 0;
        case GUITK_DATEFIELD_MSG_INPUT_MODE:
            updateSizes(c);
            CompRequestUpdate(c);
            return 0;
        case GUITK_DATEFIELD_MSG_ACTIVE_PART:
            CompRequestUpdate(c);
            return 0;
        default:
            return CompDefaultHandler(m);
    }
}

int32_t KivDateFieldDefaultActiveKeyHook(GuiTkKeyEvent* event) {
    int32_t c = event->component;
    if ((event->key == 17 || event->key == 19) && (event->type == 2 || event->type == 3)) {
        if (KivDateFieldGetInputMode(c) != GUITK_DATEFIELD_DATE_TIME) return 0;
        int32_t part = KivDateFieldGetActivePart(c);
        if (event->key == 17 && part == GUITK_DATEFIELD_TIME) {
            KivDateFieldSetActivePart(c, GUITK_DATEFIELD_DATE);
            return 1;
        }
        if (event->key == 19 && part == GUITK_DATEFIELD_DATE) {
            KivDateFieldSetActivePart(c, GUITK_DATEFIELD_TIME);
            return 1;
        }
        return 0;
    }
    if (event->key == GUITK_KEY_SELECT && event->type == GUITK_KEY_EVENT_PRESSED) {
        // a second select while the editor is open is the user's, not an error
        if (KivDateFieldGetPeerWord(c) == 0) openEditor(c);
        return 1;
    }
    return 0;
}

int32_t KivDateFieldDefaultPointerHook(GuiTkPointerEvent* event) {
    int32_t c = event->component;
    GuiTkDateField r{};
    if (event->values[1] != 0 || !snapshot(c, &r) || r.base.state != GUITK_STATE_ACTIVE) return 0;
    int32_t part = hitPart(r, event->values[2], event->values[3]);
    if (part == 0) return 0;
    if (event->values[0] == 0) {
        KivDateFieldSetActivePart(c, part);
        return 1;
    }
    if (event->values[0] == 2 && part == (int32_t)r.activePart) {
        if (r.peerWord == 0) openEditor(c);
        return 1;
    }
    return 0;
}
